#include "core/library/GraphicSign.h"

#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"
#include "core/graphics/RasterReader.h"
#include "core/library/SafeFile.h"
#include "core/web/WebImageAsset.h"

#include <QDir>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace kestrivane {

namespace {

// A sign file loaded for drawing: a drawing cleaned by the web gate, or a raster picture.
// Sign files are never handed to the image reader unchecked, which would also read SVG.
struct SignDrawing {
    std::unique_ptr<QSvgRenderer> drawing;
    QImage raster;
};

std::optional<SignDrawing> loadSign(const QString &path)
{
    // Sign files come with the program; a packager may install them as links.
    const auto bytes = library::readRegularFile(path, WebImageAsset::maximumBytes, library::Links::follow);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    SignDrawing sign;
    try {
        // The same gate as a drawing that arrives with a web template.
        WebImageAsset::validate(*bytes);
        if (const auto cleaned = WebImageAsset::sanitizedSVG(*bytes)) {
            sign.drawing = std::make_unique<QSvgRenderer>(*cleaned);
            if (!sign.drawing->isValid() || drawingSize(*sign.drawing).isEmpty())
                return std::nullopt;
            return sign;
        }
    } catch (const DocumentError &) {
        return std::nullopt;
    }
    sign.raster = raster::decode(*bytes);
    if (sign.raster.isNull())
        return std::nullopt;
    return sign;
}

} // namespace

QString GraphicSign::url() const
{
    return QDir(folder).filePath(filename);
}

QByteArray GraphicSign::embeddedPNG() const
{
    const auto sign = loadSign(url());
    if (!sign)
        throwIssue(DocumentIssue::invalidImage);
    if (sign->drawing)
        return ImageAsset::rasterize(*sign->drawing, 1024);
    return ImageAsset::rasterize(sign->raster, 1024);
}

QImage GraphicSign::picture(int maximumSide) const
{
    if (maximumSide < 1 || maximumSide > ImageAsset::maximumPixelSide)
        return QImage();
    const auto sign = loadSign(url());
    if (!sign)
        return QImage();
    const QSizeF size = sign->drawing ? drawingSize(*sign->drawing) : QSizeF(sign->raster.size());
    const double scale = maximumSide / std::max(size.width(), size.height());
    const QSize pixels(std::max(1L, std::lround(size.width() * scale)),
                       std::max(1L, std::lround(size.height() * scale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target(QPointF(0, 0), QSizeF(pixels));
    if (sign->drawing)
        sign->drawing->render(&painter, target);
    else
        painter.drawImage(target, sign->raster);
    return image;
}

} // namespace kestrivane
