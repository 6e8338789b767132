#include "tests/core/render/RenderSupport.h"

#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/common/Units.h"
#include "core/model/WebBackground.h"
#include "core/render/PointFont.h"
#include "core/render/WebFonts.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#ifdef KESTRIVANE_TEST_PDF
#include <QPdfDocument>
#endif

using namespace kestrivane;
using namespace rendertest;

namespace {

constexpr double k = Units::pointsPerMillimetre;
constexpr double ppp = 4; // pixels per point of the test images

QByteArray solidPng(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return testsupport::pngBytes(image);
}

bool isRed(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
}
bool isBlue(QRgb p)
{
    return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
}
bool isWhite(QRgb p)
{
    return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245;
}
bool isDarkPixel(QRgb p)
{
    return rendertest::isDark(p);
}

// A point in millimetres on the label, as a pixel of the test image.
QRgb pixelMm(const QImage &image, double xMm, double yMm)
{
    return at(image, xMm * k, yMm * k, ppp);
}

LabelElement shape(ElementKind kind, double x, double y, double w, double h, bool filled, double strokeMm = 1)
{
    LabelElement e = element(kind, QString(), x, y, w, h);
    e.filled = filled;
    e.strokeMm = strokeMm;
    return e;
}

LabelElement webText(const QString &text, double x, double y, double wPt, double hPt, double fontPt)
{
    LabelElement e = element(ElementKind::text, text, x, y, wPt / k, hPt / k, fontPt);
    e.webAppearance = WebAppearance();
    return e;
}

// The inked rectangle in points.
QRectF inkPoints(const QImage &image, bool (*inked)(QRgb) = isDarkPixel)
{
    const QRect r = inkBounds(image, inked);
    if (r.isEmpty())
        return QRectF();
    return QRectF(r.left() / ppp, r.top() / ppp, (r.width()) / ppp, (r.height()) / ppp);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lines and shapes

TEST(LabelRendererShapes, LineRunsAcrossTheMiddleOfItsBoxWithFlatEnds)
{
    const LabelDocument doc = document({shape(ElementKind::line, 10, 10, 40, 4, false, 1)});
    const QImage image = render(doc);
    EXPECT_TRUE(isDark(pixelMm(image, 30, 12)));
    EXPECT_TRUE(isDark(pixelMm(image, 10.2, 12.4)));
    EXPECT_TRUE(isWhite(pixelMm(image, 30, 11.3))); // 1 mm wide: 11.5 ... 12.5
    EXPECT_TRUE(isWhite(pixelMm(image, 30, 12.7)));
    // Ends stop at the box: no square cap reaching past it.
    EXPECT_TRUE(isWhite(pixelMm(image, 50.3, 12)));
    EXPECT_TRUE(isWhite(pixelMm(image, 9.7, 12)));
}

TEST(LabelRendererShapes, RotationTurnsAboutTheCentreClockwise)
{
    // A 40 × 4 mm line turned by 90° becomes vertical through the same centre (30, 22).
    LabelElement line = shape(ElementKind::line, 10, 20, 40, 4, false, 1);
    line.rotationDegrees = 90;
    const QImage image = render(document({line}, 60, 50));
    EXPECT_TRUE(isDark(pixelMm(image, 30, 22)));
    EXPECT_TRUE(isDark(pixelMm(image, 30, 40)));
    EXPECT_TRUE(isWhite(pixelMm(image, 40, 22)));
    const QRectF ink = inkPoints(image);
    EXPECT_NEAR(ink.top(), 2 * k, 1);
    EXPECT_NEAR(ink.bottom(), 42 * k, 1);
    EXPECT_NEAR(ink.center().x(), 30 * k, 1);

    // A filled bar whose left half is marked: at +30° its left end goes up (clockwise on
    // the page with y pointing down), at -30° down.
    auto leftEndHeight = [](double degrees) {
        LabelElement bar = shape(ElementKind::rectangle, 10, 18, 40, 4, true, 0.1);
        bar.rotationDegrees = degrees;
        const QImage image = render(document({bar}));
        const QRect left = inkBounds(image, isDarkPixel, QRect(0, 0, int(15 * k * ppp), image.height()));
        return left.center().y() / ppp;
    };
    EXPECT_LT(leftEndHeight(30), 20 * k - 5);
    EXPECT_GT(leftEndHeight(-30), 20 * k + 5);
}

TEST(LabelRendererShapes, RectanglesAndEllipsesKeepTheirStrokeInsideTheBox)
{
    const LabelDocument doc = document({shape(ElementKind::rectangle, 5, 5, 20, 10, false, 1),
                                        shape(ElementKind::rectangle, 30, 5, 20, 10, true, 1),
                                        shape(ElementKind::ellipse, 5, 20, 20, 16, true, 1)});
    const QImage image = render(doc);
    // Stroked only: border inked inside the box, interior paper.
    EXPECT_TRUE(isDark(pixelMm(image, 5.3, 10)));
    EXPECT_TRUE(isDark(pixelMm(image, 24.7, 10)));
    EXPECT_TRUE(isWhite(pixelMm(image, 4.7, 10)));
    EXPECT_TRUE(isWhite(pixelMm(image, 25.3, 10)));
    EXPECT_TRUE(isWhite(pixelMm(image, 15, 10)));
    // Filled.
    EXPECT_TRUE(isDark(pixelMm(image, 40, 10)));
    // The ellipse: centre filled, the box's corner outside it.
    EXPECT_TRUE(isDark(pixelMm(image, 15, 28)));
    EXPECT_TRUE(isWhite(pixelMm(image, 6, 21)));
    const QRect box = pixels(QRectF(5 * k, 20 * k, 20 * k, 16 * k), ppp);
    const QRect ellipseInk = darkBounds(image, box.adjusted(-8, -8, 8, 8));
    EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(ellipseInk));
}

TEST(LabelRendererShapes, WebColoursAndCornerRadius)
{
    LabelElement rect = shape(ElementKind::rectangle, 10, 10, 30, 20, true, 1);
    rect.webAppearance = WebAppearance();
    rect.webAppearance->color = QStringLiteral("#0000ff");
    rect.webAppearance->fill = QStringLiteral("red");
    rect.webAppearance->radiusPt = 20;
    const QImage image = render(document({rect}));
    EXPECT_TRUE(isRed(pixelMm(image, 25, 20)));    // fill colour
    EXPECT_TRUE(isBlue(pixelMm(image, 25, 10.3))); // stroke in the ink colour
    // A 20-point corner radius (not scaled): the box's corner stays paper.
    EXPECT_TRUE(isWhite(pixelMm(image, 10.4, 10.4)));

    // An ink colour that is not a colour is black.
    rect.webAppearance->color = QStringLiteral("no-such-colour");
    rect.webAppearance->fill.reset();
    const QImage black = render(document({rect}));
    EXPECT_TRUE(isDark(pixelMm(black, 25, 20)));
    EXPECT_FALSE(isRed(pixelMm(black, 25, 20)));
}

TEST(LabelRendererShapes, LabelOutlineClipsEverything)
{
    LabelDocument doc = document({shape(ElementKind::rectangle, 0, 0, 60, 40, true, 1)});
    doc.layout.shape = LabelShape::ellipse;
    QImage image = render(doc);
    EXPECT_TRUE(isDark(pixelMm(image, 30, 20)));
    EXPECT_TRUE(isWhite(pixelMm(image, 1, 1)));
    EXPECT_TRUE(isWhite(pixelMm(image, 59, 39)));

    doc.layout.shape = LabelShape::rectangle;
    doc.layout.cornerRadiusMm = 8;
    image = render(doc);
    EXPECT_TRUE(isWhite(pixelMm(image, 0.5, 0.5)));
    EXPECT_TRUE(isDark(pixelMm(image, 8, 0.5)));
    // Elements never reach outside the label, even when their box does.
    LabelDocument overhanging = document({shape(ElementKind::rectangle, 50, 30, 30, 30, true, 1)});
    QImage big = canvas(QSizeF(100 * k, 80 * k), ppp);
    QPainter painter(&big);
    painter.scale(ppp, ppp);
    LabelRenderer::draw(overhanging, painter, RenderValidation::skip, fixedMoment(), 0);
    painter.end();
    EXPECT_TRUE(isDark(pixelMm(big, 55, 35)));
    EXPECT_TRUE(isWhite(pixelMm(big, 65, 35)));
    EXPECT_TRUE(isWhite(pixelMm(big, 55, 45)));
}

// ---------------------------------------------------------------------------------------
// Images

TEST(LabelRendererImages, PictureIsContainedAndCentredByDefault)
{
    LabelElement picture = element(ElementKind::image, QStringLiteral("logo"), 10, 5, 30, 30);
    picture.imageData = solidPng(QSize(200, 100), Qt::red);
    const QImage image = render(document({picture}));
    const QRectF ink = inkPoints(image, isRed);
    // 30 × 30 mm box, picture 2:1 → 30 × 15 mm, centred vertically.
    EXPECT_NEAR(ink.left(), 10 * k, 0.5);
    EXPECT_NEAR(ink.width(), 30 * k, 0.5);
    EXPECT_NEAR(ink.top(), (5 + 7.5) * k, 0.5);
    EXPECT_NEAR(ink.height(), 15 * k, 0.5);
}

TEST(LabelRendererImages, PlacementAndShapeClips)
{
    LabelElement picture = element(ElementKind::image, QStringLiteral("logo"), 10, 5, 30, 30);
    picture.imageData = solidPng(QSize(100, 100), Qt::red);
    picture.webAppearance = WebAppearance();
    picture.webAppearance->image = WebImagePlacement{QStringLiteral("contain"), 100, 50, 50, QStringLiteral("circle")};
    QImage image = render(document({picture}));
    EXPECT_TRUE(isRed(pixelMm(image, 25, 20)));
    EXPECT_TRUE(isWhite(pixelMm(image, 11, 6)));

    picture.webAppearance->image->shape = QStringLiteral("rounded");
    image = render(document({picture}));
    EXPECT_TRUE(isWhite(pixelMm(image, 10.3, 5.3))); // radius 0.14 × 30 mm = 4.2 mm
    EXPECT_TRUE(isRed(pixelMm(image, 10.3, 12)));

    // Shape words are case-sensitive: "Circle" is no clip.
    picture.webAppearance->image->shape = QStringLiteral("Circle");
    image = render(document({picture}));
    EXPECT_TRUE(isRed(pixelMm(image, 10.3, 5.3)));
}

TEST(LabelRendererImages, OriginalPictureIsDrawnAfterBothAreChecked)
{
    LabelElement picture = element(ElementKind::image, QStringLiteral("logo"), 10, 5, 30, 30);
    picture.imageData = solidPng(QSize(100, 100), Qt::red);
    picture.originalImageData = solidPng(QSize(100, 100), Qt::blue);
    QImage image = render(document({picture}));
    EXPECT_TRUE(isBlue(pixelMm(image, 25, 20)));

    // An SVG original is drawn (from its cleaned text) as a drawing.
    picture.originalImageData = QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                           "<rect width='10' height='10' fill='#0000ff'/></svg>");
    image = render(document({picture}));
    EXPECT_TRUE(isBlue(pixelMm(image, 25, 20)));
    // A drawing keeps the fractions of its size: 2.5 × 1 is contained as 30 × 12 mm, not
    // as the 2 × 1 of Qt's whole-pixel default size (30 × 15 mm).
    picture.originalImageData = QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='2.5' height='1'>"
                                           "<rect width='2.5' height='1' fill='#0000ff'/></svg>");
    image = render(document({picture}));
    EXPECT_TRUE(isBlue(pixelMm(image, 25, 14.5)));
    EXPECT_TRUE(isBlue(pixelMm(image, 25, 25.5)));
    EXPECT_TRUE(isWhite(pixelMm(image, 25, 13.3)));
    EXPECT_TRUE(isWhite(pixelMm(image, 25, 26.7)));
    // A drawing that paints beyond its view box is still cut at the element's box.
    picture.originalImageData = QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                           "<rect x='-100' y='-100' width='300' height='300' fill='#0000ff'/></svg>");
    image = render(document({picture}));
    EXPECT_TRUE(isBlue(pixelMm(image, 11, 6)));
    EXPECT_TRUE(isWhite(pixelMm(image, 5, 20)));
    EXPECT_TRUE(isWhite(pixelMm(image, 45, 20)));

    // A stored picture that is not a PNG fails even though the original is fine.
    LabelElement broken = picture;
    broken.imageData = QByteArray("not a picture");
    EXPECT_ISSUE(render(document({broken}), ppp, RenderValidation::check), DocumentIssue, DocumentIssue::invalidImage);
    // So does an unsafe original, and a missing stored picture.
    broken = picture;
    broken.originalImageData = QByteArray("<svg xmlns='http://www.w3.org/2000/svg'><script>x</script></svg>");
    EXPECT_ISSUE(render(document({broken}), ppp, RenderValidation::check), DocumentIssue, DocumentIssue::invalidImage);
    broken.originalImageData.reset();
    broken.imageData.reset();
    LabelDocument doc = document({broken});
    QImage sink = canvas(LabelRenderer::size(doc), 1);
    QPainter painter(&sink);
    EXPECT_ISSUE(LabelRenderer::drawElements(doc, painter, RenderValidation::check, fixedMoment(), 0), DocumentIssue,
                 DocumentIssue::invalidImage);
}

TEST(LabelRendererImages, DrawingDisguisedAsRasterOriginalIsRefused)
{
    // A UTF-16 drawing passes no text check and Qt's image reader would decode it; it must
    // never be drawn.
    LabelElement picture = element(ElementKind::image, QStringLiteral("logo"), 10, 5, 30, 30);
    picture.imageData = solidPng(QSize(100, 100), Qt::red);
    const QString svg = QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                       "<rect width='10' height='10' fill='#0000ff'/></svg>");
    QByteArray utf16("\xff\xfe");
    utf16.append(reinterpret_cast<const char *>(svg.utf16()), svg.size() * 2);
    picture.originalImageData = utf16;
    const QImage image = render(document({picture}));
    EXPECT_EQ(countPixels(image, isBlue), 0);
    EXPECT_EQ(countPixels(image, isRed), 0);
}

// ---------------------------------------------------------------------------------------
// Text

TEST(LabelRendererText, TextSizesAreTruePoints)
{
    WebFonts::registerFonts();
    const QString text = QStringLiteral("Hello world 123");
    auto inkedWidth = [&](double sizePt, double pixelsPerPoint) {
        const LabelDocument doc = document({element(ElementKind::text, text, 0, 0, 200, 40, sizePt)}, 210, 40);
        const QImage image = render(doc, pixelsPerPoint);
        return inkBounds(image, isDarkPixel).width() / pixelsPerPoint;
    };
    const double advance = WebFonts::systemFont(20).width(text);
    const double at20 = inkedWidth(20, 4);
    // The ink spans the advance less the side bearings of the first and last glyphs.
    EXPECT_GT(at20, advance - 5);
    EXPECT_LE(at20, advance + 0.5);
    // Small sizes scale linearly instead of following Qt's whole-pixel font sizes.
    EXPECT_NEAR(inkedWidth(2, 40) * 10, at20, at20 * 0.03);
    EXPECT_NEAR(inkedWidth(7, 4) * 20 / 7, at20, at20 * 0.03);
}

TEST(LabelRendererText, PlainTextStartsAtTheBoxCornerAndWraps)
{
    // Ink of "H" starts at the box's left edge (its side bearing aside) and below its top.
    const LabelDocument doc = document({element(ElementKind::text, QStringLiteral("HHH"), 10, 10, 40, 20, 20)});
    const QRectF ink = inkPoints(render(doc));
    EXPECT_NEAR(ink.left(), 10 * k, 2.5);
    EXPECT_GT(ink.top(), 10 * k);
    EXPECT_LT(ink.top(), 10 * k + 8);

    // An over-long word breaks between characters instead of running out of the box.
    LabelElement word = element(ElementKind::text, QString(40, u'W'), 10, 5, 20, 30, 10);
    const QRectF wrapped = inkPoints(render(document({word})));
    EXPECT_LE(wrapped.right(), 30 * k + 0.5);
    EXPECT_GT(wrapped.height(), 25); // at least three lines of 10 pt
    // Alignment right puts the ink at the right edge.
    LabelElement right = element(ElementKind::text, QStringLiteral("HHH"), 10, 10, 40, 20, 20);
    right.textStyle.alignment = TextAlignment::right;
    const QRectF rightInk = inkPoints(render(document({right})));
    EXPECT_NEAR(rightInk.right(), 50 * k, 2.5);
}

TEST(LabelRendererText, BoldItalicAndUnderlineChangeTheInk)
{
    LabelElement plain = element(ElementKind::text, QStringLiteral("Hamburg"), 5, 5, 50, 20, 20);
    const QImage regular = render(document({plain}));
    LabelElement bold = plain;
    bold.textStyle.bold = true;
    EXPECT_GT(countPixels(render(document({bold})), isDarkPixel), countPixels(regular, isDarkPixel) * 6 / 5);
    LabelElement underline = plain;
    underline.textStyle.underline = true;
    EXPECT_GT(inkPoints(render(document({underline}))).bottom(), inkPoints(regular).bottom() - 3);
    EXPECT_GT(countPixels(render(document({underline})), isDarkPixel), countPixels(regular, isDarkPixel));
    LabelElement italic = plain;
    italic.textStyle.italic = true;
    EXPECT_NE(render(document({italic})), regular);
}

TEST(LabelRendererText, TextIsCutAtItsBox)
{
    LabelElement big = element(ElementKind::text, QStringLiteral("WWWW WWWW WWWW WWWW"), 10, 10, 20, 8, 40);
    const QRectF ink = inkPoints(render(document({big})));
    EXPECT_GE(ink.left(), 10 * k - 0.3);
    EXPECT_GE(ink.top(), 10 * k - 0.3);
    EXPECT_LE(ink.right(), 30 * k + 0.3);
    EXPECT_LE(ink.bottom(), 18 * k + 0.3);
}

// Text that fits its box by its advances and line height but whose glyphs reach past it is
// still cut at the box.
TEST(LabelRendererText, GlyphsReachingPastTheBoxAreCut)
{
    LabelElement italic = element(ElementKind::text, QStringLiteral("fff"), 10, 10, 12, 12, 40);
    italic.textStyle.italic = true;
    italic.textStyle.alignment = TextAlignment::right;
    LabelElement low = webText(QStringLiteral("ÅÉÎ"), 10, 10, 30 * k, 10 * k, 28);
    low.webAppearance->lineHeight = 0.5;
    LabelElement accents = element(ElementKind::text, QString(), 10, 10, 20, 20, 30);
    accents.content = QStringLiteral("A") + QString(QChar(0x0301)).repeated(5);
    const struct {
        const char *name;
        LabelElement text;
    } cases[] = {{"italic flush right", italic}, {"line height below the font's", low}, {"stacked accents", accents}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF box(c.text.xMm * k, c.text.yMm * k, c.text.widthMm * k, c.text.heightMm * k);
        const QRectF ink = inkPoints(render(document({c.text})));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.left(), box.left() - 0.3);
        EXPECT_GE(ink.top(), box.top() - 0.3);
        EXPECT_LE(ink.right(), box.right() + 0.3);
        EXPECT_LE(ink.bottom(), box.bottom() + 0.3);
    }
}

TEST(LabelRendererText, WebInkVerticalPlacementAndInsets)
{
    const double w = 150, h = 80; // points
    auto inkOf = [&](const QString &vertical) {
        LabelElement e = webText(QStringLiteral("HHH"), 0, 0, w, h, 12);
        e.webAppearance->vertical = vertical;
        e.webAppearance->color = QStringLiteral("#ff0000");
        return inkPoints(render(document({e})), isRed);
    };
    const QRectF top = inkOf(QStringLiteral("top"));
    const QRectF bottom = inkOf(QStringLiteral("bottom"));
    const QRectF centre = inkOf(QStringLiteral("center"));
    const QRectF other = inkOf(QStringLiteral("middle"));
    ASSERT_FALSE(top.isEmpty());
    // Left inset 1.5 pt; top inset 0.75 pt plus the line's room above the capitals.
    EXPECT_NEAR(top.left(), 1.5, 1.2);
    EXPECT_GT(top.top(), 0.75);
    EXPECT_LT(top.top(), 0.75 + 6);
    // Bottom: the line's box ends on the inset box's bottom edge, so the baseline is the
    // font's descent above it.
    const double descent = WebFonts::systemFont(12).descent();
    EXPECT_NEAR(bottom.bottom(), h - 0.75 - descent, 0.75);
    // Centre and any other word: half the slack.
    EXPECT_NEAR(centre.top() - top.top(), (bottom.top() - top.top()) / 2, 0.5);
    EXPECT_EQ(other, centre);
}

TEST(LabelRendererText, MissingAlignmentCentresTheBlockByItsOwnWidth)
{
    const double insetWidth = 100;
    LabelElement e = webText(QStringLiteral("HHH"), 0, 0, insetWidth + 3, 40, 12);
    e.webAppearance->missingAlignment = true;
    const double natural = WebFonts::systemFont(12).width(QStringLiteral("HHH"));
    ASSERT_LT(natural, 60);
    const QRectF ink = inkPoints(render(document({e})));
    EXPECT_NEAR(ink.left(), 1.5 + (insetWidth - natural) / 2, 1.2);

    // Narrowed to its own width, a line stays one line: these used to lose their last word
    // to a second line through rounding of the measured width.
    for (const char *words : {"fi ta il mmm", "mmm alpha alpha ta", "WW WW Be WW mmm", "WW wide WW alpha"}) {
        LabelElement narrow = webText(QString::fromLatin1(words), 0, 0, 200, 40, 7.3);
        narrow.webAppearance->missingAlignment = true;
        const QRectF one = inkPoints(render(document({narrow})));
        EXPECT_LT(one.height(), 1.2 * 7.3) << words;
        EXPECT_NEAR(one.center().x(), 100, 1.5) << words;
    }

    // Not for other alignments, and not without the flag.
    e.textStyle.alignment = TextAlignment::center;
    EXPECT_NEAR(inkPoints(render(document({e}))).center().x(), 1.5 + insetWidth / 2, 1);
    e.textStyle.alignment = TextAlignment::left;
    e.webAppearance->missingAlignment = false;
    EXPECT_NEAR(inkPoints(render(document({e}))).left(), 1.5, 1.2);
}

TEST(LabelRendererText, ShrinkFitsLongTextIntoTheBox)
{
    const QString text = QStringLiteral("A rather long text that will never fit on two lines of this box at its size");
    LabelElement e = webText(text, 2, 2, 120, 40, 24);
    const QImage unfitted = render(document({e}));
    // Unfitted, the text runs down to the element's edge and is cut there.
    EXPECT_GT(inkPoints(unfitted).bottom(), 2 * k + 40 - 2);
    e.webAppearance->shrink = true;
    const QRectF fitted = inkPoints(render(document({e})));
    EXPECT_LT(fitted.bottom(), 2 * k + 40 - 0.75);
    EXPECT_GT(fitted.height(), 15); // still several lines, not shrunk to nothing
}

TEST(LabelRendererText, DatesAndCountersShowTheirValues)
{
    // Counter at index 7 with three digits: "007" differs from index 0's "000" ink.
    LabelElement counter = element(ElementKind::counter, QString(), 5, 5, 40, 10, 14);
    counter.counter.start = 0;
    counter.counter.digits = 3;
    const LabelDocument doc = document({counter});
    EXPECT_NE(render(doc, ppp, RenderValidation::check, 7), render(doc, ppp, RenderValidation::check, 0));
    EXPECT_EQ(render(doc, ppp, RenderValidation::check, 7), render(doc, ppp, RenderValidation::check, 7));
    // A date element shows its moment.
    LabelElement date = element(ElementKind::dateTime, QString(), 5, 5, 40, 10, 14);
    date.dateOptions.timeZoneID = QStringLiteral("UTC");
    const LabelDocument dated = document({date});
    EXPECT_NE(render(dated, ppp, RenderValidation::check, 0, fixedMoment()),
              render(dated, ppp, RenderValidation::check, 0, fixedMoment().addDays(1)));
}

// ---------------------------------------------------------------------------------------
// Failures, validation and tables

TEST(LabelRendererFailures, UndrawableElementsAreSkippedOnlyWithoutValidation)
{
    LabelElement tooLong = element(ElementKind::qr, QString(600, u'x'), 5, 5, 20, 20);
    LabelElement bar = shape(ElementKind::rectangle, 30, 5, 20, 20, true, 1);
    const LabelDocument doc = document({tooLong, bar});
    const QImage image = render(doc, ppp, RenderValidation::skip);
    EXPECT_TRUE(isDark(pixelMm(image, 40, 15)));
    EXPECT_TRUE(isWhite(pixelMm(image, 15, 15)));
    EXPECT_ISSUE(render(doc, ppp, RenderValidation::check), DocumentIssue, DocumentIssue::invalidContent);

    // Broken frames are skipped, never drawn through a broken transform.
    for (double bad : {0.0, -1.0, std::nan(""), double(INFINITY)}) {
        LabelElement a = shape(ElementKind::rectangle, 5, 5, 20, 20, true, 1);
        a.widthMm = bad;
        LabelElement b = shape(ElementKind::rectangle, 5, 5, 20, 20, true, 1);
        b.xMm = bad == 0.0 ? std::nan("") : bad;
        LabelElement c = shape(ElementKind::rectangle, 5, 5, 20, 20, true, 1);
        c.rotationDegrees = std::nan("");
        const QImage skipped = render(document({a, b, c, bar}));
        if (bad == -1.0)
            continue; // a negative position is fine
        EXPECT_TRUE(isWhite(pixelMm(skipped, 15, 15))) << bad;
        EXPECT_TRUE(isDark(pixelMm(skipped, 40, 15))) << bad;
    }
}

TEST(LabelRendererFailures, ValidatedDrawThrowsWhatOnlyDrawingFinds)
{
    // A counter that turns negative at index 5: validation checks index 0 only, so the
    // element's own failure must end a validated draw instead of leaving the counter out.
    LabelElement counter = element(ElementKind::counter, QString(), 5, 5, 40, 10, 14);
    counter.counter.start = 3;
    counter.counter.step = -1;
    const LabelDocument doc = document({counter});
    EXPECT_NO_THROW(render(doc, ppp, RenderValidation::check, 3));
    EXPECT_ISSUE(render(doc, ppp, RenderValidation::check, 5), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_NO_THROW(render(doc, ppp, RenderValidation::skip, 5));
}

TEST(LabelRendererFailures, InvalidDocumentDrawsNothingWhenValidating)
{
    LabelDocument doc = document({shape(ElementKind::rectangle, 5, 5, 20, 20, true, 1)});
    doc.name.clear();
    QImage image = canvas(LabelRenderer::size(doc), ppp);
    image.fill(Qt::green);
    QPainter painter(&image);
    painter.scale(ppp, ppp);
    EXPECT_ISSUE(LabelRenderer::draw(doc, painter, RenderValidation::check, fixedMoment(), 0), DocumentIssue,
                 DocumentIssue::invalidDocument);
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::green));
}

TEST(LabelRendererFailures, PainterStateIsRestoredAfterFailures)
{
    LabelDocument doc = document({element(ElementKind::counter, QString(), 5, 5, 40, 10, 14)});
    doc.elements[0].counter.start = -1;
    QImage image = canvas(LabelRenderer::size(doc), 1);
    QPainter painter(&image);
    painter.translate(3, 4);
    const QTransform before = painter.transform();
    EXPECT_ANY_THROW(LabelRenderer::draw(doc, painter, RenderValidation::check, fixedMoment(), 0));
    EXPECT_EQ(painter.transform(), before);
    EXPECT_FALSE(painter.hasClipping());
}

// Whatever an element changes on the painter (transform, clip, hints, opacity, pen, brush)
// is undone before the next one, also when it fails: a blue square drawn next lands in its
// place, uncut, at the painter's opacity, on the label and in the canvas's overflow pass.
TEST(LabelRendererFailures, EachElementLeavesThePainterAsItFoundIt)
{
    LabelElement circle = element(ElementKind::image, QString(), 2, 2, 20, 20);
    circle.imageData = solidPng(QSize(40, 40), Qt::red);
    circle.webAppearance = WebAppearance();
    circle.webAppearance->image = WebImagePlacement{QStringLiteral("cover"), 100, 50, 50, QStringLiteral("circle")};
    LabelElement picture = element(ElementKind::image, QString(), 2, 2, 20, 20);
    picture.imageData = solidPng(QSize(40, 20), Qt::red);
    LabelElement overflowing = element(ElementKind::text, QStringLiteral("WWW WWW WWW WWW"), 2, 2, 10, 5, 30);
    overflowing.rotationDegrees = 20;
    LabelElement captioned = element(ElementKind::barcode, QStringLiteral("12345678"), 2, 2, 12, 6, 10);
    captioned.barcode = BarcodeOptions(BarcodeSymbology::code128, true, 20);
    LabelElement failingCode = element(ElementKind::qr, QString(600, u'x'), 2, 2, 20, 20);
    failingCode.rotationDegrees = 45;
    const struct {
        const char *name;
        LabelElement first;
    } cases[] = {{"picture", picture},
                 {"shaped picture", circle},
                 {"overflowing turned text", overflowing},
                 {"barcode with a clipped caption", captioned},
                 {"failing code", failingCode},
                 {"shape", shape(ElementKind::ellipse, 2, 2, 20, 20, true, 2)}};
    const LabelElement probe = [] {
        LabelElement e = shape(ElementKind::rectangle, 40, 25, 10, 8, true, 0.05);
        e.webAppearance = WebAppearance();
        e.webAppearance->color = QStringLiteral("#0000ff");
        return e;
    }();
    for (const auto &c : cases) {
        for (bool wholeLabel : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (wholeLabel ? " on the label" : " alone"));
            const LabelDocument doc = document({c.first, probe});
            QImage image = canvas(LabelRenderer::size(doc), ppp);
            QPainter painter(&image);
            painter.scale(ppp, ppp);
            painter.setOpacity(0.42);
            if (wholeLabel)
                LabelRenderer::draw(doc, painter, RenderValidation::skip, fixedMoment(), 0);
            else
                LabelRenderer::drawElements(doc, painter, RenderValidation::skip, fixedMoment(), 0);
            EXPECT_DOUBLE_EQ(painter.opacity(), 0.42);
            painter.end();
            // Blue at 42 % over white, across the whole square and nowhere beside it.
            for (const QPointF &mm : {QPointF(40.5, 25.5), QPointF(45, 29), QPointF(49.5, 32.5)}) {
                const QRgb p = pixelMm(image, mm.x(), mm.y());
                EXPECT_NEAR(qRed(p), 148, 6) << mm.x() << "," << mm.y();
                EXPECT_GT(qBlue(p), 245);
            }
            EXPECT_TRUE(isWhite(pixelMm(image, 39, 24)));
            EXPECT_TRUE(isWhite(pixelMm(image, 51, 34)));
        }
    }
}

TEST(LabelRendererTables, FirstRowIsBoundAndBindingErrorsAreThrown)
{
    LabelElement bound = element(ElementKind::text, QStringLiteral("placeholder"), 5, 5, 50, 10, 20);
    bound.tableBinding = TableBinding(1);
    LabelDocument doc = document({bound});
    doc.table = LabelTable{QStringLiteral("t.csv"),
                           QStringLiteral("CSV"),
                           {QStringLiteral("a"), QStringLiteral("b")},
                           {{QStringLiteral("x"), QStringLiteral("MMMM")}, {QStringLiteral("y"), QStringLiteral("I")}}};
    LabelDocument expected = document({element(ElementKind::text, QStringLiteral("MMMM"), 5, 5, 50, 10, 20)});
    EXPECT_EQ(render(doc, ppp, RenderValidation::check), render(expected, ppp, RenderValidation::check));

    // A table without rows cannot bind row 0: nothing is drawn, not even the paper.
    doc.table->rows.clear();
    QImage image = canvas(LabelRenderer::size(doc), ppp);
    image.fill(Qt::green);
    QPainter painter(&image);
    EXPECT_ISSUE(LabelRenderer::draw(doc, painter, RenderValidation::skip, fixedMoment(), 0), TableIssue,
                 TableIssue::binding);
    painter.end();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::green));
}

// ---------------------------------------------------------------------------------------
// Sheets and PDF

TEST(LabelRendererSheets, SlotsGetTheirIndexAndTheFirstFailureStopsTheSheet)
{
    // 25.4 mm labels are 72 points: at 2 pixels per point every slot starts on a pixel.
    LabelElement counter = element(ElementKind::counter, QString(), 2, 2, 20, 8, 12);
    counter.counter.start = 0;
    LabelDocument doc = document({counter}, 25.4, 25.4);
    doc.layout.columns = 3;
    doc.layout.rows = 2;
    const double s = 2;
    QImage sheet = canvas(LabelRenderer::sheetSize(doc), s);
    {
        QPainter painter(&sheet);
        painter.scale(s, s);
        LabelRenderer::drawSheet(doc, painter, fixedMoment());
    }
    for (int i = 0; i < 6; ++i) {
        const QImage slot = sheet.copy((i % 3) * 144, (i / 3) * 144, 144, 144);
        EXPECT_EQ(slot.convertToFormat(QImage::Format_RGB32),
                  render(doc, s, RenderValidation::check, i).convertToFormat(QImage::Format_RGB32))
            << "slot " << i;
    }

    // Counting down from 3 fails at the fifth slot (index 4): four labels stay drawn.
    doc.elements[0].counter.start = 3;
    doc.elements[0].counter.step = -1;
    doc.elements.append(shape(ElementKind::rectangle, 15, 15, 5, 5, true, 1));
    QImage partial = canvas(LabelRenderer::sheetSize(doc), s);
    QPainter painter(&partial);
    painter.scale(s, s);
    EXPECT_ISSUE(LabelRenderer::drawSheet(doc, painter, fixedMoment()), DocumentIssue, DocumentIssue::invalidContent);
    painter.end();
    auto marked = [&](int slot) {
        return isDark(partial.pixel((slot % 3) * 144 + 2 * 17 * k, (slot / 3) * 144 + 2 * 17 * k));
    };
    EXPECT_TRUE(marked(3));
    EXPECT_FALSE(marked(4));
    EXPECT_FALSE(marked(5));
}

#ifdef KESTRIVANE_TEST_PDF
TEST(LabelRendererPdf, OnePageOfExactlyTheSheetSizeWithContentInPlace)
{
    LabelDocument doc = document({shape(ElementKind::rectangle, 10, 10, 10, 10, true, 1),
                                  element(ElementKind::text, QStringLiteral("PDF"), 10, 22, 30, 8, 14)},
                                 40, 30);
    doc.layout.columns = 2;
    doc.layout.rows = 3;
    doc.layout.leftMarginMm = 5;
    doc.layout.topMarginMm = 8;
    doc.layout.columnGapMm = 3;
    doc.layout.rowGapMm = 2;
    const QByteArray bytes = LabelRenderer::pdf(doc);
    QFile file(testsupport::outputPath(QStringLiteral("renderer-sheet.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    ASSERT_EQ(pdf.status(), QPdfDocument::Status::Ready);
    ASSERT_EQ(pdf.pageCount(), 1);
    const QSizeF size = pdf.pagePointSize(0);
    EXPECT_NEAR(size.width(), 249.4488188976378, 0.001);
    EXPECT_NEAR(size.height(), 289.13385826771656, 0.001);

    // Rendered back at 2 pixels per point: the filled square of the last slot sits where the
    // slot says, its top-left at (5 + 43 + 10, 8 + 64 + 10) mm.
    const QImage page = pdf.render(0, QSize(qRound(size.width() * 2), qRound(size.height() * 2)));
    auto pagePixel = [&](double xMm, double yMm) { return page.pixel(int(xMm * k * 2), int(yMm * k * 2)); };
    EXPECT_TRUE(isDark(pagePixel(63, 87)));
    EXPECT_TRUE(isWhite(pagePixel(57, 81)));
    EXPECT_TRUE(isDark(pagePixel(20, 23)));
    EXPECT_TRUE(isWhite(pagePixel(2, 2)));
    page.save(testsupport::outputPath(QStringLiteral("renderer-sheet-pdf.png")));

    // Text keeps its size in points in the PDF: the first slot's "PDF" is as wide as drawn
    // on an image.
    const QRectF textArea(5 * k + 10 * k - 1, 8 * k + 22 * k - 1, 30 * k, 8 * k);
    const QRect onPage = darkBounds(page, pixels(textArea, 2));
    const QRect onImage = darkBounds(render(doc, 2), pixels(textArea.translated(-5 * k, -8 * k), 2));
    ASSERT_FALSE(onPage.isEmpty());
    EXPECT_NEAR(onPage.width() / 2.0, onImage.width() / 2.0, 1.0);
    EXPECT_NEAR(onPage.height() / 2.0, onImage.height() / 2.0, 1.0);

    // An invalid document gives no PDF.
    doc.widthMm = 1;
    EXPECT_ISSUE(LabelRenderer::pdf(doc), DocumentIssue, DocumentIssue::invalidGeometry);
}
#endif

// ---------------------------------------------------------------------------------------
// Threads and visual checks

TEST(LabelRendererThreads, DrawingFromSeveralThreadsGivesTheSameLabel)
{
    LabelDocument doc = LabelDocument::example();
    LabelElement bar = element(ElementKind::barcode, QStringLiteral("KESTRIVANE"), 30, 2, 28, 12);
    bar.barcode.showsText = true;
    doc.elements.append(bar);
    const QImage reference = render(doc, 3, RenderValidation::check);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 15; ++i) {
                if (render(doc, 3, RenderValidation::check) != reference)
                    ++mismatches;
            }
        });
    }
    for (int i = 0; i < 15; ++i) {
        if (render(doc, 3, RenderValidation::check) != reference)
            ++mismatches;
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(LabelRendererVisual, SampleAndEveryKindForAPerson)
{
    const LabelDocument sample = LabelDocument::example();
    const QImage sampleImage = render(sample, 4, RenderValidation::check);
    EXPECT_TRUE(sampleImage.save(testsupport::outputPath(QStringLiteral("renderer-sample.png"))));
    // The sample's title, QR code and number are all inked.
    EXPECT_GT(countPixels(sampleImage, isDarkPixel, pixels(QRectF(5 * k, 5 * k, 45 * k, 8 * k))), 200);
    EXPECT_GT(countPixels(sampleImage, isDarkPixel, pixels(QRectF(5 * k, 16 * k, 18 * k, 18 * k))), 2000);
    EXPECT_GT(countPixels(sampleImage, isDarkPixel, pixels(QRectF(27 * k, 21 * k, 29 * k, 7 * k))), 100);

    LabelElement title = element(ElementKind::text, QStringLiteral("Every kind"), 3, 2, 60, 8, 16);
    title.textStyle.bold = true;
    LabelElement qr = element(ElementKind::qr, QStringLiteral("https://example.org/k"), 3, 12, 20, 20);
    LabelElement bar = element(ElementKind::barcode, QStringLiteral("4601234567893"), 26, 12, 40, 20);
    bar.barcode = BarcodeOptions(BarcodeSymbology::ean13, true, 9);
    LabelElement line = shape(ElementKind::line, 3, 34, 90, 1, false, 0.4);
    LabelElement rect = shape(ElementKind::rectangle, 70, 12, 20, 10, false, 0.5);
    LabelElement ellipse = shape(ElementKind::ellipse, 70, 24, 20, 8, true, 0.5);
    LabelElement picture = element(ElementKind::image, QStringLiteral("logo"), 3, 37, 12, 12);
    picture.imageData = solidPng(QSize(64, 32), Qt::blue);
    LabelElement date = element(ElementKind::dateTime, QString(), 18, 38, 30, 6, 10);
    date.dateOptions.timeZoneID = QStringLiteral("UTC");
    date.dateOptions.pattern = DatePattern::dateTime;
    LabelElement counter = element(ElementKind::counter, QString(), 50, 38, 30, 6, 10);
    counter.counter.prefix = QStringLiteral("No. ");
    LabelElement web = webText(QStringLiteral("web text, centred"), 0, 0, 60 * k / 2, 10 * k / 2, 9);
    web.xMm = 18;
    web.yMm = 44;
    web.webAppearance->vertical = QStringLiteral("center");
    web.webAppearance->color = QStringLiteral("#c0392b");
    LabelDocument all = document({title, qr, bar, line, rect, ellipse, picture, date, counter, web}, 95, 52);
    all.layout.cornerRadiusMm = 3;
    const QImage image = render(all, 4, RenderValidation::check, 41);
    EXPECT_TRUE(image.save(testsupport::outputPath(QStringLiteral("renderer-every-kind.png"))));
    EXPECT_TRUE(isWhite(pixelMm(image, 0.2, 0.2))); // rounded label corner
    EXPECT_GT(countPixels(image, isBlue, pixels(QRectF(3 * k, 37 * k, 12 * k, 12 * k))), 1000);
    auto reddish = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110; };
    EXPECT_GT(inkBounds(image, reddish, pixels(QRectF(18 * k, 44 * k, 30 * k, 5 * k))).width(), 0);

#ifdef KESTRIVANE_TEST_PDF
    // The same label as a one-page PDF, whose page shows the same picture where the image does.
    const QByteArray bytes = LabelRenderer::pdf(all);
    QFile file(testsupport::outputPath(QStringLiteral("renderer-every-kind.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    ASSERT_EQ(pdf.pageCount(), 1);
    EXPECT_NEAR(pdf.pagePointSize(0).width(), 95 * k, 0.001);
    const QImage page = pdf.render(0, (pdf.pagePointSize(0) * 4).toSize());
    EXPECT_GT(countPixels(page, isBlue, pixels(QRectF(3 * k, 37 * k, 12 * k, 12 * k))), 1000);
#endif
}

// ---------------------------------------------------------------------------------------
// Web backgrounds

TEST(LabelRendererBackgrounds, BackgroundLiesUnderTheElementsInsideTheOutline)
{
    LabelDocument doc = document({shape(ElementKind::rectangle, 20, 10, 10, 10, true, 1)});
    doc.layout.shape = LabelShape::ellipse;
    doc.webBackground = WebBackground{*CatalogJSON::parse(R"({"type":"color","color":"#0000ff"})"), std::nullopt};
    const QImage image = render(doc, ppp, RenderValidation::check);
    EXPECT_TRUE(isBlue(pixelMm(image, 10, 20)));
    EXPECT_TRUE(isDark(pixelMm(image, 25, 15)) && !isBlue(pixelMm(image, 25, 15)));
    EXPECT_TRUE(isWhite(pixelMm(image, 0.5, 0.5))); // outside the ellipse
}

TEST(LabelRendererBackgrounds, FailingBackgroundLeavesTheLabelWhiteAndThrows)
{
    LabelDocument doc = document({shape(ElementKind::rectangle, 20, 10, 10, 10, true, 1)});
    doc.webBackground = WebBackground{*CatalogJSON::parse(R"({"type":"image"})"), QByteArray("not a picture")};
    for (RenderValidation validation : {RenderValidation::skip, RenderValidation::check}) {
        QImage image = canvas(LabelRenderer::size(doc), ppp);
        image.fill(Qt::green);
        QPainter painter(&image);
        painter.scale(ppp, ppp);
        EXPECT_ISSUE(LabelRenderer::draw(doc, painter, validation, fixedMoment(), 0), DocumentIssue,
                     DocumentIssue::invalidImage);
        painter.end();
        EXPECT_NE(QColor(pixelMm(image, 25, 15)), QColor(Qt::black)) << int(validation);
        if (validation == RenderValidation::skip) {
            EXPECT_TRUE(isWhite(pixelMm(image, 5, 5))); // the paper is there, the elements are not
        }
    }
}
