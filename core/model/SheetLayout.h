#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrivane {

// Outline of each label on the sheet.
enum class LabelShape { rectangle, ellipse };
inline constexpr std::array<LabelShape, 2> allLabelShapes = {LabelShape::rectangle, LabelShape::ellipse};
QString rawValue(LabelShape shape);
std::optional<LabelShape> labelShapeFromRawValue(const QString &raw);
QString titleKey(LabelShape shape); // "mac.rectangle", "mac.ellipse"

enum class LabelMedium { directThermal, thermalTransfer };
inline constexpr std::array<LabelMedium, 2> allLabelMedia = {LabelMedium::directThermal, LabelMedium::thermalTransfer};
QString rawValue(LabelMedium medium);
std::optional<LabelMedium> labelMediumFromRawValue(const QString &raw);
QString titleKey(LabelMedium medium); // "mac.thermal", "mac.transfer"

// The label shape, the medium and the grid of labels on one sheet, in millimetres.
// There is no right or bottom margin: the sheet ends with the last column and row.
struct SheetLayout {
    LabelShape shape = LabelShape::rectangle;
    double cornerRadiusMm = 0;
    LabelMedium medium = LabelMedium::directThermal;
    qint64 columns = 1;
    qint64 rows = 1;
    double leftMarginMm = 0;
    double topMarginMm = 0;
    double columnGapMm = 0;
    double rowGapMm = 0;

    // (label × columns + left margin) + column gap × (columns − 1), in that order.
    double width(double label) const;
    // (label × rows + top margin) + row gap × (rows − 1), in that order.
    double height(double label) const;
    // Left edge of the labels in `column` (from 0): left margin + column × (label + column gap).
    double columnX(qint64 column, double label) const;
    // Top edge of the labels in `row` (from 0): top margin + row × (label + row gap).
    double rowY(qint64 row, double label) const;

    friend bool operator==(const SheetLayout &, const SheetLayout &) = default;
};

} // namespace kestrivane
