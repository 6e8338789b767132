#include "core/print/LabelPrintJob.h"

#include "core/barcode/ZintEncode.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/common/Units.h"
#include "core/render/LabelRenderer.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimeZone>

#include <atomic>

#ifdef KESTRIVANE_TEST_PDF
#include <QPdfDocument>
#endif

using namespace kestrivane;

namespace {

using Entry = LabelPrintJob::Entry;
constexpr double k = Units::pointsPerMillimetre;

QDateTime moment()
{
    return QDateTime(QDate(2026, 5, 1), QTime(8, 0), QTimeZone::utc());
}

LabelElement element(ElementKind kind, const QString &content, double x, double y, double w, double h)
{
    return LabelElement(QUuid::createUuid(), kind, content, x, y, w, h, 12);
}

LabelTable table(const QList<QList<QString>> &rows, qsizetype columns = 2)
{
    QList<QString> names;
    for (qsizetype c = 0; c < columns; ++c)
        names.append(QStringLiteral("c%1").arg(c));
    return LabelTable{QStringLiteral("t.csv"), QStringLiteral("CSV"), names, rows};
}

LabelTable numberedTable(int rows)
{
    QList<QList<QString>> cells;
    for (int r = 0; r < rows; ++r)
        cells.append({QStringLiteral("row %1").arg(r), QStringLiteral("1")});
    return table(cells);
}

// A document with a text element bound to column 0 and the given table.
LabelDocument boundDocument(const LabelTable &t)
{
    LabelElement text = element(ElementKind::text, QStringLiteral("x"), 2, 2, 30, 8);
    text.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Job"), 40, 20, {text});
    doc.table = t;
    return doc;
}

BatchOptions options(qint64 copies = 1, bool advance = true, const QString &rows = {})
{
    BatchOptions o;
    o.copies = copies;
    o.advanceEveryCopy = advance;
    o.rows = rows;
    return o;
}

QList<Entry> entries(std::initializer_list<std::pair<std::optional<qint64>, qint64>> list)
{
    QList<Entry> result;
    for (const auto &[row, index] : list)
        result.append(Entry{row, index});
    return result;
}

void expectRowIssue(const std::function<void()> &statement, qint64 row, const QString &key)
{
    try {
        statement();
        ADD_FAILURE() << "expected a row issue for row " << row;
    } catch (const PrintRowIssue &issue) {
        EXPECT_EQ(issue.row(), row);
        EXPECT_EQ(issue.key(), key);
    }
}

QImage sheetImage(const LabelPrintJob &job, double ppp)
{
    const QSizeF size = LabelRenderer::sheetSize(job.document());
    QImage image(qFloor(size.width() * ppp), qFloor(size.height() * ppp), QImage::Format_RGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    image.fill(Qt::yellow); // light, so only ink counts as dark
    return image;
}

#ifdef KESTRIVANE_TEST_PDF
struct LoadedPdf {
    QBuffer buffer;
    QPdfDocument document;
    explicit LoadedPdf(const QByteArray &bytes)
    {
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        document.load(&buffer);
    }
};
#endif

} // namespace

// ---------------------------------------------------------------------------------------
// Entries

TEST(LabelPrintJobEntries, CopiesAndCounterIndexes)
{
    const LabelDocument doc = boundDocument(numberedTable(3));
    EXPECT_EQ(LabelPrintJob(doc, options(2, true), moment()).entries(),
              entries({{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}));
    EXPECT_EQ(LabelPrintJob(doc, options(2, false), moment()).entries(),
              entries({{0, 0}, {0, 0}, {1, 1}, {1, 1}, {2, 2}, {2, 2}}));
    // The selection is ascending whatever its order; counters count the selected rows.
    EXPECT_EQ(LabelPrintJob(doc, options(1, true, QStringLiteral("3,1")), moment()).entries(),
              entries({{0, 0}, {2, 1}}));
    EXPECT_EQ(LabelPrintJob(doc, options(1, false, QStringLiteral("3,1")), moment()).entries(),
              entries({{0, 0}, {2, 1}}));

    // Without a table: one absent row.
    LabelDocument plain(QStringLiteral("Plain"), 40, 20,
                        {element(ElementKind::text, QStringLiteral("a"), 2, 2, 30, 8)});
    EXPECT_EQ(LabelPrintJob(plain, options(3, true), moment()).entries(),
              entries({{std::nullopt, 0}, {std::nullopt, 1}, {std::nullopt, 2}}));
    EXPECT_EQ(LabelPrintJob(plain, options(3, false), moment()).entries(),
              entries({{std::nullopt, 0}, {std::nullopt, 0}, {std::nullopt, 0}}));

    // The job keeps the document as given, with its table, and its date.
    const LabelPrintJob job(doc, options(), moment());
    EXPECT_EQ(job.document(), doc);
    EXPECT_EQ(job.date(), moment());
}

TEST(LabelPrintJobEntries, CopiesColumn)
{
    LabelDocument doc = boundDocument(table({{QStringLiteral("a"), QStringLiteral("2")},
                                             {QStringLiteral("b"), QStringLiteral("0")},
                                             {QStringLiteral("c"), QStringLiteral("1")}}));
    BatchOptions o = options(5, true);
    o.copiesColumn = 1;
    EXPECT_EQ(LabelPrintJob(doc, o, moment()).entries(), entries({{0, 0}, {0, 1}, {2, 2}}));
    o.advanceEveryCopy = false;
    // A skipped row still takes its place in the selection.
    EXPECT_EQ(LabelPrintJob(doc, o, moment()).entries(), entries({{0, 0}, {0, 0}, {2, 2}}));

    doc.table->rows[0][1] = QStringLiteral(" \t7\n");
    EXPECT_EQ(LabelPrintJob(doc, o, moment()).entries().size(), 8);
    for (const QString &bad : {QStringLiteral("7.0"), QStringLiteral("-1"), QStringLiteral("10001"), QString(),
                               QStringLiteral("+3"), QStringLiteral("٣"), QStringLiteral("99999999999999999999")}) {
        doc.table->rows[2][1] = bad;
        expectRowIssue([&] { LabelPrintJob(doc, o, moment()); }, 3, QStringLiteral("mac.data_error_copies"));
    }

    // A copies column outside the table, or without a table.
    o.copiesColumn = 2;
    EXPECT_ISSUE(LabelPrintJob(doc, o, moment()), TableIssue, TableIssue::copies);
    o.copiesColumn = -1;
    EXPECT_ISSUE(LabelPrintJob(doc, o, moment()), TableIssue, TableIssue::copies);
    LabelDocument plain(QStringLiteral("Plain"), 40, 20,
                        {element(ElementKind::text, QStringLiteral("a"), 2, 2, 30, 8)});
    o.copiesColumn = 0;
    EXPECT_ISSUE(LabelPrintJob(plain, o, moment()), TableIssue, TableIssue::copies);

    // Every row with no copies: nothing to print.
    o.copiesColumn = 1;
    for (auto &row : doc.table->rows)
        row[1] = QStringLiteral("0");
    EXPECT_ISSUE(LabelPrintJob(doc, o, moment()), TableIssue, TableIssue::empty);
}

TEST(LabelPrintJobEntries, LimitsAndOptionErrors)
{
    const LabelDocument doc = boundDocument(numberedTable(3));
    expectRowIssue([&] { LabelPrintJob(doc, options(10000, true, QStringLiteral("1-2")), moment()); }, 2,
                   QStringLiteral("mac.data_error_large"));
    EXPECT_EQ(LabelPrintJob(doc, options(10000, true, QStringLiteral("2")), moment()).entries().size(), 10000);
    EXPECT_ISSUE(LabelPrintJob(doc, options(0), moment()), TableIssue, TableIssue::copies);
    EXPECT_ISSUE(LabelPrintJob(doc, options(10001), moment()), TableIssue, TableIssue::copies);
    EXPECT_ISSUE(LabelPrintJob(doc, options(1, true, QStringLiteral("4")), moment()), TableIssue, TableIssue::range);
    EXPECT_ISSUE(LabelPrintJob(doc, options(1, true, QStringLiteral("1,,2")), moment()), TableIssue, TableIssue::range);

    // A row text the document could not be saved with gives no job.
    const QString longest = QStringLiteral("1,").repeated(4999) + QStringLiteral("2");
    EXPECT_EQ(LabelPrintJob(doc, options(1, true, longest + QStringLiteral(" ")), moment()).entries().size(), 2);
    EXPECT_ISSUE(LabelPrintJob(doc, options(1, true, longest + QStringLiteral("  ")), moment()), TableIssue,
                 TableIssue::copies);

    // The document itself is validated first.
    LabelDocument invalid = doc;
    invalid.widthMm = 5;
    EXPECT_ISSUE(LabelPrintJob(invalid, options(), moment()), DocumentIssue, DocumentIssue::invalidGeometry);
}

TEST(LabelPrintJobEntries, RowFailuresNameTheFirstFailingRow)
{
    // 100 rows: bound EAN-13 contents, some of them broken, and a copies column. The rows are
    // checked side by side, but the error is always that of the first row in print order.
    QList<QList<QString>> cells;
    for (int r = 0; r < 100; ++r)
        cells.append({QStringLiteral("4601234567893"), QStringLiteral("1")});
    LabelElement ean = element(ElementKind::barcode, QStringLiteral("4601234567893"), 2, 2, 30, 15);
    ean.barcode = BarcodeOptions(BarcodeSymbology::ean13, false);
    ean.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Retail"), 40, 20, {ean});
    doc.table = table(cells);
    BatchOptions o = options();
    o.copiesColumn = 1;
    EXPECT_EQ(LabelPrintJob(doc, o, moment()).entries().size(), 100);

    doc.table->rows[89][1] = QStringLiteral("x");
    doc.table->rows[69][0] = QStringLiteral("4601234567890"); // wrong check digit
    doc.table->rows[95][0] = QStringLiteral("nonsense");
    expectRowIssue([&] { LabelPrintJob(doc, o, moment()); }, 70, QStringLiteral("mac.error_barcode"));
    doc.table->rows[69][0] = QStringLiteral("4601234567893");
    expectRowIssue([&] { LabelPrintJob(doc, o, moment()); }, 90, QStringLiteral("mac.data_error_copies"));
    // A row that is skipped by the selection or has no copies is never checked.
    doc.table->rows[89][1] = QStringLiteral("0");
    doc.table->rows[95][1] = QStringLiteral("0");
    EXPECT_EQ(LabelPrintJob(doc, o, moment()).entries().size(), 98);

    // A bound cell that makes a resolved document invalid is that row's error.
    LabelElement qr = element(ElementKind::qr, QStringLiteral("x"), 2, 2, 15, 15);
    qr.tableBinding = TableBinding(0);
    LabelDocument codes(QStringLiteral("Codes"), 40, 20, {qr});
    codes.table = table({{QStringLiteral("fine"), QStringLiteral("1")}, {QString(600, u'x'), QStringLiteral("1")}});
    expectRowIssue([&] { LabelPrintJob(codes, options(), moment()); }, 2, QStringLiteral("mac.error_content"));
}

TEST(LabelPrintJobEntries, CounterValuesAreCheckedForEveryLabel)
{
    LabelElement counter = element(ElementKind::counter, QString(), 2, 2, 30, 8);
    counter.counter.start = 0;
    counter.counter.step = -1;
    LabelDocument doc(QStringLiteral("Count"), 40, 20, {counter});
    expectRowIssue([&] { LabelPrintJob(doc, options(2), moment()); }, 1, QStringLiteral("mac.error_content"));
    EXPECT_EQ(LabelPrintJob(doc, options(2, false), moment()).entries().size(), 2);
    // Web elements may count below zero.
    doc.elements[0].webAppearance = WebAppearance();
    EXPECT_EQ(LabelPrintJob(doc, options(2), moment()).entries(), entries({{std::nullopt, 0}, {std::nullopt, 1}}));

    // With a table, the row that reaches the overflow is named.
    LabelDocument tabled = boundDocument(numberedTable(5));
    LabelElement big = element(ElementKind::counter, QString(), 2, 12, 30, 6);
    big.counter.start = std::numeric_limits<qint64>::max() - 2;
    big.counter.digits = 18;
    tabled.elements.append(big);
    expectRowIssue([&] { LabelPrintJob(tabled, options(), moment()); }, 4, QStringLiteral("mac.error_content"));
}

// ---------------------------------------------------------------------------------------
// Pages

TEST(LabelPrintJobPages, SlotsPagesAndLabels)
{
    LabelDocument doc = boundDocument(numberedTable(7));
    doc.layout.columns = 2;
    doc.layout.rows = 3;
    const LabelPrintJob job(doc, options(), moment());
    EXPECT_EQ(job.slots(), 6);
    EXPECT_EQ(job.pages(), 2);
    EXPECT_EQ(job.label(6).elements.first().content, QStringLiteral("row 6"));
    EXPECT_FALSE(job.label(6).table.has_value());
    EXPECT_FALSE(job.label(6).elements.first().tableBinding.has_value());
    EXPECT_ISSUE(job.label(7), TableIssue, TableIssue::range);
    EXPECT_ISSUE(job.label(-1), TableIssue, TableIssue::range);

    // Page 1 holds one label in its first slot; the rest of the sheet is white paper.
    const double ppp = 2;
    QImage page = sheetImage(job, ppp);
    {
        QPainter painter(&page);
        painter.scale(ppp, ppp);
        job.draw(1, painter);
    }
    const QList<QRectF> slots = LabelRenderer::labelRects(doc);
    auto inked = [&](const QRectF &slot) {
        const QRect r = QRectF(slot.topLeft() * ppp, slot.size() * ppp).toAlignedRect() & page.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(slots[0]));
    for (int i = 1; i < 6; ++i)
        EXPECT_FALSE(inked(slots[i])) << i;
    EXPECT_EQ(page.pixelColor(page.width() - 1, page.height() - 1), QColor(Qt::white));

    QPainter painter(&page);
    EXPECT_ISSUE(job.draw(2, painter), TableIssue, TableIssue::range);
    EXPECT_ISSUE(job.draw(-1, painter), TableIssue, TableIssue::range);
}

TEST(LabelPrintJobPages, SlotsShowTheirOwnRowAndCounter)
{
    // Label i of a page equals that label drawn alone with the entry's counter index.
    LabelDocument doc = boundDocument(numberedTable(4));
    LabelElement counter = element(ElementKind::counter, QString(), 2, 11, 30, 7);
    doc.elements.append(counter);
    doc.widthMm = 25.4; // 72 points: slots start on whole pixels
    doc.heightMm = 25.4;
    doc.elements[0].widthMm = 22;
    doc.layout.columns = 2;
    doc.layout.rows = 2;
    const LabelPrintJob job(doc, options(1, true, QStringLiteral("2-4")), moment());
    ASSERT_EQ(job.entries().size(), 3);
    const double ppp = 2;
    QImage page = sheetImage(job, ppp);
    {
        QPainter painter(&page);
        painter.scale(ppp, ppp);
        job.draw(0, painter);
    }
    for (int i = 0; i < 3; ++i) {
        QImage alone(144, 144, QImage::Format_RGB32);
        alone.setDotsPerMeterX(2835);
        alone.setDotsPerMeterY(2835);
        alone.fill(Qt::white);
        QPainter painter(&alone);
        painter.scale(ppp, ppp);
        LabelRenderer::draw(job.label(i), painter, RenderValidation::check, job.date(), job.entries()[i].counterIndex);
        painter.end();
        EXPECT_EQ(page.copy((i % 2) * 144, (i / 2) * 144, 144, 144), alone) << i;
    }
}

#ifdef KESTRIVANE_TEST_PDF
TEST(LabelPrintJobPdf, OnePageOfTheSheetSizePerSheet)
{
    LabelDocument doc = boundDocument(numberedTable(7));
    doc.layout.columns = 2;
    doc.layout.rows = 3;
    doc.layout.leftMarginMm = 1.3;
    doc.layout.topMarginMm = 2.7;
    doc.layout.columnGapMm = 0.9;
    const LabelPrintJob job(doc, options(2), moment());
    const QByteArray bytes = job.pdf();
    LoadedPdf pdf(bytes);
    ASSERT_EQ(pdf.document.status(), QPdfDocument::Status::Ready);
    ASSERT_EQ(pdf.document.pageCount(), 3); // 14 labels on sheets of 6
    const QSizeF expected = LabelRenderer::sheetSize(doc);
    for (int p = 0; p < 3; ++p) {
        EXPECT_NEAR(pdf.document.pagePointSize(p).width(), expected.width(), 0.001);
        EXPECT_NEAR(pdf.document.pagePointSize(p).height(), expected.height(), 0.001);
    }
    // The last page holds two labels, the rest is paper.
    const QImage last = pdf.document.render(2, (expected * 2).toSize());
    const QList<QRectF> slots = LabelRenderer::labelRects(doc);
    auto inked = [&](const QRectF &slot) {
        const QRect r = QRectF(slot.topLeft() * 2, slot.size() * 2).toAlignedRect() & last.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(last.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(slots[0]));
    EXPECT_TRUE(inked(slots[1]));
    EXPECT_FALSE(inked(slots[2]));
    // The document carries no title or author of ours.
    EXPECT_FALSE(bytes.contains("/Title (Job"));

    // Progress counts the finished sheets, and the PDF is the same.
    QList<qint64> reported;
    EXPECT_EQ(job.pdf([&](qint64 done) { reported.append(done); }).size(), bytes.size());
    EXPECT_EQ(reported, (QList<qint64>{1, 2, 3}));
}

namespace {

std::atomic<int> encodeCalls{0};

void countEncode()
{
    ++encodeCalls;
}

} // namespace

// Each code of a job is encoded once per bound row: a barcode by the row's check while the
// job is built, a QR code when first drawn; the row's copies, the PDF and the printer's
// pages all draw those.
TEST(LabelPrintJobPdf, EachCodeIsEncodedOncePerRow)
{
    LabelElement code = element(ElementKind::barcode, QStringLiteral("x"), 2, 2, 30, 10);
    code.barcode = BarcodeOptions(BarcodeSymbology::code128, true, 8);
    code.tableBinding = TableBinding(0);
    LabelElement qr = element(ElementKind::qr, QStringLiteral("x"), 34, 2, 12, 12);
    qr.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Codes"), 50, 20, {code, qr});
    doc.layout.rows = 2;
    doc.table =
        table({{QStringLiteral("K1")}, {QStringLiteral("K2")}, {QStringLiteral("K3")}, {QStringLiteral("K4")}}, 1);

    const ZintEncode::Observer previous = ZintEncode::setObserver(countEncode);
    encodeCalls = 0;
    const LabelPrintJob job(doc, options(3), moment());
    EXPECT_EQ(encodeCalls, 4); // each row's check encodes its barcode
    // A copy, even one taken before the first drawing, shares what the job encodes.
    const LabelPrintJob copy = job;
    EXPECT_EQ(copy, job);
    const QByteArray pdf = job.pdf();
    EXPECT_EQ(encodeCalls, 8); // and the first drawing each QR code
    QImage image = sheetImage(job, 1);
    QPainter painter(&image);
    for (qint64 page = 0; page < job.pages(); ++page)
        copy.draw(page, painter);
    painter.end();
    EXPECT_EQ(encodeCalls, 8);
    ZintEncode::setObserver(previous);
#ifdef KESTRIVANE_TEST_PDF
    LoadedPdf loaded(pdf);
    EXPECT_EQ(loaded.document.pageCount(), 6);
#endif
}

TEST(LabelPrintJobPdf, APictureIsEmbeddedOnceForTheWholeJob)
{
    // A picture of noise does not compress: each embedded copy would cost its full size.
    QImage noise(256, 256, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xff000000);
    const QByteArray png = testsupport::pngBytes(noise);

    LabelDocument doc = boundDocument(numberedTable(40));
    doc.heightMm = 50;
    doc.widthMm = 60;
    LabelElement logo = element(ElementKind::image, QStringLiteral("logo"), 12, 4, 45, 45);
    logo.imageData = png;
    doc.elements.append(logo);
    doc.layout.columns = 2;
    const QByteArray one = LabelPrintJob(doc, options(1, true, QStringLiteral("1")), moment()).pdf();
    const QByteArray many = LabelPrintJob(doc, options(1, true), moment()).pdf(); // 20 pages, 40 labels
    ASSERT_GT(one.size(), 50'000);
    EXPECT_LT(many.size() - one.size(), one.size() / 2) << "one page " << one.size() << ", twenty " << many.size();
    std::cout << "one page " << one.size() << ", twenty " << many.size() << std::endl;
    LoadedPdf pdf(many);
    EXPECT_EQ(pdf.document.pageCount(), 20);
}

TEST(LabelPrintJobPdf, AnImageBackgroundIsEmbeddedOnceForTheWholeJob)
{
    // Noise does not compress: each embedded copy of the background costs its full size.
    QImage noise(256, 256, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xff000000);
    const QByteArray png = testsupport::pngBytes(noise);

    LabelDocument doc = boundDocument(numberedTable(40));
    doc.widthMm = 60;
    doc.heightMm = 50;
    doc.layout.columns = 2;
    doc.webBackground = WebBackground{*CatalogJSON::parse(R"({"type":"image","image":{"fit":"cover"}})"), png};
    const QByteArray one = LabelPrintJob(doc, options(1, true, QStringLiteral("1")), moment()).pdf();
    const QByteArray many = LabelPrintJob(doc, options(1, true), moment()).pdf(); // 20 pages, 40 labels
    ASSERT_GT(one.size(), 50'000);
    EXPECT_LT(many.size() - one.size(), one.size() / 2) << "one page " << one.size() << ", twenty " << many.size();
    LoadedPdf pdf(many);
    ASSERT_EQ(pdf.document.pageCount(), 20);
    // The background is there on the last page too, under the text.
    const QImage last = pdf.document.render(19, (pdf.document.pagePointSize(19) * 2).toSize());
    const QColor middle = last.pixelColor(int(30 * k * 2), int(25 * k * 2));
    EXPECT_FALSE(middle == QColor(Qt::white)) << middle.name().toStdString();

    // A sheet of the same labels, drawn as one page, also carries the background once.
    LabelDocument sheet = doc;
    sheet.table.reset();
    sheet.elements.clear();
    const QByteArray onePerSheet = LabelRenderer::pdf(sheet);
    sheet.layout.rows = 4;
    const QByteArray eightPerSheet = LabelRenderer::pdf(sheet);
    EXPECT_LT(eightPerSheet.size() - onePerSheet.size(), onePerSheet.size() / 2)
        << "two labels " << onePerSheet.size() << ", eight " << eightPerSheet.size();
}

TEST(LabelPrintJobPdf, PicturesCheckedOnceForTheJobAreStillCheckedWhenDrawn)
{
    // Labels skip the picture checks the whole document passed when the job was built, and
    // those read a picture's header only: a picture that passes them but cannot be decoded
    // must still stop the drawing of a sheet and of the PDF.
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QByteArray png = testsupport::pngBytes(image);
    LabelDocument doc = boundDocument(numberedTable(3));
    doc.elements.append(element(ElementKind::image, QStringLiteral("logo"), 2, 11, 16, 8));
    doc.elements.last().imageData = png;
    const LabelPrintJob job(doc, options(), moment());
    QImage sheet = sheetImage(job, 1);
    {
        QPainter painter(&sheet);
        job.draw(0, painter);
    }

    doc.elements.last().imageData = testsupport::undecodablePicture();
    const LabelPrintJob undecodable(doc, options(), moment());
    {
        QPainter painter(&sheet);
        EXPECT_ISSUE(undecodable.draw(0, painter), DocumentIssue, DocumentIssue::invalidImage);
    }
    EXPECT_ISSUE(undecodable.pdf(), DocumentIssue, DocumentIssue::invalidImage);

    // A picture the checks refuse never gets as far as a job.
    for (const QByteArray &broken : {QByteArray("not a picture"), png.left(8)}) {
        doc.elements.last().imageData = broken;
        EXPECT_ISSUE(LabelPrintJob(doc, options(), moment()), DocumentIssue, DocumentIssue::invalidImage);
    }
}

TEST(LabelPrintJobPdf, DrawingErrorsAbandonThePdf)
{
    LabelDocument doc(QStringLiteral("Broken"), 40, 20,
                      {element(ElementKind::image, QStringLiteral("p"), 2, 2, 10, 10)});
    doc.elements[0].imageData = testsupport::undecodablePicture();
    const LabelPrintJob job(doc, options(), moment());
    EXPECT_ISSUE(job.pdf(), DocumentIssue, DocumentIssue::invalidImage);
}

namespace {

// The payloads zbarimg reads from page `page` of a PDF, sorted.
QStringList readPage(const QString &zbar, const QByteArray &bytes, int page, const QString &name)
{
    LoadedPdf pdf(bytes);
    const QImage rendered = pdf.document.render(page, (pdf.document.pagePointSize(page) * 4).toSize());
    QImage flat(rendered.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, rendered);
    const QString path = testsupport::outputPath(name);
    EXPECT_TRUE(flat.save(path));
    QProcess process;
    process.start(zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    EXPECT_TRUE(process.waitForFinished(60000));
    QStringList read = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    read.sort();
    return read;
}

} // namespace

TEST(LabelPrintJobPdf, LargeJobsKeepEveryLabelInItsSlot)
{
    // More labels than are prepared at a time: labels on both sides of a preparation
    // boundary and on the last page must show their own rows.
    const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbar.isEmpty())
        GTEST_SKIP() << "zbarimg (Debian package zbar-tools) is not installed; PDF pages are not read back";
    QList<QList<QString>> cells;
    for (int r = 0; r < 1030; ++r)
        cells.append({QStringLiteral("ROW-%1").arg(r, 4, 10, QLatin1Char('0'))});
    LabelElement bar = element(ElementKind::barcode, QStringLiteral("x"), 3, 3, 50, 18);
    bar.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Many"), 60, 25, {bar});
    doc.table = table(cells, 1);
    doc.layout.rows = 3;
    doc.layout.rowGapMm = 4;
    const LabelPrintJob job(doc, options(), moment());
    const QByteArray bytes = job.pdf();
    LoadedPdf pdf(bytes);
    ASSERT_EQ(pdf.document.pageCount(), 344);
    for (int page : {0, 169, 170, 171, 343}) {
        QStringList expected;
        for (int i = page * 3; i < std::min(page * 3 + 3, 1030); ++i)
            expected.append(QStringLiteral("ROW-%1").arg(i, 4, 10, QLatin1Char('0')));
        EXPECT_EQ(readPage(zbar, bytes, page, QStringLiteral("print-job-many-%1.png").arg(page)), expected) << page;
    }
}

TEST(LabelPrintJobPdf, BarcodesOnPdfPagesReadBack)
{
    const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbar.isEmpty())
        GTEST_SKIP() << "zbarimg (Debian package zbar-tools) is not installed; PDF pages are not read back";
    LabelElement bar = element(ElementKind::barcode, QStringLiteral("x"), 3, 3, 50, 18);
    bar.barcode.showsText = true;
    bar.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Codes"), 60, 25, {bar});
    doc.table = table({{QStringLiteral("ALPHA-1")}, {QStringLiteral("BRAVO-22")}, {QStringLiteral("CHARLIE-333")}}, 1);
    doc.layout.rows = 3;
    doc.layout.rowGapMm = 4;
    const QByteArray bytes = LabelPrintJob(doc, options(), moment()).pdf();
    const QString pdfPath = testsupport::outputPath(QStringLiteral("print-job-codes.pdf"));
    QFile file(pdfPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    LoadedPdf pdf(bytes);
    ASSERT_EQ(pdf.document.pageCount(), 1);
    const QImage page = pdf.document.render(0, (pdf.document.pagePointSize(0) * 4).toSize());
    QImage flat(page.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, page);
    const QString path = testsupport::outputPath(QStringLiteral("print-job-codes.png"));
    ASSERT_TRUE(flat.save(path));
    QProcess process;
    process.start(zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    ASSERT_TRUE(process.waitForFinished(60000));
    QStringList read = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    read.sort();
    EXPECT_EQ(read,
              (QStringList{QStringLiteral("ALPHA-1"), QStringLiteral("BRAVO-22"), QStringLiteral("CHARLIE-333")}));
}
#endif
