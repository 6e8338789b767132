#include "tests/app/library/LibraryPanelSupport.h"
#include "tests/common/TestSupport.h"

#include "app/editor/ContentView.h"
#include "app/editor/EditorSidebar.h"
#include "app/library/LibrarySheet.h"

#include <QSemaphore>
#include <QSignalSpy>
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

// Holds every worker of the global pool until released, so that work started meanwhile
// waits: an import that stays running as long as a test needs.
class PoolGate {
public:
    PoolGate() : m_workers(QThreadPool::globalInstance()->maxThreadCount())
    {
        for (int i = 0; i < m_workers; ++i)
            QThreadPool::globalInstance()->start([this] { m_gate.acquire(); });
    }
    ~PoolGate() { release(); }
    void release() { m_gate.release(std::exchange(m_workers, 0)); }

private:
    QSemaphore m_gate;
    int m_workers;
};

} // namespace

TEST(GraphicLibraryView, FiltersSignsByCategoryAndLocalisedTitle)
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
        {"en-US", "", "cat_food", {}},
        {"en-US", "", "Food", {}},
        // Used as typed: a space matches the titles with a space in them.
        {"en-US", "", " ", {"sign_02", "sign_06"}},
        {"en-US", "", "   ", {}},
        {"en-US", "mac.sign_cat_handling", "", {"sign_01", "sign_02"}},
        {"en-US", "mac.sign_cat_handling", "HEAT", {"sign_02"}},
        {"en-US", "mac.sign_cat_food", "warn", {}},
        // Turkish lowers "I" to the dotless "ı": "KIRIL" finds "Kırılabilir".
        {"tr-TR", "", "KIRIL", {"sign_01"}},
        {"tr-TR", "", "ISIDAN", {"sign_02"}},
        {"en-US", "", "KIRIL", {}},
    };
    Panel panel;
    GraphicLibraryView &view = panel.open();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.language) + " / " + c.category + " / '" + c.query + "'");
        panel.env.localization.select(*appLanguageFromRawValue(QString::fromLatin1(c.language)));
        panel.chooseCategory(QString::fromLatin1(c.category));
        panel.search(QString::fromUtf8(c.query));
        EXPECT_EQ(idsOf(view.visibleSigns()), c.ids);
        EXPECT_EQ(view.visibleCount(), c.ids.size());
        EXPECT_EQ(panel.grid(false)->model()->rowCount(), c.ids.size());
        EXPECT_EQ(panel.lineText("countLine"), panel.env.localization.count("mac.items_count", c.ids.size()));
    }
    panel.env.localization.select(AppLanguage::english);
    panel.search(QString());
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("7 items"));

    // Each category once, ordered by key although "Arrows and marks" would sort first.
    auto *box = panel.child<QComboBox>("signCategory");
    QStringList keys;
    for (int i = 0; i < box->count(); ++i)
        keys.append(box->itemData(i).toString());
    EXPECT_EQ(keys, (QStringList{"", "mac.sign_cat_food", "mac.sign_cat_handling", "mac.sign_cat_marks",
                                 "mac.sign_cat_recycling", "mac.sign_cat_safety"}));
    EXPECT_EQ(box->itemText(0), QStringLiteral("All signs"));
    EXPECT_EQ(box->itemText(3), QStringLiteral("Arrows and marks"));
    panel.chooseCategory(QStringLiteral("mac.sign_cat_marks"));
    EXPECT_EQ(view.visibleCount(), 2);
    box->setCurrentIndex(0);
    EXPECT_EQ(idsOf(view.visibleSigns()), all);
}

TEST(GraphicLibraryView, SelectionFollowsVisibilityAndTabChangesClearIt)
{
    Panel panel;
    librarytest::storePictures(panel.library.directory(), {samples::png(8, 8)}, {"a.png"});
    GraphicLibraryView &view = panel.open();
    QPushButton *insert = panel.button("insertButton");
    EXPECT_FALSE(insert->isEnabled());

    panel.clickCell(panel.signRow("sign_07"));
    EXPECT_TRUE(view.canInsert());
    EXPECT_TRUE(insert->isEnabled());
    // Hidden by the search it stays selected but cannot be inserted.
    panel.search(QStringLiteral("zzz"));
    EXPECT_FALSE(insert->isEnabled());
    panel.search(QString());
    EXPECT_TRUE(insert->isEnabled());

    // Its file is missing: the insert fails, the panel stays open with the selection.
    insert->click();
    EXPECT_EQ(view.errorKey(), QStringLiteral("mac.error_image"));
    EXPECT_EQ(panel.lineText("errorLine"), QStringLiteral("The image is damaged or not supported."));
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(view.canInsert());
    EXPECT_TRUE(panel.store->document().elements.isEmpty());

    panel.search(QStringLiteral("r"));
    panel.chooseCategory(QStringLiteral("mac.sign_cat_marks"));
    panel.showTab(1);
    EXPECT_EQ(view.errorKey(), QString());
    EXPECT_FALSE(view.canInsert());
    // The uploaded count does not depend on the sign search.
    EXPECT_EQ(view.visibleCount(), 1);
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("1 item"));
    panel.showTab(0);
    EXPECT_FALSE(view.canInsert());
    EXPECT_EQ(panel.child<QLineEdit>("signSearch")->text(), QStringLiteral("r"));
    EXPECT_EQ(idsOf(view.visibleSigns()), (QStringList{"sign_06", "sign_07"}));
}

TEST(GraphicLibraryView, InsertsASignOrAPictureAsOneStepAndCloses)
{
    Panel panel;
    const QList<UserGraphic> stored =
        librarytest::storePictures(panel.library.directory(), {samples::png(40, 20)}, {"photo one.png"});
    GraphicLibraryView &view = panel.open();
    QSignalSpy finished(&view, &QDialog::finished);

    // Return does nothing while Insert is disabled.
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_TRUE(view.isVisible());

    panel.clickCell(panel.signRow("sign_03"));
    QTest::keyClick(panel.child<QLineEdit>("signSearch"), Qt::Key_Return);
    EXPECT_FALSE(view.isVisible());
    EXPECT_FALSE(panel.store->showsLibrary());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().first().toInt(), int(QDialog::Accepted));
    ASSERT_EQ(panel.store->document().elements.size(), 1);
    const LabelElement sign = panel.store->document().elements.first();
    EXPECT_EQ(sign.kind, ElementKind::image);
    EXPECT_EQ(sign.content, QStringLiteral("sign_03"));
    EXPECT_EQ(sign.graphicID, QStringLiteral("sign_03"));
    EXPECT_EQ(samples::decoded(*sign.imageData).size(), QSize(1024, 1024));
    EXPECT_EQ(panel.store->undoStack().size(), 1);

    // A fresh panel: sign tab, nothing selected.
    panel.open();
    EXPECT_EQ(panel.tabs()->currentIndex(), 0);
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
    EXPECT_FALSE(panel.store->showsLibrary());

    // The editor clearing the flag closes the panel; a picture altered since the listing
    // fails to read and keeps the panel open.
    panel.open();
    panel.store->setShowsLibrary(false);
    EXPECT_FALSE(panel.view->isVisible());
    panel.open();
    panel.showTab(1);
    librarytest::writeFile(panel.library.directory() + u'/' +
                               stored.first().id.toString(QUuid::WithoutBraces).toLower() + QStringLiteral(".png"),
                           samples::png(41, 20));
    panel.clickCell(0);
    panel.button("insertButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.view->working(); }, 10000));
    EXPECT_TRUE(panel.view->isVisible());
    EXPECT_EQ(panel.view->errorKey(), QStringLiteral("mac.error_image"));
    EXPECT_TRUE(panel.view->canInsert());
    EXPECT_EQ(panel.store->document().elements.size(), 2);
}

TEST(GraphicLibraryView, UploadSelectsTheNewPictureOrShowsWhyNot)
{
    Panel panel(QString(), 2);
    const QString picture = panel.dir.filePath(QStringLiteral("new.jpg"));
    librarytest::writeFile(picture, samples::jpeg(30, 20));
    GraphicLibraryView &view = panel.open();
    panel.showTab(1);
    QPushButton *upload = panel.button("uploadButton");
    ASSERT_TRUE(upload->isEnabled());

    // Cancelled: nothing changes.
    upload->click();
    ASSERT_EQ(panel.dialogs.openRequests.size(), 1);
    const EditorDialogs::OpenRequest &request = panel.dialogs.openRequests.first();
    EXPECT_FALSE(request.multipleSelection);
    EXPECT_EQ(request.acceptLabel, QStringLiteral("Upload image"));
    EXPECT_TRUE(request.nameFilters.join(' ').contains(QStringLiteral("*.TIFF")));
    EXPECT_FALSE(view.working());
    EXPECT_TRUE(view.model().uploaded().isEmpty());

    struct Step {
        QString file;
        QString errorKey;
        qsizetype listed;
    };
    const Step steps[] = {
        {picture, QString(), 1},
        {panel.dir.filePath(QStringLiteral("none.png")), QStringLiteral("mac.error_io"), 1},
        {picture, QString(), 2},
        // The library holds two: a third is refused and the second stays selected.
        {picture, QStringLiteral("mac.error_large"), 2},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.file.toStdString() + " " + step.errorKey.toStdString());
        panel.dialogs.openAnswer = {step.file};
        upload->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.working(); }, 10000));
        EXPECT_EQ(view.errorKey(), step.errorKey);
        EXPECT_EQ(view.model().uploaded().size(), step.listed);
        EXPECT_TRUE(view.canInsert());
        EXPECT_TRUE(view.isVisible());
        EXPECT_TRUE(panel.store->document().elements.isEmpty());
    }
    // The newest is first and the selection stayed on it.
    const QModelIndex first = panel.grid(true)->model()->index(0, 0);
    EXPECT_TRUE(first.data(Qt::UserRole + 2).toBool());
    EXPECT_EQ(panel.lineText("errorLine"), QStringLiteral("The document is larger than 10 MB."));
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
        // The import waits for a worker. Nothing may be drawn meanwhile: drawing uses them too.
        PoolGate gate;
        panel.button("uploadButton")->click();
        ASSERT_TRUE(view.working());
        QTest::keyClick(&view, Qt::Key_Escape);
        QTest::mouseClick(panel.button("cancelButton"), Qt::LeftButton);
        QTest::mouseClick(panel.button("insertButton"), Qt::LeftButton);
        QTest::mouseClick(panel.button("uploadButton"), Qt::LeftButton);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        view.reject();
        view.close();
        EXPECT_TRUE(view.isVisible());
        EXPECT_EQ(tabs->currentIndex(), 1);
        EXPECT_EQ(panel.dialogs.openRequests.size(), 1);
        EXPECT_TRUE(panel.store->document().elements.isEmpty());
        EXPECT_TRUE(panel.store->showsLibrary());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.working(); }, 10000));
    EXPECT_EQ(view.model().uploaded().size(), 2);
    EXPECT_TRUE(panel.button("insertButton")->isEnabled());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_FALSE(view.isVisible());
    EXPECT_FALSE(panel.store->showsLibrary());
}

TEST(GraphicLibraryView, ShowsAFailedSourceOnItsOwnTab)
{
    QTemporaryDir dir;
    librarytest::writeFile(dir.filePath(QStringLiteral("manifest.json")), "[{\"id\": 1}]");
    Panel panel(dir.path());
    // A file where the library folder should be.
    librarytest::writeFile(panel.library.directory(), "x");
    GraphicLibraryView &view = panel.open();
    const QString failed = QStringLiteral("The image is damaged or not supported.");

    EXPECT_EQ(view.visibleCount(), 0);
    EXPECT_EQ(panel.lineText("countLine"), QStringLiteral("0 items"));
    EXPECT_EQ(panel.lineText("failedLine"), failed);
    panel.showTab(1);
    EXPECT_EQ(panel.lineText("failedLine"), failed);
    EXPECT_EQ(panel.lineText("uploadedEmpty"), QStringLiteral("No uploaded images yet. Upload a PNG, JPEG, TIFF or BMP "
                                                              "file to use it on your labels."));
    EXPECT_TRUE(panel.button("uploadButton")->isEnabled());
    EXPECT_FALSE(panel.grid(true)->isVisible());

    // A sound manifest and an empty library: no red line on either tab, and while the
    // listing runs only the disabled Upload button and the spinner.
    Panel sound;
    {
        // Nothing may be drawn while the gate holds the workers: drawing uses them too.
        PoolGate gate;
        sound.store->setShowsLibrary(true);
        sound.view =
            std::make_unique<GraphicLibraryView>(sound.store.get(), &sound.env.localization,
                                                 std::make_unique<GraphicLibraryModel>(sound.library, 88, sound.signs));
        sound.view->open();
        EXPECT_EQ(sound.lineText("failedLine"), QString());
        sound.tabs()->setCurrentIndex(1);
        EXPECT_FALSE(sound.button("uploadButton")->isEnabled());
        EXPECT_EQ(sound.lineText("uploadedEmpty"), QString());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return sound.button("uploadButton")->isEnabled(); }, 10000));
    EXPECT_EQ(sound.lineText("failedLine"), QString());
    EXPECT_FALSE(sound.lineText("uploadedEmpty").isEmpty());
    EXPECT_FALSE(sound.grid(true)->isVisible());
}

TEST(GraphicLibraryView, AsksOnlyForTheThumbnailsInView)
{
    Panel panel(QString(), 512);
    QList<QByteArray> pngs;
    for (int i = 0; i < 512; ++i)
        pngs.append(samples::png(6, 4, QColor::fromHsv(i % 360, 200, 220)));
    librarytest::storePictures(panel.library.directory(), pngs, {});
    GraphicLibraryView &view = panel.open();
    ASSERT_EQ(view.model().uploaded().size(), 512);
    // The sign tab asks for none.
    QTest::qWait(50);
    EXPECT_TRUE(view.model().userImages().isEmpty());

    panel.showTab(1);
    QListView *grid = panel.grid(true);
    const auto asked = [&] { return view.model().userImages().size() + view.model().failedImages().size(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked() > 0; }, 10000));
    QTest::qWait(200);
    const QSize cell = grid->gridSize();
    const int columns = grid->viewport()->width() / cell.width();
    const int rows = (grid->viewport()->height() + cell.height() - 1) / cell.height();
    EXPECT_GE(columns, 4);
    EXPECT_LE(asked(), columns * (rows + 1));
    EXPECT_GE(asked(), columns);
    EXPECT_TRUE(view.model().failedImages().isEmpty());
}

TEST(GraphicLibraryView, OpensFromTheEditorsImageEntry)
{
    // The panel of the editor lists the user's default folder: the test's own.
    QStandardPaths::setTestModeEnabled(true);
    LibrarySheet::install();
    Panel panel;
    ContentView window(
        panel.store.get(), &panel.env.localization, [] {}, [] {}, [] {});
    window.show();
    QCoreApplication::processEvents();
    const auto rows = window.componentButtons();
    const auto image =
        std::find_if(rows.begin(), rows.end(), [](auto *row) { return row->kind() == ElementKind::image; });
    ASSERT_NE(image, rows.end());
    ASSERT_TRUE((*image)->isEnabled());
    (*image)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.sheet(EditorSheet::library) != nullptr; }, 5000));
    QPointer<QDialog> sheet = window.sheet(EditorSheet::library);
    ASSERT_NE(qobject_cast<GraphicLibraryView *>(sheet.data()), nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(panel.store->showsLibrary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000));
    ContentView::installSheet(EditorSheet::library, nullptr);
}
