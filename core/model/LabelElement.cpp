#include "core/model/LabelElement.h"

#include "core/common/TextRules.h"
#include "core/model/WebValues.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrivane {

LabelElement::LabelElement(QUuid id, ElementKind kind, QString content, double xMm, double yMm, double widthMm,
                           double heightMm, double fontSizePt)
    : id(id), kind(kind), content(std::move(content)), xMm(xMm), yMm(yMm), widthMm(widthMm), heightMm(heightMm),
      fontSizePt(fontSizePt)
{
}

bool LabelElement::isSquareCode() const
{
    switch (kind) {
    case ElementKind::qr: return true;
    case ElementKind::barcode:
        if (webAppearance)
            return barcode.symbology == BarcodeSymbology::qr;
        return isMatrix(barcode.symbology);
    default: return false;
    }
}

std::array<QPointF, 4> LabelElement::corners() const
{
    const double theta = rotationDegrees * std::numbers::pi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double cx = xMm + widthMm / 2;
    const double cy = yMm + heightMm / 2;
    const auto corner = [&](double dx, double dy) { return QPointF(cx + dx * c - dy * s, cy + dx * s + dy * c); };
    const double hw = widthMm / 2;
    const double hh = heightMm / 2;
    return {corner(-hw, -hh), corner(hw, -hh), corner(hw, hh), corner(-hw, hh)};
}

QRectF LabelElement::bounds() const
{
    const auto points = corners();
    double minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    for (const QPointF &p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

bool LabelElement::contains(const QPointF &point) const
{
    const double theta = -rotationDegrees * std::numbers::pi / 180;
    const double dx = point.x() - (xMm + widthMm / 2);
    const double dy = point.y() - (yMm + heightMm / 2);
    const double localX = dx * std::cos(theta) - dy * std::sin(theta);
    const double localY = dx * std::sin(theta) + dy * std::cos(theta);
    // Comparisons with NaN are false, so a NaN point is never inside.
    return std::abs(localX) <= widthMm / 2 && std::abs(localY) <= heightMm / 2;
}

QString LabelElement::displayText(const QDateTime &date, qint64 index) const
{
    switch (kind) {
    case ElementKind::counter: return counter.value(index, webAppearance.has_value());
    case ElementKind::dateTime:
        if (webAppearance && webAppearance->date)
            return webAppearance->date->value(date, content, text::timeZoneOrUtc(text::currentTimeZoneId()));
        return dateOptions.value(date);
    case ElementKind::text:
        if (webAppearance)
            return WebTextValue::format(content, webAppearance->valueFormat.value_or(QStringLiteral("plain")));
        return content;
    default: return content;
    }
}

} // namespace kestrivane
