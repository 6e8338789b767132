#pragma once

#include "app/common/CloseDecision.h"
#include "app/editor/EditorAlerts.h"
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "app/shell/TemplateDraft.h"
#include "core/l10n/Localization.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace kestrivane {

class EditorDialogs;
class TemplateCatalogStore;

// The state of the main window: the open documents as tabs (one EditorStore each, in the
// order they were opened), the active tab, the screen shown, the pending parameters
// draft, and the operations that open, add, activate and close tabs. It keeps the main
// window's title, file and edited mark in step with the active document.
//
// Every published field has its own signal, emitted after the change, and changed().
class WorkspaceStore final : public QObject {
    Q_OBJECT

public:
    enum class Route { home, editor, catalog };

    // The answer to the save prompt of one tab, and the save of one tab (true: written).
    using Decide = std::function<CloseDecision(EditorStore &)>;
    using Save = std::function<bool(EditorStore &)>;

    // `preferences` holds the grid step shared by every tab and must outlive the store.
    WorkspaceStore(Localization *localization, QSettings &preferences, QObject *parent = nullptr);
    ~WorkspaceStore() override;

    const QList<EditorStore *> &tabs() const { return m_tabs; }
    const std::optional<QUuid> &activeID() const { return m_activeID; }
    Route route() const { return m_route; }
    void setRoute(Route route);
    TemplateDraft *draft() const { return m_draft; }
    // Drops the pending draft (the parameters sheet was dismissed).
    void clearDraft();
    Localization *localization() const { return m_localization; }
    EditorGridPreferences *gridPreferences() const { return m_gridPreferences; }

    // The catalog store, made on first use by the catalog factory (null when none is set).
    // The catalog screens register the program's factory at start-up, so the shell needs
    // none of their headers; a test hands the workspace its own before first use. The store
    // made is a child of the workspace.
    using CatalogFactory = std::function<TemplateCatalogStore *(WorkspaceStore &workspace)>;
    static void setDefaultCatalogFactory(CatalogFactory factory);
    void setCatalogFactory(CatalogFactory factory) { m_catalogFactory = std::move(factory); }
    TemplateCatalogStore *catalog();
    QSettings &preferences() const { return m_preferences; }

    // The window whose title, file and edited mark follow the active document.
    QWidget *window() const { return m_window; }
    void setWindow(QWidget *window);

    // The modal windows of the workspace and of every tab it makes; tests install their
    // own. Absent: the application's message boxes and dialogs.
    const std::shared_ptr<EditorAlerts> &alerts() const { return m_alerts; }
    void setAlerts(std::shared_ptr<EditorAlerts> alerts);
    void setDialogs(std::shared_ptr<EditorDialogs> dialogs);

    // The active tab while the editor is shown; null on the home and catalog screens.
    EditorStore *active() const;
    EditorStore *tab(const QUuid &id) const;

    // Title, file and edited mark of the window.
    void updateWindow();
    // The window title of a document name: Qt reads "[*]" as the place of the edited
    // mark, so every literal "[*]" is doubled and the mark placed at the end.
    static QString titleOfName(const QString &name);

    // Opens each file in turn; each failure shows one alert and the rest still open.
    void openFiles(const QStringList &paths);
    // The open dialog, then openFiles with the chosen files.
    void openPanel();
    // Activates the tab that shows this file, or loads it into a new tab. Throws the
    // load error and changes nothing then.
    EditorStore *open(const QString &path);
    // A new tab, made active.
    EditorStore *add(const LabelDocument &document, const std::optional<QString> &url, bool isNew);
    // Shows the editor with that tab; an unknown id does nothing.
    void activate(const QUuid &id);

    // A draft of a new 60 × 40 mm document.
    void newDocument();
    // A draft of the active document's parameters; nothing without an active document.
    void editParameters();
    // A new tab from the draft, or its tab's document replaced as one undo step. Throws
    // the draft's error and keeps the draft then.
    void commitDraft();

    // Closes one tab after the save prompt; false when the user cancelled or the save
    // failed, and nothing changed then.
    bool close(const QUuid &id, const Decide &decide = {}, const Save &save = {});
    // Asks about every tab with changes, in tab order, and stops at a cancel or a failed
    // save. Removes nothing; what was saved on the way stays saved.
    bool confirmCloseAll(const Decide &decide = {}, const Save &save = {});

    // The error alert; a non-empty `subject` (what the user gave) is named under its text.
    void show(const std::exception &error, const QString &subject = QString());

Q_SIGNALS:
    void changed();
    void tabsChanged();
    void activeIDChanged();
    void routeChanged();
    void draftChanged();

private:
    void setDraft(TemplateDraft *draft);
    void setActiveID(const std::optional<QUuid> &id);
    void scheduleWindowUpdate();
    CloseDecision decision(EditorStore &tab, const Decide &decide) const;

    QList<EditorStore *> m_tabs;
    std::optional<QUuid> m_activeID;
    Route m_route = Route::home;
    TemplateDraft *m_draft = nullptr;
    QPointer<Localization> m_localization;
    EditorGridPreferences *m_gridPreferences;
    QPointer<QWidget> m_window;
    std::shared_ptr<EditorAlerts> m_alerts;
    std::shared_ptr<EditorDialogs> m_dialogs;
    bool m_windowUpdatePending = false;
    QSettings &m_preferences;
    CatalogFactory m_catalogFactory;
    TemplateCatalogStore *m_catalog = nullptr; // a child of this store
};

} // namespace kestrivane
