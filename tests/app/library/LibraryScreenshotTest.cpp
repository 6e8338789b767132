// Pictures of the graphic library panel for a person to look at, made by this test binary
// started again in a role on a private X server, so that real fonts and window sizes apply.

#include "tests/app/library/LibraryPanelSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

bool save(QWidget &window, const QString &name)
{
    QCoreApplication::processEvents();
    QTest::qWait(100);
    return window.grab().save(testsupport::outputPath(name));
}

// Both tabs in one language: the signs of one category found by a search, and a few
// uploaded pictures, one whose thumbnail fails, after an upload that failed.
bool screenshotsIn(AppLanguage language, const QString &suffix)
{
    librarytest::Panel panel(GraphicLibrary::directory(), 512);
    const QList<UserGraphic> stored = librarytest::storePictures(
        panel.library.directory(),
        {samples::png(300, 200, QColor(0, 150, 136)), samples::png(120, 120, QColor(255, 152, 0)),
         samples::png(40, 160, QColor(63, 81, 181)), samples::png(600, 300, QColor(233, 30, 99)), samples::png(9, 9)},
        {"Company logo.png", "A long name for a picture that needs more than two lines to show.jpg", "bottle.tiff",
         "banner.bmp", "damaged.png"});
    const QString notAPicture = panel.dir.filePath(QStringLiteral("notes.png"));
    librarytest::writeFile(notAPicture, "not a picture");

    panel.env.localization.select(language);
    GraphicLibraryView &view = panel.open(qRound(88 * qApp->devicePixelRatio()));
    bool saved = save(view, QStringLiteral("library-all-%1.png").arg(suffix));
    panel.chooseCategory(QStringLiteral("mac.sign_cat_handling"));
    panel.search(language == AppLanguage::chinese ? QStringLiteral("禁") : QStringLiteral("o"));
    panel.clickCell(1);
    // The keyboard's focus ring one cell on from the chosen one.
    QApplication::setActiveWindow(&view);
    QTest::keyClick(panel.grid(false), Qt::Key_Right);
    saved = save(view, QStringLiteral("library-signs-%1.png").arg(suffix)) && saved;

    // Changed after the listing: its thumbnail fails.
    librarytest::writeFile(panel.library.directory() + u'/' +
                               stored.last().id.toString(QUuid::WithoutBraces).toLower() + QStringLiteral(".png"),
                           samples::png(10, 10));
    panel.showTab(1);
    if (!QTest::qWaitFor(
            [&] { return view.model().userImages().size() + view.model().failedImages().size() == stored.size(); },
            10000))
        return false;
    panel.clickCell(0);
    panel.dialogs.openAnswer = {notAPicture};
    view.upload();
    if (!QTest::qWaitFor([&] { return !view.working(); }, 10000))
        return false;
    return save(view, QStringLiteral("library-uploaded-%1.png").arg(suffix)) && saved;
}

[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("library-panel"), [] {
    return screenshotsIn(AppLanguage::english, QStringLiteral("en")) &&
           screenshotsIn(AppLanguage::chinese, QStringLiteral("zh"));
});

} // namespace

TEST(GraphicLibraryScreenshots, BothTabsInTwoLanguages)
{
    if (!testsupport::takeScreenshots(QStringLiteral("library-panel"), QStringLiteral("GraphicLibraryScreenshots.*"),
                                      QSize(1280, 900)))
        return;
    for (const char *name : {"library-signs-en.png", "library-uploaded-zh.png"})
        EXPECT_EQ(QImage(testsupport::outputPath(QString::fromLatin1(name))).size(), QSize(820, 620)) << name;
}
