#include "core/common/DocumentIssue.h"
#include "core/web/WebImageAsset.h"

#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include <QBuffer>
#include <QPdfWriter>
#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

const char *const svgOpen = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"40\" height=\"20\">";

// A drawing with the given body inside the root element.
QByteArray drawing(const QByteArray &body)
{
    return QByteArray(svgOpen) + body + "</svg>";
}

void expectRefused(const QByteArray &bytes)
{
    EXPECT_ISSUE(WebImageAsset::validate(bytes), DocumentIssue, DocumentIssue::invalidImage);
}

// Comment padding inside the root grows a drawing to an exact byte count.
QByteArray drawingOfSize(qsizetype size)
{
    const QByteArray empty = drawing("<!---->");
    return drawing("<!--" + QByteArray(size - empty.size(), 'x') + "-->");
}

} // namespace

TEST(WebSanitizedSvg, TellsDrawingsFromOtherBytes)
{
    EXPECT_FALSE(WebImageAsset::sanitizedSVG(samples::png(4, 4)).has_value());
    EXPECT_FALSE(WebImageAsset::sanitizedSVG(QByteArray("plain text, no drawing")).has_value());
    // Not UTF-8: never held to the drawing rules here (the raster checks refuse it).
    EXPECT_FALSE(WebImageAsset::sanitizedSVG(QByteArray("\xFF<svg><script/></svg>")).has_value());
    EXPECT_FALSE(WebImageAsset::sanitizedSVG(samples::utf16Svg()).has_value());
    // A truncated multi-byte sequence at the very end is not UTF-8 either.
    EXPECT_FALSE(WebImageAsset::sanitizedSVG(QByteArray("<svg/>\xC3")).has_value());

    // Anything mentioning "<svg" is a drawing, even when no root element matches.
    EXPECT_ISSUE(WebImageAsset::sanitizedSVG("<svgfoo/>"), DocumentIssue, DocumentIssue::invalidImage);

    const QByteArray plain = drawing("<rect width=\"4\" height=\"4\"/>");
    EXPECT_EQ(WebImageAsset::sanitizedSVG(plain), plain);
}

TEST(WebSanitizedSvg, EnforcesTheDrawingSizeLimit)
{
    const QByteArray largest = drawingOfSize(WebImageAsset::maximumSvgBytes);
    ASSERT_EQ(largest.size(), WebImageAsset::maximumSvgBytes);
    EXPECT_EQ(WebImageAsset::sanitizedSVG(largest), largest);
    EXPECT_ISSUE(WebImageAsset::sanitizedSVG(drawingOfSize(WebImageAsset::maximumSvgBytes + 1)), DocumentIssue,
                 DocumentIssue::invalidImage);
}

TEST(WebSanitizedSvg, RefusesForbiddenTextInAnyCase)
{
    const QList<QByteArray> unsafe = {
        drawing("<SCRIPT>alert(1)</SCRIPT>"),
        drawing("<ScRiPt/>"),
        drawing("<foreignObject><p>x</p></foreignObject>"),
        // Even a reference inside the drawing: CSS can fetch through url().
        drawing("<rect style=\"fill:URL(#g)\" width=\"4\" height=\"4\"/>"),
        drawing("<style>@import 'x.css';</style>"),
        "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY e \"boom\">]>" + drawing("<text>&e;</text>"),
    };
    for (const QByteArray &bytes : unsafe) {
        SCOPED_TRACE(bytes.constData());
        EXPECT_ISSUE(WebImageAsset::sanitizedSVG(bytes), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(WebSanitizedSvg, RemovesOnlyThePlainSvgDocumentType)
{
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const QByteArray body = drawing("<rect width=\"4\" height=\"4\"/>");
    const QList<QByteArray> declarations = {
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\n"
        "  \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">",
        "<!doctype SVG SYSTEM 'svg11.dtd' >",
        "<!DOCTYPE svg>",
    };
    for (const QByteArray &declaration : declarations) {
        SCOPED_TRACE(declaration.constData());
        const auto cleaned = WebImageAsset::sanitizedSVG(xml + declaration + "\n" + body);
        ASSERT_TRUE(cleaned.has_value());
        EXPECT_EQ(*cleaned, xml + "\n" + body);
        EXPECT_NO_THROW(WebImageAsset::validate(xml + declaration + "\n" + body));
    }

    const QList<QByteArray> refused = {
        body + "<!DOCTYPE svg>",                           // after the root
        "<!DOCTYPE svg><!DOCTYPE svg>" + body,             // twice
        "<!DOCTYPE html>" + body,                          // not for svg
        "<!DOCTYPE svg [ ]>" + body,                       // an internal subset, even an empty one
        "<!DOCTYPE svg SYSTEM \"a\" \"b\">" + body,        // SYSTEM takes one literal
        "<!DOCTYPE svg PUBLIC \"a\">" + body,              // PUBLIC takes two
        "<!DOCTYPE svg>" + drawing("<!DOCTYPEsvg>"),       // a second, unmatched declaration text
    };
    for (const QByteArray &bytes : refused) {
        SCOPED_TRACE(bytes.constData());
        EXPECT_ISSUE(WebImageAsset::sanitizedSVG(bytes), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(WebImageAssetValidate, HoldsDrawingAttributesToLocalReferencesWithoutHandlers)
{
    EXPECT_NO_THROW(WebImageAsset::validate(
        drawing("<defs><rect id=\"r\" width=\"4\" height=\"4\"/></defs><use xlink:href=\"#r\"/><use href=\"#r\"/>")));

    const QList<QByteArray> unsafe = {
        drawing("<image xlink:href=\"file:///etc/passwd\" width=\"4\" height=\"4\"/>"),
        drawing("<image href=\"picture.png\" width=\"4\" height=\"4\"/>"),
        drawing("<image href=\"data:image/png;base64,iVBORw0KGgo=\" width=\"4\" height=\"4\"/>"),
        drawing("<a XLINK:HREF=\"https://example.com/\"><rect width=\"4\" height=\"4\"/></a>"),
        drawing("<g><g><use other:href=\"x.svg#r\" xmlns:other=\"http://www.w3.org/1999/xlink\"/></g></g>"),
        drawing("<rect onclick=\"x()\" width=\"4\" height=\"4\"/>"),
        drawing("<rect ONLOAD=\"x()\" width=\"4\" height=\"4\"/>"),
        "<svg onload=\"x()\"/>",
        // Not well-formed, or an entity the drawing never declares.
        drawing("<rect width=\"4\">"),
        drawing("<text>&undeclared;</text>"),
        QByteArray(svgOpen),
    };
    for (const QByteArray &bytes : unsafe) {
        SCOPED_TRACE(bytes.constData());
        expectRefused(bytes);
    }
}

TEST(WebImageAssetValidate, RefusesStyleSheetInstructions)
{
    // Qt's renderer would read the named file: here one that never ends.
    expectRefused("<?xml version=\"1.0\"?><?xml-stylesheet type=\"text/css\" href=\"/dev/zero\"?>" +
                  drawing("<rect width=\"4\" height=\"4\"/>"));
    expectRefused(drawing("<?XML-STYLESHEET type=\"text/css\" href=\"/etc/hosts\"?><rect width=\"4\" height=\"4\"/>"));
    // Loading and drawing parse the drawing: a small file keeps a lapse here harmless.
    EXPECT_FALSE(WebPicture::load(drawing("<?xml-stylesheet href=\"/etc/hosts\"?>")).has_value());
    EXPECT_ISSUE(WebImageAsset::thumbnail(drawing("<?xml-stylesheet href=\"/etc/hosts\"?>")), DocumentIssue,
                 DocumentIssue::invalidImage);
    // Other instructions mean nothing to the renderer.
    EXPECT_NO_THROW(WebImageAsset::validate(drawing("<?editor layer=\"1\"?><rect width=\"4\" height=\"4\"/>")));
}

TEST(WebImageAssetValidate, ChecksRasterPicturesByHeaderAndFormat)
{
    EXPECT_NO_THROW(WebImageAsset::validate(samples::png(16384, 1)));
    EXPECT_NO_THROW(WebImageAsset::validate(samples::png(1, 16384)));
    EXPECT_NO_THROW(WebImageAsset::validate(samples::jpeg(10, 10)));
    EXPECT_NO_THROW(WebImageAsset::validate(samples::gif()));
    expectRefused(samples::png(16385, 1));
    expectRefused(samples::png(1, 16385));

    const QByteArray small = samples::png(8, 8);
    EXPECT_NO_THROW(WebImageAsset::validate(samples::paddedTo(small, WebImageAsset::maximumBytes)));
    expectRefused(samples::paddedTo(small, WebImageAsset::maximumBytes + 1));

    expectRefused(QByteArray());
    expectRefused(QByteArray("neither a picture nor a drawing"));
    expectRefused(samples::encode(samples::filled(16, 16), "ico"));
    // Drawings in disguise would reach Qt's SVG reader without any of the checks above.
    expectRefused(samples::utf16Svg());
    expectRefused(samples::gzip(samples::svg()));
    expectRefused(samples::gzip(drawing("<image href=\"/etc/hosts\"/>")));
}

TEST(WebImageAssetThumbnail, DrawsDrawingsAtExactlyTheThumbnailSide)
{
    const QImage wide = samples::decoded(WebImageAsset::thumbnail(samples::svg(40, 20)));
    EXPECT_EQ(wide.size(), QSize(2048, 1024));
    EXPECT_EQ(wide.pixelColor(1024, 512), QColor(0, 0, 255));

    // Small and large drawings alike, tall ones too.
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(samples::svg(3, 3))).size(), QSize(2048, 2048));
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(samples::svg(100, 5000))).size(), QSize(41, 2048));

    // Drawn from the cleaned text: the document type declaration is gone before drawing.
    const QByteArray declared = "<!DOCTYPE svg SYSTEM \"http://example.com/svg.dtd\">" + samples::svg(10, 10);
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(declared)).size(), QSize(2048, 2048));
}

TEST(WebImageAssetThumbnail, KeepsTheLibraryImportForRasterPictures)
{
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(samples::png(30, 20))).size(), QSize(30, 20));
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(samples::jpeg(3000, 1500))).size(), QSize(2048, 1024));

    EXPECT_ISSUE(WebImageAsset::thumbnail(samples::utf16Svg()), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(WebImageAsset::thumbnail(drawing("<script/>")), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_ISSUE(WebImageAsset::thumbnail(QByteArray()), DocumentIssue, DocumentIssue::invalidImage);
}

TEST(WebPicture, DrawsDrawingsAsVectorsAndRasterPicturesScaled)
{
    const auto drawn = WebPicture::load(samples::svg(40, 20));
    ASSERT_TRUE(drawn.has_value());
    EXPECT_EQ(drawn->size(), QSizeF(40, 20));

    const auto raster = WebPicture::load(samples::png(300, 100, Qt::green));
    ASSERT_TRUE(raster.has_value());
    EXPECT_EQ(raster->size(), QSizeF(300, 100));

    QImage canvas(60, 20, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        EXPECT_TRUE(drawn->draw(painter, QRectF(0, 0, 30, 20)));
        EXPECT_TRUE(raster->draw(painter, QRectF(30, 0, 30, 10)));
    }
    EXPECT_EQ(canvas.pixelColor(15, 10), QColor(0, 0, 255));
    EXPECT_EQ(canvas.pixelColor(45, 5), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(45, 15), QColor(Qt::white));

    EXPECT_FALSE(WebPicture::load(samples::utf16Svg()).has_value());
    EXPECT_FALSE(WebPicture::load(drawing("<image href=\"x.png\"/>")).has_value());
}

TEST(WebImageAssetThumbnail, KeepsTheAspectRatioOfFractionalDrawings)
{
    const QByteArray thin = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2.5\" height=\"1\">"
                            "<rect width=\"2.5\" height=\"1\" fill=\"blue\"/></svg>";
    EXPECT_EQ(samples::decoded(WebImageAsset::thumbnail(thin)).size(), QSize(2048, 819));
    const auto picture = WebPicture::load(thin);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->size(), QSizeF(2.5, 1));
}

TEST(WebPicture, DecodesForTheResolutionAndShapeOfTheTarget)
{
    // Top half red, bottom half blue: stretched to a square, both halves must survive.
    QImage halves(1000, 10, QImage::Format_RGB32);
    halves.fill(Qt::red);
    {
        QPainter painter(&halves);
        painter.fillRect(0, 5, 1000, 5, Qt::blue);
    }
    const auto stretched = WebPicture::load(samples::encode(halves, "png"));
    ASSERT_TRUE(stretched.has_value());
    QImage canvas(100, 100, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        ASSERT_TRUE(stretched->draw(painter, QRectF(0, 0, 100, 100)));
    }
    EXPECT_EQ(canvas.pixelColor(50, 10), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(50, 90), QColor(Qt::blue));

    // A PDF counts in points: a 72-point picture is embedded for print, not at 72 pixels.
    const auto photo = WebPicture::load(samples::png(1000, 1000, Qt::green));
    ASSERT_TRUE(photo.has_value());
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(100, 100), QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        ASSERT_TRUE(photo->draw(painter, QRectF(0, 0, 72, 72)));
    }
    EXPECT_TRUE(pdf.contains("/Width 300")) << "the picture is embedded at another size";
}
