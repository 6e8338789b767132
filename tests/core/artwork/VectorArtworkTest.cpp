#include "core/artwork/VectorArtwork.h"
#include "core/artwork/ArtworkSet.h"
#include "core/json/JsonRead.h"
#include "core/l10n/CoreResources.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>

#include <numbers>

using namespace kestrivane;

namespace {

const QColor red(255, 0, 0);
const QColor foreground(0, 0, 200);

QString repositoryPath(const QString &relative)
{
    return QDir(QStringLiteral(KESTRIVANE_TEST_DATA "/../..")).absoluteFilePath(relative);
}

VectorArtwork oneShape(double width, double height, QList<VectorArtwork::Command> commands, QString fill,
                       QString stroke)
{
    VectorArtwork artwork;
    artwork.width = width;
    artwork.height = height;
    artwork.shapes.append({std::move(commands), std::move(fill), std::move(stroke), 2, false, 1});
    return artwork;
}

QImage draw(const VectorArtwork &artwork, int side)
{
    return artwork::render(artwork, side, foreground).convertToFormat(QImage::Format_ARGB32);
}

const QByteArray validIcon = R"({"width": 24, "height": 24, "shapes": [{"commands": [
    {"kind": "R", "values": [0, 0, 24, 24, 0, 0]}], "fill": "#FF0000", "stroke": "none",
    "lineWidth": 2, "evenOdd": false, "opacity": 1}]})";

} // namespace

// An artwork of 24 × 16 drawn at 20 scales by 20/24 and moves down by 3.33: the filled
// area covers rows 3.33 to 16.67, with equal space above and below.
TEST(VectorArtwork, PlacesTheDrawingAreaAspectFitAndCentred)
{
    const QImage image = draw(oneShape(24, 16, {{QStringLiteral("R"), {0, 0, 24, 16, 0, 0}}}, QStringLiteral("#FF0000"),
                                       QStringLiteral("none")),
                              20);
    for (int x : {0, 10, 19}) {
        EXPECT_EQ(qAlpha(image.pixel(x, 2)), 0);
        EXPECT_NEAR(qAlpha(image.pixel(x, 3)), 170, 3) << "two thirds of row 3 is covered";
        EXPECT_EQ(image.pixelColor(x, 4), red);
        EXPECT_EQ(image.pixelColor(x, 15), red);
        EXPECT_NEAR(qAlpha(image.pixel(x, 16)), 170, 3);
        EXPECT_EQ(qAlpha(image.pixel(x, 17)), 0);
    }
}

TEST(VectorArtwork, ReadsColourWords)
{
    const int none = -1, fore = -2;
    // clang-format off
    const std::pair<const char16_t *, int> cases[] = {
        {u"none", none}, {u"black", fore}, {u"white", 0xFFFFFF},
        {u"#FFF", 0x000FFF},                             // three digits are not expanded
        {u"#1A2B3C", 0x1A2B3C}, {u"x1A2B3C", 0x1A2B3C}, // the first character is dropped, whatever it is
        {u"\U0001F3F71A2B3C", 0x1A2B3C},                // as a whole character, outside the basic plane too
        {u"Black", 0}, {u"", 0}, {u"#", 0}, {u"#12G4", 0},
        {u"#FFFFFFFFFFFFFFFF", 0xFFFFFF},                // 16 digits fit 64 bits
        {u"#0000000000000000000001A2B3C", 0x1A2B3C},     // leading zeros are allowed
        {u"#10000000000000000", 0},                      // 17 significant digits do not fit
    };
    // clang-format on
    for (const auto &[text, rgb] : cases) {
        const QString word = QString::fromUtf16(text);
        const std::optional<QColor> expected = rgb == none   ? std::nullopt
                                               : rgb == fore ? std::optional(foreground)
                                                             : std::optional(QColor::fromRgb(QRgb(rgb)));
        EXPECT_EQ(artworkColor(word, foreground), expected) << qPrintable(word);
    }
}

// Arcs from 0 to π/2 around (12, 12) with radius 8. d = 1 sweeps the quarter through +x,+y
// (down-right); d = 0 the other three quarters. An arc that begins a path starts there,
// with no line from the corner; after a point it is joined by a line.
TEST(VectorArtwork, SweepsArcsAndStartsThemWithoutAStrayLine)
{
    const double halfPi = std::numbers::pi / 2;
    const QPointF downRight(12 + 8 * std::cos(halfPi / 2), 12 + 8 * std::sin(halfPi / 2));
    const QPointF upLeft(24 - downRight.x(), 24 - downRight.y());
    const QPointF upRight(downRight.x(), upLeft.y());
    struct Case {
        const char *name;
        QList<VectorArtwork::Command> commands;
        QList<QPointF> drawn;
        QList<QPointF> clear;
    };
    const VectorArtwork::Command quarter{QStringLiteral("A"), {12, 12, 8, 0, halfPi, 1}};
    const VectorArtwork::Command threeQuarters{QStringLiteral("A"), {12, 12, 8, 0, halfPi, 0}};
    const Case cases[] = {
        {"d = 1", {quarter}, {downRight}, {upLeft, upRight, {10, 6}, {2, 1}, {12, 12}}},
        {"d = 0", {threeQuarters}, {upLeft, upRight}, {downRight, {10, 6}, {2, 1}, {12, 12}}},
        {"after a point", {{QStringLiteral("M"), {2, 12}}, quarter}, {downRight, {8, 12}}, {upLeft}},
        {"line first", {{QStringLiteral("L"), {20, 12}}, {QStringLiteral("L"), {12, 20}}}, {{16, 16}}, {{10, 6}}},
    };
    for (const Case &c : cases) {
        const QImage image = draw(oneShape(24, 24, c.commands, QStringLiteral("none"), QStringLiteral("#FF0000")), 24);
        for (const QPointF &point : c.drawn)
            EXPECT_GT(qAlpha(image.pixel(int(point.x()), int(point.y()))), 100)
                << c.name << " at " << point.x() << "," << point.y();
        for (const QPointF &point : c.clear)
            EXPECT_EQ(qAlpha(image.pixel(int(point.x()), int(point.y()))), 0)
                << c.name << " at " << point.x() << "," << point.y();
    }
}

TEST(VectorArtwork, DecodesStrictly)
{
    const auto icon = [](const char *shape) {
        return QByteArray(R"({"width": 24, "height": 24, "shapes": [)") + shape + "]}";
    };
    const QByteArray shapeStart =
        R"({"fill": "black", "stroke": "none", "lineWidth": 2, "evenOdd": false, "opacity": 1, )";
    const auto commands = [&](const char *list) { return shapeStart + R"("commands": [)" + list + "]}"; };
    const QList<std::pair<QByteArray, bool>> cases = {
        {icon(""), true},
        {icon(commands(R"({"kind": "M", "values": [1, 2, 3]}, {"kind": "Z", "values": []})")), true},
        {icon(commands(R"({"kind": "A", "values": [1, 2, 3, 4, 5, 6], "note": "extra keys are ignored"})")), true},
        {icon(commands(R"({"kind": "L", "values": [1]})")), false},
        {icon(commands(R"({"kind": "m", "values": [1, 2]})")), false},
        {icon(commands(R"({"kind": "Q", "values": [1, 2, 3, 4]})")), false},
        {icon(commands(R"({"kind": "M", "values": ["1", 2]})")), false},
        {icon(commands(R"({"kind": "M", "values": [1, 2]})").replace(R"("evenOdd": false)", R"("evenOdd": 0)")), false},
        {icon(commands("").replace(R"("opacity": 1, )", "")), false},
        {R"({"width": 24, "height": "24", "shapes": []})", false},
        {R"({"width": 24, "height": 24, "shapes": {}})", false},
        {R"({"width": 24,)", false},
    };
    for (const auto &[text, valid] : cases) {
        bool decoded = true;
        try {
            VectorArtwork::decode(text);
        } catch (const JsonError &) {
            decoded = false;
        }
        EXPECT_EQ(decoded, valid) << text.constData();
    }
}

// A damaged or missing vector file is left out of its table; its name then falls back to
// the bitmap of that name, then to nothing. A good vector file wins over a bitmap.
TEST(ArtworkImage, FallsBackFromADamagedVectorToItsBitmap)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage bitmap(4, 2, QImage::Format_ARGB32);
    bitmap.fill(QColor(0, 200, 0));
    for (const char *name : {"good", "damaged"})
        ASSERT_TRUE(bitmap.save(folder.filePath(QString::fromLatin1(name) + ".png")));
    for (const auto &[name, text] :
         {std::pair{"good.json", validIcon}, std::pair{"damaged.json", validIcon.left(40)}}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }

    const QList<QString> names = {"good", "damaged", "missing"};
    const ArtworkTable table = artwork::loadTable(folder.path(), names);
    EXPECT_EQ(QSet<QString>(table.keyBegin(), table.keyEnd()), QSet<QString>{"good"});

    const ArtworkImage good = ArtworkImage::named("good", table, folder.path());
    const ArtworkImage damaged = ArtworkImage::named("damaged", table, folder.path());
    EXPECT_TRUE(ArtworkImage::named("missing", table, folder.path()).isNull());
    EXPECT_TRUE(ArtworkImage::named("../good", table, folder.path()).isNull());

    QImage canvas(20, 20, QImage::Format_ARGB32);
    for (const auto &[image, colour] : {std::pair{good, red}, std::pair{damaged, QColor(0, 200, 0)}}) {
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        image.draw(painter, QRectF(0, 0, 20, 20), foreground);
        painter.end();
        EXPECT_EQ(canvas.pixelColor(10, 10), colour);
    }
    // The 4 × 2 bitmap is drawn aspect-fit: rows 5 to 14 only.
    EXPECT_EQ(qAlpha(canvas.pixel(10, 3)), 0);
    EXPECT_EQ(qAlpha(canvas.pixel(10, 16)), 0);
}

// Every shipped vector file (the sources of the bitmaps are read below) decodes and keeps to the drawing rules of the
// set: a 24 × 24 grid, strokes of 1.75 to 2 units, and besides black and white at most two fixed colours.
TEST(ShippedArtwork, EveryFileDecodesAndKeepsToTheRules)
{
    QSet<QString> accents;
    const auto lint = [&](const QString &folder, const QList<QString> &names) {
        for (const QString &name : names) {
            const QString path = QDir(folder).filePath(name + ".json");
            QString problem;
            const std::optional<VectorArtwork> artwork = artwork::loadFile(path, &problem);
            ASSERT_TRUE(artwork) << qPrintable(path) << ": " << qPrintable(problem);
            EXPECT_TRUE(artwork->width == 24 && artwork->height == 24) << qPrintable(path);
            for (const VectorArtwork::Shape &shape : artwork->shapes) {
                if (shape.stroke != QLatin1String("none")) {
                    EXPECT_GE(shape.lineWidth, 1.75) << qPrintable(path);
                    EXPECT_LE(shape.lineWidth, 2) << qPrintable(path);
                }
                for (const QString &word : {shape.fill, shape.stroke})
                    if (word.startsWith(QLatin1Char('#')))
                        accents.insert(word);
            }
        }
    };
    lint(CoreResources::path("Artwork"), artwork::vectorIconNames());
    lint(CoreResources::path("Artwork/Symbols"), artwork::symbolNames());
    EXPECT_LE(accents.size(), 2) << qPrintable(QStringList(accents.begin(), accents.end()).join(' '));
}

// The committed PNGs are what their vector sources draw today: a source changed without
// running scripts/artwork fails here.
TEST(ShippedArtwork, CommittedBitmapsMatchTheirSources)
{
    const QList<artwork::RenderJob> plan =
        artwork::readRenderPlan(testsupport::readFile(repositoryPath("tools/artwork/plan.json")));
    EXPECT_GE(plan.size(), 24);
    for (const artwork::RenderJob &job : plan) {
        const std::optional<VectorArtwork> source = artwork::loadFile(repositoryPath(job.source));
        ASSERT_TRUE(source) << qPrintable(job.source);
        const QImage drawn = draw(*source, job.side);
        const QImage committed = QImage(repositoryPath(job.output)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(committed.size(), drawn.size()) << qPrintable(job.output);
        int worst = 0;
        for (int i = 0; i < drawn.width() * drawn.height(); ++i) {
            const QRgb a = drawn.pixel(i % job.side, i / job.side), b = committed.pixel(i % job.side, i / job.side);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
        EXPECT_LE(worst, 2) << qPrintable(job.output) << " is stale: run scripts/artwork";
    }
}
