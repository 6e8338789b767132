#pragma once

// Reading raster pictures with Qt's image reader, restricted to real raster formats.
//
// Qt's reader also decodes SVG and SVGZ (even UTF-16 SVG that no text check sees), and a
// drawing can load local files through its image elements. Every path that reads picture
// bytes as a raster picture therefore goes through these functions, which accept only an
// allow-list of raster formats and decide the format from the content, never from a name.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace kestrivane::raster {

// png, jpeg, gif, bmp, tiff and webp, as Qt's reader names them.
bool isAllowedFormat(const QByteArray &format);

struct Header {
    QByteArray format; // one of the allowed formats
    QSize size;        // stored pixel size, before any orientation tag is applied
    bool turned;       // the orientation tag turns the picture by a quarter: sides swap

    QSize uprightSize() const { return turned ? size.transposed() : size; }
};

// The format and the pixel size from the header alone; the pixels are not decoded.
// Empty for bytes that are not a picture of an allowed format or whose size is unknown.
std::optional<Header> readHeader(const QByteArray &data);

// The pixel size after shrinking `size` so that its longer side is at most `maximumSide`,
// keeping the aspect ratio (rounded, at least 1 pixel). Never enlarges.
QSize shrunkToFit(QSize size, int maximumSide);

// Decodes the first picture of the bytes with the file's orientation applied, scaled while
// decoding to `scaledSize` (in the stored orientation) when it is valid, so that memory is
// bounded by the target rather than by the picture. A null image when the bytes are not an
// allowed raster picture or do not decode.
QImage decode(const QByteArray &data, QSize scaledSize = QSize());

} // namespace kestrivane::raster
