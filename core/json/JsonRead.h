#pragma once

// The one typed layer over Qt's JSON classes. Every reader of a file or a network
// record goes through these helpers so that all of them are exactly as strict:
// - a missing key and a key whose value is null both mean "absent";
// - a required key that is absent, or any value of the wrong JSON type, is an error;
// - integers must be integral and fit 64 bits (5.0 is accepted, 5.5 and 2^63 are not);
// - Base64 is standard, padded and without blanks;
// - UUIDs are read only in the canonical 8-4-4-4-12 form and written upper-case;
// - non-finite doubles are never written (Qt would write null).
// Failures throw JsonError; each file format maps it to its own error case.

#include "core/common/Issue.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

// A value that does not have the shape a reader expects, or a value that cannot be
// written. Readers of a particular format catch it and throw their own error.
class JsonError : public Error {
public:
    explicit JsonError(QString detail);
    QString key() const override { return QStringLiteral("mac.error_document"); }
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    QString m_detail;
    std::string m_what;
};

namespace json {

[[noreturn]] void fail(const QString &detail);

// Runs a reader or writer of one format and reports every shape failure as that
// format's own error case, e.g. `reportingAs(DocumentIssue::invalidDocument, [&] { ... })`.
template <typename Issue, typename F>
auto reportingAs(Issue issue, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const JsonError &) {
        throw IssueError<Issue>(issue);
    }
}

// --- single values -----------------------------------------------------------------

bool isAbsent(const QJsonValue &value); // undefined or null
QJsonObject toObject(const QJsonValue &value);
QJsonArray toArray(const QJsonValue &value);
QString toString(const QJsonValue &value);
bool toBool(const QJsonValue &value);
double toDouble(const QJsonValue &value);
qint64 toInt64(const QJsonValue &value);
QByteArray toBase64Bytes(const QJsonValue &value);
QUuid toUuid(const QJsonValue &value);

// Strict Base64: standard alphabet, padded to a multiple of four, no blanks.
std::optional<QByteArray> decodeBase64(const QString &text);
// Canonical 8-4-4-4-12 hexadecimal form in either case; no braces.
std::optional<QUuid> parseUuid(const QString &text);

// --- keys of an object --------------------------------------------------------------

QJsonValue field(const QJsonObject &object, const QString &key); // undefined when missing

QJsonObject requireObject(const QJsonObject &object, const QString &key);
QJsonArray requireArray(const QJsonObject &object, const QString &key);
QString requireString(const QJsonObject &object, const QString &key);
bool requireBool(const QJsonObject &object, const QString &key);
double requireDouble(const QJsonObject &object, const QString &key);
qint64 requireInt64(const QJsonObject &object, const QString &key);
QByteArray requireBase64(const QJsonObject &object, const QString &key);
QUuid requireUuid(const QJsonObject &object, const QString &key);

std::optional<QJsonObject> optionalObject(const QJsonObject &object, const QString &key);
std::optional<QJsonArray> optionalArray(const QJsonObject &object, const QString &key);
std::optional<QString> optionalString(const QJsonObject &object, const QString &key);
std::optional<bool> optionalBool(const QJsonObject &object, const QString &key);
std::optional<double> optionalDouble(const QJsonObject &object, const QString &key);
std::optional<qint64> optionalInt64(const QJsonObject &object, const QString &key);
std::optional<QByteArray> optionalBase64(const QJsonObject &object, const QString &key);
std::optional<QUuid> optionalUuid(const QJsonObject &object, const QString &key);

// An enumeration stored as its raw value; `parse` maps a raw value to the case or to
// an empty optional.
template <typename Enum, typename Parse> Enum requireEnum(const QJsonObject &object, const QString &key, Parse parse)
{
    const QString raw = requireString(object, key);
    const std::optional<Enum> value = parse(raw);
    if (!value)
        fail(QStringLiteral("unknown value of ") + key);
    return *value;
}

// A list of strings (every entry must be a string).
QList<QString> toStringList(const QJsonValue &value);

// --- writing ------------------------------------------------------------------------

// A finite double; throws JsonError otherwise.
QJsonValue number(double value);
QString uuidText(const QUuid &uuid); // upper-case, without braces
QString base64Text(const QByteArray &bytes);
QJsonArray stringArray(const QList<QString> &strings);

// Throws JsonError when any number inside is not finite.
void requireFinite(const QJsonValue &value);

// Pretty-printed (keys sorted, "/" unescaped) or compact text of an object.
QByteArray indented(const QJsonObject &object);
QByteArray compact(const QJsonObject &object);

// Parses a JSON text whose top level must be an object; throws JsonError otherwise.
QJsonObject parseObject(const QByteArray &text);

} // namespace json
} // namespace kestrivane
