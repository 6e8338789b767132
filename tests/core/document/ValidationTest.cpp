#include "tests/core/model/ModelSamples.h"

#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;
using namespace modelsamples;

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

LabelDocument with(const LabelElement &e)
{
    return document({e});
}

#define EXPECT_DOC(doc, issue) EXPECT_ISSUE((doc).validate(), DocumentIssue, DocumentIssue::issue)
#define EXPECT_TABLE(doc, issue) EXPECT_ISSUE((doc).validate(), TableIssue, TableIssue::issue)
} // namespace

TEST(Validation, ChecksRunInTheirFixedOrder)
{
    LabelDocument d = document();
    d.schemaVersion = 4;
    d.name = QStringLiteral("   ");
    EXPECT_DOC(d, unsupportedVersion);

    // An invalid table is reported before a blank name.
    d.schemaVersion = 5;
    d.table = table();
    d.table->rows[0].removeLast();
    EXPECT_TABLE(d, large);

    // Batch options come before the web source, which comes before the name.
    d.table.reset();
    d.batch.copies = 0;
    d.webSourceJSON = QByteArray(12582913, 'x');
    EXPECT_TABLE(d, copies);
    d.batch.copies = 1;
    EXPECT_DOC(d, tooLarge);
    d.webSourceJSON = QByteArray(12582912, 'x');
    d.webBackground = WebBackground{*CatalogJSON::parse(R"({"type": "plaid"})"), std::nullopt};
    EXPECT_DOC(d, invalidContent);
    d.webBackground->definition = *CatalogJSON::parse(R"({"type": "color", "color": "#fff"})");
    EXPECT_DOC(d, invalidDocument);

    // Label size before layout, layout before elements.
    d.name = QStringLiteral("n");
    d.widthMm = 9.99;
    d.layout.columns = 0;
    d.elements = {element(ElementKind::text, QString())};
    EXPECT_DOC(d, invalidGeometry);
    d.widthMm = 60;
    EXPECT_DOC(d, invalidGeometry);
    d.layout.columns = 1;
    EXPECT_DOC(d, invalidContent);

    // Within an element: the binding before geometry, geometry before content.
    LabelElement e = element(ElementKind::line, QString(5000, u'x'));
    e.strokeMm = 0.04;
    e.tableBinding = TableBinding(0);
    EXPECT_TABLE(with(e), binding);
    e.tableBinding.reset();
    EXPECT_DOC(with(e), invalidGeometry);
    e.strokeMm = 0.3;
    EXPECT_DOC(with(e), invalidContent);
}

TEST(Validation, DocumentIdentityAndLimits)
{
    LabelDocument d = document();
    EXPECT_NO_THROW(d.validate());
    d.batch.rows = QString(10000, u'1');
    EXPECT_NO_THROW(d.validate());
    d.batch.rows += u'1';
    EXPECT_TABLE(d, copies);
    d.batch = BatchOptions();
    d.batch.copies = 10001;
    EXPECT_TABLE(d, copies);
    d.batch.copies = 10000;

    d.name = QString(256, u'n');
    EXPECT_NO_THROW(d.validate());
    d.name += u'n';
    EXPECT_DOC(d, invalidDocument);
    // Counted in whole characters by the default rules: 256 Myanmar syllables of three
    // (768 units) are within the limit, 257 Tamil syllables of two letters each are not.
    d.name = QStringLiteral(u"ङ}👨").repeated(80);
    EXPECT_NO_THROW(d.validate());
    d.name = QStringLiteral(u"ကျွန်ုပ်").repeated(85) + QStringLiteral(u"ကို");
    EXPECT_NO_THROW(d.validate());
    d.name = QStringLiteral(u"ஸ்ரீ").repeated(128) + QStringLiteral(u"ஸ");
    EXPECT_DOC(d, invalidDocument);
    d.name = QStringLiteral("\n");
    EXPECT_DOC(d, invalidDocument);
    d.name = QStringLiteral("n");

    for (int i = 0; i < 500; ++i)
        d.elements.append(element(ElementKind::line));
    EXPECT_NO_THROW(d.validate());
    d.elements.append(element(ElementKind::line));
    EXPECT_DOC(d, invalidDocument);

    LabelDocument twice = document({element(ElementKind::line), element(ElementKind::line)});
    twice.elements[1].id = twice.elements[0].id;
    EXPECT_DOC(twice, invalidDocument);
}

TEST(Validation, LabelAndSheetGeometry)
{
    LabelDocument d = document();
    d.widthMm = 10;
    d.heightMm = 500;
    EXPECT_NO_THROW(d.validate());
    d.heightMm = 500.01;
    EXPECT_DOC(d, invalidGeometry);
    d.heightMm = NaN;
    EXPECT_DOC(d, invalidGeometry);

    d = document();
    d.widthMm = d.heightMm = 10;
    d.layout.columns = 20;
    d.layout.rows = 5;
    EXPECT_NO_THROW(d.validate());
    d.layout.rows = 6;
    EXPECT_DOC(d, invalidGeometry);

    d = document();
    d.widthMm = 90;
    d.layout.columns = 20;
    d.layout.leftMarginMm = 100;
    d.layout.columnGapMm = 5;
    EXPECT_NO_THROW(d.validate());
    d.layout.columnGapMm = 6;
    EXPECT_DOC(d, invalidGeometry);

    d = document();
    d.widthMm = 40;
    d.heightMm = 30;
    d.layout.cornerRadiusMm = 15;
    EXPECT_NO_THROW(d.validate());
    d.layout.cornerRadiusMm = 15.01;
    EXPECT_DOC(d, invalidGeometry);
    d.layout.cornerRadiusMm = -0.0;
    EXPECT_NO_THROW(d.validate());
    d.layout.rowGapMm = -0.001;
    EXPECT_DOC(d, invalidGeometry);
    d.layout.rowGapMm = NaN;
    EXPECT_DOC(d, invalidGeometry);
}

TEST(Validation, ElementGeometryDependsOnWebOrigin)
{
    LabelElement e = element(ElementKind::text, QStringLiteral("x"), 5, 5, 0.5, 5, 12);
    EXPECT_DOC(with(e), invalidGeometry);
    e.webAppearance = WebAppearance();
    EXPECT_NO_THROW(with(e).validate());

    e = element(ElementKind::text, QStringLiteral("x"), 5, 5, 20, 5, 5);
    EXPECT_DOC(with(e), invalidGeometry);
    e.webAppearance = WebAppearance();
    EXPECT_NO_THROW(with(e).validate());

    for (ElementKind kind : {ElementKind::text, ElementKind::line, ElementKind::ellipse}) {
        LabelElement big = element(kind, QStringLiteral("x"), 5, 5, 20, 20, 144);
        EXPECT_NO_THROW(with(big).validate());
        big.fontSizePt = 144.5;
        EXPECT_DOC(with(big), invalidGeometry);
    }

    LabelElement image = element(ElementKind::image);
    image.imageData = pngBytes();
    image.strokeMm = 0.04;
    EXPECT_DOC(with(image), invalidGeometry);
    image.strokeMm = 10;
    EXPECT_NO_THROW(with(image).validate());

    LabelElement turned = element(ElementKind::line);
    turned.rotationDegrees = -360;
    EXPECT_NO_THROW(with(turned).validate());
    turned.rotationDegrees = 360.5;
    EXPECT_DOC(with(turned), invalidGeometry);
    turned.rotationDegrees = 0;
    turned.xMm = NaN;
    EXPECT_DOC(with(turned), invalidGeometry);

    LabelElement far = element(ElementKind::line, QStringLiteral("x"), 1990, 0, 20, 5);
    EXPECT_DOC(with(far), invalidGeometry);
    far.xMm = 1980;
    EXPECT_NO_THROW(with(far).validate());
}

TEST(Validation, TextAndQrContent)
{
    LabelElement text = element(ElementKind::text, QString());
    EXPECT_DOC(with(text), invalidContent);
    text.content = QStringLiteral(" ");
    EXPECT_NO_THROW(with(text).validate());
    text.content.clear();
    text.webAppearance = WebAppearance();
    EXPECT_NO_THROW(with(text).validate());
    text.webAppearance.reset();
    text.tableBinding = TableBinding(0);
    LabelDocument bound = with(text);
    bound.table = table();
    EXPECT_NO_THROW(bound.validate());

    text = element(ElementKind::text, QString(4097, u'x'));
    EXPECT_DOC(with(text), invalidContent);
    text.content = QStringLiteral("x");
    text.textStyle.fontName = QString(257, u'f');
    EXPECT_DOC(with(text), invalidContent);

    LabelElement qr = element(ElementKind::qr, QString(512, u'a'));
    EXPECT_NO_THROW(with(qr).validate());
    qr.content = QString(600, u'a');
    EXPECT_DOC(with(qr), invalidContent);
    qr.content = QString(200, QChar(0x20AC)); // 600 bytes of UTF-8
    EXPECT_DOC(with(qr), invalidContent);
    qr.content = QStringLiteral("a");
    qr.heightMm = 20.0005;
    EXPECT_NO_THROW(with(qr).validate());
    qr.heightMm = 20.001;
    EXPECT_DOC(with(qr), invalidContent);
    qr.widthMm = qr.heightMm = 9.99;
    EXPECT_DOC(with(qr), invalidContent);

    LabelElement boundQr = element(ElementKind::qr, QString());
    boundQr.tableBinding = TableBinding(1);
    LabelDocument d = with(boundQr);
    d.table = table();
    EXPECT_NO_THROW(d.validate());
}

TEST(Validation, Barcodes)
{
    LabelElement matrix = element(ElementKind::barcode, QStringLiteral("HELLO"), 5, 5, 20, 20.001);
    matrix.barcode.symbology = BarcodeSymbology::dataMatrix;
    EXPECT_DOC(with(matrix), invalidGeometry);
    matrix.heightMm = 20;
    EXPECT_NO_THROW(with(matrix).validate());

    LabelElement bar = element(ElementKind::barcode, QStringLiteral("ABC"), 5, 5, 40, 15);
    bar.barcode.symbology = BarcodeSymbology::ean13;
    EXPECT_DOC(with(bar), invalidBarcode);
    bar.tableBinding = TableBinding(0);
    LabelDocument d = with(bar);
    d.table = table();
    EXPECT_NO_THROW(d.validate());

    bar.tableBinding.reset();
    bar.content = QStringLiteral("4601234567893");
    EXPECT_NO_THROW(with(bar).validate());
    bar.barcode.captionFontSizePt = 2.9;
    EXPECT_DOC(with(bar), invalidGeometry);
    bar.barcode.captionFontSizePt = NaN;
    EXPECT_DOC(with(bar), invalidGeometry);

    // A GS1 caption needs the GS1 Data Matrix symbology and room under the bars.
    LabelElement gs1 = element(ElementKind::barcode, QStringLiteral("(01)04601234567893(21)ABC"), 5, 5, 20, 20);
    gs1.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
    gs1.webAppearance = WebAppearance();
    gs1.webAppearance->gs1Identification = true;
    EXPECT_NO_THROW(with(gs1).validate());
    gs1.barcode.symbology = BarcodeSymbology::dataMatrix;
    EXPECT_DOC(with(gs1), invalidBarcode);
    gs1.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
    gs1.heightMm = 8;
    gs1.widthMm = 50;
    EXPECT_DOC(with(gs1), invalidGeometry);
}

TEST(Validation, ImagesDatesAndCounters)
{
    LabelElement image = element(ElementKind::image);
    EXPECT_DOC(with(image), invalidImage);
    image.imageData = QByteArray("not a picture");
    EXPECT_DOC(with(image), invalidImage);
    image.imageData = pngBytes();
    EXPECT_NO_THROW(with(image).validate());
    image.originalImageData = QByteArray("<svg onload='x()'/>");
    EXPECT_DOC(with(image), invalidImage);

    LabelElement date = element(ElementKind::dateTime);
    EXPECT_NO_THROW(with(date).validate());
    for (const char *zone : {"", "localtime", "../etc/passwd", "Nowhere/Special"}) {
        date.dateOptions.timeZoneID = QString::fromLatin1(zone);
        EXPECT_DOC(with(date), invalidContent);
    }
    date.dateOptions.timeZoneID = QStringLiteral("Europe/Moscow");
    date.dateOptions.offsetDays = 36500;
    EXPECT_NO_THROW(with(date).validate());
    date.dateOptions.offsetDays = -36501;
    EXPECT_DOC(with(date), invalidContent);
    date.dateOptions.offsetDays = 0;
    date.webAppearance = WebAppearance();
    date.webAppearance->date = WebDateStyle{QStringLiteral("calendar"), QString(), QStringLiteral("2026-02-30"), 0};
    EXPECT_DOC(with(date), invalidContent);

    LabelElement counter = element(ElementKind::counter);
    counter.counter.start = -1;
    EXPECT_DOC(with(counter), invalidContent);
    counter.webAppearance = WebAppearance();
    EXPECT_NO_THROW(with(counter).validate());
    counter.counter.prefix = QString(129, u'p');
    EXPECT_DOC(with(counter), invalidContent);
}

TEST(Validation, TableBindings)
{
    LabelElement text = element(ElementKind::text);
    text.tableBinding = TableBinding(3);
    LabelDocument d = with(text);
    EXPECT_TABLE(d, binding); // no table
    d.table = table(3, 2);
    EXPECT_TABLE(d, binding); // column 3 of 3
    d.elements[0].tableBinding = TableBinding(-1);
    EXPECT_TABLE(d, binding);
    d.elements[0].tableBinding = TableBinding(2, QString(128, u'p'), QString(128, u's'));
    EXPECT_NO_THROW(d.validate());
    d.elements[0].tableBinding->suffix += u's';
    EXPECT_TABLE(d, binding);

    LabelDocument line = with(element(ElementKind::line));
    line.elements[0].tableBinding = TableBinding(0);
    line.table = table();
    EXPECT_TABLE(line, binding);
}
