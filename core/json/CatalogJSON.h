#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace kestrivane {

// A JSON value kept as it was read, for the parts of web templates that documents
// store unchanged (element metadata, background definitions) and for catalog records.
//
// Numbers are held the way Qt's reader delivers them: integers that fit 64 bits
// exactly, every other number as a double (written back in shortest round-trip form,
// so 0.1 stays 0.1). Digits beyond a double's precision are therefore not kept.
//
// Equality is by value: objects key by key whatever their order, arrays element by
// element, numbers numerically and exactly (1 equals 1.0; an integer beyond 2^53 is
// not equal to the nearest double), so NaN is never equal to anything.
class CatalogJSON {
public:
    enum class Kind { object, array, string, number, boolean, null };
    using Object = QMap<QString, CatalogJSON>;
    using Array = QList<CatalogJSON>;

    // null
    CatalogJSON() = default;
    // Takes a value from Qt's reader; an undefined value becomes null.
    explicit CatalogJSON(const QJsonValue &value);

    static CatalogJSON null() { return CatalogJSON(); }
    static CatalogJSON fromObject(const Object &object);
    static CatalogJSON fromArray(const Array &array);
    static CatalogJSON fromString(const QString &text);
    static CatalogJSON fromNumber(double number);
    static CatalogJSON fromInteger(qint64 number);
    static CatalogJSON fromBool(bool value);

    Kind kind() const;
    bool isNull() const { return kind() == Kind::null; }

    // The value under `key` when this is an object that has it; null otherwise.
    CatalogJSON operator[](const QString &key) const;
    // The payload when the case matches, else empty. `number` converts integers to the
    // nearest double; a numeric string is not a number.
    std::optional<Object> object() const;
    std::optional<Array> array() const;
    std::optional<QString> string() const;
    std::optional<double> number() const;
    std::optional<bool> boolean() const;
    // The exact 64-bit value of an integral number (also of a double such as 5.0 that is
    // integral and in range).
    std::optional<qint64> integer() const;
    // Keys of an object (sorted), empty for other cases.
    QStringList keys() const;

    // The value for Qt's writer. Throws JsonError for a non-finite number anywhere inside,
    // which Qt would silently write as null.
    QJsonValue toJsonValue() const;
    // The value as Qt holds it, unchecked (for reading only).
    const QJsonValue &raw() const { return m_value; }

    // Reads one JSON text of any kind (object, array or scalar); empty when the text is
    // not well-formed JSON.
    static std::optional<CatalogJSON> parse(const QByteArray &json);
    // Compact JSON text; throws JsonError for non-finite numbers.
    QByteArray toJson(bool indented = false) const;

    friend bool operator==(const CatalogJSON &a, const CatalogJSON &b);
    friend bool operator!=(const CatalogJSON &a, const CatalogJSON &b) { return !(a == b); }

private:
    QJsonValue m_value{QJsonValue::Null};
};

} // namespace kestrivane
