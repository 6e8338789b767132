#include "tests/app/canvas/CanvasTestSupport.h"

#include "app/canvas/CanvasGeometry.h"
#include "core/common/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using canvastest::box;
using canvastest::label;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double k = Units::pointsPerMillimetre;

TEST(CanvasZoom, EffectiveZoomIsClampedAndNonFiniteBecomesOne)
{
    EXPECT_EQ(CanvasZoom::effective(1.5), 1.5);
    EXPECT_EQ(CanvasZoom::effective(0), 0.2);
    EXPECT_EQ(CanvasZoom::effective(-3), 0.2);
    EXPECT_EQ(CanvasZoom::effective(1e-9), 0.2);
    EXPECT_EQ(CanvasZoom::effective(100), 8);
    EXPECT_EQ(CanvasZoom::effective(nan), 1);
    EXPECT_EQ(CanvasZoom::effective(inf), 1);
    EXPECT_EQ(CanvasZoom::effective(-inf), 1);
    EXPECT_DOUBLE_EQ(CanvasZoom::pointsPerMillimetre(nan), k);
    EXPECT_DOUBLE_EQ(CanvasZoom::pointsPerMillimetre(0.01), 0.2 * k);
}

TEST(CanvasZoom, PinchMagnificationIsRelativeToTheClampedStart)
{
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(1.5, 0.5), 2.25);
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(1.5, 0), 1.5);
    // The factor never drops below 0.01, and the result stays in range.
    EXPECT_EQ(CanvasZoomGeometry::zoom(1.5, -0.995), 0.2);
    EXPECT_EQ(CanvasZoomGeometry::zoom(1.5, -5), 0.2);
    EXPECT_EQ(CanvasZoomGeometry::zoom(1.5, 10), 8);
    // A start outside the range is clamped first.
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(20, -0.5), 4);
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(0.01, 1), 0.4);
    // Non-finite start from 1; a non-finite magnification keeps the clamped start.
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(nan, 0.5), 1.5);
    EXPECT_DOUBLE_EQ(CanvasZoomGeometry::zoom(inf, 0.5), 1.5);
    EXPECT_EQ(CanvasZoomGeometry::zoom(2, nan), 2);
    EXPECT_EQ(CanvasZoomGeometry::zoom(30, inf), 8);
    // A product that overflows is no magnification at all.
    EXPECT_EQ(CanvasZoomGeometry::zoom(8, 1e308), 1);
}

TEST(CanvasOverflow, LargestOverhangPerAxis)
{
    EXPECT_EQ(CanvasOverflowGeometry::overflowMm(label(50, 30, {box(10, 5, 20, 10)})), QSizeF(0, 0));
    // Bounds from x = -5 to 20: five millimetres on the left.
    EXPECT_EQ(CanvasOverflowGeometry::overflowMm(label(50, 30, {box(-5, 5, 25, 10)})), QSizeF(5, 0));
    // 3 mm past the left edge and 7 mm past the right: the larger side counts.
    const QSizeF both = CanvasOverflowGeometry::overflowMm(label(50, 30, {box(-3, 0, 10, 10), box(45, 28, 12, 6)}));
    EXPECT_DOUBLE_EQ(both.width(), 7);
    EXPECT_DOUBLE_EQ(both.height(), 4);
    // A rotated element overhangs by its rotated box: a 20 x 2 bar turned upright at the top.
    const QSizeF upright = CanvasOverflowGeometry::overflowMm(label(50, 30, {box(10, 0, 20, 2, 90)}));
    EXPECT_NEAR(upright.height(), 9, 1e-9);
}

TEST(CanvasOverflow, ElementsWithBrokenGeometryAddNoMargin)
{
    auto broken = box(-5, 0, 10, 10);
    broken.rotationDegrees = nan;
    auto infinite = box(0, 0, inf, 10);
    const QSizeF overflow = CanvasOverflowGeometry::overflowMm(label(50, 30, {broken, infinite, box(-2, 0, 5, 5)}));
    EXPECT_EQ(overflow, QSizeF(2, 0));
}

TEST(CanvasSelectionProjection, BoundingBoxOfTheSelectedElements)
{
    EXPECT_FALSE(CanvasSelectionProjection::from({}).has_value());

    const auto one = CanvasSelectionProjection::from({box(3, 4, 12.5, 6)});
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(*one, (CanvasSelectionProjection{3, 4, 12.5, 6}));

    // A 20 x 2 bar turned by 90 degrees about its centre (13, 11).
    const auto rotated = CanvasSelectionProjection::from({box(3, 10, 20, 2, 90)});
    ASSERT_TRUE(rotated.has_value());
    EXPECT_NEAR(rotated->minXMm, 12, 1e-9);
    EXPECT_NEAR(rotated->minYMm, 1, 1e-9);
    EXPECT_NEAR(rotated->widthMm, 2, 1e-9);
    EXPECT_NEAR(rotated->heightMm, 20, 1e-9);

    // A vertical line has zero width but still widens the projection.
    const auto withLine = CanvasSelectionProjection::from({box(10, 10, 5, 5), box(40, 2, 0, 30)});
    ASSERT_TRUE(withLine.has_value());
    EXPECT_EQ(*withLine, (CanvasSelectionProjection{10, 2, 30, 30}));
}

TEST(CanvasWorkspaceGeometry, CanvasCoversTheLabelWithMarginsOrTheViewport)
{
    using CanvasWorkspaceGeometry::canvasSize;
    // 100 x 50 mm at zoom 1 in a 200 x 100 viewport with overlay bars: max(200, 283.46 + 90).
    const auto overlay = canvasSize({100, 50}, {0, 0}, 1, {200, 100}, {0, 0});
    EXPECT_EQ(overlay.canvas, QSize(int(std::ceil(100 * k + 90)), int(std::ceil(50 * k + 90))));
    EXPECT_EQ(overlay.canvas, QSize(374, 232));
    EXPECT_EQ(overlay.viewport, QSize(200, 100));

    // The label fits: the canvas is the viewport.
    EXPECT_EQ(canvasSize({100, 50}, {0, 0}, 1, {800, 600}, {15, 15}).canvas, QSize(800, 600));

    // Overflow adds to the margin on both sides.
    EXPECT_EQ(canvasSize({100, 50}, {10, 0}, 1, {200, 100}, {0, 0}).canvas.width(),
              int(std::ceil(100 * k + 2 * (10 * k + 45))));

    // Zoom is clamped before sizing: NaN draws at 1, zero at 0.2.
    EXPECT_EQ(canvasSize({100, 50}, {0, 0}, nan, {200, 100}, {0, 0}), overlay);
    EXPECT_EQ(canvasSize({100, 50}, {0, 0}, 0, {10, 10}, {0, 0}), canvasSize({100, 50}, {0, 0}, 0.2, {10, 10}, {0, 0}));

    // Broken label sizes leave only the margins.
    EXPECT_EQ(canvasSize({nan, -5}, {inf, nan}, 1, {10, 10}, {0, 0}).canvas, QSize(90, 90));
}

TEST(CanvasWorkspaceGeometry, ScrollBarsAreTakenOnlyFromTheAxisTheyCross)
{
    using CanvasWorkspaceGeometry::canvasSize;
    // The label is 374 x 232 points with its margins; bars take 15 points.
    // Too high only: a vertical bar, and the width still fits beside it.
    const auto tall = canvasSize({100, 50}, {0, 0}, 1, {400, 200}, {15, 15});
    EXPECT_EQ(tall.viewport, QSize(385, 200));
    EXPECT_EQ(tall.canvas, QSize(385, 232));
    // The vertical bar pushes the width below the label: both bars.
    const auto both = canvasSize({100, 50}, {0, 0}, 1, {380, 200}, {15, 15});
    EXPECT_EQ(both.viewport, QSize(365, 185));
    EXPECT_EQ(both.canvas, QSize(374, 232));
    // Too wide only, and the horizontal bar then makes it too high as well.
    const auto cascade = canvasSize({100, 50}, {0, 0}, 1, {300, 240}, {15, 15});
    EXPECT_EQ(cascade.viewport, QSize(285, 225));
    EXPECT_EQ(cascade.canvas, QSize(374, 232));
    // Exactly fitting needs no bar.
    const auto exact = canvasSize({100, 50}, {0, 0}, 1, {374, 232}, {15, 15});
    EXPECT_EQ(exact.viewport, QSize(374, 232));
    EXPECT_EQ(exact.canvas, QSize(374, 232));
}

TEST(CanvasWorkspaceGeometry, CentredAndAnchoredScrollStayInRange)
{
    using namespace CanvasWorkspaceGeometry;
    // The label's centre was 200 points into the visible area horizontally, 80 vertically.
    const QRectF oldPaper(100, 50, 200, 100);
    const QRectF oldVisible(0, 20, 300, 200);
    const QRectF newPaper(300, 200, 400, 200);
    EXPECT_EQ(centredOrigin(oldPaper, oldVisible, newPaper, {1000, 600}, {300, 200}), QPoint(300, 220));
    // Within the scroll range, never negative.
    EXPECT_EQ(centredOrigin(oldPaper, oldVisible, newPaper, {500, 300}, {300, 200}), QPoint(200, 100));
    EXPECT_EQ(centredOrigin(oldPaper, oldVisible, QRectF(10, 10, 50, 50), {1000, 600}, {300, 200}), QPoint(0, 0));
    EXPECT_FALSE(centredOrigin(QRectF(), oldVisible, newPaper, {1000, 600}, {300, 200}).has_value());
    EXPECT_FALSE(centredOrigin(oldPaper, QRectF(0, 0, 300, 0), newPaper, {1000, 600}, {300, 200}).has_value());

    // The anchor 10 mm into the label lands 50 points into the visible area.
    EXPECT_EQ(anchoredOrigin(QRectF(100, 100, 500, 500), {10, 10}, 10, {50, 20}, {2000, 2000}, {300, 200}),
              QPoint(150, 180));
    EXPECT_EQ(anchoredOrigin(QRectF(100, 100, 500, 500), {nan, inf}, 10, {50, 20}, {2000, 2000}, {300, 200}),
              QPoint(0, 0));
}

TEST(CanvasDrawingGeometry, PaperIsCentredWithAtLeast38PointsBefore)
{
    using CanvasDrawingGeometry::paperRect;
    const QRectF small = paperRect({500, 400}, 50, 30, 1);
    EXPECT_NEAR(small.width(), 141.732, 1e-3);
    EXPECT_NEAR(small.height(), 85.039, 1e-3);
    EXPECT_NEAR(small.center().x(), 250, 1e-9);
    EXPECT_NEAR(small.center().y(), 200, 1e-9);
    // At zoom 2 and 4 the label grows about the same centre until it reaches the inset.
    EXPECT_NEAR(paperRect({500, 400}, 50, 30, 2).width(), 283.465, 1e-3);
    EXPECT_NEAR(paperRect({500, 400}, 50, 30, 2).left(), 250 - 141.732, 1e-3);
    const QRectF large = paperRect({500, 400}, 50, 20, 4);
    EXPECT_EQ(large.left(), 38);
    EXPECT_NEAR(large.top(), (400 - 20 * 4 * k) / 2, 1e-9);
    // Free space below 76 points still starts 38 points in.
    EXPECT_EQ(paperRect({200, 100}, 50, 30, 1).top(), 38);
    // Non-finite zoom draws at 1, out-of-range zoom at the limit.
    EXPECT_EQ(paperRect({500, 400}, 50, 30, nan), small);
    EXPECT_EQ(paperRect({5000, 4000}, 50, 30, 100), paperRect({5000, 4000}, 50, 30, 8));
    EXPECT_EQ(paperRect({500, 400}, nan, 30, 1).width(), 0);
}

TEST(CanvasDrawingGeometry, GridDotsNeverCrowdAndStayAnchored)
{
    using namespace CanvasDrawingGeometry;
    // 1 mm at zoom 0.5 is 1.417 points: a dot every third step (4.25 points).
    EXPECT_NEAR(*gridDotSpacing(1 * k * 0.5), 3 * k * 0.5, 1e-12);
    // At zoom 2 (5.67 points) every step.
    EXPECT_NEAR(*gridDotSpacing(1 * k * 2), 2 * k, 1e-12);
    EXPECT_EQ(*gridDotSpacing(4), 4);
    for (double broken : {0.0, -1.0, nan, inf, 1e-320})
        EXPECT_FALSE(gridDotSpacing(broken).has_value()) << broken;

    const QRectF paper(40, 40, 100, 60);
    const auto all = gridDots(paper, QRectF(0, 0, 500, 500), 10);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->first, QPointF(40, 40));
    EXPECT_EQ(all->columns, 11); // both edges included
    EXPECT_EQ(all->rows, 7);

    // Redrawing a part keeps the dots on the same lattice.
    const auto part = gridDots(paper, QRectF(63, 71, 20, 20), 10);
    ASSERT_TRUE(part.has_value());
    EXPECT_EQ(part->first, QPointF(70, 80));
    EXPECT_EQ(part->columns, 2); // 70, 80
    EXPECT_EQ(part->rows, 2);    // 80, 90

    EXPECT_FALSE(gridDots(paper, QRectF(300, 300, 10, 10), 10).has_value());
    EXPECT_FALSE(gridDots(paper, QRectF(0, 0, 500, 500), nan).has_value());
}

TEST(CanvasDrawingGeometry, MarqueeKeepsAtLeastOnePoint)
{
    using CanvasDrawingGeometry::marqueeRect;
    const QRectF paper(100, 50, 300, 200);
    EXPECT_EQ(marqueeRect(paper, 2, {10, 20}, {5, 5}), QRectF(110, 60, 10, 30));
    // Dragged straight down: one point wide, centred on the line.
    EXPECT_EQ(marqueeRect(paper, 2, {10, 5}, {10, 25}), QRectF(119.5, 60, 1, 40));
    EXPECT_EQ(marqueeRect(paper, 2, {10, 5}, {10, 5}), QRectF(119.5, 59.5, 1, 1));
}

} // namespace
