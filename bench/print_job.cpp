// A batch of 10,000 labels on 3 × 7 sheets, expanded into a print job and written as one
// PDF: a text and a Code 128 bound to two columns of a 10,000-row table, and variants with
// a QR code and with a PNG logo. Reports labels per second, the PDF's size, the process's
// peak memory (getrusage) and its resident memory once the jobs are done. Run one variant
// per process for its own figures, e.g. --benchmark_filter=PrintJob/TextAndCode128.

#include "bench/BenchMain.h"
#include "bench/BenchMemory.h"
#include "core/model/LabelDocument.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/WebFonts.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTimeZone>

using namespace kestrivane;

namespace {

using namespace benchmemory;

constexpr int rowCount = 10000;

LabelElement element(ElementKind kind, const QString &content, double x, double y, double w, double h, double size)
{
    return LabelElement(QUuid::createUuid(), kind, content, x, y, w, h, size);
}

QByteArray logoPng()
{
    // A 400 × 200 picture with some structure, as a company logo would have.
    QImage image(400, 200, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20, 80, 160));
    painter.drawEllipse(QRectF(10, 10, 180, 180));
    painter.setBrush(QColor(230, 120, 20));
    painter.drawRoundedRect(QRectF(200, 40, 190, 120), 20, 20);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// withEmoji: the text job with one colour emoji in each label's text, four distinct ones in
// turn; the PDF may grow by the four pictures and no more.
enum class Variant { textAndCode128, withQR, withLogo, withEmoji };

LabelDocument batchDocument(Variant variant)
{
    LabelElement name = element(ElementKind::text, QStringLiteral("name"), 2, 2, 60, 8, 11);
    name.tableBinding = TableBinding(0);
    LabelElement code = element(ElementKind::barcode, QStringLiteral("code"), 2, 11, 50, 22, 12);
    code.barcode = BarcodeOptions(BarcodeSymbology::code128, true, 8);
    code.tableBinding = TableBinding(1);
    QList<LabelElement> elements{name, code};
    if (variant == Variant::withQR) {
        LabelElement qr = element(ElementKind::qr, QStringLiteral("qr"), 53, 11, 12, 12, 12);
        qr.widthMm = 12;
        qr.heightMm = 12;
        qr.tableBinding = TableBinding(1);
        elements.append(qr);
    } else if (variant == Variant::withLogo) {
        LabelElement logo = element(ElementKind::image, QStringLiteral("logo"), 53, 11, 12, 10, 14);
        logo.imageData = logoPng();
        elements.append(logo);
    }
    // 70 × 38.1 mm labels: three across and seven down an A4-like sheet.
    LabelDocument doc(QStringLiteral("Batch"), 66, 38.1, elements);
    doc.layout.columns = 3;
    doc.layout.rows = 7;
    doc.layout.leftMarginMm = 6;
    doc.layout.topMarginMm = 15;
    doc.layout.columnGapMm = 2.5;

    LabelTable table;
    table.sourceName = QStringLiteral("products.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("name"), QStringLiteral("code")};
    table.rows.reserve(rowCount);
    const QStringList emoji{QStringLiteral("🎉"), QStringLiteral("👍🏽"), QStringLiteral("🇩🇪"), QStringLiteral("🎁")};
    for (int r = 0; r < rowCount; ++r) {
        QString name = QStringLiteral("Product %1, lot %2").arg(r + 1).arg(r % 97);
        if (variant == Variant::withEmoji)
            name += u' ' + emoji[r % emoji.size()];
        table.rows.append({name, QStringLiteral("KV%1").arg(100000 + r, 8, 10, QLatin1Char('0'))});
    }
    doc.table = table;
    return doc;
}

void printJob(benchmark::State &state, Variant variant)
{
    const LabelDocument doc = batchDocument(variant);
    const QDateTime date(QDate(2026, 12, 9), QTime(10, 0), QTimeZone::utc());
    qint64 bytes = 0;
    qint64 labels = 0;
    for (auto _ : state) {
        const LabelPrintJob job(doc, BatchOptions(), date);
        const QByteArray pdf = job.pdf();
        bytes = pdf.size();
        labels += job.entries().size();
        benchmark::DoNotOptimize(pdf.constData());
    }
    state.counters["labels_per_s"] = benchmark::Counter(double(labels), benchmark::Counter::kIsRate);
    state.counters["pdf_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["rss_MB"] = residentMegabytes();
}

void buildJobOnly(benchmark::State &state, Variant variant)
{
    const LabelDocument doc = batchDocument(variant);
    const QDateTime date(QDate(2026, 12, 9), QTime(10, 0), QTimeZone::utc());
    for (auto _ : state) {
        const LabelPrintJob job(doc, BatchOptions(), date);
        benchmark::DoNotOptimize(job.entries().size());
    }
}

} // namespace

BENCHMARK_CAPTURE(printJob, TextAndCode128, Variant::textAndCode128)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(printJob, WithQR, Variant::withQR)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(printJob, WithLogo, Variant::withLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(printJob, WithEmoji, Variant::withEmoji)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(buildJobOnly, TextAndCode128, Variant::textAndCode128)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(buildJobOnly, WithLogo, Variant::withLogo)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
