// Tests that need a program of their own, this test binary started with a role in the
// environment (the role runs in place of the tests): screenshots of the windows on a
// private X server, for a person to look at, and the installed files as the desktop sees them.

#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QImage>
#include <QMimeDatabase>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

bool saveWindow(QWidget &window, const QString &name)
{
    QCoreApplication::processEvents();
    return window.grab().save(testsupport::outputPath(name));
}

// The settings window in English and Russian and the empty main window.
bool screenshots()
{
    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    delegate.settings();
    bool saved = saveWindow(*delegate.settingsWindow(), QStringLiteral("shell-settings-en.png"));
    env.localization.select(AppLanguage::russian);
    saved = saveWindow(*delegate.settingsWindow(), QStringLiteral("shell-settings-ru.png")) && saved;
    delegate.settingsWindow()->close();
    saved = saveWindow(*delegate.window(), QStringLiteral("shell-main-window.png")) && saved;
    return saved;
}

[[maybe_unused]] const bool addedScreenshots =
    testsupport::addScreenshotRole(QStringLiteral("shell-windows"), screenshots);

// The type the desktop gives a document file.
[[maybe_unused]] const bool addedMime = testsupport::addRole(QStringLiteral("shell-mime"), [] {
    return QMimeDatabase().mimeTypeForFile(QStringLiteral("x.ksv"), QMimeDatabase::MatchExtension).name().toUtf8();
});

// A program's exit code (-1 when it did not end normally) and its output.
std::pair<int, QByteArray> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAll()};
}

} // namespace

TEST(ShellProcess, ScreenshotsOfTheWindows)
{
    if (!testsupport::takeScreenshots(QStringLiteral("shell-windows"), QStringLiteral("ShellProcess.*"),
                                      QSize(1600, 1000)))
        return;
    // The content is 1280 × 800; the menu bar adds to the window's height.
    const QSize mainWindow = QImage(testsupport::outputPath(QStringLiteral("shell-main-window.png"))).size();
    EXPECT_EQ(mainWindow.width(), 1280);
    EXPECT_GT(mainWindow.height(), 800);
    EXPECT_EQ(QImage(testsupport::outputPath(QStringLiteral("shell-settings-ru.png"))).size(), QSize(540, 340));
}

TEST(ShellProcess, InstallsAsADesktopApplication)
{
    QTemporaryDir prefix;
    const auto [installed, log] = run(QStringLiteral(KESTRIVANE_CMAKE_COMMAND),
                                      {QStringLiteral("--install"), QStringLiteral(KESTRIVANE_BINARY_DIR),
                                       QStringLiteral("--prefix"), prefix.path()});
    ASSERT_EQ(installed, 0) << log.toStdString();
    const QString share = prefix.filePath(QStringLiteral("share"));
    const QString entry = share + QStringLiteral("/applications/com.morvathsoftware.kestrivane.desktop");
    const QString mime = share + QStringLiteral("/mime/packages/com.morvathsoftware.kestrivane.xml");
    EXPECT_TRUE(QFileInfo(prefix.filePath(QStringLiteral("bin/kestrivane"))).isExecutable());
    for (const QString &file :
         {entry, mime, share + QStringLiteral("/kestrivane/Resources/Compiled/ru-RU.lproj/Localizable.strings")})
        EXPECT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
    // Every icon of the source tree lands at its place in the hicolor theme.
    const QString icons = QStringLiteral(KESTRIVANE_SOURCE_DIR "/desktop/icons/hicolor");
    for (QDirIterator it(icons, {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString relative = QDir(icons).relativeFilePath(it.next());
        EXPECT_TRUE(QFileInfo(share + QStringLiteral("/icons/hicolor/") + relative).isFile()) << relative.toStdString();
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), share);
    EXPECT_EQ(testsupport::runRole(QStringLiteral("shell-mime"), QStringLiteral("ShellProcess.*"), environment),
              QByteArrayLiteral("application/x-kestrivane-document"));

    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (validate.isEmpty() || xmllint.isEmpty())
        GTEST_SKIP() << "desktop-file-validate or xmllint is missing: run scripts/setup";
    const auto [entryValid, entryLog] = run(validate, {entry});
    EXPECT_TRUE(entryValid == 0 && !entryLog.contains("error")) << entryLog.toStdString();
    const auto [mimeValid, mimeLog] = run(xmllint, {QStringLiteral("--noout"), mime});
    EXPECT_EQ(mimeValid, 0) << mimeLog.toStdString();
}
