#include "tests/app/shell/ShellTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/shell/WorkspaceIssue.h"
#include "core/common/TableIssue.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace kestrivane;
using shelltest::WorkspaceEnvironment;
using Route = WorkspaceStore::Route;

namespace {

const QString suffix = QStringLiteral(" \u2014 Kestrivane[*]");

// The prompt's buttons are save, don't save, cancel.
constexpr qsizetype saveButton = 0;
constexpr qsizetype discardButton = 1;
constexpr qsizetype cancelButton = 2;

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

} // namespace

TEST(WorkspaceStore, OpensAFileOnceWhateverFormItsPathTakes)
{
    WorkspaceEnvironment env;
    const QString path = env.write(QStringLiteral("docs/a.ksv"), QStringLiteral("A"));
    ASSERT_TRUE(QFile::link(path, env.dir.filePath(QStringLiteral("link.ksv"))));
    EditorStore *tab = env.workspace.open(path);
    rename(*tab, QStringLiteral("Edited"));
    env.workspace.setRoute(Route::home);

    for (const QString &form : {env.dir.filePath(QStringLiteral("link.ksv")),
                                env.dir.filePath(QStringLiteral("docs/../docs/./a.ksv")), path}) {
        SCOPED_TRACE(form.toStdString());
        env.workspace.setRoute(Route::home);
        EXPECT_EQ(env.workspace.open(form), tab);
        EXPECT_EQ(env.workspace.route(), Route::editor);
    }
    EXPECT_EQ(names(env.workspace), QStringList{QStringLiteral("Edited")}); // never reloaded
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
}

TEST(WorkspaceStore, EachFailingFileGetsOneAlertAndTheOthersStillOpen)
{
    struct Case {
        const char *name;
        std::function<QString(WorkspaceEnvironment &)> make;
        QString key;
    };
    const QList<Case> cases = {
        {"missing", [](WorkspaceEnvironment &env) { return env.dir.filePath(QStringLiteral("none.ksv")); },
         QStringLiteral("mac.error_io")},
        {"directory",
         [](WorkspaceEnvironment &env) {
             QDir(env.dir.path()).mkdir(QStringLiteral("folder.ksv"));
             return env.dir.filePath(QStringLiteral("folder.ksv"));
         },
         QStringLiteral("mac.error_io")},
        {"not JSON",
         [](WorkspaceEnvironment &env) {
             const QString path = env.dir.filePath(QStringLiteral("text.ksv"));
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write("hello");
             return path;
         },
         QStringLiteral("mac.error_document")},
        {"over 10 MiB",
         [](WorkspaceEnvironment &env) {
             const QString path = env.dir.filePath(QStringLiteral("large.ksv"));
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray(LabelDocument::maximumFileBytes + 1, ' '));
             return path;
         },
         QStringLiteral("mac.error_large")},
        {"bound to a missing column",
         [](WorkspaceEnvironment &env) {
             LabelElement element(QUuid::createUuid(), ElementKind::text, QStringLiteral("x"), 5, 5, 20, 8, 10);
             element.tableBinding = TableBinding(0);
             LabelDocument document(QStringLiteral("Bound"), 60, 40, {element});
             LabelTable table;
             table.sourceName = QStringLiteral("data.csv");
             table.sheetName = QStringLiteral("CSV");
             table.columns = {QStringLiteral("A")};
             table.rows = {{QStringLiteral("1")}};
             document.table = table;
             QJsonObject json = QJsonDocument::fromJson(document.encoded()).object();
             QJsonArray elements = json.value(QStringLiteral("elements")).toArray();
             QJsonObject first = elements.at(0).toObject();
             QJsonObject binding = first.value(QStringLiteral("tableBinding")).toObject();
             binding.insert(QStringLiteral("column"), 5);
             first.insert(QStringLiteral("tableBinding"), binding);
             elements.replace(0, first);
             json.insert(QStringLiteral("elements"), elements);
             const QString path = env.dir.filePath(QStringLiteral("bound.ksv"));
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write(QJsonDocument(json).toJson());
             return path;
         },
         key(TableIssue::binding)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WorkspaceEnvironment env;
        const QString first = env.write(QStringLiteral("first.ksv"), QStringLiteral("First"));
        const QString last = env.write(QStringLiteral("last.ksv"), QStringLiteral("Last"));
        env.workspace.openFiles({first, c.make(env), last});

        EXPECT_EQ(names(env.workspace), (QStringList{QStringLiteral("First"), QStringLiteral("Last")}));
        EXPECT_EQ(activeName(env.workspace), QStringLiteral("Last"));
        ASSERT_EQ(env.alerts->alerts.size(), 1);
        const editortest::RecordedAlert &alert = env.alerts->alerts.first();
        EXPECT_EQ(alert.message, QStringLiteral("Error"));
        EXPECT_EQ(alert.informativeText, env.localization.text(c.key));
        EXPECT_EQ(alert.buttonTitle, QStringLiteral("Close"));
        EXPECT_FALSE(alert.information);
    }
}

TEST(WorkspaceStore, OpenPanelOpensTheChosenFilesInOrder)
{
    WorkspaceEnvironment env;
    env.dialogs->openAnswer = {env.write(QStringLiteral("a.ksv"), QStringLiteral("A")),
                               env.write(QStringLiteral("b.ksv"), QStringLiteral("B"))};
    env.workspace.openPanel();
    ASSERT_EQ(env.dialogs->openRequests.size(), 1);
    EXPECT_TRUE(env.dialogs->openRequests.first().multipleSelection);
    EXPECT_EQ(env.dialogs->openRequests.first().acceptLabel, QStringLiteral("Open"));
    EXPECT_EQ(names(env.workspace), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(activeName(env.workspace), QStringLiteral("B"));

    env.dialogs->openAnswer.clear(); // cancelled
    env.workspace.openPanel();
    EXPECT_EQ(env.workspace.tabs().size(), 2);
}

TEST(WorkspaceStore, ClosingTheActiveTabActivatesTheOneInItsPlace)
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
    EXPECT_TRUE(env.workspace.close(QUuid::createUuid())); // names no tab
    EXPECT_EQ(env.workspace.tabs().size(), 1);
    EXPECT_TRUE(env.workspace.close(ids[0]));
    EXPECT_TRUE(env.workspace.tabs().isEmpty());
    EXPECT_FALSE(env.workspace.activeID());
    EXPECT_EQ(env.workspace.route(), Route::home);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Home") + suffix);
    EXPECT_EQ(env.dialogs->choices, 0); // nothing was changed, nothing asked
}

TEST(WorkspaceStore, ADirtyTabClosesOnlyWhenTheUserAllows)
{
    struct Case {
        const char *name;
        qsizetype answer;
        bool saveSucceeds;
        bool closes;
    };
    const QList<Case> cases = {
        {"cancel", cancelButton, true, false},
        {"save failed", saveButton, false, false},
        {"save", saveButton, true, true},
        {"discard", discardButton, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WorkspaceEnvironment env;
        EditorStore *other = env.workspace.add(LabelDocument(QStringLiteral("Other"), 60, 40, {}), std::nullopt, true);
        EditorStore *tab = env.workspace.open(env.write(QStringLiteral("a.ksv"), QStringLiteral("A")));
        env.workspace.activate(other->id());
        rename(*tab, QStringLiteral("A2"));
        env.dialogs->choiceAnswer = c.answer;
        int saves = 0;
        const bool closed = env.workspace.close(tab->id(), {}, [&](EditorStore &) {
            ++saves;
            return c.saveSucceeds;
        });
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(env.dialogs->choices, 1);
        EXPECT_EQ(saves, c.answer == saveButton ? 1 : 0);
        EXPECT_EQ(env.workspace.tabs().size(), c.closes ? 1 : 2);
        EXPECT_EQ(activeName(env.workspace), QStringLiteral("Other")); // a tab that was not active
    }
}

TEST(WorkspaceStore, ConfirmCloseAllStopsAtACancelAndKeepsWhatWasSaved)
{
    WorkspaceEnvironment env;
    const QString pathA = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    EditorStore *a = env.workspace.open(pathA);
    env.workspace.open(env.write(QStringLiteral("clean.ksv"), QStringLiteral("Clean")));
    EditorStore *b = env.workspace.add(LabelDocument(QStringLiteral("B"), 60, 40, {}), std::nullopt, true);
    EditorStore *c = env.workspace.add(LabelDocument(QStringLiteral("C"), 60, 40, {}), std::nullopt, true);
    rename(*a, QStringLiteral("A saved"));

    QList<QString> asked;
    const auto decide = [&](EditorStore &tab) {
        asked.append(tab.document().name);
        return tab.id() == a->id() ? CloseDecision::save : CloseDecision::cancel;
    };
    EXPECT_FALSE(env.workspace.confirmCloseAll(decide));
    EXPECT_EQ(asked, (QList<QString>{QStringLiteral("A saved"), QStringLiteral("B")})); // C is not asked
    EXPECT_EQ(LabelDocument::load(pathA).name, QStringLiteral("A saved"));
    EXPECT_EQ(env.workspace.tabs().size(), 4);
    EXPECT_EQ(env.workspace.activeID(), c->id());

    asked.clear();
    EXPECT_TRUE(env.workspace.confirmCloseAll([&](EditorStore &tab) {
        asked.append(tab.document().name);
        return CloseDecision::discard;
    }));
    EXPECT_EQ(asked, (QList<QString>{QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(env.workspace.tabs().size(), 4);
    Q_UNUSED(b);
}

TEST(WorkspaceStore, SavingOntoAnotherTabsFileIsRefused)
{
    WorkspaceEnvironment env;
    const QString pathA = env.write(QStringLiteral("a.ksv"), QStringLiteral("A"));
    EditorStore *a = env.workspace.open(pathA);
    EditorStore *b = env.workspace.add(LabelDocument(QStringLiteral("B"), 60, 40, {}), std::nullopt, true);
    EditorStore *c = env.workspace.add(LabelDocument(QStringLiteral("C"), 60, 40, {}), std::nullopt, true);

    EXPECT_ISSUE(b->saveTo(pathA), WorkspaceIssue, WorkspaceIssue::fileAlreadyOpen);
    EXPECT_ISSUE(b->saveTo(env.dir.filePath(QStringLiteral("x/../a.ksv"))), WorkspaceIssue,
                 WorkspaceIssue::fileAlreadyOpen);
    EXPECT_EQ(LabelDocument::load(pathA).name, QStringLiteral("A"));

    // Two files that do not exist yet are different files, and so are two tabs without one.
    b->saveTo(env.dir.filePath(QStringLiteral("new-b.ksv")));
    c->saveTo(env.dir.filePath(QStringLiteral("new-c.ksv")));
    a->saveTo(pathA); // its own file
    EXPECT_EQ(b->fileURL(), env.dir.filePath(QStringLiteral("new-b.ksv")));

    // Through the save dialog: one alert with the workspace's text, nothing written.
    env.dialogs->saveAnswer = pathA;
    EXPECT_FALSE(c->save(true));
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts.first().informativeText,
              env.localization.text(QStringLiteral("mac.file_already_open")));
}

TEST(WorkspaceStore, TheWindowTitleFollowsTheActiveDocumentAndTheScreen)
{
    WorkspaceEnvironment env;
    QWidget window;
    env.workspace.setWindow(&window);
    env.workspace.updateWindow();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Home") + suffix);

    const QString path = env.write(QStringLiteral("box.ksv"), QStringLiteral("Box [*] 2"));
    EditorStore *tab = env.workspace.open(path);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Box [*][*] 2[*]"));
    EXPECT_EQ(window.windowFilePath(), path);
    EXPECT_FALSE(window.isWindowModified());

    // A change of the tab reaches the window on the next turn, once.
    rename(*tab, QStringLiteral("Renamed"));
    rename(*tab, QStringLiteral("Renamed [*]"));
    EXPECT_FALSE(window.isWindowModified());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Renamed [*][*][*]"));
    EXPECT_TRUE(window.isWindowModified());

    struct Case {
        Route route;
        QString title;
    };
    for (const Case &c : {Case{Route::home, QStringLiteral("Home") + suffix},
                          Case{Route::catalog, QStringLiteral("From a template") + suffix}}) {
        env.workspace.setRoute(c.route);
        EXPECT_EQ(env.workspace.active(), nullptr);
        EXPECT_EQ(window.windowTitle(), c.title);
        EXPECT_TRUE(window.windowFilePath().isEmpty());
        EXPECT_FALSE(window.isWindowModified());
    }

    // Through the parameters draft: the new name shows at once.
    env.workspace.activate(tab->id());
    env.workspace.editParameters();
    env.workspace.draft()->setName(QStringLiteral("Via draft"));
    env.workspace.commitDraft();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Via draft[*]"));
}

TEST(WorkspaceStore, DraftsMakeNewTabsOrApplyToTheirTab)
{
    WorkspaceEnvironment env;
    env.workspace.newDocument();
    ASSERT_NE(env.workspace.draft(), nullptr);
    EXPECT_EQ(env.workspace.route(), Route::home);
    env.workspace.commitDraft();
    ASSERT_EQ(env.workspace.tabs().size(), 1);
    EditorStore *tab = env.workspace.active();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->document().name, QStringLiteral("New label"));
    EXPECT_EQ(tab->document().widthMm, 60);
    EXPECT_EQ(tab->document().heightMm, 40);
    EXPECT_TRUE(tab->dirty());
    EXPECT_EQ(env.workspace.draft(), nullptr);

    // Unchanged parameters add no undo step; a change adds exactly one.
    env.workspace.editParameters();
    env.workspace.commitDraft();
    EXPECT_TRUE(tab->undoStack().isEmpty());
    env.workspace.editParameters();
    env.workspace.draft()->setWidth(QStringLiteral("80"));
    env.workspace.commitDraft();
    EXPECT_EQ(tab->undoStack().size(), 1);
    EXPECT_EQ(tab->document().widthMm, 80);

    // An unreadable text throws and keeps the draft.
    env.workspace.editParameters();
    TemplateDraft *draft = env.workspace.draft();
    draft->setWidth(QStringLiteral("wide"));
    EXPECT_ISSUE(env.workspace.commitDraft(), DocumentIssue, DocumentIssue::invalidGeometry);
    EXPECT_EQ(env.workspace.draft(), draft);

    // The tab closed while its draft was open: the draft goes, nothing else changes.
    draft->setWidth(QStringLiteral("90"));
    env.dialogs->choiceAnswer = discardButton;
    EXPECT_TRUE(env.workspace.close(tab->id()));
    env.workspace.commitDraft();
    EXPECT_EQ(env.workspace.draft(), nullptr);
    EXPECT_TRUE(env.workspace.tabs().isEmpty());

    // Without an active document there is nothing to edit.
    env.workspace.editParameters();
    EXPECT_EQ(env.workspace.draft(), nullptr);
}
