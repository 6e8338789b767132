// The graphic library lists every stored picture each time the panel opens, makes the
// thumbnails of a full library and draws the built-in signs on first display.

#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "app/library/GraphicLibraryModel.h"
#include "app/library/GraphicLibraryView.h"
#include "bench/BenchMain.h"
#include "bench/BenchMemory.h"
#include "core/graphics/ImageAsset.h"
#include "core/graphics/RasterReader.h"
#include "core/library/GraphicLibrary.h"
#include "core/library/UserGraphicLibrary.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

constexpr int fullLibrary = 512;

QByteArray encodedPng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

QImage noise(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    quint32 state = 99;
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

QImage gradient(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, qRgb(x * 255 / side, y * 255 / side, (x ^ y) & 0xFF));
    return image;
}

// A library folder written directly (an import would list the folder every time): `count`
// copies of `png`, each made unique by bytes after its end so that every hash differs.
QList<UserGraphic> fill(const QString &folder, const QByteArray &png, int count)
{
    QDir().mkpath(folder);
    QList<UserGraphic> graphics;
    for (int i = 0; i < count; ++i) {
        const QByteArray bytes = png + QByteArray::number(i);
        UserGraphic graphic{QUuid::createUuid(), QStringLiteral("picture %1.png").arg(i), double(i),
                            QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())};
        const QString stem = folder + u'/' + graphic.id.toString(QUuid::WithoutBraces).toLower();
        QFile png(stem + ".png");
        png.open(QIODevice::WriteOnly);
        png.write(bytes);
        QFile side(stem + ".json");
        side.open(QIODevice::WriteOnly);
        side.write(graphic.encoded());
        graphics.append(graphic);
    }
    return graphics;
}

template <typename Predicate> void waitFor(Predicate done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// 512 pictures of half a MiB each: the default budget, read and hashed on every listing.
void listFullLibrary(benchmark::State &state)
{
    QTemporaryDir dir;
    QByteArray png = encodedPng(noise(420));
    png += QByteArray(std::max<qsizetype>(0, 524'288 - png.size() - 4), '\0'); // trailing bytes keep it a PNG
    fill(dir.filePath("lib"), png, fullLibrary);
    const UserGraphicLibrary library(dir.filePath("lib"), 268'435'456, fullLibrary);
    library.load(); // warm file cache
    for (auto _ : state) {
        const auto list = library.load();
        if (list.size() != fullLibrary)
            state.SkipWithError("pictures missing from the listing");
    }
    state.counters["MiB"] = double(png.size()) * fullLibrary / 1048576.0;
}
BENCHMARK(listFullLibrary)->Unit(benchmark::kMillisecond)->Iterations(5);

// What the worker does for one thumbnail: the verified read of a stored 2048 × 2048 PNG and
// its decode straight to the thumbnail side.
void thumbnailOfLargestPicture(benchmark::State &state)
{
    QTemporaryDir dir;
    const QList<UserGraphic> graphics = fill(dir.filePath("lib"), encodedPng(gradient(2048)), 1);
    const UserGraphicLibrary library(dir.filePath("lib"), 268'435'456, fullLibrary);
    const int side = GraphicLibraryModel::defaultThumbnailSide;
    for (auto _ : state) {
        const QByteArray png = library.data(graphics.first());
        const auto header = raster::readHeader(png);
        benchmark::DoNotOptimize(raster::decode(png, raster::shrunkToFit(header->size, side)));
    }
}
BENCHMARK(thumbnailOfLargestPicture)->Unit(benchmark::kMillisecond);

// The model's thumbnails of a full library of 2048 × 2048 pictures; memory must stay
// bounded by the thumbnails, not by the pictures.
void thumbnailsOfFullLibrary(benchmark::State &state)
{
    QTemporaryDir dir;
    const QList<UserGraphic> graphics = fill(dir.filePath("lib"), encodedPng(gradient(2048)), fullLibrary);
    const UserGraphicLibrary library(dir.filePath("lib"), 268'435'456, fullLibrary);
    const double before = benchmemory::residentMegabytes();
    double after = 0;
    for (auto _ : state) {
        GraphicLibraryModel model(library);
        for (const UserGraphic &graphic : graphics)
            model.loadImage(graphic);
        waitFor([&] { return model.userImages().size() + model.failedImages().size() == fullLibrary; }, 600'000);
        if (model.userImages().size() != fullLibrary)
            state.SkipWithError("thumbnails missing");
        after = benchmemory::residentMegabytes();
    }
    state.counters["thumbnailsMB"] = after - before;
    state.counters["peakRssMB"] = benchmemory::peakMegabytes();
}
BENCHMARK(thumbnailsOfFullLibrary)->Unit(benchmark::kMillisecond)->Iterations(1);

// A sign drawn for the panel on first display, on the main thread.
void signThumbnail(benchmark::State &state)
{
    const QList<GraphicSign> signs = GraphicLibrary::load();
    qsizetype next = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(signs.at(next++ % signs.size()).picture(GraphicLibraryModel::defaultThumbnailSide));
}
BENCHMARK(signThumbnail)->Unit(benchmark::kMillisecond);

// An editor store and the graphic library panel over a library folder, in English.
struct PanelSetup {
    QTemporaryDir dir;
    QSettings settings{dir.filePath("settings.ini"), QSettings::IniFormat};
    Localization localization{&settings, {QStringLiteral("en-US")}};
    EditorGridPreferences grid{settings};
    EditorStore store{&localization, LabelDocument(QStringLiteral("Doc"), 100, 50, {}), std::nullopt, false, &grid};
    std::unique_ptr<GraphicLibraryView> view;

    explicit PanelSetup(int pictures)
    {
        fill(dir.filePath("lib"), encodedPng(gradient(256)), pictures);
        auto model = std::make_unique<GraphicLibraryModel>(
            UserGraphicLibrary(dir.filePath("lib"), 268'435'456, fullLibrary), 88);
        waitFor([&] { return !model->loadingUploaded(); }, 60'000);
        // Every thumbnail cached, as after scrolling through the whole grid.
        for (const UserGraphic &graphic : model->uploaded())
            model->loadImage(graphic);
        waitFor([&] { return model->userImages().size() == pictures; }, 600'000);
        view = std::make_unique<GraphicLibraryView>(&store, &localization, std::move(model));
        view->show();
        QCoreApplication::processEvents();
    }
};

// One paint of an 820 × 460 uploaded grid of a full library whose thumbnails are cached:
// at most 16 ms, one frame.
void uploadedGridPaint(benchmark::State &state)
{
    PanelSetup setup(fullLibrary);
    auto *grid = setup.view->findChild<QListView *>(QStringLiteral("uploadedGrid"));
    grid->setParent(nullptr);
    grid->resize(820, 460);
    grid->show();
    QCoreApplication::processEvents();
    QImage frame(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        grid->viewport()->render(&frame);
        benchmark::DoNotOptimize(frame.bits());
    }
    state.counters["cells"] = double(grid->model()->rowCount());
    delete grid;
}
BENCHMARK(uploadedGridPaint)->Unit(benchmark::kMillisecond);

// One keystroke in the search field of the sign tab: filtering the built-in signs by their
// titles, the grid's new rows and cell size, and the count; under 1 ms.
void signSearchKeystroke(benchmark::State &state)
{
    PanelSetup setup(0);
    auto *search = setup.view->findChild<QLineEdit *>(QStringLiteral("signSearch"));
    const QStringList queries = {QStringLiteral("a"), QStringLiteral("ar"), QStringLiteral("arr"),
                                 QStringLiteral("ar")};
    qsizetype next = 0;
    for (auto _ : state)
        search->setText(queries.at(next++ % queries.size()));
    state.counters["signs"] = double(setup.view->model().signs().size());
}
BENCHMARK(signSearchKeystroke)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
