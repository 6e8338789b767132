#include "app/canvas/CanvasRulerGeometry.h"
#include "core/common/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using namespace kestrivane::CanvasRulerGeometry;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k = Units::pointsPerMillimetre;

CanvasRulerScale scale(double minor, double middle, double major)
{
    CanvasRulerScale s(1);
    s.minorStepMm = minor;
    s.middleStepMm = middle;
    s.majorStepMm = major;
    return s;
}

const Tick *tickAt(const QList<Tick> &ticks, double valueMm)
{
    for (const Tick &tick : ticks) {
        if (std::abs(tick.valueMm - valueMm) < 1e-9)
            return &tick;
    }
    return nullptr;
}

TEST(CanvasRulerScale, StepsFollowTheZoom)
{
    EXPECT_EQ(CanvasRulerScale(1 * k), scale(1, 5, 10));
    EXPECT_EQ(CanvasRulerScale(0.5 * k), scale(2, 10, 20));
    EXPECT_EQ(CanvasRulerScale(0.4 * k), scale(5, 25, 50));
    EXPECT_EQ(CanvasRulerScale(0.2 * k), scale(5, 25, 50));
    EXPECT_EQ(CanvasRulerScale(8 * k), scale(1, 5, 10));
    // The boundaries choose the finer minor step.
    EXPECT_EQ(CanvasRulerScale(2.5).minorStepMm, 1);
    EXPECT_EQ(CanvasRulerScale(1.25).minorStepMm, 2);
    EXPECT_EQ(CanvasRulerScale(0.5).minorStepMm, 5);
    EXPECT_EQ(CanvasRulerScale(0.49).minorStepMm, 10);
    // Labels too close at every step: the widest one.
    EXPECT_EQ(CanvasRulerScale(0.1).majorStepMm, 100);
    // Over the zoom range minor ticks stay 2.5 and labels 28 points apart.
    for (double zoom = 0.2; zoom <= 8.0001; zoom += 0.05) {
        const CanvasRulerScale s(zoom * k);
        EXPECT_GE(s.minorStepMm * zoom * k, 2.5 - 1e-9) << zoom;
        EXPECT_GE(s.majorStepMm * zoom * k, 28) << zoom;
        EXPECT_TRUE(isMultiple(s.majorStepMm, s.minorStepMm)) << zoom;
    }
}

TEST(CanvasRulerTicks, ZeroAtTheLabelEdgeWithThreeLengths)
{
    // Zoom 1, the label's edge 50 points into a 300-point ruler.
    const QList<Tick> ticks = CanvasRulerGeometry::ticks(50, 300, k);
    const Tick *zero = tickAt(ticks, 0);
    ASSERT_NE(zero, nullptr);
    EXPECT_TRUE(zero->labelled);
    EXPECT_EQ(zero->length, majorTickLength);
    EXPECT_EQ(zero->line, 50.5);
    EXPECT_EQ(tickAt(ticks, 5)->length, middleTickLength);
    EXPECT_FALSE(tickAt(ticks, 5)->labelled);
    EXPECT_EQ(tickAt(ticks, 1)->length, minorTickLength);
    EXPECT_EQ(tickAt(ticks, 3)->length, minorTickLength);
    // Left of the label the ruler counts negative.
    const Tick *minusTen = tickAt(ticks, -10);
    ASSERT_NE(minusTen, nullptr);
    EXPECT_TRUE(minusTen->labelled);
    EXPECT_NEAR(minusTen->position, 50 - 10 * k, 1e-9);
    EXPECT_EQ(minusTen->line, std::round(50 - 10 * k) + 0.5);
    // Every millimetre in view, one tick each, in order.
    for (qsizetype i = 1; i < ticks.size(); ++i)
        EXPECT_NEAR(ticks[i].valueMm - ticks[i - 1].valueMm, 1, 1e-9);
    EXPECT_GE(ticks.first().position, -1);
    EXPECT_LE(ticks.last().position, 301);
    // Lines sit on pixel centres, so they cover whole device pixels.
    for (const Tick &tick : ticks)
        EXPECT_EQ(tick.line - std::floor(tick.line), 0.5);
}

TEST(CanvasRulerTicks, TicksJustOutsideEitherEndAreKept)
{
    // Zoom 1 with 10-point spacing would be too dense; use 5 points per mm (1 mm ticks).
    // The zero sits 0.8 points before the ruler: still drawn; 1.2 points before: dropped.
    EXPECT_NE(tickAt(CanvasRulerGeometry::ticks(-0.8, 100, 5), 0), nullptr);
    EXPECT_EQ(tickAt(CanvasRulerGeometry::ticks(-1.2, 100, 5), 0), nullptr);
    EXPECT_NE(tickAt(CanvasRulerGeometry::ticks(100.9, 100, 5), 0), nullptr);
    EXPECT_EQ(tickAt(CanvasRulerGeometry::ticks(101.1, 100, 5), 0), nullptr);

    // A label far to the left of the view: labels start at the first major multiple inside.
    const QList<Tick> far = CanvasRulerGeometry::ticks(-1000, 200, k);
    const Tick *firstLabel = nullptr;
    for (const Tick &tick : far) {
        if (tick.labelled) {
            firstLabel = &tick;
            break;
        }
    }
    ASSERT_NE(firstLabel, nullptr);
    EXPECT_EQ(firstLabel->valueMm, 360); // 1000 / 2.8346 = 352.8 mm at the ruler's start
    EXPECT_GE(firstLabel->position, 0);
}

TEST(CanvasRulerTicks, BrokenInputsGiveNoTicks)
{
    EXPECT_TRUE(CanvasRulerGeometry::ticks(nan, 100, k).isEmpty());
    EXPECT_TRUE(CanvasRulerGeometry::ticks(0, nan, k).isEmpty());
    EXPECT_TRUE(CanvasRulerGeometry::ticks(0, 100, 0).isEmpty());
    EXPECT_TRUE(CanvasRulerGeometry::ticks(0, 100, nan).isEmpty());
    EXPECT_TRUE(CanvasRulerGeometry::ticks(0, 100, -k).isEmpty());
    // An absurdly small scale would ask for billions of ticks: none instead of a hang.
    EXPECT_TRUE(CanvasRulerGeometry::ticks(0, 1e12, 1e-9).isEmpty());
}

TEST(CanvasRulerText, MillimetresWithAtMostTwoDecimals)
{
    EXPECT_EQ(formatMillimeters(12), "12");
    EXPECT_EQ(formatMillimeters(0), "0");
    EXPECT_EQ(formatMillimeters(-10), "-10");
    EXPECT_EQ(formatMillimeters(12.004), "12");
    EXPECT_EQ(formatMillimeters(-3.1), "-3.1");
    EXPECT_EQ(formatMillimeters(2.5), "2.5");
    EXPECT_EQ(formatMillimeters(0.25), "0.25");
    EXPECT_EQ(formatMillimeters(12.34), "12.34");
    EXPECT_EQ(formatMillimeters(12.345), "12.35"); // halves away from zero (as held in binary)
    EXPECT_EQ(formatMillimeters(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatMillimeters(-0.001), "0");
    EXPECT_EQ(formatMillimeters(-0.0), "0");
    EXPECT_EQ(formatMillimeters(nan), "0");
    EXPECT_EQ(formatMillimeters(std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(formatMillimeters(1e20), "100000000000000000000");
}

TEST(CanvasRulerSelection, BandIsCutAtTheRulerEnds)
{
    // 3 mm from the label's edge, 12.5 mm long, at 2 points per mm, zero at 10.
    EXPECT_EQ(selectionBand(10, 2, 3, 12.5, 300), (Band{16, 41}));
    // A negative extent (flipped input) still gives the same band.
    EXPECT_EQ(selectionBand(10, 2, 15.5, -12.5, 300), (Band{16, 41}));
    EXPECT_EQ(selectionBand(-20, 2, 3, 12.5, 300), (Band{0, 11}));
    EXPECT_EQ(selectionBand(280, 2, 3, 12.5, 300), (Band{286, 300}));
    EXPECT_FALSE(selectionBand(400, 2, 3, 12.5, 300).has_value());
    EXPECT_FALSE(selectionBand(-100, 2, 3, 12.5, 300).has_value());
    EXPECT_FALSE(selectionBand(10, 2, nan, 12.5, 300).has_value());
}

TEST(CanvasRulerSelection, BadgesSqueezeAtTheEndsAndDropWhenTheyNoLongerFit)
{
    const QRectF ruler(0, 0, 300, 34);
    // Room all round: text 20 x 12 padded by 4 and 2.
    EXPECT_EQ(*badgeRect({20, 12}, {100, 10}, ruler), QRectF(86, 2, 28, 16));
    // Near the left end the box is cut at 1 point but still holds its text.
    EXPECT_EQ(*badgeRect({20, 12}, {13, 10}, ruler), QRectF(1, 2, 26, 16));
    // Further out it would be narrower than the text plus 2: dropped.
    EXPECT_TRUE(badgeRect({20, 12}, {9, 10}, ruler).has_value()); // 22 wide: just enough
    EXPECT_FALSE(badgeRect({20, 12}, {8, 10}, ruler).has_value());
    EXPECT_FALSE(badgeRect({20, 12}, {-50, 10}, ruler).has_value());
    EXPECT_FALSE(badgeRect({20, 12}, {nan, 10}, ruler).has_value());
    // Near the bottom of the ruler it is cut in height but kept.
    EXPECT_EQ(badgeRect({20, 12}, {100, 30}, ruler)->bottom(), 33);
}

} // namespace
