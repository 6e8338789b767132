#include "core/render/CodeDrawing.h"

#include "core/barcode/QRCode.h"
#include "core/model/LabelElement.h"
#include "core/render/PointFont.h"
#include "core/render/RenderCache.h"
#include "core/render/WebFonts.h"
#include "core/render/WebGS1Caption.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

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

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

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

void drawQRCode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
                RenderCache *cache)
{
    const QRCodeMatrix *provided = cache ? cache->providedQRCode(element.content) : nullptr;
    const QRCodeMatrix matrix = provided ? *provided : QRCode::matrix(element.content);
    const int n = matrix.moduleCount;
    const double module = w / (n + 2 * qrQuietZoneModules);
    const double inset = qrQuietZoneModules * module;
    const QRectF target(inset, inset, w - 2 * inset, h - 2 * inset);

    painter.fillRect(QRectF(0, 0, w, h), Qt::white);
    // The code is stretched into the target like an image of one pixel per module would be;
    // the runs are drawn in module units, which a PDF page holds as short whole numbers.
    painter.translate(target.topLeft());
    painter.scale(target.width() / n, target.height() / n);
    QList<QRectF> runs;
    for (const QRect &run : matrix.darkRuns())
        runs.append(QRectF(run));
    fillRectangles(painter, runs, ink);
}

void drawBarcode(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
                 RenderCache *cache, bool clipped)
{
    std::optional<RenderCache> local;
    RenderCache &fonts = cache ? *cache : local.emplace();

    const BarcodeDrawing *provided = fonts.providedBarcode(element.content, element.barcode);
    const BarcodeDrawing drawing = provided ? *provided : BarcodeEncoder::drawing(element.content, element.barcode);
    std::optional<WebGS1Caption::Layout> gs1;
    if (element.webAppearance && element.webAppearance->gs1Identification.value_or(false)) {
        try {
            gs1 = WebGS1Caption::layout(element);
        } catch (...) {
            // The code's box is white by then, as for any code that fails after encoding.
            painter.fillRect(QRectF(0, 0, w, h), Qt::white);
            throw;
        }
    }
    const double gs1Height = gs1 ? gs1->heightPt : 0;

    const double captionSize = element.barcode.captionFontSizePt;
    const BarcodeRenderLayout layout(drawing, QSizeF(w, h - gs1Height), isMatrix(element.barcode.symbology),
                                     fonts.monospacedSystemFont(captionSize));

    // Each caption is shaped once, for its width and for drawing.
    struct Caption {
        PointTextLayout text;
        QPointF topLeft;
    };
    std::vector<Caption> captions;
    // Bars and modules lie inside the box by construction; only text can leave it.
    bool inside = !gs1;
    for (const BarcodeCaptionPlacement &placement : layout.captionPlacements(drawing.captions, captionSize)) {
        const PointFont font = fonts.monospacedSystemFont(placement.fontSizePt);
        PointTextLayout text(placement.caption.text, font);
        const double width = text.naturalWidth();
        double shift = 0;
        if (placement.caption.alignment == 2)
            shift = width;
        else if (placement.caption.alignment != 1)
            shift = width / 2;
        const double left = placement.anchor.x() - shift;
        const double baseline = placement.anchor.y();
        const double margin = captionInkMargin * placement.fontSizePt;
        inside = inside && left - margin >= 0 && left + width + margin <= w && baseline - font.ascent() >= 0 &&
                 baseline + font.descent() <= h;
        const QPointF topLeft(left, baseline - (text.lineCount() > 0 ? text.baseline(0) : 0));
        captions.push_back(Caption{std::move(text), topLeft});
    }
    // A clip is taken back only by restoring a saved state: the state is saved for it alone.
    struct ClipScope {
        QPainter *painter = nullptr;
        ~ClipScope()
        {
            if (painter)
                painter->restore();
        }
    } clipScope;
    if (!clipped && !inside) {
        painter.save();
        clipScope.painter = &painter;
        painter.setClipRect(QRectF(0, 0, w, h), Qt::IntersectClip);
    }

    painter.fillRect(QRectF(0, 0, w, h), Qt::white);

    // Bars in the drawing's own units under a scaled painter: a PDF page then holds them as
    // short whole numbers, which is most of a barcode's share of the page.
    const QTransform box = painter.transform();
    painter.translate(layout.offsetX, layout.offsetY);
    painter.scale(finiteOr(layout.scaleX, 0), finiteOr(layout.scaleY, 0));
    fillRectangles(painter, drawing.rectangles, ink);
    painter.setTransform(box);

    painter.setPen(ink);
    for (const Caption &caption : captions)
        caption.text.draw(painter, caption.topLeft, &fonts);

    if (gs1) {
        const PointFont font = fonts.gs1CaptionFont(gs1->fontPt);
        PointTextLayout::Options options;
        options.alignment = Qt::AlignHCenter;
        options.wrapWidthPt = std::max(w - 2 * gs1Inset, 1.0);
        options.lineHeightPt = gs1LineHeight * gs1->fontPt;
        const PointTextLayout text(gs1->lines.join(u'\n'), font, options);
        text.draw(painter, QPointF(gs1Inset, (h - gs1Height) + gs1Inset), &fonts);
    }
}

} // namespace CodeDrawing

} // namespace kestrivane
