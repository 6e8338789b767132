#include "core/render/LabelRenderer.h"

#include "core/common/DocumentIssue.h"
#include "core/common/Units.h"
#include "core/model/WebAppearance.h"
#include "core/model/WebImagePlacement.h"
#include "core/render/CodeDrawing.h"
#include "core/render/PdfPageBoxes.h"
#include "core/render/PointFont.h"
#include "core/render/RenderCache.h"
#include "core/render/TextBoxGeometry.h"
#include "core/render/WebFonts.h"
#include "core/render/WebTextFit.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace kestrivane::LabelRenderer {

namespace {

constexpr double k = Units::pointsPerMillimetre;

// Corner radius of a "rounded" picture, as a share of the box's smaller side.
constexpr double roundedPictureRadius = 0.14;

// Saves the painter's state and restores it when the scope ends, also by an exception.
class SavedState {
public:
    explicit SavedState(QPainter &painter) : m_painter(painter) { m_painter.save(); }
    ~SavedState() { m_painter.restore(); }
    SavedState(const SavedState &) = delete;
    SavedState &operator=(const SavedState &) = delete;

private:
    QPainter &m_painter;
};

// The outline's corner radius in `rect`: scaled with the rectangle, within [0, half the
// smaller side], 0 when it is not a number.
double cornerRadius(const LabelDocument &document, const QRectF &rect)
{
    const double radius = document.layout.cornerRadiusMm / document.widthMm * rect.width();
    if (!std::isfinite(radius))
        return 0;
    return std::clamp(radius, 0.0, std::max(std::min(rect.width(), rect.height()) / 2, 0.0));
}

void clipToBox(QPainter &painter, double w, double h)
{
    painter.setClipRect(QRectF(0, 0, w, h), Qt::IntersectClip);
}

// What happens when an element cannot be drawn.
enum class ElementFailure { skip, stop };

QColor inkColor(const LabelElement &element)
{
    if (element.webAppearance) {
        if (auto colour = WebAppearance::cssColor(element.webAppearance->color))
            return *colour;
    }
    return Qt::black;
}

// Strokes end where the segment ends (flat caps) and corners are mitred up to a limit of 10:
// Qt's default square caps would reach past the box and its bevels would cut the corners.
QPen strokePen(const QColor &ink, double width)
{
    QPen pen(ink, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

void drawText(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink,
              const QDateTime &at, qint64 index, RenderCache &cache)
{
    const auto &style = element.textStyle;
    const auto &appearance = element.webAppearance;
    PointFont font = cache.elementFont(style.fontName, element.fontSizePt, appearance.has_value());
    if (style.bold)
        font = font.withBold(true);
    if (style.italic)
        font = font.withItalic(true);
    font = font.withUnderline(style.underline);

    const QString text = element.displayText(at, index);

    const TextBoxGeometry geometry = textBoxGeometry(element);
    QRectF box(0, 0, w, h);
    PointTextLayout::Options options;
    options.alignment = qtAlignment(style.alignment);
    // Where lines wrap: the box's width, or more for a block narrowed to its own width below.
    double wrapWidth = w;
    if (appearance) {
        box = geometry.textArea(box);
        wrapWidth = box.width();
        options.lineHeightPt = geometry.lineHeight(font.pointSize());
        if (appearance->shrink) {
            font = WebTextFit::font(font, text, box.size(), geometry.lineHeightFactor);
            options.lineHeightPt = geometry.lineHeight(font.pointSize());
        }
        if (appearance->missingAlignment.value_or(false) && style.alignment == TextAlignment::left) {
            PointTextLayout::Options oneLine;
            oneLine.lineHeightPt = options.lineHeightPt;
            const double natural = PointTextLayout(text, font, oneLine).naturalWidth();
            const double width = std::min(box.width(), natural);
            // The lines still wrap at the full width: they fit into their own width by
            // construction, but laid out at exactly that width, rounding in the text engine
            // would push the last word of some lines onto a line of its own.
            box.moveLeft(box.left() + std::max(box.width() - width, 0.0) / 2);
            box.setWidth(std::max(width, 1.0));
        }
    }
    options.wrapWidthPt = std::max(wrapWidth, 1.0);
    const PointTextLayout layout(text, font, options);

    if (geometry.verticalShare > 0)
        box.setTop(box.top() + geometry.verticalOffset(box.height(), layout.height()));
    painter.setPen(ink);
    layout.draw(painter, box.topLeft(), &cache);
}

void drawLine(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink)
{
    painter.setPen(strokePen(ink, element.strokeMm * k));
    painter.drawLine(QPointF(0, h / 2), QPointF(w, h / 2));
}

void drawShape(QPainter &painter, const LabelElement &element, double w, double h, const QColor &ink)
{
    const double lw = element.strokeMm * k;
    // A stroke wider than the box would turn the rectangle inside out: it shrinks to its
    // centre line instead.
    const double insetX = std::min(lw / 2, w / 2);
    const double insetY = std::min(lw / 2, h / 2);
    const QRectF rect(insetX, insetY, w - 2 * insetX, h - 2 * insetY);

    QPainterPath path;
    if (element.kind == ElementKind::ellipse) {
        path.addEllipse(rect);
    } else {
        const double radius = element.webAppearance ? element.webAppearance->radiusPt : 0;
        if (std::isfinite(radius) && radius > 0)
            path.addRoundedRect(rect, radius, radius); // Qt clamps the radius to the sides
        else
            path.addRect(rect);
    }

    QColor fill = ink;
    if (element.webAppearance && element.webAppearance->fill) {
        if (auto colour = WebAppearance::cssColor(*element.webAppearance->fill))
            fill = *colour;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (element.filled)
        painter.fillPath(path, fill);
    painter.strokePath(path, strokePen(ink, lw));
}

void drawImage(QPainter &painter, const LabelElement &element, double w, double h, RenderCache &cache)
{
    const ElementPicture &picture = cache.picture(element);

    WebImagePlacement placement{QStringLiteral("contain"), 100, 50, 50, QStringLiteral("rect")};
    if (element.webAppearance && element.webAppearance->image)
        placement = *element.webAppearance->image;

    const QRectF box(0, 0, w, h);
    const WebImageShape shape = webImageShape(placement.shape);
    if (shape == WebImageShape::circle) {
        QPainterPath clip;
        clip.setFillRule(Qt::WindingFill);
        clip.addEllipse(box);
        painter.setClipPath(clip, Qt::IntersectClip);
    } else if (shape == WebImageShape::rounded) {
        const double radius = roundedPictureRadius * std::min(w, h);
        QPainterPath clip;
        clip.setFillRule(Qt::WindingFill);
        clip.addRoundedRect(box, radius, radius);
        painter.setClipPath(clip, Qt::IntersectClip);
    }

    const QRectF target = placement.imageRect(box, picture.size(), false);
    if (target.isEmpty())
        return;
    // The shape clips lie inside the box; without one, a picture reaching out is cut, and so
    // is a drawing, which may paint beyond its own view box.
    if (shape != WebImageShape::circle && shape != WebImageShape::rounded &&
        (picture.isDrawing() || !box.contains(target)))
        clipToBox(painter, w, h);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1);
    if (picture.isDrawing()) {
        picture.drawing()->render(&painter, target);
        return;
    }
    const QSize size = picture.decodeSize(painter, target);
    const QImage image = cache.image(picture, size);
    // The whole image, never a part: the PDF writer embeds a copy for every distinct part.
    painter.drawImage(target, image);
}

void drawElement(QPainter &painter, const LabelElement &element, const QDateTime &at, qint64 index, RenderCache &cache)
{
    const double w = element.widthMm * k;
    const double h = element.heightMm * k;
    const double x = element.xMm * k;
    const double y = element.yMm * k;
    // A position that is not a number would reach the paint engine as a broken transform.
    if (!std::isfinite(w) || !(w > 0) || !std::isfinite(h) || !(h > 0) || !std::isfinite(element.rotationDegrees) ||
        !std::isfinite(x) || !std::isfinite(y))
        throwIssue(DocumentIssue::invalidGeometry);

    SavedState saved(painter);
    painter.translate(x + w / 2, y + h / 2);
    painter.rotate(element.rotationDegrees);
    painter.translate(-w / 2, -h / 2);

    const QColor ink = inkColor(element);
    painter.setPen(ink);
    painter.setBrush(ink);

    // Every element is cut at its box. A clip costs a PDF page a full restatement of the
    // graphics state each time it changes, so kinds that by construction stay inside their
    // box skip it.
    const double lw = element.strokeMm * k;
    switch (element.kind) {
    case ElementKind::text:
    case ElementKind::dateTime:
    case ElementKind::counter:
        clipToBox(painter, w, h);
        drawText(painter, element, w, h, ink, at, index, cache);
        break;
    case ElementKind::qr: CodeDrawing::drawQRCode(painter, element, w, h, ink, &cache); break;
    case ElementKind::barcode: CodeDrawing::drawBarcode(painter, element, w, h, ink, &cache, false); break;
    case ElementKind::line:
        if (!(lw <= h))
            clipToBox(painter, w, h);
        drawLine(painter, element, w, h, ink);
        break;
    case ElementKind::rectangle:
    case ElementKind::ellipse:
        if (!(lw <= std::min(w, h)))
            clipToBox(painter, w, h);
        drawShape(painter, element, w, h, ink);
        break;
    case ElementKind::image: drawImage(painter, element, w, h, cache); break;
    }
}

// The elements of a document that carries no table, already validated when asked.
// Each element saves and restores the painter itself.
void drawEachElement(const LabelDocument &document, QPainter &painter, ElementFailure failure, const QDateTime &at,
                     qint64 index, RenderCache &cache)
{
    for (const LabelElement &element : document.elements) {
        try {
            drawElement(painter, element, at, index, cache);
        } catch (const Error &) {
            if (failure == ElementFailure::stop)
                throw;
        }
    }
}

void drawElementList(const LabelDocument &document, QPainter &painter, ElementFailure failure, const QDateTime &at,
                     qint64 index, RenderCache &cache)
{
    SavedState saved(painter);
    drawEachElement(document, painter, failure, at, index, cache);
}

// One label of a document that carries no table, already validated when asked.
void drawLabel(const LabelDocument &document, QPainter &painter, ElementFailure failure, const QDateTime &at,
               qint64 index, RenderCache &cache)
{
    SavedState saved(painter);
    const QSizeF labelSize = size(document);
    const QRectF rect(QPointF(0, 0), labelSize);
    const bool rectangular = document.layout.shape == LabelShape::rectangle && cornerRadius(document, rect) == 0;
    if (rectangular)
        painter.setClipRect(rect, Qt::IntersectClip);
    else
        painter.setClipPath(outline(document, rect), Qt::IntersectClip);
    painter.fillRect(rect, Qt::white);
    if (document.webBackground)
        document.webBackground->draw(painter, rect, &cache);
    // A rectangular outline is the label's rectangle already.
    if (!rectangular)
        painter.setClipRect(rect, Qt::IntersectClip);
    drawEachElement(document, painter, failure, at, index, cache);
}

// The document to draw: with a table, its first row bound in (the binding's error is
// thrown); validated when asked.
LabelDocument prepared(const LabelDocument &document, RenderValidation validation)
{
    LabelDocument result = document.table ? document.resolving(0) : document;
    WebFonts::registerFonts();
    if (validation == RenderValidation::check)
        result.validate();
    return result;
}

ElementFailure failureFor(RenderValidation validation)
{
    return validation == RenderValidation::check ? ElementFailure::stop : ElementFailure::skip;
}

} // namespace

QSizeF sheetSize(const LabelDocument &document)
{
    return QSizeF(document.layout.width(document.widthMm) * k, document.layout.height(document.heightMm) * k);
}

QList<QRectF> labelRects(const LabelDocument &document)
{
    const SheetLayout &l = document.layout;
    QList<QRectF> rects;
    if (l.columns > 0 && l.rows > 0)
        rects.reserve(l.columns * l.rows);
    for (qint64 r = 0; r < l.rows; ++r) {
        for (qint64 c = 0; c < l.columns; ++c) {
            rects.append(QRectF(l.columnX(c, document.widthMm) * k, l.rowY(r, document.heightMm) * k,
                                document.widthMm * k, document.heightMm * k));
        }
    }
    return rects;
}

QSizeF size(const LabelDocument &document)
{
    return QSizeF(document.widthMm * k, document.heightMm * k);
}

QPainterPath outline(const LabelDocument &document, const QRectF &rect)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (document.layout.shape == LabelShape::ellipse) {
        path.addEllipse(rect);
        return path;
    }
    const double radius = cornerRadius(document, rect);
    if (radius > 0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

void draw(const LabelDocument &document, QPainter &painter, RenderValidation validation, const QDateTime &at,
          qint64 index, RenderCache *cache)
{
    const LabelDocument label = prepared(document, validation);
    std::optional<RenderCache> local;
    drawLabel(label, painter, failureFor(validation), at, index, cache ? *cache : local.emplace());
}

void drawValidated(const LabelDocument &document, QPainter &painter, const QDateTime &at, qint64 index,
                   RenderCache *cache)
{
    WebFonts::registerFonts();
    std::optional<RenderCache> local;
    drawLabel(document, painter, ElementFailure::stop, at, index, cache ? *cache : local.emplace());
}

void drawElements(const LabelDocument &document, QPainter &painter, RenderValidation validation, const QDateTime &at,
                  qint64 index, RenderCache *cache)
{
    const LabelDocument label = prepared(document, validation);
    std::optional<RenderCache> local;
    drawElementList(label, painter, failureFor(validation), at, index, cache ? *cache : local.emplace());
}

void drawSheet(const LabelDocument &document, QPainter &painter, const QDateTime &at)
{
    document.validate();
    // Every slot draws the same document: bind and check it once.
    const LabelDocument label = prepared(document, document.table ? RenderValidation::check : RenderValidation::skip);
    painter.fillRect(QRectF(QPointF(0, 0), sheetSize(document)), Qt::white);
    RenderCache cache;
    const QList<QRectF> slots = labelRects(document);
    for (qsizetype i = 0; i < slots.size(); ++i) {
        SavedState saved(painter);
        painter.translate(slots[i].topLeft());
        drawLabel(label, painter, ElementFailure::stop, at, i, cache);
    }
}

QByteArray pdf(const LabelDocument &document)
{
    document.validate();
    ExactPdfWriter writer(sheetSize(document));
    QPainter painter;
    if (!painter.begin(&writer.device()))
        throwIssue(DocumentIssue::io);
    try {
        drawSheet(document, painter, QDateTime::currentDateTime());
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
    return writer.finish();
}

} // namespace kestrivane::LabelRenderer
