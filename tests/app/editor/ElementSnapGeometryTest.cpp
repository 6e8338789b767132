#include "app/editor/ElementSnapGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using Orientation = ElementSnapGuide::Orientation;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const QRectF label(0, 0, 100, 100);

QRectF transposed(const QRectF &r)
{
    return QRectF(r.y(), r.x(), r.height(), r.width());
}

ElementSnapResult resolve(const QRectF &moving, const QList<QRectF> &stationary, QPointF delta, double tolerance,
                          std::optional<double> grid = std::nullopt, const QRectF &doc = label)
{
    return ElementSnapGeometry::resolve(moving, stationary, delta, tolerance, grid, doc);
}

} // namespace

TEST(ElementSnapGeometry, RefusesNonFiniteInputsAndNegativeTolerance)
{
    const QRectF moving(10, 10, 5, 5);
    const QList<QRectF> stationary{QRectF(20, 20, 10, 10)};
    const ElementSnapResult none;
    EXPECT_EQ(resolve(QRectF(kNaN, 10, 5, 5), stationary, {1, 1}, 1), none);
    EXPECT_EQ(resolve(QRectF(10, 10, kInf, 5), stationary, {1, 1}, 1), none);
    EXPECT_EQ(resolve(moving, stationary, {kNaN, 1}, 1), none);
    EXPECT_EQ(resolve(moving, stationary, {1, -kInf}, 1), none);
    EXPECT_EQ(resolve(moving, stationary, {1, 1}, -0.001), none);
    EXPECT_EQ(resolve(moving, stationary, {1, 1}, kNaN), none);
    EXPECT_EQ(resolve(moving, stationary, {1, 1}, kInf), none);
    EXPECT_EQ(resolve(moving, stationary, {1, 1}, 1, 5.0, QRectF(0, 0, kNaN, 50)), none);
    EXPECT_EQ(resolve(moving, stationary, {1, 1}, 1, 5.0, QRectF(-kInf, 0, 50, 50)), none);
}

TEST(ElementSnapGeometry, ZeroToleranceStillSnapsExactAlignments)
{
    // The left edge lands 0.5e-7 mm short of the partner's edge: within the slack.
    const QRectF moving(0, 60, 4, 4);
    const QList<QRectF> stationary{QRectF(20, 20, 10, 10)};
    for (double tolerance : {0.0, -0.0}) {
        const ElementSnapResult r = resolve(moving, stationary, {20 - 0.5e-7, 0}, tolerance);
        EXPECT_DOUBLE_EQ(r.delta.x(), 20);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].positionMm, 20);
    }
    // A hair beyond the slack does not snap.
    const ElementSnapResult off = resolve(moving, stationary, {20 - 2e-7, 0}, 0);
    EXPECT_EQ(off.delta.x(), 20 - 2e-7);
    EXPECT_TRUE(off.guides.empty());
}

// Each anchor pair on its own: the moved rectangle (4 mm wide) is placed so that exactly one
// pair lies within the tolerance of 0.5 mm. Run on both axes by transposing the scene.
TEST(ElementSnapGeometry, EveryAnchorPairSnapsOnBothAxes)
{
    struct Case {
        const char *name;
        double requestedMinX; // where the pointer puts the moved rectangle's left edge
        double snappedMinX;
        double guideX;
    };
    const Case cases[] = {
        {"centre on centre", 23.3, 23.0, 25.0}, // midX 25.3 -> 25
        {"left on left", 20.2, 20.0, 20.0},     // minX 20.2 -> 20
        {"right on right", 25.8, 26.0, 30.0},   // maxX 29.8 -> 30
        {"left on right", 30.3, 30.0, 30.0},    // abuts after the partner
        {"right on left", 15.6, 16.0, 20.0},    // maxX 19.6 -> 20, abuts before
    };
    const QRectF stationary(20, 20, 10, 10);
    const QRectF moving(50, 60, 4, 4);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QPointF requested(c.requestedMinX - 50, 0);

        const ElementSnapResult x = resolve(moving, {stationary}, requested, 0.5);
        EXPECT_NEAR(x.delta.x(), c.snappedMinX - 50, 1e-12);
        EXPECT_EQ(x.delta.y(), 0);
        ASSERT_EQ(x.guides.size(), 1);
        EXPECT_EQ(x.guides[0].orientation, Orientation::vertical);
        EXPECT_EQ(x.guides[0].positionMm, c.guideX);
        // From the partner's top (20) to the moved rectangle's bottom (64).
        EXPECT_EQ(x.guides[0].spanStartMm, 20);
        EXPECT_EQ(x.guides[0].spanEndMm, 64);

        const ElementSnapResult y = resolve(transposed(moving), {transposed(stationary)}, {0, requested.x()}, 0.5);
        EXPECT_EQ(y.delta.x(), 0);
        EXPECT_NEAR(y.delta.y(), c.snappedMinX - 50, 1e-12);
        ASSERT_EQ(y.guides.size(), 1);
        EXPECT_EQ(y.guides[0].orientation, Orientation::horizontal);
        EXPECT_EQ(y.guides[0].positionMm, c.guideX);
        EXPECT_EQ(y.guides[0].spanStartMm, 20);
        EXPECT_EQ(y.guides[0].spanEndMm, 64);
    }
}

TEST(ElementSnapGeometry, TiesGoToLowerPriorityThenEarlierRectangle)
{
    const QRectF moving(0, 60, 10, 4);
    // Same width as the partner: centre, left and right edges are all 0.3 mm off.
    {
        const ElementSnapResult r = resolve(moving, {QRectF(20, 20, 10, 10)}, {20.3, 0}, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].positionMm, 25); // the centre line wins over the edges
        EXPECT_NEAR(r.delta.x(), 20, 1e-12);
    }
    // Two partners with the same left edge: the earlier one is the guide's partner (its span
    // shows which one), whichever order they come in.
    const QRectF upper(20, 0, 30, 10);
    const QRectF lower(20, 80, 40, 10);
    const QRectF narrow(0, 40, 4, 4);
    {
        const ElementSnapResult r = resolve(narrow, {upper, lower}, {20.2, 0}, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].positionMm, 20);
        EXPECT_EQ(r.guides[0].spanStartMm, 0);
        EXPECT_EQ(r.guides[0].spanEndMm, 44);
    }
    {
        const ElementSnapResult r = resolve(narrow, {lower, upper}, {20.2, 0}, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].spanStartMm, 40);
        EXPECT_EQ(r.guides[0].spanEndMm, 90);
    }
    // A later rectangle's centre line beats an earlier rectangle's abutting edge at equal distance.
    {
        const QRectF abutting(0, 0, 19.8, 10);   // maxX 19.8: narrow's left edge 20 is 0.2 away
        const QRectF centred(21.8, 80, 0.4, 10); // midX 22: narrow's centre 22.2 is 0.2 away
        const ElementSnapResult r = resolve(narrow, {abutting, centred}, {20.2, 0}, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_NEAR(r.guides[0].positionMm, 22, 1e-12);
        EXPECT_NEAR(r.delta.x(), 20, 1e-12);
    }
    // Likewise an aligned leading edge (priority 1) beats an earlier abutting edge (priority 2).
    {
        const QRectF abutting(0, 0, 20, 10);    // maxX 20: narrow's left edge 20.2 is 0.2 away
        const QRectF aligned(20.4, 80, 30, 10); // minX 20.4: narrow's left edge is 0.2 away
        const ElementSnapResult r = resolve(narrow, {abutting, aligned}, {20.2, 0}, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_NEAR(r.guides[0].positionMm, 20.4, 1e-12);
        EXPECT_NEAR(r.delta.x(), 20.4, 1e-12);
    }
    // Distance beats priority when the difference exceeds the slack.
    {
        const ElementSnapResult r = resolve(moving, {QRectF(20, 20, 10.2, 10)}, {20.1, 0}, 0.5);
        // centre 25.1 vs 25.1 (exact), left 20.1 vs 20 (0.1), right 30.1 vs 30.2 (0.1)
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_NEAR(r.guides[0].positionMm, 25.1, 1e-12);
        const ElementSnapResult edge = resolve(moving, {QRectF(20, 20, 10.6, 10)}, {20.1, 0}, 0.5);
        // centre 25.1 vs 25.3 (0.2), left 0.1 away: the closer edge wins
        ASSERT_EQ(edge.guides.size(), 1);
        EXPECT_EQ(edge.guides[0].positionMm, 20);
    }
}

TEST(ElementSnapGeometry, SlackDecidesToleranceAndTies)
{
    const QRectF moving(0, 60, 4, 4);
    const QRectF partner(20, 20, 10, 10);
    // The left edge is exactly 0.5 + x away from the partner's left edge.
    auto leftEdgeSnaps = [&](double overshoot) {
        return !resolve(moving, {partner}, {20 - 0.5 - overshoot, 0}, 0.5).guides.isEmpty();
    };
    EXPECT_TRUE(leftEdgeSnaps(0));
    EXPECT_TRUE(leftEdgeSnaps(0.9e-7));
    EXPECT_FALSE(leftEdgeSnaps(1.2e-7));

    // A centre-line match on the first rectangle, then a left-edge match on a second one
    // that is closer by less than the slack: still a tie, so the centre line stays.
    const QRectF centre(20, 0, 10, 10); // midX 25; moving centre 25.3 -> 0.3 away
    const QRectF nearTie(23 + 0.5e-7, 40, 10, 10);
    const QRectF clearlyCloser(23 + 2e-7, 40, 10, 10);
    const QPointF requested(23.3, 0); // moving spans 23.3 .. 27.3
    {
        const ElementSnapResult r = resolve(moving, {centre, nearTie}, requested, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].positionMm, 25);
    }
    {
        const ElementSnapResult r = resolve(moving, {centre, clearlyCloser}, requested, 0.5);
        ASSERT_EQ(r.guides.size(), 1);
        EXPECT_EQ(r.guides[0].positionMm, 23 + 2e-7);
    }
}

TEST(ElementSnapGeometry, IgnoresCandidatesThatLeaveTheLabel)
{
    const QRectF doc(0, 0, 50, 50);
    const QRectF partner(0, 0, 10, 10);
    const QRectF moving(20, 30, 4, 4);
    // Right edge 0.2 before the partner's left edge would put the moved rectangle at -4; the
    // farther left-on-left alignment (3.8 mm) applies instead.
    const ElementSnapResult r = resolve(moving, {partner}, {-23.8, 0}, 5, std::nullopt, doc);
    EXPECT_NEAR(r.delta.x(), -20, 1e-12);
    ASSERT_EQ(r.guides.size(), 1);
    EXPECT_EQ(r.guides[0].positionMm, 0);

    // With no other candidate the grid applies, and the clamp keeps the result on the label.
    const QRectF right(40, 0, 10, 10);
    const ElementSnapResult grid = resolve(moving, {right}, {30.4, 0}, 0.5, 5.0, doc); // minX 50.4
    EXPECT_TRUE(grid.guides.isEmpty());
    EXPECT_EQ(grid.delta.x(), 26); // grid line 50, clamped to 46
    // A snap that overshoots the label edge by less than the slack keeps its guide.
    const QRectF edgePartner(0, 0, 10, 10);
    const ElementSnapResult slack =
        resolve(moving, {edgePartner}, {-20.3, 0}, 0.5, std::nullopt, QRectF(0.5e-7, 0, 50, 50));
    EXPECT_EQ(slack.guides.size(), 1);
    EXPECT_NEAR(slack.delta.x(), -20 + 0.5e-7, 1e-12);
}

TEST(ElementSnapGeometry, GridTakesAxesWithoutAnElementSnap)
{
    const QRectF moving(0, 0, 4, 4);
    auto landsAt = [&](double requestedMinX, std::optional<double> step, const QRectF &doc = label) {
        return moving.left() + resolve(moving, {}, {requestedMinX, 0}, 1, step, doc).delta.x();
    };
    EXPECT_EQ(landsAt(7.5, 5.0), 10); // 1.5 goes away from zero
    EXPECT_EQ(landsAt(7.4, 5.0), 5);
    EXPECT_EQ(landsAt(3.75, 2.5), 5); // 1.5 steps of 2.5
    EXPECT_EQ(landsAt(3.7, 2.5), 2.5);
    EXPECT_EQ(landsAt(6.2, 2.5), 5);   // 2.48 steps
    EXPECT_EQ(landsAt(6.3, 2.5), 7.5); // 2.52 steps
    EXPECT_EQ(landsAt(12.49, 1.0), 12);
    // Grid lines start at the label's own origin.
    EXPECT_EQ(landsAt(7.4, 5.0, QRectF(3, 0, 100, 100)), 8);
    // The grid has no tolerance: far from any line still goes to the nearest.
    EXPECT_EQ(landsAt(44.9, 10.0), 40);
    // No usable grid: the requested position stands.
    for (std::optional<double> step : {std::optional<double>(), std::optional<double>(0.0), std::optional<double>(-5.0),
                                       std::optional<double>(kInf), std::optional<double>(kNaN)}) {
        EXPECT_EQ(landsAt(7.4, step), 7.4);
    }
    // Stationary rectangles that are not finite are skipped, leaving the grid in charge.
    const ElementSnapResult r =
        resolve(moving, QList<QRectF>{QRectF(kNaN, 7, 3, 3), QRectF(7.4, kInf, 3, 3)}, {7.4, 7.4}, 1, 5.0);
    EXPECT_EQ(r.delta, QPointF(5, 5));
    EXPECT_TRUE(r.guides.isEmpty());
}

TEST(ElementSnapGeometry, ElementSnapOnOneAxisGridOnTheOther)
{
    const QRectF moving(0, 0, 4, 4);
    const QRectF partner(20, 50, 10, 10);
    // x: left edge 20.2 -> 20 (element); y: 33.3 -> 35 (grid); the grid sees the requested
    // y, not a rectangle already moved on x.
    const ElementSnapResult r = resolve(moving, {partner}, {20.2, 33.3}, 0.5, 5.0);
    EXPECT_NEAR(r.delta.x(), 20, 1e-12);
    EXPECT_EQ(r.delta.y(), 35);
    ASSERT_EQ(r.guides.size(), 1);
    EXPECT_EQ(r.guides[0].orientation, Orientation::vertical);
    EXPECT_EQ(r.guides[0].spanStartMm, 35);
    EXPECT_EQ(r.guides[0].spanEndMm, 60);
}

TEST(ElementSnapGeometry, SnapsOnBothAxesWithVerticalGuideFirst)
{
    const QRectF moving(70, 70, 6, 6);
    const QList<QRectF> stationary{QRectF(10, 40, 20, 5), QRectF(50, 12, 5, 8)};
    // x: moved left edge 30.3 abuts the first rectangle's right edge 30 -> guide x = 30.
    // y: moved top 20.4 abuts the second rectangle's bottom 20 -> guide y = 20.
    const ElementSnapResult r = resolve(moving, stationary, {30.3 - 70, 20.4 - 70}, 0.5);
    EXPECT_NEAR(r.delta.x(), -40, 1e-12);
    EXPECT_NEAR(r.delta.y(), -50, 1e-12);
    ASSERT_EQ(r.guides.size(), 2);
    const ElementSnapGuide vertical{Orientation::vertical, 30, 20, 45};     // y from F (20) to partner (45)
    const ElementSnapGuide horizontal{Orientation::horizontal, 20, 30, 55}; // x from F (30) to partner (55)
    EXPECT_EQ(r.guides[0], vertical);
    EXPECT_EQ(r.guides[1], horizontal);
}

TEST(ElementSnapGeometry, ClampsToTheLabel)
{
    const QRectF doc(0, 0, 50, 30);
    // Beyond the right and bottom edges: stopped at the edges.
    EXPECT_EQ(resolve(QRectF(10, 10, 5, 5), {}, {100, 100}, 1, std::nullopt, doc).delta, QPointF(35, 15));
    // Beyond the top-left corner.
    EXPECT_EQ(resolve(QRectF(10, 10, 5, 5), {}, {-100, -11}, 1, std::nullopt, doc).delta, QPointF(-10, -10));
    // Wider and taller than the label: the far edges end on the label's far edges.
    EXPECT_EQ(resolve(QRectF(0, 0, 60, 40), {}, {3, -2}, 1, std::nullopt, doc).delta, QPointF(-10, -10));
    EXPECT_EQ(resolve(QRectF(0, 0, 60, 40), {}, {3, -2}, 1, 5.0, doc).delta, QPointF(-10, -10));
}

TEST(ElementSnapGeometry, UniteKeepsZeroSizeRectanglesAndRefusesNonFiniteOnes)
{
    QRectF u = ElementSnapGeometry::unite(std::nullopt, QRectF(10, 5, 0, 0));
    EXPECT_EQ(u, QRectF(10, 5, 0, 0));
    u = ElementSnapGeometry::unite(u, QRectF(20, 30, 10, 0)); // a horizontal line
    EXPECT_EQ(u, QRectF(10, 5, 20, 25));
    u = ElementSnapGeometry::unite(u, QRectF(5, 8, -2, 4)); // negative width counts as 3..5
    EXPECT_EQ(u, QRectF(3, 5, 27, 25));
    EXPECT_FALSE(ElementSnapGeometry::isFinite(ElementSnapGeometry::unite(u, QRectF(0, 0, kNaN, 1))));
    EXPECT_FALSE(ElementSnapGeometry::isFinite(ElementSnapGeometry::unite(QRectF(0, kInf, 1, 1), QRectF(0, 0, 1, 1))));
}
