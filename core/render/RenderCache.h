#pragma once

#include "core/barcode/BarcodeEncoder.h"
#include "core/barcode/QRCode.h"
#include "core/render/PointFont.h"
#include "core/web/WebImageAsset.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QSvgRenderer;

namespace kestrivane {

struct LabelElement;

// The picture of an image element, checked and ready to draw: a vector drawing from the
// sanitised text of an SVG original, or raster bytes that are decoded at the size they are
// drawn at.
class ElementPicture {
public:
    // Checks the element's stored picture and its original (when present) and loads the
    // one to draw: the original when present, else the stored picture. Throws
    // DocumentIssue::invalidImage for a missing or unusable picture.
    static ElementPicture load(const LabelElement &element);

    // The picture's own size: pixels (upright) for a raster picture, the exact size of a
    // drawing (`drawingSize`). Only its aspect ratio matters for placement.
    QSizeF size() const { return m_size; }
    bool isDrawing() const { return m_drawing != nullptr; }
    const QByteArray &raster() const { return m_raster; }
    QSvgRenderer *drawing() const { return m_drawing.get(); }
    // The pixel size to decode the raster picture at for drawing it into `target` with
    // `painter`: the target's size on the device (more for print devices, which have no
    // pixels of their own), never more than the stored picture and never more than
    // 4096 pixels on the longer side, so memory stays bounded whatever the picture.
    QSize decodeSize(const QPainter &painter, const QRectF &target) const;

private:
    ElementPicture() = default;
    QByteArray m_raster;
    QSize m_stored; // raster size in the stored orientation
    std::shared_ptr<QSvgRenderer> m_drawing;
    QSizeF m_size;
};

// What the labels of one drawing run share, such as the pages of a print job: pictures and
// font lookups. Nothing outlives the run, so a document drawn again is read afresh.
//
// Each distinct picture (by the identity of its bytes, which copies of a document share)
// is checked and decoded once, and the same decoded image is handed out again. Qt's PDF
// writer embeds an image once and refers to it on every later draw of the same image, so
// a job of thousands of labels with one logo carries the logo once.
//
// Font lookups ask the font database, which goes through fontconfig's substitution on every
// call; a run asks once per face and changes only the size afterwards.
//
// Template pictures of web backgrounds are shared the same way (as a WebPictureStore).
//
// A cache belongs to one drawing run on one thread; it is not safe for concurrent use.
class RenderCache : public WebPictureStore {
public:
    RenderCache();
    ~RenderCache() override;
    RenderCache(const RenderCache &) = delete;
    RenderCache &operator=(const RenderCache &) = delete;

    // As ElementPicture::load, remembered by the bytes' identity: the checks run once.
    const ElementPicture &picture(const LabelElement &element);
    // The raster picture decoded at `size`, decoded once per picture and size.
    QImage image(const ElementPicture &picture, QSize size);

    // WebPictureStore: template pictures loaded once, raster bytes decoded once per size,
    // both remembered by the bytes' identity.
    const std::optional<WebPicture> &picture(const QByteArray &data) override;
    QImage decoded(const QByteArray &bytes, QSize size) override;

    // WebFonts::elementFont, monospacedSystemFont and gs1CaptionFont, looked up once per
    // face.
    PointFont elementFont(const QString &fontName, double sizePt, bool webFamilies);
    PointFont monospacedSystemFont(double sizePt, QFont::Weight weight = QFont::Normal);
    PointFont gs1CaptionFont(double sizePt);

    // The picture of a run of colour glyphs (see PointTextLayout::draw) and the box it fills,
    // relative to the run's first glyph origin, in the run's units.
    struct ColourRun {
        QImage image;
        QRectF box;
    };
    // The picture that `render` makes, remembered by `key`, which names the run's face,
    // glyphs, their places, size, resolution and colour: the same QImage is drawn again, and
    // a PDF holds it once. Past a memory budget new pictures are made each time and not kept.
    ColourRun colourRun(const QByteArray &key, const std::function<ColourRun()> &render);

    // Codes encoded ahead, for instance on other threads while earlier labels are drawn: the
    // code drawing takes a provided barcode drawing of the same content and options, or a
    // provided QR matrix of the same text, instead of encoding again. They stay until
    // cleared.
    struct ProvidedBarcode {
        QString content;
        BarcodeOptions options;
        BarcodeDrawing drawing;
    };
    struct ProvidedQRCode {
        QString text;
        QRCodeMatrix matrix;
    };
    struct ProvidedCodes {
        QList<ProvidedBarcode> barcodes;
        QList<ProvidedQRCode> qrCodes;
    };
    void provide(ProvidedCodes codes);
    void clearProvided();
    const BarcodeDrawing *providedBarcode(const QString &content, const BarcodeOptions &options) const;
    const QRCodeMatrix *providedQRCode(const QString &text) const;

    // Number of distinct decoded images held (for tests and diagnostics).
    int imageCount() const;
    // Number of colour run pictures held.
    int colourRunCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kestrivane
