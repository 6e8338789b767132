#pragma once

// What a stored raster picture may be, and the conversions that produce one.

#include <QByteArray>
#include <QImage>
#include <QSizeF>

class QSvgRenderer;

namespace kestrivane {

// A stored picture is a PNG of at most `maximumBytes` whose sides are 1 to 4096 pixels.
// Every picture that leaves these functions is such a PNG; every failure throws
// DocumentError(DocumentIssue::invalidImage). Stateless and safe on any thread.
class ImageAsset {
public:
    static constexpr qsizetype maximumBytes = 4'194'304;
    static constexpr int maximumPixelSide = 4096;
    static constexpr qsizetype maximumImportBytes = 20'971'520;
    static constexpr int importMaximumSide = 2048;
    // The smallest side an import tries when the PNG at the full side is too large.
    static constexpr int importMinimumRetrySide = 512;

    // Accepts only PNG bytes within the limits; reads the header, never the pixels.
    static void validate(const QByteArray &data);

    // Normalises an image file of a raster format (png, jpeg, gif, bmp, tiff, webp) to a
    // PNG whose longer side is at most 2048 pixels, upright after the file's orientation.
    // A picture whose PNG would exceed `maximumBytes` comes out smaller (down to 512).
    // SVG and SVGZ are refused: they must be sanitised and drawn, never read as pictures.
    static QByteArray importRaster(const QByteArray &data);

    // Draws a loaded picture into a fresh, transparent bitmap whose longer side is exactly
    // `maximumSide` pixels (small pictures are enlarged) and returns it as a PNG. The
    // picture's size is its pixel size.
    static QByteArray rasterize(const QImage &image, int maximumSide);

    // The same for a vector drawing, drawn at the aspect ratio of `drawingSize`.
    static QByteArray rasterize(QSvgRenderer &drawing, int maximumSide);

private:
    ImageAsset() = delete;
};

// A drawing's own size with its fractions (Qt's default size is whole pixels, so a small
// drawing would get a wrong aspect ratio); empty when the drawing has no positive size.
QSizeF drawingSize(const QSvgRenderer &drawing);

} // namespace kestrivane
