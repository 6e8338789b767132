#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/common/WorkspaceIssue.h"
#include "core/common/TableIssue.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

using namespace kestrivane;
using shelltest::WorkspaceEnvironment;
using Route = WorkspaceStore::Route;

namespace {

const QString suffix = QStringLiteral(" \u2014 Kestrivane[*]");
constexpr qsizetype saveButton = 0, discardButton = 1, cancelButton = 2; // of the save prompt

QStringList names(const WorkspaceStore &workspace)
{
    QStringList result;
    for (const EditorStore *tab : workspace.tabs())
        result.append(tab->document().name);
    return result;
}

QString activeName(const WorkspaceStore &workspace)
{
    return workspace.active() ? workspace.active()->document().name : QString();
}

void rename(EditorStore &tab, const QString &name)
{
    tab.apply([&name](LabelDocument &document) { document.name = name; });
}

QString writeBytes(const WorkspaceEnvironment &env, const QString &name, const QByteArray &bytes)
{
    QFile file(env.dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

} // namespace

TEST(WorkspaceStore, OpensAFileOnceWhateverFormItsPathTakes)
{
    WorkspaceEnvironment env;
    const QString path = env.write(QStringLiteral("docs/a.ksv"), QStringLiteral("A"));
    ASSERT_TRUE(QFile::link(path, env.dir.filePath(QStringLiteral("link.ksv"))));
    EditorStore *tab = env.workspace.open(path);
    rename(*tab, QStringLiteral("Edited"));
    for (const QString &form :
         {env.dir.filePath(QStringLiteral("link.ksv")), env.dir.filePath(QStringLiteral("docs/../docs/./a.ksv"))}) {
        env.workspace.setRoute(Route::home);
        EXPECT_EQ(env.workspace.open(form), tab) << form.toStdString();
        EXPECT_EQ(env.workspace.route(), Route::editor);
    }
    EXPECT_EQ(names(env.workspace), QStringList{QStringLiteral("Edited")}); // never reloaded
}

TEST(WorkspaceStore, EachFailingFileGetsOneAlertAndTheOthersStillOpen)
{
    // A document whose text element is bound to the sixth column of a one-column table.
    LabelDocument bound(QStringLiteral("Bound"), 60, 40, {});
    bound.table =
        LabelTable{QStringLiteral("data.csv"), QStringLiteral("CSV"), {QStringLiteral("A")}, {{QStringLiteral("1")}}};
    LabelElement element(QUuid::createUuid(), ElementKind::text, QStringLiteral("x"), 5, 5, 20, 8, 10);
    element.tableBinding = TableBinding(0);
    bound.elements = {element};
    const QByteArray badBinding = bound.encoded().replace("\"column\": 0", "\"column\": 5");

    const QList<std::pair<std::function<QString(WorkspaceEnvironment &)>, QString>> cases = {
        {[](auto &env) { return env.dir.filePath(QStringLiteral("none.ksv")); }, QStringLiteral("mac.error_io")},
        {[](auto &env) { return env.dir.path(); }, QStringLiteral("mac.error_io")},
        {[](auto &env) { return writeBytes(env, QStringLiteral("t.ksv"), "hello"); },
         QStringLiteral("mac.error_document")},
        {[](auto &env) { return writeBytes(env, QStringLiteral("l.ksv"), QByteArray(0xA00001, ' ')); },
         QStringLiteral("mac.error_large")},
        {[&](auto &env) { return writeBytes(env, QStringLiteral("b.ksv"), badBinding); }, key(TableIssue::binding)},
    };
    for (const auto &[make, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        WorkspaceEnvironment env;
        env.dialogs->openAnswer = {env.write(QStringLiteral("first.ksv"), QStringLiteral("First")), make(env),
                                   env.write(QStringLiteral("last.ksv"), QStringLiteral("Last"))};
        env.workspace.openPanel();
        EXPECT_TRUE(env.dialogs->openRequests.value(0).multipleSelection);
        EXPECT_EQ(names(env.workspace), (QStringList{QStringLiteral("First"), QStringLiteral("Last")}));
        EXPECT_EQ(activeName(env.workspace), QStringLiteral("Last"));
        ASSERT_EQ(env.alerts->alerts.size(), 1);
        EXPECT_EQ(env.alerts->alerts[0].message, QStringLiteral("Error"));
        EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(expected));
    }
}

TEST(WorkspaceStore, ClosingTabsMovesTheActiveTabAndAsksOnlyAboutChanges)
{
    WorkspaceEnvironment env;
    QWidget window;
    env.workspace.setWindow(&window);
    QList<QUuid> ids;
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        ids.append(env.workspace.open(env.write(name + QStringLiteral(".ksv"), name))->id());
    env.workspace.activate(ids[1]);
    EXPECT_TRUE(env.workspace.close(ids[1]));
    EXPECT_EQ(activeName(env.workspace), QStringLiteral("C"));
    EXPECT_TRUE(env.workspace.close(ids[2]));
    EXPECT_EQ(activeName(env.workspace), QStringLiteral("A"));
    EXPECT_TRUE(env.workspace.close(QUuid::createUuid()));
    EXPECT_TRUE(env.workspace.close(ids[0]));
    EXPECT_EQ(env.workspace.activeID(), std::nullopt);
    EXPECT_EQ(env.workspace.route(), Route::home);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Home") + suffix);
    EXPECT_EQ(env.dialogs->choices, 0);

    // A changed tab that is not the active one: cancel, a failed save, a save, discard.
    for (const auto &[answer, saved, closes] :
         {std::tuple{cancelButton, true, false}, std::tuple{saveButton, false, false},
          std::tuple{saveButton, true, true}, std::tuple{discardButton, true, true}}) {
        EditorStore *tab = env.workspace.add(LabelDocument(QStringLiteral("New"), 60, 40, {}), std::nullopt, true);
        const QUuid other =
            env.workspace.add(LabelDocument(QStringLiteral("Other"), 60, 40, {}), std::nullopt, false)->id();
        env.dialogs->choiceAnswer = answer;
        EXPECT_EQ(env.workspace.close(tab->id(), {}, [saved = saved](EditorStore &) { return saved; }), closes);
        EXPECT_EQ(env.workspace.tab(tab->id()) == nullptr, closes);
        EXPECT_EQ(env.workspace.activeID(), other);
    }
}

TEST(WorkspaceStore, ConfirmCloseAllStopsAtACancelAndKeepsWhatWasSaved)
{
    WorkspaceEnvironment env;
    const QString pathA = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    EditorStore *a = env.workspace.open(pathA);
    env.workspace.open(env.write(QStringLiteral("clean.ksv"), QStringLiteral("Clean")));
    env.workspace.add(LabelDocument(QStringLiteral("B"), 60, 40, {}), std::nullopt, true);
    env.workspace.add(LabelDocument(QStringLiteral("C"), 60, 40, {}), std::nullopt, true);
    rename(*a, QStringLiteral("A saved"));
    env.dialogs->choiceAnswers = {saveButton, cancelButton};
    EXPECT_FALSE(env.workspace.confirmCloseAll());
    EXPECT_EQ(env.dialogs->choices, 2); // A and B; the clean tab and C are not asked
    EXPECT_EQ(LabelDocument::load(pathA).name, QStringLiteral("A saved"));
    EXPECT_EQ(env.workspace.tabs().size(), 4);
    env.dialogs->choiceAnswer = discardButton;
    EXPECT_TRUE(env.workspace.confirmCloseAll());
    EXPECT_EQ(env.dialogs->choices, 4);
    EXPECT_EQ(env.workspace.tabs().size(), 4);
}

TEST(WorkspaceStore, SavingOntoAnotherTabsFileIsRefused)
{
    WorkspaceEnvironment env;
    const QString pathA = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    EditorStore *a = env.workspace.open(pathA);
    EditorStore *b = env.workspace.add(LabelDocument(QStringLiteral("B"), 60, 40, {}), std::nullopt, true);
    EditorStore *c = env.workspace.add(LabelDocument(QStringLiteral("C"), 60, 40, {}), std::nullopt, true);
    EXPECT_ISSUE(b->saveTo(env.dir.filePath(QStringLiteral("x/../a.ksv"))), WorkspaceIssue,
                 WorkspaceIssue::fileAlreadyOpen);
    EXPECT_EQ(LabelDocument::load(pathA).name, QStringLiteral("A"));
    // Two files that do not exist yet are different files; a tab's own file is allowed.
    b->saveTo(env.dir.filePath(QStringLiteral("new-b.ksv")));
    c->saveTo(env.dir.filePath(QStringLiteral("new-c.ksv")));
    a->saveTo(pathA);
    env.dialogs->saveAnswer = pathA;
    EXPECT_FALSE(c->save(true));
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(QStringLiteral("mac.file_already_open")));
}

TEST(WorkspaceStore, TheWindowFollowsTheActiveDocumentAndTheScreen)
{
    WorkspaceEnvironment env;
    QWidget window;
    env.workspace.setWindow(&window);
    const QString path = env.write(QStringLiteral("box.ksv"), QStringLiteral("Box [*] 2"));
    EditorStore *tab = env.workspace.open(path);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Box [*][*] 2[*]")); // shown as "Box [*] 2"
    EXPECT_EQ(window.windowFilePath(), path);
    EXPECT_FALSE(window.isWindowModified());

    rename(*tab, QStringLiteral("Renamed")); // reaches the window on the next turn
    EXPECT_FALSE(window.isWindowModified());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Renamed[*]"));
    EXPECT_TRUE(window.isWindowModified());

    for (const auto &[route, title] : {std::pair{Route::home, QStringLiteral("Home") + suffix},
                                       std::pair{Route::catalog, QStringLiteral("From a template") + suffix}}) {
        env.workspace.setRoute(route);
        EXPECT_EQ(window.windowTitle(), title);
        EXPECT_TRUE(window.windowFilePath().isEmpty());
        EXPECT_FALSE(window.isWindowModified());
    }
}

TEST(WorkspaceStore, DraftsMakeNewTabsOrApplyToTheirTab)
{
    WorkspaceEnvironment env;
    QWidget window;
    env.workspace.setWindow(&window);
    env.workspace.newDocument();
    EXPECT_EQ(env.workspace.route(), Route::home);
    env.workspace.commitDraft();
    EditorStore *tab = env.workspace.active();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->document().name, QStringLiteral("New label"));
    EXPECT_EQ(QSizeF(tab->document().widthMm, tab->document().heightMm), QSizeF(60, 40));
    EXPECT_TRUE(tab->dirty());
    EXPECT_EQ(env.workspace.draft(), nullptr);

    env.workspace.editParameters(); // unchanged: no undo step
    env.workspace.commitDraft();
    EXPECT_TRUE(tab->undoStack().isEmpty());
    env.workspace.editParameters();
    env.workspace.draft()->setName(QStringLiteral("Wider"));
    env.workspace.draft()->setWidth(QStringLiteral("80"));
    env.workspace.commitDraft();
    EXPECT_EQ(tab->undoStack().size(), 1);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Wider[*]"));

    env.workspace.editParameters();
    TemplateDraft *draft = env.workspace.draft();
    draft->setWidth(QStringLiteral("wide"));
    EXPECT_ISSUE(env.workspace.commitDraft(), DocumentIssue, DocumentIssue::invalidGeometry);
    EXPECT_EQ(env.workspace.draft(), draft);

    // Its tab closed while the draft was open: the draft goes, nothing else changes.
    draft->setWidth(QStringLiteral("90"));
    env.dialogs->choiceAnswer = discardButton;
    EXPECT_TRUE(env.workspace.close(tab->id()));
    env.workspace.commitDraft();
    EXPECT_EQ(env.workspace.draft(), nullptr);
    EXPECT_TRUE(env.workspace.tabs().isEmpty());
}
