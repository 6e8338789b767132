#include "tests/app/shell/ShellTestSupport.h"

#include "app/editor/ContentView.h"
#include "app/shell/HomeView.h"
#include "app/shell/TabStrip.h"
#include "app/shell/TemplateDraft.h"
#include "app/shell/TemplateView.h"
#include "app/shell/WorkspaceView.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

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
        EditorStore *tab = env.workspace.open(env.write(name + QStringLiteral(".ksv"), name));
        settle();
        return tab;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    DocumentTab *tab(int index) const { return view.tabStrip()->tabs().at(index); }
    QList<bool> highlights() const
    {
        QList<bool> result;
        for (DocumentTab *tab : view.tabStrip()->tabs())
            result.append(tab->highlighted());
        return result;
    }

    shelltest::WorkspaceEnvironment env;
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
    EXPECT_TRUE(screen.view.homeView()->rows().isEmpty());

    screen.open(QStringLiteral("A"));
    screen.open(QStringLiteral("B"));
    EXPECT_TRUE(screen.view.allTabsButton()->isEnabled());
    struct Case {
        Route route;
        bool home;
        QList<bool> tabs;
        QWidget *page;
    };
    const QList<Case> cases = {
        {Route::editor, false, {false, true}, nullptr},
        {Route::home, true, {false, false}, screen.view.homeView()},
        {Route::catalog, false, {false, false}, screen.view.catalogPage()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.route));
        screen.env.workspace.setRoute(c.route);
        EXPECT_EQ(screen.view.homeButton()->highlighted(), c.home);
        EXPECT_EQ(screen.highlights(), c.tabs);
        EXPECT_EQ(screen.view.currentPage(), c.page ? c.page : screen.view.editorPage());
    }
    // Home leaves the active tab as it was.
    QTest::mouseClick(screen.view.homeButton(), Qt::LeftButton);
    EXPECT_EQ(screen.env.workspace.route(), Route::home);
    EXPECT_EQ(screen.env.workspace.activeID(), screen.env.workspace.tabs().at(1)->id());
}

TEST(WorkspaceView, TabsAndRowsFollowNamesAndUnsavedChanges)
{
    Screen screen;
    const QString longName = QStringLiteral("A very long document name that cannot fit into one tab at all");
    screen.env.workspace.add(LabelDocument(longName, 60, 40, {}), std::nullopt, true);
    Screen::settle();
    TabSelectButton *select = screen.tab(0)->selectButton();
    EXPECT_TRUE(select->dirty());
    EXPECT_EQ(select->toolTip(), longName);
    EXPECT_TRUE(select->shownName().contains(QChar(0x2026)));
    EXPECT_TRUE(select->shownName().startsWith(QStringLiteral("A ")));
    EXPECT_TRUE(select->shownName().endsWith(QStringLiteral("all")));
    ASSERT_EQ(screen.view.allTabsButton()->menu()->actions().size(), 1);
    EXPECT_EQ(screen.view.allTabsButton()->menu()->actions().first()->text(), longName);
    ASSERT_EQ(screen.view.homeView()->rows().size(), 1);

    screen.env.workspace.setRoute(Route::home);
    const auto rowState = [&] {
        return screen.view.homeView()->rows().first()->findChildren<QLabel *>().last()->text();
    };
    EXPECT_EQ(rowState(), screen.env.localization.text(QStringLiteral("mac.unsaved")));
    EditorStore *tab = screen.env.workspace.tabs().first();
    tab->saveTo(screen.env.dir.filePath(QStringLiteral("saved.ksv")));
    Screen::settle();
    EXPECT_FALSE(select->dirty());
    EXPECT_EQ(rowState(), screen.env.localization.text(QStringLiteral("mac.saved")));
    // An edit updates the same widgets in place.
    rename(*tab, QStringLiteral("Short"));
    EXPECT_EQ(screen.tab(0)->selectButton(), select);
    EXPECT_TRUE(select->dirty());
    EXPECT_EQ(select->shownName(), QStringLiteral("Short"));
    EXPECT_EQ(rowState(), screen.env.localization.text(QStringLiteral("mac.unsaved")));
    EXPECT_EQ(screen.tab(0)->closeButton()->accessibleName(), QStringLiteral("Close \u201cShort\u201d"));
    screen.env.localization.select(AppLanguage::german);
    EXPECT_EQ(screen.tab(0)->closeButton()->accessibleName(),
              screen.env.localization.format(QStringLiteral("mac.close_tab"), {QStringLiteral("Short")}));
    EXPECT_NE(screen.tab(0)->closeButton()->accessibleName(), QStringLiteral("Close \u201cShort\u201d"));

    screen.env.dialogs->choiceAnswer = discardButton;
    screen.env.workspace.close(tab->id());
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
    screen.env.dialogs->choiceAnswer = cancelButton;
    QTest::mouseClick(screen.tab(1)->closeButton(), Qt::LeftButton);
    Screen::settle();
    EXPECT_EQ(screen.env.dialogs->choices, 1);
    ASSERT_EQ(screen.view.tabStrip()->tabs().size(), 2);
    EXPECT_EQ(screen.env.workspace.active(), b);

    screen.env.dialogs->choiceAnswer = discardButton;
    QTest::mouseClick(screen.tab(1)->closeButton(), Qt::LeftButton);
    Screen::settle();
    ASSERT_EQ(screen.view.tabStrip()->tabs().size(), 1);
    EXPECT_EQ(screen.tab(0)->id(), a->id());
}

TEST(WorkspaceView, ActivatingAHiddenTabScrollsItIntoViewOnce)
{
    Screen screen;
    for (int i = 0; i < 12; ++i)
        screen.open(QStringLiteral("Doc %1").arg(i));
    QScrollBar *bar = screen.view.tabStrip()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()); // the newest tab was revealed

    QAction *first = screen.view.allTabsButton()->menu()->actions().first();
    first->trigger();
    Screen::settle();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(screen.env.workspace.activeID(), screen.env.workspace.tabs().first()->id());

    // Home, then the same tab again from the home list: nothing to scroll.
    screen.env.workspace.setRoute(Route::home);
    bar->setValue(bar->maximum());
    Screen::settle();
    QTest::mouseClick(screen.view.homeView()->rows().first(), Qt::LeftButton);
    Screen::settle();
    EXPECT_EQ(screen.env.workspace.route(), Route::editor);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(WorkspaceView, AnEditorPageIsMadeForEachTabSwitchNotForEdits)
{
    Screen screen;
    EditorStore *a = screen.open(QStringLiteral("A"));
    ContentView *pageA = screen.view.editorPage();
    ASSERT_NE(pageA, nullptr);
    EXPECT_EQ(pageA->store(), a);
    rename(*a, QStringLiteral("A2"));
    EXPECT_EQ(screen.view.editorPage(), pageA);

    EditorStore *b = screen.open(QStringLiteral("B"));
    EXPECT_EQ(screen.view.editorPage()->store(), b);
    QPointer<ContentView> oldPage = pageA;
    Screen::settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(oldPage.isNull());

    // Leaving the editor and coming back to the same tab starts the page afresh.
    ContentView *pageB = screen.view.editorPage();
    screen.env.workspace.setRoute(Route::home);
    EXPECT_EQ(screen.view.editorPage(), nullptr);
    screen.env.workspace.activate(b->id());
    EXPECT_NE(screen.view.editorPage(), nullptr);
    EXPECT_NE(screen.view.editorPage(), pageB);
}

TEST(WorkspaceView, BothLanguageControlsSwitchEveryText)
{
    Screen screen;
    screen.open(QStringLiteral("A"));
    screen.env.workspace.setRoute(Route::home);
    QToolButton *language = screen.view.languageButton();
    QMenu *menu = language->menu();
    const auto checked = [menu] {
        for (QAction *action : menu->actions()) {
            if (action->isChecked())
                return action->text();
        }
        return QString();
    };
    EXPECT_EQ(language->text(), QStringLiteral("EN"));
    EXPECT_EQ(checked(), nativeName(AppLanguage::english));

    menu->actions().at(0)->trigger(); // Russian
    EXPECT_EQ(screen.env.localization.language(), AppLanguage::russian);
    EXPECT_EQ(language->text(), QStringLiteral("RU"));
    EXPECT_EQ(checked(), nativeName(AppLanguage::russian));
    EXPECT_EQ(screen.view.homeButton()->text(), screen.env.localization.text(QStringLiteral("mac.home")));
    EXPECT_EQ(screen.view.homeView()->languagePicker()->currentIndex(), 0);
    EXPECT_EQ(screen.view.locale(), QLocale(QStringLiteral("ru-RU")));

    QComboBox *picker = screen.view.homeView()->languagePicker();
    picker->setCurrentIndex(2);
    EXPECT_EQ(screen.env.localization.language(), AppLanguage::russian); // only a user's choice writes
    Q_EMIT picker->activated(2);
    EXPECT_EQ(screen.env.localization.language(), AppLanguage::german);
    EXPECT_EQ(language->text(), QStringLiteral("DE"));
    EXPECT_EQ(checked(), nativeName(AppLanguage::german));
    EXPECT_EQ(screen.view.homeView()->tiles().first()->accessibleName(),
              screen.env.localization.text(QStringLiteral("mac.create_label")));
    EXPECT_EQ(language->accessibleName(),
              screen.env.localization.text(QStringLiteral("mac.language")) + QStringLiteral(": Deutsch"));

    menu->actions().last()->trigger();
    EXPECT_EQ(screen.settingsShown, 1);
}

TEST(WorkspaceView, TilesStartWorkAndTheSheetEndsItsDraft)
{
    Screen screen;
    const QList<CardButton *> &tiles = screen.view.homeView()->tiles();
    ASSERT_EQ(tiles.size(), 3);
    QTest::mouseClick(tiles[1], Qt::LeftButton);
    EXPECT_EQ(screen.env.dialogs->openRequests.size(), 1);
    QTest::mouseClick(tiles[2], Qt::LeftButton);
    EXPECT_EQ(screen.env.workspace.route(), Route::catalog);
    EXPECT_EQ(screen.view.currentPage(), screen.view.catalogPage());
    screen.env.workspace.setRoute(Route::home);

    // Cancel: no tab, no route change.
    QTest::mouseClick(tiles[0], Qt::LeftButton);
    ASSERT_NE(screen.env.workspace.draft(), nullptr);
    Screen::settle();
    QPointer<TemplateView> sheet = screen.view.sheet();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet->isVisible());
    QTest::keyClick(sheet, Qt::Key_Escape);
    Screen::settle();
    EXPECT_EQ(screen.env.workspace.draft(), nullptr);
    EXPECT_TRUE(screen.env.workspace.tabs().isEmpty());
    EXPECT_EQ(screen.env.workspace.route(), Route::home);

    // Create: a new unsaved active tab, and the sheet goes.
    QTest::mouseClick(tiles[0], Qt::LeftButton);
    Screen::settle();
    sheet = screen.view.sheet();
    ASSERT_FALSE(sheet.isNull());
    sheet->applyButton()->click();
    Screen::settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
    ASSERT_EQ(screen.env.workspace.tabs().size(), 1);
    EXPECT_TRUE(screen.env.workspace.tabs().first()->dirty());
    EXPECT_EQ(screen.env.workspace.route(), Route::editor);
}
