// Tests that need a program of their own: screenshots of the windows on a private X
// server (real fonts and window sizes, for a person to look at), and the installed
// program's files as the desktop sees them. The child programs are this test binary,
// started with a role in the environment; the role runs in place of the tests.

#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/PrivateDisplay.h"
#include "tests/common/TestSupport.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

namespace {

const char *const roleVariable = "KESTRIVANE_SHELL_ROLE";
const char *const outputVariable = "KESTRIVANE_SHELL_OUTPUT";

void writeOutput(const QByteArray &text)
{
    QFile file(qEnvironmentVariable(outputVariable));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

bool saveWindow(QWidget &window, const QString &name)
{
    QCoreApplication::processEvents();
    return window.grab().save(testsupport::outputPath(name));
}

// The settings window in English and Russian and the empty main window.
int screenshotProgram()
{
    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    delegate.settings();
    bool saved = saveWindow(*delegate.settingsWindow(), QStringLiteral("shell-settings-en.png"));
    env.localization.select(AppLanguage::russian);
    QCoreApplication::processEvents();
    saved = saveWindow(*delegate.settingsWindow(), QStringLiteral("shell-settings-ru.png")) && saved;
    delegate.settingsWindow()->close();
    saved = saveWindow(*delegate.window(), QStringLiteral("shell-main-window.png")) && saved;
    writeOutput(saved ? "saved" : "not saved");
    return 0;
}

// The type the desktop's MIME database gives a document's name.
int mimeProgram()
{
    writeOutput(
        QMimeDatabase().mimeTypeForFile(QStringLiteral("x.ksv"), QMimeDatabase::MatchExtension).name().toUtf8());
    return 0;
}

class ShellRole final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QByteArray role = qgetenv(roleVariable);
        if (role.isEmpty())
            return;
        const int code = role == "screenshots" ? screenshotProgram() : role == "mime" ? mimeProgram() : 2;
        std::fflush(stdout);
        std::_Exit(code);
    }
};

[[maybe_unused]] ::testing::Environment *const shellRole = ::testing::AddGlobalTestEnvironment(new ShellRole);

// Runs this binary in a role and returns what it wrote.
QByteArray runRole(const char *role, QProcessEnvironment environment, const QTemporaryDir &dir)
{
    const QString output = dir.filePath(QStringLiteral("role-output.txt"));
    environment.insert(QString::fromLatin1(roleVariable), QString::fromLatin1(role));
    environment.insert(QString::fromLatin1(outputVariable), output);
    QProcess child;
    child.setProcessEnvironment(environment);
    testsupport::endWithThisProgram(child);
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--gtest_filter=ShellProcess.*")});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start();
    if (!child.waitForFinished(60000))
        testsupport::stopProcess(child);
    QFile file(output);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a program to its end; its exit code and output, -1 when it could not run.
std::pair<int, QByteArray> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, process.readAll()};
    return {process.exitCode(), process.readAll()};
}

} // namespace

TEST(ShellProcess, ScreenshotsOfTheWindows)
{
    testsupport::PrivateDisplay display;
    if (!display.start(QSize(1600, 1000)))
        GTEST_SKIP() << "No Xvfb to show the windows on; install the xvfb package";
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QByteArray result = runRole("screenshots", environment, dir);
    if (result.isEmpty())
        GTEST_SKIP() << "The program could not open the private display " << qPrintable(display.display());
    ASSERT_EQ(result, QByteArrayLiteral("saved"));
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
    for (const QString &file :
         {prefix.filePath(QStringLiteral("bin/kestrivane")), entry, mime,
          share + QStringLiteral("/kestrivane/Resources/Compiled/ru-RU.lproj/Localizable.strings")}) {
        EXPECT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
    }
    EXPECT_TRUE(QFileInfo(prefix.filePath(QStringLiteral("bin/kestrivane"))).isExecutable());
    // Every icon of the source tree lands at its place in the hicolor theme.
    const QString icons = QStringLiteral(KESTRIVANE_SOURCE_DIR "/desktop/icons/hicolor");
    for (QDirIterator it(icons, {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString relative = QDir(icons).relativeFilePath(it.next());
        EXPECT_TRUE(QFileInfo(share + QStringLiteral("/icons/hicolor/") + relative).isFile()) << relative.toStdString();
    }

    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (validate.isEmpty() || xmllint.isEmpty())
        GTEST_SKIP() << "desktop-file-validate or xmllint is missing: run scripts/setup";
    const auto [entryValid, entryLog] = run(validate, {entry});
    EXPECT_EQ(entryValid, 0) << entryLog.toStdString();
    EXPECT_FALSE(entryLog.contains("error")) << entryLog.toStdString();
    const auto [mimeValid, mimeLog] = run(xmllint, {QStringLiteral("--noout"), mime});
    EXPECT_EQ(mimeValid, 0) << mimeLog.toStdString();

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), share);
    EXPECT_EQ(runRole("mime", environment, dir), QByteArrayLiteral("application/x-kestrivane-document"));
}
