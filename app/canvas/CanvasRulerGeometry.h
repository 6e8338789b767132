#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace kestrivane {

// Tick spacing of a millimetre ruler for a number of screen points per millimetre: minor
// ticks at least 2.5 points apart and labelled ticks at least 28 points apart over the
// whole zoom range.
struct CanvasRulerScale {
    double minorStepMm = 10;
    double middleStepMm = 50;
    double majorStepMm = 100;

    explicit CanvasRulerScale(double pointsPerMillimetre);

    bool operator==(const CanvasRulerScale &) const = default;
};

// What a ruler draws, computed in the ruler's own coordinates along its axis.
namespace CanvasRulerGeometry {
inline constexpr double majorTickLength = 15;
inline constexpr double middleTickLength = 10;
inline constexpr double minorTickLength = 6;

struct Tick {
    double valueMm = 0;  // the label coordinate of the tick
    double position = 0; // where it falls on the ruler
    double line = 0;     // where its line is stroked: on the middle of a whole pixel
    double length = 0;
    bool labelled = false; // a major tick, which carries its value

    bool operator==(const Tick &) const = default;
};

// Whether x is a whole multiple of step, with a tolerance of 1e-4 on x / step.
bool isMultiple(double x, double step);

// The ticks of a ruler of `length` points whose zero (the label's edge) lies at `zero`,
// including those within one point outside either end. Empty when the inputs are not
// finite or p is not positive.
QList<Tick> ticks(double zero, double length, double pointsPerMillimetre);

// A millimetre value as the rulers write it: at most two decimals, no trailing zeros,
// whole numbers without a point, never "-0"; "0" for a value that is not finite.
QString formatMillimeters(double value);

// The tinted part of a ruler of `length` for a selection starting at `startMm` and
// `extentMm` long, cut at the ruler's ends: (lo, hi) along the axis. Absent when the
// selection lies wholly beyond one end.
struct Band {
    double lo = 0;
    double hi = 0;
    bool operator==(const Band &) const = default;
};
std::optional<Band> selectionBand(double zero, double pointsPerMillimetre, double startMm, double extentMm,
                                  double length);

// The rounded box of a badge whose text measures `text`, centred at `centre` and squeezed
// inside the ruler's `bounds` less one point. Absent when it no longer fits its text.
std::optional<QRectF> badgeRect(QSizeF text, QPointF centre, const QRectF &bounds);
} // namespace CanvasRulerGeometry

} // namespace kestrivane
