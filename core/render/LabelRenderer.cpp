#include "core/render/LabelRenderer.h"

#include "core/common/DocumentIssue.h"
#include "core/common/Units.h"
#include "core/model/WebAppearance.h"
#include "core/model/WebBackground.h"
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

// What an element may change on the painter besides the clip, as it was before the element.
// On a PDF page every saved state costs a restatement of the whole graphics state when it is
// restored, so elements put back what they changed instead of saving.
class PainterState {
public:
    explicit PainterState(const QPainter &painter)
        : m_transform(painter.transform()), m_pen(painter.pen()), m_brush(painter.brush()),
          m_hints(painter.renderHints()), m_opacity(painter.opacity()), m_mode(painter.compositionMode())
    {
    }

    const QTransform &transform() const { return m_transform; }

    // Only what differs is set again: an unchanged setting writes nothing.
    void restore(QPainter &painter) const
    {
        painter.setTransform(m_transform);
        if (painter.pen() != m_pen)
            painter.setPen(m_pen);
        if (painter.brush() != m_brush)
            painter.setBrush(m_brush);
        if (painter.renderHints() != m_hints) {
            painter.setRenderHints(painter.renderHints() & ~m_hints, false);
            painter.setRenderHints(m_hints, true);
        }
        if (painter.opacity() != m_opacity)
            painter.setOpacity(m_opacity);
        if (painter.compositionMode() != m_mode)
            painter.setCompositionMode(m_mode);
    }

private:
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    QPainter::RenderHints m_hints;
    double m_opacity;
    QPainter::CompositionMode m_mode;
};

// One element's hold on the painter: the element changes what it needs, and when the scope
// ends, also by an exception, the painter is back in the state the label set. A clip can be
// taken back only by restoring a saved state, so the state is saved only for an element
// that clips, right before its first clip.
class ElementScope {
public:
    ElementScope(QPainter &painter, const PainterState &label) : m_painter(painter), m_label(label) {}
    ~ElementScope()
    {
        if (m_saved)
            m_painter.restore();
        m_label.restore(m_painter);
    }
    ElementScope(const ElementScope &) = delete;
    ElementScope &operator=(const ElementScope &) = delete;

    const QTransform &labelTransform() const { return m_label.transform(); }

    void clip(const QRectF &rect)
    {
        saveOnce();
        m_painter.setClipRect(rect, Qt::IntersectClip);
    }
    void clip(const QPainterPath &path)
    {
        saveOnce();
        m_painter.setClipPath(path, Qt::IntersectClip);
    }

private:
    void saveOnce()
    {
        if (!m_saved)
            m_painter.save();
        m_saved = true;
    }

    QPainter &m_painter;
    const PainterState &m_label;
    bool m_saved = false;
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

// Room kept between a text's glyph outlines and the element's edge before the text is
// trusted to stay inside its box without a clip: outlines are drawn a little fuller at low
// resolutions (hinting, anti-aliasing).
constexpr double textInkMargin = 0.05; // of the font size

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

void drawText(QPainter &painter, ElementScope &scope, const LabelElement &element, double w, double h,
              const QColor &ink, const QDateTime &at, qint64 index, RenderCache &cache)
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
    if (layout.lineCount() == 0)
        return;
    // Lines that fit by their advances may still put ink outside (italic overhangs, stacked
    // accents, lines lower than the font): the box clips unless the glyphs lie inside it.
    const double margin = textInkMargin * layout.font().pointSize();
    const QRectF glyphs = layout.inkBounds().translated(box.topLeft());
    if (!(glyphs.left() - margin >= 0 && glyphs.top() - margin >= 0 && glyphs.right() + margin <= w &&
          glyphs.bottom() + margin <= h))
        scope.clip(QRectF(0, 0, w, h));
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

void drawImage(QPainter &painter, ElementScope &scope, const LabelElement &element, double w, double h,
               RenderCache &cache)
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
        scope.clip(clip);
    } else if (shape == WebImageShape::rounded) {
        const double radius = roundedPictureRadius * std::min(w, h);
        QPainterPath clip;
        clip.setFillRule(Qt::WindingFill);
        clip.addRoundedRect(box, radius, radius);
        scope.clip(clip);
    }

    const QRectF target = placement.imageRect(box, picture.size(), false);
    if (target.isEmpty())
        return;
    // The shape clips lie inside the box; without one, a picture reaching out is cut, and so
    // is a drawing, which may paint beyond its own view box.
    if (shape != WebImageShape::circle && shape != WebImageShape::rounded &&
        (picture.isDrawing() || !box.contains(target)))
        scope.clip(box);
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

void drawElement(QPainter &painter, ElementScope &scope, const LabelElement &element, const QDateTime &at, qint64 index,
                 RenderCache &cache)
{
    const double w = element.widthMm * k;
    const double h = element.heightMm * k;
    const double x = element.xMm * k;
    const double y = element.yMm * k;
    // A position that is not a number would reach the paint engine as a broken transform.
    if (!std::isfinite(w) || !(w > 0) || !std::isfinite(h) || !(h > 0) || !std::isfinite(element.rotationDegrees) ||
        !std::isfinite(x) || !std::isfinite(y))
        throwIssue(DocumentIssue::invalidGeometry);

    // The element turns about the centre of its box; one transform, set once.
    QTransform transform = QTransform::fromTranslate(x + w / 2, y + h / 2);
    transform.rotate(element.rotationDegrees);
    transform.translate(-w / 2, -h / 2);
    painter.setTransform(transform * scope.labelTransform());

    const QColor ink = inkColor(element);
    if (painter.pen() != QPen(ink))
        painter.setPen(ink);
    if (painter.brush() != QBrush(ink))
        painter.setBrush(ink);

    // Every element is cut at its box. A clip costs a PDF page a full restatement of the
    // graphics state each time it changes, so an element clips only where its ink could
    // leave its box.
    const double lw = element.strokeMm * k;
    const QRectF box(0, 0, w, h);
    switch (element.kind) {
    case ElementKind::text:
    case ElementKind::dateTime:
    case ElementKind::counter: drawText(painter, scope, element, w, h, ink, at, index, cache); break;
    case ElementKind::qr: CodeDrawing::drawQRCode(painter, element, w, h, ink, &cache); break;
    case ElementKind::barcode: CodeDrawing::drawBarcode(painter, element, w, h, ink, &cache, false); break;
    case ElementKind::line:
        if (!(lw <= h))
            scope.clip(box);
        drawLine(painter, element, w, h, ink);
        break;
    case ElementKind::rectangle:
    case ElementKind::ellipse:
        if (!(lw <= std::min(w, h)))
            scope.clip(box);
        drawShape(painter, element, w, h, ink);
        break;
    case ElementKind::image: drawImage(painter, scope, element, w, h, cache); break;
    }
}

// The elements of a document that carries no table, already validated when asked. Each
// element starts from the painter's state at the call and leaves it so.
void drawEachElement(const LabelDocument &document, QPainter &painter, ElementFailure failure, const QDateTime &at,
                     qint64 index, RenderCache &cache)
{
    const PainterState label(painter);
    for (const LabelElement &element : document.elements) {
        try {
            ElementScope scope(painter, label);
            drawElement(painter, scope, element, at, index, cache);
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

// Whether anything of the label could reach past its rectangular outline: an element whose
// (rotated) box leaves the label, or a background picture, which may cover more than the
// label. Everything else draws inside its own box or fills the label's rectangle.
bool reachesOutside(const LabelDocument &document)
{
    if (document.webBackground && webBackgroundType(document.webBackground->type()) == WebBackgroundType::image)
        return true;
    return !std::all_of(document.elements.begin(), document.elements.end(),
                        [&](const LabelElement &element) { return document.contains(element); });
}

// One label of a document that carries no table, already validated when asked. The label
// is clipped to its outline only where something could be drawn outside it.
void drawLabel(const LabelDocument &document, QPainter &painter, ElementFailure failure, const QDateTime &at,
               qint64 index, RenderCache &cache, LabelPaper paper)
{
    const QSizeF labelSize = size(document);
    const QRectF rect(QPointF(0, 0), labelSize);
    const bool rectangular = document.layout.shape == LabelShape::rectangle && cornerRadius(document, rect) == 0;
    std::optional<SavedState> saved;
    if (!rectangular) {
        saved.emplace(painter);
        painter.setClipPath(outline(document, rect), Qt::IntersectClip);
    } else if (reachesOutside(document)) {
        saved.emplace(painter);
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    if (paper == LabelPaper::white)
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
    drawLabel(label, painter, failureFor(validation), at, index, cache ? *cache : local.emplace(), LabelPaper::white);
}

void drawValidated(const LabelDocument &document, QPainter &painter, const QDateTime &at, qint64 index,
                   RenderCache *cache, LabelPaper paper)
{
    WebFonts::registerFonts();
    std::optional<RenderCache> local;
    drawLabel(document, painter, ElementFailure::stop, at, index, cache ? *cache : local.emplace(), paper);
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
    const PainterState sheet(painter);
    try {
        for (qsizetype i = 0; i < slots.size(); ++i) {
            // Only the origin moves from label to label; each label leaves the rest as it was.
            painter.setTransform(QTransform::fromTranslate(slots[i].x(), slots[i].y()) * sheet.transform());
            drawLabel(label, painter, ElementFailure::stop, at, i, cache, LabelPaper::sheet);
        }
    } catch (...) {
        sheet.restore(painter);
        throw;
    }
    sheet.restore(painter);
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
