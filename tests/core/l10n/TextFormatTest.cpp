#include "core/l10n/TextFormat.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;

namespace {

QString en(const char *pattern, const FormatArguments &arguments)
{
    return formatPattern(QString::fromUtf8(pattern), arguments, QLocale(QStringLiteral("en-US")));
}

QString in(AppLanguage language, const char *pattern, const FormatArguments &arguments)
{
    return formatPattern(QString::fromUtf8(pattern), arguments, QLocale(rawValue(language)));
}

} // namespace

TEST(TextFormat, SpecifiersTakeTheirArgumentsInOrderOrByPosition)
{
    EXPECT_EQ(en("Row %lld: %@", {qint64(7), QStringLiteral("bad")}), "Row 7: bad");
    EXPECT_EQ(en("%2$@ before %1$@", {QStringLiteral("a"), QStringLiteral("b")}), "b before a");
    EXPECT_EQ(en("%1$d-%1$d %@", {qint64(3), QStringLiteral("x")}), "3-3 3");
    EXPECT_EQ(en("%d %i %u %ld %lld %hd %zd %s",
                 {qint64(1), qint64(2), qint64(3), qint64(4), qint64(5), qint64(6), qint64(7), QStringLiteral("s")}),
              "1 2 3 4 5 6 7 s");
    EXPECT_EQ(en("100%% done", {}), "100% done");
    EXPECT_EQ(en("%@", {QStringLiteral("%d %@ %%")}), "%d %@ %%"); // arguments are not patterns
}

TEST(TextFormat, NeverReadsMoreArgumentsThanGiven)
{
    EXPECT_EQ(en("%@ and %@ and %d", {QStringLiteral("one")}), "one and  and ");
    EXPECT_EQ(en("%3$@|%@", {QStringLiteral("a")}), "|a");
    EXPECT_EQ(en("%99999999999$@", {QStringLiteral("a")}), "");
    EXPECT_EQ(en("%f %.2f", {}), " ");
    // Unknown or broken specifiers are kept as written and consume nothing.
    EXPECT_EQ(en("%x %n %0$@ %@", {QStringLiteral("a")}), "%x %n %0$@ a");
    EXPECT_EQ(en("50%", {qint64(1)}), "50%");
    EXPECT_EQ(en("%ll", {qint64(1)}), "%ll");
    EXPECT_EQ(en("%.", {qint64(1)}), "%.");
}

TEST(TextFormat, IntegersAreUngroupedAndExactAtTheLimits)
{
    EXPECT_EQ(in(AppLanguage::german, "%d", {qint64(1234567)}), "1234567");
    EXPECT_EQ(in(AppLanguage::french, "%lld", {qint64(-1234567)}), "-1234567");
    EXPECT_EQ(en("%lld", {std::numeric_limits<qint64>::min()}), "-9223372036854775808");
    EXPECT_EQ(en("%lld", {std::numeric_limits<qint64>::max()}), "9223372036854775807");
    EXPECT_EQ(en("[%5d|%-5d|%05d|%+d|% d]", {qint64(42), qint64(42), qint64(-42), qint64(42), qint64(42)}),
              "[   42|42   |-0042|+42| 42]");
    // A double given for %d is truncated; a string is shown as it is.
    EXPECT_EQ(en("%d %d %d", {2.9, -2.9, QStringLiteral("n/a")}), "2 -2 n/a");
    EXPECT_EQ(en("%d", {1e300}), "9223372036854775807");
}

TEST(TextFormat, DecimalsUseTheSeparatorOfTheLanguage)
{
    for (const AppLanguage language : allAppLanguages) {
        const bool point = language == AppLanguage::english || language == AppLanguage::chinese;
        EXPECT_EQ(in(language, "%.2f", {3.14159}), point ? "3.14" : "3,14") << rawValue(language).toStdString();
        EXPECT_EQ(in(language, "%.1f mm", {qint64(12345)}), point ? "12345.0 mm" : "12345,0 mm");
    }
    EXPECT_EQ(in(AppLanguage::russian, "%f", {0.5}), "0,500000");
    EXPECT_EQ(in(AppLanguage::russian, "%@", {2.5}), "2,5");
    EXPECT_EQ(en("%.0f|%08.3f|%-7.1f|%+.1f", {2.5, -3.14159, 1.25, 0.0}), "2|-003.142|1.2    |+0.0");
    EXPECT_EQ(en("%.1f %.1f %5.1f",
                 {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity(), -0.04}),
              "nan -inf  -0.0");
    // Widths and precisions are capped, so a slip in a translation cannot allocate much.
    EXPECT_LE(en("%.999999999f|%999999999d", {1.0, qint64(1)}).size(), 400);
}

TEST(PluralCategory, RussianHasThreeFormsForWholeNumbers)
{
    const auto category = [](qint64 n) { return pluralCategory(AppLanguage::russian, n); };
    for (const qint64 n : {1, 21, 101, 1001, -1, -21})
        EXPECT_EQ(category(n), "one") << n;
    for (const qint64 n : {2, 3, 4, 22, 24, 102, -3})
        EXPECT_EQ(category(n), "few") << n;
    for (const qint64 n : {0, 5, 9, 10, 11, 12, 13, 14, 15, 20, 25, 111, 112, 114, 1000})
        EXPECT_EQ(category(n), "many") << n;
    EXPECT_EQ(category(std::numeric_limits<qint64>::min()), "many"); // ...808
    EXPECT_EQ(category(std::numeric_limits<qint64>::max()), "many"); // ...807
}

TEST(PluralCategory, OtherLanguagesFollowTheirRules)
{
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::german, AppLanguage::turkish}) {
        EXPECT_EQ(pluralCategory(language, 1), "one");
        EXPECT_EQ(pluralCategory(language, -1), "one");
        for (const qint64 n : {0, 2, 11, 21, 1000000})
            EXPECT_EQ(pluralCategory(language, n), "other");
    }
    for (const AppLanguage language : {AppLanguage::french, AppLanguage::portuguese}) {
        EXPECT_EQ(pluralCategory(language, 0), "one");
        EXPECT_EQ(pluralCategory(language, 1), "one");
        EXPECT_EQ(pluralCategory(language, 2), "other");
        EXPECT_EQ(pluralCategory(language, 1000000), "many");
        EXPECT_EQ(pluralCategory(language, 1000001), "other");
    }
    EXPECT_EQ(pluralCategory(AppLanguage::spanish, 0), "other");
    EXPECT_EQ(pluralCategory(AppLanguage::spanish, 1), "one");
    EXPECT_EQ(pluralCategory(AppLanguage::spanish, 2000000), "many");
    for (const qint64 n : {0, 1, 2, 5})
        EXPECT_EQ(pluralCategory(AppLanguage::chinese, n), "other");
}
