#include "core/model/WebImagePlacement.h"

#include "core/common/DocumentIssue.h"

#include <algorithm>
#include <cmath>

namespace kestrivane {

WebImageFit webImageFit(QStringView raw)
{
    if (raw == QLatin1String("contain"))
        return WebImageFit::contain;
    if (raw == QLatin1String("cover"))
        return WebImageFit::cover;
    if (raw == QLatin1String("scale"))
        return WebImageFit::scale;
    if (raw == QLatin1String("fill"))
        return WebImageFit::fill;
    return WebImageFit::other;
}

WebImageShape webImageShape(QStringView raw)
{
    if (raw == QLatin1String("rect"))
        return WebImageShape::rect;
    if (raw == QLatin1String("circle"))
        return WebImageShape::circle;
    if (raw == QLatin1String("rounded"))
        return WebImageShape::rounded;
    return WebImageShape::other;
}

QRectF WebImagePlacement::imageRect(const QRectF &box, const QSizeF &intrinsic, bool background) const
{
    const double iw = intrinsic.width();
    const double ih = intrinsic.height();
    // Written so that NaN sizes take this branch too.
    if (!(iw > 0) || !(ih > 0))
        return QRectF(0, 0, 0, 0);
    const WebImageFit mode = webImageFit(fit);
    if (mode == WebImageFit::fill)
        return box;

    const double W = box.width();
    const double H = box.height();
    const bool scaled = mode == WebImageFit::scale;
    // On an element the scaled area stays anchored at the box's top-left corner and the
    // leftover is measured against it; a background keeps the whole box as its area.
    double aw = W;
    double ah = H;
    if (scaled && !background) {
        aw = W * scale / 100;
        ah = H * scale / 100;
    }

    double width;
    double height;
    if (scaled && background) {
        // The picture's width is a share of the box width, its proportions kept.
        width = W * scale / 100;
        height = ih * (scale * W / 100) / iw;
    } else {
        const double r = mode == WebImageFit::contain ? std::min(aw / iw, ah / ih) : std::max(aw / iw, ah / ih);
        width = iw * r;
        height = ih * r;
    }
    return QRectF(box.x() + (aw - width) * x / 100, box.y() + (ah - height) * y / 100, width, height);
}

void WebImagePlacement::validate() const
{
    if (webImageFit(fit) == WebImageFit::other || webImageShape(shape) == WebImageShape::other)
        throwIssue(DocumentIssue::invalidImage);
    if (!std::isfinite(scale) || !std::isfinite(x) || !std::isfinite(y))
        throwIssue(DocumentIssue::invalidImage);
    if (scale < 0.1 || scale > 1000 || std::abs(x) > 1000 || std::abs(y) > 1000)
        throwIssue(DocumentIssue::invalidImage);
}

} // namespace kestrivane
