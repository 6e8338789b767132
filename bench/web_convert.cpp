// The web-template converter with pictures served from memory.
//
//   build/bench/bench_web_convert
//
// convert500 converts 500 texts, Code 128 barcodes and rectangles, the final encoded()
// check included; encoded500 is that check alone on the converted document, the floor the
// conversion sits on. allKinds converts the all-kinds test design (three raster pictures
// and one SVG sign); svgSign is the sign's rasterisation alone, its share of allKinds.
// sharedPicture converts 20 pictures with one "src" and reports the loader calls.

#include "bench/BenchMain.h"

#include "core/library/GraphicLibrary.h"
#include "core/web/WebImageAsset.h"
#include "core/webimport/WebTemplateImporter.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace kestrivane;

namespace {

QString dataFolder()
{
    return QStringLiteral(KESTRIVANE_SOURCE_DIR "/tests/data/webimport");
}

QByteArray data(const QString &name)
{
    QFile file(dataFolder() + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray design(const QJsonArray &elements)
{
    return QJsonDocument(QJsonObject{{"schemaVersion", 1},
                                     {"format", "kestrivane-web"},
                                     {"id", "bench"},
                                     {"name", "Bench"},
                                     {"template", QJsonObject{{"widthMm", 100}, {"heightMm", 150}}},
                                     {"elements", elements}})
        .toJson(QJsonDocument::Compact);
}

CatalogDesign fiveHundred()
{
    QJsonArray elements;
    for (int i = 0; i < 500; ++i) {
        const double y = (i % 50) * 2.8;
        const double x = (i / 50) * 9.5;
        QJsonObject e{{"x", x}, {"y", y}, {"w", 9}, {"h", 2.5}};
        switch (i % 3) {
        case 0:
            e.insert("type", "text");
            e.insert("text", QStringLiteral("Item %1").arg(i));
            e.insert("font", "'Roboto', sans-serif");
            break;
        case 1:
            e.insert("type", "barcode");
            e.insert("format", "CODE128");
            e.insert("value", QStringLiteral("BC-%1").arg(i, 6, 10, QLatin1Char('0')));
            break;
        default:
            e.insert("type", "rect");
            e.insert("strokeWidth", 1);
            e.insert("fill", "#e0e0e0");
        }
        elements.append(e);
    }
    return CatalogDesign::decode(design(elements));
}

const WebImageLoader &memoryLoader()
{
    static const QHash<QString, QByteArray> pictures = {
        {"/static/img/shared.png", data("shared.png")},
        {"https://photos.test/static/img/photo.png", data("photo.png")},
    };
    static const WebImageLoader loader = [](const QString &src, const CancelToken &) {
        if (src.startsWith(QLatin1String("data:")))
            return data("logo.png");
        const auto found = pictures.constFind(src);
        if (found == pictures.constEnd())
            throwCatalog(CatalogIssue::Kind::notFound);
        return *found;
    };
    return loader;
}

WebSignLookup fixtureSigns()
{
    return [](const QString &reference) { return GraphicLibrary::bundledWebSign(reference, dataFolder() + "/signs"); };
}

void convert500(benchmark::State &state)
{
    const CatalogDesign d = fiveHundred();
    for (auto _ : state)
        benchmark::DoNotOptimize(WebTemplateImporter::convert(d, memoryLoader(), {}, fixtureSigns()));
}
BENCHMARK(convert500)->Unit(benchmark::kMillisecond);

void encoded500(benchmark::State &state)
{
    const LabelDocument document =
        WebTemplateImporter::convert(fiveHundred(), memoryLoader(), {}, fixtureSigns()).document;
    for (auto _ : state)
        benchmark::DoNotOptimize(document.encoded());
}
BENCHMARK(encoded500)->Unit(benchmark::kMillisecond);

void allKinds(benchmark::State &state)
{
    const CatalogDesign d = CatalogDesign::decode(data("all-kinds.json"));
    for (auto _ : state)
        benchmark::DoNotOptimize(WebTemplateImporter::convert(d, memoryLoader(), {}, fixtureSigns()));
}
BENCHMARK(allKinds)->Unit(benchmark::kMillisecond);

void svgSign(benchmark::State &state)
{
    const QByteArray sign = data("signs/caution.svg");
    for (auto _ : state)
        benchmark::DoNotOptimize(WebImageAsset::thumbnail(sign));
}
BENCHMARK(svgSign)->Unit(benchmark::kMillisecond);

void sharedPicture(benchmark::State &state)
{
    QJsonArray elements;
    for (int i = 0; i < 20; ++i)
        elements.append(QJsonObject{
            {"type", "graphic"}, {"x", i * 4}, {"y", 1}, {"w", 4}, {"h", 4}, {"src", "/static/img/shared.png"}});
    const CatalogDesign d = CatalogDesign::decode(design(elements));
    int calls = 0;
    const WebImageLoader counting = [&](const QString &src, const CancelToken &token) {
        ++calls;
        return memoryLoader()(src, token);
    };
    qint64 conversions = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WebTemplateImporter::convert(d, counting, {}, fixtureSigns()));
        ++conversions;
    }
    state.counters["loaderCallsPerConversion"] = double(calls) / double(conversions);
}
BENCHMARK(sharedPicture)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
