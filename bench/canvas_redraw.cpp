// Redrawing the label canvas: a label of 200 elements at zoom 1 should repaint well within
// one frame (16 ms).
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "bench/BenchDocuments.h"
#include "bench/BenchMain.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrivane;

namespace {

struct Fixture {
    Fixture()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), grid(settings),
          store(&localization, benchdocs::crowdedLabel(), std::nullopt, false, &grid)
    {
        store.setZoom(1);
        canvas.resize(800, 600);
        canvas.setStore(&store);
    }

    QTemporaryDir dir;
    QSettings settings;
    Localization localization;
    EditorGridPreferences grid;
    EditorStore store;
    LabelCanvas canvas;
};

enum class Change { none, document };

// `Change::document` moves one element before every paint, as a drag does, so the label is
// drawn afresh each time; `Change::none` repaints an unchanged label, as scrolling does.
void redraw(benchmark::State &state, Change change, bool overlays, double dpr)
{
    Fixture fixture;
    if (overlays) {
        fixture.store.setShowsGrid(true);
        fixture.store.selectAll();
    }
    QImage image(QSize(int(800 * dpr), int(600 * dpr)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    LabelDocument document = fixture.store.document();
    int step = 0;
    for (auto _ : state) {
        if (change == Change::document) {
            document.elements[0].xMm = 1 + (++step % 2) * 0.5;
            fixture.store.setDocument(document);
        }
        QPainter painter(&image);
        fixture.canvas.paint(painter, QRectF(0, 0, 800, 600));
        painter.end();
        benchmark::ClobberMemory();
    }
}

// The canvas moved under the viewport by whole pixels between paints, as scrolling does:
// the label itself is unchanged.
void repaintWhileScrolling(benchmark::State &state)
{
    Fixture fixture;
    fixture.store.setShowsGrid(true);
    QImage image(QSize(900, 700), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        ++step;
        QPainter painter(&image);
        painter.translate(step % 97, step % 89);
        fixture.canvas.paint(painter, QRectF(0, 0, 800, 600));
        painter.end();
        benchmark::ClobberMemory();
    }
}

void redrawAfterEachEdit(benchmark::State &state)
{
    redraw(state, Change::document, false, 1);
}
void redrawAfterEachEditWithGridAndEverythingSelected(benchmark::State &state)
{
    redraw(state, Change::document, true, 1);
}
void redrawAfterEachEditAtDoubleResolution(benchmark::State &state)
{
    redraw(state, Change::document, false, 2);
}
void repaintUnchangedLabel(benchmark::State &state)
{
    redraw(state, Change::none, true, 1);
}
void repaintUnchangedLabelAtDoubleResolution(benchmark::State &state)
{
    redraw(state, Change::none, true, 2);
}

BENCHMARK(redrawAfterEachEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawAfterEachEditWithGridAndEverythingSelected)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawAfterEachEditAtDoubleResolution)->Unit(benchmark::kMillisecond);
BENCHMARK(repaintUnchangedLabel)->Unit(benchmark::kMillisecond);
BENCHMARK(repaintUnchangedLabelAtDoubleResolution)->Unit(benchmark::kMillisecond);
BENCHMARK(repaintWhileScrolling)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
