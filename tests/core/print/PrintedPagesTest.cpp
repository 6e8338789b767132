// Pages of print jobs and the canvas's drawing of a label, compared pixel by pixel with
// pictures drawn earlier and checked in (tests/data/pages/). They hold every kind of
// element in the places where clips, paper and painter state decide what is seen: italic
// text flush with its box, web text whose lines are lower than its font, elements partly
// off the label, rotated and overflowing text, a picture larger than its box, a round label
// and a web background picture that covers more than the label.
//
// The actual pictures are written to the test output folder; after an intended change of
// the drawing, look at them and copy them over the checked-in ones.

#include "core/print/LabelPrintJob.h"

#include "core/render/LabelRenderer.h"
#include "core/render/RenderCache.h"
#include "core/render/WebFonts.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>

#ifdef KESTRIVANE_TEST_PDF
#include <QPdfDocument>
#endif

using namespace kestrivane;

namespace {

LabelElement element(ElementKind kind, const QString &content, double x, double y, double w, double h, double size = 10)
{
    LabelElement e(QUuid::createUuid(), kind, content, x, y, w, h, size);
    e.textStyle.fontName = QStringLiteral("Roboto");
    return e;
}

LabelElement webText(const QString &content, double x, double y, double w, double h, double lineHeight)
{
    LabelElement e = element(ElementKind::text, content, x, y, w, h, 11);
    WebAppearance appearance;
    appearance.lineHeight = lineHeight;
    appearance.color = QStringLiteral("#1a4d99");
    e.webAppearance = appearance;
    e.textStyle.fontName = QStringLiteral("'Roboto', sans-serif");
    return e;
}

QByteArray picturePng(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(250, 230, 120));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20, 80, 160));
    painter.drawEllipse(QRectF(size.width() * 0.1, size.height() * 0.1, size.width() * 0.5, size.height() * 0.8));
    painter.setBrush(QColor(200, 40, 40));
    painter.drawRect(QRectF(size.width() * 0.55, size.height() * 0.3, size.width() * 0.4, size.height() * 0.4));
    painter.end();
    return testsupport::pngBytes(image);
}

// A rectangular 60 × 40 mm label with every element kind, some of them reaching past the
// label's edge (a picture, then a text, as the canvas's overflow pass draws them).
LabelDocument rectangularLabel()
{
    QList<LabelElement> elements;
    LabelElement italic = element(ElementKind::text, QStringLiteral("Wolf fjord"), 30, 1, 28, 7, 14);
    italic.textStyle.italic = true;
    italic.textStyle.alignment = TextAlignment::right;
    elements.append(italic);
    elements.append(webText(QStringLiteral("Low lines Äg\nÅngström"), 2, 2, 26, 9, 0.8));
    LabelElement rotated = element(ElementKind::text, QStringLiteral("Turned"), 40, 12, 16, 6, 9);
    rotated.rotationDegrees = 30;
    elements.append(rotated);
    elements.append(element(ElementKind::text,
                            QStringLiteral("A text far too long for its small box, wrapping over many lines"), 2, 12,
                            16, 6, 8));
    LabelElement picture = element(ElementKind::image, QString(), 20, 11, 10, 8);
    picture.imageData = picturePng(QSize(120, 60));
    WebAppearance cover;
    cover.image = WebImagePlacement{QStringLiteral("cover"), 100, 50, 50, QStringLiteral("rect")};
    picture.webAppearance = cover;
    elements.append(picture);
    LabelElement shape = element(ElementKind::rectangle, QString(), 31, 20, 12, 7);
    shape.filled = true;
    shape.strokeMm = 0.6;
    elements.append(shape);
    LabelElement line = element(ElementKind::line, QString(), 30, 28, 20, 1);
    line.strokeMm = 0.4;
    elements.append(line);
    LabelElement code = element(ElementKind::barcode, QStringLiteral("KV00012345"), 2, 20, 26, 12, 10);
    code.barcode = BarcodeOptions(BarcodeSymbology::code128, true, 8);
    elements.append(code);
    elements.append(element(ElementKind::qr, QStringLiteral("https://example.org/k/1"), 45, 28, 10, 10));
    LabelElement counter = element(ElementKind::counter, QString(), 2, 33, 14, 5, 9);
    counter.counter.prefix = QStringLiteral("No. ");
    elements.append(counter);
    elements.append(element(ElementKind::dateTime, QString(), 16, 33, 20, 5, 8));
    // Partly off the label: a picture, then a text.
    LabelElement off = element(ElementKind::image, QString(), 52, 30, 14, 7);
    off.imageData = picturePng(QSize(80, 40));
    elements.append(off);
    elements.append(element(ElementKind::text, QStringLiteral("Overhang"), -4, 36, 20, 6, 10));

    LabelDocument doc(QStringLiteral("Pages"), 60, 40, elements);
    doc.layout.columns = 2;
    doc.layout.leftMarginMm = 3;
    doc.layout.topMarginMm = 2;
    doc.layout.columnGapMm = 4;
    return doc;
}

// A round label on a web background picture that covers more than the label.
LabelDocument roundLabel()
{
    QList<LabelElement> elements;
    LabelElement title = webText(QStringLiteral("Round label"), 8, 8, 34, 8, 1.2);
    title.webAppearance->color = QStringLiteral("#ffffff");
    elements.append(title);
    LabelElement shape = element(ElementKind::ellipse, QString(), 10, 20, 14, 12);
    shape.strokeMm = 0.5;
    elements.append(shape);
    LabelElement line = element(ElementKind::line, QString(), 26, 26, 14, 1);
    elements.append(line);
    LabelDocument doc(QStringLiteral("Round"), 50, 40, elements);
    doc.layout.shape = LabelShape::ellipse;
    doc.layout.leftMarginMm = 2;
    doc.layout.topMarginMm = 2;
    doc.webBackground =
        WebBackground{*CatalogJSON::parse(R"({"type":"image","image":{"fit":"cover"}})"), picturePng(QSize(200, 60))};
    return doc;
}

QDateTime moment()
{
    return QDateTime(QDate(2026, 5, 1), QTime(8, 30), QTimeZone::utc());
}

// The canvas's drawing: the label into a transparent layer at 2 pixels per point, then the
// elements that reach past the label at opacity 0.42, clipped to outside its outline.
QImage canvasPicture(const LabelDocument &document)
{
    constexpr double scale = 2;
    const QSizeF size = LabelRenderer::size(document);
    QImage image((size * scale).toSize() + QSize(24, 24), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRectF paper(QPointF(12, 12), size * scale);
    RenderCache cache;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.setClipRect(paper, Qt::IntersectClip);
    painter.translate(paper.topLeft());
    painter.scale(scale, scale);
    LabelRenderer::draw(document, painter, RenderValidation::skip, moment(), 0, &cache);
    painter.restore();

    LabelDocument outside = document;
    outside.elements.clear();
    for (const LabelElement &e : document.elements) {
        if (!document.contains(e))
            outside.elements.append(e);
    }
    painter.save();
    QPainterPath clip;
    clip.addRect(QRectF(image.rect()));
    clip.addPath(LabelRenderer::outline(document, paper));
    clip.setFillRule(Qt::OddEvenFill);
    painter.setClipPath(clip, Qt::IntersectClip);
    painter.setOpacity(0.42);
    painter.translate(paper.topLeft());
    painter.scale(scale, scale);
    LabelRenderer::drawElements(outside, painter, RenderValidation::skip, moment(), 0, &cache);
    painter.restore();
    painter.end();
    return image;
}

#ifdef KESTRIVANE_TEST_PDF
// The first page of a job's PDF at 150 dots per inch.
QImage pdfPicture(const LabelDocument &document, qint64 copies)
{
    BatchOptions options;
    options.copies = copies;
    const QByteArray bytes = LabelPrintJob(document, options, moment()).pdf();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    if (pdf.status() != QPdfDocument::Status::Ready || pdf.pageCount() < 1)
        return QImage();
    const QSizeF points = pdf.pagePointSize(0);
    return pdf.render(0, (points * 150.0 / 72.0).toSize()).convertToFormat(QImage::Format_ARGB32);
}
#endif

// Pixels whose largest channel difference is above `level`.
qint64 pixelsDifferingBy(const QImage &a, const QImage &b, int level, int *largest)
{
    qint64 count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::max({std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                                    std::abs(qBlue(p[x]) - qBlue(q[x])), std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
            *largest = std::max(*largest, d);
            count += d > level ? 1 : 0;
        }
    }
    return count;
}

void expectLikeReference(const QImage &actual, const QString &name)
{
    ASSERT_FALSE(actual.isNull()) << name.toStdString();
    const QImage image = actual.convertToFormat(QImage::Format_ARGB32);
    image.save(testsupport::outputPath(name));
    const QImage reference =
        QImage(testsupport::dataPath(QStringLiteral("pages/") + name)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(reference.size(), image.size()) << name.toStdString();
    int largest = 0;
    const qint64 differing = pixelsDifferingBy(reference, image, 8, &largest);
    EXPECT_LE(double(differing), 0.0005 * image.width() * image.height()) << name.toStdString();
    EXPECT_LE(largest, 64) << name.toStdString();
}

TEST(PrintedPages, LookAsDrawnBefore)
{
    WebFonts::registerFonts();
    const struct {
        const char *name;
        LabelDocument document;
        qint64 copies;
    } cases[] = {
        {"rectangular", rectangularLabel(), 2},
        {"round", roundLabel(), 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectLikeReference(canvasPicture(c.document), QStringLiteral("%1-canvas.png").arg(QLatin1String(c.name)));
#ifdef KESTRIVANE_TEST_PDF
        expectLikeReference(pdfPicture(c.document, c.copies), QStringLiteral("%1-pdf.png").arg(QLatin1String(c.name)));
#endif
    }
}

} // namespace
