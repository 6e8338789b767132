#include "tests/app/editor/EditorTestSupport.h"

#include "app/common/WorkspaceIssue.h"
#include "core/common/TableIssue.h"
#include "core/print/PrintRowIssue.h"

#include <gtest/gtest.h>

using namespace kestrivane;
using editortest::StoreEnvironment;

namespace {

LabelElement textElement(double x, double y, double w = 10, double h = 5)
{
    return LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("T"), x, y, w, h, 12);
}

LabelDocument documentWith(QList<LabelElement> elements, double w = 100, double h = 50)
{
    return LabelDocument(QStringLiteral("Doc"), w, h, std::move(elements));
}

LabelTable tableOfRows(int rows)
{
    LabelTable table;
    table.sourceName = QStringLiteral("t.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("A")};
    for (int i = 0; i < rows; ++i)
        table.rows.append({QStringLiteral("r%1").arg(i)});
    return table;
}

// Counts every announcement of one signal.
template <typename Signal> std::shared_ptr<int> countSignal(EditorStore &store, Signal signal)
{
    auto count = std::make_shared<int>(0);
    QObject::connect(&store, signal, &store, [count] { ++*count; });
    return count;
}

class EditorStoreTest : public ::testing::Test {
protected:
    StoreEnvironment env;
};

} // namespace

TEST_F(EditorStoreTest, HistoryKeepsAtMostOneHundredDocuments)
{
    auto store = env.makeStore(documentWith({textElement(0, 0)}));
    const LabelDocument original = store->document();
    QList<LabelDocument> afterEdit;
    for (int i = 1; i <= 101; ++i) {
        store->apply([i](LabelDocument &d) { d.elements[0].xMm = i; });
        afterEdit.append(store->document());
    }
    EXPECT_EQ(store->undoStack().size(), 100);
    for (int i = 0; i < 100; ++i)
        store->undo();
    // The document before the first edit fell out of the history.
    EXPECT_EQ(store->document(), afterEdit.first());
    EXPECT_NE(store->document(), original);
    store->undo();
    EXPECT_EQ(store->document(), afterEdit.first());
    EXPECT_EQ(store->redoStack().size(), 100);
    EXPECT_LE(store->undoStack().size() + store->redoStack().size(), 100);

    store->redo();
    EXPECT_EQ(store->document(), afterEdit[1]);
    // A new edit after undo drops everything that could have been redone.
    store->apply([](LabelDocument &d) { d.name = QStringLiteral("new"); });
    EXPECT_TRUE(store->redoStack().isEmpty());
    EXPECT_EQ(store->undoStack().size(), 2);
}

TEST_F(EditorStoreTest, HistoryEntriesShareUnchangedData)
{
    // A hundred snapshots of a document with a large table must not hold a hundred tables.
    auto store = env.makeStore(documentWith({textElement(0, 0)}));
    store->replaceTable(tableOfRows(1000));
    for (int i = 1; i <= 100; ++i)
        store->apply([i](LabelDocument &d) { d.elements[0].xMm = i; });
    const auto *rows = store->document().table->rows.constData();
    for (const LabelDocument &snapshot : store->undoStack())
        EXPECT_EQ(snapshot.table->rows.constData(), rows);
}

TEST_F(EditorStoreTest, EditsOutsideTheElementsKeepSharingTheElementList)
{
    // Reading the elements while cleaning the selection, selecting all or looking up an
    // element must not give the current document and its history entries separate copies.
    const LabelElement a = textElement(0, 0);
    auto store = env.makeStore(documentWith({a, textElement(20, 0)}));
    store->setSelectedID(a.id);
    const auto sharesWithLastUndo = [&] {
        return store->undoStack().last().elements.constData() == store->document().elements.constData();
    };
    store->apply([](LabelDocument &d) { d.name = QStringLiteral("renamed"); });
    EXPECT_TRUE(sharesWithLastUndo());
    store->selectAll();
    store->apply([](LabelDocument &d) { d.batch.copies = 2; });
    EXPECT_TRUE(sharesWithLastUndo());
    EXPECT_FALSE(store->commitInlineText(QString(5000, QLatin1Char('x')), a.id));
    EXPECT_FALSE(store->commitInlineText(QStringLiteral("x"), QUuid::createUuid()));
    EXPECT_TRUE(sharesWithLastUndo());
    store->undo();
    EXPECT_TRUE(sharesWithLastUndo());
    EXPECT_EQ(store->redoStack().last().elements.constData(), store->document().elements.constData());

    // A resize step leaves the gesture's start sharing the list it was taken from.
    store->setSelectedID(a.id);
    store->beginDrag();
    store->resize(QPointF(30, 10), ElementResizeHandle::bottomRight);
    EXPECT_EQ(store->dragStart()->elements.constData(), store->undoStack().last().elements.constData());
}

TEST_F(EditorStoreTest, UnchangedEditRecordsAndAnnouncesNothing)
{
    auto store = env.makeStore(documentWith({textElement(0, 0)}));
    store->apply([](LabelDocument &d) { d.elements[0].xMm = 3; });
    store->undo();
    store->setStatusKey(QStringLiteral("mac.error_geometry"));
    auto selectionSignals = countSignal(*store, &EditorStore::selectedIDsChanged);
    auto rowSignals = countSignal(*store, &EditorStore::previewRowChanged);
    store->apply([](LabelDocument &d) { d.elements[0].xMm = 0; });
    EXPECT_EQ(store->redoStack().size(), 1);
    EXPECT_TRUE(store->undoStack().isEmpty());
    EXPECT_EQ(store->statusKey(), QStringLiteral("mac.error_geometry"));
    EXPECT_EQ(*selectionSignals, 0);
    EXPECT_EQ(*rowSignals, 0);

    // A recorded edit clears the status message and announces the cleaned selection.
    store->apply([](LabelDocument &d) { d.elements[0].xMm = 1; });
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_EQ(*selectionSignals, 1);
}

TEST_F(EditorStoreTest, EveryWriteIsAnnouncedEvenWhenEqual)
{
    auto store = env.makeStore(documentWith({}));
    auto zoom = countSignal(*store, &EditorStore::zoomChanged);
    auto any = countSignal(*store, &EditorStore::changed);
    store->setZoom(store->zoom());
    store->setZoom(store->zoom());
    EXPECT_EQ(*zoom, 2);
    EXPECT_EQ(*any, 2);
    // The shared grid step is announced by every store.
    auto other = env.makeStore(documentWith({}));
    auto otherAny = countSignal(*other, &EditorStore::changed);
    env.grid.select(10);
    EXPECT_EQ(*any, 3);
    EXPECT_EQ(*otherAny, 1);
}

TEST_F(EditorStoreTest, UndoAndRedoCleanSelectionAndPreviewRow)
{
    const LabelElement a = textElement(0, 0);
    auto store = env.makeStore(documentWith({a}));
    const LabelElement b = textElement(20, 0);
    store->apply([&](LabelDocument &d) { d.elements.append(b); });
    store->setSelectedIDs({a.id, b.id});
    store->undo();
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{a.id});

    store->replaceTable(tableOfRows(3));
    store->setPreviewRow(7);
    store->apply([](LabelDocument &d) { d.name = QStringLiteral("x"); });
    EXPECT_EQ(store->previewRow(), 2);
    store->setPreviewRow(-4);
    store->undo();
    EXPECT_EQ(store->previewRow(), 0);
    store->redo();
    store->setPreviewRow(2);
    store->replaceTable(std::nullopt);
    EXPECT_EQ(store->previewRow(), 0);
}

TEST_F(EditorStoreTest, DirtyFollowsTheSavedDocument)
{
    auto opened = env.makeStore(documentWith({textElement(0, 0)}), false, QStringLiteral("/tmp/a.ksv"));
    EXPECT_FALSE(opened->dirty());
    opened->apply([](LabelDocument &d) { d.elements[0].yMm = 4; });
    opened->apply([](LabelDocument &d) { d.elements[0].yMm = 8; });
    EXPECT_TRUE(opened->dirty());
    opened->undo();
    opened->undo();
    EXPECT_FALSE(opened->dirty());

    auto fresh = env.makeStore(documentWith({}), true);
    EXPECT_TRUE(fresh->dirty());
    EXPECT_FALSE(fresh->fileURL().has_value());
}

TEST_F(EditorStoreTest, ClickSelectionRules)
{
    const LabelElement a = textElement(0, 0), b = textElement(20, 0), c = textElement(40, 0);
    auto store = env.makeStore(documentWith({a, b, c}));
    store->select(b.id, false);
    store->select(c.id, true);
    // A press on a member of a multiple selection keeps the whole selection.
    store->select(c.id, false);
    EXPECT_EQ(store->selectedIDs(), (QSet<QUuid>{b.id, c.id}));
    store->select(b.id, true);
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{c.id});
    store->select(std::nullopt, true);
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{c.id});
    store->select(std::nullopt, false);
    EXPECT_TRUE(store->selectedIDs().isEmpty());

    // The primary selection is the lowest layer, whatever the order of clicks.
    store->select(c.id, false);
    store->select(a.id, true);
    EXPECT_EQ(store->selectedID(), a.id);
    EXPECT_EQ(store->selection().size(), 2);
    EXPECT_EQ(store->selection()[0].id, a.id);
    store->setSelectedID(std::nullopt);
    EXPECT_FALSE(store->selected().has_value());
}

TEST_F(EditorStoreTest, ChangeElementEditsOnlyTheLowestSelected)
{
    LabelElement web = textElement(0, 0);
    web.webAppearance = WebAppearance();
    web.webAppearance->missingAlignment = true;
    const LabelElement b = textElement(20, 0), c = textElement(40, 0);
    auto store = env.makeStore(documentWith({web, b, c}));
    store->setSelectedIDs({c.id, b.id, web.id});

    store->changeElement([](LabelElement &e) { e.fontSizePt = 20; });
    EXPECT_EQ(store->document().elements[0].fontSizePt, 20);
    EXPECT_EQ(store->document().elements[1].fontSizePt, 12);
    EXPECT_EQ(store->document().elements[2].fontSizePt, 12);
    EXPECT_EQ(store->document().elements[0].webAppearance->missingAlignment, true);

    store->changeElement([](LabelElement &e) { e.textStyle.alignment = TextAlignment::center; });
    EXPECT_EQ(store->document().elements[0].webAppearance->missingAlignment, false);
    EXPECT_EQ(store->undoStack().size(), 2);

    store->setSelectedIDs({});
    store->changeElement([](LabelElement &e) { e.fontSizePt = 30; });
    EXPECT_EQ(store->undoStack().size(), 2);
}

TEST_F(EditorStoreTest, RenderDocumentBindsThePreviewRow)
{
    LabelElement bound = textElement(0, 0);
    bound.tableBinding = TableBinding(0, QStringLiteral("<"), QStringLiteral(">"));
    auto store = env.makeStore(documentWith({bound}));
    store->replaceTable(tableOfRows(3));
    store->apply([&](LabelDocument &d) { d.elements[0].tableBinding = bound.tableBinding; });
    store->setPreviewRow(9);
    LabelDocument shown = store->renderDocument();
    ASSERT_EQ(shown.elements.size(), 1);
    EXPECT_EQ(shown.elements[0].content, QStringLiteral("<r2>"));
    EXPECT_FALSE(shown.table.has_value());

    // A table without rows cannot resolve: the elements draw their stored content, and
    // the table is left out so that drawing does not try (and fail) to bind it again.
    LabelTable empty = tableOfRows(0);
    store->apply([&](LabelDocument &d) { d.table = empty; });
    shown = store->renderDocument();
    ASSERT_EQ(shown.elements.size(), 1);
    EXPECT_EQ(shown.elements[0].content, QStringLiteral("T"));
    EXPECT_FALSE(shown.table.has_value());
}

TEST_F(EditorStoreTest, GestureIsOneUndoStep)
{
    const LabelElement a = textElement(10, 10);
    auto store = env.makeStore(documentWith({a}));
    store->setSelectedID(a.id);

    store->beginDrag();
    store->drag(QPointF(10, 10), 0);
    store->endDrag();
    EXPECT_TRUE(store->undoStack().isEmpty());

    const LabelDocument before = store->document();
    store->beginDrag();
    for (int i = 1; i <= 100; ++i)
        store->drag(QPointF(10 + i * 0.3, 10), 0);
    store->endDrag();
    EXPECT_EQ(store->undoStack().size(), 1);
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 40);
    store->undo();
    EXPECT_EQ(store->document(), before);
}

TEST_F(EditorStoreTest, UndoDuringDragKeepsEveryEarlierState)
{
    const LabelElement a = textElement(10, 10);
    auto store = env.makeStore(documentWith({a}));
    store->setSelectedID(a.id);
    store->apply([](LabelDocument &d) { d.name = QStringLiteral("renamed"); });
    const LabelDocument renamed = store->document();

    store->beginDrag();
    store->drag(QPointF(20, 10), 0);
    const LabelDocument dragged = store->document();
    store->undo(); // Ctrl+Z with the button still held
    EXPECT_EQ(store->document(), renamed);
    store->drag(QPointF(30, 10), 0); // ignored: the gesture was closed
    store->endDrag();
    EXPECT_EQ(store->document(), renamed);

    store->redo();
    EXPECT_EQ(store->document(), dragged);
    store->undo();
    store->undo();
    EXPECT_EQ(store->document().name, QStringLiteral("Doc"));

    // A nudge during a drag records the drag first, then itself.
    store->redo();
    store->beginDrag();
    store->drag(QPointF(20, 10), 0);
    store->nudgeSelection(0, 1, 1);
    EXPECT_EQ(store->undoStack().size(), 3);
    store->undo();
    EXPECT_DOUBLE_EQ(store->document().elements[0].yMm, 10);
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 20);
}

TEST_F(EditorStoreTest, ErrorTextsAndAlerts)
{
    auto store = env.makeStore(documentWith({}));
    const Localization &l = env.localization;
    EXPECT_EQ(store->errorText(TableError(TableIssue::range)), l.text(QStringLiteral("mac.data_error_range")));
    EXPECT_EQ(store->errorText(WorkspaceError(WorkspaceIssue::fileAlreadyOpen)),
              l.text(QStringLiteral("mac.file_already_open")));
    EXPECT_EQ(store->errorText(DocumentError(DocumentIssue::invalidBarcode)),
              l.text(QStringLiteral("mac.error_barcode")));
    EXPECT_EQ(store->errorText(std::runtime_error("x")), l.text(QStringLiteral("mac.error_io")));
    EXPECT_EQ(store->errorText(FileError(QStringLiteral("disk"))), l.text(QStringLiteral("mac.error_io")));
    EXPECT_EQ(store->errorText(PrintRowIssue(7, QStringLiteral("mac.error_barcode"))),
              l.format(QStringLiteral("mac.data_row_error"), {qint64(7), l.text(QStringLiteral("mac.error_barcode"))}));

    store->show(DocumentError(DocumentIssue::invalidImage));
    store->showKey(QStringLiteral("mac.error_geometry"));
    ASSERT_EQ(env.alerts->alerts.size(), 2);
    EXPECT_EQ(env.alerts->alerts[0].message, l.text(QStringLiteral("mac.error")));
    EXPECT_EQ(env.alerts->alerts[0].informativeText, l.text(QStringLiteral("mac.error_image")));
    EXPECT_EQ(env.alerts->alerts[0].buttonTitle, l.text(QStringLiteral("mac.close")));
    EXPECT_EQ(env.alerts->alerts[1].informativeText, l.text(QStringLiteral("mac.error_geometry")));
}
