#pragma once

#include "core/barcode/BarcodeEncoder.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QSizeF>

class QPainter;

namespace kestrivane {

struct LabelElement;
class PointFont;
class RenderCache;

// One human-readable caption of a barcode, ready to draw.
struct BarcodeCaptionPlacement {
    BarcodeDrawing::Caption caption;
    // In element space, points: the x the caption's alignment refers to and the baseline y.
    QPointF anchor;
    double fontSizePt = 0;

    friend bool operator==(const BarcodeCaptionPlacement &, const BarcodeCaptionPlacement &) = default;
};

// How a barcode's vector drawing maps into the space left for it in an element's box.
// Linear codes are stretched to the full width and, when they carry captions, their bars
// are shortened to leave a caption band below them; matrix codes are scaled uniformly and
// centred.
struct BarcodeRenderLayout {
    double scaleX = 1;
    double scaleY = 1;
    double offsetX = 0;
    double offsetY = 0;
    // Points from the top of the box: where the lowest caption's baseline sits.
    double captionBaselineY = 0;

    BarcodeRenderLayout() = default;
    // Captions are measured in the labels' monospaced system font at `captionFontSizePt`.
    BarcodeRenderLayout(const BarcodeDrawing &drawing, const QSizeF &availableSize, bool preservesAspectRatio,
                        double captionFontSizePt);
    // The same with the caption font given.
    BarcodeRenderLayout(const BarcodeDrawing &drawing, const QSizeF &availableSize, bool preservesAspectRatio,
                        const PointFont &captionFont);

    // The captions placed so that the largest is drawn at `requestedFontSizePt` and the
    // lowest baseline lands on `captionBaselineY`; the others keep their distances, scaled
    // like their font sizes.
    QList<BarcodeCaptionPlacement> captionPlacements(const QList<BarcodeDrawing::Caption> &captions,
                                                     double requestedFontSizePt) const;

    friend bool operator==(const BarcodeRenderLayout &, const BarcodeRenderLayout &) = default;
};

namespace CodeDrawing {

// Quiet zone of a QR element, in modules on each side.
inline constexpr int qrQuietZoneModules = 4;

// A QR element in its box (0, 0, w, h): white box and the code of the element's stored
// content inset by four modules, its dark modules as vector rectangles in the ink; nothing
// is drawn outside the box. Throws DocumentIssue::invalidContent for a text that cannot be encoded.
void drawQRCode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
                RenderCache *cache = nullptr);

// A barcode element in its box: white box, bars, the human-readable captions and, for a
// web template's GS1 barcode, the identification caption under the bars. Throws the
// encoder's or the caption layout's error. With `clipped` false the painter is not yet
// clipped to the box, and is clipped here only when some text might leave it; that clip is
// taken back before the call returns.
void drawBarcode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
                 RenderCache *cache = nullptr, bool clipped = true);

} // namespace CodeDrawing

} // namespace kestrivane
