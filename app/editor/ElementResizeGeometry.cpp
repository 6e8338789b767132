#include "app/editor/ElementResizeGeometry.h"

#include "core/model/LabelDocument.h"

#include <cmath>
#include <limits>

namespace kestrivane {

namespace {

constexpr double pi = 3.141592653589793;

struct HandleSigns {
    int sx; // along the element's local x axis
    int sy; // along its local y axis
};

HandleSigns signs(ElementResizeHandle handle)
{
    switch (handle) {
    case ElementResizeHandle::topLeft: return {-1, -1};
    case ElementResizeHandle::top: return {0, -1};
    case ElementResizeHandle::topRight: return {1, -1};
    case ElementResizeHandle::right: return {1, 0};
    case ElementResizeHandle::bottomRight: return {1, 1};
    case ElementResizeHandle::bottom: return {0, 1};
    case ElementResizeHandle::bottomLeft: return {-1, 1};
    case ElementResizeHandle::left: return {-1, 0};
    }
    return {0, 0};
}

QPointF midpoint(QPointF a, QPointF b)
{
    return QPointF((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
}

// max(value, minimum) that keeps the minimum when value is NaN (std::max would not).
double atLeast(double value, double minimum)
{
    return value > minimum ? value : minimum;
}

} // namespace

int rawValue(ElementResizeHandle handle)
{
    return static_cast<int>(handle);
}

const QList<ElementResizeHandle> &allResizeHandles()
{
    static const QList<ElementResizeHandle> handles{
        ElementResizeHandle::topLeft,    ElementResizeHandle::top,         ElementResizeHandle::topRight,
        ElementResizeHandle::right,      ElementResizeHandle::bottomRight, ElementResizeHandle::bottom,
        ElementResizeHandle::bottomLeft, ElementResizeHandle::left,
    };
    return handles;
}

ElementResizeHandle opposite(ElementResizeHandle handle)
{
    return static_cast<ElementResizeHandle>((rawValue(handle) + 4) % 8);
}

bool isCornerHandle(ElementResizeHandle handle)
{
    return rawValue(handle) % 2 == 0;
}

std::array<QPointF, 4> ElementFrame::corners() const
{
    const double theta = rotationDegrees * pi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double cx = xMm + widthMm / 2;
    const double cy = yMm + heightMm / 2;
    const double hw = widthMm / 2;
    const double hh = heightMm / 2;
    const auto corner = [&](double dx, double dy) { return QPointF(cx + dx * c - dy * s, cy + dx * s + dy * c); };
    return {corner(-hw, -hh), corner(hw, -hh), corner(hw, hh), corner(-hw, hh)};
}

QPointF handlePosition(ElementResizeHandle handle, const std::array<QPointF, 4> &corners)
{
    switch (handle) {
    case ElementResizeHandle::topLeft: return corners[0];
    case ElementResizeHandle::top: return midpoint(corners[0], corners[1]);
    case ElementResizeHandle::topRight: return corners[1];
    case ElementResizeHandle::right: return midpoint(corners[1], corners[2]);
    case ElementResizeHandle::bottomRight: return corners[2];
    case ElementResizeHandle::bottom: return midpoint(corners[2], corners[3]);
    case ElementResizeHandle::bottomLeft: return corners[3];
    case ElementResizeHandle::left: return midpoint(corners[3], corners[0]);
    }
    return corners[0];
}

ElementFrame ElementResizeGeometry::resize(const ElementFrame &start, ElementResizeHandle handle, QPointF to,
                                           bool isSquareCode, bool hasWebAppearance, std::optional<double> gridStepMm)
{
    const double theta = start.rotationDegrees * pi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const QPointF anchor = handlePosition(opposite(handle), start);
    const bool corner = isCornerHandle(handle);
    const auto [sx, sy] = signs(handle);

    // Corners of ordinary elements follow the pointer onto the grid; edges and square codes
    // snap their length instead, below.
    QPointF p = to;
    if (gridStepMm && corner && !isSquareCode)
        p = QPointF(snapped(to.x(), gridStepMm), snapped(to.y(), gridStepMm));

    // The pointer in the element's own frame, relative to the anchor.
    const double u = c * (p.x() - anchor.x()) + s * (p.y() - anchor.y());
    const double v = c * (p.y() - anchor.y()) - s * (p.x() - anchor.x());

    // Pulling past the anchor stops at the minimum instead of mirroring the element.
    const double m = minimumSideMm(hasWebAppearance);
    double w = sx > 0 ? atLeast(u, m) : sx < 0 ? atLeast(-u, m) : start.widthMm;
    double h = sy > 0 ? atLeast(v, m) : sy < 0 ? atLeast(-v, m) : start.heightMm;

    if (isSquareCode) {
        double side = corner ? (h < w ? h : w) : (sx == 0 ? h : w);
        if (gridStepMm) {
            const QPointF direction(c * sx - s * sy, s * sx + c * sy);
            side = snappedResizeDistance(anchor, direction, to, side, squareCodeMinimumMm, *gridStepMm);
        }
        side = atLeast(side, squareCodeMinimumMm);
        w = side;
        h = side;
    } else if (gridStepMm && !corner) {
        switch (handle) {
        case ElementResizeHandle::top: h = snappedResizeDistance(anchor, QPointF(s, -c), to, h, m, *gridStepMm); break;
        case ElementResizeHandle::bottom:
            h = snappedResizeDistance(anchor, QPointF(-s, c), to, h, m, *gridStepMm);
            break;
        case ElementResizeHandle::right: w = snappedResizeDistance(anchor, QPointF(c, s), to, w, m, *gridStepMm); break;
        case ElementResizeHandle::left:
            w = snappedResizeDistance(anchor, QPointF(-c, -s), to, w, m, *gridStepMm);
            break;
        default: break;
        }
    }

    // The centre sits half the new size away from the anchor along the handle's signs, so
    // the anchor stays exactly where it was.
    const QPointF centre(anchor.x() + c * sx * w / 2 - s * sy * h / 2, anchor.y() + s * sx * w / 2 + c * sy * h / 2);
    ElementFrame result = start;
    result.xMm = centre.x() - w / 2;
    result.yMm = centre.y() - h / 2;
    result.widthMm = w;
    result.heightMm = h;
    return result;
}

std::optional<LabelElement> ElementResizeGeometry::resize(const LabelElement &element, ElementResizeHandle handle,
                                                          QPointF to, std::optional<double> gridStepMm)
{
    const ElementFrame frame = resize(ElementFrame::of(element), handle, to, element.isSquareCode(),
                                      element.webAppearance.has_value(), gridStepMm);
    LabelElement result = element;
    result.xMm = frame.xMm;
    result.yMm = frame.yMm;
    result.widthMm = frame.widthMm;
    result.heightMm = frame.heightMm;
    // Only the resized element can have changed, so only its corners are checked.
    for (const QPointF &corner : result.corners()) {
        if (!LabelDocument::isSafeElementPoint(corner))
            return std::nullopt;
    }
    return result;
}

double ElementResizeGeometry::snappedResizeDistance(QPointF anchor, QPointF direction, QPointF pointer,
                                                    double rawDistance, double minimum, double gridStepMm)
{
    const double step = gridStepMm;
    QList<double> candidates;
    const auto consider = [&](double d) {
        if (std::isfinite(d) && d >= minimum)
            candidates.append(d);
    };
    if (std::fabs(direction.x()) > 1e-7) {
        consider((std::floor(pointer.x() / step) * step - anchor.x()) / direction.x());
        consider((std::ceil(pointer.x() / step) * step - anchor.x()) / direction.x());
    }
    if (std::fabs(direction.y()) > 1e-7) {
        consider((std::floor(pointer.y() / step) * step - anchor.y()) / direction.y());
        consider((std::ceil(pointer.y() / step) * step - anchor.y()) / direction.y());
    }
    if (candidates.isEmpty())
        return rawDistance >= minimum ? rawDistance : minimum;

    double best = candidates.first();
    double bestSquared = std::numeric_limits<double>::infinity();
    for (double d : candidates) {
        const double ex = anchor.x() + d * direction.x() - pointer.x();
        const double ey = anchor.y() + d * direction.y() - pointer.y();
        const double squared = ex * ex + ey * ey;
        // Strictly closer only: ties keep the earlier candidate.
        if (squared < bestSquared) {
            bestSquared = squared;
            best = d;
        }
    }
    return best;
}

double ElementResizeGeometry::snapped(double value, std::optional<double> gridStepMm)
{
    if (!gridStepMm)
        return value;
    const double step = *gridStepMm;
    const double r = std::round(value / step) * step; // halves away from zero
    return std::fabs(r) < 1e-7 ? 0.0 : r;             // no negative zero
}

double ElementResizeGeometry::nudgedGridValue(double value, int direction, int steps, std::optional<double> gridStepMm)
{
    if (!gridStepMm || direction == 0 || steps < 1)
        return value;
    const double step = *gridStepMm;
    const double q = value / step;
    const double n = steps;
    return direction >= 1 ? (std::floor(q + 1e-7) + n) * step : (std::ceil(q - 1e-7) - n) * step;
}

} // namespace kestrivane
