#pragma once

// The three small option values every element carries whatever its kind: how its text is
// set, what a date element shows and what a counter element shows.

#include "core/common/DocumentIssue.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>

namespace kestrivane {

// ---------------------------------------------------------------------------------------
// Text

enum class TextAlignment { left, center, right, justify };

inline constexpr std::array<TextAlignment, 4> allTextAlignments = {TextAlignment::left, TextAlignment::center,
                                                                   TextAlignment::right, TextAlignment::justify};

QString rawValue(TextAlignment alignment);
// "mac.align_" + raw value.
QString titleKey(TextAlignment alignment);
// The alignment a text layout is given: left, centred, right or justified.
Qt::Alignment qtAlignment(TextAlignment alignment);
// Exactly one of the four raw values (case-sensitive); empty for anything else.
std::optional<TextAlignment> textAlignmentFromRawValue(const QString &raw);

struct TextStyle {
    QString fontName;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    TextAlignment alignment = TextAlignment::left;

    bool operator==(const TextStyle &) const = default;
};

// ---------------------------------------------------------------------------------------
// Dates

enum class DatePattern { isoDate, dayMonthYear, time, dateTime };

inline constexpr std::array<DatePattern, 4> allDatePatterns = {DatePattern::isoDate, DatePattern::dayMonthYear,
                                                               DatePattern::time, DatePattern::dateTime};

QString rawValue(DatePattern pattern);
// "mac.date_" + raw value.
QString titleKey(DatePattern pattern);
// The date-format pattern letters of the case: "yyyy-MM-dd", "dd.MM.yyyy", "HH:mm",
// "yyyy-MM-dd HH:mm".
QString pattern(DatePattern pattern);
std::optional<DatePattern> datePatternFromRawValue(const QString &raw);

struct DateOptions {
    DatePattern pattern = DatePattern::isoDate;
    // The machine's zone at the moment the value is made ("UTC" when that is unusable),
    // so two documents made in different zones carry different identifiers.
    QString timeZoneID = currentZoneForNewOptions();
    // Calendar days added to the printing date (a valid document keeps it within ±36,500).
    qint64 offsetDays = 0;

    // The text of a date element printed at `at`: the time point shown in `timeZoneID`
    // (UTC when that names no zone) after adding `offsetDays` calendar days at the same
    // wall-clock time, with ASCII digits and a 24-hour clock. Never fails: a shift that
    // cannot be made keeps the unshifted date; an invalid `at` gives "".
    QString value(const QDateTime &at) const;

    bool operator==(const DateOptions &) const = default;

private:
    static QString currentZoneForNewOptions();
};

// ---------------------------------------------------------------------------------------
// Counters

struct CounterOptions {
    qint64 start = 1;
    qint64 step = 1;
    // Minimum number of characters of the number (leading zeros); usable range 1...18.
    qint64 digits = 4;
    QString prefix;
    QString suffix;

    // prefix + number + suffix for the zero-based label `index`: start + step × index in
    // checked 64-bit arithmetic, zero-filled to `digits` characters (a minus sign counts
    // among them and the zeros follow it; the number is never cut).
    // Throws DocumentIssue::invalidContent on overflow, on a negative value when
    // `allowingNegative` is false, and on `digits` outside 1...18.
    QString value(qint64 index, bool allowingNegative) const;

    bool operator==(const CounterOptions &) const = default;
};

// ---------------------------------------------------------------------------------------
// JSON form inside a document: one object per value whose keys are the field names,
// enumerations as raw-value strings, integers as numbers. Writing emits every key;
// reading requires every key and throws DocumentIssue::invalidDocument on a missing key,
// a wrong type, a non-integral or out-of-range integer or an unknown raw value. A
// `timeZoneID` naming no zone is read unchanged (validation refuses it).

QJsonObject toJson(const TextStyle &style);
QJsonObject toJson(const DateOptions &options);
QJsonObject toJson(const CounterOptions &options);

TextStyle textStyleFromJson(const QJsonObject &object);
DateOptions dateOptionsFromJson(const QJsonObject &object);
CounterOptions counterOptionsFromJson(const QJsonObject &object);

} // namespace kestrivane
