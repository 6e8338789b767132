// The template cache on disk: a write into a full folder (list, sort and eviction
// included), a read of a large converted template with its checks, and a long listing.

#include "bench/BenchMain.h"
#include "core/catalog/TemplateCache.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

using namespace kestrivane;

const QUrl base("https://catalog.test/api/v1/desktop/templates");

// A template whose encoded form is about `bytes` long: the sample document with copies of
// its elements, each with an id of its own.
CachedTemplate templateOfSize(const QString &id, qint64 bytes)
{
    LabelDocument document = LabelDocument::example();
    const QList<LabelElement> sample = document.elements;
    while (CachedTemplate(id, QString("r1"), document, {}).encoded().size() < bytes) {
        for (LabelElement element : sample) {
            element.id = QUuid::createUuid();
            document.elements.append(element);
        }
    }
    return CachedTemplate(id, QString("r1"), document, {});
}

// A template of about 5 MiB: a picture of noise, which PNG cannot shrink.
CachedTemplate largeTemplate(const QString &id)
{
    QImage noise(1024, 1300, QImage::Format_RGB32);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random->generate());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    noise.save(&buffer, "PNG");
    LabelDocument document = LabelDocument::example();
    LabelElement picture = document.elements.first();
    picture.id = QUuid::createUuid();
    picture.kind = ElementKind::image;
    picture.content.clear();
    picture.imageData = png;
    document.elements.append(picture);
    return CachedTemplate(id, QString("r1"), document, {});
}

void BM_SaveTemplateIntoFullFolder(benchmark::State &state)
{
    QTemporaryDir root;
    const CachedTemplate entry = templateOfSize("x", 65536);
    const qint64 size = entry.encoded().size();
    const TemplateCache cache(root.path(), base, size * 2000);
    for (int i = 0; i < 2000; ++i) {
        CachedTemplate filler = entry;
        filler.id = QString("fill-%1").arg(i);
        cache.saveTemplate(filler).waitForFinished();
    }
    int next = 0;
    for (auto _ : state) {
        CachedTemplate written = entry;
        written.id = QString("new-%1").arg(next++);
        cache.saveTemplate(written).waitForFinished();
    }
    state.counters["entryKiB"] = double(size) / 1024;
}
BENCHMARK(BM_SaveTemplateIntoFullFolder)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_ReadLargeTemplate(benchmark::State &state)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base);
    const CachedTemplate entry = largeTemplate("big");
    cache.saveTemplate(entry).waitForFinished();
    for (auto _ : state) {
        if (!cache.template_("big").result())
            state.SkipWithError("the template did not read back");
    }
    state.counters["entryMiB"] = double(entry.encoded().size()) / 1048576;
}
BENCHMARK(BM_ReadLargeTemplate)->Unit(benchmark::kMillisecond);

void BM_ReadSnapshotOf5000(benchmark::State &state)
{
    QTemporaryDir root;
    const TemplateCache cache(root.path(), base);
    QList<CatalogItem> items;
    for (int i = 0; i < 5000; ++i) {
        CatalogItem item;
        item.id = QString("tpl-%1").arg(i);
        item.name = QString("Template number %1").arg(i);
        item.categoryName = QString("Shipping");
        item.widthMm = 50.8;
        item.heightMm = 25.4;
        item.updatedAt = QString("2026-11-02T09:15:00Z");
        item.downloadUrl = base.toString() + "/" + item.id + "/design";
        item.previewUrl = base.toString() + "/" + item.id + "/preview";
        items.append(item);
    }
    cache.saveSnapshot(CatalogSnapshot(items, {}, {}, 100, 100, QDateTime::currentDateTimeUtc()), std::nullopt)
        .waitForFinished();
    for (auto _ : state) {
        if (!cache.snapshot(std::nullopt).result())
            state.SkipWithError("the snapshot did not read back");
    }
}
BENCHMARK(BM_ReadSnapshotOf5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
