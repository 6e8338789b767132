#include "core/model/LabelDocument.h"

#include "core/common/TableIssue.h"

#include <algorithm>
#include <cmath>

namespace kestrivane {

LabelDocument::LabelDocument(QString name, double widthMm, double heightMm, QList<LabelElement> elements)
    : name(std::move(name)), widthMm(widthMm), heightMm(heightMm), elements(std::move(elements))
{
}

bool LabelDocument::contains(const LabelElement &element) const
{
    const auto corners = element.corners();
    return std::all_of(corners.begin(), corners.end(), [this](const QPointF &corner) { return contains(corner); });
}

bool LabelDocument::contains(const QPointF &point) const
{
    const double x = point.x();
    const double y = point.y();
    if (std::isnan(x) || std::isnan(y) || x < -0.001 || y < -0.001)
        return false;
    if (x > widthMm + 0.001 || y > heightMm + 0.001)
        return false;
    if (layout.shape == LabelShape::ellipse) {
        const double a = widthMm / 2;
        const double b = heightMm / 2;
        const double u = (x - a) / a;
        const double v = (y - b) / b;
        return u * u + v * v <= 1.000001;
    }
    const double r = layout.cornerRadiusMm;
    if (r == 0)
        return true;
    const double ox = std::max({x - (widthMm - r), r - x, 0.0});
    const double oy = std::max({y - (heightMm - r), r - y, 0.0});
    return ox * ox + oy * oy <= r * r + 0.000001;
}

bool LabelDocument::isSafeElementPoint(const QPointF &point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y()) && std::abs(point.x()) <= maximumElementCoordinateMm &&
           std::abs(point.y()) <= maximumElementCoordinateMm;
}

LabelDocument LabelDocument::example()
{
    const QString code = QStringLiteral("01234567890123");
    return LabelDocument(
        QStringLiteral("Kestrivane"), 60, 40,
        {LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("Kestrivane"), 5, 5, 45, 8, 18),
         LabelElement(QUuid::createUuid(), ElementKind::qr, code, 5, 16, 18, 18, 14),
         LabelElement(QUuid::createUuid(), ElementKind::text, code, 27, 21, 29, 7, 9)});
}

LabelDocument LabelDocument::resolving(std::optional<qint64> row) const
{
    LabelDocument resolved = *this;
    QList<LabelElement> elements;
    elements.reserve(resolved.elements.size());
    for (LabelElement element : std::as_const(resolved.elements)) {
        if (element.tableBinding) {
            const TableBinding &binding = *element.tableBinding;
            if (!table || !row || *row < 0 || *row >= table->rows.size())
                throwIssue(TableIssue::binding);
            const QList<QString> &cells = table->rows[*row];
            if (binding.column < 0 || binding.column >= table->columns.size() || binding.column >= cells.size())
                throwIssue(TableIssue::binding);
            if (element.kind != ElementKind::text && element.kind != ElementKind::qr &&
                element.kind != ElementKind::barcode)
                throwIssue(TableIssue::binding);
            element.content = binding.prefix + cells[binding.column] + binding.suffix;
            element.tableBinding.reset();
            // The GTIN and serial of a caption came from the template's sample data; the
            // row's own content supplies them now.
            if (element.webAppearance) {
                element.webAppearance->gs1GTIN.reset();
                element.webAppearance->gs1Serial.reset();
            }
        }
        if (element.kind == ElementKind::text && element.content.isEmpty())
            continue;
        elements.append(std::move(element));
    }
    resolved.elements = std::move(elements);
    resolved.table.reset();
    resolved.batch = BatchOptions();
    return resolved;
}

} // namespace kestrivane
