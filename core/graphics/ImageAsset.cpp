#include "core/graphics/ImageAsset.h"

#include "core/common/DocumentIssue.h"
#include "core/graphics/RasterReader.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <functional>

namespace kestrivane {

namespace {

[[noreturn]] void refuse()
{
    throwIssue(DocumentIssue::invalidImage);
}

QByteArray encodePng(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return QByteArray();
    return png;
}

QByteArray checkedPng(const QImage &image)
{
    const QByteArray png = encodePng(image);
    if (png.isEmpty())
        refuse();
    ImageAsset::validate(png);
    return png;
}

// The shared body of both rasterize overloads: `size` is the picture's own size, `draw`
// paints the whole picture into the given pixel rectangle.
QByteArray rasterizeSized(QSizeF size, int maximumSide, const std::function<void(QPainter &, const QRectF &)> &draw)
{
    if (!(size.width() > 0) || !(size.height() > 0) || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        refuse();
    // A side outside 1...4096 can never give a stored picture; refusing it before
    // allocating also keeps an absurd side from making a huge bitmap.
    if (maximumSide < 1 || maximumSide > ImageAsset::maximumPixelSide)
        refuse();
    const double scale = maximumSide / std::max(size.width(), size.height());
    const int width = std::max(1L, std::lround(size.width() * scale));
    const int height = std::max(1L, std::lround(size.height() * scale));

    QImage bitmap(width, height, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        refuse();
    bitmap.fill(Qt::transparent);
    {
        QPainter painter;
        if (!painter.begin(&bitmap))
            refuse();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // Source-over onto a cleared bitmap equals a copy of the picture, and unlike the
        // source mode it also composes the overlapping shapes of a drawing correctly.
        draw(painter, QRectF(0, 0, width, height));
        painter.end();
    }
    return checkedPng(bitmap);
}

} // namespace

void ImageAsset::validate(const QByteArray &data)
{
    if (data.size() > maximumBytes)
        refuse();
    const auto header = raster::readHeader(data);
    if (!header || header->format != "png")
        refuse();
    const QSize size = header->size;
    if (size.width() < 1 || size.width() > maximumPixelSide || size.height() < 1 || size.height() > maximumPixelSide)
        refuse();
}

QByteArray ImageAsset::importRaster(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > maximumImportBytes)
        refuse();
    const auto header = raster::readHeader(data);
    if (!header || header->size.isEmpty())
        refuse();
    // Scaling while decoding keeps a large photograph from being decoded at full size
    // first; the reader's own allocation limit bounds the formats that cannot.
    // A detailed photograph at 2048 pixels can make a PNG over the stored limit; such a
    // picture is decoded again smaller, a fifth less each time, rather than refused.
    int side = std::min(importMaximumSide, std::max(header->size.width(), header->size.height()));
    for (;;) {
        const QImage image = raster::decode(data, raster::shrunkToFit(header->size, side));
        if (image.isNull())
            refuse();
        const QByteArray png = encodePng(image);
        if (png.isEmpty())
            refuse();
        if (png.size() <= maximumBytes || side <= importMinimumRetrySide) {
            validate(png);
            return png;
        }
        side = std::max(importMinimumRetrySide, static_cast<int>(side * 0.8));
    }
}

QByteArray ImageAsset::rasterize(const QImage &image, int maximumSide)
{
    if (image.isNull())
        refuse();
    return rasterizeSized(QSizeF(image.size()), maximumSide, [&image](QPainter &painter, const QRectF &target) {
        painter.drawImage(target, image, QRectF(image.rect()));
    });
}

QByteArray ImageAsset::rasterize(QSvgRenderer &drawing, int maximumSide)
{
    if (!drawing.isValid())
        refuse();
    return rasterizeSized(drawingSize(drawing), maximumSide,
                          [&drawing](QPainter &painter, const QRectF &target) { drawing.render(&painter, target); });
}

QSizeF drawingSize(const QSvgRenderer &drawing)
{
    // Qt keeps a drawing's width and height only as whole pixels (truncated, or rounded
    // when they come from the view box), so 2.5 × 1 would be drawn as 2 × 1. The view box
    // holds the exact numbers when Qt made it from the width and height, or when the size
    // came from it; then the whole-pixel size is one of its truncation or rounding. Other
    // view boxes are the drawing's own coordinates and say nothing about its size.
    const QSize whole = drawing.defaultSize();
    const QSizeF box = drawing.viewBoxF().size();
    auto matches = [](double exact, int truncated) {
        return std::isfinite(exact) && (std::floor(exact) == truncated || std::lround(exact) == truncated);
    };
    QSizeF size(whole);
    if (whole.isEmpty() || (matches(box.width(), whole.width()) && matches(box.height(), whole.height())))
        size = box;
    if (!(size.width() > 0) || !(size.height() > 0) || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        return QSizeF();
    return size;
}

} // namespace kestrivane
