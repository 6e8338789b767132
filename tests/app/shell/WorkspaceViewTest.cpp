#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/core/model/ModelSamples.h"

#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/HomeView.h"
#include "app/shell/MainMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/TabStrip.h"
#include "app/shell/TemplateView.h"
#include "app/shell/WorkspaceView.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportView.h"
#include "app/window/ContentView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrivane;
using Route = WorkspaceStore::Route;

namespace {

constexpr qsizetype discardButton = 1;
constexpr qsizetype cancelButton = 2;

// The workspace view in a window of its own, shown offscreen.
struct Screen {
    Screen() : view(&env.workspace, &env.localization, [this] { ++settingsShown; })
    {
        env.workspace.setWindow(&view);
        view.resize(1000, 700);
        view.show();
    }

    EditorStore *open(const QString &name)
    {
        EditorStore *tab = workspace.open(env.write(name + QStringLiteral(".ksv"), name));
        settle();
        return tab;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    DocumentTab *tab(int index) const { return view.tabStrip()->tabs().at(index); }
    QString text(const char *key) const { return env.localization.text(QString::fromLatin1(key)); }

    shelltest::WorkspaceEnvironment env;
    WorkspaceStore &workspace = env.workspace;
    int settingsShown = 0;
    WorkspaceView view;
};

void rename(EditorStore &tab, const QString &name)
{
    tab.apply([&name](LabelDocument &document) { document.name = name; });
}

} // namespace

TEST(WorkspaceView, HighlightFollowsTheRoute)
{
    Screen screen;
    EXPECT_TRUE(screen.view.tabStrip()->tabs().isEmpty());
    EXPECT_FALSE(screen.view.allTabsButton()->isEnabled());
    EXPECT_EQ(screen.view.currentPage(), screen.view.homeView());

    screen.open(QStringLiteral("A"));
    screen.open(QStringLiteral("B"));
    EXPECT_TRUE(screen.view.allTabsButton()->isEnabled());
    const struct {
        Route route;
        bool home;
        QList<bool> tabs;
        QWidget *page;
    } cases[] = {
        {Route::editor, false, {false, true}, nullptr},
        {Route::home, true, {false, false}, screen.view.homeView()},
        {Route::catalog, false, {false, false}, screen.view.catalogPage()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.route));
        screen.workspace.setRoute(c.route);
        EXPECT_EQ(screen.view.homeButton()->highlighted(), c.home);
        EXPECT_EQ((QList<bool>{screen.tab(0)->highlighted(), screen.tab(1)->highlighted()}), c.tabs);
        EXPECT_EQ(screen.view.currentPage(), c.page ? c.page : screen.view.editorPage());
    }
    // Home leaves the active tab as it was.
    QTest::mouseClick(screen.view.homeButton(), Qt::LeftButton);
    EXPECT_EQ(screen.workspace.route(), Route::home);
    EXPECT_EQ(screen.workspace.activeID(), screen.workspace.tabs().at(1)->id());
}

TEST(WorkspaceView, TabsAndRowsFollowNamesAndUnsavedChanges)
{
    Screen screen;
    const QString longName = QStringLiteral("A very long document name that cannot fit into one tab at all");
    screen.workspace.add(LabelDocument(longName, 60, 40, {}), std::nullopt, true);
    Screen::settle();
    TabSelectButton *select = screen.tab(0)->selectButton();
    EXPECT_EQ(select->toolTip(), longName);
    const QString shown = select->shownName();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("A ")) && shown.contains(QChar(0x2026)) && shown.endsWith("all"))
        << shown.toStdString();
    ASSERT_EQ(screen.view.allTabsButton()->menu()->actions().size(), 1);
    EXPECT_EQ(screen.view.allTabsButton()->menu()->actions().first()->text(), longName);
    ASSERT_EQ(screen.view.homeView()->rows().size(), 1);

    // The tab's dot and the home row's state follow saves and edits, in the same widgets.
    screen.workspace.setRoute(Route::home);
    const auto state = [&] {
        QLabel *rowState = screen.view.homeView()->rows().first()->findChildren<QLabel *>().last();
        return std::pair(select->dirty(), rowState->text());
    };
    EXPECT_EQ(state(), std::pair(true, screen.text("mac.unsaved")));
    EditorStore *tab = screen.workspace.tabs().first();
    tab->saveTo(screen.env.dir.filePath(QStringLiteral("saved.ksv")));
    Screen::settle();
    EXPECT_EQ(state(), std::pair(false, screen.text("mac.saved")));
    rename(*tab, QStringLiteral("Short"));
    EXPECT_EQ(screen.tab(0)->selectButton(), select);
    EXPECT_EQ(state(), std::pair(true, screen.text("mac.unsaved")));
    EXPECT_EQ(select->shownName(), QStringLiteral("Short"));
    EXPECT_EQ(screen.tab(0)->closeButton()->accessibleName(), QStringLiteral("Close \u201cShort\u201d"));
    screen.env.localization.select(AppLanguage::german);
    EXPECT_EQ(screen.tab(0)->closeButton()->accessibleName(),
              screen.env.localization.format(QStringLiteral("mac.close_tab"), {QStringLiteral("Short")}));

    screen.env.dialogs->choiceAnswer = discardButton;
    screen.workspace.close(tab->id());
    Screen::settle();
    EXPECT_TRUE(screen.view.homeView()->rows().isEmpty());
    EXPECT_FALSE(screen.view.homeView()->openDocuments()->isVisibleTo(screen.view.homeView()));
}

TEST(WorkspaceView, ClosingADirtyTabFromItsButtonAsksFirst)
{
    Screen screen;
    EditorStore *a = screen.open(QStringLiteral("A"));
    EditorStore *b = screen.open(QStringLiteral("B"));
    rename(*b, QStringLiteral("B edited"));
    const auto closeSecond = [&screen](qsizetype answer) {
        screen.env.dialogs->choiceAnswer = answer;
        QTest::mouseClick(screen.tab(1)->closeButton(), Qt::LeftButton);
        Screen::settle();
        return screen.view.tabStrip()->tabs().size();
    };
    EXPECT_EQ(closeSecond(cancelButton), 2);
    EXPECT_EQ(screen.workspace.active(), b);
    EXPECT_EQ(closeSecond(discardButton), 1);
    EXPECT_EQ(screen.tab(0)->id(), a->id());
    EXPECT_EQ(screen.env.dialogs->choices, 2);
}

TEST(WorkspaceView, ActivatingAHiddenTabScrollsItIntoViewOnce)
{
    Screen screen;
    for (int i = 0; i < 12; ++i)
        screen.open(QStringLiteral("Doc %1").arg(i));
    QScrollBar *bar = screen.view.tabStrip()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()); // the newest tab was revealed

    screen.view.allTabsButton()->menu()->actions().first()->trigger();
    Screen::settle();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(screen.workspace.activeID(), screen.workspace.tabs().first()->id());

    // Home, then the same tab again from the home list: nothing to scroll.
    screen.workspace.setRoute(Route::home);
    bar->setValue(bar->maximum());
    Screen::settle();
    QTest::mouseClick(screen.view.homeView()->rows().first(), Qt::LeftButton);
    Screen::settle();
    EXPECT_EQ(screen.workspace.route(), Route::editor);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(WorkspaceView, AnEditorPageIsMadeForEachTabSwitchNotForEdits)
{
    Screen screen;
    EditorStore *a = screen.open(QStringLiteral("A"));
    QPointer<ContentView> pageA = screen.view.editorPage();
    ASSERT_TRUE(pageA && pageA->store() == a);
    rename(*a, QStringLiteral("A2"));
    EXPECT_EQ(screen.view.editorPage(), pageA);

    EditorStore *b = screen.open(QStringLiteral("B"));
    EXPECT_EQ(screen.view.editorPage()->store(), b);
    EXPECT_TRUE(pageA.isNull());

    // Leaving the editor and coming back to the same tab starts the page afresh.
    QPointer<ContentView> pageB = screen.view.editorPage();
    screen.workspace.setRoute(Route::home);
    EXPECT_EQ(screen.view.editorPage(), nullptr);
    screen.workspace.activate(b->id());
    EXPECT_NE(screen.view.editorPage(), nullptr);
    EXPECT_NE(screen.view.editorPage(), pageB);
}

TEST(WorkspaceView, BothLanguageControlsSwitchEveryText)
{
    Screen screen;
    screen.open(QStringLiteral("A"));
    screen.workspace.setRoute(Route::home);
    QToolButton *language = screen.view.languageButton();
    QComboBox *picker = screen.view.homeView()->languagePicker();
    const auto shows = [&](AppLanguage target, const char *code) {
        SCOPED_TRACE(code);
        const QString name = nativeName(target);
        EXPECT_EQ(screen.env.localization.language(), target);
        EXPECT_EQ(language->text(), QLatin1String(code));
        EXPECT_EQ(language->accessibleName(), screen.text("mac.language") + QStringLiteral(": ") + name);
        EXPECT_EQ(picker->currentText(), name);
        for (QAction *action : language->menu()->actions())
            EXPECT_EQ(action->isChecked(), action->text() == name) << action->text().toStdString();
        EXPECT_EQ(screen.view.homeButton()->text(), screen.text("mac.home"));
        EXPECT_EQ(screen.view.homeView()->tiles().first()->accessibleName(), screen.text("mac.create_label"));
    };
    shows(AppLanguage::english, "EN");
    language->menu()->actions().at(0)->trigger();
    shows(AppLanguage::russian, "RU");
    EXPECT_EQ(screen.view.locale(), QLocale(QStringLiteral("ru-RU")));

    picker->setCurrentIndex(2);
    EXPECT_EQ(screen.env.localization.language(), AppLanguage::russian); // only a user's choice writes
    Q_EMIT picker->activated(2);
    shows(AppLanguage::german, "DE");

    language->menu()->actions().last()->trigger();
    EXPECT_EQ(screen.settingsShown, 1);
}

TEST(WorkspaceView, TheCreateTilesSheetEndsItsDraft)
{
    Screen screen;
    // Escape cancels: no tab, no route change. Create makes a new unsaved active tab, and the sheet goes.
    for (const bool create : {false, true}) {
        SCOPED_TRACE(create);
        QTest::mouseClick(screen.view.homeView()->tiles().first(), Qt::LeftButton);
        Screen::settle();
        QPointer<TemplateView> sheet = screen.view.sheet();
        ASSERT_TRUE(sheet && sheet->isVisible());
        if (create)
            sheet->applyButton()->click();
        else
            QTest::keyClick(sheet, Qt::Key_Escape);
        Screen::settle();
        EXPECT_TRUE(sheet.isNull());
        EXPECT_EQ(screen.workspace.draft(), nullptr);
        EXPECT_EQ(screen.workspace.tabs().size(), create ? 1 : 0);
        EXPECT_EQ(screen.workspace.route(), create ? Route::editor : Route::home);
    }
    EXPECT_TRUE(screen.workspace.tabs().first()->dirty());
}

namespace {

// The program's main window with scripted dialogs, launched with `files` and active.
struct Program {
    explicit Program(const QStringList &names)
    {
        delegate.setTerminate([] {});
        workspace.setAlerts(env.alerts);
        workspace.setDialogs(env.dialogs);
        QStringList files;
        for (const QString &name : names)
            files.append(file(name));
        delegate.launch(files);
        view = delegate.window()->findChild<WorkspaceView *>();
        activate();
    }
    QString file(const QString &name) const { return env.write(name + QStringLiteral(".ksv")); }
    void route(Route route)
    {
        workspace.setRoute(route);
        Screen::settle();
    }
    // A desktop activates the window again once its sheet is gone; offscreen, the test does.
    void activate()
    {
        Screen::settle();
        delegate.window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(delegate.window()));
    }
    void ctrl(Qt::Key key)
    {
        QTest::keyClick(delegate.window(), key, Qt::ControlModifier);
        Screen::settle();
    }
    void click(QWidget *widget)
    {
        ASSERT_TRUE(widget);
        QTest::mouseClick(widget, Qt::LeftButton);
        Screen::settle();
    }
    void create() { click(view->sheet() ? view->sheet()->applyButton() : nullptr); }
    QWidget *firstTab() const { return view->tabStrip()->tabs().first()->selectButton(); }

    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate{&env.localization, &env.settings};
    WorkspaceStore &workspace = *delegate.workspace();
    WorkspaceView *view = nullptr;
};

} // namespace

// Whatever makes the editor the page shown gives its canvas the keys, so that Space acts on
// the document and not on the top bar's Home button or the toolbar's Create button. The
// refresh that follows every edit and language switch leaves focus in the inspector field
// that has it.
TEST(WorkspaceView, TheEditorShownTakesTheKeysARefreshLeavesThem)
{
    const struct {
        const char *way;
        QStringList open;                   // the files open before, or named at start-up
        std::function<void(Program &)> act; // null: the files were named at start-up
        const char *focused = nullptr;      // null: the canvas
    } cases[] = {
        {"a file named at start-up", {"A"}, nullptr},
        {"Ctrl+O", {}, [](Program &p) { p.env.dialogs->openAnswer = {p.file("B")}; p.ctrl(Qt::Key_O); }},
        {"Ctrl+N from an editor, Create", {"A"}, [](Program &p) { p.ctrl(Qt::Key_N); p.create(); }},
        {"Home, Create label, Create", {}, [](Program &p) { p.click(p.view->homeView()->tiles()[0]); p.create(); }},
        // What the catalog's Open does with the template's document, on the catalog screen.
        {"a template opened from the catalog", {}, [](Program &p) {
             p.route(Route::catalog);
             p.workspace.add(LabelDocument(QStringLiteral("T"), 60, 40, {}), std::nullopt, true);
         }},
        {"a tab in the top bar", {"A", "B"}, [](Program &p) { p.click(p.firstTab()); }},
        {"the menu of all tabs", {"A", "B"},
         [](Program &p) { p.view->allTabsButton()->menu()->actions()[0]->trigger(); }},
        {"closing the active tab", {"A", "B"}, [](Program &p) { p.ctrl(Qt::Key_W); }},
        {"Home, then a document's row", {"A"},
         [](Program &p) { p.route(Route::home); p.click(p.view->homeView()->rows()[0]); }},
        {"the catalog, then a tab", {"A"}, [](Program &p) { p.route(Route::catalog); p.click(p.firstTab()); }},
        {"an edit and a language switch", {"A"}, [](Program &p) {
             p.workspace.active()->add(ElementKind::text);
             Screen::settle();
             p.click(p.delegate.window()->findChild<QWidget *>(QStringLiteral("mac.x")));
             rename(*p.workspace.active(), QStringLiteral("A2"));
             p.env.localization.select(AppLanguage::german);
         }, "mac.x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.way);
        Program p(c.act ? QStringList{} : c.open);
        if (c.act) {
            for (const QString &name : c.open)
                p.workspace.open(p.file(name));
            Screen::settle();
            c.act(p);
        }
        p.activate();
        ASSERT_EQ(p.workspace.route(), Route::editor);
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && p.view->editorPage());
        if (c.focused)
            EXPECT_EQ(focus->objectName(), QString::fromLatin1(c.focused));
        else
            EXPECT_EQ(focus, p.view->editorPage()->canvasWorkspace()->canvas());
        const std::optional<QUuid> active = p.workspace.activeID();
        QTest::keyClick(focus, Qt::Key_Space);
        Screen::settle();
        EXPECT_EQ(p.workspace.route(), Route::editor);
        EXPECT_EQ(p.workspace.activeID(), active);
        EXPECT_FALSE(p.workspace.draft());
    }
}

// Tab passes only stops that show they have the keys, on Home and in the editor: no scroll
// area that merely holds controls, not the tab strip; a document tab draws its focus, and
// the canvas stays a stop.
TEST(WorkspaceView, EveryTabStopShowsItsFocus)
{
    for (const Route route : {Route::home, Route::editor}) {
        SCOPED_TRACE(int(route));
        Program p({"A"});
        p.route(route);
        p.activate();
        QWidget *select = p.firstTab();
        select->setFocus(Qt::TabFocusReason);
        const QList<QWidget *> stops = shelltest::walkTabStops();
        EXPECT_TRUE(stops.contains(select));
        if (route == Route::editor) {
            ASSERT_TRUE(p.view->editorPage());
            EXPECT_TRUE(stops.contains(p.view->editorPage()->canvasWorkspace()->canvas()));
            // Tab came round to the tab: for a person to look at.
            p.delegate.window()->grab().save(testsupport::outputPath(QStringLiteral("tab-focused.png")));
        }
        EXPECT_TRUE(shelltest::drawsItsFocus(select, select->parentWidget()));
    }
}

// Each sheet, however it is opened, has the keys on its first control; a text field takes
// what is typed at once in place of its text. Tab then passes visible controls only, never
// the area that scrolls a form.
TEST(WorkspaceView, SheetsOpenOnTheirFirstControl)
{
    const auto command = [](MenuCommand c) { return [c](Program &p) { p.delegate.menu()->action(c)->trigger(); }; };
    const auto parameters = [](QDialog *sheet) { return qobject_cast<TemplateView *>(sheet)->nameField(); };
    const struct {
        const char *way;
        QStringList open;
        std::function<void(Program &)> act;
        std::function<QWidget *(QDialog *)> first;
    } cases[] = {
        {"Home, Create label", {}, [](Program &p) { p.click(p.view->homeView()->tiles().first()); }, parameters},
        {"Ctrl+N", {"A"}, [](Program &p) { p.ctrl(Qt::Key_N); }, parameters},
        {"label parameters", {"A"}, command(MenuCommand::parameters), parameters},
        {"import data",
         {"A"},
         command(MenuCommand::importTable),
         [](QDialog *sheet) { return qobject_cast<TableImportView *>(sheet)->chooseButton(); }},
        {"export PDF with a table",
         {"A"},
         [&](Program &p) {
             p.workspace.active()->apply([](LabelDocument &document) { document.table = modelsamples::table(1, 1); });
             command(MenuCommand::exportPDF)(p);
         },
         [](QDialog *sheet) { return qobject_cast<BatchView *>(sheet)->rowsField(); }},
        {"print",
         {"A"},
         [&](Program &p) {
             p.workspace.active()->add(ElementKind::text);
             Screen::settle();
             command(MenuCommand::printDocument)(p);
         },
         [](QDialog *sheet) { return qobject_cast<BatchView *>(sheet)->copiesField(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.way);
        Program p(QStringList{});
        for (const QString &name : c.open)
            p.workspace.open(p.file(name));
        Screen::settle();
        c.act(p);
        QDialog *sheet = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet = qobject_cast<QDialog *>(QApplication::activeWindow()); }));
        QWidget *first = c.first(sheet);
        ASSERT_TRUE(first);
        EXPECT_EQ(QApplication::focusWidget(), first);
        sheet->grab().save(testsupport::outputPath(QStringLiteral("sheet-opened-%1.png").arg(&c - cases)));
        if (auto *field = qobject_cast<QLineEdit *>(first)) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7"));
            EXPECT_EQ(field->text(), QStringLiteral("7"));
        }
        for (int stops = 0; stops < 40 && (!stops || QApplication::focusWidget() != first); ++stops) {
            QWidget *focus = QApplication::focusWidget();
            ASSERT_TRUE(focus);
            SCOPED_TRACE(focus->metaObject()->className());
            EXPECT_TRUE(focus->isVisible() && focus->window() == sheet);
            EXPECT_FALSE(qobject_cast<QScrollArea *>(focus));
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        EXPECT_EQ(QApplication::focusWidget(), first) << "Tab comes round";
        QTest::keyClick(sheet, Qt::Key_Escape);
        Screen::settle();
    }
}
