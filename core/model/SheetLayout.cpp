#include "core/model/SheetLayout.h"

#include "core/common/RawValue.h"

namespace kestrivane {

QString rawValue(LabelShape shape)
{
    return shape == LabelShape::rectangle ? QStringLiteral("rectangle") : QStringLiteral("ellipse");
}

std::optional<LabelShape> labelShapeFromRawValue(const QString &raw)
{
    return fromRawValue(allLabelShapes, raw);
}

QString titleKey(LabelShape shape)
{
    return shape == LabelShape::rectangle ? QStringLiteral("mac.rectangle") : QStringLiteral("mac.ellipse");
}

QString rawValue(LabelMedium medium)
{
    return medium == LabelMedium::directThermal ? QStringLiteral("directThermal") : QStringLiteral("thermalTransfer");
}

std::optional<LabelMedium> labelMediumFromRawValue(const QString &raw)
{
    return fromRawValue(allLabelMedia, raw);
}

QString titleKey(LabelMedium medium)
{
    return medium == LabelMedium::directThermal ? QStringLiteral("mac.thermal") : QStringLiteral("mac.transfer");
}

double SheetLayout::width(double label) const
{
    return (label * double(columns) + leftMarginMm) + columnGapMm * double(columns - 1);
}

double SheetLayout::height(double label) const
{
    return (label * double(rows) + topMarginMm) + rowGapMm * double(rows - 1);
}

double SheetLayout::columnX(qint64 column, double label) const
{
    return leftMarginMm + double(column) * (label + columnGapMm);
}

double SheetLayout::rowY(qint64 row, double label) const
{
    return topMarginMm + double(row) * (label + rowGapMm);
}

} // namespace kestrivane
