#include "core/render/PointFont.h"
#include "core/render/WebFonts.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>

using namespace kestrivane;

namespace {

PointFont roboto(double size)
{
    WebFonts::registerFonts();
    return WebFonts::systemFont(size);
}

// The ink's bounding box in pixels: every pixel darker than mid-grey.
QRect inkBounds(const QImage &image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// A white image at Qt's default 96 dpi, painted in points at `pixelsPerPoint`.
struct PointCanvas {
    QImage image;
    QPainter painter;
    PointCanvas(QSize pixels, double pixelsPerPoint) : image(pixels, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(pixelsPerPoint, pixelsPerPoint);
        painter.setPen(Qt::black);
    }
};

} // namespace

TEST(PointFont, WidthsScaleLinearlyDownToTinySizes)
{
    const QString text = QStringLiteral("Hello world 123");
    const double reference = roboto(100).width(text);
    ASSERT_GT(reference, 100);
    // Qt on its own rounds the pixel size of a 2.2 pt font and measures it about 2 % off,
    // a 0.5 pt font more than twice too wide.
    for (double size : {0.075, 0.5, 1.2, 2.2, 3.0, 6.0, 12.0, 144.0}) {
        EXPECT_NEAR(roboto(size).width(text), reference * size / 100, 1e-9 * reference) << size;
        EXPECT_NEAR(roboto(size).ascent(), roboto(100).ascent() * size / 100, 1e-9) << size;
    }
    // Kerning is kept: "AV" is narrower than its letters set apart.
    const PointFont font = roboto(12);
    EXPECT_LT(font.width(QStringLiteral("AV")), font.width(QStringLiteral("A")) + font.width(QStringLiteral("V")));
    EXPECT_EQ(font.width(QString()), 0);
}

TEST(PointFont, DrawsAtTheSizeItMeasuresOnAnyResolution)
{
    // A QImage reports 96 dpi, where a point-sized QFont would come out 4/3 too large.
    const QString text = QStringLiteral("HHHH");
    for (const auto &[size, pixelsPerPoint] : {std::pair{10.0, 4.0}, {2.2, 40.0}, {0.5, 160.0}}) {
        const PointFont font = roboto(size);
        PointCanvas canvas(
            QSize(int(std::ceil(font.width(text) * pixelsPerPoint)) + 40, int(std::ceil(size * 2 * pixelsPerPoint))),
            pixelsPerPoint);
        const double baseline = size * 1.5;
        const PointTextLayout layout(text, font);
        layout.draw(canvas.painter, QPointF(5 / pixelsPerPoint, baseline - layout.baseline(0)));
        canvas.painter.end();
        const QRect ink = inkBounds(canvas.image);
        ASSERT_FALSE(ink.isNull()) << size;

        // The ink of "HHHH" spans its advance less the outer side bearings of the H.
        const QRectF tight = QFontMetricsF(font.referenceFont()).tightBoundingRect(text);
        const double expectedWidth = tight.width() * font.scale() * pixelsPerPoint;
        const double expectedHeight = -tight.top() * font.scale() * pixelsPerPoint; // cap height
        EXPECT_NEAR(ink.width(), expectedWidth, 2.5) << size;
        EXPECT_NEAR(ink.height(), expectedHeight, 2.5) << size;
        // The baseline is where it was asked for.
        EXPECT_NEAR(ink.bottom() + 1, baseline * pixelsPerPoint, 1.5) << size;
    }
}

TEST(PointTextLayout, WrapsAtWordsAndBreaksOverLongWords)
{
    const PointFont font = roboto(10);
    PointTextLayout::Options options;
    options.wrapWidthPt = 60;

    const QString word = QStringLiteral("Supercalifragilisticexpialidocious");
    const double wordWidth = font.width(word);
    ASSERT_GT(wordWidth, 120);
    const PointTextLayout broken(word, font, options);
    EXPECT_GE(broken.lineCount(), int(std::ceil(wordWidth / 60)));
    EXPECT_LE(broken.naturalWidth(), 60 + 1e-6);

    // Short words move whole to the next line.
    const PointTextLayout words(QStringLiteral("aaa bbb ccc ddd eee fff ggg"), font, options);
    EXPECT_GT(words.lineCount(), 1);
    EXPECT_LE(words.naturalWidth(), 60 + 1e-6);
    EXPECT_GT(words.naturalWidth(), font.width(QStringLiteral("aaa bbb")));

    // Unwrapped, each paragraph is one line, whatever its line-break character.
    const PointTextLayout unwrapped(QStringLiteral("one\r\ntwo\rthree\nfour\u2029five\u2028six"), font);
    EXPECT_EQ(unwrapped.lineCount(), 6);
    EXPECT_DOUBLE_EQ(unwrapped.naturalWidth(), font.width(QStringLiteral("three")));

    const PointTextLayout empty(QString(), font, options);
    EXPECT_EQ(empty.lineCount(), 0);
    EXPECT_EQ(empty.height(), 0);
}

TEST(PointTextLayout, PlacesLinesAtNaturalOrFixedHeights)
{
    const PointFont font = roboto(10);
    const double natural = font.ascent() + font.descent() + std::max(font.leading(), 0.0);
    const PointTextLayout plain(QStringLiteral("a\nb\nc"), font);
    ASSERT_EQ(plain.lineCount(), 3);
    // Qt would round each line up to whole reference pixels; these are exact.
    EXPECT_NEAR(plain.height(), 3 * natural, 1e-9);
    EXPECT_NEAR(plain.baseline(0), font.ascent(), 1e-9);
    EXPECT_NEAR(plain.lineTop(2), 2 * natural, 1e-9);

    // A fixed height puts the extra room above the glyphs: baseline = bottom - descent.
    PointTextLayout::Options options;
    options.lineHeightPt = 20;
    const PointTextLayout fixed(QStringLiteral("a\nb\nc"), font, options);
    EXPECT_NEAR(fixed.height(), 60, 1e-9);
    EXPECT_NEAR(fixed.lineTop(1), 20, 1e-9);
    EXPECT_NEAR(fixed.baseline(1), 40 - font.descent(), 1e-9);
    // Tighter than the font: the glyphs reach above the line's top.
    options.lineHeightPt = 5;
    const PointTextLayout tight(QStringLiteral("a\nb"), font, options);
    EXPECT_NEAR(tight.height(), 10, 1e-9);
    EXPECT_NEAR(tight.baseline(0), 5 - font.descent(), 1e-9);
}

TEST(PointTextLayout, AlignsLinesWithinTheWrapWidth)
{
    const PointFont font = roboto(10);
    const QString word = QStringLiteral("HHH");
    const double wordWidth = font.width(word);
    const double pixelsPerPoint = 4;
    auto inkOf = [&](Qt::Alignment alignment, const QString &text = QStringLiteral("HHH")) {
        PointTextLayout::Options options;
        options.wrapWidthPt = 100;
        options.alignment = alignment;
        const PointTextLayout layout(text, font, options);
        PointCanvas canvas(QSize(440, 80), pixelsPerPoint);
        layout.draw(canvas.painter, QPointF(5, 2));
        canvas.painter.end();
        return inkBounds(canvas.image);
    };
    const QRect left = inkOf(Qt::AlignLeft);
    const QRect centre = inkOf(Qt::AlignHCenter);
    const QRect right = inkOf(Qt::AlignRight);
    ASSERT_FALSE(left.isNull() || centre.isNull() || right.isNull());
    const double shift = (100 - wordWidth) * pixelsPerPoint;
    EXPECT_NEAR(centre.left() - left.left(), shift / 2, 1.5);
    EXPECT_NEAR(right.left() - left.left(), shift, 1.5);
    EXPECT_NEAR(left.left(), 5 * pixelsPerPoint, 0.25 * 10 * pixelsPerPoint); // H's side bearing
    // Left stays left for right-to-left text too.
    const QRect hebrew = inkOf(Qt::AlignLeft, QStringLiteral("שלום"));
    ASSERT_FALSE(hebrew.isNull());
    EXPECT_LT(hebrew.left(), (5 + 10) * pixelsPerPoint);

    // Justified lines stretch at their spaces; a line of one word keeps its letters'
    // spacing (Qt would spread it across the whole line), as does the last line.
    const QString longWord(int(100 / font.width(QStringLiteral("H"))) - 1, u'H');
    ASSERT_GT(font.width(longWord + QStringLiteral(" HHH")), 100);
    const QRect spaced = inkOf(Qt::AlignJustify, QStringLiteral("HHH HHH ") + longWord);
    ASSERT_FALSE(spaced.isNull());
    EXPECT_NEAR(spaced.right(), 105 * pixelsPerPoint, 0.25 * 10 * pixelsPerPoint);
    const QRect single = inkOf(Qt::AlignJustify, longWord + QStringLiteral(" HHH"));
    ASSERT_FALSE(single.isNull());
    EXPECT_NEAR(single.width(), font.width(longWord) * pixelsPerPoint, 0.25 * 10 * pixelsPerPoint);

    // A picture of wrapped, aligned and tiny text for a person to look at.
    PointCanvas canvas(QSize(800, 400), 4);
    PointTextLayout::Options options;
    options.wrapWidthPt = 90;
    options.alignment = Qt::AlignJustify;
    PointTextLayout(QStringLiteral("Justified text wraps at word boundaries and breaks "
                                   "Overlongwordswithoutanyspaceinside between characters."),
                    roboto(8), options)
        .draw(canvas.painter, QPointF(5, 5));
    options.alignment = Qt::AlignHCenter;
    PointTextLayout(QStringLiteral("(01)04601234567893\n(21)SERIAL42"), WebFonts::gs1CaptionFont(2.2), options)
        .draw(canvas.painter, QPointF(105, 5));
    canvas.painter.end();
    EXPECT_TRUE(canvas.image.save(testsupport::outputPath(QStringLiteral("point-text-layout.png"))));
}

TEST(PointTextLayout, EachParagraphTakesItsOwnDirection)
{
    // A Hebrew line after a Latin one reads right to left, so the "!" that ends it stands
    // at its left end, exactly as when the Hebrew line is drawn alone.
    const PointFont font = roboto(10);
    PointTextLayout::Options options;
    options.wrapWidthPt = 100;
    options.lineHeightPt = 20; // whole pixels at 4 pixels per point, so the lines compare
    auto lineImage = [&](const QString &text, int line) {
        const PointTextLayout layout(text, font, options);
        PointCanvas canvas(QSize(440, 80 * layout.lineCount()), 4);
        layout.draw(canvas.painter, QPointF(5, 0));
        canvas.painter.end();
        return canvas.image.copy(0, 80 * line, 440, 80);
    };
    const QString hebrew = QStringLiteral("\u05e9\u05dc\u05d5\u05dd!");
    const QImage alone = lineImage(hebrew, 0);
    ASSERT_FALSE(inkBounds(alone).isNull());
    for (const QString &before :
         {QStringLiteral("Latin\n"), QStringLiteral("Latin\r\n"), QStringLiteral("Latin\u2029")})
        EXPECT_EQ(lineImage(before + hebrew, 1), alone) << before.toStdString();
    // A line break inside a paragraph keeps the paragraph's direction.
    EXPECT_NE(lineImage(QStringLiteral("Latin\u2028") + hebrew, 1), alone);
}
