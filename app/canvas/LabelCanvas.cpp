#include "app/canvas/LabelCanvas.h"

#include "app/canvas/CanvasGeometry.h"
#include "app/canvas/CanvasInteraction.h"
#include "app/canvas/InlineTextEditor.h"
#include "app/editor/EditorStore.h"
#include "core/model/LabelDocument.h"
#include "core/render/LabelRenderer.h"
#include "core/render/RenderCache.h"

#include <QDateTime>
#include <QHideEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kestrivane {

namespace {

// The accent of selections, guides and handles.
const QColor systemBlue(0, 122, 255);

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

// Qt counts dash lengths in pen widths; the canvas gives them in points.
QList<qreal> dashInPoints(double on, double off, double penWidth)
{
    return {on / penWidth, off / penWidth};
}

// The elements whose box reaches beyond the label's outline. Every element is clipped to
// its own (rotated) box when drawn and the outline is convex, so an element with all four
// corners on the label can put no ink outside it and need not be drawn a second time.
LabelDocument overflowingElements(const LabelDocument &document)
{
    LabelDocument result = document;
    result.elements.clear();
    for (const LabelElement &element : document.elements) {
        if (!document.contains(element))
            result.elements.append(element);
    }
    return result;
}

bool isFinitePolygon(const QPolygonF &polygon)
{
    for (const QPointF &point : polygon) {
        if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
            return false;
    }
    return true;
}

// Largest label layer kept between paints (32 MB); beyond it the label is drawn directly.
constexpr qint64 maximumLayerPixels = 8 * 1024 * 1024;

// What the date elements show at `now`: the only part of a label's drawing that changes
// without the document changing.
QStringList dateTexts(const LabelDocument &document, const QDateTime &now)
{
    QStringList texts;
    for (const LabelElement &element : document.elements) {
        if (element.kind != ElementKind::dateTime)
            continue;
        try {
            texts.append(element.displayText(now, 0));
        } catch (const std::exception &) {
            texts.append(QString(QChar(0xFFFF)));
        }
    }
    return texts;
}

bool sameRect(const QRectF &a, const QRectF &b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

struct LabelCanvas::LabelLayer {
    LabelDocument document;
    QStringList dateTexts;
    double zoom = 0;
    QRectF devicePaper;
    QImage image;
};

LabelCanvas::LabelCanvas(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Hover moves set the resize cursors.
    setMouseTracking(true);
    m_inlineEditor = new InlineTextEditor(this);
    m_interaction = new CanvasInteraction(this, m_inlineEditor);
    // Without a store nothing is drawn at all, not even the desk.
    setAutoFillBackground(false);
}

LabelCanvas::~LabelCanvas()
{
    // Leaving for good: an open editor commits and a running gesture becomes an undo step.
    m_interaction->detach();
}

void LabelCanvas::setStore(EditorStore *store)
{
    EditorStore *old = m_store;
    const bool same = (!old && !store) || (old && store && old->id() == store->id());
    if (old != store)
        m_labelLayer.reset();
    m_store = store;
    // The canvas follows its store itself: every announced change runs the one refresh
    // sequence, whoever made it (a gesture here, a key, the inspector, undo).
    if (old != store) {
        if (old)
            disconnect(old, &EditorStore::changed, this, &LabelCanvas::refresh);
        if (store)
            connect(store, &EditorStore::changed, this, &LabelCanvas::refresh);
    }
    if (!same) {
        // A gesture of the store left behind becomes one undo step there.
        if (old)
            old->endDrag();
        m_smartSnapGuides.clear();
        m_pendingEmptyClickSelection.reset();
    }
    update();
}

QRectF LabelCanvas::paperRect() const
{
    if (!m_store)
        return {};
    const LabelDocument &document = m_store->document();
    return CanvasDrawingGeometry::paperRect(QSizeF(size()), document.widthMm, document.heightMm, m_store->zoom());
}

double LabelCanvas::scale() const
{
    return m_store ? CanvasZoom::pointsPerMillimetre(m_store->zoom()) : CanvasZoom::pointsPerMillimetre(1);
}

QPointF LabelCanvas::localPoint(QPointF viewPoint) const
{
    const QRectF paper = paperRect();
    const double s = scale();
    return {(viewPoint.x() - paper.left()) / s, (viewPoint.y() - paper.top()) / s};
}

void LabelCanvas::updateInlineEditorFrame()
{
    m_inlineEditor->updateFrame();
}

void LabelCanvas::beginInlineEditing(const LabelElement &element)
{
    m_inlineEditor->begin(element);
}

bool LabelCanvas::finishInlineEditing(bool commit, bool keepOpenOnFailure)
{
    return m_inlineEditor->finish(commit, keepOpenOnFailure);
}

void LabelCanvas::copy()
{
    m_interaction->copy();
}

void LabelCanvas::cut()
{
    m_interaction->cut();
}

void LabelCanvas::paste()
{
    m_interaction->paste();
}

void LabelCanvas::selectAll()
{
    m_interaction->selectAll();
}

void LabelCanvas::mousePressEvent(QMouseEvent *event)
{
    m_interaction->mousePress(event, 1);
}

void LabelCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt sends the second press of a double click here instead of as a press.
    m_interaction->mousePress(event, 2);
}

void LabelCanvas::mouseMoveEvent(QMouseEvent *event)
{
    m_interaction->mouseMove(event);
}

void LabelCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    m_interaction->mouseRelease(event);
}

void LabelCanvas::keyPressEvent(QKeyEvent *event)
{
    if (!m_interaction->keyPress(event))
        QWidget::keyPressEvent(event);
}

void LabelCanvas::hideEvent(QHideEvent *event)
{
    // Minimising the window hides it spontaneously and must not end anything.
    if (!event->spontaneous())
        m_interaction->detach();
    QWidget::hideEvent(event);
}

void LabelCanvas::refresh()
{
    ++m_refreshCount;
    if (onGeometryChanged)
        onGeometryChanged();
    updateInlineEditorFrame();
    update();
    m_interaction->refreshCursor();
}

void LabelCanvas::setEditingElementID(const std::optional<QUuid> &id)
{
    m_editingElementID = id;
    update();
}

void LabelCanvas::setMarquee(const std::optional<QPointF> &startMm, const std::optional<QPointF> &currentMm, bool moved)
{
    m_marqueeStartMm = startMm;
    m_marqueeCurrentMm = currentMm;
    m_marqueeMoved = moved;
    update();
}

void LabelCanvas::setSmartSnapGuides(const QList<ElementSnapGuide> &guides)
{
    m_smartSnapGuides = guides;
    update();
}

QSize LabelCanvas::sizeHint() const
{
    return {500, 400};
}

void LabelCanvas::paintEvent(QPaintEvent *event)
{
    if (!m_store)
        return;
    QPainter painter(this);
    paint(painter, event->rect());
}

void LabelCanvas::paint(QPainter &painter, const QRectF &dirty) const
{
    if (!m_store || !painter.isActive())
        return;
    const EditorStore &store = *m_store;
    const double zoom = CanvasZoom::effective(store.zoom());

    painter.save();
    painter.fillRect(rect(), QColor::fromRgbF(0.94f, 0.94f, 0.94f));
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QRectF paper = paperRect();
    LabelDocument document = store.renderDocument();
    if (m_editingElementID) {
        // The in-place editor shows the text; the label must not show it a second time.
        for (LabelElement &element : document.elements) {
            if (element.id == *m_editingElementID) {
                element.content.clear();
                break;
            }
        }
    }

    drawPaper(painter, paper);
    const QDateTime now = QDateTime::currentDateTime();
    RenderCache cache; // both passes share cache and font lookups
    if (!drawCachedLabel(painter, paper, document, zoom, now, cache))
        drawLabel(painter, paper, document, zoom, now, cache);
    drawOverflow(painter, paper, document, zoom, now, cache);
    if (store.showsGrid())
        drawGrid(painter, paper, dirty);
    drawSmartSnapGuides(painter, paper);
    drawMarquee(painter, paper);
    drawSelectionOutlines(painter, paper);
    if (!m_marqueeStartMm) {
        const QList<LabelElement> selection = store.selection();
        const std::optional<LabelElement> selected = store.selected();
        if (selection.size() == 1 && selected && selected->id != m_editingElementID)
            drawResizeHandles(painter, paper, *selected);
    }
    painter.restore();
}

void LabelCanvas::drawPaper(QPainter &painter, const QRectF &paper) const
{
    const QPainterPath outline = LabelRenderer::outline(m_store->document(), paper);
    painter.save();
    // A soft shadow below the sheet, offset 2 points down and fading out over 8 points:
    // a few widening translucent rings approximate the blur without an offscreen image,
    // which at high zoom would be as large as the label. The rings are strokes only: a
    // fill as well would double the darkness in the strip between the sheet's bottom
    // edge and the shadow's, a hard dark line under the label.
    const QPainterPath shadow = outline.translated(0, 2);
    const QColor ring = QColor::fromRgbF(0, 0, 0, 0.015f);
    painter.setBrush(Qt::NoBrush);
    for (double spread : {8.0, 6.0, 4.0, 2.0}) {
        painter.setPen(QPen(ring, 2 * spread, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(shadow);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    QPainterPath filled = outline;
    filled.setFillRule(Qt::WindingFill);
    painter.drawPath(filled);
    painter.restore();
}

bool LabelCanvas::drawCachedLabel(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                                  const QDateTime &now, RenderCache &cache) const
{
    // Scrolling, selecting, a marquee or the grid repaint the canvas without changing the
    // label, which is by far the costliest part to draw. The label is therefore kept as
    // an image of exactly the device pixels it covers and drawn again 1:1 while the
    // document, zoom, paper rectangle and date texts stay the same. That needs a painter
    // that maps view points to device pixels by the pixel ratio and a whole-pixel offset;
    // anything else (a scaled or rotated painter, a printer) draws directly.
    const QTransform device = painter.deviceTransform();
    const qreal dpr = painter.device()->devicePixelRatioF();
    if (device.type() > QTransform::TxScale || device.m11() != dpr || device.m22() != dpr)
        return false;
    const double dx = device.dx();
    const double dy = device.dy();
    if (dx != std::round(dx) || dy != std::round(dy))
        return false;
    // The paper on the canvas's own device pixels. Scrolling moves the canvas by whole
    // device pixels, which leaves the picture as it is, so the kept image belongs to this
    // rectangle and not to where the canvas lies in the window.
    const QRectF devicePaper(paper.left() * dpr, paper.top() * dpr, paper.width() * dpr, paper.height() * dpr);
    if (!std::isfinite(devicePaper.width()) || !std::isfinite(devicePaper.height()))
        return false;
    const QRect pixels = devicePaper.toAlignedRect();
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > maximumLayerPixels)
        return false;

    QStringList texts = dateTexts(document, now);
    const bool fresh = m_labelLayer && m_labelLayer->zoom == zoom && sameRect(m_labelLayer->devicePaper, devicePaper) &&
                       m_labelLayer->dateTexts == texts && m_labelLayer->document == document;
    if (!fresh) {
        QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter layer(&image);
        layer.setRenderHints(painter.renderHints());
        layer.translate(-QPointF(pixels.topLeft()) / dpr);
        drawLabel(layer, paper, document, zoom, now, cache);
        layer.end();
        m_labelLayer = std::make_unique<LabelLayer>(LabelLayer{document, std::move(texts), zoom, devicePaper, image});
    }
    painter.drawImage(QPointF(pixels.topLeft()) / dpr, m_labelLayer->image);
    return true;
}

void LabelCanvas::drawLabel(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                            const QDateTime &now, RenderCache &cache) const
{
    painter.save();
    painter.setClipRect(paper, Qt::IntersectClip);
    painter.translate(paper.topLeft());
    painter.scale(zoom, zoom);
    try {
        LabelRenderer::draw(document, painter, RenderValidation::skip, now, 0, &cache);
    } catch (const std::exception &) {
        // What was drawn before the failure stays; the overlays still follow.
    }
    painter.restore();
}

void LabelCanvas::drawOverflow(QPainter &painter, const QRectF &paper, const LabelDocument &document, double zoom,
                               const QDateTime &now, RenderCache &cache) const
{
    const LabelDocument outside = overflowingElements(document);
    if (outside.elements.isEmpty())
        return;
    painter.save();
    QPainterPath clip;
    clip.addRect(rect());
    clip.addPath(LabelRenderer::outline(m_store->document(), paper));
    clip.setFillRule(Qt::OddEvenFill);
    painter.setClipPath(clip, Qt::IntersectClip);
    painter.setOpacity(0.42);
    painter.translate(paper.topLeft());
    painter.scale(zoom, zoom);
    try {
        LabelRenderer::drawElements(outside, painter, RenderValidation::skip, now, 0, &cache);
    } catch (const std::exception &) {
        // As for the label itself: keep what was drawn.
    }
    painter.restore();
}

void LabelCanvas::drawGrid(QPainter &painter, const QRectF &paper, const QRectF &dirty) const
{
    const EditorGridPreferences *grid = m_store->gridPreferences();
    if (!grid)
        return;
    const double step = grid->stepMm() * scale();
    // A dot whose centre lies just outside the repainted area still reaches into it; left
    // out, the dots along the edge of every strip uncovered by scrolling would be cut.
    const double radius = 0.9;
    const std::optional<CanvasDrawingGeometry::GridDots> dots =
        CanvasDrawingGeometry::gridDots(paper, dirty.adjusted(-radius, -radius, radius, radius), step);
    if (!dots)
        return;
    painter.save();
    painter.setClipPath(LabelRenderer::outline(m_store->document(), paper), Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(91 / 255.0f, 106 / 255.0f, 126 / 255.0f, 0.48f));
    for (int j = 0; j < dots->rows; ++j) {
        const double y = dots->first.y() + j * dots->spacing;
        for (int i = 0; i < dots->columns; ++i) {
            const double x = dots->first.x() + i * dots->spacing;
            painter.drawEllipse(QRectF(x - radius, y - radius, 2 * radius, 2 * radius));
        }
    }
    painter.restore();
}

void LabelCanvas::drawSmartSnapGuides(QPainter &painter, const QRectF &paper) const
{
    if (m_smartSnapGuides.isEmpty())
        return;
    const double s = scale();
    QPainterPath path;
    for (const ElementSnapGuide &guide : m_smartSnapGuides) {
        const double at = guide.positionMm * s;
        const double from = guide.spanStartMm * s - 5;
        const double to = guide.spanEndMm * s + 5;
        if (guide.orientation == ElementSnapGuide::Orientation::horizontal) {
            path.moveTo(paper.left() + from, paper.top() + at);
            path.lineTo(paper.left() + to, paper.top() + at);
        } else {
            path.moveTo(paper.left() + at, paper.top() + from);
            path.lineTo(paper.left() + at, paper.top() + to);
        }
    }
    painter.save();
    painter.setClipPath(LabelRenderer::outline(m_store->document(), paper), Qt::IntersectClip);
    QPen pen(withAlpha(systemBlue, 0.95), 1.25, Qt::CustomDashLine, Qt::FlatCap);
    pen.setDashPattern(dashInPoints(4, 2, 1.25));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

void LabelCanvas::drawMarquee(QPainter &painter, const QRectF &paper) const
{
    if (!m_marqueeMoved || !m_marqueeStartMm || !m_marqueeCurrentMm)
        return;
    const QRectF marquee = CanvasDrawingGeometry::marqueeRect(paper, scale(), *m_marqueeStartMm, *m_marqueeCurrentMm);
    painter.save();
    painter.fillRect(marquee, withAlpha(systemBlue, 0.1));
    QPen pen(withAlpha(systemBlue, 0.9), 1.25, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern(dashInPoints(5, 3, 1.25));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(marquee);
    painter.restore();
}

void LabelCanvas::drawSelectionOutlines(QPainter &painter, const QRectF &paper) const
{
    const double s = scale();
    painter.save();
    painter.setPen(QPen(systemBlue, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    for (const LabelElement &element : m_store->selection()) {
        if (element.id == m_editingElementID)
            continue;
        QPolygonF polygon;
        for (const QPointF &corner : element.corners())
            polygon << QPointF(paper.left() + corner.x() * s, paper.top() + corner.y() * s);
        // A NaN rotation or size has no outline to show.
        if (isFinitePolygon(polygon))
            painter.drawPolygon(polygon);
    }
    painter.restore();
}

void LabelCanvas::drawResizeHandles(QPainter &painter, const QRectF &paper, const LabelElement &element) const
{
    const double s = scale();
    painter.save();
    for (ElementResizeHandle handle : allResizeHandles()) {
        const QPointF mm = handlePosition(handle, element);
        const QPointF c(paper.left() + mm.x() * s, paper.top() + mm.y() * s);
        if (!std::isfinite(c.x()) || !std::isfinite(c.y()))
            continue;
        const QRectF square(c.x() - resizeHandleSize / 2, c.y() - resizeHandleSize / 2, resizeHandleSize,
                            resizeHandleSize);
        painter.fillRect(square, Qt::white);
        painter.setPen(QPen(systemBlue, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square.adjusted(0.75, 0.75, -0.75, -0.75));
    }
    painter.restore();
}

} // namespace kestrivane
