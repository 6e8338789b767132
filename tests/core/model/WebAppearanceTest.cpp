#include "core/model/WebAppearance.h"

#include "core/common/DocumentIssue.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

using namespace kestrivane;

namespace {

// QColor keeps 16 bits per component.
constexpr double tolerance = 1.0 / 65535;

void expectColor(const char *text, double r, double g, double b, double a)
{
    SCOPED_TRACE(text);
    const auto color = WebAppearance::cssColor(QString::fromUtf8(text));
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(color->spec(), QColor::Rgb);
    EXPECT_NEAR(color->redF(), r, tolerance);
    EXPECT_NEAR(color->greenF(), g, tolerance);
    EXPECT_NEAR(color->blueF(), b, tolerance);
    EXPECT_NEAR(color->alphaF(), a, tolerance);
}

void expectNoColor(const char *text)
{
    EXPECT_FALSE(WebAppearance::cssColor(QString::fromUtf8(text)).has_value()) << text;
}

} // namespace

TEST(CssColor, NamedColours)
{
    expectColor(" Black ", 0, 0, 0, 1);
    expectColor("\n\tWHITE\n", 1, 1, 1, 1);
    expectColor("TRANSPARENT", 0, 0, 0, 0);
    expectColor("green", 0, 128.0 / 255, 0, 1);
    expectColor("navy", 0, 0, 128.0 / 255, 1);
    expectColor("silver", 192.0 / 255, 192.0 / 255, 192.0 / 255, 1);
    EXPECT_EQ(WebAppearance::cssColor(u"Grey"), WebAppearance::cssColor(u"gray"));
    EXPECT_EQ(WebAppearance::cssColor(u"grey"), WebAppearance::cssColor(u"#808080"));
    for (const char *unknown : {"middle", "orange", "cyan", "bla ck", "", "   "})
        expectNoColor(unknown);
}

TEST(CssColor, HexadecimalForms)
{
    EXPECT_EQ(WebAppearance::cssColor(u"#fff"), WebAppearance::cssColor(u"#ffffff"));
    EXPECT_EQ(WebAppearance::cssColor(u"#ABC"), WebAppearance::cssColor(u"#aabbcc"));
    expectColor("#0f08", 0, 1, 0, 0x88 / 255.0);
    expectColor("#12345678", 0x12 / 255.0, 0x34 / 255.0, 0x56 / 255.0, 0x78 / 255.0);
    expectColor("#FF000080", 1, 0, 0, 0x80 / 255.0);
    expectColor("  #00ff00  ", 0, 1, 0, 1);
    expectColor("#ffffffff", 1, 1, 1, 1);
    // A '+' counts as one of the six characters; a '-' reads only before zeros.
    expectColor("#+fffff", 15 / 255.0, 1, 1, 1);
    expectColor("#-00000", 0, 0, 0, 1);
    expectColor("#-0000000", 0, 0, 0, 0);
    for (const char *bad :
         {"#", "#f", "#ff", "#fffff", "#fffffff", "#fffffffff", "ffffff", "#0x1234", "#-00001", "#-fffff", "#ggg",
          "# fff", "#ff ff ff", "#+-ffff", "#++ffff", "#\u0661\u0662\u0663", "#ff\u00e9", "#-", "#+"})
        expectNoColor(bad);
}

TEST(CssColor, FunctionalForms)
{
    expectColor("rgb(255, 0, 0)", 1, 0, 0, 1);
    expectColor("rgba(255,0,0)", 1, 0, 0, 1);
    expectColor("RGB(0, 128, 255)", 0, 128 / 255.0, 1, 1);
    expectColor("rgb(255,0,0,0.5)", 1, 0, 0, 0.5);
    expectColor("rgba(100%, 50%, 0%, 50%)", 1, 0.5, 0, 0.5);
    expectColor("rgb(300, -20, 0)", 1, 0, 0, 1);
    expectColor("rgb(0,0,0,7)", 0, 0, 0, 1);
    expectColor("rgb(0,0,0,-1)", 0, 0, 0, 0);
    expectColor("rgb(1,,2,3)", 1 / 255.0, 2 / 255.0, 3 / 255.0, 1);
    expectColor("rgb(\t51 ,\u00a0102, 1.53e2 )", 0.2, 0.4, 0.6, 1);
    expectColor("rgb(0x33, 0, 0)", 0.2, 0, 0, 1);
    expectColor("rgb(+25.5e1, 0, 0)", 1, 0, 0, 1);
    for (const char *bad : {"rgb(1 2 3)", "rgb(1,2)", "rgb(1,2,3", "rgb(1,2,3,4,5)", "rgb()", "rgb(,,,)",
                            "rgb(50 %, 0, 0)", "rgb(50%%, 0, 0)", "rgb(inf, 0, 0)", "rgb(nan, 0, 0)",
                            "rgb(0, 0, 0, infinity)", "rgb(1e999, 0, 0)", "rgb(1, , 2, 3)", "rgb(1px, 2, 3)",
                            "rgb(1,\n2,3)", "rgb(1,2,3)x", "rgb (1,2,3)", "hsl(0, 100%, 50%)", "rgb(\u0661,2,3)"})
        expectNoColor(bad);
}

TEST(CssColor, IgnoresTheProcessLocale)
{
    const char *previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const auto color = WebAppearance::cssColor(u"rgba(0, 0, 0, 0.5)");
    const auto comma = WebAppearance::cssColor(u"rgba(0, 0, 0, 0,5)");
    if (previous)
        std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(color.has_value());
    EXPECT_NEAR(color->alphaF(), 0.5, tolerance);
    // Five pieces, not a decimal comma.
    EXPECT_FALSE(comma.has_value());
}

namespace {

template <typename Change> void expectAppearanceIssue(Change change, DocumentIssue expected)
{
    WebAppearance appearance;
    change(appearance);
    EXPECT_ISSUE(appearance.validate(), DocumentIssue, expected);
}

template <typename Change> void expectAppearanceValid(Change change)
{
    WebAppearance appearance;
    change(appearance);
    EXPECT_NO_THROW(appearance.validate());
}

} // namespace

TEST(WebAppearance, ValidationLimits)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto content = DocumentIssue::invalidContent;

    EXPECT_NO_THROW(WebAppearance().validate());

    expectAppearanceValid([](WebAppearance &a) { a.fill = QStringLiteral("transparent"); });
    expectAppearanceValid([](WebAppearance &a) { a.color = QStringLiteral("rgb(1,2,3)"); });
    expectAppearanceIssue([](WebAppearance &a) { a.color = QStringLiteral("ink"); }, content);
    expectAppearanceIssue([](WebAppearance &a) { a.color = QString(); }, content);
    expectAppearanceIssue([](WebAppearance &a) { a.fill = QString(); }, content);

    for (double ok : {0.0, -0.0, 500.0})
        expectAppearanceValid([&](WebAppearance &a) { a.radiusPt = ok; });
    for (double bad : {500.0001, -0.001, nan, inf})
        expectAppearanceIssue([&](WebAppearance &a) { a.radiusPt = bad; }, content);

    for (const char *ok : {"top", "center", "bottom"})
        expectAppearanceValid([&](WebAppearance &a) { a.vertical = QLatin1String(ok); });
    for (const char *bad : {"Top", "middle", "centre", ""})
        expectAppearanceIssue([&](WebAppearance &a) { a.vertical = QLatin1String(bad); }, content);

    for (double ok : {0.5, 5.0})
        expectAppearanceValid([&](WebAppearance &a) { a.lineHeight = ok; });
    for (double bad : {0.49, 5.01, nan, -inf})
        expectAppearanceIssue([&](WebAppearance &a) { a.lineHeight = bad; }, content);

    for (double ok : {4.0, 32.0})
        expectAppearanceValid([&](WebAppearance &a) { a.gs1FontPx = ok; });
    for (double bad : {3.9, 32.1, nan, inf})
        expectAppearanceIssue([&](WebAppearance &a) { a.gs1FontPx = bad; }, content);

    // Fields the drawing merely passes on are not checked here.
    expectAppearanceValid([](WebAppearance &a) {
        a.fitMode = QStringLiteral("whatever");
        a.valueFormat = QStringLiteral("no-such-format");
        a.gs1GTIN = QStringLiteral("not a gtin");
        a.gs1Serial = QString();
        a.missingAlignment = true;
        a.gs1Identification = true;
        a.shrink = true;
    });
}

TEST(WebAppearance, NestedChecksPassTheirErrorsThrough)
{
    const WebImagePlacement goodImage{QStringLiteral("cover"), 100, 50, 50, QStringLiteral("circle")};
    WebImagePlacement badImage = goodImage;
    badImage.shape = QStringLiteral("square");
    const WebDateStyle goodDate{QStringLiteral("calendar"), QString(), QStringLiteral("2024-02-30"), 0};
    WebDateStyle badDate = goodDate;
    badDate.offsetDays = 40000;

    // A base day that is not a real day fails only when a date is printed.
    expectAppearanceValid([&](WebAppearance &a) {
        a.date = goodDate;
        a.image = goodImage;
    });
    expectAppearanceIssue([&](WebAppearance &a) { a.image = badImage; }, DocumentIssue::invalidImage);
    expectAppearanceIssue([&](WebAppearance &a) { a.date = badDate; }, DocumentIssue::invalidContent);
    // The checks run in order: the appearance's own fields before the nested values.
    expectAppearanceIssue(
        [&](WebAppearance &a) {
            a.lineHeight = 9;
            a.image = badImage;
        },
        DocumentIssue::invalidContent);
}
