// Pictures of the workspace screens in the real main window on a private X server (real
// fonts and window sizes), for a person to look at. The child program is this test binary,
// started with a role in the environment; the role runs in place of the tests.

#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"

#include "app/editor/EditorStore.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/MainWindow.h"
#include "app/shell/TemplateDraft.h"
#include "app/shell/TemplateView.h"
#include "app/shell/WorkspaceStore.h"
#include "app/shell/WorkspaceView.h"

#include <QCoreApplication>
#include <QImage>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool save(QWidget *window, const QString &name)
{
    settle();
    return window && window->grab().save(testsupport::outputPath(name));
}

bool screensProgram()
{
    shelltest::WorkspaceEnvironment env;
    AppDelegate delegate(&env.localization, &env.settings);
    delegate.setTerminate([] {});
    delegate.launch();
    WorkspaceStore &workspace = *delegate.workspace();
    bool saved = save(delegate.window(), QStringLiteral("workspace-home-empty.png"));

    workspace.open(env.write(QStringLiteral("a.ksv"), QStringLiteral("Shelf labels")));
    workspace.open(env.write(QStringLiteral("b.ksv"),
                             QStringLiteral("Shipping labels for the spring catalogue, warehouse north")));
    workspace.add(LabelDocument(QStringLiteral("New label"), 60, 40, {}), std::nullopt, true);
    workspace.activate(workspace.tabs().at(1)->id());
    saved = save(delegate.window(), QStringLiteral("workspace-editor-tabs.png")) && saved;
    workspace.setRoute(WorkspaceStore::Route::home);
    saved = save(delegate.window(), QStringLiteral("workspace-home-tabs.png")) && saved;

    workspace.newDocument();
    settle();
    if (TemplateView *view = delegate.window()->findChild<WorkspaceView *>()->sheet()) {
        workspace.draft()->setColumns(QStringLiteral("2"));
        workspace.draft()->setRows(QStringLiteral("3"));
        workspace.draft()->setLeft(QStringLiteral("5"));
        workspace.draft()->setTop(QStringLiteral("5"));
        workspace.draft()->setHorizontalGap(QStringLiteral("2"));
        workspace.draft()->setVerticalGap(QStringLiteral("2"));
        workspace.draft()->setRadius(QStringLiteral("4"));
        saved = save(view, QStringLiteral("workspace-sheet-valid.png")) && saved;
        workspace.draft()->setWidth(QStringLiteral("6o"));
        view->applyButton()->setEnabled(true); // an attempt, as a click before the last keystroke
        view->applyButton()->click();
        saved = save(view, QStringLiteral("workspace-sheet-invalid.png")) && saved;
        workspace.draft()->setWidth(QStringLiteral("60"));
        workspace.draft()->setShape(LabelShape::ellipse);
        env.localization.select(AppLanguage::russian);
        saved = save(view, QStringLiteral("workspace-sheet-ru.png")) && saved;
        workspace.clearDraft();
    } else {
        saved = false;
    }
    settle();
    saved = save(delegate.window(), QStringLiteral("workspace-home-ru.png")) && saved;

    return saved;
}

[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("workspace-screens"), screensProgram);

} // namespace

TEST(WorkspaceScreensProcess, ScreenshotsOfTheWorkspaceScreens)
{
    if (!testsupport::takeScreenshots(QStringLiteral("workspace-screens"), QStringLiteral("WorkspaceScreensProcess.*"),
                                      QSize(1600, 1000)))
        return;
    EXPECT_EQ(QImage(testsupport::outputPath(QStringLiteral("workspace-sheet-valid.png"))).size(),
              TemplateView::fixedSize);
}
