#pragma once

// The text that web-template elements print: number notations for text elements and
// the date settings of date elements.

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace kestrivane {

// Rewrites a number typed into a text element in the notation a template asked for.
namespace WebTextValue {

// "financial": grouped thousands (no-break spaces) and a decimal comma; "money-rub": the
// same followed by a no-break space and "р.". Any other format name, and any text that
// is not a number this understands, gives the text back unchanged. Never fails.
QString format(const QString &text, const QString &formatName);

} // namespace WebTextValue

// Which day a web date element shows, read from WebDateStyle::mode; `other` for any other
// word.
enum class WebDateMode { current, manual, calendar, currentPlus, calendarPlus, other };
QString rawValue(WebDateMode mode); // empty for other
WebDateMode webDateMode(const QString &raw);

// The date settings of a web date element: today, a fixed calendar day, either shifted by
// a number of days, or a manual text, written through a small token pattern
// (DD, MM, YYYY, YY, HH, mm).
struct WebDateStyle {
    // "current", "manual", "calendar", "currentPlus" or "calendarPlus" (webDateMode).
    QString mode;
    // Token pattern; empty means "DD.MM.YYYY".
    QString format;
    // The day of the calendar modes, year-month-day joined by "-".
    std::optional<QString> baseDate;
    // Days added in the "Plus" modes; may be fractional or negative.
    double offsetDays = 0;

    bool operator==(const WebDateStyle &) const = default;

    // Throws DocumentError(invalidContent) when a field breaks a limit.
    void validate() const;

    // The printed text at the moment `at`, read in `timeZone`. A "manual" style with a
    // non-empty `manual` text returns that text. Throws DocumentError(invalidContent)
    // when the style is invalid or its base day is not a real day.
    QString value(const QDateTime &at, const QString &manual, const QTimeZone &timeZone) const;
};

} // namespace kestrivane
