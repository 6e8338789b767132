#pragma once

// How a picture fills a box: stretched, fitted inside, covering it or scaled, and where
// its free or overhanging part goes. Used by image elements and image backgrounds.

#include <QRectF>
#include <QSizeF>
#include <QString>

namespace kestrivane {

// How a picture fills its box, read from WebImagePlacement::fit; `other` for any other word.
enum class WebImageFit { contain, cover, scale, fill, other };
QString rawValue(WebImageFit fit); // empty for other
WebImageFit webImageFit(const QString &raw);

// The clip shape of an image element, read from WebImagePlacement::shape; `other` for any
// other word.
enum class WebImageShape { rect, circle, rounded, other };
QString rawValue(WebImageShape shape); // empty for other
WebImageShape webImageShape(const QString &raw);

struct WebImagePlacement {
    // "contain", "cover", "scale" or "fill" (webImageFit).
    QString fit;
    // Percent; used by "scale" only.
    double scale = 0;
    // Percent of the horizontal leftover placed left of the picture (0 left, 50 centre,
    // 100 right; values outside 0...100 push further).
    double x = 0;
    // The same vertically (0 top, 100 bottom).
    double y = 0;
    // Clip shape of an image element: "rect", "circle" or "rounded" (webImageShape).
    // Backgrounds ignore it.
    QString shape;

    bool operator==(const WebImagePlacement &) const = default;

    // The rectangle the whole picture of natural size `intrinsic` is drawn in, for the
    // box `box`. It may extend beyond the box; the caller clips. A picture without a
    // positive size gives the empty rectangle (0, 0, 0, 0).
    QRectF imageRect(const QRectF &box, const QSizeF &intrinsic, bool background) const;

    // Throws DocumentError(invalidImage) unless every field is within its limits.
    void validate() const;
};

} // namespace kestrivane
