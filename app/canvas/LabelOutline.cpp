#include "canvas/LabelOutline.h"

#include "model/LabelDocument.h"

#include <cmath>

namespace kestrivane {

QPainterPath labelOutline(const LabelDocument &document, const QRectF &rect)
{
    QPainterPath path;
    if (document.layout.shape == LabelShape::ellipse) {
        path.addEllipse(rect);
        return path;
    }
    const double radius = document.layout.cornerRadiusMm / document.widthMm * rect.width();
    if (std::isfinite(radius) && radius > 0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

} // namespace kestrivane
