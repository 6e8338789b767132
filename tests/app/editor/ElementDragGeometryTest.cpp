#include "app/editor/ElementDragGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(ElementDragGeometry, ToleranceFollowsTheZoom)
{
    using G = ElementDragGeometry;
    EXPECT_NEAR(G::toleranceMm(6, 2), 6 / (2 * 2.834645669291339), 1e-12);
    EXPECT_NEAR(G::toleranceMm(6, 2), 1.0583, 1e-4);
    EXPECT_NEAR(G::toleranceMm(6, 0.01), 211.67, 0.01);
    EXPECT_EQ(G::toleranceMm(6, 0.005), G::toleranceMm(6, 0.01));
    EXPECT_EQ(G::toleranceMm(6, kNaN), G::toleranceMm(6, 0.01));
    EXPECT_EQ(G::toleranceMm(-6, 1), 0);
    EXPECT_FALSE(std::signbit(G::toleranceMm(-6, 1)));
}

namespace {

LabelElement box(double x, double y, double w, double h, ElementKind kind = ElementKind::rectangle)
{
    return LabelElement(QUuid::createUuid(), kind, QString(), x, y, w, h, 12);
}

} // namespace

TEST(ElementDragGeometry, NeedsThePrimaryElementInTheStartDocument)
{
    const LabelElement a = box(10, 10, 5, 5);
    const LabelDocument start(QStringLiteral("d"), 100, 100, {a});
    EXPECT_FALSE(ElementDragGeometry::drag(start, {}, QUuid(), {20, 20}, 6, 1, std::nullopt));
    EXPECT_FALSE(ElementDragGeometry::drag(start, {QUuid::createUuid()}, QUuid::createUuid(), {20, 20}, 6, 1, 5.0));
    // Selected but not the primary element: nothing to measure the pointer against.
    EXPECT_FALSE(ElementDragGeometry::drag(start, {a.id}, QUuid::createUuid(), {20, 20}, 6, 1, 5.0));
}

TEST(ElementDragGeometry, MovesTheSelectionAsOneRectangleAgainstTheOthers)
{
    LabelElement a = box(10, 10, 5, 5);
    LabelElement b = box(20, 12, 5, 5);
    LabelElement c = box(12, 20, 4, 4);
    const LabelElement other = box(50, 50, 10, 10);
    const LabelDocument start(QStringLiteral("d"), 100, 100, {a, other, b, c});
    // The selection spans 10..25 × 10..24. Asked to move by (24.8, 30), its right edge comes to
    // 49.8 and abuts the other element's left edge at 50 (tolerance 6 pt at zoom 1 ≈ 2.1 mm).
    const auto result =
        ElementDragGeometry::drag(start, {a.id, b.id, c.id}, a.id, {10 + 24.8, 10 + 30}, 6, 1, std::nullopt);
    ASSERT_TRUE(result);
    const QList<LabelElement> &moved = result->document.elements;
    EXPECT_NEAR(moved[0].xMm, 35, 1e-9);
    EXPECT_NEAR(moved[0].yMm, 40, 1e-9);
    EXPECT_EQ(moved[1], other);
    EXPECT_NEAR(moved[2].xMm, 45, 1e-9);
    EXPECT_NEAR(moved[2].yMm, 42, 1e-9);
    EXPECT_NEAR(moved[3].xMm, 37, 1e-9);
    EXPECT_NEAR(moved[3].yMm, 50, 1e-9);
    EXPECT_EQ(moved[3].widthMm, 4);
    ASSERT_EQ(result->guides.size(), 1);
    EXPECT_EQ(result->guides[0], (ElementSnapGuide{ElementSnapGuide::Orientation::vertical, 50, 40, 60}));

    // The grid, when shown, takes the axis without an element snap: y 40.4 -> 40 (step 2.5),
    // and the moved rectangle's top edge, not the primary element's, is what lands on it.
    const auto gridded = ElementDragGeometry::drag(start, {a.id, b.id, c.id}, b.id, {20 + 24.8, 12 + 30.4}, 6, 1, 2.5);
    ASSERT_TRUE(gridded);
    EXPECT_NEAR(gridded->document.elements[0].yMm, 40, 1e-9);
    EXPECT_NEAR(gridded->document.elements[2].yMm, 42, 1e-9);
}

TEST(ElementDragGeometry, RetriesWithoutElementSnapsPastTheCoordinateLimit)
{
    // A label wider than the coordinate limit. Abutting the stationary element's right edge
    // (1993) would put the moved element's right edge at 2003.
    const LabelElement moving = box(1900, 10, 10, 5);
    const LabelElement anchor = box(1963, 50, 30, 5);
    const LabelDocument start(QStringLiteral("d"), 2100, 100, {moving, anchor});
    const double zoom = 0.1; // 6 pt ≈ 21 mm
    const auto result = ElementDragGeometry::drag(start, {moving.id}, moving.id, {1989, 10}, 6, zoom, std::nullopt);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->document.elements[0].xMm, 1989);
    EXPECT_TRUE(result->guides.isEmpty());

    // An element that already breaks the limit blocks every drag.
    const LabelElement beyond = box(2001, 50, 5, 5);
    const LabelDocument blocked(QStringLiteral("d"), 2100, 100, {moving, beyond});
    EXPECT_FALSE(ElementDragGeometry::drag(blocked, {moving.id}, moving.id, {1950, 10}, 6, 1, std::nullopt));
}

TEST(ElementDragGeometry, RefusedInputsLeaveTheSelectionAtItsStart)
{
    const LabelElement a = box(10, 10, 5, 5);
    const LabelDocument start(QStringLiteral("d"), 100, 100, {a, box(30, 30, 5, 5)});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto result = ElementDragGeometry::drag(start, {a.id}, a.id, {nan, 20}, 6, 1, 5.0);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->document, start);
    EXPECT_TRUE(result->guides.isEmpty());
}

TEST(ElementDragGeometry, AllowsOnlyFiniteCornersWithinTheLimit)
{
    EXPECT_TRUE(ElementDragGeometry::allowsDraggedGeometry(LabelDocument(QStringLiteral("d"), 50, 50, {})));
    EXPECT_TRUE(ElementDragGeometry::allowsDraggedGeometry(
        LabelDocument(QStringLiteral("d"), 50, 50, {box(-2000, 1990, 10, 10)})));
    EXPECT_FALSE(ElementDragGeometry::allowsDraggedGeometry(
        LabelDocument(QStringLiteral("d"), 50, 50, {box(0, 0, 5, 5), box(1990.0001, 0, 10, 10)})));
    // Right corners at 2008 unrotated; turned 90° about the centre (1998, 1) they lie within 1999.
    LabelElement turned = box(1988, 0, 20, 2);
    EXPECT_FALSE(ElementDragGeometry::allowsDraggedGeometry(LabelDocument(QStringLiteral("d"), 50, 50, {turned})));
    turned.rotationDegrees = 90;
    EXPECT_TRUE(ElementDragGeometry::allowsDraggedGeometry(LabelDocument(QStringLiteral("d"), 50, 50, {turned})));
    turned.rotationDegrees = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(ElementDragGeometry::allowsDraggedGeometry(LabelDocument(QStringLiteral("d"), 50, 50, {turned})));
}
