#include "app/canvas/CanvasRulerGeometry.h"

#include <algorithm>
#include <cmath>

namespace kestrivane {

CanvasRulerScale::CanvasRulerScale(double p)
{
    if (p >= 2.5)
        minorStepMm = 1;
    else if (p >= 1.25)
        minorStepMm = 2;
    else if (p >= 0.5)
        minorStepMm = 5;
    else
        minorStepMm = 10;
    majorStepMm = 100;
    for (double step : {10.0, 20.0, 50.0, 100.0}) {
        if (p * step >= 28) {
            majorStepMm = step;
            break;
        }
    }
    middleStepMm = majorStepMm / 2;
}

bool CanvasRulerGeometry::isMultiple(double x, double step)
{
    const double ratio = x / step;
    return std::abs(ratio - std::round(ratio)) < 1e-4;
}

QList<CanvasRulerGeometry::Tick> CanvasRulerGeometry::ticks(double zero, double length, double p)
{
    QList<Tick> result;
    if (!std::isfinite(zero) || !std::isfinite(length) || !std::isfinite(p) || !(p > 0) || length < 0)
        return result;
    const CanvasRulerScale scale(p);
    const double minor = scale.minorStepMm;
    const double first = std::floor(-zero / p / minor) - 1;
    const double last = std::ceil((length - zero) / p / minor) + 1;
    // Within the zoom range a minor step is at least 2.5 points, so a ruler of any real
    // length has a few thousand ticks at most; anything beyond is a broken input.
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > 1e6)
        return result;
    for (double n = first; n <= last; ++n) {
        const double value = minor * n;
        const double x = zero + p * value;
        if (x < -1 || x > length + 1)
            continue;
        Tick tick;
        tick.valueMm = value;
        tick.position = x;
        tick.line = std::round(x) + 0.5;
        if (isMultiple(value, scale.majorStepMm)) {
            tick.length = majorTickLength;
            tick.labelled = true;
        } else if (isMultiple(value, scale.middleStepMm)) {
            tick.length = middleTickLength;
        } else {
            tick.length = minorTickLength;
        }
        result.append(tick);
    }
    return result;
}

QString CanvasRulerGeometry::formatMillimeters(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    const double v = std::round(value * 100) / 100;
    if (!std::isfinite(v))
        return QStringLiteral("0");
    const double whole = std::round(v);
    if (std::abs(v - whole) < 1e-4) {
        // Written from the double, not through an integer, so huge values cannot overflow;
        // adding 0 turns -0 into 0.
        return QString::number(whole + 0.0, 'f', 0);
    }
    QString text = QString::number(v, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

std::optional<CanvasRulerGeometry::Band> CanvasRulerGeometry::selectionBand(double zero, double p, double startMm,
                                                                            double extentMm, double length)
{
    const double a = zero + p * startMm;
    const double b = a + p * extentMm;
    const double lo = std::max(std::fmin(a, b), 0.0);
    const double hi = std::min(std::fmax(a, b), length);
    if (!(lo <= hi))
        return std::nullopt;
    return Band{lo, hi};
}

std::optional<QRectF> CanvasRulerGeometry::badgeRect(QSizeF text, QPointF centre, const QRectF &bounds)
{
    const double w = text.width();
    const double h = text.height();
    if (!std::isfinite(centre.x()) || !std::isfinite(centre.y()) || !std::isfinite(w) || !std::isfinite(h))
        return std::nullopt;
    const QRectF box(centre.x() - w / 2 - 4, centre.y() - h / 2 - 2, w + 8, h + 4);
    const QRectF rect = box.intersected(bounds.adjusted(1, 1, -1, -1));
    if (rect.isEmpty() || rect.width() < w + 2)
        return std::nullopt;
    return rect;
}

} // namespace kestrivane
