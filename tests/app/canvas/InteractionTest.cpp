#include "tests/app/canvas/InteractionFixture.h"

#include "app/editor/EditorStore.h"
#include "app/io/EditorDialogs.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>

#include <limits>

using namespace kestrivane;
using namespace canvastest;

namespace {

using MarqueeSelectionGeometry::convexPolygonsIntersect;

// A clipboard of the test's own; no dialog is ever expected.
class TestClipboard final : public EditorDialogs {
public:
    std::optional<QString> chooseSaveFile(const SaveRequest &) override { return std::nullopt; }
    QStringList chooseOpenFiles(const OpenRequest &) override { return {}; }
    std::optional<qsizetype> choose(const QString &, const QString &, const QList<Button> &) override
    {
        return std::nullopt;
    }
    bool runPrintDialog(QPrinter &, int) override { return false; }
    const QMimeData *clipboardData() override { return data.get(); }
    void setClipboardData(std::unique_ptr<QMimeData> replacement) override { data = std::move(replacement); }

    std::unique_ptr<QMimeData> data;
};

class InteractionTest : public InteractionFixture {
protected:
    CanvasInteraction *interaction() const { return canvas->interaction(); }

    // The view point of a handle of an element.
    QPoint handle(const LabelElement &e, ElementResizeHandle h) const { return at(handlePosition(h, e)); }

    QSet<QUuid> ids(std::initializer_list<qsizetype> indices) const
    {
        QSet<QUuid> result;
        for (qsizetype i : indices)
            result.insert(element(i).id);
        return result;
    }

    // Sends a key to the canvas and says whether the canvas kept it.
    bool sendKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(canvas, &event);
        return event.isAccepted();
    }
};

TEST(MarqueeSelectionGeometry, SeparatingAxisTestOfConvexPolygons)
{
    const QList<QPointF> square = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    EXPECT_TRUE(convexPolygonsIntersect(square, {{1, 1}, {3, 1}, {3, 3}, {1, 3}}));
    // Touching along an edge and at a corner counts.
    EXPECT_TRUE(convexPolygonsIntersect(square, {{2, 0}, {4, 0}, {4, 2}, {2, 2}}));
    EXPECT_TRUE(convexPolygonsIntersect(square, {{2, 2}, {3, 2}, {3, 3}, {2, 3}}));
    // A diamond whose bounding box overlaps the square's corner but which does not.
    const QList<QPointF> diamond = {{4, 1.5}, {5.5, 3}, {4, 4.5}, {2.5, 3}};
    EXPECT_FALSE(convexPolygonsIntersect({{0, 0}, {3, 0}, {3, 2}, {0, 2}}, diamond));
    EXPECT_TRUE(convexPolygonsIntersect({{0, 0}, {3, 0}, {3, 2.6}, {0, 2.6}}, diamond));
    // One polygon wholly inside the other.
    EXPECT_TRUE(convexPolygonsIntersect(square, {{0.5, 0.5}, {1, 0.5}, {1, 1}}));
    // No usable edge at all.
    EXPECT_FALSE(convexPolygonsIntersect({{1, 1}, {1, 1}}, {{1, 1}}));
}

TEST(ResizeCursorFactory, TurnsWithTheElementAndUsesPlatformCursorsNearTheAxes)
{
    const auto angle = [](ElementResizeHandle h, double rotation) {
        return ResizeCursorFactory::drawnAngle(CanvasInteraction::cursorAngle(h, rotation));
    };
    const auto shape = [](ElementResizeHandle h, double rotation) {
        return ResizeCursorFactory::cursor(CanvasInteraction::cursorAngle(h, rotation)).shape();
    };
    EXPECT_EQ(shape(ElementResizeHandle::left, 0), Qt::SizeHorCursor);
    EXPECT_EQ(shape(ElementResizeHandle::top, 0), Qt::SizeVerCursor);
    EXPECT_EQ(shape(ElementResizeHandle::right, 90), Qt::SizeVerCursor);
    EXPECT_EQ(shape(ElementResizeHandle::bottom, 90), Qt::SizeHorCursor);
    EXPECT_EQ(angle(ElementResizeHandle::left, 30), 150);
    EXPECT_EQ(angle(ElementResizeHandle::top, 30), 60);
    EXPECT_EQ(angle(ElementResizeHandle::topLeft, 30), 105);
    EXPECT_EQ(angle(ElementResizeHandle::topRight, 30), 15);
    EXPECT_EQ(shape(ElementResizeHandle::topRight, 30), Qt::BitmapCursor);
    EXPECT_EQ(ResizeCursorFactory::drawnAngle(179.4), 179);
    // Half a degree short of the horizontal rounds to a whole degree, never to 180.
    EXPECT_EQ(ResizeCursorFactory::drawnAngle(-0.6), 179);
    // A broken rotation gets the plain cursor instead of a cursor for no number.
    EXPECT_EQ(shape(ElementResizeHandle::left, std::numeric_limits<double>::quiet_NaN()), Qt::SizeHorCursor);
    // One drawing per whole degree.
    EXPECT_EQ(ResizeCursorFactory::cursor(60.2).pixmap().cacheKey(),
              ResizeCursorFactory::cursor(59.8).pixmap().cacheKey());
}

TEST_F(InteractionTest, ClicksSelectTheTopmostElementAndShiftOrCtrlToggle)
{
    // The second element overlaps the first and is drawn over it; the third is turned.
    open(label(100, 60, {box(10, 10, 30, 20), box(25, 15, 30, 20), box(60, 20, 30, 10, 90)}), 1.5);
    click(at(30, 20));
    EXPECT_EQ(store->selectedIDs(), ids({1}));
    click(at(15, 12));
    EXPECT_EQ(store->selectedIDs(), ids({0}));
    // The turned element stands upright: hit where the turned box is, not where its
    // unturned box would be.
    click(at(75, 35));
    EXPECT_EQ(store->selectedIDs(), ids({2}));
    click(at(62, 25));
    EXPECT_TRUE(store->selectedIDs().isEmpty());

    click(at(15, 12));
    click(at(75, 35), Qt::ShiftModifier);
    click(at(50, 30), Qt::ControlModifier);
    EXPECT_EQ(store->selectedIDs(), ids({0, 1, 2}));
    // Removing an element with Shift starts no move.
    press(at(50, 30), Qt::ShiftModifier);
    EXPECT_EQ(store->selectedIDs(), ids({0, 2}));
    EXPECT_FALSE(store->dragStart());
    moveTo(at(55, 35));
    release(at(55, 35));
    EXPECT_EQ(element(1).xMm, 25);
    // A plain click on an element of the selection keeps the group for a drag.
    click(at(75, 35));
    EXPECT_EQ(store->selectedIDs(), ids({0, 2}));
}

TEST_F(InteractionTest, DoubleClickOnTheEmptyLabelRestoresTheSelectionAndOpensTheParameters)
{
    open(label(100, 60, {box(10, 10, 20, 10), box(50, 10, 20, 10)}), 2);
    int parameterSheets = 0;
    canvas->onEditParameters = [&] { ++parameterSheets; };
    store->setSelectedIDs(ids({0, 1}));
    click(at(50, 40));
    EXPECT_TRUE(store->selectedIDs().isEmpty());

    store->setSelectedIDs(ids({0, 1}));
    doubleClick(at(50, 40));
    EXPECT_EQ(parameterSheets, 1);
    EXPECT_EQ(store->selectedIDs(), ids({0, 1}));

    // On the desk beside the label nothing opens and the selection stays cleared.
    doubleClick(canvas->paperRect().topLeft().toPoint() - QPoint(20, 20));
    EXPECT_EQ(parameterSheets, 1);
    EXPECT_TRUE(store->selectedIDs().isEmpty());
}

TEST_F(InteractionTest, DraggingMovesTheSelectionByThePointerAsOneUndoStep)
{
    for (const double zoom : {1.0, 2.5}) {
        for (const double rotation : {0.0, 45.0}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " rotation " << rotation);
            open(label(100, 60, {box(10, 10, 20, 10, rotation), box(60, 40, 10, 10)}), zoom);
            const auto undoDepth = store->undoStack().size();
            const QPoint from = at(20, 15);
            const QPoint to = at(35, 27);
            press(from);
            moveTo((from + to) / 2);
            moveTo(to);
            EXPECT_TRUE(store->dragStart());
            release(to);
            const QPointF moved = mm(to) - mm(from);
            // Snapping may pull the element by at most the tolerance.
            const double slack = CanvasInteraction::snapTolerancePoints / canvas->scale() + 1e-9;
            EXPECT_NEAR(element(0).xMm, 10 + moved.x(), slack);
            EXPECT_NEAR(element(0).yMm, 10 + moved.y(), slack);
            EXPECT_EQ(element(0).widthMm, 20);
            EXPECT_EQ(element(0).rotationDegrees, rotation);
            EXPECT_FALSE(store->dragStart());
            EXPECT_TRUE(canvas->smartSnapGuides().isEmpty());
            EXPECT_EQ(store->undoStack().size(), undoDepth + 1);
            store->undo();
            EXPECT_EQ(element(0).xMm, 10);
        }
    }
}

TEST_F(InteractionTest, HandlesResizeTheSingleSelectedElementAlsoWhenTurned)
{
    for (const double zoom : {1.0, 3.0}) {
        for (const double rotation : {0.0, 30.0}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " rotation " << rotation);
            // The second element lies over the first one's bottom-right handle.
            open(label(100, 60, {box(20, 20, 30, 16, rotation), box(45, 30, 20, 20)}), zoom);
            store->setSelectedIDs(ids({0}));
            const LabelElement start = element(0);
            const QPointF fixed = handlePosition(ElementResizeHandle::topLeft, start);
            // A few points off the handle still grabs it, even over the other element.
            const QPoint grab = handle(start, ElementResizeHandle::bottomRight) + QPoint(3, 2);
            EXPECT_EQ(interaction()->resizeHandle(grab), ElementResizeHandle::bottomRight);
            // Outwards along the element's own axes.
            const QPointF pull = turned(QPointF(10, 6), QPointF(0, 0), rotation) * canvas->scale();
            const QPoint to = grab + pull.toPoint();
            drag(grab, to);
            EXPECT_EQ(store->selectedIDs(), ids({0}));
            const LabelElement &resized = element(0);
            EXPECT_GT(resized.widthMm, start.widthMm + 3);
            EXPECT_GT(resized.heightMm, start.heightMm + 1);
            EXPECT_EQ(resized.rotationDegrees, rotation);
            // The opposite corner stays where it was on the label.
            const QPointF still = handlePosition(ElementResizeHandle::topLeft, resized);
            EXPECT_NEAR(still.x(), fixed.x(), 1e-6);
            EXPECT_NEAR(still.y(), fixed.y(), 1e-6);
            EXPECT_FALSE(store->dragStart());
            EXPECT_FALSE(interaction()->activeResizeHandle());

            // With two elements selected there are no handles.
            store->setSelectedIDs(ids({0, 1}));
            EXPECT_FALSE(interaction()->resizeHandle(handle(element(0), ElementResizeHandle::bottomRight)));
        }
    }
}

TEST_F(InteractionTest, MarqueeSelectsWhatItTouchesLiveAndOnlyPastTheThreshold)
{
    // A diamond: the square turned by 45 degrees, whose bounding box is wider than it.
    open(label(100, 60, {box(10, 10, 10, 10), box(50, 20, 20, 20, 45), box(80, 45, 10, 10)}), 2);
    store->setSelectedIDs(ids({2}));

    // Less than three points: only the clearing of the press.
    press(at(30, 5));
    moveTo(at(30, 5) + QPoint(2, 0));
    release(at(30, 5) + QPoint(2, 0));
    EXPECT_TRUE(store->selectedIDs().isEmpty());
    EXPECT_FALSE(canvas->marqueeStartMm());

    // Crossing the corner of the diamond's bounding box but not the diamond.
    drag(at(5, 5), at(48.5, 21.5));
    EXPECT_EQ(store->selectedIDs(), ids({0}));

    // Reaching the diamond's left tip (at x = 60 - 14.14).
    QSignalSpy changes(store.get(), &EditorStore::selectedIDsChanged);
    press(at(5, 5));
    moveTo(at(46.5, 31));
    EXPECT_EQ(store->selectedIDs(), ids({0, 1}));
    const int published = int(changes.count());
    moveTo(at(46.6, 31.1));
    EXPECT_EQ(changes.count(), published);
    release(at(46.6, 31.1));
    EXPECT_FALSE(canvas->marqueeMoved());

    // With Shift the marquee adds to the selection and never takes away.
    store->setSelectedIDs(ids({2}));
    drag(at(5, 5), at(12, 12), Qt::ShiftModifier);
    EXPECT_EQ(store->selectedIDs(), ids({0, 2}));
    // A release far away without a move in between still applies.
    press(at(95, 58));
    release(at(75, 40));
    EXPECT_EQ(store->selectedIDs(), ids({2}));
}

TEST_F(InteractionTest, ArrowsNudgeDeleteRemovesAndOtherKeysTravelOn)
{
    open(label(100, 60, {box(10, 10, 20, 10, 30), box(50, 10, 20, 10)}), 1.5);
    EXPECT_FALSE(sendKey(Qt::Key_Left));
    const auto undoDepth = store->undoStack().size();
    EXPECT_TRUE(sendKey(Qt::Key_Delete));
    EXPECT_EQ(store->undoStack().size(), undoDepth);

    click(at(20, 15));
    QTest::keyClick(canvas, Qt::Key_Right);
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(canvas, Qt::Key_Up, Qt::KeypadModifier);
    EXPECT_EQ(element(0).xMm, 11);
    EXPECT_EQ(element(0).yMm, 14);
    EXPECT_EQ(store->undoStack().size(), undoDepth + 3);
    EXPECT_FALSE(sendKey(Qt::Key_A));

    QTest::keyClick(canvas, Qt::Key_Backspace);
    EXPECT_EQ(store->document().elements.size(), 1);
    EXPECT_TRUE(store->selectedIDs().isEmpty());
    EXPECT_EQ(store->undoStack().size(), undoDepth + 4);
}

TEST_F(InteractionTest, UndoDuringADragKeepsEveryEarlierStateReachable)
{
    open(label(100, 60, {box(10, 10, 20, 10)}), 1);
    store->apply([](LabelDocument &document) { document.elements[0].widthMm = 25; });
    press(at(20, 15));
    moveTo(at(30, 25));
    const double draggedX = element(0).xMm;
    EXPECT_NE(draggedX, 10);
    // The undo closes the drag first, so the drag becomes a step and undoing it is visible.
    store->undo();
    EXPECT_EQ(element(0).xMm, 10);
    EXPECT_EQ(element(0).widthMm, 25);
    moveTo(at(40, 30));
    release(at(40, 30));
    EXPECT_EQ(element(0).xMm, 10);
    store->undo();
    EXPECT_EQ(element(0).widthMm, 20);
    store->redo();
    store->redo();
    EXPECT_EQ(element(0).xMm, draggedX);
}

TEST_F(InteractionTest, HoverCursorsFollowTheHandlesOfASingleSelection)
{
    open(label(100, 60, {box(20, 20, 30, 16, 90), box(60, 10, 20, 10)}), 2);
    const LabelElement turned = element(0);
    interaction()->updateCursor(handle(turned, ElementResizeHandle::left));
    EXPECT_FALSE(canvas->testAttribute(Qt::WA_SetCursor));

    store->setSelectedIDs(ids({0}));
    interaction()->updateCursor(handle(turned, ElementResizeHandle::left) + QPoint(7, -7));
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeVerCursor);
    interaction()->updateCursor(handle(turned, ElementResizeHandle::top));
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeHorCursor);
    interaction()->updateCursor(at(35, 28));
    EXPECT_FALSE(canvas->testAttribute(Qt::WA_SetCursor));

    store->setSelectedIDs(ids({0, 1}));
    interaction()->updateCursor(handle(turned, ElementResizeHandle::left));
    EXPECT_FALSE(canvas->testAttribute(Qt::WA_SetCursor));
}

TEST_F(InteractionTest, ClipboardCommandsReachTheStore)
{
    open(label(100, 60, {box(10, 10, 20, 10), box(50, 10, 20, 10)}), 1);
    auto clipboard = std::make_shared<TestClipboard>();
    store->setDialogs(clipboard);
    click(at(20, 15));
    canvas->copy();
    canvas->paste();
    EXPECT_EQ(store->document().elements.size(), 3);
    canvas->selectAll();
    EXPECT_EQ(store->selectedIDs().size(), 3);
    canvas->cut();
    EXPECT_TRUE(store->document().elements.isEmpty());
}

TEST_F(InteractionTest, HidingTheCanvasEndsTheRunningGestureAsOneStep)
{
    open(label(100, 60, {box(10, 10, 20, 10)}), 1);
    const auto undoDepth = store->undoStack().size();
    press(at(20, 15));
    moveTo(at(40, 25));
    canvas->hide();
    EXPECT_FALSE(store->dragStart());
    EXPECT_EQ(store->undoStack().size(), undoDepth + 1);
    EXPECT_FALSE(interaction()->activeResizeHandle());
    EXPECT_FALSE(canvas->pendingEmptyClickSelection());
}

} // namespace
