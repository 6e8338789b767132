// The catalog's readers against Qt's bare JSON parse of the same bytes.
//
//   build/bench/bench_catalog_json
//
// designDecode reports the peak memory of decoding, input included, as a multiple of the
// input (peakOverInput).

#include "bench/BenchMain.h"
#include "bench/BenchMemory.h"

#include "core/catalog/CatalogModel.h"
#include "core/catalog/TemplateCatalogService.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <malloc.h>

#include <QFile>

using namespace kestrivane;

namespace {

QJsonObject item(int i)
{
    return QJsonObject{{"id", QStringLiteral("template-%1").arg(i)},
                       {"name", QStringLiteral("Shipping label %1").arg(i)},
                       {"description", "A 100 × 150 mm label with an address block and a Code 128"},
                       {"categoryId", "shipping"},
                       {"categoryName", "Shipping"},
                       {"widthMm", 100},
                       {"heightMm", 150},
                       {"updatedAt", "2024-05-01T10:00:00Z"},
                       {"downloadUrl", QStringLiteral("designs/template-%1.json").arg(i)},
                       {"previewUrl", QStringLiteral("previews/template-%1.json").arg(i)}};
}

QByteArray pageText(int page)
{
    QJsonArray items;
    for (int i = 0; i < 50; ++i)
        items.append(item(page * 50 + i));
    return QJsonDocument(QJsonObject{{"schemaVersion", 1},
                                     {"items", items},
                                     {"page", page},
                                     {"size", 50},
                                     {"total", 100000},
                                     {"totalPages", 2000}})
        .toJson(QJsonDocument::Compact);
}

// A design of about 12 MiB: 500 elements with long texts and metadata, written as text
// so that building it needs no more memory than the text itself.
QByteArray bigDesign()
{
    QByteArray bytes = R"({"schemaVersion":1,"format":"kestrivane-web","id":"big","name":"Big",)"
                       R"("template":{"widthMm":100,"heightMm":50},"elements":[)";
    const QByteArray text(24000, 'x');
    for (int i = 0; i < 500; ++i) {
        if (i > 0)
            bytes += ',';
        bytes += R"({"type":"text","x":)" + QByteArray::number(1.25 * i) + R"(,"y":0.1,"text":")" + text +
                 R"(","style":{"fontSize":12,"bold":true}})";
    }
    bytes += "]}";
    return bytes;
}

// Resident memory now ("VmRSS") or its high-water mark ("VmHWM"), in bytes.
double memoryBytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble() * 1024;
    }
    return 0;
}

void pageDecodeAndValidate(benchmark::State &state)
{
    const QByteArray bytes = pageText(3);
    for (auto _ : state) {
        const CatalogPage page = CatalogPage::decode(bytes);
        page.validate(3);
        benchmark::DoNotOptimize(page.items.size());
    }
}
BENCHMARK(pageDecodeAndValidate)->Unit(benchmark::kMicrosecond);

void pageBareParse(benchmark::State &state)
{
    const QByteArray bytes = pageText(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes).isObject());
}
BENCHMARK(pageBareParse)->Unit(benchmark::kMicrosecond);

void designDecode(benchmark::State &state)
{
    const QByteArray bytes = bigDesign();
    // Peak memory of the process while decoding, counted from before the input existed;
    // freed pages go back first, or decoding would reuse them unseen.
    malloc_trim(0);
    const double base = memoryBytes("VmRSS") - double(bytes.size());
    benchmemory::resetPeak();
    for (auto _ : state) {
        const CatalogDesign design = CatalogDesign::decode(bytes);
        design.validate(QStringLiteral("big"));
        benchmark::DoNotOptimize(design.elements.size());
    }
    state.counters["inputMB"] = double(bytes.size()) / 1e6;
    state.counters["peakOverInput"] = (memoryBytes("VmHWM") - base) / double(bytes.size());
}
BENCHMARK(designDecode)->Unit(benchmark::kMillisecond);

void designBareParse(benchmark::State &state)
{
    const QByteArray bytes = bigDesign();
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes).isObject());
}
BENCHMARK(designBareParse)->Unit(benchmark::kMillisecond);

void snapshotAppend(benchmark::State &state)
{
    QList<CatalogPage> pages;
    for (int p = 0; p < 2000; ++p) {
        CatalogPage page;
        page.page = p;
        page.size = 50;
        page.totalPages = 2000;
        for (int i = 0; i < 50; ++i)
            page.items.append(CatalogItem::fromJson(item(p * 50 + i)));
        pages.append(page);
    }
    for (auto _ : state) {
        CatalogSnapshot snapshot;
        for (const CatalogPage &page : pages)
            snapshot.append(page);
        benchmark::DoNotOptimize(snapshot.items().size());
    }
}
BENCHMARK(snapshotAppend)->Unit(benchmark::kMillisecond);

void dataImageBase64(benchmark::State &state)
{
    const QByteArray image(8 * 1024 * 1024, '\x5a');
    const QString reference = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(image.toBase64());
    for (auto _ : state)
        benchmark::DoNotOptimize(TemplateCatalogService::decodeDataReference(reference).size());
}
BENCHMARK(dataImageBase64)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
