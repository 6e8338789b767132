#pragma once

// Picture bytes made on the fly for the picture tests: raster files of every format the
// reader knows, and SVG drawings in the disguises a text check would miss.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QString>

#include <cstdint>

namespace samples {

inline QByteArray encode(const QImage &image, const char *format,
                         QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (transformation != QImageIOHandler::TransformationNone)
        writer.setTransformation(transformation);
    writer.write(image);
    return bytes;
}

inline QImage filled(int width, int height, QColor colour = Qt::red)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

inline QByteArray png(int width, int height, QColor colour = Qt::red)
{
    return encode(filled(width, height, colour), "png");
}

inline QByteArray jpeg(int width, int height)
{
    return encode(filled(width, height).convertToFormat(QImage::Format_RGB32), "jpeg");
}

// A one-pixel GIF; Qt has no GIF writer.
inline QByteArray gif()
{
    return QByteArray::fromHex("47494638396101000100800000000000FFFFFF2C00000000010001000002024401003B");
}

// Trailing bytes after the end of a picture change its size but not how it reads.
inline QByteArray paddedTo(QByteArray bytes, qsizetype size)
{
    if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

inline QByteArray svg(int width = 40, int height = 20)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">"
                          "<rect width=\"%1\" height=\"%2\" fill=\"#0000ff\"/></svg>")
        .arg(width)
        .arg(height)
        .toUtf8();
}

// The same drawing as UTF-16 text with a byte-order mark: not UTF-8, so no text check
// treats it as SVG, yet Qt's image reader decodes it.
inline QByteArray utf16Svg()
{
    const QString text = QString::fromUtf8(svg());
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return bytes;
}

inline std::uint32_t crc32(const QByteArray &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= std::uint8_t(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// gzip around the drawing: compressed SVG, which Qt's reader also decodes.
inline QByteArray gzip(const QByteArray &bytes)
{
    // qCompress gives a 4-byte length, a 2-byte zlib header, the deflate data and a 4-byte
    // checksum; gzip wants the bare deflate data.
    const QByteArray zlib = qCompress(bytes);
    const QByteArray deflate = zlib.mid(6, zlib.size() - 10);
    QByteArray out = QByteArray::fromHex("1f8b0800000000000003");
    out.append(deflate);
    const std::uint32_t crc = crc32(bytes);
    const std::uint32_t size = std::uint32_t(bytes.size());
    for (int i = 0; i < 4; ++i)
        out.append(char((crc >> (8 * i)) & 0xFF));
    for (int i = 0; i < 4; ++i)
        out.append(char((size >> (8 * i)) & 0xFF));
    return out;
}

inline QImage decoded(const QByteArray &bytes)
{
    return QImage::fromData(bytes, "png");
}

} // namespace samples
