#include "tests/core/render/RenderSupport.h"

#include "core/common/Units.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;
using namespace rendertest;

namespace {

LabelDocument twoByThree()
{
    LabelDocument doc = document({}, 40, 30);
    doc.layout.columns = 2;
    doc.layout.rows = 3;
    doc.layout.leftMarginMm = 5;
    doc.layout.topMarginMm = 8;
    doc.layout.columnGapMm = 3;
    doc.layout.rowGapMm = 2;
    return doc;
}

// Whether the top-left corner of `path` is rounded with radius `r`: the arc's point at 45°
// lies r (1 - 1/sqrt 2) in from the corner along the diagonal.
bool hasCornerRadius(const QPainterPath &path, const QRectF &rect, double r)
{
    const double d = r * (1 - 1 / std::sqrt(2.0));
    const QPointF corner = rect.topLeft();
    return path.contains(corner + QPointF(d + 0.05, d + 0.05)) && !path.contains(corner + QPointF(d - 0.05, d - 0.05));
}

} // namespace

TEST(SheetGeometry, SheetOfTwoColumnsAndThreeRows)
{
    const LabelDocument doc = twoByThree();
    const QSizeF sheet = LabelRenderer::sheetSize(doc);
    EXPECT_DOUBLE_EQ(sheet.width(), 249.4488188976378);
    EXPECT_DOUBLE_EQ(sheet.height(), 289.13385826771656);

    const QList<QRectF> slots = LabelRenderer::labelRects(doc);
    ASSERT_EQ(slots.size(), 6);
    // Row by row, left to right.
    EXPECT_DOUBLE_EQ(slots[0].x(), Units::points(5));
    EXPECT_DOUBLE_EQ(slots[0].y(), Units::points(8));
    EXPECT_DOUBLE_EQ(slots[1].x(), Units::points(48));
    EXPECT_DOUBLE_EQ(slots[1].y(), Units::points(8));
    EXPECT_DOUBLE_EQ(slots[2].x(), Units::points(5));
    EXPECT_DOUBLE_EQ(slots[2].y(), Units::points(40));
    EXPECT_DOUBLE_EQ(slots[5].x(), 136.06299212598427);
    EXPECT_DOUBLE_EQ(slots[5].y(), 204.0944881889764);
    for (const QRectF &slot : slots) {
        EXPECT_DOUBLE_EQ(slot.width(), Units::points(40));
        EXPECT_DOUBLE_EQ(slot.height(), Units::points(30));
    }
    // The sheet ends with the last label: no right or bottom margin.
    EXPECT_NEAR(slots[5].right(), sheet.width(), 1e-9);
    EXPECT_NEAR(slots[5].bottom(), sheet.height(), 1e-9);

    EXPECT_EQ(LabelRenderer::size(doc), QSizeF(Units::points(40), Units::points(30)));
}

TEST(SheetGeometry, OutlineRadiusScalesWithTheRectangleAndIsClamped)
{
    LabelDocument doc = document({}, 50, 30);
    doc.layout.cornerRadiusMm = 5;
    const QRectF wide(0, 0, 100, 60);
    EXPECT_TRUE(hasCornerRadius(LabelRenderer::outline(doc, wide), wide, 10));
    EXPECT_FALSE(hasCornerRadius(LabelRenderer::outline(doc, wide), wide, Units::points(5)));
    // The label's own rectangle in points: the radius is the model's radius in points.
    const QRectF own(QPointF(0, 0), LabelRenderer::size(doc));
    EXPECT_TRUE(hasCornerRadius(LabelRenderer::outline(doc, own), own, Units::points(5)));

    // Larger than half the smaller side: clamped to it, so the outline stays a rounded box
    // inside the rectangle.
    doc.layout.cornerRadiusMm = 40;
    const QPainterPath clamped = LabelRenderer::outline(doc, wide);
    EXPECT_TRUE(hasCornerRadius(clamped, wide, 30));
    EXPECT_TRUE(wide.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(clamped.boundingRect()));

    // A zero label width or a radius that is not a number gives a plain rectangle rather
    // than a path of NaN.
    doc.layout.cornerRadiusMm = std::nan("");
    const QPainterPath plain = LabelRenderer::outline(doc, wide);
    EXPECT_EQ(plain.boundingRect(), wide);
    EXPECT_TRUE(plain.contains(QPointF(0.1, 0.1)));
    doc.layout.cornerRadiusMm = 5;
    doc.widthMm = 0;
    EXPECT_TRUE(LabelRenderer::outline(doc, wide).contains(QPointF(0.1, 0.1)));
    doc.widthMm = 50;
    doc.layout.cornerRadiusMm = -3;
    EXPECT_TRUE(LabelRenderer::outline(doc, wide).contains(QPointF(0.1, 0.1)));
}

TEST(SheetGeometry, EllipseOutlineIsInscribed)
{
    LabelDocument doc = document({}, 50, 30);
    doc.layout.shape = LabelShape::ellipse;
    const QRectF rect(10, 20, 100, 60);
    const QPainterPath path = LabelRenderer::outline(doc, rect);
    EXPECT_NEAR(path.boundingRect().left(), 10, 1e-9);
    EXPECT_NEAR(path.boundingRect().bottom(), 80, 1e-9);
    EXPECT_TRUE(path.contains(rect.center()));
    EXPECT_FALSE(path.contains(QPointF(11, 21)));
}
