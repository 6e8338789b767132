#pragma once

#include <QByteArray>
#include <QSize>
#include <QSizeF>

namespace kestrivane {

// The size in points of a PNG picture: pixels × 72 / the resolution the file records in
// its pHYs chunk, per axis; the pixel size itself when the file records no resolution in
// physical units. Qt's decoder invents a screen-dependent resolution for files without one,
// so the chunk is read here.
QSizeF imagePointSize(const QByteArray &png, QSize pixelSize);

} // namespace kestrivane
