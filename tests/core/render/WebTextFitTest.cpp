#include "core/common/TextRules.h"
#include "core/render/WebFonts.h"
#include "core/render/WebTextFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

using namespace kestrivane;

namespace {

PointFont roboto(double size)
{
    WebFonts::registerFonts();
    return WebFonts::systemFont(size);
}

QStringList graphemes(const QString &text)
{
    QStringList result;
    text::GraphemeWalk walk(text);
    qsizetype start = 0;
    for (qsizetype end = walk.next(); end != -1; end = walk.next()) {
        if (end > start)
            result << text.mid(start, end - start);
        start = end;
    }
    return result;
}

bool isSpace(const QString &grapheme)
{
    return QChar::isSpace(grapheme.toUcs4().value(0));
}

// The line count exactly as the web editor states it: every comparison measures the
// whole candidate string. Slow (quadratic in the line), and so a good yardstick.
int literalLineCount(const PointFont &font, const QString &text, double width)
{
    int lines = 0;
    for (const QString &paragraph : text.split(u'\n')) {
        if (paragraph.isEmpty()) {
            lines += 1;
            continue;
        }
        QStringList tokens;
        bool previousSpace = false;
        for (const QString &g : graphemes(paragraph)) {
            if (!tokens.isEmpty() && isSpace(g) == previousSpace)
                tokens.last() += g;
            else
                tokens << g;
            previousSpace = isSpace(g);
        }
        int n = lines;
        QString c;
        for (const QString &token : tokens) {
            if (!c.isEmpty() && font.width(c + token) <= width) {
                c += token;
            } else if (c.isEmpty() && font.width(token) <= width) {
                c = isSpace(token) ? QString() : token;
            } else {
                if (!c.trimmed().isEmpty())
                    n += 1;
                c.clear();
                if (isSpace(token))
                    continue;
                for (const QString &g : graphemes(token)) {
                    if (!c.isEmpty() && font.width(c + g) > width) {
                        n += 1;
                        c = g;
                    } else {
                        c += g;
                    }
                }
            }
        }
        lines = c.isEmpty() ? n : n + 1;
    }
    return std::max(lines, 1);
}

bool literalFits(const PointFont &font, const QString &text, QSizeF box, double lineHeight)
{
    if (!(box.width() > 0) || !(box.height() > 0))
        return false;
    return std::max(lineHeight, 0.8) * font.pointSize() * literalLineCount(font, text, box.width()) <=
           box.height() + 0.0075;
}

double literalFitSize(const PointFont &font, const QString &text, QSizeF box, double lineHeight)
{
    double hi = font.pointSize();
    double lo = std::min(hi, 3.0);
    if (literalFits(font, text, box, lineHeight))
        return hi;
    if (!literalFits(font.withPointSize(lo), text, box, lineHeight))
        return lo;
    for (int i = 0; i < 12; ++i) {
        const double mid = (lo + hi) / 2;
        (literalFits(font.withPointSize(mid), text, box, lineHeight) ? lo : hi) = mid;
    }
    return std::max(std::floor(lo / 0.75 * 10) / 10 * 0.75, 0.075);
}

// Words chosen for what they do to widths: kerning pairs, ligatures, marks, emoji,
// scripts that join or reorder their letters, and a word longer than most lines.
const QStringList vocabulary = {u"AVATAR"_qs,
                                u"To"_qs,
                                u"T."_qs,
                                u"office"_qs,
                                u"affix"_qs,
                                u"Waffle"_qs,
                                u"fi"_qs,
                                u"LT"_qs,
                                u"y,"_qs,
                                u"Ты"_qs,
                                u"съешь"_qs,
                                u"ещё"_qs,
                                u"мягких"_qs,
                                u"中文字体"_qs,
                                u"测试"_qs,
                                u"مرحبا"_qs,
                                u"بالعالم"_qs,
                                u"שלום"_qs,
                                u"x"_qs,
                                u"Supercalifragilisticexpialidocious"_qs,
                                u"1234567890"_qs,
                                u"e\u0301te\u0301"_qs,
                                u"👍🏽"_qs,
                                u"a,b;c"_qs,
                                u"(01)04601234567893"_qs};
const QStringList separators = {u" "_qs,       u" "_qs,  u" "_qs,    u"  "_qs, u"\t"_qs,
                                u" \u00a0"_qs, u"\n"_qs, u"\n\n"_qs, QString()};

QString randomText(std::mt19937 &random, int words)
{
    std::uniform_int_distribution<qsizetype> word(0, vocabulary.size() - 1);
    std::uniform_int_distribution<qsizetype> separator(0, separators.size() - 1);
    QString text;
    if (random() % 4 == 0)
        text += separators[separator(random)];
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += separators[separator(random)];
        text += vocabulary[word(random)];
    }
    if (random() % 4 == 0)
        text += separators[separator(random)];
    return text;
}

} // namespace

TEST(WebTextFit, CountsLinesLikeMeasuringWholeStrings)
{
    // Widths are carried along instead of measured whole; every count must still agree.
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> size(0.075, 24);
    std::uniform_real_distribution<double> width(1, 250);
    std::uniform_int_distribution<int> words(1, 40);
    int multiLine = 0;
    for (int i = 0; i < 1200; ++i) {
        const QString text = randomText(random, words(random));
        const PointFont font = roboto(size(random)).withBold(i % 3 == 0);
        const double w = width(random);
        const int expected = literalLineCount(font, text, w);
        multiLine += expected > 1;
        ASSERT_EQ(WebTextFit::lineCount(font, text, w), expected)
            << "text " << text.toStdString() << " size " << font.pointSize() << " width " << w;
    }
    EXPECT_GT(multiLine, 600); // the cases really wrap
}

TEST(WebTextFit, FitsToTheSameSizeAsTheWholeStringAlgorithm)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> side(5, 200);
    std::uniform_int_distribution<int> words(3, 60);
    for (int i = 0; i < 60; ++i) {
        const QString text = randomText(random, words(random));
        const PointFont font = roboto(i % 2 ? 24 : 12);
        const QSizeF box(side(random), side(random));
        const double lineHeight = 1.2;
        const PointFont fitted = WebTextFit::font(font, text, box, lineHeight);
        ASSERT_DOUBLE_EQ(fitted.pointSize(), literalFitSize(font, text, box, lineHeight))
            << "text " << text.toStdString() << " box " << box.width() << " x " << box.height();
    }
}

TEST(WebTextFit, ShrinksToTheGridAndKeepsTheFace)
{
    const QString text = QStringLiteral("Fresh organic apples from the valley, picked this morning");
    const PointFont font = roboto(24).withBold(true).withItalic(true);
    const QSizeF box(120, 40);
    ASSERT_FALSE(WebTextFit::fits(font, text, box, 1.2));

    const PointFont fitted = WebTextFit::font(font, text, box, 1.2);
    const double size = fitted.pointSize();
    EXPECT_GT(size, 3);
    EXPECT_LT(size, 24);
    // A whole number of tenths of a CSS pixel (0.075 pt), at which the text does fit,
    // and not more than one grid step below a size at which it does not.
    EXPECT_NEAR(size / 0.075, std::round(size / 0.075), 1e-6);
    EXPECT_TRUE(WebTextFit::fits(fitted, text, box, 1.2));
    EXPECT_FALSE(WebTextFit::fits(fitted.withPointSize(size + 0.09), text, box, 1.2));
    EXPECT_TRUE(fitted.bold() && fitted.italic());
    EXPECT_EQ(fitted.family(), font.family());

    // A text that fits keeps its font untouched.
    const PointFont roomy = roboto(9.3);
    EXPECT_EQ(WebTextFit::font(roomy, QStringLiteral("Short"), QSizeF(200, 50), 1.2), roomy);
}

TEST(WebTextFit, FindsTheKnownSizeForAMonospacedWord)
{
    // Five letters fill a line exactly at 10 pt, so ten letters take two lines up to
    // 10 pt and three lines above it; two 10 pt lines fit a 20 pt box, three do not.
    WebFonts::registerFonts();
    const PointFont mono = WebFonts::monospacedSystemFont(24);
    const double fiveAtTen = mono.withPointSize(10).width(QStringLiteral("MMMMM"));
    const QSizeF box(fiveAtTen + 1e-9, 20);
    const QString text = QStringLiteral("MMMMMMMMMM");
    EXPECT_EQ(WebTextFit::lineCount(mono.withPointSize(10), text, box.width()), 2);
    EXPECT_EQ(WebTextFit::lineCount(mono.withPointSize(10.01), text, box.width()), 3);
    // The largest size is 10 pt; rounded down to tenths of a pixel: 13.3 px = 9.975 pt.
    EXPECT_DOUBLE_EQ(WebTextFit::font(mono, text, box, 1).pointSize(), 9.975);
    // At a line height of 2 in a 30 pt box the height decides: two lines of 4 s fit up
    // to s = 30.0075 / 4, just above 7.5 pt (exactly 100 tenths of a pixel).
    EXPECT_DOUBLE_EQ(WebTextFit::font(mono, text, QSizeF(box.width(), 30), 2).pointSize(), 7.5);
}

TEST(WebTextFit, StopsAtTheLowerEndWhenNothingFits)
{
    // Below 3 pt the search starts at the font's own size and returns it unrounded.
    const PointFont tiny = roboto(2);
    const QString text = QStringLiteral("Far too much text for a box this small, even at two points");
    EXPECT_DOUBLE_EQ(WebTextFit::font(tiny, text, QSizeF(5, 1), 1).pointSize(), 2);
    // A box without width or height fits nothing: min(size, 3).
    EXPECT_DOUBLE_EQ(WebTextFit::font(roboto(24), QStringLiteral("x"), QSizeF(0, 50), 1).pointSize(), 3);
    EXPECT_DOUBLE_EQ(WebTextFit::font(roboto(24), QStringLiteral("x"), QSizeF(50, -1), 1).pointSize(), 3);
    EXPECT_DOUBLE_EQ(WebTextFit::font(roboto(24), QStringLiteral("x"), QSizeF(qQNaN(), 50), 1).pointSize(), 3);
    // The lower end is tested before the search: a 24 pt text that needs less than 3 pt
    // gets 3 pt, even where a smaller size would fit.
    const QString many = QString(QStringLiteral("word ")).repeated(400);
    EXPECT_DOUBLE_EQ(WebTextFit::font(roboto(24), many, QSizeF(60, 12), 1).pointSize(), 3);
}

TEST(WebTextFit, CountsParagraphsRunsAndBrokenWords)
{
    const PointFont font = roboto(10);
    const double wide = 1000;
    // An empty paragraph is a line; a paragraph of spaces alone is none.
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("first\n\nsecond"), wide), 3);
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("first\n   \nsecond"), wide), 2);
    EXPECT_EQ(WebTextFit::lineCount(font, QString(), wide), 1);
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("   "), wide), 1);
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("\n"), wide), 2);

    // A word wider than the box breaks between characters: three M per line here.
    const double m = font.width(QStringLiteral("M"));
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("MMMMMMMMMM"), 3.5 * m), 4);
    // Words that fit move whole; the space at the break is dropped, not carried.
    const double word = font.width(QStringLiteral("MMM"));
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("MMM MMM MMM"), word + 0.01), 3);
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("MMM    MMM"), word + 0.01), 2);
    // A grapheme is never split: an accented letter stays whole on a narrow line.
    EXPECT_EQ(WebTextFit::lineCount(font, QStringLiteral("e\u0301e\u0301e\u0301"), 0.001), 3);
}

TEST(WebTextFit, HeightTestUsesTheLineHeightFloorAndTolerance)
{
    const PointFont font = roboto(10);
    const QString text = QStringLiteral("one line");
    // Line heights below 0.8 count as 0.8: 8 pt per line at 10 pt.
    EXPECT_TRUE(WebTextFit::fits(font, text, QSizeF(200, 8), 0.5));
    EXPECT_TRUE(WebTextFit::fits(font, text, QSizeF(200, 7.9926), 0.5)); // within the 0.0075 pt tolerance
    EXPECT_FALSE(WebTextFit::fits(font, text, QSizeF(200, 7.99), 0.5));
    EXPECT_TRUE(WebTextFit::fits(font, text, QSizeF(200, 15), 1.5));
    EXPECT_FALSE(WebTextFit::fits(font, text, QSizeF(200, 14.9), 1.5));
    EXPECT_FALSE(WebTextFit::fits(font, QStringLiteral("two\nlines"), QSizeF(200, 15), 1.5));
}

TEST(WebTextFit, GivesTheSameResultOnSeveralThreadsAtOnce)
{
    // The canvas fits texts on the main thread while print jobs do so in the background.
    std::mt19937 random(99);
    const QString text = randomText(random, 80);
    const QSizeF box(90, 60);
    const double expected = WebTextFit::font(roboto(24), text, box, 1.1).pointSize();
    std::vector<double> results(8, 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 5; ++round)
                results[i] = WebTextFit::font(roboto(24), text, box, 1.1).pointSize();
        });
    for (std::thread &thread : threads)
        thread.join();
    for (double result : results)
        EXPECT_DOUBLE_EQ(result, expected);
}
