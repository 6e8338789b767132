// Pointer gestures of EditorStore: moving the selection with snapping, resizing one element
// by a handle, and the grid arithmetic shared with the keyboard nudge. Every event of a
// gesture recomputes the result from `dragStart`, so no rounding accumulates.

#include "editor/EditorGridPreferences.h"
#include "editor/EditorStore.h"

#include "common/Units.h"

#include <cmath>
#include <numbers>

namespace kestrivane {

namespace {

constexpr double slack = 1e-7;

QPointF midpoint(QPointF a, QPointF b)
{
    return QPointF((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
}

// max(value, minimum) that keeps the minimum when the value is not a number.
double atLeast(double value, double minimum)
{
    return std::isnan(value) ? minimum : std::max(value, minimum);
}

} // namespace

QPointF position(ElementResizeHandle handle, const LabelElement &element)
{
    const auto c = element.corners();
    switch (handle) {
    case ElementResizeHandle::topLeft: return c[0];
    case ElementResizeHandle::top: return midpoint(c[0], c[1]);
    case ElementResizeHandle::topRight: return c[1];
    case ElementResizeHandle::right: return midpoint(c[1], c[2]);
    case ElementResizeHandle::bottomRight: return c[2];
    case ElementResizeHandle::bottom: return midpoint(c[2], c[3]);
    case ElementResizeHandle::bottomLeft: return c[3];
    case ElementResizeHandle::left: return midpoint(c[3], c[0]);
    }
    return c[0];
}

bool EditorStore::allowsDraggedGeometry(const LabelDocument &document)
{
    for (const LabelElement &element : document.elements)
        for (const QPointF &corner : element.corners())
            if (!LabelDocument::isSafeElementPoint(corner))
                return false;
    return true;
}

double EditorStore::snapped(double value) const
{
    if (!m_showsGrid)
        return value;
    const double step = m_gridPreferences->stepMm();
    // std::round rounds halves away from zero.
    const double r = std::round(value / step) * step;
    return std::abs(r) < slack ? 0.0 : r;
}

double EditorStore::nudgedGridValue(double value, int direction, int steps) const
{
    if (!m_showsGrid || direction == 0 || steps < 1)
        return value;
    const double step = m_gridPreferences->stepMm();
    const double q = value / step;
    const double n = double(steps);
    // Within the slack of a line counts as on it, so one step reaches the next line.
    if (direction >= 1)
        return (std::floor(q + slack) + n) * step;
    return (std::ceil(q - slack) - n) * step;
}

double EditorStore::snappedResizeDistance(QPointF anchor, QPointF direction, QPointF pointer, double rawDistance,
                                          double minimum) const
{
    const double step = m_gridPreferences->stepMm();
    double candidates[4];
    int count = 0;
    auto consider = [&](double d) {
        if (std::isfinite(d) && d >= minimum)
            candidates[count++] = d;
    };
    if (std::abs(direction.x()) > slack) {
        consider((std::floor(pointer.x() / step) * step - anchor.x()) / direction.x());
        consider((std::ceil(pointer.x() / step) * step - anchor.x()) / direction.x());
    }
    if (std::abs(direction.y()) > slack) {
        consider((std::floor(pointer.y() / step) * step - anchor.y()) / direction.y());
        consider((std::ceil(pointer.y() / step) * step - anchor.y()) / direction.y());
    }
    if (count == 0)
        return atLeast(rawDistance, minimum);
    double best = candidates[0];
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double px = anchor.x() + candidates[i] * direction.x() - pointer.x();
        const double py = anchor.y() + candidates[i] * direction.y() - pointer.y();
        const double distance = px * px + py * py;
        // Only a strictly closer point wins, so ties keep the earlier candidate.
        if (i == 0 || distance < bestDistance) {
            best = candidates[i];
            bestDistance = distance;
        }
    }
    return best;
}

QList<ElementSnapGuide> EditorStore::drag(QPointF to, double snapTolerancePoints)
{
    if (!m_dragStart)
        return {};
    const LabelDocument &start = *m_dragStart;
    const std::optional<QUuid> primaryID = selectedID();
    const LabelElement *primary = nullptr;
    for (const LabelElement &element : start.elements)
        if (primaryID && element.id == *primaryID) {
            primary = &element;
            break;
        }
    if (!primary)
        return {};

    std::optional<QRectF> moving;
    QList<QRectF> stationary;
    for (const LabelElement &element : start.elements) {
        if (m_selectedIDs.contains(element.id))
            moving = ElementSnapGeometry::unite(moving, element.bounds());
        else
            stationary.append(element.bounds());
    }
    const QPointF requested(to.x() - primary->xMm, to.y() - primary->yMm);

    // Magnifications at or below 0.01 count as 0.01, so the tolerance stays bounded.
    const double pointsPerMm = m_zoom > 0.01 ? m_zoom * Units::pointsPerMillimetre : 0.01 * Units::pointsPerMillimetre;
    const double tolerance = std::max(snapTolerancePoints, 0.0) / pointsPerMm;
    const std::optional<double> grid = m_showsGrid ? std::optional<double>(m_gridPreferences->stepMm()) : std::nullopt;
    const QRectF label(0, 0, start.widthMm, start.heightMm);

    auto moved = [&](const ElementSnapResult &result) {
        LabelDocument document = start;
        for (LabelElement &element : document.elements)
            if (m_selectedIDs.contains(element.id)) {
                element.xMm += result.delta.x();
                element.yMm += result.delta.y();
            }
        return document;
    };

    const QRectF movingBounds = moving.value_or(QRectF());
    ElementSnapResult result =
        ElementSnapGeometry::resolve(movingBounds, stationary, requested, tolerance, grid, label);
    LabelDocument candidate = moved(result);
    if (!allowsDraggedGeometry(candidate) && !stationary.isEmpty()) {
        // A snap to some far-off element may be what breaks the limit: try the grid alone.
        result = ElementSnapGeometry::resolve(movingBounds, {}, requested, tolerance, grid, label);
        candidate = moved(result);
    }
    if (!allowsDraggedGeometry(candidate))
        return {};
    writeDocument(candidate);
    return result.guides;
}

void EditorStore::resize(QPointF to, ElementResizeHandle handle)
{
    if (m_selectedIDs.size() != 1 || !m_dragStart)
        return;
    const std::optional<QUuid> id = selectedID();
    qsizetype index = -1;
    for (qsizetype i = 0; id && i < m_dragStart->elements.size(); ++i)
        if (m_dragStart->elements[i].id == *id) {
            index = i;
            break;
        }
    if (index < 0)
        return;
    const LabelElement &e = m_dragStart->elements[index];

    const double theta = e.rotationDegrees * std::numbers::pi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const QPointF anchor = position(opposite(handle), e);
    const bool square = e.isSquareCode();
    const bool corner = isCorner(handle);

    QPointF p = to;
    if (m_showsGrid && corner && !square)
        p = QPointF(snapped(to.x()), snapped(to.y()));
    const double u = c * (p.x() - anchor.x()) + s * (p.y() - anchor.y());
    const double v = c * (p.y() - anchor.y()) - s * (p.x() - anchor.x());
    const double minimum = e.webAppearance ? 0.1 : 1.0;

    const int sx = unitX(handle);
    const int sy = unitY(handle);
    double w = sx > 0 ? atLeast(u, minimum) : sx < 0 ? atLeast(-u, minimum) : e.widthMm;
    double h = sy < 0 ? atLeast(-v, minimum) : sy > 0 ? atLeast(v, minimum) : e.heightMm;

    if (square) {
        double side = corner ? std::min(w, h) : (sx == 0 ? h : w);
        if (m_showsGrid)
            side = snappedResizeDistance(anchor, QPointF(c * sx - s * sy, s * sx + c * sy), to, side, 10);
        side = atLeast(side, 10);
        w = h = side;
    } else if (m_showsGrid && !corner) {
        switch (handle) {
        case ElementResizeHandle::top: h = snappedResizeDistance(anchor, QPointF(s, -c), to, h, minimum); break;
        case ElementResizeHandle::bottom: h = snappedResizeDistance(anchor, QPointF(-s, c), to, h, minimum); break;
        case ElementResizeHandle::right: w = snappedResizeDistance(anchor, QPointF(c, s), to, w, minimum); break;
        case ElementResizeHandle::left: w = snappedResizeDistance(anchor, QPointF(-c, -s), to, w, minimum); break;
        default: break;
        }
    }

    // The new centre keeps the anchor where it was.
    const QPointF centre(anchor.x() + c * sx * w / 2 - s * sy * h / 2, anchor.y() + s * sx * w / 2 + c * sy * h / 2);
    LabelDocument candidate = *m_dragStart;
    LabelElement &resized = candidate.elements[index];
    resized.xMm = centre.x() - w / 2;
    resized.yMm = centre.y() - h / 2;
    resized.widthMm = w;
    resized.heightMm = h;
    for (const QPointF &point : resized.corners())
        if (!LabelDocument::isSafeElementPoint(point))
            return;
    writeDocument(candidate);
}

} // namespace kestrivane
