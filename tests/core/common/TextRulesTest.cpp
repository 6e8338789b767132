#include "core/common/TextRules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

using namespace kestrivane;

TEST(StrictInteger, AcceptsOnlySignAndAsciiDigits)
{
    EXPECT_EQ(text::parseStrictInt64(u"42"), 42);
    EXPECT_EQ(text::parseStrictInt64(u"+7"), 7);
    EXPECT_EQ(text::parseStrictInt64(u"-0"), 0);
    EXPECT_EQ(text::parseStrictInt64(u"9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(text::parseStrictInt64(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    for (const char16_t *bad : {u"", u"+", u"-", u" 9", u"9 ", u"1_0", u"0x10", u"1.0", u"\u0661",
                                u"9223372036854775808", u"-9223372036854775809", u"--1"})
        EXPECT_FALSE(text::parseStrictInt64(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(CLocaleDouble, IgnoresTheProcessLocaleAndRefusesBlanks)
{
    // A locale with a decimal comma must not change how numbers are read.
    const char *previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    auto parsed = text::parseDoubleC(u"1.5mm");
    if (previous)
        std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_DOUBLE_EQ(parsed->value, 1.5);
    EXPECT_EQ(parsed->consumed, 3);
    EXPECT_FALSE(text::parseDoubleC(u" 1.5").has_value());
    EXPECT_FALSE(text::parseDoubleC(u"abc").has_value());
    EXPECT_DOUBLE_EQ(text::parseDoubleC(u"0x10")->value, 16.0);
    EXPECT_EQ(text::parseDoubleC(u"2\u00e9")->consumed, 1);
    EXPECT_EQ(text::formatC("%.2f", 1.005e3), QStringLiteral("1005.00"));
    // Long output is never cut short.
    EXPECT_EQ(text::formatC("%.1f", 1e300).size(), 303);
}

TEST(Graphemes, CountUserPerceivedCharacters)
{
    EXPECT_EQ(text::graphemeCount(QString()), 0);
    EXPECT_EQ(text::graphemeCount(QStringLiteral("abc")), 3);
    // Family emoji joined by ZWJ, two flags, e with combining acute, CR LF.
    EXPECT_EQ(text::graphemeCount(QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7")), 1);
    EXPECT_EQ(text::graphemeCount(QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7")), 2);
    EXPECT_EQ(text::graphemeCount(QString::fromUtf8("e\xCC\x81")), 1);
    EXPECT_EQ(text::graphemeCount(QStringLiteral("\r\n")), 1);
    const QString accents = QString::fromUtf8("e\xCC\x81").repeated(4);
    EXPECT_FALSE(text::exceedsGraphemes(accents, 4));
    EXPECT_TRUE(text::exceedsGraphemes(accents, 3));
}

// Qt's own walk breaks after every UTF-16 unit of what follows a letter of a syllabic script
// (Devanagari, Thai): counts must still follow the default rules, and no cut may keep half
// of a character.
TEST(Graphemes, CountAndCutWholeCharactersAfterSyllabicLetters)
{
    const QString repeated = QStringLiteral(u"ङ}👨").repeated(80);
    const struct {
        QString sample;
        qsizetype count;
    } cases[] = {
        {QStringLiteral(u"ङ}👨"), 3},
        {QStringLiteral(u"ङ👨"), 2},
        {QStringLiteral(u"👨ङ👨"), 3},
        // An emoji with a combining accent, a family joined by ZWJ, a skin tone, two flags.
        {QStringLiteral(u"ङ😀\u0301"), 2},
        {QStringLiteral(u"ङ👨\u200D👩\u200D👧"), 2},
        {QStringLiteral(u"ङ👍🏽"), 2},
        {QStringLiteral(u"ङ🏽"), 1},
        {QStringLiteral(u"ङ🇩🇪🇫🇷"), 3},
        // A conjunct stays one character.
        {QStringLiteral(u"क्ष"), 1},
        {QStringLiteral(u"नमस्ते 👋"), 5},
        {QStringLiteral(u"สวัสดี👋"), 5},
        {repeated, 240},
    };
    for (const auto &[sample, count] : cases) {
        SCOPED_TRACE(sample.left(12).toStdString());
        EXPECT_EQ(text::graphemeCount(sample), count);
        EXPECT_FALSE(text::exceedsGraphemes(sample, count));
        EXPECT_TRUE(text::exceedsGraphemes(sample, count - 1));
        for (qsizetype n = 0; n <= count; ++n) {
            const QString cut = text::leadingGraphemes(sample, n);
            EXPECT_TRUE(sample.startsWith(cut)) << n;
            EXPECT_TRUE(cut.isEmpty() || !cut.back().isHighSurrogate()) << n;
            EXPECT_EQ(text::graphemeCount(cut), n);
        }
    }
    // A name of 240 characters is within the 256 that names may have.
    EXPECT_FALSE(text::exceedsGraphemes(repeated, 256));
}

TEST(TimeZones, RefuseIdentifiersQtWouldTakeOrResolveAsFiles)
{
    EXPECT_TRUE(text::isKnownTimeZone(QStringLiteral("Europe/Moscow")));
    EXPECT_TRUE(text::isKnownTimeZone(QStringLiteral("UTC")));
    EXPECT_TRUE(text::isKnownTimeZone(QStringLiteral("Etc/GMT+2")));
    for (const char *bad : {"", "localtime", "../etc/passwd", "Europe/../UTC", "/UTC", "Europe//Moscow",
                            "Europe/Moscow ", "Mars/Olympus", "Europe/./Moscow"})
        EXPECT_FALSE(text::isKnownTimeZone(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(text::timeZoneOrUtc(QStringLiteral("nowhere")).id(), QTimeZone::utc().id());
    EXPECT_TRUE(text::isKnownTimeZone(text::currentTimeZoneId()));
}

TEST(UnicodeRegex, DigitsAndSpacesKeepTheirUnicodeMeaning)
{
    EXPECT_TRUE(text::unicodeRegex(QStringLiteral("^\\s$")).match(QString(QChar(0x00A0))).hasMatch());
    EXPECT_TRUE(text::unicodeRegex(QStringLiteral("^\\d$")).match(QString(QChar(0x0661))).hasMatch());
}
