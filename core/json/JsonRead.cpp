#include "core/json/JsonRead.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>

namespace kestrivane {

JsonError::JsonError(QString detail) : m_detail(std::move(detail)), m_what(m_detail.toStdString()) {}

namespace json {

void fail(const QString &detail)
{
    throw JsonError(detail);
}

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

QJsonObject toObject(const QJsonValue &value)
{
    if (!value.isObject())
        fail(QStringLiteral("expected an object"));
    return value.toObject();
}

QJsonArray toArray(const QJsonValue &value)
{
    if (!value.isArray())
        fail(QStringLiteral("expected an array"));
    return value.toArray();
}

QString toString(const QJsonValue &value)
{
    if (!value.isString())
        fail(QStringLiteral("expected a string"));
    return value.toString();
}

bool toBool(const QJsonValue &value)
{
    if (!value.isBool())
        fail(QStringLiteral("expected true or false"));
    return value.toBool();
}

double toDouble(const QJsonValue &value)
{
    if (!value.isDouble())
        fail(QStringLiteral("expected a number"));
    return value.toDouble();
}

qint64 toInt64(const QJsonValue &value)
{
    if (!value.isDouble())
        fail(QStringLiteral("expected an integer"));
    // Qt keeps integers that fit 64 bits exactly; the variant's type tells them apart
    // from doubles, which a default-value test could not do for INT64_MIN.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double d = value.toDouble();
    // [-2^63, 2^63): both bounds are exact doubles.
    if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        fail(QStringLiteral("expected an integer"));
    return static_cast<qint64>(d);
}

std::optional<QByteArray> decodeBase64(const QString &text)
{
    // Qt's decoder accepts unpadded input; standard Base64 is always padded.
    if (text.size() % 4 != 0)
        return std::nullopt;
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
    }
    const auto result = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return *result;
}

std::optional<QUuid> parseUuid(const QString &text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return std::nullopt;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) {
            return std::nullopt;
        }
    }
    // The text is canonical, so a null result here is the valid nil UUID.
    return QUuid::fromString(text);
}

QByteArray toBase64Bytes(const QJsonValue &value)
{
    const auto bytes = decodeBase64(toString(value));
    if (!bytes)
        fail(QStringLiteral("expected Base64"));
    return *bytes;
}

QUuid toUuid(const QJsonValue &value)
{
    const auto uuid = parseUuid(toString(value));
    if (!uuid)
        fail(QStringLiteral("expected a UUID"));
    return *uuid;
}

QList<QString> toStringList(const QJsonValue &value)
{
    const QJsonArray array = toArray(value);
    QList<QString> strings;
    strings.reserve(array.size());
    for (const QJsonValue &entry : array)
        strings.append(toString(entry));
    return strings;
}

QJsonValue field(const QJsonObject &object, const QString &key)
{
    const auto it = object.constFind(key);
    return it == object.constEnd() ? QJsonValue(QJsonValue::Undefined) : it.value();
}

namespace {

QJsonValue required(const QJsonObject &object, const QString &key)
{
    QJsonValue value = field(object, key);
    if (isAbsent(value))
        fail(QStringLiteral("missing key ") + key);
    return value;
}

template <typename T, typename Convert>
std::optional<T> optionalValue(const QJsonObject &object, const QString &key, Convert convert)
{
    const QJsonValue value = field(object, key);
    if (isAbsent(value))
        return std::nullopt;
    return convert(value);
}

} // namespace

QJsonObject requireObject(const QJsonObject &o, const QString &k)
{
    return toObject(required(o, k));
}
QJsonArray requireArray(const QJsonObject &o, const QString &k)
{
    return toArray(required(o, k));
}
QString requireString(const QJsonObject &o, const QString &k)
{
    return toString(required(o, k));
}
bool requireBool(const QJsonObject &o, const QString &k)
{
    return toBool(required(o, k));
}
double requireDouble(const QJsonObject &o, const QString &k)
{
    return toDouble(required(o, k));
}
qint64 requireInt64(const QJsonObject &o, const QString &k)
{
    return toInt64(required(o, k));
}
QByteArray requireBase64(const QJsonObject &o, const QString &k)
{
    return toBase64Bytes(required(o, k));
}
QUuid requireUuid(const QJsonObject &o, const QString &k)
{
    return toUuid(required(o, k));
}

std::optional<QJsonObject> optionalObject(const QJsonObject &o, const QString &k)
{
    return optionalValue<QJsonObject>(o, k, toObject);
}
std::optional<QJsonArray> optionalArray(const QJsonObject &o, const QString &k)
{
    return optionalValue<QJsonArray>(o, k, toArray);
}
std::optional<QString> optionalString(const QJsonObject &o, const QString &k)
{
    return optionalValue<QString>(o, k, toString);
}
std::optional<bool> optionalBool(const QJsonObject &o, const QString &k)
{
    return optionalValue<bool>(o, k, toBool);
}
std::optional<double> optionalDouble(const QJsonObject &o, const QString &k)
{
    return optionalValue<double>(o, k, toDouble);
}
std::optional<qint64> optionalInt64(const QJsonObject &o, const QString &k)
{
    return optionalValue<qint64>(o, k, toInt64);
}
std::optional<QByteArray> optionalBase64(const QJsonObject &o, const QString &k)
{
    return optionalValue<QByteArray>(o, k, toBase64Bytes);
}
std::optional<QUuid> optionalUuid(const QJsonObject &o, const QString &k)
{
    return optionalValue<QUuid>(o, k, toUuid);
}

QJsonValue number(double value)
{
    if (!std::isfinite(value))
        fail(QStringLiteral("non-finite number"));
    return QJsonValue(value);
}

QString uuidText(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString base64Text(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

QJsonArray stringArray(const QList<QString> &strings)
{
    QJsonArray array;
    for (const QString &s : strings)
        array.append(s);
    return array;
}

void requireFinite(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        // Integers are always finite; only a stored double can be NaN or infinite.
        if (value.toVariant().typeId() != QMetaType::LongLong && !std::isfinite(value.toDouble()))
            fail(QStringLiteral("non-finite number"));
        break;
    case QJsonValue::Array:
        for (const QJsonValue &entry : value.toArray())
            requireFinite(entry);
        break;
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            requireFinite(it.value());
        break;
    }
    default: break;
    }
}

QByteArray indented(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject parseObject(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        fail(QStringLiteral("not a JSON object: ") + error.errorString());
    return document.object();
}

} // namespace json
} // namespace kestrivane
