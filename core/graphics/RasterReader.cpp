#include "core/graphics/RasterReader.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace kestrivane::raster {

namespace {

// Opens a reader on the buffer that decides the format from the bytes alone.
void prepare(QBuffer &buffer, QImageReader &reader)
{
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setDecideFormatFromContent(true);
}

} // namespace

bool isAllowedFormat(const QByteArray &format)
{
    static const QByteArray allowed[] = {"png", "jpeg", "gif", "bmp", "tiff", "webp"};
    return std::find(std::begin(allowed), std::end(allowed), format) != std::end(allowed);
}

std::optional<Header> readHeader(const QByteArray &data)
{
    if (data.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader;
    prepare(buffer, reader);
    const QByteArray format = reader.format();
    if (!isAllowedFormat(format))
        return std::nullopt;
    const QSize size = reader.size();
    if (!size.isValid())
        return std::nullopt;
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    return Header{format, size, turned};
}

QSize shrunkToFit(QSize size, int maximumSide)
{
    const int longer = std::max(size.width(), size.height());
    if (longer <= maximumSide || longer <= 0)
        return size;
    const double scale = double(maximumSide) / longer;
    const int width = std::max(1, int(std::lround(size.width() * scale)));
    const int height = std::max(1, int(std::lround(size.height() * scale)));
    return QSize(std::min(width, maximumSide), std::min(height, maximumSide));
}

QImage decode(const QByteArray &data, QSize scaledSize)
{
    if (data.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader;
    prepare(buffer, reader);
    if (!isAllowedFormat(reader.format()))
        return QImage();
    reader.setAutoTransform(true);
    if (scaledSize.isValid() && !scaledSize.isEmpty())
        reader.setScaledSize(scaledSize);
    return reader.read();
}

} // namespace kestrivane::raster
