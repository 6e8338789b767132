#pragma once

// Small text rules shared by the model, the formatters and the importers, written
// by hand where Qt's own parsing is looser than the file formats allow.

#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <optional>

namespace kestrivane::text {

// Optional '+' or '-', then one or more ASCII digits, nothing else (no blanks).
// Empty on any other text or on overflow of 64 bits.
std::optional<qint64> parseStrictInt64(QStringView text);

// strtod in the C locale, whatever locale the process runs in. Reads a prefix of
// `text` like strtod does (hex floats, "inf" and "nan" included) but refuses a
// leading blank. Returns the value and the number of characters consumed, or empty
// when no number starts at the beginning.
struct ParsedDouble {
    double value;
    qsizetype consumed;
};
std::optional<ParsedDouble> parseDoubleC(QStringView text);

// Formats with printf in the C locale (a '.' decimal separator on every machine).
QString formatC(const char *format, double value);

// User-perceived characters (extended grapheme clusters).
qsizetype graphemeCount(const QString &text);

// True when `text` has more than `limit` grapheme clusters; cheap for short texts.
bool exceedsGraphemes(const QString &text, qsizetype limit);

// A regular expression whose \s, \d, \w and \b keep their Unicode meaning.
QRegularExpression unicodeRegex(const QString &pattern,
                                QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption);

// A time-zone identifier that names a real zone. Qt alone accepts "" and "localtime"
// and opens zoneinfo files named by the identifier, so the text is checked first.
bool isKnownTimeZone(const QString &id);

// The zone of a checked identifier; UTC for anything `isKnownTimeZone` refuses.
QTimeZone timeZoneOrUtc(const QString &id);

// The identifier of the machine's zone, or "UTC" when it is missing or unusable.
QString currentTimeZoneId();

} // namespace kestrivane::text
