#include "core/model/ElementOptions.h"

#include "core/common/RawValue.h"

#include "core/common/TextRules.h"
#include "core/json/JsonRead.h"

#include <QJsonValue>
#include <QTimeZone>


namespace kestrivane {

// ---------------------------------------------------------------------------------------
// Text

QString rawValue(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::left: return QStringLiteral("left");
    case TextAlignment::center: return QStringLiteral("center");
    case TextAlignment::right: return QStringLiteral("right");
    case TextAlignment::justify: return QStringLiteral("justify");
    }
    return QString();
}

QString titleKey(TextAlignment alignment)
{
    return QStringLiteral("mac.align_") + rawValue(alignment);
}

Qt::Alignment qtAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::left: return Qt::AlignLeft;
    case TextAlignment::center: return Qt::AlignHCenter;
    case TextAlignment::right: return Qt::AlignRight;
    case TextAlignment::justify: return Qt::AlignJustify;
    }
    return Qt::AlignLeft;
}

std::optional<TextAlignment> textAlignmentFromRawValue(const QString &raw)
{
    return fromRawValue(allTextAlignments, raw);
}

// ---------------------------------------------------------------------------------------
// Dates

QString rawValue(DatePattern pattern)
{
    switch (pattern) {
    case DatePattern::isoDate: return QStringLiteral("isoDate");
    case DatePattern::dayMonthYear: return QStringLiteral("dayMonthYear");
    case DatePattern::time: return QStringLiteral("time");
    case DatePattern::dateTime: return QStringLiteral("dateTime");
    }
    return QString();
}

QString titleKey(DatePattern pattern)
{
    return QStringLiteral("mac.date_") + rawValue(pattern);
}

QString pattern(DatePattern pattern)
{
    switch (pattern) {
    case DatePattern::isoDate: return QStringLiteral("yyyy-MM-dd");
    case DatePattern::dayMonthYear: return QStringLiteral("dd.MM.yyyy");
    case DatePattern::time: return QStringLiteral("HH:mm");
    case DatePattern::dateTime: return QStringLiteral("yyyy-MM-dd HH:mm");
    }
    return QString();
}

std::optional<DatePattern> datePatternFromRawValue(const QString &raw)
{
    return fromRawValue(allDatePatterns, raw);
}

QString DateOptions::currentZoneForNewOptions()
{
    return text::currentTimeZoneId();
}

namespace {

// Built from explicit zero-padded fields so that no locale takes part: QDateTime's own
// formatting follows the process locale for some letters. "yyyy" is the year of the era,
// as a Gregorian date formatter shows it (Qt has no year 0: year -1 is 1 BC).
QString formatDate(DatePattern pattern, const QDate &date, const QTime &time)
{
    const int year = date.year() > 0 ? date.year() : -date.year();
    switch (pattern) {
    case DatePattern::isoDate: return QString::asprintf("%04d-%02d-%02d", year, date.month(), date.day());
    case DatePattern::dayMonthYear: return QString::asprintf("%02d.%02d.%04d", date.day(), date.month(), year);
    case DatePattern::time: return QString::asprintf("%02d:%02d", time.hour(), time.minute());
    case DatePattern::dateTime:
        return QString::asprintf("%04d-%02d-%02d %02d:%02d", year, date.month(), date.day(), time.hour(),
                                 time.minute());
    }
    return QString();
}

// No shift beyond this can name a day Qt represents (its Julian days span about
// 1.6 × 10^12 days); refusing it first also keeps the day arithmetic inside 64 bits.
constexpr qint64 maximumDayShift = 2'000'000'000'000;

// `moment` moved by `days` calendar days at the same wall-clock time in `zone`, or an
// invalid value when no such day exists. A wall time the clocks jump over on the target
// day is read with the offset in force before the jump, so it moves forward by the
// length of the gap, as a Gregorian calendar does. Qt only does that when it comes from
// before the jump: shifted backwards over a jump at midnight (Santiago, São Paulo) it
// lands an hour early, on the day before the one asked for.
QDateTime sameWallTimeDaysLater(const QDateTime &moment, qint64 days, const QTimeZone &zone)
{
    if (days > maximumDayShift || days < -maximumDayShift)
        return QDateTime();
    const QDate day = moment.date().addDays(days);
    if (!day.isValid())
        return QDateTime();
    const QTime time = moment.time();
    const QDateTime moved = moment.addDays(days);
    if (moved.isValid() && moved.date() == day && moved.time() == time)
        return moved;
    const QDateTime wall(day, time, QTimeZone::utc());
    if (!wall.isValid())
        return QDateTime();
    const int offsetBefore = zone.offsetFromUtc(wall.addDays(-1));
    const QDateTime forward =
        QDateTime::fromMSecsSinceEpoch(wall.toMSecsSinceEpoch() - qint64(offsetBefore) * 1000, zone);
    if (!forward.isValid())
        return QDateTime();
    // Far outside the reachable years Qt's arithmetic saturates instead of failing:
    // only a move forward by less than a day is a gap.
    const qint64 moveMs =
        QDateTime(forward.date(), forward.time(), QTimeZone::utc()).toMSecsSinceEpoch() - wall.toMSecsSinceEpoch();
    if (moveMs <= 0 || moveMs >= 86'400'000)
        return QDateTime();
    return forward;
}

} // namespace

QString DateOptions::value(const QDateTime &at) const
{
    if (!at.isValid())
        return QString();
    const QTimeZone zone = text::timeZoneOrUtc(timeZoneID);
    const QDateTime local = at.toTimeZone(zone);
    if (!local.isValid())
        return QString();
    // A shift the calendar cannot make keeps the unshifted date.
    const QDateTime shifted = sameWallTimeDaysLater(local, offsetDays, zone);
    const QDateTime &shown = shifted.isValid() ? shifted : local;
    return formatDate(pattern, shown.date(), shown.time());
}

// ---------------------------------------------------------------------------------------
// Counters

QString CounterOptions::value(qint64 index, bool allowingNegative) const
{
    qint64 product = 0;
    qint64 number = 0;
    if (__builtin_mul_overflow(step, index, &product) || __builtin_add_overflow(start, product, &number))
        throwIssue(DocumentIssue::invalidContent);
    if (number < 0 && !allowingNegative)
        throwIssue(DocumentIssue::invalidContent);
    if (digits < 1 || digits > 18)
        throwIssue(DocumentIssue::invalidContent);

    const QString text = QString::number(number);
    const qsizetype zeros = std::max<qsizetype>(0, qsizetype(digits) - text.size());
    if (number < 0) {
        // "-0042": the sign leads and the zeros stand between it and the digits.
        return prefix + QLatin1Char('-') + QString(zeros, QLatin1Char('0')) + text.mid(1) + suffix;
    }
    return prefix + QString(zeros, QLatin1Char('0')) + text + suffix;
}

// ---------------------------------------------------------------------------------------
// JSON


QJsonObject toJson(const TextStyle &style)
{
    return QJsonObject{
        {QStringLiteral("fontName"), style.fontName},
        {QStringLiteral("bold"), style.bold},
        {QStringLiteral("italic"), style.italic},
        {QStringLiteral("underline"), style.underline},
        {QStringLiteral("alignment"), rawValue(style.alignment)},
    };
}

QJsonObject toJson(const DateOptions &options)
{
    return QJsonObject{
        {QStringLiteral("pattern"), rawValue(options.pattern)},
        {QStringLiteral("timeZoneID"), options.timeZoneID},
        {QStringLiteral("offsetDays"), options.offsetDays},
    };
}

QJsonObject toJson(const CounterOptions &options)
{
    return QJsonObject{
        {QStringLiteral("start"), options.start},   {QStringLiteral("step"), options.step},
        {QStringLiteral("digits"), options.digits}, {QStringLiteral("prefix"), options.prefix},
        {QStringLiteral("suffix"), options.suffix},
    };
}

TextStyle textStyleFromJson(const QJsonObject &object)
{
    return json::reportingAs(DocumentIssue::invalidDocument, [&] {
        TextStyle style;
        style.fontName = json::requireString(object, QStringLiteral("fontName"));
        style.bold = json::requireBool(object, QStringLiteral("bold"));
        style.italic = json::requireBool(object, QStringLiteral("italic"));
        style.underline = json::requireBool(object, QStringLiteral("underline"));
        style.alignment =
            json::requireEnum<TextAlignment>(object, QStringLiteral("alignment"), textAlignmentFromRawValue);
        return style;
    });
}

DateOptions dateOptionsFromJson(const QJsonObject &object)
{
    return json::reportingAs(DocumentIssue::invalidDocument, [&] {
        DateOptions options;
        options.pattern = json::requireEnum<DatePattern>(object, QStringLiteral("pattern"), datePatternFromRawValue);
        options.timeZoneID = json::requireString(object, QStringLiteral("timeZoneID"));
        options.offsetDays = json::requireInt64(object, QStringLiteral("offsetDays"));
        return options;
    });
}

CounterOptions counterOptionsFromJson(const QJsonObject &object)
{
    return json::reportingAs(DocumentIssue::invalidDocument, [&] {
        CounterOptions options;
        options.start = json::requireInt64(object, QStringLiteral("start"));
        options.step = json::requireInt64(object, QStringLiteral("step"));
        options.digits = json::requireInt64(object, QStringLiteral("digits"));
        options.prefix = json::requireString(object, QStringLiteral("prefix"));
        options.suffix = json::requireString(object, QStringLiteral("suffix"));
        return options;
    });
}

} // namespace kestrivane
