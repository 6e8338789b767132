#include "core/model/ElementOptions.h"

#include "core/common/TextRules.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTimeZone>

#include <limits>

using namespace kestrivane;

namespace {

constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

QDateTime utc(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone::utc());
}

DateOptions dateOptions(DatePattern pattern, const QString &zone, qint64 offsetDays = 0)
{
    DateOptions options;
    options.pattern = pattern;
    options.timeZoneID = zone;
    options.offsetDays = offsetDays;
    return options;
}

QJsonObject parseObject(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(CounterOptions, ZeroFillsWithoutEverCuttingTheNumber)
{
    const CounterOptions counter;
    EXPECT_EQ(counter.value(0, false), "0001");
    EXPECT_EQ(counter.value(9, false), "0010");
    EXPECT_EQ(counter.value(9999, false), "10000");

    CounterOptions custom;
    custom.start = 100;
    custom.step = 5;
    custom.digits = 2;
    custom.prefix = QStringLiteral("№ ");
    custom.suffix = QStringLiteral(" шт.");
    EXPECT_EQ(custom.value(3, false), QStringLiteral("№ 115 шт."));

    custom.digits = 18;
    custom.start = 7;
    custom.step = 0;
    EXPECT_EQ(custom.value(1'000'000, false), QStringLiteral("№ 000000000000000007 шт."));
}

TEST(CounterOptions, NegativeValuesOnlyWhenAllowedWithZerosAfterTheSign)
{
    CounterOptions counter;
    counter.start = 0;
    counter.step = -1;
    EXPECT_EQ(counter.value(0, false), "0000");
    EXPECT_ISSUE(counter.value(1, false), DocumentIssue, DocumentIssue::invalidContent);
    // The sign counts among the digits.
    EXPECT_EQ(counter.value(1, true), "-001");
    EXPECT_EQ(counter.value(12345, true), "-12345");

    counter.start = int64Min;
    counter.step = 0;
    counter.digits = 18;
    EXPECT_EQ(counter.value(0, true), "-9223372036854775808");
}

TEST(CounterOptions, ArithmeticOverflowFailsAtTheSixtyFourBitLimits)
{
    CounterOptions counter;
    counter.start = int64Max;
    counter.step = 1;
    EXPECT_EQ(counter.value(0, false), "9223372036854775807");
    EXPECT_ISSUE(counter.value(1, false), DocumentIssue, DocumentIssue::invalidContent);

    // The product overflows on its own although the sum would come back in range.
    counter.start = int64Min;
    counter.step = int64Max;
    EXPECT_ISSUE(counter.value(2, true), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_EQ(counter.value(1, true), "-001");

    counter.start = int64Min;
    counter.step = -1;
    EXPECT_ISSUE(counter.value(1, true), DocumentIssue, DocumentIssue::invalidContent);
    counter.step = 1;
    EXPECT_ISSUE(counter.value(-1, true), DocumentIssue, DocumentIssue::invalidContent);

    counter.start = 0;
    counter.step = -1;
    EXPECT_EQ(counter.value(int64Min + 1, false), "9223372036854775807");
    EXPECT_ISSUE(counter.value(int64Min, false), DocumentIssue, DocumentIssue::invalidContent);
}

TEST(CounterOptions, DigitCountOutsideOneToEighteenFailsEverywhere)
{
    for (const qint64 digits : {qint64(0), qint64(19), qint64(-1), int64Max, int64Min}) {
        CounterOptions counter;
        counter.digits = digits;
        for (const qint64 index : {qint64(0), qint64(5), qint64(99)})
            EXPECT_ISSUE(counter.value(index, true), DocumentIssue, DocumentIssue::invalidContent);
    }
    CounterOptions counter;
    counter.digits = 1;
    EXPECT_EQ(counter.value(0, false), "1");
}

TEST(DateOptions, PatternsUseFixedAsciiFieldsInTheNamedZone)
{
    const QDateTime at = utc(2026, 3, 7, 9, 5);
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "UTC").value(at), "2026-03-07");
    EXPECT_EQ(dateOptions(DatePattern::dayMonthYear, "UTC").value(at), "07.03.2026");
    EXPECT_EQ(dateOptions(DatePattern::time, "UTC").value(at), "09:05");
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "UTC").value(at), "2026-03-07 09:05");
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "Asia/Tokyo").value(at), "2026-03-07 18:05");

    // 23:30 GMT is already the next day two hours east.
    const QDateTime late = utc(2026, 3, 7, 23, 30);
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "Etc/GMT-2").value(late), "2026-03-08");
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "GMT").value(late), "2026-03-07");
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "America/New_York").value(utc(2026, 3, 7, 3, 0)), "2026-03-06");
}

TEST(DateOptions, UnknownOrUnsafeZoneIdentifiersShowGmt)
{
    const QDateTime late = utc(2026, 3, 7, 23, 30);
    for (const char *zone :
         {"", "Mars/Olympus_Mons", "localtime", "../../etc/passwd", "Europe/./Berlin", "Europe/Berlin ", "nowhere"})
        EXPECT_EQ(dateOptions(DatePattern::dateTime, zone).value(late), "2026-03-07 23:30") << zone;
}

TEST(DateOptions, DayOffsetsKeepTheWallClockTimeAcrossDaylightSaving)
{
    // Berlin switches to summer time in the night to 2026-03-29.
    const QDateTime noonBefore = QDateTime(QDate(2026, 3, 28), QTime(12, 0), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "Europe/Berlin", 1).value(noonBefore), "2026-03-29 12:00");
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "Europe/Berlin", -1).value(noonBefore), "2026-03-27 12:00");
    EXPECT_EQ(dateOptions(DatePattern::time, "Europe/Berlin", 1).value(noonBefore),
              dateOptions(DatePattern::time, "Europe/Berlin", 0).value(noonBefore));

    // 02:30 does not exist on the day of the change: the time moves forward.
    const QDateTime night = QDateTime(QDate(2026, 3, 28), QTime(2, 30), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "Europe/Berlin", 1).value(night), "2026-03-29 03:30");
    // Coming back over the jump moves forward too, and never onto another day: Santiago
    // skips 00:00-01:00 on 2026-09-06.
    const QDateTime afterJump = QDateTime(QDate(2026, 3, 30), QTime(2, 30), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "Europe/Berlin", -1).value(afterJump), "2026-03-29 03:30");
    const QTimeZone santiago("America/Santiago");
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "America/Santiago", -1)
                  .value(QDateTime(QDate(2026, 9, 7), QTime(0, 30), santiago)),
              "2026-09-06 01:30");
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "America/Santiago", -1)
                  .value(QDateTime(QDate(2026, 9, 7), QTime(0, 0), santiago)),
              "2026-09-06");
    EXPECT_EQ(dateOptions(DatePattern::dateTime, "America/Santiago", 1)
                  .value(QDateTime(QDate(2026, 9, 5), QTime(0, 30), santiago)),
              "2026-09-06 01:30");

    EXPECT_EQ(dateOptions(DatePattern::isoDate, "UTC", 36500).value(utc(2026, 3, 7, 0, 0)), "2126-02-11");
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "UTC", -36500).value(utc(2026, 3, 7, 0, 0)), "1926-04-01");
}

TEST(DateOptions, ImpossibleShiftsKeepTheDateAndNothingFails)
{
    const QDateTime at = utc(2026, 3, 7, 9, 5);
    for (const qint64 offset : {int64Max, int64Min, qint64(400'000'000'000)})
        EXPECT_EQ(dateOptions(DatePattern::dateTime, "Europe/Berlin", offset).value(at), "2026-03-07 10:05");
    EXPECT_EQ(dateOptions(DatePattern::isoDate, "UTC").value(QDateTime()), "");
}

TEST(DateOptions, NewOptionsCarryTheMachineZone)
{
    const DateOptions options;
    EXPECT_EQ(options.pattern, DatePattern::isoDate);
    EXPECT_EQ(options.offsetDays, 0);
    EXPECT_EQ(options.timeZoneID, text::currentTimeZoneId());
    EXPECT_TRUE(text::isKnownTimeZone(options.timeZoneID));
}

TEST(ElementOptionEnumerations, RawValuesAreExactAndCaseSensitive)
{
    QStringList alignments;
    for (const TextAlignment alignment : allTextAlignments) {
        alignments << rawValue(alignment);
        EXPECT_EQ(textAlignmentFromRawValue(rawValue(alignment)), alignment);
        EXPECT_EQ(titleKey(alignment), "mac.align_" + rawValue(alignment));
    }
    EXPECT_EQ(alignments, QStringList({"left", "center", "right", "justify"}));
    EXPECT_FALSE(textAlignmentFromRawValue("Left"));
    EXPECT_FALSE(textAlignmentFromRawValue("centre"));
    EXPECT_FALSE(textAlignmentFromRawValue(""));

    QStringList patterns;
    for (const DatePattern pattern : allDatePatterns) {
        patterns << rawValue(pattern);
        EXPECT_EQ(datePatternFromRawValue(rawValue(pattern)), pattern);
        EXPECT_EQ(titleKey(pattern), "mac.date_" + rawValue(pattern));
    }
    EXPECT_EQ(patterns, QStringList({"isoDate", "dayMonthYear", "time", "dateTime"}));
    EXPECT_EQ(pattern(DatePattern::dayMonthYear), "dd.MM.yyyy");
    EXPECT_FALSE(datePatternFromRawValue("isodate"));
}

TEST(ElementOptionsJson, EveryValueRoundTripsThroughDocumentText)
{
    TextStyle style;
    style.fontName = QStringLiteral("Roboto Mono");
    style.italic = true;
    style.alignment = TextAlignment::justify;

    DateOptions date = dateOptions(DatePattern::time, "Mars/Nowhere", -36500);

    CounterOptions counter;
    counter.start = int64Min;
    counter.step = int64Max;
    counter.digits = 19;
    counter.prefix = QStringLiteral("\"A\"");

    const auto reread = [](const QJsonObject &object) {
        return QJsonDocument::fromJson(QJsonDocument(object).toJson()).object();
    };
    EXPECT_EQ(textStyleFromJson(reread(toJson(style))), style);
    // An unknown zone is kept for validation to refuse.
    EXPECT_EQ(dateOptionsFromJson(reread(toJson(date))), date);
    EXPECT_EQ(counterOptionsFromJson(reread(toJson(counter))), counter);
    EXPECT_EQ(toJson(TextStyle()).keys(), QStringList({"alignment", "bold", "fontName", "italic", "underline"}));
}

TEST(ElementOptionsJson, MissingKeysWrongTypesAndUnknownRawValuesAreRefused)
{
    EXPECT_ISSUE(textStyleFromJson(parseObject(R"({"fontName":"","bold":false,"italic":false,"alignment":"left"})")),
                 DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(textStyleFromJson(parseObject(
                     R"({"fontName":"","bold":false,"italic":false,"underline":false,"alignment":"Left"})")),
                 DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(textStyleFromJson(
                     parseObject(R"({"fontName":"","bold":0,"italic":false,"underline":false,"alignment":"left"})")),
                 DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(dateOptionsFromJson(parseObject(R"({"pattern":"iso","timeZoneID":"UTC","offsetDays":0})")),
                 DocumentIssue, DocumentIssue::invalidDocument);
    EXPECT_ISSUE(dateOptionsFromJson(parseObject(R"({"pattern":"time","timeZoneID":null,"offsetDays":0})")),
                 DocumentIssue, DocumentIssue::invalidDocument);

    const char *counterTemplate = R"({"start":%1,"step":1,"digits":4,"prefix":"","suffix":""})";
    const auto counterWithStart = [&](const char *start) {
        return counterOptionsFromJson(
            QJsonDocument::fromJson(QString::fromLatin1(counterTemplate).arg(QLatin1String(start)).toUtf8()).object());
    };
    EXPECT_EQ(counterWithStart("-9223372036854775808").start, int64Min);
    EXPECT_EQ(counterWithStart("9223372036854775807").start, int64Max);
    EXPECT_EQ(counterWithStart("5.0").start, 5);
    for (const char *bad : {"5.5", "\"5\"", "9223372036854775808", "1e19", "-1e19", "true", "null"})
        EXPECT_ISSUE(counterWithStart(bad), DocumentIssue, DocumentIssue::invalidDocument);
}
