// Colour glyphs (emoji) look the same in an image, in a PDF, and in an image drawn after
// such a PDF was written; the PDF's other text stays text.

#include "core/common/Units.h"
#include "core/render/LabelRenderer.h"

#include "tests/common/TestSupport.h"
#include "tests/core/render/RenderSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRegularExpression>

using namespace kestrivane;
using namespace rendertest;

namespace {

constexpr double k = Units::pointsPerMillimetre;
constexpr double ppp = 300.0 / 72; // 300 dots per inch

bool emojiFontInstalled()
{
    return QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji"));
}

bool isColoured(QRgb p)
{
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)}) > 60;
}

LabelElement text(const QString &content, double x, double y, double w, double h, double size,
                  TextAlignment alignment = TextAlignment::left, bool underline = false)
{
    LabelElement e = element(ElementKind::text, content, x, y, w, h, size);
    e.textStyle.alignment = alignment;
    e.textStyle.underline = underline;
    return e;
}

QImage pdfPage(const LabelDocument &doc, QString *allText = nullptr)
{
    QByteArray bytes = LabelRenderer::pdf(doc);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    if (pdf.pageCount() != 1)
        return QImage();
    if (allText)
        *allText = pdf.getAllText(0).text();
    return pdf.render(0, (pdf.pagePointSize(0) * ppp).toSize()).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(ColourGlyphs, SameInImagesAndPdfBeforeAndAfterAnExport)
{
    if (!emojiFontInstalled())
        GTEST_SKIP() << "fonts-noto-color-emoji is not installed";
    const struct {
        LabelElement element;
        int colouredPixels; // at least, at 300 dots per inch
    } boxes[] = {
        {text(QStringLiteral("🎉"), 2, 2, 14, 12, 24), 1500},
        {text(QStringLiteral("👍🏽"), 18, 2, 14, 12, 24), 1500},
        {text(QStringLiteral("🇩🇪"), 34, 2, 14, 12, 24), 1500},
        {text(QStringLiteral("Grüße 🎉 aus Köln"), 2, 16, 76, 8, 14, TextAlignment::left, true), 300},
        {text(QStringLiteral("Привет, мир"), 2, 25, 76, 8, 14), 0},
        {text(QStringLiteral("東京タワー"), 2, 34, 76, 8, 14), 0},
        {text(QStringLiteral("שלום 🎉 עולם"), 2, 43, 76, 8, 14, TextAlignment::right), 300},
        // Two justified lines and an unjustified last one, an emoji on the first.
        {text(QStringLiteral("Ein 🎉 Fest für alle Gäste im Saal am Abend"), 50, 2, 28, 13, 9, TextAlignment::justify),
         100},
    };
    QList<LabelElement> elements;
    for (const auto &box : boxes)
        elements.append(box.element);
    const LabelDocument doc = document(elements, 80, 52);

    const struct {
        const char *name;
        bool pdf;
    } passes[] = {{"image", false}, {"pdf", true}, {"image after pdf", false}};

    auto grey = [](QRgb p) { return qGray(p) < 200; };
    QImage first;
    for (const auto &pass : passes) {
        SCOPED_TRACE(pass.name);
        QString pdfText;
        const QImage page = pass.pdf ? pdfPage(doc, &pdfText) : render(doc, ppp);
        ASSERT_FALSE(page.isNull());
        page.save(testsupport::outputPath(QStringLiteral("colour-glyphs-%1.png").arg(pass.name).replace(u' ', u'-')));
        if (first.isNull())
            first = page;
        for (const auto &box : boxes) {
            const LabelElement &e = box.element;
            SCOPED_TRACE(e.content.toStdString());
            const QRect area = pixels(QRectF(e.xMm * k, e.yMm * k, e.widthMm * k, e.heightMm * k), ppp);
            const int coloured = countPixels(page, isColoured, area);
            EXPECT_GE(coloured, box.colouredPixels);
            const int firstColoured = countPixels(first, isColoured, area);
            EXPECT_NEAR(coloured, firstColoured, firstColoured * 0.25);
            // The text lands where the image puts it: the ink's corners agree within a point.
            const QRect ink = inkBounds(page, grey, area);
            const QRect firstInk = inkBounds(first, grey, area);
            EXPECT_LE((ink.topLeft() - firstInk.topLeft()).manhattanLength(), ppp);
            EXPECT_LE((ink.bottomRight() - firstInk.bottomRight()).manhattanLength(), ppp);
            // An underline runs under the whole line, emoji included: its lowest point of ink
            // is as dark as the image's.
            const QRect lowest(firstInk.left(), firstInk.bottom() - int(ppp), firstInk.width(), int(ppp) + 1);
            EXPECT_NEAR(countPixels(page, isDark, lowest), countPixels(first, isDark, lowest), lowest.width() / 10);
        }
        if (pass.pdf) {
            for (const char *words : {"Grüße", "Köln", "Привет", "東京タワー", "Gäste"})
                EXPECT_TRUE(pdfText.contains(QString::fromUtf8(words))) << words << " in " << pdfText.toStdString();
        }
    }
}

// A sheet draws each distinct colour run once; a PDF with no colour glyphs holds no picture.
TEST(ColourGlyphs, SheetHoldsEachDistinctRunOnce)
{
    if (!emojiFontInstalled())
        GTEST_SKIP() << "fonts-noto-color-emoji is not installed";
    const struct {
        QString text;
        QString fontName;
        int pictures; // image objects in a PDF of one label
    } cases[] = {
        {QStringLiteral("Plain text"), QString(), 0},
        {QStringLiteral("Fest 🎉"), QString(), 2}, // the picture and its transparency mask
        {QStringLiteral("🎉 und 🎉"), QString(), 2},
        {QStringLiteral("🎉 und 👍🏽"), QString(), 4},
        // The text's own face has colour glyphs: nothing falls back to another face.
        {QStringLiteral("🎉🎉"), QStringLiteral("Noto Color Emoji"), 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        LabelElement element = text(c.text, 2, 2, 40, 10, 14);
        if (!c.fontName.isEmpty())
            element.textStyle.fontName = c.fontName;
        LabelDocument doc = document({element}, 50, 20);
        const QByteArray one = LabelRenderer::pdf(doc);
        doc.layout.columns = 3;
        doc.layout.rows = 2;
        const QByteArray six = LabelRenderer::pdf(doc);
        EXPECT_EQ(one.count("/Subtype /Image"), c.pictures);
        EXPECT_EQ(six.count("/Subtype /Image"), c.pictures);
        // Pictures at 600 dots per inch at least: a 14 pt emoji is some 117 pixels tall.
        const QRegularExpression height(QStringLiteral("/Height (\\d+)"));
        for (const QRegularExpressionMatch &m : height.globalMatch(QString::fromLatin1(one)))
            EXPECT_GE(m.captured(1).toInt(), 14 * 600 / 72);
    }
}
