#include "core/common/TextRules.h"

#include <QFile>

#include <gtest/gtest.h>

#include <array>
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

// Counts and cuts follow Unicode's default rules as ICU 72 applies them in the root locale, in
// every script and across scripts, and no cut keeps half of a character.
TEST(Graphemes, CountAndCutWholeCharactersInEveryScript)
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
        // A word of each script whose letters form syllables.
        {QStringLiteral(u"বাংলা"), 2}, {QStringLiteral(u"ਪੰਜਾਬੀ"), 3}, {QStringLiteral(u"ગુજરાતી"), 4},
        {QStringLiteral(u"ଓଡ଼ିଆ"), 3}, {QStringLiteral(u"ஸ்ரீ"), 2}, {QStringLiteral(u"தமிழ்"), 3},
        {QStringLiteral(u"తెలుగు"), 3}, {QStringLiteral(u"ಕನ್ನಡ"), 4}, {QStringLiteral(u"മലയാളം"), 4},
        {QStringLiteral(u"ශ්\u200Dරී"), 2}, {QStringLiteral(u"ภาษาไทย"), 7}, {QStringLiteral(u"བོད་ཡིག"), 5},
        {QStringLiteral(u"ကျွန်ုပ်"), 3}, {QStringLiteral(u"ကို"), 1},
        // ICU 72's own values, where Unicode versions disagree.
        {QStringLiteral(u"ខ្មែរ"), 3}, {QStringLiteral(u"က\u1039ခ"), 2},
        // A prepended sign joins a letter of another script.
        {QStringLiteral(u"\u0D4Ea"), 1}, {QStringLiteral(u"\u0600क"), 1},
        // A tag flag, a flag after an emoji, marks after a character beyond the basic plane.
        {QStringLiteral(u"🏴\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F"), 1},
        {QStringLiteral(u"👍🇩🇪"), 2}, {QStringLiteral(u"🎉🇫🇷🇫🇷"), 3}, {QStringLiteral(u"👍ာ"), 2}, {QStringLiteral(u"🇩ি"), 1},
        {QStringLiteral(u"ಕನ್ನಡ👍🇩🇪\r\ne\u0301"), 8},
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
    EXPECT_EQ(text::leadingGraphemes(QStringLiteral(u"🎉🇫🇷🇫🇷"), 2), QStringLiteral(u"🎉🇫🇷"));
    EXPECT_EQ(text::leadingGraphemes(QStringLiteral(u"a👍🏽b"), 2), QStringLiteral(u"a👍🏽"));
}

// Every line of Unicode's own conformance list for character boundaries, boundary by boundary.
TEST(Graphemes, FollowUnicodesConformanceList)
{
    QFile file(QStringLiteral("/usr/share/unicode/auxiliary/GraphemeBreakTest.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        GTEST_SKIP() << "GraphemeBreakTest.txt is missing; install the unicode-data package";
    int lines = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).section(u'#', 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        ++lines;
        QString sample;
        QList<qsizetype> expected;
        for (const QString &field : line.split(u' ', Qt::SkipEmptyParts)) {
            if (field == u"÷" && !sample.isEmpty())
                expected.append(sample.size());
            else if (field != u"÷" && field != u"×")
                sample += QString::fromUcs4(std::array{char32_t(field.toUInt(nullptr, 16))}.data(), 1);
        }
        QList<qsizetype> walked;
        text::GraphemeWalk walk(sample);
        for (qsizetype at = walk.next(); at != -1; at = walk.next())
            walked.append(at);
        EXPECT_EQ(walked, expected) << line.toStdString();
        EXPECT_EQ(text::graphemeCount(sample), expected.size()) << line.toStdString();
    }
    EXPECT_EQ(lines, 602);
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
