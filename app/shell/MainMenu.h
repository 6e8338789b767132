#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace kestrivane {

class AppDelegate;

// Every command of the main menu.
enum class MenuCommand {
    about,
    settings,
    quit,
    newDocument,
    openDocument,
    saveDocument,
    saveAs,
    exportPDF,
    printDocument,
    closeWindow,
    parameters,
    importTable,
    undo,
    redo,
    cut,
    copy,
    paste,
    selectAll,
    duplicate,
    deleteSelected,
    minimize,
    zoomWindow,
    help,
};

// What the enable rule of the menu reads.
struct MenuState {
    bool draftPending = false;
    bool hasActiveDocument = false;
    bool undoEmpty = true;
    bool redoEmpty = true;
    bool hasSelection = false;
    qsizetype elementCount = 0;
    // The table-import sheet is installed.
    bool hasImportSheet = false;
};

// Whether a command of the application (not cut, copy, paste or select all, which follow
// the focused widget) is enabled.
bool menuCommandEnabled(MenuCommand command, const MenuState &state);

// Cut, copy, paste and select all on the widget that holds the keyboard focus: text
// fields and spin boxes, the label canvas and its in-place text editor. False when no such
// widget has the focus.
bool focusHandlesEditCommand(MenuCommand command, bool perform);

// The main menu bar of the application: built whole from the texts of the interface
// language, every command routed to the application delegate, the workspace or the
// active document. The enabled state of every item follows the workspace as it changes,
// so that a key equivalent works the moment its command applies.
class MainMenu final : public QObject {
    Q_OBJECT

public:
    explicit MainMenu(AppDelegate *delegate);

    // Clears `bar` and builds the five menus in the current language.
    void rebuild(QMenuBar *bar);
    QAction *action(MenuCommand command) const { return m_actions.value(command); }
    const QList<QMenu *> &menus() const { return m_menus; }
    QMenu *windowMenu() const { return m_windowMenu; }

    MenuState state() const;
    // Sets every item's enabled state from the workspace and the focus.
    void refreshEnabled();
    // Runs a command when it applies now.
    void perform(MenuCommand command);

private:
    void closeWindow();
    void listWindows();
    void followWorkspace();

    AppDelegate *m_delegate;
    QPointer<QMenuBar> m_bar;
    QHash<MenuCommand, QAction *> m_actions;
    QList<QMenu *> m_menus;
    QMenu *m_windowMenu = nullptr;
    QList<QAction *> m_windowItems;
    bool m_following = false;
};

} // namespace kestrivane
