#include "app/shell/ApplicationView.h"

#include "app/shell/WorkspaceStore.h"
#include "app/shell/WorkspaceView.h"
#include "core/l10n/Localization.h"

#include <QStackedLayout>

namespace kestrivane {

ApplicationView::ApplicationView(WorkspaceStore *workspace, Localization *localization, std::function<void()> settings,
                                 QWidget *parent)
    : QWidget(parent), m_workspace(workspace), m_localization(localization), m_settings(std::move(settings))
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *layers = new QStackedLayout(this);
    layers->setContentsMargins(0, 0, 0, 0);
    layers->addWidget(new WorkspaceView(workspace, localization, m_settings, this));
}

} // namespace kestrivane
