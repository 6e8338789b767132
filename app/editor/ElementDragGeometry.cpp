#include "app/editor/ElementDragGeometry.h"

namespace kestrivane {

bool ElementDragGeometry::allowsDraggedGeometry(const LabelDocument &document)
{
    for (const LabelElement &element : document.elements) {
        for (const QPointF &corner : element.corners()) {
            if (!LabelDocument::isSafeElementPoint(corner))
                return false;
        }
    }
    return true;
}

LabelDocument ElementDragGeometry::moved(const LabelDocument &document, const QSet<QUuid> &ids, QPointF delta)
{
    LabelDocument result = document;
    for (LabelElement &element : result.elements) {
        if (ids.contains(element.id)) {
            element.xMm += delta.x();
            element.yMm += delta.y();
        }
    }
    return result;
}

std::optional<ElementDragResult> ElementDragGeometry::drag(const LabelDocument &start, const QSet<QUuid> &selectedIDs,
                                                           const QUuid &primaryID, QPointF to,
                                                           double snapTolerancePoints, double zoom,
                                                           std::optional<double> gridStepMm)
{
    const LabelElement *primary = nullptr;
    std::optional<QRectF> moving;
    QList<QRectF> stationary;
    for (const LabelElement &element : start.elements) {
        if (selectedIDs.contains(element.id)) {
            moving = ElementSnapGeometry::unite(moving, element.bounds());
            if (!primary && element.id == primaryID)
                primary = &element;
        } else {
            stationary.append(element.bounds());
        }
    }
    if (!primary || !moving)
        return std::nullopt;

    const QPointF requested(to.x() - primary->xMm, to.y() - primary->yMm);
    const double tolerance = toleranceMm(snapTolerancePoints, zoom);
    const QRectF label(0, 0, start.widthMm, start.heightMm);

    ElementSnapResult snap = ElementSnapGeometry::resolve(*moving, stationary, requested, tolerance, gridStepMm, label);
    LabelDocument result = moved(start, selectedIDs, snap.delta);
    // Snapping onto a far-away element can carry the selection past the coordinate limit;
    // the plain grid and label clamp may still give a usable position.
    if (!allowsDraggedGeometry(result) && !stationary.isEmpty()) {
        snap = ElementSnapGeometry::resolve(*moving, {}, requested, tolerance, gridStepMm, label);
        result = moved(start, selectedIDs, snap.delta);
    }
    if (!allowsDraggedGeometry(result))
        return std::nullopt;
    return ElementDragResult{std::move(result), std::move(snap.guides)};
}

} // namespace kestrivane
