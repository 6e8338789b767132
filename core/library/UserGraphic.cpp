#include "core/library/UserGraphic.h"

#include "core/json/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace kestrivane {

namespace {

constexpr qint64 referenceEpochSeconds = 978'307'200; // 2001-01-01 00:00:00 UTC

// One JSON value as Qt writes it (strings escaped, doubles in their shortest round-trip
// form), taken out of a one-element array.
QByteArray jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QString UserGraphic::graphicID() const
{
    return QStringLiteral("user:") + id.toString(QUuid::WithoutBraces).toLower();
}

QByteArray UserGraphic::encoded() const
{
    QByteArray text = "{\"id\":";
    text += jsonText(json::uuidText(id));
    text += ",\"displayName\":";
    text += jsonText(displayName);
    text += ",\"importedAt\":";
    text += jsonText(json::number(importedAt));
    text += ",\"sha256\":";
    text += jsonText(sha256);
    text += '}';
    return text;
}

std::optional<UserGraphic> UserGraphic::decode(const QByteArray &text)
{
    try {
        const QJsonObject object = json::parseObject(text);
        const std::optional<QUuid> id = json::parseUuid(json::requireString(object, QStringLiteral("id")));
        if (!id)
            return std::nullopt;
        UserGraphic graphic;
        graphic.id = *id;
        graphic.displayName = json::requireString(object, QStringLiteral("displayName"));
        graphic.importedAt = json::requireDouble(object, QStringLiteral("importedAt"));
        graphic.sha256 = json::requireString(object, QStringLiteral("sha256"));
        return graphic;
    } catch (const JsonError &) {
        return std::nullopt;
    }
}

double referenceSeconds(const QDateTime &time)
{
    return static_cast<double>(time.toMSecsSinceEpoch() - referenceEpochSeconds * 1000) / 1000.0;
}

} // namespace kestrivane
