#pragma once

namespace kestrivane::Units {

// All label geometry is held in millimetres and turned into points only when drawing.
inline constexpr double pointsPerMillimetre = 72.0 / 25.4;

inline constexpr double points(double millimetres) { return millimetres * pointsPerMillimetre; }
inline constexpr double millimetres(double points) { return points / pointsPerMillimetre; }

} // namespace kestrivane::Units
