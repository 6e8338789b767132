#include "tests/app/editor/EditorTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;
using editortest::StoreEnvironment;
using Handle = ElementResizeHandle;

namespace {

LabelElement box(double x, double y, double w, double h, ElementKind kind = ElementKind::rectangle)
{
    return LabelElement(QUuid::createUuid(), kind, QStringLiteral("01234567890123"), x, y, w, h, 12);
}

class EditorDragResizeTest : public ::testing::Test {
protected:
    // One store over a 100 × 100 mm label whose first element is selected and grabbed.
    EditorStore &grab(QList<LabelElement> elements, double zoom = 1)
    {
        store = env.makeStore(LabelDocument(QStringLiteral("Doc"), 100, 100, elements));
        store->setZoom(zoom);
        store->setSelectedID(elements[0].id);
        store->beginDrag();
        return *store;
    }
    const LabelElement &first() const { return store->document().elements[0]; }

    StoreEnvironment env;
    std::unique_ptr<EditorStore> store;
};

} // namespace

TEST_F(EditorDragResizeTest, HandlePositionsFollowTheRotatedBox)
{
    LabelElement e = box(10, 10, 20, 10);
    e.rotationDegrees = 90;
    EXPECT_NEAR(handlePosition(Handle::topLeft, e).x(), 25, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::topLeft, e).y(), 5, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::right, e).x(), 20, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::right, e).y(), 25, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::left, e).y(), 5, 1e-9);
    for (Handle h : allResizeHandles())
        EXPECT_EQ(opposite(opposite(h)), h);
    EXPECT_EQ(opposite(Handle::topRight), Handle::bottomLeft);
}

TEST_F(EditorDragResizeTest, DragToleranceScalesWithZoom)
{
    // Another element's left edge at 50; the dragged element's left edge asked at 49.
    const LabelElement moving = box(10, 60, 10, 10), anchor = box(50, 10, 10, 10);
    grab({moving, anchor}, 2); // 6 pt at zoom 2 ≈ 1.058 mm
    QList<ElementSnapGuide> guides = store->drag(QPointF(49, 60), 6);
    EXPECT_DOUBLE_EQ(first().xMm, 50);
    ASSERT_EQ(guides.size(), 1);
    EXPECT_EQ(guides[0].orientation, ElementSnapGuide::Orientation::vertical);
    EXPECT_DOUBLE_EQ(guides[0].positionMm, 55); // centre lines win ties over edges

    guides = store->drag(QPointF(48.9, 60), 6); // 1.1 mm away: out of reach
    EXPECT_DOUBLE_EQ(first().xMm, 48.9);
    EXPECT_TRUE(guides.isEmpty());

    // At or below zoom 0.01 the tolerance is that of 0.01 (about 211.67 mm): the nearest
    // pair 20 mm away (abutting the right edge, and the bottom edge) still pulls.
    store->setZoom(0.005);
    store->drag(QPointF(80, 60), 6);
    EXPECT_DOUBLE_EQ(first().xMm, 60);
    EXPECT_DOUBLE_EQ(first().yMm, 20);
    store->setZoom(2);
    store->drag(QPointF(49, 60), -6); // a negative tolerance counts as 0
    EXPECT_DOUBLE_EQ(first().xMm, 49);
}

TEST_F(EditorDragResizeTest, DragMovesTheSelectionAsOneRectangle)
{
    const LabelElement a = box(10, 10, 10, 10), b = box(30, 20, 10, 10), c = box(50, 50, 10, 10),
                       still = box(80, 80, 10, 10);
    grab({a, b, c, still});
    store->setSelectedIDs({a.id, b.id, c.id});
    store->setDragStart(store->document());
    store->drag(QPointF(15, 12), 0);
    const auto &els = store->document().elements;
    EXPECT_DOUBLE_EQ(els[0].xMm, 15);
    EXPECT_DOUBLE_EQ(els[1].xMm, 35);
    EXPECT_DOUBLE_EQ(els[2].yMm, 52);
    EXPECT_DOUBLE_EQ(els[3].xMm, 80);
    // The group (10…60) cannot leave the label: clamped at the right edge.
    store->drag(QPointF(200, 10), 0);
    EXPECT_DOUBLE_EQ(els[0].xMm, 50);

    store->setDragStart(std::nullopt);
    EXPECT_TRUE(store->drag(QPointF(0, 0), 6).isEmpty());
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 50);
}

TEST_F(EditorDragResizeTest, DragThatBreaksTheCoordinateLimitIsRetriedThenRefused)
{
    // An unselected element already lies beyond 2000 mm: no move can be accepted.
    const LabelElement a = box(10, 10, 10, 10), far = box(2100, 10, 10, 10);
    grab({a, far});
    const LabelDocument before = store->document();
    EXPECT_TRUE(store->drag(QPointF(20, 20), 6).isEmpty());
    EXPECT_EQ(store->document(), before);

    // A non-finite request moves the selection back to where the gesture began.
    const LabelElement b = box(10, 10, 10, 10);
    grab({b});
    store->drag(QPointF(30, 30), 0);
    store->drag(QPointF(std::numeric_limits<double>::quiet_NaN(), 30), 0);
    EXPECT_DOUBLE_EQ(first().xMm, 10);
    EXPECT_DOUBLE_EQ(first().yMm, 10);
}

TEST_F(EditorDragResizeTest, ResizeKeepsTheAnchorAndTheMinimum)
{
    grab({box(10, 10, 20, 10)});
    store->resize(QPointF(45, 0), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().xMm, 10);
    EXPECT_DOUBLE_EQ(first().widthMm, 35);
    EXPECT_DOUBLE_EQ(first().heightMm, 1); // pulled above the anchor: stops at 1 mm
    EXPECT_DOUBLE_EQ(first().yMm, 10);
    store->resize(QPointF(0, 0), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 1);

    LabelElement web = box(10, 10, 20, 10);
    web.webAppearance = WebAppearance();
    grab({web});
    store->resize(QPointF(-50, -50), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 0.1);
    EXPECT_DOUBLE_EQ(first().heightMm, 0.1);

    // Two selected elements are never resized.
    const LabelElement a = box(10, 10, 20, 10), b = box(50, 50, 10, 10);
    grab({a, b});
    store->setSelectedIDs({a.id, b.id});
    store->resize(QPointF(90, 90), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 20);
}

TEST_F(EditorDragResizeTest, ResizeOfARotatedElementFollowsItsOwnAxes)
{
    LabelElement e = box(10, 10, 20, 10);
    e.rotationDegrees = 90; // local x runs down the page; the left edge sits at y = 5
    grab({e});
    store->resize(QPointF(20, 35), Handle::right);
    const LabelElement &r = first();
    EXPECT_NEAR(r.widthMm, 30, 1e-9);
    EXPECT_NEAR(r.heightMm, 10, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::left, r).x(), 20, 1e-9);
    EXPECT_NEAR(handlePosition(Handle::left, r).y(), 5, 1e-9);
    EXPECT_NEAR(r.bounds().bottom(), 35, 1e-9);
    EXPECT_EQ(r.rotationDegrees, 90);
}

TEST_F(EditorDragResizeTest, SquareCodesStaySquareAndAtLeastTenMillimetres)
{
    grab({box(10, 10, 20, 20, ElementKind::qr)});
    store->resize(QPointF(20, -5), Handle::top); // asks for a height of 35
    EXPECT_DOUBLE_EQ(first().widthMm, 35);
    EXPECT_DOUBLE_EQ(first().heightMm, 35);
    EXPECT_DOUBLE_EQ(first().yMm, -5);
    store->resize(QPointF(12, 12), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 10);
    EXPECT_DOUBLE_EQ(first().heightMm, 10);
    store->resize(QPointF(50, 40), Handle::bottomRight); // the smaller side wins
    EXPECT_DOUBLE_EQ(first().widthMm, 30);

    // With the grid the side lands on the grid line nearest to the pointer.
    store->setShowsGrid(true);
    store->resize(QPointF(41, 37), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 30);
    EXPECT_DOUBLE_EQ(first().heightMm, 30);
}

TEST_F(EditorDragResizeTest, GridResizeOfEdgesAndCorners)
{
    grab({box(3, 10, 10, 10)});
    store->setShowsGrid(true); // step 5
    store->resize(QPointF(17.4, 15), Handle::right);
    EXPECT_DOUBLE_EQ(first().widthMm, 12); // the line at 15 is nearer than the one at 20
    store->resize(QPointF(4, 15), Handle::right);
    EXPECT_DOUBLE_EQ(first().widthMm, 2); // the line at 0 would be below the minimum
    // Corners snap the pointer itself to the nearest grid point.
    store->resize(QPointF(22.4, 27.6), Handle::bottomRight);
    EXPECT_DOUBLE_EQ(first().widthMm, 17);
    EXPECT_DOUBLE_EQ(first().heightMm, 20);
    EXPECT_DOUBLE_EQ(first().xMm, 3);
    // A halfway pointer rounds away from zero.
    store->resize(QPointF(-2.5, -2.5), Handle::topLeft);
    EXPECT_DOUBLE_EQ(first().xMm, -5);
    EXPECT_DOUBLE_EQ(first().yMm, -5);
}

TEST_F(EditorDragResizeTest, ResizeBeyondTheCoordinateLimitIsRefused)
{
    grab({box(1990, 10, 5, 5)});
    const LabelDocument before = store->document();
    store->resize(QPointF(2001, 20), Handle::bottomRight);
    EXPECT_EQ(store->document(), before);
    store->resize(QPointF(std::numeric_limits<double>::infinity(), 20), Handle::right);
    EXPECT_EQ(store->document(), before);
    store->endDrag();
    EXPECT_TRUE(store->undoStack().isEmpty());
}

TEST_F(EditorDragResizeTest, NudgedGridValues)
{
    grab({box(0, 0, 5, 5)});
    EXPECT_EQ(store->nudgedGridValue(10, 1, 1), 10); // grid hidden
    store->setShowsGrid(true);
    EXPECT_DOUBLE_EQ(store->nudgedGridValue(10, 1, 1), 15);
    EXPECT_DOUBLE_EQ(store->nudgedGridValue(12, -1, 1), 10);
    EXPECT_DOUBLE_EQ(store->nudgedGridValue(10.00000001, -1, 1), 5);
    EXPECT_DOUBLE_EQ(store->nudgedGridValue(10, 1, 3), 25);
    EXPECT_EQ(store->nudgedGridValue(10, 0, 1), 10);
    EXPECT_EQ(store->nudgedGridValue(10, 1, 0), 10);
    env.grid.select(2.5);
    EXPECT_DOUBLE_EQ(store->nudgedGridValue(6, 1, 1), 7.5);
}
