#include "tests/app/library/LibraryPanelSupport.h"
#include "tests/common/TestSupport.h"

#include "app/library/GraphicLibraryGrid.h"
#include "app/window/ContentView.h"
#include "app/window/EditorSidebar.h"
#include "app/window/LibrarySheet.h"

#include <QApplication>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace kestrivane;
using librarytest::Panel;

namespace {

QStringList idsOf(const QList<GraphicSign> &signs)
{
    QStringList ids;
    for (const GraphicSign &sign : signs)
        ids.append(sign.id);
    return ids;
}

// Holds every worker of the global pool, so that work started meanwhile waits. Nothing may
// be drawn while it holds them: drawing uses them too.
class PoolGate {
public:
    PoolGate() : m_workers(QThreadPool::globalInstance()->maxThreadCount())
    {
        for (int i = 0; i < m_workers; ++i)
            QThreadPool::globalInstance()->start([this] { m_gate.acquire(); });
    }
    ~PoolGate() { m_gate.release(m_workers); }

private:
    QSemaphore m_gate;
    int m_workers;
};

const QString imageError = QStringLiteral("The image is damaged or not supported.");

} // namespace

TEST(GraphicLibraryView, FiltersSignsAndKeepsTheSelectionWhileHidden)
{
    struct Case {
        const char *language;
        const char *category;
        const char *query;
        QStringList ids;
    };
    const QStringList all = {"sign_01", "sign_02", "sign_03", "sign_04", "sign_05", "sign_06", "sign_07"};
    const Case cases[] = {
        {"en-US", "", "", all},
        {"en-US", "", "WARN", {"sign_04"}},
        // Only the title is searched: not the id, the category key or its text.
        {"en-US", "", "sign_0", {}},
        {"en-US", "", "Food", {}},
        // Used as typed: a space matches the titles with a space in them.
        {"en-US", "", " ", {"sign_02", "sign_06"}},
        {"en-US", "mac.sign_cat_handling", "HEAT", {"sign_02"}},
        // Turkish lowers "I" to the dotless "ı": "KIRIL" finds "Kırılabilir".
        {"tr-TR", "", "KIRIL", {"sign_01"}},
        {"en-US", "", "KIRIL", {}},
    };
    Panel panel;
    librarytest::storePictures(panel.library.directory(), {samples::png(8, 8)}, {"a.png"});
    GraphicLibraryView &view = panel.open();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.language) + " / " + c.category + " / '" + c.query + "'");
        panel.env.localization.select(*appLanguageFromRawValue(QString::fromLatin1(c.language)));
        panel.chooseCategory(QString::fromLatin1(c.category));
        panel.search(QString::fromUtf8(c.query));
        EXPECT_EQ(idsOf(view.visibleSigns()), c.ids);
        EXPECT_EQ(panel.grid(false)->model()->rowCount(), c.ids.size());
        EXPECT_EQ(panel.lineText("countLine"), panel.env.localization.count("mac.items_count", c.ids.size()));
    }

    // Each category once, ordered by key although "Arrows and marks" would sort first.
    panel.env.localization.select(AppLanguage::english);
    panel.search(QString());
    auto *box = panel.child<QComboBox>("signCategory");
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i) + u'=' + box->itemData(i).toString());
    EXPECT_EQ(items.join(u','), QStringLiteral("All signs=,Food=mac.sign_cat_food,Handling=mac.sign_cat_handling,"
                                               "Arrows and marks=mac.sign_cat_marks,Recycling=mac.sign_cat_recycling,"
                                               "Safety=mac.sign_cat_safety"));
    box->setCurrentIndex(0);
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("7 items"));
    EXPECT_EQ(panel.lineText("failedLine"), QString()) << "sound sources";

    QPushButton *insert = panel.button("insertButton");
    EXPECT_FALSE(insert->isEnabled());

    panel.clickCell(6);
    EXPECT_TRUE(insert->isEnabled());
    // Hidden by the search it stays selected but cannot be inserted.
    panel.search(QStringLiteral("zzz"));
    EXPECT_FALSE(insert->isEnabled());
    panel.search(QString());
    EXPECT_TRUE(insert->isEnabled());

    // Its file is missing: the insert fails, the panel stays open with the selection.
    insert->click();
    EXPECT_EQ(panel.lineText("errorLine"), imageError);
    EXPECT_TRUE(view.isVisible() && view.canInsert());
    EXPECT_TRUE(panel.store->document().elements.isEmpty());

    panel.search(QStringLiteral("r"));
    panel.chooseCategory(QStringLiteral("mac.sign_cat_marks"));
    panel.showTab(1);
    EXPECT_EQ(view.errorKey(), QString());
    EXPECT_EQ(panel.lineText("failedLine"), QString()) << "sound sources";
    EXPECT_FALSE(view.canInsert());
    // The uploaded count does not depend on the sign search.
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("1 item"));
    panel.showTab(0);
    EXPECT_FALSE(view.canInsert());
    EXPECT_EQ(idsOf(view.visibleSigns()), (QStringList{"sign_06", "sign_07"}));
}

TEST(GraphicLibraryView, InsertsASignOrAPictureAsOneStepAndCloses)
{
    Panel panel;
    const QList<UserGraphic> stored =
        librarytest::storePictures(panel.library.directory(), {samples::png(40, 20)}, {"photo one.png"});
    GraphicLibraryView &view = panel.open();
    // Return does nothing while Insert is disabled, and inserts once it is enabled.
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_TRUE(view.isVisible());
    panel.clickCell(2);
    QTest::keyClick(panel.child<QLineEdit>("signSearch"), Qt::Key_Return);
    EXPECT_FALSE(view.isVisible() || panel.store->showsLibrary());
    ASSERT_EQ(panel.store->document().elements.size(), 1);
    const LabelElement sign = panel.store->document().elements.first();
    EXPECT_EQ(sign.content, QStringLiteral("sign_03"));
    EXPECT_EQ(sign.graphicID, QStringLiteral("sign_03"));
    EXPECT_TRUE(sign.imageData);
    EXPECT_EQ(panel.store->undoStack().size(), 1);

    // A fresh panel starts on the sign tab with nothing selected.
    panel.open();
    EXPECT_FALSE(panel.view->canInsert());
    panel.showTab(1);
    panel.clickCell(0);
    panel.button("insertButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.view->isVisible(); }, 10000));
    ASSERT_EQ(panel.store->document().elements.size(), 2);
    const LabelElement picture = panel.store->document().elements.last();
    EXPECT_EQ(picture.content, QStringLiteral("photo one.png"));
    EXPECT_EQ(picture.graphicID, QStringLiteral("user:") + stored.first().id.toString(QUuid::WithoutBraces).toLower());
    EXPECT_EQ(panel.store->undoStack().size(), 2);

    // The editor lowering the flag closes the panel.
    panel.open();
    panel.store->setShowsLibrary(false);
    EXPECT_FALSE(panel.view->isVisible());
}

// A cell is a button: an arrow key moves the focus, and Space or Return chooses the cell as
// a click does and inserts nothing; Return on the chosen cell presses Insert.
TEST(GraphicLibraryView, ChoosesTheFocusedCellWithSpaceOrReturn)
{
    Panel panel;
    librarytest::storePictures(panel.library.directory(), {samples::png(8, 8), samples::png(9, 9)}, {"a", "b"});
    const std::pair<int, Qt::Key> cases[] = {
        {0, Qt::Key_Space}, {0, Qt::Key_Return}, {1, Qt::Key_Space}, {1, Qt::Key_Enter}};
    qsizetype inserted = 0;
    for (const auto &[tab, key] : cases) {
        SCOPED_TRACE(std::to_string(tab) + " " + std::to_string(key));
        QApplication::setActiveWindow(&panel.open());
        panel.showTab(tab);
        QListView *grid = panel.grid(tab == 1);
        grid->setFocus(Qt::TabFocusReason);
        for (const Qt::Key press : {Qt::Key_Right, key})
            QTest::keyClick(grid, press);
        EXPECT_TRUE(grid->model()->index(1, 0).data(graphiclibrary::selectedRole).toBool());
        EXPECT_TRUE(panel.button("insertButton")->isEnabled() && panel.view->isVisible());
        EXPECT_EQ(panel.store->document().elements.size(), inserted);
        // The same key again on the chosen cell: Return presses Insert, Space only chooses.
        QTest::keyClick(grid, key);
        inserted += key != Qt::Key_Space;
        // A picture of the user's is read off the main thread before it is inserted.
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel.store->document().elements.size() == inserted; }, 5000));
    }

    // A search that leaves one sign; Tab to the grid, Space, Tab on to Insert, Space.
    QApplication::setActiveWindow(&panel.open());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("warn"));
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space})
        QTest::keyClick(QApplication::focusWidget(), key);
    ASSERT_EQ(panel.store->document().elements.size(), inserted + 1);
    EXPECT_EQ(panel.store->document().elements.last().graphicID, QStringLiteral("sign_04"));
}

TEST(GraphicLibraryView, UploadSelectsTheNewPictureOrShowsWhyNot)
{
    Panel panel(QString(), 2);
    const QString picture = panel.dir.filePath(QStringLiteral("new.jpg"));
    librarytest::writeFile(picture, samples::jpeg(30, 20));
    GraphicLibraryView &view = panel.open();
    panel.showTab(1);
    // Cancelled: nothing changes.
    panel.button("uploadButton")->click();
    ASSERT_EQ(panel.dialogs.openRequests.size(), 1);
    EXPECT_FALSE(panel.dialogs.openRequests[0].multipleSelection);
    EXPECT_TRUE(panel.dialogs.openRequests[0].nameFilters.join(' ').contains(QStringLiteral("*.TIFF")));
    EXPECT_FALSE(view.working() || view.canInsert());

    // The library holds two: a third is refused and the second stays selected.
    const struct {
        QString path, error;
        qsizetype listed;
    } steps[] = {{picture, {}, 1},
                 {panel.dir.filePath(QStringLiteral("none.png")), QStringLiteral("mac.error_io"), 1},
                 {picture, {}, 2},
                 {picture, QStringLiteral("mac.error_large"), 2}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.error.toStdString() + " " + std::to_string(step.listed));
        panel.dialogs.openAnswer = {step.path};
        panel.button("uploadButton")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.working(); }, 10000));
        EXPECT_EQ(view.errorKey(), step.error);
        EXPECT_EQ(view.model().uploaded().size(), step.listed);
        EXPECT_TRUE(view.canInsert() && view.isVisible());
    }
    EXPECT_TRUE(panel.store->document().elements.isEmpty());
    // The newest is first and selected.
    EXPECT_TRUE(panel.grid(true)->model()->index(0, 0).data(Qt::UserRole + 2).toBool());
}

TEST(GraphicLibraryView, RefusesEverythingWhileWorking)
{
    Panel panel;
    librarytest::storePictures(panel.library.directory(), {samples::png(8, 8)}, {"a.png"});
    const QString picture = panel.dir.filePath(QStringLiteral("new.png"));
    librarytest::writeFile(picture, samples::png(9, 9));
    GraphicLibraryView &view = panel.open();
    panel.showTab(1);
    panel.clickCell(0);
    panel.dialogs.openAnswer = {picture};
    QTabBar *tabs = panel.tabs();
    {
        PoolGate gate;
        panel.button("uploadButton")->click();
        ASSERT_TRUE(view.working());
        QTest::keyClick(&view, Qt::Key_Escape);
        for (const char *name : {"cancelButton", "insertButton", "uploadButton"})
            QTest::mouseClick(panel.button(name), Qt::LeftButton);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        view.reject();
        view.close();
        EXPECT_TRUE(view.isVisible() && panel.store->showsLibrary());
        EXPECT_EQ(tabs->currentIndex(), 1);
        EXPECT_EQ(panel.dialogs.openRequests.size(), 1);
        EXPECT_TRUE(panel.store->document().elements.isEmpty());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.working(); }, 10000));
    EXPECT_EQ(view.model().uploaded().size(), 2);
    EXPECT_TRUE(panel.button("insertButton")->isEnabled());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_FALSE(view.isVisible() || panel.store->showsLibrary());
}

TEST(GraphicLibraryView, ShowsAFailedSourceOnItsOwnTab)
{
    QTemporaryDir dir;
    librarytest::writeFile(dir.filePath(QStringLiteral("manifest.json")), "[{\"id\": 1}]");
    Panel panel(dir.path());
    // A file where the library folder should be.
    librarytest::writeFile(panel.library.directory(), "x");
    panel.open();
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("0 items"));
    EXPECT_EQ(panel.lineText("failedLine"), imageError);
    panel.showTab(1);
    EXPECT_EQ(panel.lineText("failedLine"), imageError);
    EXPECT_FALSE(panel.lineText("uploadedEmpty").isEmpty());
    EXPECT_TRUE(panel.button("uploadButton")->isEnabled());
}

TEST(GraphicLibraryView, AsksOnlyForTheThumbnailsInView)
{
    Panel panel(QString(), 512);
    librarytest::storePictures(panel.library.directory(), QList<QByteArray>(512, samples::png(6, 4)), {});
    GraphicLibraryView &view = panel.open();
    ASSERT_EQ(view.model().uploaded().size(), 512);
    const auto asked = [&] { return view.model().userImages().size() + view.model().failedImages().size(); };
    QTest::qWait(50);
    EXPECT_EQ(asked(), 0);

    panel.showTab(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked() > 0; }, 10000));
    QTest::qWait(200);
    const QListView *grid = panel.grid(true);
    const int columns = grid->viewport()->width() / grid->gridSize().width();
    const int rows = (grid->viewport()->height() + grid->gridSize().height() - 1) / grid->gridSize().height();
    EXPECT_GE(columns, 4);
    EXPECT_GE(asked(), columns);
    EXPECT_LE(asked(), columns * (rows + 1));
}

TEST(GraphicLibraryView, OpensFromTheEditorsImageEntry)
{
    // The editor's panel lists the user's default folder: the test mode's own.
    QStandardPaths::setTestModeEnabled(true);
    LibrarySheet::install();
    Panel panel;
    ContentView window(
        panel.store.get(), &panel.env.localization, [] {}, [] {}, [] {});
    window.show();
    const auto rows = window.componentButtons();
    const auto image =
        std::find_if(rows.begin(), rows.end(), [](auto *row) { return row->kind() == ElementKind::image; });
    ASSERT_TRUE(image != rows.end() && (*image)->isEnabled());
    (*image)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.sheet(EditorSheet::library) != nullptr; }, 5000));
    QPointer<QDialog> sheet = window.sheet(EditorSheet::library);
    EXPECT_TRUE(qobject_cast<GraphicLibraryView *>(sheet.data()) && sheet->isVisible());
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(panel.store->showsLibrary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000));
    ContentView::installSheet(EditorSheet::library, nullptr);
}

// A panel closed while its reading or importing waits for a worker: once the work ends,
// nothing reaches the closed panel or the document. An import still stores the picture.
TEST(GraphicLibraryView, WorkEndingAfterThePanelIsGoneChangesNothing)
{
    for (const bool uploading : {false, true}) {
        SCOPED_TRACE(uploading ? "upload" : "insert");
        Panel panel;
        librarytest::storePictures(panel.library.directory(), {samples::png(8, 8)}, {"a.png"});
        const QString picture = panel.dir.filePath(QStringLiteral("new.png"));
        librarytest::writeFile(picture, samples::png(9, 9));
        panel.dialogs.openAnswer = {picture};
        panel.open();
        panel.showTab(1);
        panel.clickCell(0);
        {
            PoolGate gate;
            panel.button(uploading ? "uploadButton" : "insertButton")->click();
            ASSERT_TRUE(panel.view->working());
            panel.view.reset();
        }
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(50);
        EXPECT_TRUE(panel.store->document().elements.isEmpty());
        EXPECT_EQ(panel.store->undoStack().size(), 0);
        EXPECT_EQ(panel.library.load().size(), uploading ? 2 : 1);
    }
}
