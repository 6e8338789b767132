#include "tests/app/canvas/CanvasTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/canvas/CanvasGeometry.h"
#include "app/canvas/CanvasRulerView.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/InlineTextEditor.h"
#include "app/canvas/LabelCanvas.h"
#include "core/common/Units.h"

#include <QApplication>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using canvastest::box;
using canvastest::label;

namespace {

constexpr double k = Units::pointsPerMillimetre;

void settle()
{
    // The scroll area shows and hides its bars on a later turn of the event loop.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = env.makeStore(label(100, 50, {box(10, 10, 20, 10), box(60, 20, 30, 15)}), 1);
        workspace.resize(600, 400);
        workspace.show();
        workspace.bind(store.get(), &env.localization, [this] { ++parameterRequests; });
        settle();
    }

    QPointF labelCentreInView() const
    {
        return workspace.canvas()->paperRect().center() - QPointF(workspace.visibleRect().topLeft());
    }

    void sendNative(Qt::NativeGestureType type, QPointF at, double value)
    {
        QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, at, at,
                                  workspace.canvas()->mapToGlobal(at), value, QPointF());
        QApplication::sendEvent(workspace.canvas(), &event);
    }

    bool sendWheel(QPointF at, int angle, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent event(at, workspace.canvas()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(workspace.canvas(), &event);
        return event.isAccepted();
    }

    canvastest::StoreEnvironment env;
    std::unique_ptr<EditorStore> store;
    CanvasWorkspaceView workspace;
    int parameterRequests = 0;
};

TEST_F(WorkspaceTest, RulersCornerAndScrollViewAreLaidOutAroundTheCanvas)
{
    EXPECT_EQ(workspace.corner()->geometry(), QRect(0, 0, 46, 34));
    EXPECT_EQ(workspace.horizontalRuler()->geometry(), QRect(46, 0, 554, 34));
    EXPECT_EQ(workspace.verticalRuler()->geometry(), QRect(0, 34, 46, 366));
    EXPECT_EQ(workspace.scrollArea()->geometry(), QRect(46, 34, 554, 366));
    EXPECT_EQ(workspace.corner()->unit(), env.localization.text(QStringLiteral("mac.unit_mm")));
    EXPECT_EQ(workspace.canvas()->accessibleName(), env.localization.text(QStringLiteral("mac.access_canvas")));

    // The label fits: the canvas is the viewport and the label sits in its middle.
    EXPECT_EQ(workspace.canvas()->size(), QSize(554, 366));
    const QRectF paper = workspace.canvas()->paperRect();
    EXPECT_NEAR(paper.width(), 100 * k, 1e-9);
    EXPECT_NEAR(paper.center().x(), 277, 1e-9);
    EXPECT_NEAR(paper.center().y(), 183, 1e-9);
    EXPECT_FALSE(workspace.scrollArea()->horizontalScrollBar()->isVisible());

    workspace.canvas()->onEditParameters();
    EXPECT_EQ(parameterRequests, 1);
}

TEST_F(WorkspaceTest, ZoomedInCanvasGetsStableScrollBars)
{
    store->setZoom(3);
    // Ranges are right at once, before the scroll area has shown its bars.
    const QSize canvas = workspace.canvas()->size();
    const auto expected = CanvasWorkspaceGeometry::canvasSize(
        {100, 50}, {0, 0}, 3, workspace.scrollArea()->largestViewportSize(), workspace.scrollArea()->barExtent());
    EXPECT_EQ(canvas, expected.canvas);
    EXPECT_EQ(workspace.scrollArea()->horizontalScrollBar()->maximum(),
              expected.canvas.width() - expected.viewport.width());
    settle();
    // Once the bars are shown the viewport is what the canvas was sized for, and showing
    // them changed nothing.
    EXPECT_EQ(workspace.scrollArea()->viewport()->size(), expected.viewport);
    EXPECT_EQ(workspace.canvas()->size(), canvas);
    EXPECT_TRUE(workspace.scrollArea()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(workspace.scrollArea()->verticalScrollBar()->isVisible());
    workspace.updateCanvasSize();
    settle();
    EXPECT_EQ(workspace.canvas()->size(), canvas);

    // Back to a fitting zoom: the bars go and the canvas is the whole viewport again.
    store->setZoom(1);
    settle();
    EXPECT_FALSE(workspace.scrollArea()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(workspace.canvas()->size(), QSize(554, 366));
}

TEST_F(WorkspaceTest, ZoomOutOfRangeOrNotFiniteIsClampedEverywhere)
{
    const QRectF atOne = workspace.canvas()->paperRect();
    const QSize canvasAtOne = workspace.canvas()->size();
    for (double zoom : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        store->setZoom(zoom);
        EXPECT_EQ(workspace.canvas()->paperRect(), atOne);
        EXPECT_EQ(workspace.canvas()->size(), canvasAtOne);
        EXPECT_DOUBLE_EQ(workspace.canvas()->scale(), k);
        // Every view must be able to draw it.
        workspace.grab();
    }
    store->setZoom(0);
    EXPECT_NEAR(workspace.canvas()->paperRect().width(), 100 * k * 0.2, 1e-9);
    store->setZoom(1e-12);
    workspace.grab();
    store->setZoom(1000);
    EXPECT_NEAR(workspace.canvas()->paperRect().width(), 100 * k * 8, 1e-9);
    workspace.grab();
}

TEST_F(WorkspaceTest, ResizingAndZoomingKeepTheLabelCentreInView)
{
    store->setZoom(3);
    settle();
    workspace.scrollArea()->horizontalScrollBar()->setValue(120);
    workspace.scrollArea()->verticalScrollBar()->setValue(40);
    const QPointF before = labelCentreInView();

    workspace.resize(700, 450);
    settle();
    const QPointF afterResize = labelCentreInView();
    EXPECT_NEAR(afterResize.x(), before.x(), 1);
    EXPECT_NEAR(afterResize.y(), before.y(), 1);

    store->setZoom(4);
    settle();
    const QPointF afterZoom = labelCentreInView();
    EXPECT_NEAR(afterZoom.x(), before.x(), 1);
    EXPECT_NEAR(afterZoom.y(), before.y(), 1);

    // At the end of the range the view is held at the edge, never past it.
    workspace.scrollArea()->horizontalScrollBar()->setValue(0);
    store->setZoom(0.5);
    settle();
    EXPECT_EQ(workspace.visibleRect().topLeft(), QPoint(0, 0));
}

TEST_F(WorkspaceTest, OverflowMarginIsKeptUntilStoreLabelSizeOrZoomChange)
{
    store->setZoom(3);
    settle();
    const int plain = workspace.canvas()->width();
    LabelDocument document = store->document();
    document.elements[0].xMm = -10; // 10 mm out on the left
    store->setDocument(document);
    const int wider = workspace.canvas()->width();
    EXPECT_EQ(wider, int(std::ceil(100 * 3 * k + 2 * (10 * 3 * k + 45))));
    EXPECT_GT(wider, plain);

    document.elements[0].xMm = 10; // back inside: the margin stays
    store->setDocument(document);
    EXPECT_EQ(workspace.canvas()->width(), wider);
    EXPECT_NEAR(workspace.retainedOverflowMm().width(), 10, 1e-9);

    store->setZoom(3.5); // another magnification forgets it
    store->setZoom(3);
    EXPECT_EQ(workspace.canvas()->width(), plain);

    document.elements[0].xMm = -10;
    store->setDocument(document);
    document.elements[0].xMm = 10;
    document.widthMm = 101; // another label size forgets it
    store->setDocument(document);
    EXPECT_EQ(workspace.retainedOverflowMm(), QSizeF(0, 0));
}

TEST_F(WorkspaceTest, PinchZoomsAboutThePointUnderTheFingers)
{
    store->setZoom(1.5);
    settle();
    workspace.scrollArea()->horizontalScrollBar()->setValue(30);
    // The fingers stay put on the screen while the canvas under them scrolls.
    const QPointF fingers =
        workspace.canvas()->paperRect().center() + QPointF(60, 20) - QPointF(workspace.visibleRect().topLeft());
    auto under = [&] { return fingers + QPointF(workspace.visibleRect().topLeft()); };
    const QPointF anchorMm = workspace.canvas()->localPoint(under());

    sendNative(Qt::BeginNativeGesture, under(), 0);
    ASSERT_TRUE(workspace.pinchStartZoom().has_value());
    EXPECT_EQ(*workspace.pinchStartZoom(), 1.5);
    EXPECT_NEAR(workspace.pinchAnchorMm()->x(), anchorMm.x(), 1e-9);
    EXPECT_NEAR(workspace.pinchAnchorMm()->y(), anchorMm.y(), 1e-9);
    // Native events carry increments: 0.25 twice is a magnification of 0.5.
    sendNative(Qt::ZoomNativeGesture, under(), 0.25);
    sendNative(Qt::ZoomNativeGesture, under(), 0.25);
    EXPECT_DOUBLE_EQ(store->zoom(), 2.25);

    // The anchor is drawn under the fingers, within a pixel of rounding.
    auto anchorInView = [&] {
        const QRectF zoomed = workspace.canvas()->paperRect();
        return zoomed.topLeft() + anchorMm * workspace.canvas()->scale() - QPointF(workspace.visibleRect().topLeft());
    };
    EXPECT_NEAR(anchorInView().x(), fingers.x(), 1);
    EXPECT_NEAR(anchorInView().y(), fingers.y(), 1);
    settle(); // the bars appearing afterwards do not move it
    EXPECT_NEAR(anchorInView().x(), fingers.x(), 1);
    EXPECT_NEAR(anchorInView().y(), fingers.y(), 1);

    sendNative(Qt::EndNativeGesture, under(), 0);
    EXPECT_FALSE(workspace.pinchStartZoom().has_value());
    EXPECT_FALSE(workspace.pinchAnchorMm().has_value());

    // A zoom event outside a pinch changes nothing.
    sendNative(Qt::ZoomNativeGesture, under(), 1);
    EXPECT_DOUBLE_EQ(store->zoom(), 2.25);

    // Pinching past the range stops at 8; a new begin restarts from the current zoom.
    sendNative(Qt::BeginNativeGesture, under(), 0);
    sendNative(Qt::ZoomNativeGesture, under(), 50);
    EXPECT_EQ(store->zoom(), 8);
    sendNative(Qt::BeginNativeGesture, under(), 0);
    sendNative(Qt::ZoomNativeGesture, under(), -0.5);
    EXPECT_EQ(store->zoom(), 4);
    sendNative(Qt::EndNativeGesture, under(), 0);
}

TEST_F(WorkspaceTest, CtrlWheelZoomsByNotchesAndPlainWheelScrolls)
{
    store->setZoom(1);
    const QPointF at = workspace.canvas()->paperRect().center();
    EXPECT_TRUE(sendWheel(at, 120, Qt::ControlModifier));
    EXPECT_NEAR(store->zoom(), 1.1, 1e-12);
    // Half notches of a high-resolution wheel add up.
    sendWheel(at, 60, Qt::ControlModifier);
    EXPECT_NEAR(store->zoom(), 1.1, 1e-12);
    sendWheel(at, 60, Qt::ControlModifier);
    EXPECT_NEAR(store->zoom(), 1.1 * 1.1, 1e-12);
    sendWheel(at, -120, Qt::ControlModifier);
    EXPECT_NEAR(store->zoom(), 1.1, 1e-12);
    EXPECT_FALSE(workspace.pinchStartZoom().has_value());

    const double zoom = store->zoom();
    sendWheel(at, 120, Qt::NoModifier);
    EXPECT_EQ(store->zoom(), zoom);
}

TEST_F(WorkspaceTest, CtrlWheelKeepsTheLabelPointUnderThePointerAndStepsBackEvenly)
{
    store->setZoom(2);
    settle();
    workspace.scrollArea()->horizontalScrollBar()->setValue(60);
    workspace.scrollArea()->verticalScrollBar()->setValue(20);
    // The pointer stays put on the screen; the canvas under it scrolls.
    const QPointF pointer = QPointF(150, 90);
    auto under = [&] { return pointer + QPointF(workspace.visibleRect().topLeft()); };
    const QPointF anchorMm = workspace.canvas()->localPoint(under());
    auto anchorInView = [&] {
        return workspace.canvas()->paperRect().topLeft() + anchorMm * workspace.canvas()->scale() -
               QPointF(workspace.visibleRect().topLeft());
    };
    // One notch, then two notches in a single event.
    for (int angle : {120, 240, -120, -240}) {
        sendWheel(under(), angle, Qt::ControlModifier);
        EXPECT_NEAR(anchorInView().x(), pointer.x(), 1) << angle;
        EXPECT_NEAR(anchorInView().y(), pointer.y(), 1) << angle;
    }
    // As many notches out as in return to the zoom the wheel started from.
    EXPECT_NEAR(store->zoom(), 2, 1e-12);
}

TEST_F(WorkspaceTest, PinchNeedsAStoreAndForgetsItsStartOnAnotherStore)
{
    CanvasWorkspaceView unbound;
    unbound.resize(300, 200);
    unbound.beginPinch({10, 10});
    EXPECT_FALSE(unbound.pinchStartZoom().has_value());
    unbound.changePinch({10, 10}, 1); // nothing to zoom, nothing to crash
    unbound.grab();                   // no store: the rulers and canvas draw nothing

    workspace.beginPinch(workspace.canvas()->paperRect().center());
    ASSERT_TRUE(workspace.pinchStartZoom().has_value());
    auto other = env.makeStore(label(40, 40), 2);
    workspace.bind(other.get(), &env.localization, {});
    EXPECT_FALSE(workspace.pinchStartZoom().has_value());
    workspace.changePinch({10, 10}, 1);
    EXPECT_EQ(other->zoom(), 2);

    // Binding the same store again keeps a running pinch.
    workspace.beginPinch({10, 10});
    workspace.bind(other.get(), &env.localization, {});
    EXPECT_TRUE(workspace.pinchStartZoom().has_value());
}

TEST_F(WorkspaceTest, SwitchingStoresClosesTheOldStoresGesture)
{
    LabelCanvas &canvas = *workspace.canvas();
    canvas.setSmartSnapGuides({ElementSnapGuide{ElementSnapGuide::Orientation::vertical, 10, 0, 20}});
    canvas.setPendingEmptyClickSelection(QSet<QUuid>{});
    store->beginDrag();
    LabelDocument moved = store->document();
    moved.elements[0].xMm += 5;
    store->setDocument(moved);
    const qsizetype undoBefore = store->undoStack().size();

    auto other = env.makeStore(label(40, 40));
    workspace.bind(other.get(), &env.localization, {});
    EXPECT_EQ(store->undoStack().size(), undoBefore + 1);
    EXPECT_FALSE(store->dragStart().has_value());
    EXPECT_TRUE(canvas.smartSnapGuides().isEmpty());
    EXPECT_FALSE(canvas.pendingEmptyClickSelection().has_value());

    // The same store again leaves a running gesture alone.
    other->beginDrag();
    canvas.setSmartSnapGuides({ElementSnapGuide{}});
    workspace.bind(other.get(), &env.localization, {});
    EXPECT_TRUE(other->dragStart().has_value());
    EXPECT_EQ(canvas.smartSnapGuides().size(), 1);
}

TEST_F(WorkspaceTest, StoreChangesAndScrollingRedrawAndResizeWithoutRebinding)
{
    store->setZoom(2);
    EXPECT_NEAR(workspace.canvas()->paperRect().width(), 100 * k * 2, 1e-9);
    LabelDocument document = store->document();
    document.widthMm = 150;
    store->setDocument(document);
    EXPECT_NEAR(workspace.canvas()->paperRect().width(), 150 * k * 2, 1e-9);
    store.reset(); // the store goes away: the views hold no dangling pointer
    EXPECT_EQ(workspace.store(), nullptr);
    EXPECT_EQ(workspace.canvas()->paperRect(), QRectF());
    workspace.grab();
}

TEST_F(WorkspaceTest, StoreChangesRefreshTheResizeCursorUnderThePointer)
{
    LabelCanvas *canvas = workspace.canvas();
    const LabelElement first = store->document().elements.at(0);
    const QRectF paper = canvas->paperRect();
    const double s = canvas->scale();
    const QPointF right = handlePosition(ElementResizeHandle::right, first);
    QCursor::setPos(canvas->mapToGlobal(QPointF(paper.left() + right.x() * s, paper.top() + right.y() * s)).toPoint());
    // Selected from elsewhere (the inspector, a menu): the pointer is now on a handle.
    store->setSelectedIDs({first.id});
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeHorCursor);
    // Deleted by a key, which runs no refresh of its own: the handle is gone.
    store->deleteSelection();
    EXPECT_FALSE(canvas->testAttribute(Qt::WA_SetCursor));
    QCursor::setPos(-1000, -1000); // away from every window of later tests
}

// The canvas goes down with the workspace and commits an open edit or closes a running drag
// on its way; the store announces that while the workspace itself is half destroyed, as a
// window of its own or inside another one.
TEST(WorkspaceTeardown, DestroyingTheWorkspaceMidEditOrMidDragFinishesSafely)
{
    for (const bool editing : {true, false}) {
        for (const bool ownWindow : {true, false}) {
            SCOPED_TRACE(testing::Message() << (editing ? "editing" : "dragging")
                                            << (ownWindow ? " in its own window" : " inside a window"));
            canvastest::StoreEnvironment env;
            LabelElement element = box(10, 10, 40, 12, 0, ElementKind::text);
            element.content = QStringLiteral("Hello");
            element.fontSizePt = 12;
            auto store = env.makeStore(label(100, 50, {element}), 1.5);
            const qsizetype undoDepth = store->undoStack().size();

            auto outer = std::make_unique<QWidget>();
            auto *workspace = new CanvasWorkspaceView(ownWindow ? nullptr : outer.get());
            std::unique_ptr<CanvasWorkspaceView> owned(ownWindow ? workspace : nullptr);
            if (!ownWindow)
                (new QVBoxLayout(outer.get()))->addWidget(workspace);
            QWidget *window = ownWindow ? static_cast<QWidget *>(workspace) : outer.get();
            window->resize(600, 400);
            window->show();
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window));
            workspace->bind(store.get(), &env.localization, {});
            settle();

            LabelCanvas *canvas = workspace->canvas();
            const QRectF paper = canvas->paperRect();
            const double s = canvas->scale();
            const auto at = [&](double x, double y) {
                return QPointF(paper.left() + x * s, paper.top() + y * s).toPoint();
            };
            if (editing) {
                QTest::mouseClick(canvas, Qt::LeftButton, {}, at(30, 16));
                QTest::mouseDClick(canvas, Qt::LeftButton, {}, at(30, 16));
                QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(30, 16));
                ASSERT_TRUE(canvas->inlineEditor()->isOpen());
                QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("!"));
            } else {
                QTest::mousePress(canvas, Qt::LeftButton, {}, at(30, 16));
                QTest::mouseMove(canvas, at(40, 20));
                QTest::mouseMove(canvas, at(50, 25));
                ASSERT_TRUE(store->dragStart().has_value());
            }

            if (ownWindow)
                owned.reset();
            else
                outer.reset();
            QApplication::processEvents();

            EXPECT_FALSE(store->dragStart().has_value());
            EXPECT_EQ(store->undoStack().size(), undoDepth + 1);
            if (editing)
                EXPECT_EQ(store->document().elements.at(0).content, QStringLiteral("Hello!"));
            else
                EXPECT_NE(store->document().elements.at(0).xMm, 10);
            // Later changes of the store reach no workspace.
            store->setZoom(2);
        }
    }
}

} // namespace
