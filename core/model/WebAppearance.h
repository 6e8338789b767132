#pragma once

// The drawing details an element converted from a web template keeps beyond the plain
// element model: colours, corner radius, text placement and fitting, value and date
// formats, the GS1 caption of a barcode and the placement of a picture.

#include "core/model/WebImagePlacement.h"
#include "core/model/WebValues.h"

#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>

namespace kestrivane {

// Where a template text sits vertically in its box, read from WebAppearance::vertical;
// `other` for any word a template may hold that is none of these.
enum class WebTextVertical { top, center, bottom, other };
QString rawValue(WebTextVertical vertical); // empty for other
WebTextVertical webTextVertical(const QString &raw);

struct WebAppearance {
    // CSS colour of the ink (fill and stroke of the element's drawing).
    QString color = QStringLiteral("#000000");
    // CSS colour a filled rectangle or ellipse is filled with; the ink when absent.
    std::optional<QString> fill;
    // Corner radius of a rectangle element, points.
    double radiusPt = 0;
    // Vertical placement of text in its box: "top", "center" or "bottom" (webTextVertical).
    QString vertical = QStringLiteral("top");
    // Line height of web text as a multiple of the font size.
    double lineHeight = 1.2;
    // The text is reduced in size until it fits its box.
    bool shrink = false;
    // The template's own text-fit word, kept as it came; drawing follows `shrink`.
    std::optional<QString> fitMode;
    // Name of the WebTextValue format applied to the element's text.
    std::optional<QString> valueFormat;
    // True when the template gave the text no horizontal alignment.
    std::optional<bool> missingAlignment;
    // Date settings of a web date element.
    std::optional<WebDateStyle> date;
    // True: a barcode element draws the GS1 identification caption.
    std::optional<bool> gs1Identification;
    // Requested font size of that caption, CSS pixels (8 when absent).
    std::optional<double> gs1FontPx;
    // GTIN and serial the caption shows when the barcode content lacks AI 01 / AI 21.
    std::optional<QString> gs1GTIN;
    std::optional<QString> gs1Serial;
    // How an image element's picture fills its box.
    std::optional<WebImagePlacement> image;

    bool operator==(const WebAppearance &) const = default;

    // Throws DocumentError(invalidContent) for its own checks; the errors of the date
    // style and of the image placement pass through unchanged.
    void validate() const;

    // The one reader of CSS colours: named colours of a small table, #rgb, #rgba,
    // #rrggbb, #rrggbbaa, rgb() and rgba() with numbers or percentages. Gives an sRGB
    // colour, or nothing when the text is not a colour. (A static member cannot share
    // the name of the `color` field, hence the name.)
    static std::optional<QColor> cssColor(QStringView text);
};

} // namespace kestrivane
