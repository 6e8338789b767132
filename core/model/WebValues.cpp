#include "core/model/WebValues.h"

#include "core/common/DocumentIssue.h"
#include "core/common/RawValue.h"
#include "core/common/TextRules.h"

#include <QDate>
#include <QStringList>

#include <array>
#include <cmath>

namespace kestrivane {

namespace WebTextValue {

namespace {

const QChar noBreakSpace(0x00A0);

bool isAsciiDigits(QStringView s)
{
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Splits "1234567" into "1 234 567" with no-break spaces, groups counted from the right.
QString groupThousands(const QString &digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    const qsizetype lead = digits.size() % 3;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (i - lead) % 3 == 0)
            out += noBreakSpace;
        out += digits[i];
    }
    return out;
}

} // namespace

QString format(const QString &text, const QString &formatName)
{
    const bool financial = formatName == QLatin1String("financial");
    const bool rouble = formatName == QLatin1String("money-rub");
    if (!financial && !rouble)
        return text;

    QString s = text.trimmed();
    s.replace(QChar(0x2212), u'-').replace(QChar(0x2013), u'-').replace(QChar(0x2014), u'-');

    // The Unicode meaning of \s matters: the rouble output itself carries a no-break
    // space before the sign and between the groups, and must read back as a number.
    // One compiled copy per thread: the formatter runs on several threads at once.
    thread_local const QRegularExpression roubleEnding =
        text::unicodeRegex(QStringLiteral("(?:\\s*(?:\u20BD|\u0440\\.?|\u0440\u0443\u0431\\.?))$"),
                           QRegularExpression::CaseInsensitiveOption);
    thread_local const QRegularExpression separators = text::unicodeRegex(QStringLiteral("[\\s'\u2019]"));
    s.remove(roubleEnding);
    s.remove(separators);

    QString sign;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        sign = s.left(1);
        s.remove(0, 1);
    }
    if (s.isEmpty())
        return text;
    for (const QChar c : s) {
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u','))
            return text;
    }

    QString integer;
    QString fraction;
    const bool hasComma = s.contains(u',');
    const bool hasDot = s.contains(u'.');
    if (hasComma && hasDot) {
        const qsizetype last = std::max(s.lastIndexOf(u','), s.lastIndexOf(u'.'));
        integer = s.left(last);
        integer.remove(u',').remove(u'.');
        fraction = s.mid(last + 1);
    } else if (!hasComma && !hasDot) {
        integer = s;
    } else {
        const QStringList pieces = s.split(hasComma ? u',' : u'.', Qt::KeepEmptyParts);
        for (const QString &piece : pieces) {
            if (piece.isEmpty())
                return text;
        }
        if (pieces.size() == 2) {
            integer = pieces[0];
            fraction = pieces[1];
        } else {
            bool allGroups = true;
            for (qsizetype i = 1; i < pieces.size(); ++i)
                allGroups = allGroups && pieces[i].size() == 3;
            if (allGroups) {
                integer = pieces.join(QString());
            } else {
                fraction = pieces.last();
                integer = pieces.mid(0, pieces.size() - 1).join(QString());
            }
        }
    }

    if (integer.isEmpty() || !isAsciiDigits(integer) || !isAsciiDigits(fraction))
        return text;
    qsizetype zeros = 0;
    while (zeros < integer.size() - 1 && integer[zeros] == u'0')
        ++zeros;
    integer.remove(0, zeros);

    QString result = sign + groupThousands(integer);
    if (!fraction.isEmpty())
        result += u',' + fraction;
    if (rouble)
        result += noBreakSpace + QStringLiteral("\u0440.");
    return result;
}

} // namespace WebTextValue

namespace {

constexpr double maximumOffsetDays = 36500;

// Midnight of the base day in `zone`. Pieces that are not integers are dropped, as
// the web editor writes them loosely; three numbers must remain and name a real day.
QDateTime baseDay(const QString &baseDate, const QTimeZone &zone)
{
    QList<qint64> numbers;
    for (const QString &piece : baseDate.split(u'-', Qt::SkipEmptyParts)) {
        if (const auto number = text::parseStrictInt64(piece))
            numbers.append(*number);
    }
    if (numbers.size() != 3)
        throwIssue(DocumentIssue::invalidContent);
    const qint64 year = numbers[0], month = numbers[1], day = numbers[2];
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        throwIssue(DocumentIssue::invalidContent);
    // QDate refuses a day such as 31 April instead of rolling it over.
    const QDate date(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    if (!date.isValid())
        throwIssue(DocumentIssue::invalidContent);
    // Not QDateTime(date, 00:00): where midnight falls into a clock change the day
    // starts at the first moment that exists.
    const QDateTime start = date.startOfDay(zone);
    if (!start.isValid())
        throwIssue(DocumentIssue::invalidContent);
    return start;
}

// The same wall time `days` calendar days later. A wall time the clocks jump over on
// the target day is read with the offset in force before the jump, so it moves forward
// by the length of the gap whichever way the shift goes. Qt only moves it forward when
// it comes from before the jump (and then keeps the old offset); shifted backwards over
// a jump at midnight it lands an hour early, on the day before the one asked for.
QDateTime addCalendarDays(const QDateTime &moment, qint64 days, const QTimeZone &zone)
{
    const QDateTime moved = moment.addDays(days);
    const QDate day = moment.date().addDays(days);
    if (moved.date() == day && moved.time() == moment.time())
        return moved;
    const QDateTime wall(day, moment.time(), QTimeZone::utc());
    const int offsetBefore = zone.offsetFromUtc(wall.addDays(-1));
    const QDateTime forward =
        QDateTime::fromMSecsSinceEpoch(wall.toMSecsSinceEpoch() - qint64(offsetBefore) * 1000, zone);
    return forward.isValid() ? forward : moved;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

void replaceFirst(QString &pattern, QLatin1String token, const QString &value)
{
    const qsizetype at = pattern.indexOf(token);
    if (at >= 0)
        pattern.replace(at, token.size(), value);
}

} // namespace

namespace {

constexpr std::array<WebDateMode, 5> allWebDateModes = {WebDateMode::current, WebDateMode::manual,
                                                        WebDateMode::calendar, WebDateMode::currentPlus,
                                                        WebDateMode::calendarPlus};

} // namespace

QString rawValue(WebDateMode mode)
{
    switch (mode) {
    case WebDateMode::current: return QStringLiteral("current");
    case WebDateMode::manual: return QStringLiteral("manual");
    case WebDateMode::calendar: return QStringLiteral("calendar");
    case WebDateMode::currentPlus: return QStringLiteral("currentPlus");
    case WebDateMode::calendarPlus: return QStringLiteral("calendarPlus");
    case WebDateMode::other: break;
    }
    return QString();
}

WebDateMode webDateMode(const QString &raw)
{
    return fromRawValue(allWebDateModes, raw).value_or(WebDateMode::other);
}

void WebDateStyle::validate() const
{
    if (webDateMode(mode) == WebDateMode::other)
        throwIssue(DocumentIssue::invalidContent);
    if (text::exceedsGraphemes(format, 128))
        throwIssue(DocumentIssue::invalidContent);
    if (!std::isfinite(offsetDays) || std::abs(offsetDays) > maximumOffsetDays)
        throwIssue(DocumentIssue::invalidContent);
    if (baseDate && text::exceedsGraphemes(*baseDate, 10))
        throwIssue(DocumentIssue::invalidContent);
}

QString WebDateStyle::value(const QDateTime &at, const QString &manual, const QTimeZone &timeZone) const
{
    validate();
    const WebDateMode dateMode = webDateMode(mode);
    if (dateMode == WebDateMode::manual && !manual.isEmpty())
        return manual;

    const QTimeZone zone = timeZone.isValid() ? timeZone : QTimeZone::utc();
    const bool calendarMode = dateMode == WebDateMode::calendar || dateMode == WebDateMode::calendarPlus;
    QDateTime moment;
    if (calendarMode && baseDate && !baseDate->isEmpty()) {
        moment = baseDay(*baseDate, zone);
    } else {
        if (!at.isValid())
            throwIssue(DocumentIssue::invalidContent);
        moment = at.toTimeZone(zone);
    }

    if (dateMode == WebDateMode::currentPlus || dateMode == WebDateMode::calendarPlus) {
        // Whole days move by calendar days at the same wall time: a plain 86,400 s per
        // day would land on the day before when the span crosses the autumn clock
        // change (midnight + 24 h = 23:00). The fractional rest is elapsed time.
        const double wholeDays = std::trunc(offsetDays);
        moment = addCalendarDays(moment, qint64(wholeDays), zone);
        moment = moment.addMSecs(qRound64((offsetDays - wholeDays) * 86'400'000.0));
    }

    const QDate date = moment.date();
    const QTime time = moment.time();
    const QString year = QString::number(date.year());

    QString pattern = format.isEmpty() ? QStringLiteral("DD.MM.YYYY") : format;
    replaceFirst(pattern, QLatin1String("DD"), twoDigits(date.day()));
    replaceFirst(pattern, QLatin1String("MM"), twoDigits(date.month()));
    replaceFirst(pattern, QLatin1String("YYYY"), year);
    replaceFirst(pattern, QLatin1String("YY"), year.right(2));
    replaceFirst(pattern, QLatin1String("HH"), twoDigits(time.hour()));
    replaceFirst(pattern, QLatin1String("mm"), twoDigits(time.minute()));
    return pattern;
}

} // namespace kestrivane
