#include "app/shell/WorkspaceView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/artwork/WindowsArtwork.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/shell/HomeView.h"
#include "app/shell/TabStrip.h"
#include "app/shell/TemplateView.h"
#include "app/shell/WorkspaceStore.h"
#include "app/window/ContentView.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kestrivane {

using shellstyle::FontStyle;

namespace {

const QString noMenuIndicator = QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }");

} // namespace

HomeButton::HomeButton(QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIcon(artworkIcon(QStringLiteral("home")));
    setIconSize(QSize(20, 20));
    setFixedHeight(36);
    setStyleSheet(QStringLiteral("QToolButton { padding-left: 12px; padding-right: 12px; }"));
}

void HomeButton::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void HomeButton::paintEvent(QPaintEvent *event)
{
    if (m_highlighted) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(shellstyle::withAlpha(palette().color(QPalette::Highlight), 12));
        painter.drawRoundedRect(QRectF(rect()), 7, 7);
    }
    QToolButton::paintEvent(event);
}

WorkspaceView::WorkspaceView(WorkspaceStore *workspace, Localization *localization, std::function<void()> showSettings,
                             QWidget *parent)
    : QWidget(parent), m_workspace(workspace), m_localization(localization), m_showSettings(std::move(showSettings))
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto *bar = new QWidget(this);
    bar->setFixedHeight(topBarHeight);
    auto *items = new QHBoxLayout(bar);
    items->setContentsMargins(12, 0, 12, 0);
    items->setSpacing(8);
    m_home = new HomeButton(bar);
    connect(m_home, &QToolButton::clicked, this, [this] {
        if (!m_workspace)
            return;
        m_workspace->setRoute(WorkspaceStore::Route::home);
        m_workspace->updateWindow();
    });
    items->addWidget(m_home);
    items->addWidget(shellstyle::verticalDivider(24, bar));
    m_strip = new TabStrip(workspace, localization, bar);
    items->addWidget(m_strip, 1);

    m_allTabs = new QToolButton(bar);
    m_allTabs->setAutoRaise(true);
    m_allTabs->setPopupMode(QToolButton::InstantPopup);
    m_allTabs->setStyleSheet(noMenuIndicator);
    m_allTabs->setIcon(artworkIcon(QStringLiteral("burger")));
    m_allTabs->setIconSize(QSize(20, 20));
    m_allTabs->setFixedWidth(28);
    m_allTabsMenu = new QMenu(m_allTabs);
    m_allTabs->setMenu(m_allTabsMenu);
    items->addWidget(m_allTabs);

    m_language = new QToolButton(bar);
    m_language->setAutoRaise(true);
    m_language->setPopupMode(QToolButton::InstantPopup);
    m_language->setStyleSheet(noMenuIndicator);
    QFont codeFont = font();
    codeFont.setPixelSize(13);
    codeFont.setWeight(QFont::DemiBold);
    m_language->setFont(codeFont);
    m_language->setMinimumSize(34, 28);
    m_language->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_languageMenu = new QMenu(m_language);
    m_languageMenu->setFont(font());
    m_languageGroup = new QActionGroup(m_languageMenu);
    m_languageGroup->setExclusive(true);
    for (AppLanguage language : allAppLanguages) {
        QAction *action = m_languageMenu->addAction(nativeName(language));
        action->setCheckable(true);
        m_languageGroup->addAction(action);
        // Only the user's choice writes the setting; showing the current one does not.
        connect(action, &QAction::triggered, this, [this, language] {
            if (m_localization)
                m_localization->select(language);
        });
        m_languageActions.append(action);
    }
    m_languageMenu->addSeparator();
    m_settingsAction = m_languageMenu->addAction(systemSymbol(QStringLiteral("gearshape")), QString());
    connect(m_settingsAction, &QAction::triggered, this, [this] {
        if (m_showSettings)
            m_showSettings();
    });
    m_language->setMenu(m_languageMenu);
    items->addWidget(m_language);
    root->addWidget(bar);
    root->addWidget(shellstyle::horizontalDivider(this));

    m_pages = new QStackedWidget(this);
    m_homeView = new HomeView(workspace, localization, m_pages);
    m_pages->addWidget(m_homeView);
    // Stands for the template catalog until it has a screen of its own.
    m_catalog = new QWidget(m_pages);
    auto *catalogLines = new QVBoxLayout(m_catalog);
    catalogLines->addStretch();
    catalogLines->addWidget(new WindowsArtwork(QStringLiteral("homeTemplates"), 112, m_catalog), 0, Qt::AlignHCenter);
    m_catalogTitle = shellstyle::label(FontStyle::title2, false, m_catalog);
    m_catalogTitle->setFont(shellstyle::font(FontStyle::title2, true));
    catalogLines->addWidget(m_catalogTitle, 0, Qt::AlignHCenter);
    catalogLines->addStretch();
    m_pages->addWidget(m_catalog);
    root->addWidget(m_pages, 1);

    if (m_workspace) {
        m_seenActiveID = m_workspace->activeID();
        connect(m_workspace, &WorkspaceStore::changed, this, &WorkspaceView::refresh);
        connect(m_workspace, &WorkspaceStore::activeIDChanged, this, &WorkspaceView::activeIDChanged);
        connect(m_workspace, &WorkspaceStore::draftChanged, this, [this] {
            // The draft changes inside the store's own handlers: present once they are done.
            if (m_presentPending)
                return;
            m_presentPending = true;
            QTimer::singleShot(0, this, [this] {
                m_presentPending = false;
                presentDraft();
            });
        });
    }
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &WorkspaceView::refresh);
    refresh();
    if (m_workspace && m_workspace->draft())
        QTimer::singleShot(0, this, &WorkspaceView::presentDraft);
}

namespace {
WorkspaceView::CatalogPageFactory &catalogPageFactory()
{
    static WorkspaceView::CatalogPageFactory factory;
    return factory;
}
} // namespace

void WorkspaceView::setCatalogPageFactory(CatalogPageFactory factory)
{
    catalogPageFactory() = std::move(factory);
}

QWidget *WorkspaceView::currentPage() const
{
    return m_pages->currentWidget();
}

void WorkspaceView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window this view lives in is known only now.
    if (m_localization)
        window()->setLocale(QLocale(rawValue(m_localization->language())));
}

void WorkspaceView::refresh()
{
    if (!m_workspace || !m_localization)
        return;
    const Localization &l10n = *m_localization;
    const QLocale locale(rawValue(l10n.language()));
    if (this->locale() != locale) {
        setLocale(locale);
        window()->setLocale(locale);
    }
    m_home->setText(l10n.text(QStringLiteral("mac.home")));
    m_home->setHighlighted(m_workspace->route() == WorkspaceStore::Route::home);
    m_strip->refresh();
    refreshMenus();
    m_catalogTitle->setText(l10n.text(QStringLiteral("mac.from_template")));
    showRoute();
    m_homeView->refresh();
}

void WorkspaceView::refreshMenus()
{
    const Localization &l10n = *m_localization;
    const QList<EditorStore *> &tabs = m_workspace->tabs();
    bool same = tabs.size() == m_tabActions.size();
    for (qsizetype i = 0; same && i < tabs.size(); ++i)
        same = tabs[i]->id() == m_tabActions[i].first;
    if (!same) {
        m_allTabsMenu->clear();
        m_tabActions.clear();
        for (EditorStore *tab : tabs) {
            const QUuid id = tab->id();
            QAction *action = m_allTabsMenu->addAction(QString());
            connect(action, &QAction::triggered, this, [this, id] {
                if (m_workspace)
                    m_workspace->activate(id);
            });
            m_tabActions.append({id, action});
        }
    }
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        // The name as it stands: "&" is a name's own letter, not a shortcut mark.
        QString title = tabs[i]->document().name;
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (m_tabActions[i].second->text() != title)
            m_tabActions[i].second->setText(title);
    }
    m_allTabs->setEnabled(!tabs.isEmpty());
    const QString allTabs = l10n.text(QStringLiteral("mac.all_tabs"));
    m_allTabs->setToolTip(allTabs);
    m_allTabs->setAccessibleName(allTabs);

    const AppLanguage current = l10n.language();
    m_language->setText(shortCode(current));
    m_language->setToolTip(l10n.text(QStringLiteral("mac.language")));
    m_language->setAccessibleName(l10n.text(QStringLiteral("mac.language")) + QStringLiteral(": ") +
                                  nativeName(current));
    for (size_t i = 0; i < allAppLanguages.size(); ++i)
        m_languageActions[static_cast<qsizetype>(i)]->setChecked(allAppLanguages[i] == current);
    m_settingsAction->setText(l10n.text(QStringLiteral("mac.settings")));
}

void WorkspaceView::showRoute()
{
    EditorStore *active = m_workspace->route() == WorkspaceStore::Route::catalog ? nullptr : m_workspace->active();
    QWidget *page = m_homeView;
    if (m_workspace->route() == WorkspaceStore::Route::catalog) {
        if (!m_catalogMade && catalogPageFactory()) {
            m_catalogMade = true;
            if (QWidget *screen = catalogPageFactory()(*m_workspace, m_localization, m_pages)) {
                m_pages->addWidget(screen);
                m_catalog = screen;
            }
        }
        page = m_catalog;
    } else if (active) {
        // A fresh editor for another tab, or when the editor is entered again: what the
        // view itself keeps (scroll position, hover) starts anew; the store keeps the rest.
        if (!m_editor || m_editorID != active->id() || m_pages->currentWidget() != m_editor) {
            if (m_editor) {
                m_pages->removeWidget(m_editor);
                m_editor->deleteLater();
            }
            QPointer<WorkspaceStore> workspace = m_workspace;
            m_editor = new ContentView(
                active, m_localization,
                [workspace] {
                    if (workspace)
                        workspace->newDocument();
                },
                [workspace] {
                    if (workspace)
                        workspace->openPanel();
                },
                [workspace] {
                    if (workspace)
                        workspace->editParameters();
                },
                m_pages);
            m_editorID = active->id();
            m_pages->addWidget(m_editor);
        }
        page = m_editor;
    }
    if (page != m_editor && m_editor) {
        // The click that left the editor may still be running inside it.
        m_pages->removeWidget(m_editor);
        m_editor->hide();
        m_editor->deleteLater();
        m_editor = nullptr;
        m_editorID.reset();
    }
    if (m_pages->currentWidget() == page)
        return;
    m_pages->setCurrentWidget(page);
    // An editor just shown takes the keys, so the next key acts on the document. Left to
    // Qt, focus would go from the page or tab that held it to the toolbar's first button
    // or the top bar's Home button, where Space creates or leaves. A refresh of the editor
    // already shown returns above and leaves focus where the user put it.
    if (page == m_editor)
        m_editor->canvasWorkspace()->canvas()->setFocus(Qt::OtherFocusReason);
}

void WorkspaceView::activeIDChanged()
{
    if (!m_workspace)
        return;
    const std::optional<QUuid> id = m_workspace->activeID();
    if (id == m_seenActiveID)
        return;
    m_seenActiveID = id;
    if (id)
        m_strip->reveal(*id);
}

void WorkspaceView::presentDraft()
{
    if (!m_workspace)
        return;
    TemplateDraft *draft = m_workspace->draft();
    if (m_sheet && (!draft || draft->id() != m_sheetDraftID)) {
        m_sheet->dismiss();
        m_sheet->deleteLater();
        m_sheet = nullptr;
    }
    if (!draft || m_sheet)
        return;
    const QUuid id = draft->id();
    QPointer<WorkspaceStore> workspace = m_workspace;
    m_sheet = new TemplateView(
        draft, m_localization,
        [workspace, id] {
            // Only this sheet's own draft is dropped, never one that came after it.
            if (workspace && workspace->draft() && workspace->draft()->id() == id)
                workspace->clearDraft();
        },
        [workspace] {
            if (workspace)
                workspace->commitDraft();
        },
        window());
    m_sheetDraftID = id;
    m_sheet->setWindowModality(Qt::WindowModal);
    m_sheet->open();
}

} // namespace kestrivane
