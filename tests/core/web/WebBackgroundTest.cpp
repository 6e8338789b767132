#include "core/common/DocumentIssue.h"
#include "core/model/WebBackground.h"

#include "tests/common/TestSupport.h"
#include "tests/core/graphics/PictureSamples.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;

namespace {

WebBackground background(const char *json, std::optional<QByteArray> picture = std::nullopt)
{
    const auto definition = CatalogJSON::parse(QByteArray(json));
    EXPECT_TRUE(definition.has_value()) << json;
    return WebBackground{definition.value_or(CatalogJSON()), std::move(picture)};
}

// Draws into a 100 × 50 canvas (one pixel per point) that starts grey, so that "nothing
// drawn" is visible.
QImage drawn(const WebBackground &value, QSize size = QSize(100, 50))
{
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(QColor(128, 128, 128));
    QPainter painter(&canvas);
    value.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return canvas;
}

// Red to blue at `t` along the gradient.
QColor redToBlue(double t)
{
    return QColor(int(std::lround(255 * (1 - t))), 0, int(std::lround(255 * t)));
}

void expectColour(const QImage &image, int x, int y, QColor expected, int tolerance = 4)
{
    const QColor actual = image.pixelColor(x, y);
    EXPECT_NEAR(actual.red(), expected.red(), tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(actual.green(), expected.green(), tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance) << "at " << x << "," << y;
}

const QColor grey(128, 128, 128);

} // namespace

TEST(WebBackground, DescriptionsWithoutAKnownTypeAreNoneOrRefused)
{
    for (const char *json : {"\"linear\"", "5", "null", "{}", "{\"type\": 5, \"color\": \"red\"}", "[1, 2]"}) {
        SCOPED_TRACE(json);
        const WebBackground none = background(json);
        EXPECT_EQ(none.type(), QStringLiteral("none"));
        EXPECT_NO_THROW(none.validate());
        const QImage image = drawn(none);
        expectColour(image, 50, 25, grey, 0);
    }
    EXPECT_ISSUE(background(R"j({"type": "pattern"})j").validate(), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_ISSUE(background(R"j({"type": "Color"})j").validate(), DocumentIssue, DocumentIssue::invalidContent);
}

TEST(WebBackground, ColourFillsTheWholeRectangle)
{
    expectColour(drawn(background(R"j({"type": "color"})j")), 0, 0, Qt::white, 0);
    expectColour(drawn(background(R"j({"type": "color", "color": 7})j")), 99, 49, Qt::white, 0);
    const QImage blue = drawn(background(R"j({"type": "color", "color": "rgb(0,0,255)"})j"));
    expectColour(blue, 0, 0, Qt::blue, 0);
    expectColour(blue, 99, 49, Qt::blue, 0);

    const WebBackground bluish = background(R"j({"type": "color", "color": "bluish"})j");
    EXPECT_ISSUE(bluish.validate(), DocumentIssue, DocumentIssue::invalidContent);
    // Checked before anything is drawn.
    QImage canvas(10, 10, QImage::Format_ARGB32);
    canvas.fill(grey);
    {
        QPainter painter(&canvas);
        EXPECT_ISSUE(bluish.draw(painter, QRectF(0, 0, 10, 10)), DocumentIssue, DocumentIssue::invalidContent);
    }
    expectColour(canvas, 5, 5, grey, 0);
}

TEST(WebBackground, GradientStopRules)
{
    auto stops = [](int count) {
        QByteArray json = R"j({"type": "linear", "stops": [)j";
        for (int i = 0; i < count; ++i)
            json += (i ? "," : "") + QByteArray(R"j({"pos": )j") + QByteArray::number(100.0 * i / std::max(1, count - 1)) +
                    R"j(, "color": "#ff0000"})j";
        return background(json + "]}");
    };
    EXPECT_ISSUE(stops(1).validate(), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_NO_THROW(stops(2).validate());
    EXPECT_NO_THROW(stops(32).validate());
    EXPECT_ISSUE(stops(33).validate(), DocumentIssue, DocumentIssue::invalidContent);

    EXPECT_NO_THROW(background(R"j({"type": "radial", "stops": [{"pos": 0, "color": "red"}, {"pos": 50, "color": "red"},
        {"pos": 50, "color": "blue"}, {"pos": 100, "color": "blue"}]})j")
                        .validate());
    const char *refused[] = {
        R"j({"type": "linear"})j",
        R"j({"type": "linear", "stops": {"pos": 0}})j",
        R"j({"type": "linear", "stops": [{"pos": 60, "color": "red"}, {"pos": 40, "color": "blue"}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, {"pos": 100.5, "color": "blue"}]})j",
        R"j({"type": "radial", "stops": [{"pos": -1, "color": "red"}, {"pos": 100, "color": "blue"}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, {"pos": 100}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, {"pos": 100, "color": "bluish"}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, {"pos": "100", "color": "blue"}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, {}]})j",
        R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"}, "blue"]})j",
    };
    for (const char *json : refused) {
        SCOPED_TRACE(json);
        EXPECT_ISSUE(background(json).validate(), DocumentIssue, DocumentIssue::invalidContent);
    }
}

TEST(WebBackground, GradientAngleAndCentreRules)
{
    auto linear = [](const char *extra) {
        return background((QByteArray(R"j({"type": "linear", "stops": [{"pos": 0, "color": "red"},
            {"pos": 100, "color": "blue"}])j") + extra + "}").constData());
    };
    EXPECT_NO_THROW(linear(R"j(, "angle": null)j").validate());
    EXPECT_NO_THROW(linear(R"j(, "angle": 10000)j").validate());
    EXPECT_NO_THROW(linear(R"j(, "angle": -10000, "cx": 10000, "cy": -10000)j").validate());
    EXPECT_ISSUE(linear(R"j(, "angle": 10001)j").validate(), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_ISSUE(linear(R"j(, "angle": "45")j").validate(), DocumentIssue, DocumentIssue::invalidContent);
    // The centre is checked for linear gradients too, which never read it.
    EXPECT_ISSUE(linear(R"j(, "cx": 10000.5)j").validate(), DocumentIssue, DocumentIssue::invalidContent);
    EXPECT_ISSUE(linear(R"j(, "cy": true)j").validate(), DocumentIssue, DocumentIssue::invalidContent);

    // A null angle draws like the default of 90°: left to right.
    const QImage image = drawn(linear(R"j(, "angle": null)j"));
    expectColour(image, 0, 25, redToBlue(0.005));
    expectColour(image, 99, 25, redToBlue(0.995));
}

TEST(WebBackground, LinearGradientRunsAlongItsAngle)
{
    auto linear = [](int angle) {
        return drawn(background(QByteArray(R"j({"type": "linear", "angle": )j" + QByteArray::number(angle) +
                                           R"j(, "stops": [{"pos": 0, "color": "#ff0000"}, {"pos": 100, "color": "#0000ff"}]})j")
                                    .constData()));
    };
    // 90°: from (0, 25) to (100, 25).
    const QImage across = linear(90);
    expectColour(across, 0, 10, redToBlue(0.005));
    expectColour(across, 24, 40, redToBlue(0.245));
    expectColour(across, 74, 0, redToBlue(0.745));
    // 0°: from (50, 50) upwards to (50, 0).
    const QImage up = linear(0);
    expectColour(up, 10, 49, redToBlue(0.01));
    expectColour(up, 90, 12, redToBlue(0.75));
    // 180°: downwards.
    expectColour(linear(180), 50, 0, redToBlue(0.01));
    // 45°: the line is 100·sin 45° + 50·cos 45° long, so it ends exactly at the far
    // corners: bottom-left is the start, top-right the end, the centre half way.
    const QImage diagonal = linear(45);
    expectColour(diagonal, 0, 49, redToBlue(0.0));
    expectColour(diagonal, 99, 0, redToBlue(1.0));
    expectColour(diagonal, 50, 25, redToBlue(0.5));
    // Between the centre and the end: a point (dx, dy) from the centre projects onto the
    // line direction (sin θ, −cos θ), divided by the length 106.07.
    const double t = 0.5 + (24.5 * std::sin(M_PI / 4) + 12.5 * std::cos(M_PI / 4)) / (150 * std::sin(M_PI / 4));
    expectColour(diagonal, 74, 12, redToBlue(t));
}

TEST(WebBackground, HardStopsStayHard)
{
    const QImage middle = drawn(background(R"j({"type": "linear", "stops": [{"pos": 0, "color": "#ff0000"},
        {"pos": 50, "color": "#ff0000"}, {"pos": 50, "color": "#0000ff"}, {"pos": 100, "color": "#0000ff"}]})j"));
    expectColour(middle, 10, 25, Qt::red, 0);
    expectColour(middle, 48, 25, Qt::red, 2);
    expectColour(middle, 51, 25, Qt::blue, 2);
    expectColour(middle, 90, 25, Qt::blue, 0);

    // At the very end and the very start of the line.
    const QImage end = drawn(background(R"j({"type": "linear", "stops": [{"pos": 0, "color": "#ff0000"},
        {"pos": 100, "color": "#ff0000"}, {"pos": 100, "color": "#0000ff"}]})j"));
    expectColour(end, 98, 25, Qt::red, 2);
    const QImage start = drawn(background(R"j({"type": "linear", "stops": [{"pos": 0, "color": "#ff0000"},
        {"pos": 0, "color": "#0000ff"}, {"pos": 100, "color": "#0000ff"}]})j"));
    expectColour(start, 1, 25, Qt::blue, 2);

    // Three stops at one place: the first colour before it, the last after it.
    const QImage triple = drawn(background(R"j({"type": "linear", "stops": [{"pos": 25, "color": "#ff0000"},
        {"pos": 25, "color": "#00ff00"}, {"pos": 25, "color": "#0000ff"}]})j"));
    expectColour(triple, 20, 25, Qt::red, 0);
    expectColour(triple, 30, 25, Qt::blue, 0);
}

TEST(WebBackground, RadialGradientReachesTheFarthestCorner)
{
    const QImage corner = drawn(background(R"j({"type": "radial", "cx": 0, "cy": 0,
        "stops": [{"pos": 0, "color": "#ff0000"}, {"pos": 100, "color": "#0000ff"}]})j"));
    const double radius = std::hypot(100.0, 50.0);
    auto at = [&](double x, double y) { return redToBlue(std::hypot(x, y) / radius); };
    expectColour(corner, 0, 0, at(0.5, 0.5));
    expectColour(corner, 50, 25, at(50.5, 25.5));
    expectColour(corner, 99, 49, at(99.5, 49.5));
    expectColour(corner, 99, 0, at(99.5, 0.5));

    // Centred by default; the farthest corner is then hypot(50, 25) away.
    const QImage centred = drawn(background(R"j({"type": "radial",
        "stops": [{"pos": 0, "color": "#ff0000"}, {"pos": 100, "color": "#0000ff"}]})j"));
    const double half = std::hypot(50.0, 25.0);
    expectColour(centred, 50, 25, redToBlue(std::hypot(0.5, 0.5) / half));
    expectColour(centred, 0, 0, redToBlue(std::hypot(49.5, 24.5) / half));
    expectColour(centred, 75, 25, redToBlue(25.5 / half));
}

TEST(WebBackground, ImagePlacementReadsDefaultsAndFields)
{
    EXPECT_EQ(background("null").imagePlacement(), (WebImagePlacement{"cover", 100, 50, 50, "rect"}));
    EXPECT_EQ(background(R"j({"type": "image", "image": [1]})j").imagePlacement(),
              (WebImagePlacement{"cover", 100, 50, 50, "rect"}));
    EXPECT_EQ(background(R"j({"type": "image", "image": {"fit": "scale", "scale": 40, "x": "1", "y": 0,
        "shape": "circle"}})j")
                  .imagePlacement(),
              (WebImagePlacement{"scale", 40, 50, 0, "rect"}));
}

TEST(WebBackground, ImageBackgroundChecks)
{
    const QByteArray png = samples::png(10, 10, Qt::green);
    EXPECT_ISSUE(background(R"j({"type": "image"})j").validate(), DocumentIssue, DocumentIssue::invalidImage);
    EXPECT_NO_THROW(background(R"j({"type": "image"})j", png).validate());
    EXPECT_ISSUE(background(R"j({"type": "image", "image": {"fit": "stretch"}})j", png).validate(), DocumentIssue,
                 DocumentIssue::invalidImage);
    EXPECT_ISSUE(background(R"j({"type": "image", "image": {"scale": 0.05}})j", png).validate(), DocumentIssue,
                 DocumentIssue::invalidImage);
    EXPECT_ISSUE(background(R"j({"type": "image", "image": {"pad": "bluish"}})j", png).validate(), DocumentIssue,
                 DocumentIssue::invalidContent);
    EXPECT_ISSUE(background(R"j({"type": "image"})j", samples::utf16Svg()).validate(), DocumentIssue,
                 DocumentIssue::invalidImage);
    EXPECT_ISSUE(background(R"j({"type": "image"})j", QByteArray("<svg><script/></svg>")).validate(), DocumentIssue,
                 DocumentIssue::invalidImage);

    // A pad that is no string pads white.
    const QImage padded = drawn(background(R"j({"type": "image", "image": {"pad": 5, "fit": "contain"}})j", png));
    expectColour(padded, 5, 25, Qt::white, 0);
    expectColour(padded, 50, 25, Qt::green, 0);
}

TEST(WebBackground, ImageBackgroundDrawsThePictureInItsPlace)
{
    const QImage contained = drawn(
        background(R"j({"type": "image", "image": {"fit": "contain", "x": 0, "pad": "#ff0000"}})j", samples::png(10, 10, Qt::green)));
    expectColour(contained, 25, 25, Qt::green, 0);
    expectColour(contained, 75, 25, Qt::red, 0);

    // Drawings are drawn from their cleaned text; the default cover fills the label.
    const QByteArray declared = "<!DOCTYPE svg SYSTEM \"http://example.com/svg.dtd\">" + samples::svg(10, 10);
    const QImage covered = drawn(background(R"j({"type": "image"})j", declared));
    expectColour(covered, 1, 1, Qt::blue, 0);
    expectColour(covered, 98, 48, Qt::blue, 0);

    // A picture whose header reads but whose pixels do not decode: the pad stays drawn and
    // the failure is reported.
    const QByteArray good = samples::png(20, 20);
    const qsizetype data = good.indexOf("IDAT");
    ASSERT_GT(data, 0);
    QByteArray broken = good;
    for (qsizetype i = data + 4; i < data + 12; ++i)
        broken[i] = char(0x5A);
    const WebBackground corrupt = background(R"j({"type": "image", "image": {"pad": "#0000ff"}})j", broken);
    ASSERT_NO_THROW(corrupt.validate());
    QImage canvas(100, 50, QImage::Format_ARGB32);
    canvas.fill(grey);
    {
        QPainter painter(&canvas);
        EXPECT_ISSUE(corrupt.draw(painter, QRectF(0, 0, 100, 50)), DocumentIssue, DocumentIssue::invalidImage);
    }
    expectColour(canvas, 50, 25, Qt::blue, 0);
}
