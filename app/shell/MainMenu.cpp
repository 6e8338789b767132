#include "app/shell/MainMenu.h"

#include "app/canvas/InlineTextEditor.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceStore.h"
#include "app/window/ContentView.h"
#include "core/l10n/Localization.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kestrivane {

namespace {

bool isResponderCommand(MenuCommand command)
{
    return command == MenuCommand::cut || command == MenuCommand::copy || command == MenuCommand::paste ||
           command == MenuCommand::selectAll;
}

template <typename Field> bool runOnText(Field *field, MenuCommand command)
{
    switch (command) {
    case MenuCommand::cut: field->cut(); break;
    case MenuCommand::copy: field->copy(); break;
    case MenuCommand::paste: field->paste(); break;
    default: field->selectAll(); break;
    }
    return true;
}

struct MenuItem {
    MenuCommand command;
    const char *key; // null: a separator
    const char *shortcut;
};

struct MenuTable {
    const char *title; // the first menu's is the product word itself
    QList<MenuItem> items;
};

const QList<MenuTable> &menuTable()
{
    // Explicit sequences: the platform's standard keys are empty for some of these here.
    static const QList<MenuTable> table = {
        {nullptr,
         {{MenuCommand::about, "mac.about", ""},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::settings, "mac.settings", "Ctrl+,"},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::quit, "mac.quit", "Ctrl+Q"}}},
        {"mac.file",
         {{MenuCommand::newDocument, "tmenu_create_tooltip", "Ctrl+N"},
          {MenuCommand::openDocument, "btn_open", "Ctrl+O"},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::saveDocument, "btn_save", "Ctrl+S"},
          {MenuCommand::saveAs, "tmenu_saveas_tooltip", "Ctrl+Shift+S"},
          {MenuCommand::exportPDF, "mac.export_pdf", "Ctrl+Shift+E"},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::printDocument, "tmenu_print", "Ctrl+P"},
          {MenuCommand::closeWindow, "mac.close", "Ctrl+W"},
          {MenuCommand::parameters, "mac.template_parameters", ""},
          {MenuCommand::importTable, "mac.data_title", ""}}},
        {"mac.edit",
         {{MenuCommand::undo, "tmenu_undo_tooltip", "Ctrl+Z"},
          {MenuCommand::redo, "tmenu_redo_tooltip", "Ctrl+Shift+Z"},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::cut, "mac.cut", "Ctrl+X"},
          {MenuCommand::copy, "mac.copy", "Ctrl+C"},
          {MenuCommand::paste, "mac.paste", "Ctrl+V"},
          {MenuCommand::selectAll, "mac.select_all", "Ctrl+A"},
          {MenuCommand::about, nullptr, ""},
          {MenuCommand::duplicate, "mac.duplicate", "Ctrl+D"},
          {MenuCommand::deleteSelected, "mac.delete", ""}}},
        {"mac.window",
         {{MenuCommand::minimize, "mac.minimize", "Ctrl+M"}, {MenuCommand::zoomWindow, "mac.zoom_window", ""}}},
        {"mac.help", {{MenuCommand::help, "mac.help", ""}}},
    };
    return table;
}

// A window title as shown: Qt's "[*]" edited mark removed, a doubled one kept as text.
QString shownTitle(const QWidget *window)
{
    QString title = window->windowTitle();
    title.replace(QStringLiteral("[*][*]"), QStringLiteral("\u0001"));
    title.remove(QStringLiteral("[*]"));
    title.replace(QChar(1), QStringLiteral("[*]"));
    return title;
}

} // namespace

bool menuCommandEnabled(MenuCommand command, const MenuState &state)
{
    if (state.draftPending)
        return false;
    switch (command) {
    case MenuCommand::undo: return state.hasActiveDocument && !state.undoEmpty;
    case MenuCommand::redo: return state.hasActiveDocument && !state.redoEmpty;
    case MenuCommand::deleteSelected:
    case MenuCommand::duplicate: return state.hasActiveDocument && state.hasSelection;
    case MenuCommand::printDocument: return state.hasActiveDocument && state.elementCount > 0;
    case MenuCommand::saveDocument:
    case MenuCommand::saveAs:
    case MenuCommand::exportPDF:
    case MenuCommand::parameters: return state.hasActiveDocument;
    case MenuCommand::importTable: return state.hasActiveDocument && state.hasImportSheet;
    default: return true;
    }
}

bool focusHandlesEditCommand(MenuCommand command, bool perform)
{
    if (!isResponderCommand(command))
        return false;
    // The in-place editor's view passes the keys to its field, which it may focus later
    // than the view gets the application's focus.
    if (!perform && qobject_cast<InlineEditorView *>(QApplication::focusWidget()))
        return true;
    QWidget *focus = InlineTextEditor::keyboardWidget(QApplication::focusWidget());
    if (!focus)
        return false;
    if (auto *field = qobject_cast<QLineEdit *>(focus))
        return !perform || runOnText(field, command);
    if (auto *field = qobject_cast<QTextEdit *>(focus))
        return !perform || runOnText(field, command);
    if (auto *field = qobject_cast<QPlainTextEdit *>(focus))
        return !perform || runOnText(field, command);
    if (auto *box = qobject_cast<QAbstractSpinBox *>(focus)) {
        if (command == MenuCommand::selectAll)
            return !perform || (box->selectAll(), true);
        auto *field = box->findChild<QLineEdit *>();
        return field && (!perform || runOnText(field, command));
    }
    if (auto *canvas = qobject_cast<LabelCanvas *>(focus))
        return !perform || runOnText(canvas, command);
    return false;
}

MainMenu::MainMenu(AppDelegate *delegate) : QObject(delegate), m_delegate(delegate)
{
    connect(qApp, &QApplication::focusChanged, this, [this] {
        for (MenuCommand command : {MenuCommand::cut, MenuCommand::copy, MenuCommand::paste, MenuCommand::selectAll})
            if (QAction *item = action(command))
                item->setEnabled(focusHandlesEditCommand(command, false));
    });
}

void MainMenu::followWorkspace()
{
    if (m_following)
        return;
    m_following = true;
    WorkspaceStore *workspace = m_delegate->workspace();
    // changed() follows every change of a tab as well as the workspace's own.
    connect(workspace, &WorkspaceStore::changed, this, &MainMenu::refreshEnabled);
    connect(workspace, &WorkspaceStore::draftChanged, this, &MainMenu::refreshEnabled);
    connect(workspace, &WorkspaceStore::routeChanged, this, &MainMenu::refreshEnabled);
}

void MainMenu::rebuild(QMenuBar *bar)
{
    followWorkspace();
    const Localization *l10n = m_delegate->localization();
    const auto text = [l10n](const char *key) {
        const QString name = QString::fromLatin1(key);
        return l10n ? l10n->text(name) : name;
    };
    if (m_bar && m_bar != bar)
        m_bar->clear();
    m_bar = bar;
    bar->clear();
    // The actions go with their menus.
    m_actions.clear();
    for (QMenu *menu : std::as_const(m_menus))
        menu->deleteLater();
    m_menus.clear();
    m_windowItems.clear();

    for (const MenuTable &table : menuTable()) {
        auto *menu = new QMenu(table.title ? text(table.title) : QStringLiteral("Kestrivane"), bar);
        for (const MenuItem &item : table.items) {
            if (!item.key) {
                menu->addSeparator();
                continue;
            }
            auto *entry = new QAction(text(item.key), menu);
            entry->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            // The menu is the application's: its keys also work from the settings window.
            entry->setShortcutContext(Qt::ApplicationShortcut);
            entry->setMenuRole(QAction::NoRole);
            const MenuCommand command = item.command;
            connect(entry, &QAction::triggered, this, [this, command] { perform(command); });
            menu->addAction(entry);
            m_actions.insert(command, entry);
        }
        connect(menu, &QMenu::aboutToShow, this, &MainMenu::refreshEnabled);
        if (table.title && QLatin1String(table.title) == QLatin1String("mac.window")) {
            m_windowMenu = menu;
            connect(menu, &QMenu::aboutToShow, this, &MainMenu::listWindows);
        }
        bar->addMenu(menu);
        m_menus.append(menu);
    }
    refreshEnabled();
}

MenuState MainMenu::state() const
{
    MenuState state;
    WorkspaceStore *workspace = m_delegate->workspace();
    state.draftPending = workspace->draft() != nullptr;
    state.hasImportSheet = ContentView::hasSheet(EditorSheet::data);
    if (const EditorStore *active = workspace->active()) {
        state.hasActiveDocument = true;
        state.undoEmpty = active->undoStack().isEmpty();
        state.redoEmpty = active->redoStack().isEmpty();
        state.hasSelection = active->selectedID().has_value();
        state.elementCount = active->document().elements.size();
    }
    return state;
}

void MainMenu::refreshEnabled()
{
    const MenuState current = state();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const bool enabled = isResponderCommand(it.key()) ? focusHandlesEditCommand(it.key(), false)
                                                          : menuCommandEnabled(it.key(), current);
        if (it.value()->isEnabled() != enabled)
            it.value()->setEnabled(enabled);
    }
}

void MainMenu::perform(MenuCommand command)
{
    if (isResponderCommand(command)) {
        focusHandlesEditCommand(command, true);
        return;
    }
    // Checked again at the moment of use: a key may arrive before a refresh.
    if (!menuCommandEnabled(command, state()))
        return;
    WorkspaceStore *workspace = m_delegate->workspace();
    EditorStore *active = workspace->active();
    QWidget *key = QApplication::activeWindow();
    switch (command) {
    case MenuCommand::about: m_delegate->about(); break;
    case MenuCommand::settings: m_delegate->settings(); break;
    case MenuCommand::help: m_delegate->help(); break;
    case MenuCommand::quit: m_delegate->quit(); break;
    case MenuCommand::newDocument: workspace->newDocument(); break;
    case MenuCommand::openDocument: workspace->openPanel(); break;
    case MenuCommand::parameters: workspace->editParameters(); break;
    case MenuCommand::closeWindow: closeWindow(); break;
    case MenuCommand::minimize:
        if (key)
            key->showMinimized();
        break;
    case MenuCommand::zoomWindow:
        if (key)
            key->isMaximized() ? key->showNormal() : key->showMaximized();
        break;
    default:
        if (!active)
            return;
        switch (command) {
        case MenuCommand::saveDocument: active->save(false); break;
        case MenuCommand::saveAs: active->save(true); break;
        case MenuCommand::exportPDF:
        case MenuCommand::printDocument:
            // The batch step reads its mode when it opens: the mode is written first.
            active->setBatchExport(command == MenuCommand::exportPDF);
            active->setShowsBatch(true);
            break;
        case MenuCommand::importTable: active->setShowsData(true); break;
        case MenuCommand::undo: active->undo(); break;
        case MenuCommand::redo: active->redo(); break;
        case MenuCommand::duplicate: active->insert(active->selection(), true); break;
        case MenuCommand::deleteSelected: active->deleteSelection(); break;
        default: break;
        }
    }
}

void MainMenu::closeWindow()
{
    WorkspaceStore *workspace = m_delegate->workspace();
    QWidget *main = m_delegate->window();
    QWidget *key = QApplication::activeWindow();
    // No key window counts as the main window.
    if ((!key || key == main) && workspace->active()) {
        workspace->close(workspace->active()->id());
        return;
    }
    if (QWidget *target = key ? key : main)
        target->close();
}

void MainMenu::listWindows()
{
    if (!m_windowMenu)
        return;
    for (QAction *item : std::as_const(m_windowItems)) {
        m_windowMenu->removeAction(item);
        item->deleteLater();
    }
    m_windowItems.clear();
    QList<QWidget *> windows;
    if (QWidget *main = m_delegate->window(); main && main->isVisible())
        windows.append(main);
    if (QWidget *settings = m_delegate->settingsWindow(); settings && settings->isVisible())
        windows.append(settings);
    if (windows.isEmpty())
        return;
    m_windowItems.append(m_windowMenu->addSeparator());
    for (QWidget *window : windows) {
        QString title = shownTitle(window);
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto *item = m_windowMenu->addAction(title);
        item->setCheckable(true);
        item->setChecked(window == QApplication::activeWindow());
        QPointer<QWidget> target = window;
        connect(item, &QAction::triggered, this, [target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            target->raise();
            target->activateWindow();
        });
        m_windowItems.append(item);
    }
}

} // namespace kestrivane
