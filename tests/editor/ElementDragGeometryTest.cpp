#include "editor/ElementDragGeometry.h"

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
