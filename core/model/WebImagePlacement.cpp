#include "core/model/WebImagePlacement.h"

#include "core/common/DocumentIssue.h"

#include <algorithm>
#include <cmath>

namespace kestrivane {

QRectF WebImagePlacement::imageRect(const QRectF &box, const QSizeF &intrinsic, bool background) const
{
    const double iw = intrinsic.width();
    const double ih = intrinsic.height();
    // Written so that NaN sizes take this branch too.
    if (!(iw > 0) || !(ih > 0))
        return QRectF(0, 0, 0, 0);
    if (fit == QLatin1String("fill"))
        return box;

    const double W = box.width();
    const double H = box.height();
    const bool scaled = fit == QLatin1String("scale");
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
        const double r = fit == QLatin1String("contain") ? std::min(aw / iw, ah / ih) : std::max(aw / iw, ah / ih);
        width = iw * r;
        height = ih * r;
    }
    return QRectF(box.x() + (aw - width) * x / 100, box.y() + (ah - height) * y / 100, width, height);
}

void WebImagePlacement::validate() const
{
    const bool knownFit = fit == QLatin1String("contain") || fit == QLatin1String("cover") ||
                          fit == QLatin1String("scale") || fit == QLatin1String("fill");
    const bool knownShape =
        shape == QLatin1String("rect") || shape == QLatin1String("circle") || shape == QLatin1String("rounded");
    if (!knownFit || !knownShape)
        throwIssue(DocumentIssue::invalidImage);
    if (!std::isfinite(scale) || !std::isfinite(x) || !std::isfinite(y))
        throwIssue(DocumentIssue::invalidImage);
    if (scale < 0.1 || scale > 1000 || std::abs(x) > 1000 || std::abs(y) > 1000)
        throwIssue(DocumentIssue::invalidImage);
}

} // namespace kestrivane
