#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace kestrivane {

class Localization;
class WorkspaceStore;

// The root of the main window: hosts the workspace's screens.
class ApplicationView final : public QWidget {
    Q_OBJECT

public:
    // `settings` opens the settings window.
    ApplicationView(WorkspaceStore *workspace, Localization *localization, std::function<void()> settings,
                    QWidget *parent = nullptr);

    WorkspaceStore *workspace() const { return m_workspace; }
    Localization *localization() const { return m_localization; }
    const std::function<void()> &settings() const { return m_settings; }

private:
    QPointer<WorkspaceStore> m_workspace;
    QPointer<Localization> m_localization;
    std::function<void()> m_settings;
};

} // namespace kestrivane
