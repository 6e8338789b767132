#pragma once

#include "core/render/PointFont.h"

#include <QSizeF>
#include <QString>

namespace kestrivane {

// Shrink-to-fit for web-template texts: the largest font size, found by bisection,
// at which the text wrapped into a box of a given width still fits the box's height.
//
// The line count is the web editor's own: every "\n" starts a paragraph (an empty one
// is a line of its own); a paragraph is cut into alternating runs of whitespace and
// of other characters that fill lines one after the other, a run that does not fit a
// line starts the next one, and a run longer than a line is broken between characters.
class WebTextFit {
public:
    static constexpr double smallestStartSizePt = 3;
    static constexpr int rounds = 12;
    static constexpr double pointsPerPixel = 0.75;    // CSS pixels: 96 per inch
    static constexpr double smallestResultPt = 0.075; // results are whole tenths of a pixel
    static constexpr double smallestLineHeight = 0.8;
    static constexpr double heightTolerancePt = 0.0075;

    // The font to draw `text` with in a box of `bounds` points at `lineHeight` times the
    // font size per line: `font` itself when the text fits at its own size; otherwise
    // the same face at the largest size that fits, rounded down to a tenth of a CSS
    // pixel but never below 0.075 pt; at min(size, 3 pt), unrounded, when even that
    // does not fit (also for a box without width or height).
    static PointFont font(const PointFont &font, const QString &text, const QSizeF &bounds, double lineHeight);

    // Whether the text wrapped at the box's width fits its height in `font`.
    static bool fits(const PointFont &font, const QString &text, const QSizeF &bounds, double lineHeight);

    // The number of lines (at least 1) the text takes wrapped at `widthPt` in `font`.
    static int lineCount(const PointFont &font, const QString &text, double widthPt);

private:
    WebTextFit() = delete;
};

} // namespace kestrivane
