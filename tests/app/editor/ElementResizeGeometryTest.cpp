#include "app/editor/ElementResizeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using H = ElementResizeHandle;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void expectPoint(QPointF actual, QPointF expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

void expectFrame(const ElementFrame &actual, const ElementFrame &expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.xMm, expected.xMm, tolerance);
    EXPECT_NEAR(actual.yMm, expected.yMm, tolerance);
    EXPECT_NEAR(actual.widthMm, expected.widthMm, tolerance);
    EXPECT_NEAR(actual.heightMm, expected.heightMm, tolerance);
    EXPECT_EQ(actual.rotationDegrees, expected.rotationDegrees);
}

ElementFrame resize(const ElementFrame &start, H handle, QPointF to, std::optional<double> grid = std::nullopt,
                    bool square = false, bool web = false)
{
    return ElementResizeGeometry::resize(start, handle, to, square, web, grid);
}

} // namespace

TEST(ElementResizeGeometry, HandlesGoRoundTheFrame)
{
    const auto &all = allResizeHandles();
    ASSERT_EQ(all.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rawValue(all[i]), i);
    EXPECT_EQ(opposite(H::topLeft), H::bottomRight);
    EXPECT_EQ(opposite(H::top), H::bottom);
    EXPECT_EQ(opposite(H::right), H::left);
    EXPECT_EQ(opposite(H::left), H::right);
    EXPECT_EQ(opposite(H::bottomLeft), H::topRight);
    int corners = 0;
    for (H h : all)
        corners += isCornerHandle(h) ? 1 : 0;
    EXPECT_EQ(corners, 4);
    EXPECT_TRUE(isCornerHandle(H::bottomLeft));
    EXPECT_FALSE(isCornerHandle(H::bottom));
}

TEST(ElementResizeGeometry, HandlePositionsFollowTheRotatedCorners)
{
    const ElementFrame rotated{10, 10, 20, 10, 90};
    const auto c = rotated.corners();
    expectPoint(c[0], {25, 5});
    expectPoint(c[1], {25, 25});
    expectPoint(c[2], {15, 25});
    expectPoint(c[3], {15, 5});
    expectPoint(handlePosition(H::topLeft, rotated), {25, 5});
    expectPoint(handlePosition(H::top, rotated), {25, 15});
    expectPoint(handlePosition(H::right, rotated), {20, 25});
    expectPoint(handlePosition(H::bottom, rotated), {15, 15});
    expectPoint(handlePosition(H::left, rotated), {20, 5});
    const ElementFrame plain{2, 3, 10, 4, 0};
    expectPoint(handlePosition(H::bottomRight, plain), {12, 7});
    expectPoint(handlePosition(H::bottomLeft, plain), {2, 7});
}

TEST(ElementResizeGeometry, EachHandleKeepsItsOppositeInPlace)
{
    // An unrotated 20 × 10 box at (10, 10); every handle pulled 4 mm outwards on its axes.
    const ElementFrame start{10, 10, 20, 10, 0};
    const struct {
        H handle;
        QPointF to;
        ElementFrame expected;
    } cases[] = {
        {H::topLeft, {6, 6}, {6, 6, 24, 14, 0}},         {H::top, {99, 6}, {10, 6, 20, 14, 0}},
        {H::topRight, {34, 6}, {10, 6, 24, 14, 0}},      {H::right, {34, -50}, {10, 10, 24, 10, 0}},
        {H::bottomRight, {34, 24}, {10, 10, 24, 14, 0}}, {H::bottom, {0, 24}, {10, 10, 20, 14, 0}},
        {H::bottomLeft, {6, 24}, {6, 10, 24, 14, 0}},    {H::left, {6, 0}, {6, 10, 24, 10, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(rawValue(c.handle));
        expectFrame(resize(start, c.handle, c.to), c.expected);
    }
}

TEST(ElementResizeGeometry, RotatedFramesResizeAlongTheirOwnAxes)
{
    // Rotated 90°, the right handle points down the page: pulling it down lengthens the element
    // while the left edge stays at (20, 5).
    const ElementFrame start{10, 10, 20, 10, 90};
    const ElementFrame longer = resize(start, H::right, {20, 35});
    expectFrame(longer, {5, 15, 30, 10, 90});
    expectPoint(handlePosition(H::left, longer), {20, 5});
    expectPoint(handlePosition(H::right, longer), {20, 35});
    // A sideways pointer component does not matter to an edge handle.
    expectFrame(resize(start, H::right, {31, 35}), longer);

    // 30°: the bottom-right corner dragged to a point 3 mm further along both local axes.
    const ElementFrame tilted{0, 0, 10, 6, 30};
    const QPointF anchor = handlePosition(H::topLeft, tilted);
    const double t = 30 * 3.141592653589793 / 180;
    const QPointF target(anchor.x() + 13 * std::cos(t) - 9 * std::sin(t),
                         anchor.y() + 13 * std::sin(t) + 9 * std::cos(t));
    const ElementFrame grown = resize(tilted, H::bottomRight, target);
    EXPECT_NEAR(grown.widthMm, 13, 1e-9);
    EXPECT_NEAR(grown.heightMm, 9, 1e-9);
    expectPoint(handlePosition(H::topLeft, grown), anchor);
    expectPoint(handlePosition(H::bottomRight, grown), target);
}

TEST(ElementResizeGeometry, NeverMirrorsAndStopsAtTheMinimum)
{
    const ElementFrame start{10, 10, 20, 10, 0};
    // Past the anchor: 1 mm sides, anchored at the opposite corner (30, 20).
    expectFrame(resize(start, H::topLeft, {80, 80}), {29, 19, 1, 1, 0});
    expectFrame(resize(start, H::topLeft, {80, 80}, std::nullopt, false, true), {29.9, 19.9, 0.1, 0.1, 0});
    expectFrame(resize(start, H::right, {0, 0}), {10, 10, 1, 10, 0});
    // A pointer that is not a number also leaves the minimum instead of a NaN size.
    const ElementFrame lost = resize(start, H::bottomRight, {kNaN, kNaN});
    expectFrame(lost, {10, 10, 1, 1, 0});
}

TEST(ElementResizeGeometry, SquareCodesKeepEqualSidesOfAtLeastTenMillimetres)
{
    const ElementFrame code{10, 10, 20, 20, 0};
    // The top handle asks for a height of 30: both sides become 30, centred on the bottom edge.
    expectFrame(resize(code, H::top, {20, 0}, std::nullopt, true), {5, 0, 30, 30, 0});
    // The left handle asks for a width of 25.
    expectFrame(resize(code, H::left, {5, 99}, std::nullopt, true), {5, 10 - 2.5, 25, 25, 0});
    // A corner takes the smaller of the two sides.
    expectFrame(resize(code, H::bottomRight, {50, 35}, std::nullopt, true), {10, 10, 25, 25, 0});
    // Never below 10 mm, also when pulled past the anchor or with a NaN pointer.
    expectFrame(resize(code, H::bottomRight, {12, 12}, std::nullopt, true), {10, 10, 10, 10, 0});
    expectFrame(resize(code, H::topLeft, {kNaN, 0}, std::nullopt, true), {20, 20, 10, 10, 0});
    // With the grid, the corner moves along the diagonal to a grid line near the pointer:
    // anchor (10, 10), pointer (33.6, 31) -> lines x 30/35 and y 30/35 give sides 20, 25, 20, 25;
    // the point (35, 35) or (30, 30) nearest to the pointer is (30, 30) (distances² 13.96 vs 17.96).
    expectFrame(resize(code, H::bottomRight, {33.6, 31}, 5.0, true), {10, 10, 20, 20, 0});
    // Grid candidates below 10 mm are skipped.
    expectFrame(resize(code, H::bottomRight, {21, 21}, 5.0, true), {10, 10, 10, 10, 0});
}

TEST(ElementResizeGeometry, GridSnapsEdgeLengthsAndCornerPointers)
{
    // Left edge at x = 3; the right handle at 17.4 reaches for the lines at 15 and 20.
    const ElementFrame start{3, 0, 10, 10, 0};
    EXPECT_NEAR(resize(start, H::right, {17.4, 5}, 5.0).widthMm, 12, 1e-12);
    EXPECT_NEAR(resize(start, H::right, {4, 5}, 5.0).widthMm, 2, 1e-12);   // 0 would be below 1 mm
    EXPECT_NEAR(resize(start, H::right, {4, 5}, 2.5).widthMm, 2, 1e-12);   // line at 5 again
    EXPECT_NEAR(resize(start, H::right, {9.1, 5}, 2.5).widthMm, 7, 1e-12); // line at 10
    // Upwards from the bottom edge at y = 10: the pointer at 3.6 picks the line at 2.5 (h 7.5).
    expectFrame(resize(start, H::top, {0, 3.6}, 2.5), {3, 2.5, 10, 7.5, 0});
    // A corner snaps the pointer itself: (17.4, 18.6) -> (15, 20).
    expectFrame(resize(start, H::bottomRight, {17.4, 18.6}, 5.0), {3, 0, 12, 20, 0});
    // Rotated 90°, the right edge runs along y: lines at 15 and 20 on the y axis.
    const ElementFrame turned{0, 0, 10, 4, 90}; // left handle at (5, -3), right handle at (5, 7)
    EXPECT_NEAR(resize(turned, H::right, {5, 16.1}, 5.0).widthMm, 18, 1e-9);
}

TEST(ElementResizeGeometry, SnappedResizeDistanceCandidates)
{
    // Diagonal direction: x lines give 2 and 7, y lines give 4.5 and 9.5 for the pointer (7.9, 8.9)
    // from (3, 0.5) with direction (1, 1).
    EXPECT_NEAR(ElementResizeGeometry::snappedResizeDistance({3, 0.5}, {1, 1}, {7.9, 8.9}, 6, 1, 5), 7, 1e-12);
    // No candidate at or above the minimum: the raw distance or the minimum.
    EXPECT_EQ(ElementResizeGeometry::snappedResizeDistance({0, 0}, {1, 0}, {3, 0}, 3, 20, 5), 20);
    EXPECT_EQ(ElementResizeGeometry::snappedResizeDistance({0, 0}, {1, 0}, {3, 0}, 30, 20, 5), 30);
    EXPECT_EQ(ElementResizeGeometry::snappedResizeDistance({0, 0}, {1, 0}, {kNaN, 0}, 30, 20, 5), 30);
    // A pointer exactly between two lines keeps the earlier (floor) candidate.
    EXPECT_EQ(ElementResizeGeometry::snappedResizeDistance({0, 0}, {1, 0}, {7.5, 0}, 7.5, 1, 5), 5);
    // A direction component of at most 1e-7 is ignored.
    EXPECT_EQ(ElementResizeGeometry::snappedResizeDistance({0, 0}, {1, 1e-8}, {6, 0}, 6, 1, 5), 5);
}

TEST(ElementResizeGeometry, SnappedAndNudgedGridValues)
{
    using G = ElementResizeGeometry;
    EXPECT_EQ(G::snapped(2.5, 5.0), 5);
    EXPECT_EQ(G::snapped(-2.5, 5.0), -5);
    EXPECT_EQ(G::snapped(3.74, 2.5), 2.5);
    EXPECT_EQ(G::snapped(3.75, 2.5), 5);
    EXPECT_EQ(G::snapped(2.4, std::nullopt), 2.4);
    const double small = G::snapped(-1, 5.0);
    EXPECT_EQ(small, 0);
    EXPECT_FALSE(std::signbit(small));

    EXPECT_EQ(G::nudgedGridValue(10, 1, 1, 5.0), 15);
    EXPECT_EQ(G::nudgedGridValue(12, -1, 1, 5.0), 10);
    EXPECT_EQ(G::nudgedGridValue(12, 1, 1, 5.0), 15);
    EXPECT_EQ(G::nudgedGridValue(10.00000001, -1, 1, 5.0), 5);
    EXPECT_EQ(G::nudgedGridValue(9.9999999999, 1, 1, 5.0), 15);
    EXPECT_EQ(G::nudgedGridValue(10, 3, 2, 2.5), 15);
    EXPECT_EQ(G::nudgedGridValue(10, -7, 3, 2.5), 2.5);
    EXPECT_EQ(G::nudgedGridValue(-1, -1, 1, 5.0), -5);
    EXPECT_EQ(G::nudgedGridValue(10, 1, 1, std::nullopt), 10);
    EXPECT_EQ(G::nudgedGridValue(10, 0, 1, 5.0), 10);
    EXPECT_EQ(G::nudgedGridValue(10, 1, 0, 5.0), 10);
}

TEST(ElementResizeGeometry, ElementsResizeByTheirKindAndAreRefusedPastTheLimit)
{
    LabelElement code(QUuid::createUuid(), ElementKind::qr, QStringLiteral("x"), 10, 10, 20, 20, 12);
    code.rotationDegrees = 30;
    const auto squared =
        ElementResizeGeometry::resize(code, H::bottom, handlePosition(H::top, code) + QPointF(0, 1), std::nullopt);
    ASSERT_TRUE(squared);
    EXPECT_EQ(squared->widthMm, squared->heightMm);
    EXPECT_EQ(squared->widthMm, 10); // a hair below the top edge: the square-code minimum
    EXPECT_EQ(squared->rotationDegrees, 30);
    EXPECT_EQ(squared->id, code.id);

    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("t"), 10, 10, 20, 10, 12);
    text.webAppearance = WebAppearance();
    const auto thin = ElementResizeGeometry::resize(text, H::right, {0, 15}, std::nullopt);
    ASSERT_TRUE(thin);
    EXPECT_NEAR(thin->widthMm, 0.1, 1e-12);
    EXPECT_EQ(thin->content, text.content);

    const LabelElement nearEdge(QUuid::createUuid(), ElementKind::rectangle, QString(), 1990, 0, 5, 5, 12);
    EXPECT_TRUE(ElementResizeGeometry::resize(nearEdge, H::right, {2000, 2}, std::nullopt));
    EXPECT_FALSE(ElementResizeGeometry::resize(nearEdge, H::right, {2010, 2}, std::nullopt));
}

TEST(ElementResizeGeometry, FrameCornersMatchTheElementCorners)
{
    for (double degrees : {0.0, 30.0, 90.0, -135.0, 359.0}) {
        LabelElement e(QUuid::createUuid(), ElementKind::rectangle, QString(), 3.5, -7, 21, 9.25, 12);
        e.rotationDegrees = degrees;
        const auto fromElement = e.corners();
        const auto fromFrame = ElementFrame::of(e).corners();
        for (int i = 0; i < 4; ++i) {
            EXPECT_DOUBLE_EQ(fromElement[i].x(), fromFrame[i].x());
            EXPECT_DOUBLE_EQ(fromElement[i].y(), fromFrame[i].y());
        }
    }
}
