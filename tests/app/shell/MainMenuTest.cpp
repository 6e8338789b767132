#include "tests/app/shell/ShellTestSupport.h"

#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/InlineTextEditor.h"
#include "app/canvas/LabelCanvas.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceView.h"
#include "app/window/ContentView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

using C = MenuCommand;

// The delegate with its main window on screen and a document open in the editor.
class MainMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delegate.setTerminate([this] { ++terminations; });
        delegate.workspace()->setAlerts(env.alerts);
        delegate.workspace()->setDialogs(env.dialogs);
        delegate.launch();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }

    MainWindow *window() const { return delegate.window(); }
    MainMenu &menu() const { return *delegate.menu(); }
    WorkspaceStore &workspace() { return *delegate.workspace(); }
    EditorStore *add(const QString &name = QStringLiteral("Doc"))
    {
        EditorStore *store = workspace().add(LabelDocument(name, 60, 40, {}), std::nullopt, true);
        QApplication::processEvents();
        return store;
    }
    void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(target, key, modifiers);
        QApplication::processEvents();
    }
    // Titles (or only the shortcuts) of every item, menu by menu.
    QStringList layout(bool titles = true) const
    {
        QStringList result;
        for (QMenu *submenu : menu().menus()) {
            QString line = (titles ? submenu->title() : QString()) + QLatin1Char(':');
            for (QAction *item : submenu->actions())
                line += item->isSeparator() ? QStringLiteral(" |")
                                            : QStringLiteral(" %1[%2]").arg(titles ? item->text() : QString(),
                                                                            item->shortcut().toString());
            result.append(line);
        }
        return result;
    }

    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate{&env.localization, &env.settings};
    int terminations = 0;
};

} // namespace

TEST(MenuRule, EachCommandIsEnabledExactlyWhenItApplies)
{
    // Home or catalog (no active document), an empty document, one with an element selected
    // and a history, the same with the parameters sheet open.
    const MenuState home{};
    const MenuState empty{false, true, true, true, false, 0, false};
    const MenuState edited{false, true, false, false, true, 2, true};
    MenuState draft = edited;
    draft.draftPending = true;
    const struct {
        bool home, empty, edited;
        QList<C> commands;
    } groups[] = {
        {false, true, true, {C::saveDocument, C::saveAs, C::exportPDF, C::parameters}},
        {false, false, true, {C::printDocument, C::undo, C::redo, C::duplicate, C::deleteSelected, C::importTable}},
        {true, true, true, {C::newDocument, C::openDocument, C::closeWindow, C::quit, C::settings, C::minimize}},
    };
    for (const auto &group : groups) {
        for (C command : group.commands) {
            SCOPED_TRACE(static_cast<int>(command));
            EXPECT_EQ(menuCommandEnabled(command, home), group.home);
            EXPECT_EQ(menuCommandEnabled(command, empty), group.empty);
            EXPECT_EQ(menuCommandEnabled(command, edited), group.edited);
            EXPECT_FALSE(menuCommandEnabled(command, draft));
        }
    }
    // Stacks without a document count for nothing.
    EXPECT_FALSE(menuCommandEnabled(C::undo, MenuState{false, false, false, false, true, 3, true}));
}

TEST_F(MainMenuTest, MenusAreBuiltInTheLanguageAndKeepTheirShortcuts)
{
    const QStringList english = {
        "Kestrivane: About Kestrivane[] | Settings[Ctrl+,] | Quit Kestrivane[Ctrl+Q]",
        "File: Create[Ctrl+N] Open[Ctrl+O] | Save[Ctrl+S] Save As…[Ctrl+Shift+S] Export[Ctrl+Shift+E] | Print[Ctrl+P] "
        "Close[Ctrl+W] Label parameters[] Import Data[]",
        "Edit: Undo[Ctrl+Z] Redo[Ctrl+Shift+Z] | Cut[Ctrl+X] Copy[Ctrl+C] Paste[Ctrl+V] Select All[Ctrl+A] | "
        "Duplicate[Ctrl+D] Delete[]",
        "Window: Minimize[Ctrl+M] Zoom[]", "Kestrivane Help: Kestrivane Help[]"};
    EXPECT_EQ(layout().join(QLatin1Char('\n')).toStdString(), english.join(QLatin1Char('\n')).toStdString());
    const QStringList shortcuts = layout(false);

    env.localization.select(AppLanguage::german);
    QApplication::processEvents();
    const QStringList german = layout();
    EXPECT_TRUE(german[1].startsWith(QStringLiteral("Datei: ")));
    EXPECT_TRUE(german[2].contains(QStringLiteral("Rückgängig[Ctrl+Z]")));
    EXPECT_EQ(layout(false), shortcuts);
}

TEST_F(MainMenuTest, KeysWorkTheMomentTheirCommandApplies)
{
    EditorStore *store = add();
    EXPECT_FALSE(menu().action(C::printDocument)->isEnabled());
    store->add(ElementKind::text);
    // Ctrl+P right after the first element, without a menu ever opened.
    press(window(), Qt::Key_P);
    // The batch sheet opens in print mode; closing it gives the keys back to the window.
    EXPECT_TRUE(store->showsBatch());
    EXPECT_FALSE(store->batchExport());
    store->setShowsBatch(false);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window()->activateWindow();
    QApplication::processEvents();
    press(window(), Qt::Key_Z);
    EXPECT_TRUE(store->document().elements.isEmpty());
    press(window(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(store->document().elements.size(), 1);

    workspace().setRoute(WorkspaceStore::Route::home);
    EXPECT_FALSE(menu().action(C::saveDocument)->isEnabled());
    press(window(), Qt::Key_Z);
    EXPECT_EQ(store->document().elements.size(), 1);

    workspace().activate(store->id());
    workspace().editParameters();
    for (C command : {C::quit, C::closeWindow, C::settings, C::newDocument})
        EXPECT_FALSE(menu().action(command)->isEnabled()) << static_cast<int>(command);
    workspace().clearDraft();
    EXPECT_TRUE(menu().action(C::quit)->isEnabled());
}

TEST_F(MainMenuTest, CloseTakesTheActiveTabOnTheEditorAndTheWindowElsewhere)
{
    add(QStringLiteral("First"));
    EditorStore *second = add(QStringLiteral("Second"));
    env.dialogs->choiceAnswer = 1; // don't save
    press(window(), Qt::Key_W);
    EXPECT_EQ(env.dialogs->choices, 1);
    ASSERT_EQ(workspace().tabs().size(), 1);
    EXPECT_NE(workspace().tabs().first(), second);
    EXPECT_TRUE(window()->isVisible());

    delegate.settings();
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate.settingsWindow()));
    press(delegate.settingsWindow(), Qt::Key_W);
    EXPECT_FALSE(delegate.settingsWindow()->isVisible());
    EXPECT_EQ(workspace().tabs().size(), 1);

    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    workspace().setRoute(WorkspaceStore::Route::home);
    press(window(), Qt::Key_W);
    EXPECT_EQ(env.dialogs->choices, 2);
    EXPECT_FALSE(window()->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(terminations, 1);
}

TEST_F(MainMenuTest, EditCommandsReachTheFocusedField)
{
    EditorStore *store = add();
    store->add(ElementKind::text);
    QLineEdit field(window());
    field.setText(QStringLiteral("copied"));
    field.show();
    field.setFocus();
    field.selectAll();
    ASSERT_TRUE(menu().action(C::copy)->isEnabled());
    menu().action(C::copy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("copied"));
    field.clear();
    menu().action(C::paste)->trigger();
    EXPECT_EQ(field.text(), QStringLiteral("copied"));

    auto *content = qobject_cast<ContentView *>(window()->findChild<WorkspaceView *>()->editorPage());
    ASSERT_NE(content, nullptr);
    LabelCanvas *canvas = content->canvasWorkspace()->canvas();
    canvas->setFocus();
    store->selectAll();
    menu().action(C::copy)->trigger();
    EXPECT_EQ(env.dialogs->clipboardWrites, 1);
    menu().action(C::paste)->trigger();
    EXPECT_EQ(store->document().elements.size(), 2);

    canvas->inlineEditor()->begin(store->document().elements.first());
    ASSERT_TRUE(canvas->inlineEditor()->isOpen());
    canvas->inlineEditor()->view()->setFocus();
    menu().action(C::selectAll)->trigger();
    menu().action(C::copy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "Kestrivane");
    EXPECT_EQ(env.dialogs->clipboardWrites, 1);
    canvas->inlineEditor()->finish(false, false);
}

TEST_F(MainMenuTest, TheWindowMenuListsTheOpenWindows)
{
    add(QStringLiteral("Salt & Pepper [*]"));
    delegate.settings();
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate.settingsWindow()));
    QMenu *windows = menu().windowMenu();
    Q_EMIT windows->aboutToShow();
    Q_EMIT windows->aboutToShow(); // rebuilt, not appended to
    QStringList items;
    for (QAction *item : windows->actions())
        items.append(item->isSeparator() ? QStringLiteral("|")
                                         : item->text() + (item->isChecked() ? QStringLiteral("*") : QString()));
    EXPECT_EQ(items.join(QLatin1Char(' ')).toStdString(), "Minimize Zoom | Salt && Pepper [*] Settings*");
    windows->actions().at(3)->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
}
