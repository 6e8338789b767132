#include "core/render/WebGS1Caption.h"

#include "core/model/LabelElement.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {
LabelElement caption(const QString &content, double widthMm, double heightMm = 30)
{
    LabelElement e(QUuid::createUuid(), ElementKind::barcode, content, 0, 0, widthMm, heightMm, 12);
    e.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
    e.webAppearance = WebAppearance();
    e.webAppearance->gs1Identification = true;
    return e;
}
} // namespace

TEST(WebGS1Caption, SizesTheCaptionToTheBarcodeWidth)
{
    const auto wide = WebGS1Caption::layout(caption(QStringLiteral("(01)04601234567893(21)ABCDEFGHIJKLMN"), 50));
    EXPECT_EQ(wide.lines, (QList<QString>{QStringLiteral("(01)04601234567893"), QStringLiteral("(21)ABCDEFGHIJKLMN")}));
    EXPECT_DOUBLE_EQ(wide.fontPt, 6);
    EXPECT_DOUBLE_EQ(wide.heightPt, 14.46);

    const auto narrow = WebGS1Caption::layout(caption(QStringLiteral("(01)04601234567893(21)A"), 10));
    EXPECT_NEAR(narrow.fontPt, 2.200213254593176, 1e-12);
    EXPECT_NEAR(narrow.heightPt, 6.252460629921261, 1e-12);

    const auto tiny = WebGS1Caption::layout(caption(QStringLiteral("(01)04601234567893(21)A"), 4));
    EXPECT_DOUBLE_EQ(tiny.fontPt, 0.75);

    LabelElement requested = caption(QStringLiteral("(01)04601234567893(21)A"), 50);
    requested.webAppearance->gs1FontPx = 4;
    EXPECT_DOUBLE_EQ(WebGS1Caption::layout(requested).fontPt, 3);
}

TEST(WebGS1Caption, TakesMissingIdentifiersFromTheAppearance)
{
    LabelElement e = caption(QStringLiteral("(01)04601234567893(10)LOT"), 50);
    EXPECT_ISSUE(WebGS1Caption::layout(e), DocumentIssue, DocumentIssue::invalidBarcode);
    e.webAppearance->gs1Serial = QStringLiteral("SER");
    EXPECT_EQ(WebGS1Caption::layout(e).lines[1], QStringLiteral("(21)SER"));

    // The content's own identifiers win over the appearance.
    e.webAppearance->gs1GTIN = QStringLiteral("00000000000000");
    EXPECT_EQ(WebGS1Caption::layout(e).lines[0], QStringLiteral("(01)04601234567893"));

    LabelElement noGtin = caption(QStringLiteral("(21)SER"), 50);
    EXPECT_ISSUE(WebGS1Caption::layout(noGtin), DocumentIssue, DocumentIssue::invalidBarcode);
    noGtin.webAppearance->gs1GTIN = QStringLiteral("1234567890123");
    EXPECT_ISSUE(WebGS1Caption::layout(noGtin), DocumentIssue, DocumentIssue::invalidBarcode);
    noGtin.webAppearance->gs1GTIN = QStringLiteral("12345678901234");
    EXPECT_NO_THROW(WebGS1Caption::layout(noGtin));

    EXPECT_ISSUE(WebGS1Caption::layout(caption(QStringLiteral("no identifiers"), 50)), DocumentIssue,
                 DocumentIssue::invalidBarcode);
}

TEST(WebGS1Caption, LeavesAtLeastThreeMillimetresForTheBars)
{
    EXPECT_ISSUE(WebGS1Caption::layout(caption(QStringLiteral("(01)04601234567893(21)A"), 50, 8)), DocumentIssue,
                 DocumentIssue::invalidGeometry);
    EXPECT_NO_THROW(WebGS1Caption::layout(caption(QStringLiteral("(01)04601234567893(21)A"), 50, 8.2)));
}
