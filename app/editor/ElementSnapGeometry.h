#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

namespace kestrivane {

// One guide line that the canvas draws while a snap holds. Millimetres, label space.
struct ElementSnapGuide {
    enum class Orientation {
        vertical,   // a line of constant x, produced by a horizontal snap
        horizontal, // a line of constant y, produced by a vertical snap
    };

    Orientation orientation = Orientation::vertical;
    double positionMm = 0;  // x of a vertical guide, y of a horizontal one
    double spanStartMm = 0; // smaller end along the line's own direction
    double spanEndMm = 0;   // larger end along the line's own direction

    bool operator==(const ElementSnapGuide &) const = default;
};

struct ElementSnapResult {
    QPointF delta;                  // displacement to apply to the moved elements, mm
    QList<ElementSnapGuide> guides; // at most two; a vertical guide comes first

    bool operator==(const ElementSnapResult &) const = default;
};

// Where a dragged group of elements lands: its edges and centre lines snap to those of the
// elements that stay put, an axis without such a partner falls back to the grid, and the
// result never leaves the label. Stateless; safe to call from any thread.
class ElementSnapGeometry {
public:
    ElementSnapGeometry() = delete;

    // Slack of every tolerance, containment, tie and guide comparison, in millimetres.
    static constexpr double slackMm = 1e-7;

    // movingBounds: the moved rectangle before the move. stationaryBounds: rectangles to snap
    // to; their order decides ties. gridStepMm: nullopt when the grid is not in use.
    // documentBounds: the label's rectangle (its minX/minY anchor the grid lines).
    static ElementSnapResult resolve(const QRectF &movingBounds, const QList<QRectF> &stationaryBounds,
                                     QPointF requestedDelta, double toleranceMm, std::optional<double> gridStepMm,
                                     const QRectF &documentBounds);

    // True when all four edges of the rectangle are finite numbers.
    static bool isFinite(const QRectF &rect);

    // The smallest rectangle enclosing `rect` and `accumulated`, starting from "no rectangle".
    // Unlike QRectF::united, a rectangle of zero width or height still counts (a horizontal
    // line has a real extent to snap to), and a non-finite rectangle makes the result
    // non-finite so that callers refuse it instead of silently skipping it.
    static QRectF unite(const std::optional<QRectF> &accumulated, const QRectF &rect);
};

} // namespace kestrivane
