// The batch sheet's own costs on a document whose labels carry a text, a Code 128 and a
// QR code bound to a 10,000-row table:
// - one paint of the page preview (700 × 210) of a 10 × 10 sheet, with the view's picture
//   and code cache warm, and the first paint of a new job;
// - BatchDraft::prepare() on the main thread (copying and starting, not the build);
// - the job's PDF with and without the per-sheet progress that printing shows.

#include "app/table/BatchDraft.h"
#include "app/table/BatchPreviewView.h"
#include "bench/BenchMain.h"
#include "core/model/LabelDocument.h"
#include "core/print/LabelPrintJob.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPromise>
#include <QTimeZone>

#include <memory>
#include <vector>

using namespace kestrivane;

namespace {

constexpr int rowCount = 10000;

LabelDocument batchDocument(int columns, int rows, double widthMm, double heightMm)
{
    auto element = [](ElementKind kind, double x, double y, double w, double h, qint64 column) {
        LabelElement e(QUuid::createUuid(), kind, QStringLiteral("x"), x, y, w, h, 8);
        e.tableBinding = TableBinding(column);
        return e;
    };
    LabelElement name = element(ElementKind::text, 1, 1, widthMm - 2, 5, 0);
    LabelElement code = element(ElementKind::barcode, 1, 7, widthMm * 0.6, heightMm - 9, 1);
    code.barcode = BarcodeOptions(BarcodeSymbology::code128, false, 8);
    const double side = std::min(widthMm * 0.3, heightMm - 9);
    LabelElement qr = element(ElementKind::qr, widthMm - side - 1, 7, side, side, 1);
    LabelDocument doc(QStringLiteral("Batch"), widthMm, heightMm, {name, code, qr});
    doc.layout.columns = columns;
    doc.layout.rows = rows;
    doc.layout.leftMarginMm = 5;
    doc.layout.topMarginMm = 5;
    doc.layout.columnGapMm = 2;
    doc.layout.rowGapMm = 2;
    LabelTable table;
    table.sourceName = QStringLiteral("products.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("name"), QStringLiteral("code")};
    table.rows.reserve(rowCount);
    for (int r = 0; r < rowCount; ++r)
        table.rows.append(
            {QStringLiteral("Product %1").arg(r + 1), QStringLiteral("KV%1").arg(100000 + r, 8, 10, QLatin1Char('0'))});
    doc.table = table;
    return doc;
}

const QDateTime date(QDate(2026, 12, 9), QTime(10, 0), QTimeZone::utc());

std::shared_ptr<const LabelPrintJob> previewJob()
{
    static const auto job = std::make_shared<const LabelPrintJob>(batchDocument(10, 10, 40, 25), BatchOptions(), date);
    return job;
}

void paintPreviewWarm(benchmark::State &state)
{
    BatchPreviewView view;
    view.resize(700, 210);
    view.setJob(previewJob(), 3);
    QImage image(700, 210, QImage::Format_ARGB32_Premultiplied);
    view.render(&image); // warms the cache
    for (auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void paintPreviewFirst(benchmark::State &state)
{
    BatchPreviewView view;
    view.resize(700, 210);
    QImage image(700, 210, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        // A job equal in content but new: the view starts a new cache for it.
        auto job = std::make_shared<const LabelPrintJob>(*previewJob());
        state.ResumeTiming();
        view.setJob(job, 3);
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void prepareOnMainThread(benchmark::State &state)
{
    BatchDraft draft(batchDocument(10, 10, 40, 25));
    // The work is held, never run: only the main thread's share is measured.
    std::vector<std::shared_ptr<QPromise<void>>> held;
    draft.setLauncher([&held](std::function<void()>) {
        held.push_back(std::make_shared<QPromise<void>>());
        held.back()->start();
        return held.back()->future();
    });
    for (auto _ : state) {
        draft.prepare();
        if (held.size() >= 1000) {
            state.PauseTiming();
            draft.invalidate();
            for (auto &promise : held)
                promise->finish();
            held.clear();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
    draft.invalidate();
    for (auto &promise : held)
        promise->finish();
    QCoreApplication::processEvents();
}

void pdfProgress(benchmark::State &state, bool withProgress)
{
    const LabelPrintJob job(batchDocument(3, 7, 66, 38.1), BatchOptions(), date);
    qint64 reported = 0;
    for (auto _ : state) {
        const QByteArray pdf = withProgress ? job.pdf([&reported](qint64 done) { reported = done; }) : job.pdf();
        benchmark::DoNotOptimize(pdf.constData());
    }
    benchmark::DoNotOptimize(reported);
    state.counters["labels"] = double(job.entries().size());
}

} // namespace

BENCHMARK(paintPreviewWarm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(paintPreviewFirst)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(prepareOnMainThread)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(pdfProgress, Plain, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK_CAPTURE(pdfProgress, WithProgress, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
