#include "render/CodeDrawing.h"

#include "barcode/QRCode.h"
#include "model/LabelElement.h"
#include "render/PointFont.h"
#include "render/RenderCache.h"
#include "render/WebFonts.h"
#include "web/WebGS1Caption.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

// GS1 identification caption: line height as a multiple of the font size, and the inset
// of its band below the bars.
constexpr double gs1LineHeight = 1.08;
constexpr double gs1Inset = 1.5;

// Dark areas are filled as plain rectangles with no outline: the PDF writer turns them into
// one native rectangle operator each, which keeps pages small, and with anti-aliasing off
// neighbouring bars and modules meet without seams. The caller restores the painter.
void fillRectangles(QPainter &painter, const QList<QRectF> &rectangles, const QColor &ink)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRects(rectangles.constData(), int(rectangles.size()));
}

// Room kept between a caption's advance box and the element's edge before the caption is
// trusted to stay inside without a clip: glyphs may reach a little past their advances.
constexpr double captionInkMargin = 0.15; // of the font size

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

} // namespace

BarcodeRenderLayout::BarcodeRenderLayout(const BarcodeDrawing &drawing, const QSizeF &availableSize,
                                         bool preservesAspectRatio, double captionFontSizePt)
    : BarcodeRenderLayout(drawing, availableSize, preservesAspectRatio,
                          WebFonts::monospacedSystemFont(captionFontSizePt))
{
}

BarcodeRenderLayout::BarcodeRenderLayout(const BarcodeDrawing &drawing, const QSizeF &availableSize,
                                         bool preservesAspectRatio, const PointFont &font)
{
    const double dw = drawing.size.width();
    const double dh = drawing.size.height();
    const double aw = availableSize.width();
    const double ah = availableSize.height();
    const double sx = aw / dw;
    const double sy = ah / dh;
    captionBaselineY = ah;
    if (preservesAspectRatio) {
        const double s = sy < sx ? sy : sx;
        scaleX = s;
        scaleY = s;
    } else if (!drawing.captions.isEmpty()) {
        const double band = std::ceil(font.ascent() + font.descent() + std::max(font.leading(), 0.0)) + 2;
        double barBottom = dh;
        if (!drawing.rectangles.isEmpty()) {
            barBottom = drawing.rectangles.first().bottom();
            for (const QRectF &r : drawing.rectangles)
                barBottom = std::max(barBottom, r.bottom());
        }
        scaleX = sx;
        scaleY = std::max(ah - band, 0.01) / std::max(barBottom, 0.1);
        captionBaselineY = ah - 1 - font.descent();
    } else {
        scaleX = sx;
        scaleY = sy;
    }
    offsetX = (aw - dw * scaleX) / 2;
    offsetY = preservesAspectRatio ? (ah - dh * scaleY) / 2 : 0;
}

QList<BarcodeCaptionPlacement> BarcodeRenderLayout::captionPlacements(const QList<BarcodeDrawing::Caption> &captions,
                                                                      double requestedFontSizePt) const
{
    double largest = 1;
    double yMax = 0;
    if (!captions.isEmpty()) {
        largest = captions.first().fontSize;
        yMax = captions.first().y;
        for (const auto &caption : captions) {
            // A NaN never wins a comparison and is caught below.
            if (caption.fontSize > largest || std::isnan(largest))
                largest = caption.fontSize;
            if (caption.y > yMax)
                yMax = caption.y;
        }
    }
    if (!(largest >= 0.1))
        largest = 0.1;

    QList<BarcodeCaptionPlacement> placements;
    placements.reserve(captions.size());
    for (const auto &caption : captions) {
        BarcodeCaptionPlacement placement;
        placement.caption = caption;
        placement.anchor = QPointF(offsetX + scaleX * caption.x,
                                   captionBaselineY + requestedFontSizePt * (caption.y - yMax) / largest);
        placement.fontSizePt = requestedFontSizePt * caption.fontSize / largest;
        placements.append(placement);
    }
    return placements;
}

namespace CodeDrawing {

void drawQRCode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink)
{
    const QRCodeMatrix matrix = QRCode::matrix(element.content);
    const int n = matrix.moduleCount;
    const double module = w / (n + 2 * qrQuietZoneModules);
    const double inset = qrQuietZoneModules * module;
    const QRectF target(inset, inset, w - 2 * inset, h - 2 * inset);

    painter.fillRect(QRectF(0, 0, w, h), Qt::white);
    // The code is stretched into the target like an image of one pixel per module would be.
    const double cellW = target.width() / n;
    const double cellH = target.height() / n;
    QList<QRectF> cells;
    for (const QRect &run : matrix.darkRuns())
        cells.append(QRectF(target.x() + run.x() * cellW, target.y() + run.y() * cellH, run.width() * cellW,
                            run.height() * cellH));
    fillRectangles(painter, cells, ink);
}

void drawBarcode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
                 RenderCache *cache, bool clipped)
{
    std::optional<RenderCache> local;
    RenderCache &fonts = cache ? *cache : local.emplace();

    const BarcodeDrawing drawing = BarcodeEncoder::drawing(element.content, element.barcode);
    std::optional<WebGS1Caption::Layout> gs1;
    if (element.webAppearance && element.webAppearance->gs1Identification.value_or(false))
        gs1 = WebGS1Caption::layout(element);
    const double gs1Height = gs1 ? gs1->heightPt : 0;

    const double captionSize = element.barcode.captionFontSizePt;
    const BarcodeRenderLayout layout(drawing, QSizeF(w, h - gs1Height), isMatrix(element.barcode.symbology),
                                     fonts.monospacedSystemFont(captionSize));

    struct Caption {
        PointFont font;
        QPointF baseline;
        const QString *text;
    };
    QList<Caption> captions;
    // Bars and modules lie inside the box by construction; only text can leave it.
    bool inside = !gs1;
    for (const BarcodeCaptionPlacement &placement : layout.captionPlacements(drawing.captions, captionSize)) {
        const PointFont font = fonts.monospacedSystemFont(placement.fontSizePt);
        const QString &text = placement.caption.text;
        const double width = font.width(text);
        double shift = 0;
        if (placement.caption.alignment == 2)
            shift = width;
        else if (placement.caption.alignment != 1)
            shift = width / 2;
        const QPointF baseline(placement.anchor.x() - shift, placement.anchor.y());
        const double margin = captionInkMargin * placement.fontSizePt;
        inside = inside && baseline.x() - margin >= 0 && baseline.x() + width + margin <= w &&
                 baseline.y() - font.ascent() >= 0 && baseline.y() + font.descent() <= h;
        captions.append(Caption{font, baseline, &text});
    }
    if (!clipped && !inside)
        painter.setClipRect(QRectF(0, 0, w, h), Qt::IntersectClip);

    painter.fillRect(QRectF(0, 0, w, h), Qt::white);

    // The bars mapped into the box here rather than through a scaled painter: one transform
    // fewer per barcode, which a PDF page pays for in state changes.
    const double sx = finiteOr(layout.scaleX, 0);
    const double sy = finiteOr(layout.scaleY, 0);
    QList<QRectF> bars;
    bars.reserve(drawing.rectangles.size());
    for (const QRectF &r : drawing.rectangles)
        bars.append(QRectF(layout.offsetX + r.x() * sx, layout.offsetY + r.y() * sy, r.width() * sx, r.height() * sy));
    fillRectangles(painter, bars, ink);

    painter.setPen(ink);
    for (const Caption &caption : captions)
        caption.font.drawLine(painter, caption.baseline, *caption.text);

    if (gs1) {
        const PointFont font = fonts.gs1CaptionFont(gs1->fontPt);
        PointTextLayout::Options options;
        options.alignment = Qt::AlignHCenter;
        options.wrapWidthPt = std::max(w - 2 * gs1Inset, 1.0);
        options.lineHeightPt = gs1LineHeight * gs1->fontPt;
        const PointTextLayout text(gs1->lines.join(u'\n'), font, options);
        text.draw(painter, QPointF(gs1Inset, (h - gs1Height) + gs1Inset));
    }
}

} // namespace CodeDrawing

} // namespace kestrivane
