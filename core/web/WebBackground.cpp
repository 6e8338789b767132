// The value type is the model's; checking and drawing it needs pictures, so it is defined here.
#include "core/model/WebBackground.h"

#include "core/common/DocumentIssue.h"
#include "core/common/RawValue.h"
#include "core/model/WebAppearance.h"
#include "core/web/WebImageAsset.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace kestrivane {

namespace {

[[noreturn]] void malformed()
{
    throwIssue(DocumentIssue::invalidContent);
}

QColor colourOr(const CatalogJSON &value, const QString &fallback)
{
    const auto colour = WebAppearance::cssColor(value.string().value_or(fallback));
    if (!colour)
        malformed();
    return *colour;
}

double numberOr(const CatalogJSON &value, double fallback)
{
    return value.number().value_or(fallback);
}

struct Stop {
    double location; // 0...1
    QColor colour;
};

// The stops of a gradient whose description has passed validation.
QGradientStops gradientStops(const CatalogJSON &definition)
{
    const CatalogJSON::Array stops = definition[QStringLiteral("stops")].array().value_or(CatalogJSON::Array());
    QList<Stop> list;
    for (const CatalogJSON &stop : stops)
        list << Stop{*stop[QStringLiteral("pos")].number() / 100, colourOr(stop[QStringLiteral("color")], QString())};

    // Equal positions make a hard colour edge, but Qt keeps only the last of several stops
    // at one position. Spread them apart by a negligible step, forwards, and backwards
    // from 1 where the forward step ran past the end.
    constexpr double step = 1e-9;
    for (qsizetype i = 1; i < list.size(); ++i)
        list[i].location = std::max(list[i].location, list[i - 1].location + step);
    if (!list.isEmpty() && list.last().location > 1) {
        list.last().location = 1;
        for (qsizetype i = list.size() - 2; i >= 0; --i)
            list[i].location = std::min(list[i].location, list[i + 1].location - step);
    }
    QGradientStops result;
    for (const Stop &stop : list)
        result << QGradientStop(stop.location, stop.colour);
    return result;
}

void validateGradient(const CatalogJSON &definition)
{
    const auto stops = definition[QStringLiteral("stops")].array();
    if (!stops || stops->size() < 2 || stops->size() > 32)
        malformed();
    double previous = -std::numeric_limits<double>::infinity();
    for (const CatalogJSON &stop : *stops) {
        const auto fields = stop.object();
        if (!fields || fields->isEmpty())
            malformed();
        const auto pos = stop[QStringLiteral("pos")].number();
        if (!pos || !std::isfinite(*pos) || *pos < 0 || *pos > 100 || *pos < previous)
            malformed();
        previous = *pos;
        const auto colour = stop[QStringLiteral("color")].string();
        if (!colour || !WebAppearance::cssColor(*colour))
            malformed();
    }
    // Checked for both kinds of gradient, whichever of them reads the key.
    for (const char *key : {"angle", "cx", "cy"}) {
        const CatalogJSON value = definition[QLatin1String(key)];
        if (value.isNull())
            continue;
        const auto number = value.number();
        if (!number || !std::isfinite(*number) || std::abs(*number) > 10000)
            malformed();
    }
}

void drawLinear(QPainter &painter, const QRectF &rect, const CatalogJSON &definition)
{
    const double theta = numberOr(definition[QStringLiteral("angle")], 90) * std::numbers::pi / 180;
    const double w = rect.width();
    const double h = rect.height();
    const QPointF centre = rect.center();
    // The line through the centre, long enough that its perpendiculars through its ends
    // touch the far corners: 0° runs upwards, 90° left to right, 180° downwards.
    const double length = std::abs(w * std::sin(theta)) + std::abs(h * std::cos(theta));
    const QPointF half(std::sin(theta) * length / 2, -std::cos(theta) * length / 2);
    QLinearGradient gradient(centre - half, centre + half);
    gradient.setStops(gradientStops(definition));
    // Pad spread continues the end colours beyond both ends of the line.
    gradient.setSpread(QGradient::PadSpread);
    painter.fillRect(rect, gradient);
}

void drawRadial(QPainter &painter, const QRectF &rect, const CatalogJSON &definition)
{
    const QPointF centre(rect.left() + rect.width() * numberOr(definition[QStringLiteral("cx")], 50) / 100,
                         rect.top() + rect.height() * numberOr(definition[QStringLiteral("cy")], 50) / 100);
    const double dx = std::max(std::abs(centre.x() - rect.left()), std::abs(centre.x() - rect.right()));
    const double dy = std::max(std::abs(centre.y() - rect.top()), std::abs(centre.y() - rect.bottom()));
    QRadialGradient gradient(centre, std::hypot(dx, dy));
    gradient.setStops(gradientStops(definition));
    gradient.setSpread(QGradient::PadSpread);
    painter.fillRect(rect, gradient);
}

} // namespace

namespace {

constexpr std::array<WebBackgroundType, 5> allWebBackgroundTypes = {
    WebBackgroundType::none, WebBackgroundType::color, WebBackgroundType::linear, WebBackgroundType::radial,
    WebBackgroundType::image};

} // namespace

QString rawValue(WebBackgroundType type)
{
    switch (type) {
    case WebBackgroundType::none: return QStringLiteral("none");
    case WebBackgroundType::color: return QStringLiteral("color");
    case WebBackgroundType::linear: return QStringLiteral("linear");
    case WebBackgroundType::radial: return QStringLiteral("radial");
    case WebBackgroundType::image: return QStringLiteral("image");
    case WebBackgroundType::other: break;
    }
    return QString();
}

WebBackgroundType webBackgroundType(const QString &raw)
{
    return fromRawValue(allWebBackgroundTypes, raw).value_or(WebBackgroundType::other);
}

QString WebBackground::type() const
{
    return definition[QStringLiteral("type")].string().value_or(QStringLiteral("none"));
}

WebImagePlacement WebBackground::imagePlacement() const
{
    const CatalogJSON image = definition[QStringLiteral("image")];
    WebImagePlacement placement;
    placement.fit = image[QStringLiteral("fit")].string().value_or(QStringLiteral("cover"));
    placement.scale = numberOr(image[QStringLiteral("scale")], 100);
    placement.x = numberOr(image[QStringLiteral("x")], 50);
    placement.y = numberOr(image[QStringLiteral("y")], 50);
    placement.shape = QStringLiteral("rect");
    return placement;
}

void WebBackground::validate() const
{
    const WebBackgroundType kind = webBackgroundType(type());
    if (kind == WebBackgroundType::none)
        return;
    if (kind == WebBackgroundType::color) {
        colourOr(definition[QStringLiteral("color")], QStringLiteral("#ffffff"));
        return;
    }
    if (kind == WebBackgroundType::linear || kind == WebBackgroundType::radial) {
        validateGradient(definition);
        return;
    }
    if (kind == WebBackgroundType::image) {
        if (!originalImage)
            throwIssue(DocumentIssue::invalidImage);
        WebImageAsset::validate(*originalImage);
        imagePlacement().validate();
        const auto image = definition[QStringLiteral("image")].object();
        if (image && !image->isEmpty()) {
            const auto pad = definition[QStringLiteral("image")][QStringLiteral("pad")].string();
            if (pad && !WebAppearance::cssColor(*pad))
                malformed();
        }
        return;
    }
    malformed();
}

void WebBackground::draw(QPainter &painter, const QRectF &rect, WebPictureStore *store) const
{
    validate();
    const WebBackgroundType kind = webBackgroundType(type());
    painter.save();
    try {
        if (kind == WebBackgroundType::color) {
            painter.fillRect(rect, colourOr(definition[QStringLiteral("color")], QStringLiteral("#ffffff")));
        } else if (kind == WebBackgroundType::linear) {
            drawLinear(painter, rect, definition);
        } else if (kind == WebBackgroundType::radial) {
            drawRadial(painter, rect, definition);
        } else if (kind == WebBackgroundType::image) {
            const CatalogJSON pad = definition[QStringLiteral("image")][QStringLiteral("pad")];
            painter.fillRect(rect, colourOr(pad, QStringLiteral("#ffffff")));
            // Drawings are drawn from their cleaned text, raster pictures decoded at the
            // size they are drawn at.
            std::optional<WebPicture> loaded;
            const std::optional<WebPicture> &picture =
                store ? store->picture(*originalImage) : (loaded = WebPicture::load(*originalImage));
            if (!picture)
                throwIssue(DocumentIssue::invalidImage);
            const QRectF target = imagePlacement().imageRect(rect, picture->size(), true);
            if (!target.isEmpty() && !picture->draw(painter, target, store))
                throwIssue(DocumentIssue::invalidImage);
        }
    } catch (...) {
        painter.restore();
        throw;
    }
    painter.restore();
}

} // namespace kestrivane
