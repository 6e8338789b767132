#include "core/artwork/VectorArtwork.h"

#include "core/json/JsonRead.h"
#include "core/common/TextRules.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrivane {

namespace {

VectorArtwork::Command decodeCommand(const QJsonValue &value)
{
    const QJsonObject object = json::toObject(value);
    VectorArtwork::Command command;
    command.kind = json::requireString(object, QStringLiteral("kind"));
    for (const QJsonValue &number : json::requireArray(object, QStringLiteral("values")))
        command.values.append(json::toDouble(number));
    const std::optional<int> needed = VectorArtwork::valueCount(command.kind);
    if (!needed)
        json::fail(QStringLiteral("unknown command \"%1\"").arg(command.kind));
    if (command.values.size() < *needed)
        json::fail(QStringLiteral("command \"%1\" has %2 values, needs %3")
                       .arg(command.kind)
                       .arg(command.values.size())
                       .arg(*needed));
    return command;
}

VectorArtwork::Shape decodeShape(const QJsonValue &value)
{
    const QJsonObject object = json::toObject(value);
    VectorArtwork::Shape shape;
    for (const QJsonValue &command : json::requireArray(object, QStringLiteral("commands")))
        shape.commands.append(decodeCommand(command));
    shape.fill = json::requireString(object, QStringLiteral("fill"));
    shape.stroke = json::requireString(object, QStringLiteral("stroke"));
    shape.lineWidth = json::requireDouble(object, QStringLiteral("lineWidth"));
    shape.evenOdd = json::requireBool(object, QStringLiteral("evenOdd"));
    shape.opacity = json::requireDouble(object, QStringLiteral("opacity"));
    return shape;
}

double degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

// The angle in [0, 2π) that `radians` names.
double normalisedTurn(double radians)
{
    const double turn = 2 * std::numbers::pi;
    const double value = std::fmod(radians, turn);
    return value < 0 ? value + turn : value;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

std::optional<int> VectorArtwork::valueCount(const QString &kind)
{
    if (kind.size() != 1)
        return std::nullopt;
    switch (kind.front().unicode()) {
    case u'M':
    case u'L': return 2;
    case u'E': return 4;
    case u'C':
    case u'A':
    case u'R': return 6;
    case u'Z': return 0;
    default: return std::nullopt;
    }
}

VectorArtwork VectorArtwork::decode(const QByteArray &text)
{
    const QJsonObject object = json::parseObject(text);
    VectorArtwork artwork;
    artwork.width = json::requireDouble(object, QStringLiteral("width"));
    artwork.height = json::requireDouble(object, QStringLiteral("height"));
    for (const QJsonValue &shape : json::requireArray(object, QStringLiteral("shapes")))
        artwork.shapes.append(decodeShape(shape));
    return artwork;
}

QPainterPath VectorArtwork::Shape::path() const
{
    QPainterPath path;
    // QPainterPath starts every path at (0, 0): a line, curve or arc that came first
    // would be joined to the corner. Without a current point they begin a subpath instead.
    bool hasCurrentPoint = false;
    for (const Command &command : commands) {
        const QList<double> &v = command.values;
        const std::optional<int> needed = valueCount(command.kind);
        if (!needed || v.size() < *needed)
            continue; // decoding refuses these; a hand-built shape skips them
        switch (command.kind.front().unicode()) {
        case u'M': path.moveTo(v[0], v[1]); break;
        case u'L':
            if (hasCurrentPoint)
                path.lineTo(v[0], v[1]);
            else
                path.moveTo(v[0], v[1]);
            break;
        case u'C':
            if (hasCurrentPoint)
                path.cubicTo(v[0], v[1], v[2], v[3], v[4], v[5]);
            else
                path.moveTo(v[4], v[5]);
            break;
        case u'E': path.addEllipse(QRectF(v[0], v[1], v[2], v[3])); break;
        case u'A': {
            const double radius = v[2];
            const QRectF circle(v[0] - radius, v[1] - radius, 2 * radius, 2 * radius);
            // Qt measures angles counter-clockwise with y up; the format measures them
            // from +x towards +y with y down, so a format angle t is Qt's -t.
            const double sweep = v[5] != 0 ? -normalisedTurn(v[4] - v[3]) : normalisedTurn(v[3] - v[4]);
            if (!hasCurrentPoint)
                path.arcMoveTo(circle, -degrees(v[3]));
            path.arcTo(circle, -degrees(v[3]), degrees(sweep));
            break;
        }
        case u'R': {
            const QRectF rect(v[0], v[1], v[2], v[3]);
            const double rx = std::clamp(v[4], 0.0, std::abs(v[2]) / 2);
            const double ry = std::clamp(v[5], 0.0, std::abs(v[3]) / 2);
            path.addRoundedRect(rect, rx, ry);
            break;
        }
        case u'Z':
            if (hasCurrentPoint)
                path.closeSubpath();
            break;
        }
        if (command.kind != QLatin1String("Z"))
            hasCurrentPoint = true;
    }
    return path;
}

void VectorArtwork::draw(QPainter &painter, const QRectF &target, const QColor &foreground) const
{
    if (!(width > 0 && height > 0) || target.isEmpty())
        return;
    const double scale = std::min(target.width() / width, target.height() / height);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double entryOpacity = painter.opacity();
    painter.translate(target.x() + (target.width() - width * scale) * 0.5,
                      target.y() + (target.height() - height * scale) * 0.5);
    painter.scale(scale, scale);
    for (const Shape &shape : shapes) {
        painter.setOpacity(entryOpacity * std::clamp(shape.opacity, 0.0, 1.0));
        const std::optional<QColor> fill = artworkColor(shape.fill, foreground);
        const std::optional<QColor> stroke = artworkColor(shape.stroke, foreground);
        if (!fill && !stroke)
            continue;
        QPainterPath path = shape.path();
        if (fill) {
            path.setFillRule(shape.evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
            painter.fillPath(path, *fill);
        }
        if (stroke) {
            QPen pen(*stroke, shape.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            pen.setMiterLimit(10);
            painter.strokePath(path, pen);
        }
    }
    painter.restore();
}

quint64 artworkColorValue(const QString &word)
{
    if (word.isEmpty())
        return 0;
    // The first character is dropped whatever it is, as a whole character (a letter with
    // its marks, or a character outside the basic plane), never half of one.
    text::GraphemeWalk graphemes(word);
    const qsizetype restStart = graphemes.next();
    if (restStart <= 0 || restStart >= word.size())
        return 0;
    quint64 value = 0;
    for (qsizetype i = restStart; i < word.size(); ++i) {
        const int digit = hexDigit(word[i]);
        if (digit < 0 || value > (std::numeric_limits<quint64>::max() >> 4))
            return 0;
        value = (value << 4) | quint64(digit);
    }
    return value;
}

std::optional<QColor> artworkColor(const QString &word, const QColor &foreground)
{
    if (word == QLatin1String("none"))
        return std::nullopt;
    if (word == QLatin1String("black"))
        return foreground;
    if (word == QLatin1String("white"))
        return QColor(255, 255, 255);
    const quint64 value = artworkColorValue(word);
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

} // namespace kestrivane
