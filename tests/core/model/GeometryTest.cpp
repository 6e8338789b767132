#include "tests/core/model/ModelSamples.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using namespace modelsamples;

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

void expectNear(const QPointF &actual, double x, double y)
{
    EXPECT_NEAR(actual.x(), x, 1e-9);
    EXPECT_NEAR(actual.y(), y, 1e-9);
}
} // namespace

TEST(ElementGeometry, CornersTurnClockwiseAboutTheCentreInAFixedOrder)
{
    LabelElement e = element(ElementKind::rectangle, {}, 10, 10, 20, 10);
    auto c = e.corners();
    expectNear(c[0], 10, 10);
    expectNear(c[1], 30, 10);
    expectNear(c[2], 30, 20);
    expectNear(c[3], 10, 20);

    e.rotationDegrees = 90;
    c = e.corners();
    expectNear(c[0], 25, 5);
    expectNear(c[1], 25, 25);
    expectNear(c[2], 15, 25);
    expectNear(c[3], 15, 5);
    const QRectF b = e.bounds();
    EXPECT_NEAR(b.x(), 15, 1e-9);
    EXPECT_NEAR(b.y(), 5, 1e-9);
    EXPECT_NEAR(b.width(), 10, 1e-9);
    EXPECT_NEAR(b.height(), 20, 1e-9);
}

TEST(ElementGeometry, HitTestIncludesEdgesAndFollowsRotation)
{
    LabelElement e = element(ElementKind::rectangle, {}, 10, 10, 20, 10);
    EXPECT_TRUE(e.contains({30, 20}));
    EXPECT_FALSE(e.contains({30.0001, 20}));
    EXPECT_FALSE(e.contains({NaN, 15}));
    e.rotationDegrees = 90;
    EXPECT_TRUE(e.contains({20, 6}));   // inside the turned box only
    EXPECT_FALSE(e.contains({11, 15})); // inside the unturned box only
}

TEST(LabelHitTest, ToleranceShapesAndCornerRadius)
{
    LabelDocument d = document();
    d.widthMm = 50;
    d.heightMm = 30;
    EXPECT_TRUE(d.contains({50.001, 30.001}));
    EXPECT_TRUE(d.contains({-0.001, 0}));
    EXPECT_FALSE(d.contains({50.0011, 0}));
    EXPECT_FALSE(d.contains({-0.0011, 0}));
    EXPECT_FALSE(d.contains({NaN, 1}));
    EXPECT_TRUE(d.contains({0, 0}));

    d.layout.cornerRadiusMm = 5;
    EXPECT_TRUE(d.contains({5, 0}));
    EXPECT_TRUE(d.contains({1.5, 1.5}));
    EXPECT_FALSE(d.contains({0.5, 0.5}));
    EXPECT_FALSE(d.contains({49.5, 29.5}));

    d.layout.shape = LabelShape::ellipse;
    EXPECT_TRUE(d.contains({25, 0}));
    EXPECT_TRUE(d.contains({0, 15}));
    EXPECT_FALSE(d.contains({1, 1}));
}

TEST(ElementGeometry, SafePointsAndSheetSize)
{
    EXPECT_TRUE(LabelDocument::isSafeElementPoint({2000, -2000}));
    EXPECT_FALSE(LabelDocument::isSafeElementPoint({2000.0001, 0}));
    EXPECT_FALSE(LabelDocument::isSafeElementPoint({Inf, 0}));
    EXPECT_FALSE(LabelDocument::isSafeElementPoint({0, NaN}));

    SheetLayout layout;
    layout.columns = 3;
    layout.leftMarginMm = 5;
    layout.columnGapMm = 2;
    EXPECT_DOUBLE_EQ(layout.width(40), 129);
    layout.rows = 2;
    layout.topMarginMm = 1;
    layout.rowGapMm = 3;
    EXPECT_DOUBLE_EQ(layout.height(10), 24);
}

TEST(ElementKinds, SquareCodesDependOnKindSymbologyAndWebOrigin)
{
    LabelElement code = element(ElementKind::barcode);
    code.barcode.symbology = BarcodeSymbology::dataMatrix;
    EXPECT_TRUE(code.isSquareCode());
    code.webAppearance = WebAppearance();
    EXPECT_FALSE(code.isSquareCode());
    code.barcode.symbology = BarcodeSymbology::qr;
    EXPECT_TRUE(code.isSquareCode());
    code.webAppearance.reset();
    EXPECT_TRUE(code.isSquareCode());
    code.barcode.symbology = BarcodeSymbology::ean13;
    EXPECT_FALSE(code.isSquareCode());

    LabelElement qr = element(ElementKind::qr);
    qr.webAppearance = WebAppearance();
    EXPECT_TRUE(qr.isSquareCode());
    EXPECT_FALSE(element(ElementKind::rectangle).isSquareCode());

    for (ElementKind kind : allElementKinds)
        EXPECT_EQ(elementKindFromRawValue(rawValue(kind)), kind);
    EXPECT_FALSE(elementKindFromRawValue(QStringLiteral("arc")).has_value());
    EXPECT_EQ(titleKey(ElementKind::text), QStringLiteral("menu_text"));
    EXPECT_EQ(titleKey(LabelShape::rectangle), QStringLiteral("mac.rectangle"));
    EXPECT_EQ(titleKey(ElementKind::rectangle), QStringLiteral("mac.element_rectangle"));
}

TEST(ElementText, DisplayTextFollowsKindAndWebOrigin)
{
    const QDateTime at(QDate(2026, 3, 4), QTime(10, 30), QTimeZone::utc());
    LabelElement counter = element(ElementKind::counter);
    counter.counter.start = 0;
    counter.counter.step = -1;
    EXPECT_ISSUE(counter.displayText(at, 1), DocumentIssue, DocumentIssue::invalidContent);
    counter.webAppearance = WebAppearance();
    EXPECT_EQ(counter.displayText(at, 1), QStringLiteral("-001"));

    LabelElement date = element(ElementKind::dateTime, QStringLiteral("manual"));
    date.dateOptions.timeZoneID = QStringLiteral("UTC");
    EXPECT_EQ(date.displayText(at, 0), QStringLiteral("2026-03-04"));
    date.webAppearance = WebAppearance();
    date.webAppearance->date = WebDateStyle{QStringLiteral("manual"), QString(), std::nullopt, 0};
    EXPECT_EQ(date.displayText(at, 0), QStringLiteral("manual"));

    LabelElement text = element(ElementKind::text, QStringLiteral("1234.5"));
    EXPECT_EQ(text.displayText(at, 0), QStringLiteral("1234.5"));
    text.webAppearance = WebAppearance();
    EXPECT_EQ(text.displayText(at, 0), WebTextValue::format(QStringLiteral("1234.5"), QStringLiteral("plain")));
    text.webAppearance->valueFormat = QStringLiteral("financial");
    EXPECT_NE(text.displayText(at, 0), QStringLiteral("1234.5"));
}

TEST(DocumentValues, NewDocumentsAndEquality)
{
    const LabelDocument a = document();
    EXPECT_EQ(a.schemaVersion, 5);
    EXPECT_FALSE(a.documentID.isNull());
    EXPECT_EQ(a.layout, SheetLayout());
    EXPECT_EQ(a.batch, BatchOptions());
    EXPECT_NE(a.documentID, document().documentID);

    LabelDocument b = a;
    EXPECT_EQ(a, b);
    b.documentID = QUuid::createUuid();
    EXPECT_NE(a, b);

    LabelDocument c = a;
    c.widthMm = NaN;
    LabelDocument d = c;
    EXPECT_NE(c, d);

    LabelDocument zero = a;
    zero.layout.cornerRadiusMm = -0.0;
    EXPECT_EQ(zero, a);

    LabelDocument e = document({element(ElementKind::image)});
    LabelDocument f = e;
    e.elements[0].imageData = QByteArray("ab");
    f.elements[0].imageData = QByteArray("a") + "b";
    EXPECT_EQ(e, f);
    f.elements[0].imageData = QByteArray();
    EXPECT_NE(e, f);
    f.elements[0].imageData.reset();
    EXPECT_NE(e, f);

    const LabelDocument example = LabelDocument::example();
    EXPECT_EQ(example.name, QStringLiteral("Kestrivane"));
    ASSERT_EQ(example.elements.size(), 3);
    EXPECT_EQ(example.elements[1].kind, ElementKind::qr);
    EXPECT_EQ(example.elements[2].fontSizePt, 9);
    EXPECT_NO_THROW(example.validate());
}
