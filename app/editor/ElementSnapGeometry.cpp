#include "app/editor/ElementSnapGeometry.h"

#include <array>
#include <cmath>
#include <limits>

namespace kestrivane {

namespace {

constexpr double eps = ElementSnapGeometry::slackMm;

enum class Anchor { min, mid, max };

struct AnchorPair {
    Anchor moved;
    Anchor stationary;
    int priority; // lower wins ties
};

// Index order matters: it is the last tie-break.
constexpr std::array<AnchorPair, 5> anchorPairs{{
    {Anchor::mid, Anchor::mid, 0}, // centre lines aligned
    {Anchor::min, Anchor::min, 1}, // leading edges aligned
    {Anchor::max, Anchor::max, 1}, // trailing edges aligned
    {Anchor::min, Anchor::max, 2}, // moved rectangle abuts the stationary one from after it
    {Anchor::max, Anchor::min, 2}, // moved rectangle abuts the stationary one from before it
}};

// One axis of a rectangle with its edges in increasing order, whatever the sign of the size.
// The centre and far edge are computed from origin and size, as rectangle edges usually are.
struct Span {
    double lo;
    double size;
    double hi;

    Span(double origin, double length) : lo(origin), size(length), hi(origin + length) {}

    double at(Anchor a) const
    {
        switch (a) {
        case Anchor::min: return lo;
        case Anchor::mid: return lo + size * 0.5;
        case Anchor::max: return hi;
        }
        return lo;
    }
};

Span xSpan(const QRectF &r)
{
    const QRectF n = r.normalized();
    return {n.left(), n.width()};
}

Span ySpan(const QRectF &r)
{
    const QRectF n = r.normalized();
    return {n.top(), n.height()};
}

struct AxisSnap {
    double diff = 0;       // signed pull on this axis
    double positionMm = 0; // the stationary anchor: where the guide lies
    int stationaryIndex = 0;
    int pairIndex = 0;
    int priority = 0;
};

// The best element snap on one axis, or nothing when no pair lies within the tolerance
// without pushing the moved span out of the label.
std::optional<AxisSnap> searchAxis(const Span &moved, const QList<Span> &stationary, const Span &label,
                                   double toleranceMm)
{
    std::optional<AxisSnap> best;
    for (int s = 0; s < stationary.size(); ++s) {
        for (int p = 0; p < int(anchorPairs.size()); ++p) {
            const AnchorPair &pair = anchorPairs[p];
            const double target = stationary[s].at(pair.stationary);
            const double diff = target - moved.at(pair.moved);
            if (!(std::fabs(diff) <= toleranceMm + eps))
                continue;
            if (!(label.lo - eps <= moved.lo + diff && moved.hi + diff <= label.hi + eps))
                continue;
            const AxisSnap candidate{diff, target, s, p, pair.priority};
            if (!best) {
                best = candidate;
                continue;
            }
            const double distance = std::fabs(diff);
            const double bestDistance = std::fabs(best->diff);
            if (distance < bestDistance - eps) {
                best = candidate;
            } else if (std::fabs(distance - bestDistance) <= eps) {
                const auto rank = [](const AxisSnap &a) {
                    return std::array<int, 3>{a.priority, a.stationaryIndex, a.pairIndex};
                };
                if (rank(candidate) < rank(*best))
                    best = candidate;
            }
        }
    }
    return best;
}

// Displacement on one axis before clamping: the element snap, else the nearest grid line
// (at any distance), else what the pointer asked for.
double axisDelta(const std::optional<AxisSnap> &snap, double requested, const Span &original, const Span &moved,
                 const Span &label, std::optional<double> gridStepMm)
{
    if (snap)
        return requested + snap->diff;
    if (gridStepMm && std::isfinite(*gridStepMm) && *gridStepMm > 0) {
        const double step = *gridStepMm;
        // std::round takes halves away from zero.
        const double n = std::round((moved.lo - label.lo) / step);
        const double delta = label.lo + n * step - original.lo;
        // A pathologically small step can overflow to infinity; then the grid cannot help.
        if (std::isfinite(delta))
            return delta;
    }
    return requested;
}

// The lower bound first and the upper bound last, so a span longer than the label ends
// with its far edge on the label's far edge.
double clampDelta(double delta, const Span &original, const Span &label)
{
    return std::min(label.hi - original.hi, std::max(delta, label.lo - original.lo));
}

} // namespace

bool ElementSnapGeometry::isFinite(const QRectF &rect)
{
    return std::isfinite(rect.left()) && std::isfinite(rect.top()) && std::isfinite(rect.left() + rect.width()) &&
           std::isfinite(rect.top() + rect.height());
}

QRectF ElementSnapGeometry::unite(const std::optional<QRectF> &accumulated, const QRectF &rect)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    if (!isFinite(rect) || (accumulated && !isFinite(*accumulated)))
        return QRectF(nan, nan, nan, nan);
    const QRectF r = rect.normalized();
    if (!accumulated)
        return r;
    const QRectF a = accumulated->normalized();
    const double left = std::min(a.left(), r.left());
    const double top = std::min(a.top(), r.top());
    const double right = std::max(a.left() + a.width(), r.left() + r.width());
    const double bottom = std::max(a.top() + a.height(), r.top() + r.height());
    return QRectF(left, top, right - left, bottom - top);
}

ElementSnapResult ElementSnapGeometry::resolve(const QRectF &movingBounds, const QList<QRectF> &stationaryBounds,
                                               QPointF requestedDelta, double toleranceMm,
                                               std::optional<double> gridStepMm, const QRectF &documentBounds)
{
    if (!isFinite(movingBounds) || !isFinite(documentBounds) || !std::isfinite(requestedDelta.x()) ||
        !std::isfinite(requestedDelta.y()) || !std::isfinite(toleranceMm) || toleranceMm < 0)
        return {};

    // Every candidate is judged against the rectangle at the requested place, never against
    // a rectangle already snapped on the other axis.
    const QRectF moved = movingBounds.translated(requestedDelta);

    QList<Span> stationaryX;
    QList<Span> stationaryY;
    QList<QRectF> stationary;
    stationaryX.reserve(stationaryBounds.size());
    stationaryY.reserve(stationaryBounds.size());
    stationary.reserve(stationaryBounds.size());
    for (const QRectF &r : stationaryBounds) {
        if (!isFinite(r))
            continue;
        stationary.append(r);
        stationaryX.append(xSpan(r));
        stationaryY.append(ySpan(r));
    }

    const Span labelX = xSpan(documentBounds);
    const Span labelY = ySpan(documentBounds);
    const Span originalX = xSpan(movingBounds);
    const Span originalY = ySpan(movingBounds);
    const Span movedX = xSpan(moved);
    const Span movedY = ySpan(moved);

    const std::optional<AxisSnap> snapX = searchAxis(movedX, stationaryX, labelX, toleranceMm);
    const std::optional<AxisSnap> snapY = searchAxis(movedY, stationaryY, labelY, toleranceMm);

    const double dx = axisDelta(snapX, requestedDelta.x(), originalX, movedX, labelX, gridStepMm);
    const double dy = axisDelta(snapY, requestedDelta.y(), originalY, movedY, labelY, gridStepMm);
    const double clampedX = clampDelta(dx, originalX, labelX);
    const double clampedY = clampDelta(dy, originalY, labelY);

    ElementSnapResult result;
    result.delta = QPointF(clampedX, clampedY);

    // A snap that the clamp moved away no longer lines anything up, so it shows no guide.
    const QRectF finalRect = movingBounds.translated(clampedX, clampedY);
    if (snapX && std::fabs(clampedX - dx) <= eps) {
        const Span partner = ySpan(stationary[snapX->stationaryIndex]);
        const Span self = ySpan(finalRect);
        result.guides.append({ElementSnapGuide::Orientation::vertical, snapX->positionMm, std::min(partner.lo, self.lo),
                              std::max(self.hi, partner.hi)});
    }
    if (snapY && std::fabs(clampedY - dy) <= eps) {
        const Span partner = xSpan(stationary[snapY->stationaryIndex]);
        const Span self = xSpan(finalRect);
        result.guides.append({ElementSnapGuide::Orientation::horizontal, snapY->positionMm,
                              std::min(partner.lo, self.lo), std::max(self.hi, partner.hi)});
    }
    return result;
}

} // namespace kestrivane
