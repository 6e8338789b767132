#pragma once

#include <QColor>

namespace kestrivane::tablestyle {

// Failures in red, warnings and empty results in orange: fixed colours that read on light
// and dark palettes alike.
inline const QColor red(235, 64, 52);
inline const QColor orange(255, 149, 0);
// The accent of the label outlines, as on the canvas.
inline const QColor systemBlue(0, 122, 255);

// Sheet padding and the spacing of its stacks.
constexpr int padding = 24;
constexpr int spacing = 14;

} // namespace kestrivane::tablestyle
