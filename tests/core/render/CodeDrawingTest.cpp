#include "tests/core/render/RenderSupport.h"

#include "core/barcode/QRCode.h"
#include "core/common/DocumentIssue.h"
#include "core/common/Units.h"
#include "core/render/CodeDrawing.h"
#include "core/render/WebFonts.h"
#include "core/render/WebGS1Caption.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <cmath>

using namespace kestrivane;
using namespace rendertest;

namespace {

constexpr double k = Units::pointsPerMillimetre;

BarcodeDrawing drawingOf(QSizeF size, QList<QRectF> bars, QList<BarcodeDrawing::Caption> captions = {})
{
    BarcodeDrawing drawing;
    drawing.size = size;
    drawing.rectangles = std::move(bars);
    drawing.captions = std::move(captions);
    return drawing;
}

BarcodeDrawing::Caption caption(const QString &text, double x, double y, double size, int alignment = 0)
{
    return BarcodeDrawing::Caption{text, x, y, size, alignment};
}

LabelElement code(ElementKind kind, const QString &content, double x, double y, double w, double h)
{
    return element(kind, content, x, y, w, h);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Layout of a barcode drawing in its box

TEST(BarcodeRenderLayout, MatrixCodesAreScaledUniformlyAndCentred)
{
    const BarcodeDrawing square = drawingOf(QSizeF(20, 20), {QRectF(0, 0, 1, 1)});
    const BarcodeRenderLayout wide(square, QSizeF(100, 50), true, 12);
    EXPECT_DOUBLE_EQ(wide.scaleX, 2.5);
    EXPECT_DOUBLE_EQ(wide.scaleY, 2.5);
    EXPECT_DOUBLE_EQ(wide.offsetX, 25);
    EXPECT_DOUBLE_EQ(wide.offsetY, 0);
    EXPECT_DOUBLE_EQ(wide.captionBaselineY, 50);
    const BarcodeRenderLayout tall(square, QSizeF(50, 100), true, 12);
    EXPECT_DOUBLE_EQ(tall.scaleX, 2.5);
    EXPECT_DOUBLE_EQ(tall.offsetX, 0);
    EXPECT_DOUBLE_EQ(tall.offsetY, 25);
}

TEST(BarcodeRenderLayout, LinearCodesStretchAndLeaveABandForTheirCaptions)
{
    // Without captions the bars fill the whole box.
    const BarcodeDrawing plain = drawingOf(QSizeF(200, 50), {QRectF(10, 0, 2, 50)});
    const BarcodeRenderLayout fill(plain, QSizeF(100, 40), false, 12);
    EXPECT_DOUBLE_EQ(fill.scaleX, 0.5);
    EXPECT_DOUBLE_EQ(fill.scaleY, 0.8);
    EXPECT_DOUBLE_EQ(fill.offsetX, 0);
    EXPECT_DOUBLE_EQ(fill.offsetY, 0);
    EXPECT_DOUBLE_EQ(fill.captionBaselineY, 40);

    // With captions the bars end a text band above the bottom and the caption's baseline
    // sits in that band, its descent plus one point above the bottom.
    const BarcodeDrawing captioned =
        drawingOf(QSizeF(200, 70), {QRectF(10, 0, 2, 50), QRectF(20, 0, 2, 55)}, {caption("123", 100, 68, 14)});
    const BarcodeRenderLayout layout(captioned, QSizeF(100, 60), false, 12);
    const PointFont font = WebFonts::monospacedSystemFont(12);
    const double barsEnd = 55 * layout.scaleY;
    EXPECT_DOUBLE_EQ(layout.scaleX, 0.5);
    EXPECT_LT(barsEnd, 60 - font.ascent() - font.descent());
    EXPECT_GT(barsEnd, 60 - font.ascent() - font.descent() - font.leading() - 4);
    EXPECT_NEAR(layout.captionBaselineY, 60 - 1 - font.descent(), 1e-9);
    EXPECT_GT(layout.captionBaselineY - font.ascent(), barsEnd);

    // A box too low for any bars keeps a sliver instead of turning them upside down.
    const BarcodeRenderLayout low(captioned, QSizeF(100, 5), false, 12);
    EXPECT_GT(low.scaleY, 0);
}

TEST(BarcodeRenderLayout, CaptionPlacementsKeepTheirProportions)
{
    BarcodeRenderLayout layout;
    layout.scaleX = 2;
    layout.offsetX = 5;
    layout.captionBaselineY = 100;
    const QList<BarcodeCaptionPlacement> placed =
        layout.captionPlacements({caption("big", 10, 50, 10, 1), caption("small", 20, 40, 8, 2)}, 12);
    ASSERT_EQ(placed.size(), 2);
    EXPECT_DOUBLE_EQ(placed[0].fontSizePt, 12);
    EXPECT_DOUBLE_EQ(placed[1].fontSizePt, 9.6);
    // The lowest caption's baseline lands on the layout's; the other keeps its distance,
    // scaled like the fonts.
    EXPECT_DOUBLE_EQ(placed[0].anchor.y(), 100);
    EXPECT_DOUBLE_EQ(placed[1].anchor.y(), 100 - 12);
    EXPECT_DOUBLE_EQ(placed[0].anchor.x(), 25);
    EXPECT_DOUBLE_EQ(placed[1].anchor.x(), 45);
    EXPECT_EQ(placed[1].caption.alignment, 2);

    EXPECT_TRUE(layout.captionPlacements({}, 12).isEmpty());
    // A font size that is not a number does not spread NaN into the other captions.
    const auto odd = layout.captionPlacements({caption("a", 0, 0, std::nan(""), 0), caption("b", 0, 0, 0.05)}, 12);
    EXPECT_TRUE(std::isfinite(odd[1].fontSizePt));
    EXPECT_DOUBLE_EQ(odd[1].fontSizePt, 12 * 0.05 / 0.1);
}

// ---------------------------------------------------------------------------------------
// QR code and barcode elements drawn in their boxes

TEST(CodeDrawing, QRElementHasAQuietZoneOfFourModules)
{
    const double ppp = 8;
    const LabelElement qr = code(ElementKind::qr, QStringLiteral("01234567890123"), 10, 5, 20, 20);
    const int n = QRCode::matrix(qr.content).moduleCount;
    ASSERT_GT(n, 0);
    const double module = 20 * k / (n + 8);
    const QImage image = render(document({qr}), ppp);
    const QRect box = pixels(QRectF(10 * k, 5 * k, 20 * k, 20 * k), ppp);
    const QRect ink = darkBounds(image, box);
    // The finder patterns reach the corners of the code: dark bounds = box less 4 modules.
    EXPECT_NEAR(ink.left() / ppp, 10 * k + 4 * module, 0.3);
    EXPECT_NEAR(ink.top() / ppp, 5 * k + 4 * module, 0.3);
    EXPECT_NEAR((ink.right() + 1) / ppp, 30 * k - 4 * module, 0.3);
    EXPECT_NEAR((ink.bottom() + 1) / ppp, 25 * k - 4 * module, 0.3);
    // Module (0, 0) and the middle of the top-left finder are dark, its inner ring light.
    EXPECT_TRUE(isDark(at(image, 10 * k + 4.5 * module, 5 * k + 4.5 * module, ppp)));
    EXPECT_TRUE(isDark(at(image, 10 * k + 7.5 * module, 5 * k + 7.5 * module, ppp)));
    EXPECT_FALSE(isDark(at(image, 10 * k + 5.5 * module, 5 * k + 7.5 * module, ppp)));

    // The box is white under the code, whatever is drawn beneath it.
    LabelElement under = element(ElementKind::rectangle, QString(), 0, 0, 60, 40);
    under.filled = true;
    const QImage covered = render(document({under, qr}), ppp);
    EXPECT_FALSE(isDark(at(covered, 10 * k + 2 * module, 5 * k + 2 * module, ppp)));
    EXPECT_TRUE(isDark(at(covered, 5 * k, 5 * k, ppp)));
}

TEST(CodeDrawing, QRTextLimits)
{
    QImage image = canvas(QSizeF(100, 100), 1);
    QPainter painter(&image);
    LabelElement qr = code(ElementKind::qr, QString(512, u'a'), 0, 0, 30, 30);
    EXPECT_NO_THROW(CodeDrawing::drawQRCode(painter, qr, 80, 80, Qt::black));
    qr.content = QString(513, u'a');
    EXPECT_ISSUE(CodeDrawing::drawQRCode(painter, qr, 80, 80, Qt::black), DocumentIssue, DocumentIssue::invalidContent);
    qr.content.clear();
    EXPECT_ISSUE(CodeDrawing::drawQRCode(painter, qr, 80, 80, Qt::black), DocumentIssue, DocumentIssue::invalidContent);
}

TEST(CodeDrawing, MatrixBarcodeIsSquareAndCentredInAWideBox)
{
    const double ppp = 6;
    LabelElement matrix = code(ElementKind::barcode, QStringLiteral("KESTRIVANE"), 5, 5, 40, 20);
    matrix.barcode = BarcodeOptions(BarcodeSymbology::dataMatrix, false);
    const QImage image = render(document({matrix}), ppp);
    const QRect ink = darkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.width(), ink.height(), 2);
    EXPECT_NEAR(ink.center().x() / ppp, 25 * k, 1);
    EXPECT_NEAR(ink.center().y() / ppp, 15 * k, 1);
    EXPECT_LE(ink.height() / ppp, 20 * k);
}

TEST(CodeDrawing, LinearBarcodeFillsItsBoxAndCaptionsSitBelowTheBars)
{
    const double ppp = 6;
    LabelElement bar = code(ElementKind::barcode, QStringLiteral("01234567890123"), 5, 5, 50, 20);
    const QRect box = pixels(QRectF(5 * k, 5 * k, 50 * k, 20 * k), ppp);
    const QRect plain = darkBounds(render(document({bar}), ppp));
    EXPECT_LE(std::abs(plain.top() - box.top()), 1);
    EXPECT_LE(std::abs(plain.bottom() - box.bottom()), 1);

    bar.barcode.showsText = true;
    bar.barcode.captionFontSizePt = 10;
    const QImage captioned = render(document({bar}), ppp);
    captioned.save(testsupport::outputPath(QStringLiteral("code-code128-caption-band.png")));
    const BarcodeDrawing drawing = BarcodeEncoder::drawing(bar.content, bar.barcode);
    const BarcodeRenderLayout layout(drawing, QSizeF(50 * k, 20 * k), false, 10);
    // A scan line just above the caption band crosses bars; one through the band's middle
    // crosses digits only, which are much narrower in total than the bars.
    const double baseline = 5 * k + layout.captionBaselineY;
    const PointFont font = WebFonts::monospacedSystemFont(10);
    const QRect barsRow(box.left(), int((baseline - font.ascent() - 2) * ppp), box.width(), 1);
    const QRect digitsRow(box.left(), int((baseline - font.ascent() * 0.4) * ppp), box.width(), 1);
    const int barsInk = countPixels(
        captioned, [](QRgb p) { return isDark(p); }, barsRow);
    const int digitsInk = countPixels(
        captioned, [](QRgb p) { return isDark(p); }, digitsRow);
    EXPECT_GT(barsInk, 0);
    EXPECT_GT(digitsInk, 0);
    // The digits are centred under the bars.
    const QRect digits = darkBounds(
        captioned, QRect(box.left(), int((baseline - font.ascent()) * ppp), box.width(), int(font.ascent() * ppp)));
    EXPECT_NEAR(digits.center().x() / ppp, 30 * k, 2);
    EXPECT_NEAR(digits.bottom() / ppp, baseline, 1);
}

TEST(CodeDrawing, RetailCaptionAlignedRightEndsAtItsAnchor)
{
    // EAN-13's leading digit is right-aligned to its anchor, left of the guard bars.
    const double ppp = 6;
    LabelElement ean = code(ElementKind::barcode, QStringLiteral("4601234567893"), 5, 5, 50, 25);
    ean.barcode = BarcodeOptions(BarcodeSymbology::ean13, true, 12);
    const BarcodeDrawing drawing = BarcodeEncoder::drawing(ean.content, ean.barcode);
    ASSERT_FALSE(drawing.captions.isEmpty());
    const auto first = drawing.captions.first();
    ASSERT_EQ(first.alignment, 2);
    const BarcodeRenderLayout layout(drawing, QSizeF(50 * k, 25 * k), false, 12);
    const BarcodeCaptionPlacement placed = layout.captionPlacements(drawing.captions, 12).first();
    const QImage image = render(document({ean}), ppp);
    const double anchorX = 5 * k + placed.anchor.x();
    const double baseline = 5 * k + placed.anchor.y();
    const PointFont font = WebFonts::monospacedSystemFont(placed.fontSizePt);
    const QRect digit =
        darkBounds(image, pixels(QRectF(5 * k, baseline - font.ascent(), anchorX - 5 * k + 1, font.ascent()), ppp));
    ASSERT_FALSE(digit.isEmpty());
    EXPECT_NEAR((digit.right() + 1) / ppp, anchorX, 1.5);
    EXPECT_GT(digit.left() / ppp, anchorX - font.width(first.text) - 0.5);
}

TEST(CodeDrawing, GS1CaptionTakesTheBandBelowTheCode)
{
    const double ppp = 6;
    LabelElement gs1 = code(ElementKind::barcode, QStringLiteral("(01)04601234567893(21)ABC123"), 5, 2, 30, 36);
    gs1.barcode = BarcodeOptions(BarcodeSymbology::gs1DataMatrix, false);
    gs1.webAppearance = WebAppearance();
    gs1.webAppearance->gs1Identification = true;
    gs1.webAppearance->gs1FontPx = 10;
    const WebGS1Caption::Layout caption = WebGS1Caption::layout(gs1);
    const QImage image = render(document({gs1}), ppp, RenderValidation::check);
    image.save(testsupport::outputPath(QStringLiteral("code-gs1-caption.png")));
    const double bandTop = 2 * k + 36 * k - caption.heightPt;
    const QRect box = pixels(QRectF(5 * k, 2 * k, 30 * k, 36 * k), ppp);
    const QRect above = darkBounds(image, QRect(box.left(), box.top(), box.width(), int(bandTop * ppp) - box.top()));
    const QRect band = darkBounds(
        image, QRect(box.left(), int(bandTop * ppp) + 1, box.width(), box.bottom() - int(bandTop * ppp) - 1));
    ASSERT_FALSE(above.isEmpty());
    ASSERT_FALSE(band.isEmpty());
    // The code is square in the space above the band, the two caption lines centred in it.
    EXPECT_NEAR(above.width(), above.height(), 2);
    EXPECT_LE(above.bottom() / ppp, bandTop + 0.2);
    EXPECT_NEAR(band.center().x() / ppp, 20 * k, 1.5);
    EXPECT_GT(band.height() / ppp, caption.fontPt * 1.5);

    // A content without a serial cannot be captioned.
    gs1.content = QStringLiteral("(01)04601234567893");
    QImage sink = canvas(QSizeF(200, 200), 1);
    sink.fill(Qt::green);
    QPainter painter(&sink);
    EXPECT_ISSUE(CodeDrawing::drawBarcode(painter, gs1, 30 * k, 36 * k, Qt::black), DocumentIssue,
                 DocumentIssue::invalidBarcode);
    // What was drawn before the failure stays: the white box.
    EXPECT_EQ(sink.pixelColor(40, 50), QColor(Qt::white));
    EXPECT_EQ(sink.pixelColor(150, 150), QColor(Qt::green));
}

TEST(CodeDrawing, InkColourAppliesToBarsAndModules)
{
    LabelElement qr = code(ElementKind::qr, QStringLiteral("ink"), 5, 5, 20, 20);
    qr.webAppearance = WebAppearance();
    qr.webAppearance->color = QStringLiteral("#0000ff");
    const QImage image = render(document({qr}), 4);
    EXPECT_GT(countPixels(image, [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 40; }), 1000);
    EXPECT_EQ(countPixels(image, [](QRgb p) { return qGray(p) < 30; }), 0);
}

// ---------------------------------------------------------------------------------------
// Drawn labels read back by an independent decoder

class RenderedCodeDecode : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
        if (m_zbar.isEmpty())
            GTEST_SKIP() << "zbarimg (Debian package zbar-tools) is not installed; drawn codes are not read back";
    }

    QStringList decode(const LabelDocument &doc, const QString &name, double ppp = 4)
    {
        const QString path = testsupport::outputPath(QStringLiteral("code-") + name + QStringLiteral(".png"));
        EXPECT_TRUE(render(doc, ppp, RenderValidation::check).save(path));
        QProcess process;
        process.start(m_zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QString m_zbar;
};

TEST_F(RenderedCodeDecode, LinearCodesInLabelsReadBack)
{
    LabelElement c128 = code(ElementKind::barcode, QStringLiteral("KV-2026/0042"), 5, 5, 50, 18);
    c128.barcode.showsText = true;
    EXPECT_EQ(decode(document({c128}), QStringLiteral("code128")), QStringList{QStringLiteral("KV-2026/0042")});

    // Turned upright and printed in colour, it still reads.
    c128.rotationDegrees = 90;
    c128.xMm = 5;
    c128.yMm = 25;
    c128.webAppearance = WebAppearance();
    c128.webAppearance->color = QStringLiteral("#1a237e");
    EXPECT_EQ(decode(document({c128}, 60, 75), QStringLiteral("code128-turned")),
              QStringList{QStringLiteral("KV-2026/0042")});

    LabelElement ean = code(ElementKind::barcode, QStringLiteral("4601234567893"), 5, 5, 45, 25);
    ean.barcode = BarcodeOptions(BarcodeSymbology::ean13, true, 10);
    EXPECT_EQ(decode(document({ean}), QStringLiteral("ean13")), QStringList{QStringLiteral("4601234567893")});
}

TEST_F(RenderedCodeDecode, QRElementsReadBackTheirBytes)
{
    const QString text = QStringLiteral("Привет, Kestrivane! 0123");
    LabelElement qr = code(ElementKind::qr, text, 10, 5, 30, 30);
    EXPECT_EQ(decode(document({qr}), QStringLiteral("qr-element")), QStringList{text});

    LabelElement qrBarcode = code(ElementKind::barcode, QStringLiteral("https://example.org/?a=1"), 10, 5, 30, 30);
    qrBarcode.barcode = BarcodeOptions(BarcodeSymbology::qr, false);
    EXPECT_EQ(decode(document({qrBarcode}), QStringLiteral("qr-symbology")),
              QStringList{QStringLiteral("https://example.org/?a=1")});
}
