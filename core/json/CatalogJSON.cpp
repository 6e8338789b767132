#include "core/json/CatalogJSON.h"

#include "core/json/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>

namespace kestrivane {

namespace {

bool isInteger(const QJsonValue &value)
{
    return value.toVariant().typeId() == QMetaType::LongLong;
}

// Exact comparison of a 64-bit integer with a double: no rounding of either side.
bool integerEqualsDouble(qint64 i, double d)
{
    if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return false;
    return static_cast<qint64>(d) == i;
}

bool numbersEqual(const QJsonValue &a, const QJsonValue &b)
{
    const bool ai = isInteger(a);
    const bool bi = isInteger(b);
    if (ai && bi)
        return a.toInteger() == b.toInteger();
    if (ai)
        return integerEqualsDouble(a.toInteger(), b.toDouble());
    if (bi)
        return integerEqualsDouble(b.toInteger(), a.toDouble());
    return a.toDouble() == b.toDouble();
}

bool valuesEqual(const QJsonValue &a, const QJsonValue &b);

bool objectsEqual(const QJsonObject &a, const QJsonObject &b)
{
    if (a.size() != b.size())
        return false;
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        const auto other = b.constFind(it.key());
        if (other == b.constEnd() || !valuesEqual(it.value(), other.value()))
            return false;
    }
    return true;
}

bool arraysEqual(const QJsonArray &a, const QJsonArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!valuesEqual(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

bool valuesEqual(const QJsonValue &a, const QJsonValue &b)
{
    const auto kindOf = [](const QJsonValue &v) { return v.isUndefined() ? QJsonValue::Null : v.type(); };
    if (kindOf(a) != kindOf(b))
        return false;
    switch (kindOf(a)) {
    case QJsonValue::Object: return objectsEqual(a.toObject(), b.toObject());
    case QJsonValue::Array: return arraysEqual(a.toArray(), b.toArray());
    case QJsonValue::String: return a.toString() == b.toString();
    case QJsonValue::Double: return numbersEqual(a, b);
    case QJsonValue::Bool: return a.toBool() == b.toBool();
    default: return true;
    }
}

} // namespace

CatalogJSON::CatalogJSON(const QJsonValue &value) : m_value(value.isUndefined() ? QJsonValue(QJsonValue::Null) : value)
{
}

CatalogJSON CatalogJSON::fromObject(const Object &object)
{
    QJsonObject o;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        o.insert(it.key(), it.value().m_value);
    return CatalogJSON(QJsonValue(o));
}

CatalogJSON CatalogJSON::fromArray(const Array &array)
{
    QJsonArray a;
    for (const CatalogJSON &entry : array)
        a.append(entry.m_value);
    return CatalogJSON(QJsonValue(a));
}

CatalogJSON CatalogJSON::fromString(const QString &text)
{
    return CatalogJSON(QJsonValue(text));
}
CatalogJSON CatalogJSON::fromNumber(double number)
{
    return CatalogJSON(QJsonValue(number));
}
CatalogJSON CatalogJSON::fromInteger(qint64 number)
{
    return CatalogJSON(QJsonValue(number));
}
CatalogJSON CatalogJSON::fromBool(bool value)
{
    return CatalogJSON(QJsonValue(value));
}

CatalogJSON::Kind CatalogJSON::kind() const
{
    switch (m_value.type()) {
    case QJsonValue::Object: return Kind::object;
    case QJsonValue::Array: return Kind::array;
    case QJsonValue::String: return Kind::string;
    case QJsonValue::Double: return Kind::number;
    case QJsonValue::Bool: return Kind::boolean;
    default: return Kind::null;
    }
}

CatalogJSON CatalogJSON::operator[](const QString &key) const
{
    if (!m_value.isObject())
        return CatalogJSON();
    return CatalogJSON(m_value.toObject().value(key));
}

std::optional<CatalogJSON::Object> CatalogJSON::object() const
{
    if (!m_value.isObject())
        return std::nullopt;
    Object result;
    const QJsonObject o = m_value.toObject();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        result.insert(it.key(), CatalogJSON(it.value()));
    return result;
}

std::optional<CatalogJSON::Array> CatalogJSON::array() const
{
    if (!m_value.isArray())
        return std::nullopt;
    Array result;
    const QJsonArray a = m_value.toArray();
    result.reserve(a.size());
    for (const QJsonValue &entry : a)
        result.append(CatalogJSON(entry));
    return result;
}

std::optional<QString> CatalogJSON::string() const
{
    if (!m_value.isString())
        return std::nullopt;
    return m_value.toString();
}

std::optional<double> CatalogJSON::number() const
{
    if (!m_value.isDouble())
        return std::nullopt;
    return m_value.toDouble();
}

std::optional<bool> CatalogJSON::boolean() const
{
    if (!m_value.isBool())
        return std::nullopt;
    return m_value.toBool();
}

std::optional<qint64> CatalogJSON::integer() const
{
    if (!m_value.isDouble())
        return std::nullopt;
    try {
        return json::toInt64(m_value);
    } catch (const JsonError &) {
        return std::nullopt;
    }
}

QStringList CatalogJSON::keys() const
{
    return m_value.isObject() ? m_value.toObject().keys() : QStringList();
}

QJsonValue CatalogJSON::toJsonValue() const
{
    json::requireFinite(m_value);
    return m_value;
}

std::optional<CatalogJSON> CatalogJSON::parse(const QByteArray &json)
{
    // Qt's document reader wants an object or an array at the top; wrap the text in an
    // array so that scalars read too, and take its single entry. A leading byte-order
    // mark is dropped first because it would now sit inside the array.
    QByteArray body = json;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + body + "\n]", &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1)
        return std::nullopt;
    return CatalogJSON(document.array().at(0));
}

QByteArray CatalogJSON::toJson(bool indented) const
{
    const QJsonValue value = toJsonValue();
    const auto format = indented ? QJsonDocument::Indented : QJsonDocument::Compact;
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(format);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(format);
    // A scalar: write it inside an array and cut the brackets off.
    QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

bool operator==(const CatalogJSON &a, const CatalogJSON &b)
{
    return valuesEqual(a.m_value, b.m_value);
}

} // namespace kestrivane
