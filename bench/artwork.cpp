// The icon set: reading and decoding the sixteen vector icons (done once, at the first
// icon shown) and drawing every icon and symbol at toolbar size, as one window repaint
// full of icons does.

#include "bench/BenchMain.h"

#include "core/artwork/ArtworkSet.h"
#include "core/l10n/CoreResources.h"

#include <QGuiApplication>
#include <QPainter>

using namespace kestrivane;

namespace {

void BM_LoadVectorTable(benchmark::State &state)
{
    const QString folder = CoreResources::path(QStringLiteral("Artwork"));
    for (auto _ : state) {
        ArtworkTable table = artwork::loadTable(folder, artwork::vectorIconNames());
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_LoadVectorTable)->Unit(benchmark::kMillisecond);

void BM_DrawEveryIconAt20(benchmark::State &state)
{
    QList<ArtworkImage> images;
    for (const QString &name : artwork::vectorIconNames())
        images.append(ArtworkImage::named(name));
    for (const QString &name : artwork::symbolNames())
        images.append(ArtworkImage::symbol(name));
    const int side = 20;
    QImage canvas(side * int(images.size()), side, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        for (int i = 0; i < images.size(); ++i)
            images[i].draw(painter, QRectF(i * side, 0, side, side), Qt::black);
        painter.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetItemsProcessed(state.iterations() * images.size());
}
BENCHMARK(BM_DrawEveryIconAt20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
