#pragma once

// The gate for pictures that arrive with web templates: raster pictures of any allowed
// format, or SVG drawings, which are text and may carry scripts, external references and
// entity declarations.

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include <memory>
#include <optional>

class QSvgRenderer;

namespace kestrivane {

class WebPictureStore;

class WebImageAsset {
public:
    static constexpr qsizetype maximumBytes = 8'388'608;
    static constexpr qsizetype maximumSvgBytes = 2'097'152;
    static constexpr int maximumPixelSide = 16'384;
    static constexpr int thumbnailSide = 2048;

    // Accepts a raster picture of an allowed format with sides of 1 to 16384 pixels, or an
    // SVG drawing that `sanitizedSVG` cleans, whose attributes reference nothing outside the
    // drawing and hold no event handlers, and that has no style sheet instruction. Throws
    // DocumentError(invalidImage) otherwise.
    static void validate(const QByteArray &data);

    // The cleaned drawing as UTF-8, or empty when the bytes are not an SVG drawing at all
    // (not UTF-8, or no "<svg" anywhere). Throws DocumentError(invalidImage) for an SVG
    // drawing that may not be used; any text mentioning "<svg" is held to these rules.
    static std::optional<QByteArray> sanitizedSVG(const QByteArray &data);

    // A PNG that the rest of the program treats as an ordinary stored picture: the image
    // library's import when it accepts the bytes, otherwise the picture or the cleaned
    // drawing drawn afresh with exactly 2048 pixels on its longer side.
    static QByteArray thumbnail(const QByteArray &data);

private:
    WebImageAsset() = delete;
};

// A template picture loaded for drawing. SVG drawings are drawn from their cleaned text as
// vectors; raster pictures are decoded at the size they are drawn at, so memory follows the
// target rather than the picture. Copies share the loaded drawing: load one per thread.
class WebPicture {
public:
    // Empty when the bytes fail `WebImageAsset::validate` or cannot be read.
    static std::optional<WebPicture> load(const QByteArray &data);

    // The picture's own size: pixels for a raster picture, the default size of a drawing.
    QSizeF size() const { return m_size; }

    // Draws the whole picture into `target` (in the painter's coordinates). False when a
    // raster picture fails to decode; nothing is drawn then. With a `store`, the raster
    // picture is decoded through it, so that a run draws the same decoded image again.
    bool draw(QPainter &painter, const QRectF &target, WebPictureStore *store = nullptr) const;

private:
    WebPicture() = default;

    QByteArray m_raster;
    std::shared_ptr<QSvgRenderer> m_drawing;
    QSizeF m_size;
};

// What the drawings of one run share, such as the labels of a multi-page PDF: each template
// picture is loaded once and each raster picture decoded once per size, and the same image
// is drawn again. Qt's PDF writer embeds an image once and refers to it on every later
// draw of the same image; a picture decoded afresh for every label would be embedded for
// every label. Implementations belong to one run on one thread.
class WebPictureStore {
public:
    virtual ~WebPictureStore() = default;
    // `WebPicture::load(data)`, remembered for the same bytes.
    virtual const std::optional<WebPicture> &picture(const QByteArray &data) = 0;
    // The raster bytes decoded at `size` as `raster::decode` does, remembered for the same
    // bytes and size; a null image when they do not decode.
    virtual QImage decoded(const QByteArray &bytes, QSize size) = 0;
};

} // namespace kestrivane
