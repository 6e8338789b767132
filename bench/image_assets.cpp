// The picture checks run on every document validation and every draw of an image element,
// so they must read headers only; imports must not decode large photographs at full size.

#include "bench/BenchMain.h"
#include "core/graphics/ImageAsset.h"
#include "core/web/WebImageAsset.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

using namespace kestrivane;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage noisy(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | (state >> 28);
        }
    }
    return image;
}

// Header only: the cost must not grow with the picture's pixel count.
void validateStoredPng(benchmark::State &state)
{
    const QByteArray png = encoded(QImage(4096, 4096, QImage::Format_RGB32), "png");
    for (auto _ : state)
        ImageAsset::validate(png);
}
BENCHMARK(validateStoredPng);

void validateWebPng(benchmark::State &state)
{
    QImage image(16384, 1024, QImage::Format_Grayscale8);
    image.fill(0);
    const QByteArray png = encoded(image, "png");
    for (auto _ : state)
        WebImageAsset::validate(png);
}
BENCHMARK(validateWebPng);

void validateWebDrawing(benchmark::State &state)
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">";
    while (svg.size() < 1'000'000)
        svg += "<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\" fill=\"#123456\"/>";
    svg += "</svg>";
    for (auto _ : state)
        WebImageAsset::validate(svg);
    state.SetBytesProcessed(state.iterations() * svg.size());
}
BENCHMARK(validateWebDrawing)->Unit(benchmark::kMillisecond);

// A 6000 × 4000 photograph: the decoder scales while reading instead of decoding the 96 MB
// full-size bitmap first.
void importPhotograph(benchmark::State &state)
{
    const QByteArray jpeg = encoded(noisy(6000, 4000), "jpeg");
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageAsset::importRaster(jpeg));
    state.counters["inputMB"] = jpeg.size() / 1e6;
}
BENCHMARK(importPhotograph)->Unit(benchmark::kMillisecond)->Iterations(3);

void thumbnailDrawing(benchmark::State &state)
{
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
                           "<circle cx=\"10\" cy=\"10\" r=\"8\" fill=\"#0a0\"/></svg>";
    for (auto _ : state)
        benchmark::DoNotOptimize(WebImageAsset::thumbnail(svg));
}
BENCHMARK(thumbnailDrawing)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
