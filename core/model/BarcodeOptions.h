#pragma once

#include "core/model/BarcodeSymbology.h"

#include <QJsonObject>
#include <QJsonValue>

namespace kestrivane {

// A closed interval of doubles, both ends included.
struct ClosedDoubleRange {
    double lowerBound;
    double upperBound;

    constexpr bool contains(double value) const { return value >= lowerBound && value <= upperBound; }
    friend constexpr bool operator==(const ClosedDoubleRange &, const ClosedDoubleRange &) = default;
};

// The barcode settings stored in every element. The constructor keeps its arguments
// unchanged: the caption size range is enforced by validation and by the inspector.
struct BarcodeOptions {
    static constexpr double defaultCaptionFontSizePt = 12;
    static constexpr ClosedDoubleRange captionFontSizeRange{3, 72};

    BarcodeSymbology symbology = BarcodeSymbology::code128;
    // Whether the human-readable text is drawn.
    bool showsText = false;
    // Caption font size asked of the renderer, in points.
    double captionFontSizePt = defaultCaptionFontSizePt;

    BarcodeOptions() = default;
    BarcodeOptions(BarcodeSymbology symbology, bool showsText, double captionFontSizePt = defaultCaptionFontSizePt)
        : symbology(symbology), showsText(showsText), captionFontSizePt(captionFontSizePt)
    {
    }

    friend bool operator==(const BarcodeOptions &, const BarcodeOptions &) = default;
};

// JSON form {"symbology", "showsText", "captionFontSizePt"}; the caption size is always
// written. A non-finite caption size cannot be written faithfully (it would come back as
// a different value) and throws DocumentIssue::invalidDocument.
QJsonObject toJson(const BarcodeOptions &options);

// Reads the JSON form. "symbology" (a raw value) and "showsText" (a Bool) are required,
// "captionFontSizePt" is optional (12 when absent or null). Anything else throws
// DocumentIssue::invalidDocument. Out-of-range sizes are kept for validation to refuse.
BarcodeOptions barcodeOptionsFromJson(const QJsonValue &json);

} // namespace kestrivane
