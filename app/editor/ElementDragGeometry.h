#pragma once

#include "app/editor/ElementSnapGeometry.h"
#include "core/common/Units.h"
#include "core/model/LabelDocument.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QUuid>

#include <optional>

namespace kestrivane {

struct ElementDragResult {
    LabelDocument document;         // the gesture's start with the selection moved
    QList<ElementSnapGuide> guides; // what the canvas draws while the snap holds
};

// The whole of one drag step, computed from the document as it was when the pointer went
// down, so no error accumulates across pointer events. Pure: the editor passes its state.
class ElementDragGeometry {
public:
    ElementDragGeometry() = delete;

    // Moves the elements of `selectedIDs` so that the primary element's origin goes towards
    // `to` (mm), snapped as one enclosing rectangle against the unselected elements, the grid
    // (nullopt: not shown) and the label. When the snapped result would put a corner outside
    // ±2000 mm it is retried without element snapping. nullopt: nothing may change (no primary
    // element in `start`, or the document would still break the limit).
    static std::optional<ElementDragResult> drag(const LabelDocument &start, const QSet<QUuid> &selectedIDs,
                                                 const QUuid &primaryID, QPointF to, double snapTolerancePoints,
                                                 double zoom, std::optional<double> gridStepMm);

    // The snapping tolerance in millimetres for one in screen points at a canvas
    // magnification; magnifications at or below 0.01 count as 0.01, negative tolerances as 0.
    static double toleranceMm(double tolerancePoints, double zoom)
    {
        // A zoom that is not a number fails the comparison and counts as the floor as well.
        const double pointsPerMm = zoom > 0.01 ? zoom * Units::pointsPerMillimetre : 0.01 * Units::pointsPerMillimetre;
        const double points = tolerancePoints > 0 ? tolerancePoints : 0.0;
        return points / pointsPerMm;
    }

    // Every corner of every element finite and within ±2000 mm; true without elements.
    static bool allowsDraggedGeometry(const LabelDocument &document);

    // A copy with `delta` added to the origin of every element of `ids`.
    static LabelDocument moved(const LabelDocument &document, const QSet<QUuid> &ids, QPointF delta);
};

} // namespace kestrivane
