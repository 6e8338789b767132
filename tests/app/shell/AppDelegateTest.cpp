#include "tests/app/shell/ShellTestSupport.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/KestrivaneApplication.h"
#include "app/shell/MainWindow.h"
#include "app/shell/WorkspaceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

constexpr qsizetype cancelButton = 2;

// A delegate over the environment's settings and texts whose termination is counted.
class DelegateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delegate = std::make_unique<AppDelegate>(&env.localization, &env.settings);
        delegate->setTerminate([this] { ++terminations; });
        delegate->workspace()->setAlerts(env.alerts);
        delegate->workspace()->setDialogs(env.dialogs);
    }
    void TearDown() override { delegate.reset(); }

    shelltest::WorkspaceEnvironment env;
    std::unique_ptr<AppDelegate> delegate;
    int terminations = 0;
};

} // namespace

TEST_F(DelegateTest, ClosingWithoutChangesEndsTheProgramOnTheNextTurn)
{
    delegate->launch();
    MainWindow *window = delegate->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->centralWidget()->size(), MainWindow::contentSize);
    EXPECT_EQ(window->centralWidget()->minimumSize(), MainWindow::minimumContentSize);
    delegate->settings();
    delegate->workspace()->open(env.write(QStringLiteral("saved.ksv")));

    EXPECT_TRUE(window->close());
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(delegate->settingsWindow()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(env.dialogs->choices, 0);
    // The close already asked: quitting now does not ask again.
    EXPECT_TRUE(delegate->applicationShouldTerminate());
    EXPECT_EQ(env.dialogs->choices, 0);
}

TEST_F(DelegateTest, ACancelledPromptKeepsEverythingAndALaterQuitAsksAgain)
{
    delegate->launch();
    delegate->workspace()->add(LabelDocument(QStringLiteral("Unsaved"), 60, 40, {}), std::nullopt, true);
    env.dialogs->choiceAnswer = cancelButton;

    EXPECT_FALSE(delegate->window()->close());
    EXPECT_TRUE(delegate->window()->isVisible());
    EXPECT_FALSE(delegate->closingMainWindow());
    EXPECT_EQ(delegate->workspace()->tabs().size(), 1);
    delegate->quit();
    QCoreApplication::processEvents();
    EXPECT_EQ(env.dialogs->choices, 2);
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(delegate->workspace()->tabs().size(), 1);

    env.dialogs->choiceAnswer = 1; // don't save
    delegate->quit();
    EXPECT_EQ(terminations, 1);
}

TEST_F(DelegateTest, TheSettingsWindowIsReusedCentredAndRetitled)
{
    delegate->launch();
    delegate->settings();
    QWidget *settings = delegate->settingsWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(settings->size(), QSize(540, 340));
    EXPECT_EQ(settings->minimumSize(), QSize(500, 312));
    EXPECT_FALSE(settings->windowFlags() & Qt::WindowMinimizeButtonHint);

    settings->close();
    settings->move(0, 0);
    env.localization.select(AppLanguage::german);
    QCoreApplication::processEvents();
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(settings->locale(), QLocale(QStringLiteral("de_DE")));
    delegate->settings();
    EXPECT_EQ(delegate->settingsWindow(), settings);
    EXPECT_TRUE(settings->isVisible());
    const QPoint centre = settings->screen()->availableGeometry().center();
    EXPECT_LE((settings->frameGeometry().center() - centre).manhattanLength(), 2);
    // Closing it leaves the program running.
    settings->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 0);
}

TEST_F(DelegateTest, OnlyLaterLanguagesRebuildAndOnceOnTheNextTurn)
{
    QSignalSpy rebuilds(delegate.get(), &AppDelegate::menusRebuilt);
    delegate->launch();
    EXPECT_EQ(rebuilds.count(), 1); // the menus of the launch
    QCoreApplication::processEvents();
    EXPECT_EQ(rebuilds.count(), 1);

    env.localization.select(AppLanguage::russian);
    EXPECT_EQ(rebuilds.count(), 1);
    EXPECT_EQ(delegate->window()->windowTitle(), QStringLiteral("Home \u2014 Kestrivane[*]"));
    QCoreApplication::processEvents();
    EXPECT_EQ(rebuilds.count(), 2);
    EXPECT_EQ(delegate->window()->windowTitle(), QStringLiteral("Главная \u2014 Kestrivane[*]"));
    EXPECT_EQ(delegate->window()->locale(), QLocale(QStringLiteral("ru_RU")));
}

TEST_F(DelegateTest, CommandLineFilesOpenInOrderOnceTheWindowIsShown)
{
    const QString a = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    const QString b = env.write(QStringLiteral("b.ksv"), QStringLiteral("B"));
    delegate->launch({a, env.dir.filePath(QStringLiteral("missing.ksv")), b, a});
    EXPECT_TRUE(delegate->workspace()->tabs().isEmpty());
    QCoreApplication::processEvents();
    const QList<EditorStore *> &tabs = delegate->workspace()->tabs();
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_EQ(tabs[0]->document().name, QStringLiteral("A"));
    EXPECT_EQ(tabs[1]->document().name, QStringLiteral("B"));
    EXPECT_EQ(delegate->workspace()->active(), tabs[0]); // the last one given was found again
    EXPECT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(delegate->window()->windowTitle(), QStringLiteral("A[*]"));
}

TEST_F(DelegateTest, AboutAndHelpAreInformationAlerts)
{
    delegate->about();
    delegate->help();
    ASSERT_EQ(env.alerts->alerts.size(), 2);
    EXPECT_EQ(env.alerts->alerts[0].message, env.localization.text(QStringLiteral("mac.about")));
    EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(QStringLiteral("mac.about_body")));
    EXPECT_EQ(env.alerts->alerts[1].informativeText, env.localization.text(QStringLiteral("mac.help_body")));
    for (const editortest::RecordedAlert &alert : env.alerts->alerts) {
        EXPECT_TRUE(alert.information);
        EXPECT_EQ(alert.buttonTitle, QStringLiteral("Close"));
    }
}

TEST(KestrivaneApplication, CommandLineArgumentsBecomeAbsolutePaths)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.ksv"));
    const QString link = dir.filePath(QStringLiteral("link.ksv"));
    ASSERT_TRUE(QFile::link(target, link));
    const QStringList paths = KestrivaneApplication::documentPaths(
        {QStringLiteral("kestrivane"), QStringLiteral("rel/a b.ksv"), link,
         QStringLiteral("file://") + dir.filePath(QStringLiteral("Label%20one.ksv")), QString()});
    EXPECT_EQ(paths, (QStringList{QDir::current().absoluteFilePath(QStringLiteral("rel/a b.ksv")), link,
                                  dir.filePath(QStringLiteral("Label one.ksv"))}));
}
