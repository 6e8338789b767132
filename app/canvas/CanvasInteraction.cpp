#include "app/canvas/CanvasInteraction.h"

#include "app/canvas/InlineTextEditor.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"
#include "core/model/LabelDocument.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace kestrivane {

namespace {

// The screen angle of each handle's resize arrow on an unturned element.
double baseCursorAngle(ElementResizeHandle handle)
{
    switch (handle) {
    case ElementResizeHandle::topLeft:
    case ElementResizeHandle::bottomRight: return 45;
    case ElementResizeHandle::top:
    case ElementResizeHandle::bottom: return 90;
    case ElementResizeHandle::topRight:
    case ElementResizeHandle::bottomLeft: return -45;
    case ElementResizeHandle::right:
    case ElementResizeHandle::left: return 0;
    }
    return 0;
}

bool isFinite(QPointF point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

// The angle folded into [0, 180); NaN stays NaN.
double foldedAngle(double angleDegrees)
{
    double a = std::fmod(angleDegrees, 180.0);
    if (a < 0)
        a += 180;
    return a;
}

QCursor drawnCursor(int key)
{
    const double ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(int(std::ceil(24 * ratio)), int(std::ceil(24 * ratio))));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.translate(12, 12);
        // Counter-clockwise on screen: the painter's y axis points down.
        painter.rotate(-key);
        QPainterPath path;
        const auto segment = [&path](QPointF from, QPointF to) {
            path.moveTo(from);
            path.lineTo(to);
        };
        segment({-7, 0}, {7, 0});
        segment({-7, 0}, {-3, 3});
        segment({-7, 0}, {-3, -3});
        segment({7, 0}, {3, 3});
        segment({7, 0}, {3, -3});
        painter.strokePath(path, QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.strokePath(path, QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    return QCursor(pixmap, 12, 12);
}

} // namespace

// --- Marquee geometry ----------------------------------------------------------------

bool MarqueeSelectionGeometry::convexPolygonsIntersect(const QList<QPointF> &a, const QList<QPointF> &b)
{
    QList<QPointF> axes;
    for (const QList<QPointF> *polygon : {&a, &b}) {
        const qsizetype n = polygon->size();
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF from = polygon->at(i);
            const QPointF to = polygon->at((i + 1) % n);
            const double dx = to.x() - from.x();
            const double dy = to.y() - from.y();
            const double length = std::hypot(dx, dy);
            if (length > 1e-9)
                axes.append(QPointF(-dy / length, dx / length));
        }
    }
    if (axes.isEmpty())
        return false;
    for (const QPointF &axis : axes) {
        const auto extent = [&axis](const QList<QPointF> &polygon) {
            double low = INFINITY;
            double high = -INFINITY;
            for (const QPointF &p : polygon) {
                const double projection = axis.x() * p.x() + axis.y() * p.y();
                low = std::min(low, projection);
                high = std::max(high, projection);
            }
            return std::pair(low, high);
        };
        const auto [minA, maxA] = extent(a);
        const auto [minB, maxB] = extent(b);
        if (maxA < minB - 1e-9 || maxB < minA - 1e-9)
            return false;
    }
    return true;
}

// --- Resize cursors ------------------------------------------------------------------

std::optional<int> ResizeCursorFactory::drawnAngle(double angleDegrees)
{
    const double a = foldedAngle(angleDegrees);
    if (!std::isfinite(a) || a < 0.5 || a > 179.5 || std::abs(a - 90) < 0.5)
        return std::nullopt;
    return int(std::lround(a)) % 180;
}

QCursor ResizeCursorFactory::cursor(double angleDegrees)
{
    static QHash<int, QCursor> cursors;
    const double a = foldedAngle(angleDegrees);
    // An angle that is no number (a broken rotation) gets the plain horizontal cursor.
    if (!std::isfinite(a) || a < 0.5 || a > 179.5)
        return QCursor(Qt::SizeHorCursor);
    if (std::abs(a - 90) < 0.5)
        return QCursor(Qt::SizeVerCursor);
    const int key = int(std::lround(a)) % 180;
    auto found = cursors.constFind(key);
    if (found == cursors.constEnd())
        found = cursors.insert(key, drawnCursor(key));
    return *found;
}

// --- CanvasInteraction ---------------------------------------------------------------

CanvasInteraction::CanvasInteraction(LabelCanvas *canvas, InlineTextEditor *inlineEditor)
    : QObject(canvas), m_canvas(canvas), m_inlineEditor(inlineEditor)
{
}

CanvasInteraction::~CanvasInteraction() = default;

void CanvasInteraction::beginHandling()
{
    m_refreshesAtStart = m_canvas ? m_canvas->refreshCount() : 0;
}

void CanvasInteraction::refresh()
{
    // An edit the store announced has already run the canvas's refresh; only a gesture
    // that changed nothing but the canvas's own state (marquee, guides, pending selection,
    // the in-place editor) still needs it.
    if (m_canvas && m_canvas->refreshCount() == m_refreshesAtStart)
        m_canvas->refresh();
}

void CanvasInteraction::refreshCursor()
{
    // The cursor stays as it is while a gesture runs.
    if (m_canvas && !m_pressed)
        updateCursor(m_canvas->mapFromGlobal(QCursor::pos()));
}

std::optional<QUuid> CanvasInteraction::elementAt(QPointF pointMm) const
{
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store)
        return std::nullopt;
    const QList<LabelElement> &elements = store->document().elements;
    for (qsizetype i = elements.size() - 1; i >= 0; --i) {
        if (elements[i].contains(pointMm))
            return elements[i].id;
    }
    return std::nullopt;
}

std::optional<ElementResizeHandle> CanvasInteraction::resizeHandle(QPointF viewPoint) const
{
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store || store->selectedIDs().size() != 1)
        return std::nullopt;
    const std::optional<LabelElement> selected = store->selected();
    if (!selected)
        return std::nullopt;
    const QRectF paper = m_canvas->paperRect();
    const double s = m_canvas->scale();
    std::optional<ElementResizeHandle> best;
    double bestDistance = INFINITY;
    for (ElementResizeHandle handle : allResizeHandles()) {
        const QPointF mm = handlePosition(handle, *selected);
        const QPointF c(paper.left() + mm.x() * s, paper.top() + mm.y() * s);
        const double distance = std::hypot(c.x() - viewPoint.x(), c.y() - viewPoint.y());
        if (!(distance <= LabelCanvas::resizeHandleSize))
            continue;
        if (distance < bestDistance) {
            best = handle;
            bestDistance = distance;
        }
    }
    return best;
}

std::optional<ElementResizeHandle> CanvasInteraction::cursorZone(QPointF viewPoint) const
{
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store || (m_inlineEditor && m_inlineEditor->isOpen()) || m_canvas->marqueeStartMm() ||
        store->selectedIDs().size() != 1)
        return std::nullopt;
    const std::optional<LabelElement> selected = store->selected();
    if (!selected)
        return std::nullopt;
    const QRectF paper = m_canvas->paperRect();
    const double s = m_canvas->scale();
    // Zones of neighbouring handles overlap on small elements: the first in order wins.
    for (ElementResizeHandle handle : allResizeHandles()) {
        const QPointF mm = handlePosition(handle, *selected);
        const QPointF c(paper.left() + mm.x() * s, paper.top() + mm.y() * s);
        const QRectF zone(c.x() - cursorZoneHalfSide, c.y() - cursorZoneHalfSide, 2 * cursorZoneHalfSide,
                          2 * cursorZoneHalfSide);
        if (zone.contains(viewPoint))
            return handle;
    }
    return std::nullopt;
}

double CanvasInteraction::cursorAngle(ElementResizeHandle handle, double rotationDegrees)
{
    return -(rotationDegrees + baseCursorAngle(handle));
}

void CanvasInteraction::updateCursor(QPointF viewPoint)
{
    if (!m_canvas)
        return;
    const std::optional<ElementResizeHandle> zone = cursorZone(viewPoint);
    if (!zone) {
        m_canvas->unsetCursor();
        return;
    }
    const double rotation = m_canvas->store()->selected()->rotationDegrees;
    m_canvas->setCursor(ResizeCursorFactory::cursor(cursorAngle(*zone, rotation)));
}

void CanvasInteraction::mousePress(QMouseEvent *event, int clickCount)
{
    beginHandling();
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store)
        return;
    m_pressed = true;
    m_canvas->setSmartSnapGuides({});
    if (m_canvas->marqueeStartMm())
        endMarquee();
    if (m_inlineEditor && m_inlineEditor->isOpen() && !m_inlineEditor->finish(true, true))
        return;
    // Committing may have replaced or dropped the store's document; look again.
    store = m_canvas->store();
    if (!store)
        return;
    m_canvas->setFocus(Qt::MouseFocusReason);

    const QPointF viewPoint = event->position();
    const QPointF mm = m_canvas->localPoint(viewPoint);
    const std::optional<QUuid> hit = elementAt(mm);
    const std::optional<ElementResizeHandle> handle = resizeHandle(viewPoint);
    std::optional<LabelElement> hitElement;
    if (hit) {
        for (const LabelElement &element : store->document().elements) {
            if (element.id == *hit)
                hitElement = element;
        }
    }

    if (clickCount >= 2 && hitElement && hitElement->kind == ElementKind::text && !hitElement->tableBinding) {
        m_canvas->setPendingEmptyClickSelection(std::nullopt);
        store->setSelectedID(hitElement->id);
        if (m_inlineEditor)
            m_inlineEditor->begin(*hitElement);
        refresh();
        return;
    }
    if (clickCount >= 2 && !hit && !handle && store->document().contains(mm) && m_canvas->onEditParameters) {
        // The first click of the double click cleared the selection; it comes back first.
        if (const auto pending = m_canvas->pendingEmptyClickSelection())
            store->setSelectedIDs(*pending);
        m_canvas->setPendingEmptyClickSelection(std::nullopt);
        // The sheet may take the release that ends this press.
        m_pressed = false;
        refresh();
        const auto editParameters = m_canvas->onEditParameters;
        editParameters();
        return;
    }

    m_activeResizeHandle = handle;
    if (handle) {
        if (const std::optional<LabelElement> selected = store->selected()) {
            m_canvas->setPendingEmptyClickSelection(std::nullopt);
            m_resizePointerOffset = mm - handlePosition(*handle, *selected);
            store->beginDrag();
            refresh();
            return;
        }
    }

    const bool extending = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (!hit) {
        if (clickCount == 1)
            m_canvas->setPendingEmptyClickSelection(store->selectedIDs());
        else if (clickCount >= 2)
            m_canvas->setPendingEmptyClickSelection(std::nullopt);
        m_resizePointerOffset = QPointF(0, 0);
        m_marqueeMode = extending ? MarqueeSelectionGeometry::Mode::extend : MarqueeSelectionGeometry::Mode::replace;
        m_marqueeStartCanvasPoint = viewPoint;
        m_marqueeBaseSelection = store->selectedIDs();
        m_canvas->setMarquee(mm, mm, false);
        if (m_marqueeMode == MarqueeSelectionGeometry::Mode::replace)
            store->setSelectedIDs({});
        refresh();
        return;
    }

    m_canvas->setPendingEmptyClickSelection(std::nullopt);
    m_resizePointerOffset = QPointF(0, 0);
    store->select(*hit, extending);
    if (store->selectedIDs().contains(*hit)) {
        // With several elements selected the offset is taken from the lowest of them,
        // the one the store moves to the pointer.
        if (const std::optional<LabelElement> primary = store->selected()) {
            m_dragOffset = mm - QPointF(primary->xMm, primary->yMm);
            store->beginDrag();
        }
    }
    refresh();
}

void CanvasInteraction::mouseMove(QMouseEvent *event)
{
    beginHandling();
    if (!m_canvas)
        return;
    // Mouse tracking is on for the hover cursors; only a held left button drags.
    if (!(event->buttons() & Qt::LeftButton) || !m_pressed) {
        updateCursor(event->position());
        return;
    }
    EditorStore *store = m_canvas->store();
    if (!store)
        return;
    if (m_canvas->marqueeStartMm()) {
        updateMarquee(event->position());
        refresh();
        return;
    }
    if (!store->selected())
        return;
    const QPointF mm = m_canvas->localPoint(event->position());
    if (!m_activeResizeHandle) {
        m_canvas->setSmartSnapGuides(store->drag(mm - m_dragOffset, snapTolerancePoints));
    } else {
        m_canvas->setSmartSnapGuides({});
        store->resize(mm - m_resizePointerOffset, *m_activeResizeHandle);
    }
    refresh();
}

void CanvasInteraction::mouseRelease(QMouseEvent *event)
{
    beginHandling();
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!m_canvas)
        return;
    m_pressed = false;
    EditorStore *store = m_canvas->store();
    if (store && m_canvas->marqueeStartMm()) {
        // A release beyond the threshold still counts, even without a move event before.
        updateMarquee(event->position());
        endMarquee();
        refresh();
        return;
    }
    if (store)
        store->endDrag();
    m_activeResizeHandle.reset();
    m_resizePointerOffset = QPointF(0, 0);
    m_canvas->setSmartSnapGuides({});
    refresh();
}

void CanvasInteraction::updateMarquee(QPointF viewPoint)
{
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store || !m_marqueeStartCanvasPoint || !m_canvas->marqueeStartMm())
        return;
    bool moved = m_canvas->marqueeMoved();
    if (!moved && std::hypot(viewPoint.x() - m_marqueeStartCanvasPoint->x(),
                             viewPoint.y() - m_marqueeStartCanvasPoint->y()) >= LabelCanvas::marqueeThreshold) {
        moved = true;
        m_canvas->setPendingEmptyClickSelection(std::nullopt);
    }
    const QPointF start = *m_canvas->marqueeStartMm();
    const QPointF current = m_canvas->localPoint(viewPoint);
    m_canvas->setMarquee(start, current, moved);
    if (!moved)
        return;

    const double minX = std::min(start.x(), current.x());
    const double minY = std::min(start.y(), current.y());
    const double maxX = std::max(start.x(), current.x());
    const double maxY = std::max(start.y(), current.y());
    QSet<QUuid> hits;
    if (std::isfinite(minX) && std::isfinite(minY) && std::isfinite(maxX) && std::isfinite(maxY)) {
        const QList<QPointF> marquee = {{minX, minY}, {maxX, minY}, {maxX, maxY}, {minX, maxY}};
        for (const LabelElement &element : store->document().elements) {
            const auto corners = element.corners();
            bool finite = true;
            for (const QPointF &corner : corners)
                finite = finite && isFinite(corner);
            if (finite && MarqueeSelectionGeometry::convexPolygonsIntersect(
                              marquee, QList<QPointF>(corners.begin(), corners.end())))
                hits.insert(element.id);
        }
    }
    const QSet<QUuid> result =
        m_marqueeMode == MarqueeSelectionGeometry::Mode::extend ? m_marqueeBaseSelection + hits : hits;
    // Unchanged drags publish nothing.
    if (result != store->selectedIDs())
        store->setSelectedIDs(result);
}

void CanvasInteraction::endMarquee()
{
    if (m_canvas)
        m_canvas->setMarquee(std::nullopt, std::nullopt, false);
    m_marqueeStartCanvasPoint.reset();
    m_marqueeBaseSelection.clear();
    m_marqueeMode = MarqueeSelectionGeometry::Mode::replace;
    m_activeResizeHandle.reset();
    m_resizePointerOffset = QPointF(0, 0);
    if (m_canvas)
        m_canvas->setSmartSnapGuides({});
}

bool CanvasInteraction::keyPress(QKeyEvent *event)
{
    beginHandling();
    EditorStore *store = m_canvas ? m_canvas->store() : nullptr;
    if (!store)
        return true;
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        // One undo step, none for an empty selection; the store's change redraws.
        store->deleteSelection();
        return true;
    }
    if (!store->selected())
        return false;
    int horizontal = 0;
    int vertical = 0;
    switch (key) {
    case Qt::Key_Left: horizontal = -1; break;
    case Qt::Key_Right: horizontal = 1; break;
    case Qt::Key_Up: vertical = -1; break;
    case Qt::Key_Down: vertical = 1; break;
    default: return false;
    }
    store->nudgeSelection(horizontal, vertical, (event->modifiers() & Qt::ShiftModifier) ? 5 : 1);
    refresh();
    return true;
}

// The clipboard commands reach the clipboard through the store's dialogs.
void CanvasInteraction::copy()
{
    if (EditorStore *store = m_canvas ? m_canvas->store() : nullptr)
        store->copySelection();
}

void CanvasInteraction::cut()
{
    // Deletes only what was really copied.
    if (EditorStore *store = m_canvas ? m_canvas->store() : nullptr)
        store->cut();
}

void CanvasInteraction::paste()
{
    if (EditorStore *store = m_canvas ? m_canvas->store() : nullptr)
        store->paste();
}

void CanvasInteraction::selectAll()
{
    if (EditorStore *store = m_canvas ? m_canvas->store() : nullptr)
        store->selectAll();
}

void CanvasInteraction::detach()
{
    if (m_inlineEditor && m_inlineEditor->isOpen())
        m_inlineEditor->finish(true, false);
    endMarquee();
    if (EditorStore *store = m_canvas ? m_canvas->store() : nullptr)
        store->endDrag();
    resetGesture();
    if (m_canvas)
        m_canvas->setPendingEmptyClickSelection(std::nullopt);
}

void CanvasInteraction::resetGesture()
{
    m_pressed = false;
    m_activeResizeHandle.reset();
    m_resizePointerOffset = QPointF(0, 0);
    if (m_canvas)
        m_canvas->setSmartSnapGuides({});
}

} // namespace kestrivane
