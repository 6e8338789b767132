#pragma once

#include <QPainterPath>
#include <QRectF>

namespace kestrivane {

struct LabelDocument;

// The label's outline fitted into `rect`: the inscribed ellipse, or the rectangle with the
// corner radius scaled from the label's own width to the rectangle's.
QPainterPath labelOutline(const LabelDocument &document, const QRectF &rect);

} // namespace kestrivane
