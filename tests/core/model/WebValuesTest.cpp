#include "core/model/WebValues.h"

#include "core/common/DocumentIssue.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;

namespace {

const QString nbsp(QChar(0x00A0));

QString financial(const QString &text)
{
    return WebTextValue::format(text, QStringLiteral("financial"));
}

QString rouble(const QString &text)
{
    return WebTextValue::format(text, QStringLiteral("money-rub"));
}

// Writes the expectation with '_' for the no-break space, which is invisible in source.
QString nb(const char *text)
{
    return QString::fromUtf8(text).replace(u'_', QChar(0x00A0));
}

} // namespace

TEST(WebTextValue, GroupsThousandsWithNoBreakSpacesAndDecimalComma)
{
    EXPECT_EQ(financial(QStringLiteral("1234567.891")), nb("1_234_567,891"));
    EXPECT_EQ(financial(QStringLiteral("1234")), nb("1_234"));
    EXPECT_EQ(financial(QStringLiteral("123")), QStringLiteral("123"));
    EXPECT_EQ(financial(QStringLiteral("  98765,4321 ")), nb("98_765,4321"));
    // Signs: the typographic minus and dashes read as "-", leading zeros go, 0 stays.
    EXPECT_EQ(financial(QString(QChar(0x2212)) + QStringLiteral("42")), QStringLiteral("-42"));
    EXPECT_EQ(financial(QString(QChar(0x2014)) + QStringLiteral("1000")), nb("-1_000"));
    EXPECT_EQ(financial(QStringLiteral("+0007")), QStringLiteral("+7"));
    EXPECT_EQ(financial(QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(financial(QStringLiteral("0000")), QStringLiteral("0"));
    EXPECT_EQ(financial(QStringLiteral("000.50")), QStringLiteral("0,50"));
    // The fraction keeps its digits: neither padded nor rounded.
    EXPECT_EQ(financial(QStringLiteral("1.000000")), QStringLiteral("1,000000"));
}

TEST(WebTextValue, ReadsSeparatorsTheWayPeopleTypeThem)
{
    EXPECT_EQ(financial(QStringLiteral("1.234.567")), nb("1_234_567"));
    EXPECT_EQ(financial(QStringLiteral("1,234,567")), nb("1_234_567"));
    EXPECT_EQ(financial(QStringLiteral("1.234")), QStringLiteral("1,234"));
    EXPECT_EQ(financial(QStringLiteral("1.23.45")), QStringLiteral("123,45"));
    EXPECT_EQ(financial(QStringLiteral("1,234.56")), nb("1_234,56"));
    EXPECT_EQ(financial(QStringLiteral("1.234.567,8")), nb("1_234_567,8"));
    EXPECT_EQ(financial(QStringLiteral("1'234'567")), nb("1_234_567"));
    EXPECT_EQ(financial(QStringLiteral("1\u2019000")), nb("1_000"));
    // Any Unicode blank between the groups counts, not only ASCII spaces.
    EXPECT_EQ(financial(QStringLiteral("1\u2009234\u00a0567")), nb("1_234_567"));
    EXPECT_EQ(financial(QStringLiteral("1 234 567")), nb("1_234_567"));
}

TEST(WebTextValue, RoubleFormatReadsItsOwnOutput)
{
    EXPECT_EQ(rouble(QStringLiteral("1 234,5 руб.")), nb("1_234,5_р."));
    EXPECT_EQ(rouble(QStringLiteral("100₽")), nb("100_р."));
    EXPECT_EQ(rouble(QStringLiteral("100 РУБ")), nb("100_р."));
    EXPECT_EQ(rouble(QStringLiteral("2500 р")), nb("2_500_р."));
    EXPECT_EQ(rouble(QStringLiteral("-12.5")), QStringLiteral("-12,5") + nbsp + QStringLiteral("р."));

    // Formatting twice must change nothing: the output holds no-break spaces and the sign.
    for (const char *input : {"1234567.891", "-42", "1 234,5 руб.", "0,5"}) {
        const QString once = rouble(QString::fromUtf8(input));
        EXPECT_EQ(rouble(once), once) << input;
        EXPECT_EQ(financial(financial(QString::fromUtf8(input))), financial(QString::fromUtf8(input))) << input;
    }
    // The financial format drops a rouble ending too.
    EXPECT_EQ(financial(rouble(QStringLiteral("1234,5"))), nb("1_234,5"));
}

TEST(WebTextValue, LeavesEverythingElseUnchanged)
{
    for (const char *input :
         {"12a", "1,,5", ",", "", " ", "-", "+", "1-2", "1.5.", "--5", "р.", "abc", "1e5", "\u0661\u0662", "12 34x"}) {
        const QString text = QString::fromUtf8(input);
        EXPECT_EQ(financial(text), text) << input;
        EXPECT_EQ(rouble(text), text) << input;
    }
    // The unchanged text is the input itself, blanks included.
    EXPECT_EQ(financial(QStringLiteral("  12a ")), QStringLiteral("  12a "));
    for (const char *format : {"plain", "", "Financial", "money-usd"})
        EXPECT_EQ(WebTextValue::format(QStringLiteral(" 1234.5 "), QLatin1String(format)), QStringLiteral(" 1234.5 "));
}

namespace {

WebDateStyle style(const char *mode, const char *format = "", std::optional<QString> base = std::nullopt,
                   double offset = 0)
{
    return WebDateStyle{QLatin1String(mode), QString::fromUtf8(format), std::move(base), offset};
}

QDateTime utc(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone::utc());
}

QTimeZone zone(const char *id)
{
    return QTimeZone(QByteArray(id));
}

const QDateTime someMoment = utc(2024, 6, 1, 8, 15);

} // namespace

TEST(WebDateStyle, ValidationLimits)
{
    for (const char *mode : {"current", "manual", "calendar", "currentPlus", "calendarPlus"})
        EXPECT_NO_THROW(style(mode).validate()) << mode;
    for (const char *mode : {"", "Current", "calendarplus", "today"})
        EXPECT_ISSUE(style(mode).validate(), DocumentIssue, DocumentIssue::invalidContent);

    // Lengths count user-perceived characters.
    WebDateStyle s = style("current");
    s.format = QString(128, u'x');
    EXPECT_NO_THROW(s.validate());
    s.format = QString(129, u'x');
    EXPECT_ISSUE(s.validate(), DocumentIssue, DocumentIssue::invalidContent);
    s.format = QStringLiteral("e\u0301").repeated(128);
    EXPECT_NO_THROW(s.validate());

    s = style("current");
    for (double ok : {36500.0, -36500.0, 0.25, -0.0})
        EXPECT_NO_THROW((s.offsetDays = ok, s.validate())) << ok;
    for (double bad : {36500.01, -36501.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        s.offsetDays = bad;
        EXPECT_ISSUE(s.validate(), DocumentIssue, DocumentIssue::invalidContent);
    }

    s = style("current");
    s.baseDate = QStringLiteral("2024-02-29");
    EXPECT_NO_THROW(s.validate());
    s.baseDate = QStringLiteral("2024-02-299");
    EXPECT_ISSUE(s.validate(), DocumentIssue, DocumentIssue::invalidContent);
    // value() checks first, whatever the mode.
    EXPECT_ISSUE(s.value(someMoment, QString(), QTimeZone::utc()), DocumentIssue, DocumentIssue::invalidContent);
}

TEST(WebDateStyle, CalendarDaysMustBeRealDays)
{
    const QTimeZone z = QTimeZone::utc();
    EXPECT_EQ(style("calendar", "", QStringLiteral("2024-02-29")).value(someMoment, QString(), z),
              QStringLiteral("29.02.2024"));
    EXPECT_EQ(style("calendar", "", QStringLiteral("2024-2-9")).value(someMoment, QString(), z),
              QStringLiteral("09.02.2024"));
    // Empty and unreadable pieces are dropped, as long as three numbers remain.
    EXPECT_EQ(style("calendar", "", QStringLiteral("+2024-2--9")).value(someMoment, QString(), z),
              QStringLiteral("09.02.2024"));
    EXPECT_EQ(style("calendar", "", QStringLiteral("2024-x-2-9")).value(someMoment, QString(), z),
              QStringLiteral("09.02.2024"));
    for (const char *bad : {"2024-02-30", "2023-02-29", "2024-04-31", "1899-12-31", "2024-13-01", "2024-00-10",
                            "2024-02", "2024-02-29-1", " 2024-02-29", "2024-02-0", "-2024-02-29x"}) {
        EXPECT_ISSUE(style("calendar", "", QString::fromLatin1(bad)).value(someMoment, QString(), z), DocumentIssue,
                     DocumentIssue::invalidContent);
        EXPECT_ISSUE(style("calendarPlus", "", QString::fromLatin1(bad), 1).value(someMoment, QString(), z),
                     DocumentIssue, DocumentIssue::invalidContent);
    }
    // The current modes never read the base day; an empty one makes a calendar mode current.
    EXPECT_EQ(style("current", "", QStringLiteral("bogus")).value(someMoment, QString(), z),
              QStringLiteral("01.06.2024"));
    EXPECT_EQ(style("calendar", "", QString()).value(someMoment, QString(), z), QStringLiteral("01.06.2024"));
    EXPECT_EQ(style("calendarPlus", "", std::nullopt, 1).value(someMoment, QString(), z), QStringLiteral("02.06.2024"));
}

TEST(WebDateStyle, TokensOffsetsAndManualText)
{
    const QTimeZone z = QTimeZone::utc();
    EXPECT_EQ(style("calendarPlus", "", QStringLiteral("2024-12-31"), 1).value(someMoment, QString(), z),
              QStringLiteral("01.01.2025"));
    EXPECT_EQ(style("calendarPlus", "YY/MM", QStringLiteral("2024-12-31"), 1).value(someMoment, QString(), z),
              QStringLiteral("25/01"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, 0.5).value(someMoment, QString(), z),
              QStringLiteral("01.06.2024 20:15"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, -1.5).value(utc(2024, 6, 10, 12), QString(), z),
              QStringLiteral("09.06.2024 00:00"));
    // Only the first occurrence of each token is replaced; MM and mm differ by case.
    EXPECT_EQ(style("current", "DD-DD MM:mm YYYY YY").value(utc(2024, 3, 5, 7, 9), QString(), z),
              QStringLiteral("05-DD 03:09 2024 24"));
    EXPECT_EQ(style("current", "YYYYYY").value(someMoment, QString(), z), QStringLiteral("202424"));
    EXPECT_EQ(style("current", "no tokens").value(someMoment, QString(), z), QStringLiteral("no tokens"));

    EXPECT_EQ(style("manual").value(someMoment, QStringLiteral("best before Friday"), z),
              QStringLiteral("best before Friday"));
    EXPECT_EQ(style("manual").value(someMoment, QString(), z), QStringLiteral("01.06.2024"));
    // A manual text is for the manual mode only.
    EXPECT_EQ(style("current").value(someMoment, QStringLiteral("ignored"), z), QStringLiteral("01.06.2024"));
}

TEST(WebDateStyle, ReadsTheMomentInTheGivenZoneAcrossClockChanges)
{
    const QDateTime lateEvening = utc(2024, 6, 1, 22, 30);
    const WebDateStyle full = style("current", "DD.MM.YYYY HH:mm");
    EXPECT_EQ(full.value(lateEvening, QString(), zone("Europe/Moscow")), QStringLiteral("02.06.2024 01:30"));
    EXPECT_EQ(full.value(lateEvening, QString(), zone("America/New_York")), QStringLiteral("01.06.2024 18:30"));
    EXPECT_EQ(full.value(lateEvening, QString(), zone("Asia/Kolkata")), QStringLiteral("02.06.2024 04:00"));
    // The same moment given in another zone is the same moment.
    EXPECT_EQ(full.value(lateEvening.toTimeZone(zone("Asia/Tokyo")), QString(), zone("America/New_York")),
              QStringLiteral("01.06.2024 18:30"));

    // Whole days are calendar days at the same wall time, also over the autumn change
    // (Berlin leaves summer time on 27 October 2024) and the spring one (31 March).
    const QTimeZone berlin = zone("Europe/Berlin");
    EXPECT_EQ(
        style("calendarPlus", "DD.MM.YYYY HH:mm", QStringLiteral("2024-10-26"), 2).value(someMoment, QString(), berlin),
        QStringLiteral("28.10.2024 00:00"));
    EXPECT_EQ(
        style("calendarPlus", "DD.MM.YYYY HH:mm", QStringLiteral("2024-03-30"), 2).value(someMoment, QString(), berlin),
        QStringLiteral("01.04.2024 00:00"));
    EXPECT_EQ(style("calendarPlus", "DD.MM.YYYY HH:mm", QStringLiteral("2024-10-28"), -2)
                  .value(someMoment, QString(), berlin),
              QStringLiteral("26.10.2024 00:00"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, 1)
                  .value(QDateTime(QDate(2024, 3, 30), QTime(23, 30), berlin), QString(), berlin),
              QStringLiteral("31.03.2024 23:30"));
    // A wall time the spring change skips moves forward by the gap, and elapsed time
    // added after that starts from the moved moment.
    const QDateTime skipped(QDate(2024, 3, 30), QTime(2, 30), berlin);
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, 1).value(skipped, QString(), berlin),
              QStringLiteral("31.03.2024 03:30"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, 1.5).value(skipped, QString(), berlin),
              QStringLiteral("31.03.2024 15:30"));
    // Half a day is twelve elapsed hours, so the clock change shows in the hour.
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, 0.5)
                  .value(QDateTime(QDate(2024, 10, 27), QTime(0, 0), berlin), QString(), berlin),
              QStringLiteral("27.10.2024 11:00"));

    // São Paulo's clocks jumped from 00:00 to 01:00 on 4 November 2018: the day has no
    // midnight and starts at 01:00 instead of being refused.
    const QTimeZone saoPaulo = zone("America/Sao_Paulo");
    EXPECT_EQ(
        style("calendar", "DD.MM.YYYY HH:mm", QStringLiteral("2018-11-04")).value(someMoment, QString(), saoPaulo),
        QStringLiteral("04.11.2018 01:00"));
    EXPECT_EQ(
        style("calendarPlus", "DD.MM.YYYY", QStringLiteral("2018-11-03"), 1).value(someMoment, QString(), saoPaulo),
        QStringLiteral("04.11.2018"));
    // Counting back onto that day moves forward too, never onto the day before.
    EXPECT_EQ(style("calendarPlus", "DD.MM.YYYY HH:mm", QStringLiteral("2018-11-05"), -1)
                  .value(someMoment, QString(), saoPaulo),
              QStringLiteral("04.11.2018 01:00"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, -1)
                  .value(QDateTime(QDate(2018, 11, 5), QTime(0, 30), saoPaulo), QString(), saoPaulo),
              QStringLiteral("04.11.2018 01:30"));
    EXPECT_EQ(style("currentPlus", "DD.MM.YYYY HH:mm", std::nullopt, -1)
                  .value(QDateTime(QDate(2024, 4, 1), QTime(2, 30), berlin), QString(), berlin),
              QStringLiteral("31.03.2024 03:30"));
}
