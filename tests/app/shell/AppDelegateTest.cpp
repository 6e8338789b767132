#include "tests/app/shell/ShellTestSupport.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/KestrivaneApplication.h"
#include "app/shell/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrivane;

namespace {

// A delegate over the environment's settings, texts and modal fakes; terminations counted.
class DelegateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delegate.setTerminate([this] { ++terminations; });
        delegate.workspace()->setAlerts(env.alerts);
        delegate.workspace()->setDialogs(env.dialogs);
    }

    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate{&env.localization, &env.settings};
    int terminations = 0;
};

} // namespace

TEST_F(DelegateTest, ClosingWithoutChangesEndsTheProgramOnTheNextTurn)
{
    delegate.launch();
    delegate.settings();
    delegate.workspace()->open(env.write(QStringLiteral("saved.ksv")));
    EXPECT_TRUE(delegate.window()->close());
    EXPECT_FALSE(delegate.settingsWindow()->isVisible());
    EXPECT_EQ(terminations, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(delegate.applicationShouldTerminate()); // already answered by the close
    EXPECT_EQ(env.dialogs->choices, 0);
}

TEST_F(DelegateTest, ACancelledPromptKeepsEverythingAndALaterQuitAsksAgain)
{
    delegate.launch();
    delegate.workspace()->add(LabelDocument(QStringLiteral("Unsaved"), 60, 40, {}), std::nullopt, true);
    env.dialogs->choiceAnswer = 2; // cancel
    EXPECT_FALSE(delegate.window()->close());
    EXPECT_TRUE(delegate.window()->isVisible());
    delegate.quit();
    QCoreApplication::processEvents();
    EXPECT_EQ(env.dialogs->choices, 2);
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(delegate.workspace()->tabs().size(), 1);
    env.dialogs->choiceAnswer = 1; // don't save
    delegate.quit();
    EXPECT_EQ(terminations, 1);
}

TEST_F(DelegateTest, TheSettingsWindowIsReusedCentredAndRetitled)
{
    QSignalSpy rebuilds(&delegate, &AppDelegate::menusRebuilt);
    delegate.launch();
    delegate.settings();
    QWidget *settings = delegate.settingsWindow();
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Settings"));
    settings->close();
    settings->move(0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(rebuilds.count(), 1); // the launch's own menus

    // A later language rebuilds once, on the next turn.
    env.localization.select(AppLanguage::russian);
    EXPECT_EQ(rebuilds.count(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(rebuilds.count(), 2);
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(delegate.window()->windowTitle(), QStringLiteral("Главная \u2014 Kestrivane[*]"));
    EXPECT_EQ(delegate.window()->locale(), QLocale(QStringLiteral("ru_RU")));

    delegate.settings();
    EXPECT_EQ(delegate.settingsWindow(), settings);
    EXPECT_TRUE(settings->isVisible());
    const QPoint centre = settings->screen()->availableGeometry().center();
    EXPECT_LE((settings->frameGeometry().center() - centre).manhattanLength(), 2);
}

TEST_F(DelegateTest, CommandLineFilesOpenInOrderOnceTheWindowIsShown)
{
    const QString a = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    const QString b = env.write(QStringLiteral("b.ksv"), QStringLiteral("B"));
    delegate.launch({a, env.dir.filePath(QStringLiteral("missing.ksv")), b, a});
    EXPECT_TRUE(delegate.workspace()->tabs().isEmpty());
    QCoreApplication::processEvents();
    const QList<EditorStore *> &tabs = delegate.workspace()->tabs();
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_EQ(tabs[1]->document().name, QStringLiteral("B"));
    EXPECT_EQ(delegate.workspace()->active(), tabs[0]); // the last one given was found again
    EXPECT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(delegate.window()->windowTitle(), QStringLiteral("A[*]"));

    delegate.about();
    EXPECT_TRUE(env.alerts->alerts.last().information);
    EXPECT_EQ(env.alerts->alerts.last().informativeText, env.localization.text(QStringLiteral("mac.about_body")));
}

// The program's own quit: the delegate's terminate ends QApplication::exec(). Inside the
// loop, in turn: the user presses Ctrl+Q ('Q'), the window closes ('W'), something asks
// whether the program may end and it goes on ('T', as after a log-out another program
// cancelled), the user presses a key or a mouse button in the window ('K', 'M'). Each save
// prompt takes the next scripted answer; anything asked beyond the expected prompts is
// answered with Cancel, which would keep the program running. Exit code 2: the loop was
// still running with the window shown after the last step.
TEST(AppDelegateQuit, EachChangedDocumentIsAskedAboutOncePerQuit)
{
    constexpr qsizetype discard = 1;
    constexpr qsizetype cancel = 2;
    const struct {
        const char *steps;
        QList<std::optional<qsizetype>> answers;
        int exitCode;
    } cases[] = {
        {"Q", {discard}, 0},
        {"Q", {cancel}, 2},
        {"WQ", {cancel, discard}, 0},   // a cancelled close lets a later quit ask again
        {"TW", {discard}, 0},           // the log-out's own close keeps its answer
        {"TKW", {discard, discard}, 0}, // the user worked on: the answer is gone
        {"TMW", {discard, discard}, 0},
        {"TKQ", {discard, cancel}, 2},
    };
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false); // as the program runs
    for (const auto &item : cases) {
        SCOPED_TRACE(item.steps);
        shelltest::WorkspaceEnvironment env;
        AppDelegate delegate(&env.localization, &env.settings);
        delegate.workspace()->setAlerts(env.alerts);
        delegate.workspace()->setDialogs(env.dialogs);
        delegate.launch();
        EditorStore *tab = delegate.workspace()->add(LabelDocument(QStringLiteral("New"), 60, 40, {}), {}, true);
        const LabelDocument before = tab->document();
        QApplication::setActiveWindow(delegate.window());
        env.dialogs->choiceAnswers = item.answers;
        env.dialogs->choiceAnswer = cancel;
        QTimer::singleShot(0, &delegate, [&] {
            for (const char *step = item.steps; *step; ++step) {
                switch (*step) {
                case 'Q': QTest::keyClick(delegate.window(), Qt::Key_Q, Qt::ControlModifier); break;
                case 'W': delegate.window()->close(); break;
                case 'T': EXPECT_TRUE(delegate.applicationShouldTerminate()); break;
                case 'K': QTest::keyClick(delegate.window(), Qt::Key_Shift); break;
                case 'M': QTest::mouseClick(delegate.window(), Qt::LeftButton); break;
                }
            }
            if (delegate.window()->isVisible())
                QCoreApplication::exit(2);
        });
        QTimer::singleShot(20000, &delegate, [] { QCoreApplication::exit(3); });
        EXPECT_EQ(QApplication::exec(), item.exitCode);
        EXPECT_EQ(env.dialogs->choices, item.answers.size());
        EXPECT_EQ(delegate.window()->isVisible(), item.exitCode != 0);
        EXPECT_EQ(delegate.workspace()->tabs(), QList<EditorStore *>{tab});
        EXPECT_EQ(tab->document(), before);
    }
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
}

// Qt's own texts (standard buttons, key names) follow every language switch, English too,
// also in a button box that is already shown. Qt's file and print dialogs take their texts
// from the same catalogue.
TEST_F(DelegateTest, QtsOwnTextsFollowTheInterfaceLanguage)
{
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm")))
        GTEST_SKIP() << "qt6-translations-l10n is missing: run scripts/setup";
    delegate.launch();
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    const struct {
        AppLanguage language;
        const char *shortcut;
        const char *cancel;
    } cases[] = {
        {AppLanguage::german, "Strg+N", "Abbrechen"},
        {AppLanguage::portuguese, "Ctrl+N", "Cancelar"}, // the file of a language with a region
        {AppLanguage::english, "Ctrl+N", "Cancel"},
    };
    for (const auto &item : cases) {
        env.localization.select(item.language);
        // The switch acts on the next turn; the box hears of it on the turn after.
        for (int i = 0; i < 2; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(QKeySequence(QStringLiteral("Ctrl+N")).toString(QKeySequence::NativeText),
                  QString::fromUtf8(item.shortcut));
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(item.cancel));
    }
}

TEST(KestrivaneApplication, CommandLineArgumentsBecomeAbsolutePaths)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("link.ksv"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("target.ksv")), link));
    // Relative names lie in a working folder whose name is not ASCII.
    const QDir working(dir.filePath(QStringLiteral("Этикетки")));
    ASSERT_TRUE(working.mkpath(QStringLiteral("rel")));
    const QString home = QDir::currentPath();
    const auto restore = qScopeGuard([&home] { QDir::setCurrent(home); });
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    const KestrivaneApplication::CommandLineFiles files = KestrivaneApplication::documentPaths(
        {"kestrivane", "rel/a b.ksv", QFile::encodeName(link), "\xc3\xa9t\xc3\xa9.ksv",
         QFile::encodeName(QStringLiteral("file://") + dir.filePath(QStringLiteral("L%201.ksv")))});
    EXPECT_EQ(files.paths, (QStringList{working.filePath(QStringLiteral("rel/a b.ksv")), link,
                                        working.filePath(QStringLiteral("\u00e9t\u00e9.ksv")),
                                        dir.filePath(QStringLiteral("L 1.ksv"))}));
    EXPECT_TRUE(files.refused.isEmpty());
}

// A name with bytes the file-name encoding cannot carry, given as a path or as an address, or
// a relative name in a working folder with such bytes: decoded, it would read as the name of
// the file beside it that has U+FFFD in their place. A working folder that was removed gives a
// relative name no folder at all.
TEST_F(DelegateTest, AFileNameOutsideTheEncodingIsRefusedAndNeverTakenForAnother)
{
    const QByteArray folder = QFile::encodeName(env.dir.path());
    const QByteArray bad = folder + "/bad\xff\xfe.ksv", badFolder = folder + "/in\xff", gone = folder + "/gone";
    ASSERT_EQ(std::rename(QFile::encodeName(env.write(QStringLiteral("readable.ksv"))).constData(), bad.constData()),
              0);
    ASSERT_EQ(mkdir(badFolder.constData(), 0700), 0);
    ASSERT_EQ(mkdir(gone.constData(), 0700), 0);
    // The folder's own removal cannot name these.
    const auto removeBad = qScopeGuard([&bad, &badFolder] {
        std::remove(bad.constData());
        rmdir(badFolder.constData());
    });
    const QStringList lookalikes = {env.write(QStringLiteral("bad\ufffd\ufffd.ksv"), QStringLiteral("Other")),
                                    env.write(QStringLiteral("in\ufffd/doc.ksv"), QStringLiteral("Other"))};
    const auto state = [&lookalikes] {
        QList<std::pair<QByteArray, QDateTime>> result;
        for (const QString &path : lookalikes) {
            QFile file(path);
            result.append({file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(),
                           QFileInfo(path).lastModified()});
        }
        return result;
    };
    const auto before = state();
    const QString home = QDir::currentPath();
    const auto restore = qScopeGuard([&home] { QDir::setCurrent(home); });

    const struct {
        QByteArray working, argument;
    } cases[] = {{{}, bad}, {{}, "file://" + folder + "/bad%FF%FE.ksv"}, {badFolder, "doc.ksv"}, {gone, "doc.ksv"}};
    QList<QByteArray> given;
    KestrivaneApplication::CommandLineFiles files;
    for (const auto &item : cases) {
        ASSERT_TRUE(item.working.isEmpty() || chdir(item.working.constData()) == 0);
        ASSERT_TRUE(item.working != gone || rmdir(gone.constData()) == 0);
        given.append(item.argument);
        const auto one = KestrivaneApplication::documentPaths({"kestrivane", item.argument});
        files.paths += one.paths;
        files.refused += one.refused;
    }
    EXPECT_TRUE(files.paths.isEmpty());
    EXPECT_EQ(files.refused, given);
    delegate.launch(files.paths, files.refused);
    QCoreApplication::processEvents();
    EXPECT_TRUE(delegate.workspace()->tabs().isEmpty());
    ASSERT_EQ(env.alerts->alerts.size(), given.size());
    for (qsizetype i = 0; i < given.size(); ++i)
        EXPECT_EQ(env.alerts->alerts[i].informativeText,
                  env.localization.text(QStringLiteral("mac.error_io")) + u'\n' + QFile::decodeName(given[i]));
    EXPECT_EQ(state(), before);
}
