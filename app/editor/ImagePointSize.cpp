#include "app/editor/ImagePointSize.h"

#include <QtEndian>

namespace kestrivane {

namespace {

constexpr char pngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr double metresPerInch = 0.0254;

quint32 readBigEndian(const char *bytes)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(bytes));
}

} // namespace

QSizeF imagePointSize(const QByteArray &png, QSize pixelSize)
{
    const QSizeF pixels(pixelSize);
    if (!png.startsWith(QByteArray(pngSignature, 8)))
        return pixels;
    qsizetype pos = 8;
    // The chunk, when present, precedes the image data.
    while (pos + 8 <= png.size()) {
        const quint32 length = readBigEndian(png.constData() + pos);
        const QByteArray type = png.mid(pos + 4, 4);
        const qsizetype data = pos + 8;
        if (length > quint32(png.size()) || data + qsizetype(length) + 4 > png.size())
            return pixels;
        if (type == "IDAT" || type == "IEND")
            return pixels;
        if (type == "pHYs") {
            if (length != 9)
                return pixels;
            const quint32 perUnitX = readBigEndian(png.constData() + data);
            const quint32 perUnitY = readBigEndian(png.constData() + data + 4);
            const uchar unit = uchar(png.at(data + 8));
            // Unit 0 states only the aspect of a pixel, not its physical size.
            if (unit != 1 || perUnitX == 0 || perUnitY == 0)
                return pixels;
            return QSizeF(pixels.width() * 72.0 / (perUnitX * metresPerInch),
                          pixels.height() * 72.0 / (perUnitY * metresPerInch));
        }
        pos = data + qsizetype(length) + 4;
    }
    return pixels;
}

} // namespace kestrivane
