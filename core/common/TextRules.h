#pragma once

// Small text rules shared by the model, the formatters and the importers, written
// by hand where Qt's own parsing is looser than the file formats allow.

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <memory>
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

// Walks the boundaries between user-perceived characters (extended grapheme clusters) of a
// text, from its start, by Unicode's default rules in the root locale, so that a count never
// depends on the interface or system language. Every count and cut of characters goes
// through it.
class GraphemeWalk {
public:
    explicit GraphemeWalk(const QString &text);
    ~GraphemeWalk();
    // The walk reads its own copy of the text in place.
    GraphemeWalk(const GraphemeWalk &) = delete;
    GraphemeWalk &operator=(const GraphemeWalk &) = delete;
    // The next boundary, in UTF-16 units from the text's start (the text's end included);
    // -1 once the end has been passed.
    qsizetype next();

private:
    struct Iterator;

    QString text_;
    qsizetype at_ = 0;
    // Units before this one are all below U+0300: there every unit is a character of its own
    // but for CR LF, and the walk needs no break iterator.
    qsizetype simpleEnd_ = 0;
    std::unique_ptr<Iterator> iterator_;
};

// User-perceived characters (extended grapheme clusters).
qsizetype graphemeCount(const QString &text);

// True when `text` has more than `limit` grapheme clusters; cheap for short texts.
bool exceedsGraphemes(const QString &text, qsizetype limit);

// The first `count` grapheme clusters of `text` (all of it when it has no more).
QString leadingGraphemes(const QString &text, qsizetype count);

// The boundaries between the grapheme clusters of `text`, in UTF-16 units, its start and end
// left out: the places where it may be cut.
QList<qsizetype> innerGraphemeBoundaries(const QString &text);

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
