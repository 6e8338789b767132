#pragma once

#include <QList>
#include <QString>

namespace kestrivane {

struct LabelElement;

// The two-line GS1 identification caption, "(01)" GTIN and "(21)" serial, printed under
// a barcode whose web appearance asks for it. Sizes follow the web templates' CSS
// pixels: 1 px = 0.75 pt.
namespace WebGS1Caption {

struct Layout {
    QList<QString> lines; // top to bottom
    double fontPt = 0;
    double heightPt = 0; // the band the caption takes under the bars

    friend bool operator==(const Layout &, const Layout &) = default;
};

// Throws what GS1 bracketing throws (DocumentIssue::invalidBarcode), invalidBarcode
// without a 14-character GTIN or a serial, and invalidGeometry when less than 3 mm of
// the element's height would be left for the bars. Pure; safe on any thread.
Layout layout(const LabelElement &element);

} // namespace WebGS1Caption
} // namespace kestrivane
