#pragma once

#include "core/model/LabelElement.h"

#include <QList>
#include <QPointF>

#include <array>
#include <optional>

namespace kestrivane {

// The eight handles of a selected element, in the order in which they go round the frame
// (the raw values 0 to 7 follow it).
enum class ElementResizeHandle { topLeft, top, topRight, right, bottomRight, bottom, bottomLeft, left };

int rawValue(ElementResizeHandle handle);
// Every handle in order.
const QList<ElementResizeHandle> &allResizeHandles();
// The handle that stays put while `handle` is dragged: four places further round the frame.
ElementResizeHandle opposite(ElementResizeHandle handle);
bool isCornerHandle(ElementResizeHandle handle);

// The box of an element: origin and size before rotation, turned by rotationDegrees
// (clockwise on the page) about its centre. Millimetres, label space, y downwards.
struct ElementFrame {
    double xMm = 0;
    double yMm = 0;
    double widthMm = 0;
    double heightMm = 0;
    double rotationDegrees = 0;

    // Top-left, top-right, bottom-right, bottom-left of the unrotated box, rotated.
    std::array<QPointF, 4> corners() const;

    static ElementFrame of(const LabelElement &element)
    {
        return {element.xMm, element.yMm, element.widthMm, element.heightMm, element.rotationDegrees};
    }

    bool operator==(const ElementFrame &) const = default;
};

// Where a handle sits, given the element's four corners in the order of ElementFrame::corners.
QPointF handlePosition(ElementResizeHandle handle, const std::array<QPointF, 4> &corners);
inline QPointF handlePosition(ElementResizeHandle handle, const ElementFrame &frame)
{
    return handlePosition(handle, frame.corners());
}
inline QPointF handlePosition(ElementResizeHandle handle, const LabelElement &element)
{
    return handlePosition(handle, element.corners());
}

// Geometry of resizing one element by a handle and of moving values onto the grid. Pure
// functions: the editor passes the grid step only while the grid is shown (nullopt otherwise).
class ElementResizeGeometry {
public:
    ElementResizeGeometry() = delete;

    static constexpr double squareCodeMinimumMm = 10.0;
    // Smallest width or height a resize leaves: template elements may be finer.
    static double minimumSideMm(bool hasWebAppearance) { return hasWebAppearance ? 0.1 : 1.0; }

    // The frame after dragging `handle` to `to` (mm), keeping the opposite handle in place,
    // the rotation unchanged and never mirroring the element. Square codes keep equal sides
    // of at least 10 mm. The caller still has to check that the new corners are acceptable.
    static ElementFrame resize(const ElementFrame &start, ElementResizeHandle handle, QPointF to, bool isSquareCode,
                               bool hasWebAppearance, std::optional<double> gridStepMm);

    // The element resized as above, every other field unchanged; nullopt when a corner of the
    // result would leave the ±2000 mm range or stop being finite (the resize is then refused).
    static std::optional<LabelElement> resize(const LabelElement &element, ElementResizeHandle handle, QPointF to,
                                              std::optional<double> gridStepMm);

    // A length d along `direction` from `anchor` such that anchor + d × direction lies on a
    // grid line next to the pointer; at least `minimum`.
    static double snappedResizeDistance(QPointF anchor, QPointF direction, QPointF pointer, double rawDistance,
                                        double minimum, double gridStepMm);

    // The nearest grid line (halves away from zero); the value itself without a grid.
    static double snapped(double value, std::optional<double> gridStepMm);

    // The `steps`-th grid line from `value` in the direction's sign. A value within 1e-7 grid
    // units of a line counts as on it, so one step from a line reaches the neighbouring line.
    static double nudgedGridValue(double value, int direction, int steps, std::optional<double> gridStepMm);
};

} // namespace kestrivane
