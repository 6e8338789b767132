#include "core/model/WebImagePlacement.h"

#include "core/common/DocumentIssue.h"
#include "core/common/RawValue.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrivane {

namespace {

constexpr std::array<WebImageFit, 4> allWebImageFits = {WebImageFit::contain, WebImageFit::cover, WebImageFit::scale,
                                                        WebImageFit::fill};
constexpr std::array<WebImageShape, 3> allWebImageShapes = {WebImageShape::rect, WebImageShape::circle,
                                                            WebImageShape::rounded};

} // namespace

QString rawValue(WebImageFit fit)
{
    switch (fit) {
    case WebImageFit::contain: return QStringLiteral("contain");
    case WebImageFit::cover: return QStringLiteral("cover");
    case WebImageFit::scale: return QStringLiteral("scale");
    case WebImageFit::fill: return QStringLiteral("fill");
    case WebImageFit::other: break;
    }
    return QString();
}

WebImageFit webImageFit(const QString &raw)
{
    return fromRawValue(allWebImageFits, raw).value_or(WebImageFit::other);
}

QString rawValue(WebImageShape shape)
{
    switch (shape) {
    case WebImageShape::rect: return QStringLiteral("rect");
    case WebImageShape::circle: return QStringLiteral("circle");
    case WebImageShape::rounded: return QStringLiteral("rounded");
    case WebImageShape::other: break;
    }
    return QString();
}

WebImageShape webImageShape(const QString &raw)
{
    return fromRawValue(allWebImageShapes, raw).value_or(WebImageShape::other);
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
