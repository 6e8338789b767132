#pragma once

// A label background from a web template: a plain colour, a linear or radial gradient, or
// a picture on a pad colour. The template's description is kept whole and only read when
// the background is checked or drawn.

#include "core/json/CatalogJSON.h"
#include "core/model/WebImagePlacement.h"

#include <QByteArray>
#include <QPainter>
#include <QRectF>

#include <optional>

namespace kestrivane {

class WebPictureStore;

// The kind of a background, read from WebBackground::type(); `other` for any other word.
enum class WebBackgroundType { none, color, linear, radial, image, other };
QString rawValue(WebBackgroundType type); // empty for other
WebBackgroundType webBackgroundType(const QString &raw);

struct WebBackground {
    // The description exactly as the template gave it. Read keys: "type" ("none",
    // "color", "linear", "radial", "image"), "color", "stops" (objects with "pos" in
    // percent and "color"), "angle", "cx", "cy", and "image" ("fit", "scale", "x", "y",
    // "pad"). Every other key is kept and ignored.
    CatalogJSON definition;
    // The encoded picture of an image background.
    std::optional<QByteArray> originalImage;

    friend bool operator==(const WebBackground &, const WebBackground &) = default;

    // "none" when the description is not an object or has no string "type"
    // (webBackgroundType reads it).
    QString type() const;

    // The placement of an image background's picture; defaults "cover", 100, 50, 50 for
    // whatever is missing or of another type. The shape is always "rect".
    WebImagePlacement imagePlacement() const;

    // Throws DocumentError: invalidContent for a malformed background (unknown type, bad
    // stops, colours, angle or centre), invalidImage for a missing or refused picture and
    // for placement rules.
    void validate() const;

    // Validates, then draws into `rect` (painter coordinates, y down). An image background
    // whose picture fails to decode throws invalidImage after the pad colour is filled.
    // The painter's state is left as it was. A `store` shares the loaded and decoded
    // picture between the labels of a run (see WebPictureStore).
    void draw(QPainter &painter, const QRectF &rect, WebPictureStore *store = nullptr) const;
};

} // namespace kestrivane
