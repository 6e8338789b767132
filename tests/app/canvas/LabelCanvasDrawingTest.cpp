#include "tests/app/canvas/CanvasTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/canvas/CanvasGeometry.h"
#include "app/canvas/LabelCanvas.h"
#include "core/common/Units.h"
#include "core/render/LabelRenderer.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using canvastest::box;
using canvastest::label;

namespace {

constexpr double k = Units::pointsPerMillimetre;

// The accent, also where it is blended with the black or white under a thin line.
bool isBlue(QColor colour)
{
    return colour.blue() > 120 && colour.blue() - colour.red() > 60 && colour.blue() - colour.green() > 20;
}

bool isBluish(QColor colour)
{
    return colour.blue() - colour.red() > 10;
}

class CanvasDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        filled = box(20, 10, 20, 10);
        filled.filled = true;
        outlined = box(50, 20, 30, 15);
        store = env.makeStore(label(100, 50, {filled, outlined}), 2);
        canvas.resize(800, 500);
        canvas.setStore(store.get());
    }

    QImage render(double dpr = 1) const
    {
        QImage image(QSize(int(canvas.width() * dpr), int(canvas.height() * dpr)), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        canvas.paint(painter, QRectF(canvas.rect()));
        painter.end();
        return image;
    }

    // The view point of a label point in millimetres.
    QPointF at(double xMm, double yMm) const
    {
        const QRectF paper = canvas.paperRect();
        return paper.topLeft() + QPointF(xMm, yMm) * canvas.scale();
    }

    static QColor pixel(const QImage &image, QPointF point)
    {
        const double dpr = image.devicePixelRatio();
        return image.pixelColor(int(std::floor(point.x() * dpr)), int(std::floor(point.y() * dpr)));
    }

    canvastest::StoreEnvironment env;
    LabelElement filled;
    LabelElement outlined;
    std::unique_ptr<EditorStore> store;
    LabelCanvas canvas;
};

TEST_F(CanvasDrawingTest, DeskPaperAndShadow)
{
    const QImage image = render();
    EXPECT_EQ(pixel(image, {2, 2}), QColor(240, 240, 240));
    const QRectF paper = canvas.paperRect();
    EXPECT_NEAR(paper.width(), 100 * k * 2, 1e-9);
    EXPECT_NEAR(paper.center().x(), 400, 1e-9);
    EXPECT_EQ(pixel(image, at(5, 45)), QColor(Qt::white));
    // A soft shadow just below the sheet, gone a dozen points away.
    const QColor below = pixel(image, {paper.center().x(), paper.bottom() + 3});
    EXPECT_LT(below.red(), 240);
    EXPECT_GT(below.red(), 200);
    EXPECT_EQ(pixel(image, {paper.center().x(), paper.bottom() + 14}), QColor(240, 240, 240));
    // Soft all the way: below and beside the sheet the shadow lightens steadily from the
    // first pixel off the paper, without a dark line along the edge.
    auto darkness = [&](QPointF point) { return 240 - pixel(image, point).red(); };
    const std::pair<QPointF, QPointF> profiles[] = {
        {QPointF(paper.center().x() + 7, std::ceil(paper.bottom()) + 0.5), QPointF(0, 1)},
        {QPointF(std::floor(paper.left()) - 0.5, paper.center().y() + 7), QPointF(-1, 0)}};
    for (const auto &[from, step] : profiles) {
        int previous = darkness(from);
        EXPECT_LE(previous, int(std::ceil(240 * 0.12)));
        for (int i = 1; i < 12; ++i) {
            const int here = darkness(from + step * i);
            EXPECT_LE(here, previous) << i;
            EXPECT_LE(previous - here, 6) << i;
            previous = here;
        }
    }
    // The elements come from the renderer: a filled rectangle is black inside.
    EXPECT_EQ(pixel(image, at(30, 15)), QColor(Qt::black));
}

TEST_F(CanvasDrawingTest, NothingAtAllWithoutAStore)
{
    LabelCanvas empty;
    empty.resize(200, 100);
    QImage image(empty.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    empty.paint(painter, QRectF(empty.rect()));
    painter.end();
    EXPECT_EQ(empty.paperRect(), QRectF());
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::magenta));
}

TEST_F(CanvasDrawingTest, PartsBeyondTheLabelShowTranslucent)
{
    LabelDocument document = store->document();
    document.elements[0].xMm = -10; // half of the filled rectangle sticks out on the left
    store->setDocument(document);
    const QImage image = render();
    EXPECT_EQ(pixel(image, at(5, 15)), QColor(Qt::black));
    // 42 % black over the grey desk.
    const QColor outside = pixel(image, at(-5, 15));
    EXPECT_NEAR(outside.red(), 240 * 0.58, 4);

    // On an elliptic label the corners of the bounding box are outside the label too.
    document.elements[0].xMm = 0;
    document.elements[0].yMm = 0;
    document.layout.shape = LabelShape::ellipse;
    store->setDocument(document);
    const QImage ellipse = render();
    const QColor corner = pixel(ellipse, at(1, 1));
    EXPECT_NEAR(corner.red(), 240 * 0.58, 4);
    EXPECT_EQ(pixel(ellipse, at(18, 9)), QColor(Qt::black));
}

TEST_F(CanvasDrawingTest, OutlinesForEverySelectedElementHandlesForASingleOne)
{
    // Top-left handle of the outlined rectangle: its border lies 2.5 to 4 points off the corner.
    const QPointF corner = at(50, 20);
    const QPointF handleBorder = corner - QPointF(3.5, 3.5);
    const QPointF leftEdge = at(50, 24); // clear of the left handle at 27.5
    const QImage none = render();
    EXPECT_FALSE(isBlue(pixel(none, leftEdge)));
    EXPECT_FALSE(isBlue(pixel(none, handleBorder)));

    store->setSelectedIDs({outlined.id});
    const QImage single = render();
    EXPECT_TRUE(isBlue(pixel(single, leftEdge)));
    EXPECT_TRUE(isBlue(pixel(single, handleBorder)));
    EXPECT_EQ(pixel(single, corner), QColor(Qt::white));                // the handle's body covers the corner
    EXPECT_TRUE(isBlue(pixel(single, at(65, 35) + QPointF(3.5, 3.5)))); // bottom handle
    EXPECT_TRUE(isBlue(pixel(single, at(80, 35) + QPointF(3.5, 3.5)))); // bottom-right handle

    store->setSelectedIDs({outlined.id, filled.id});
    const QImage two = render();
    EXPECT_TRUE(isBlue(pixel(two, leftEdge)));
    EXPECT_TRUE(isBlue(pixel(two, at(20, 12) - QPointF(0.5, 0))));
    EXPECT_FALSE(isBlue(pixel(two, handleBorder)));

    // A marquee in progress hides the handles even of a single selection.
    store->setSelectedIDs({outlined.id});
    canvas.setMarquee(QPointF(1, 1), std::nullopt, false);
    EXPECT_FALSE(isBlue(pixel(render(), handleBorder)));
    canvas.setMarquee(std::nullopt, std::nullopt, false);

    // The element edited in place has neither outline nor handles.
    canvas.setEditingElementID(outlined.id);
    const QImage editing = render();
    EXPECT_FALSE(isBlue(pixel(editing, leftEdge)));
    EXPECT_FALSE(isBlue(pixel(editing, handleBorder)));
}

TEST_F(CanvasDrawingTest, TextEditedInPlaceIsNotDrawnUnderTheEditor)
{
    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("MMMM"), 5, 30, 40, 15, 30);
    LabelDocument document = store->document();
    document.elements.append(text);
    store->setDocument(document);
    auto darkPixels = [&](const QImage &image) {
        int dark = 0;
        for (double y = 30; y < 45; y += 0.25)
            for (double x = 5; x < 45; x += 0.25)
                dark += pixel(image, at(x, y)).red() < 100;
        return dark;
    };
    EXPECT_GT(darkPixels(render()), 100);
    canvas.setEditingElementID(text.id);
    EXPECT_EQ(darkPixels(render()), 0);
    EXPECT_EQ(store->document().elements.last().content, QStringLiteral("MMMM")); // the document keeps it
}

TEST_F(CanvasDrawingTest, GridDotsOnTheLabelOnly)
{
    store->setShowsGrid(true); // 5 mm by default: 28.35 points at zoom 2
    const QImage image = render();
    const QColor dot = pixel(image, at(5, 45) - QPointF(0.3, 0.3));
    EXPECT_LT(dot.red(), 235);
    EXPECT_EQ(pixel(image, at(7.5, 42.5)), QColor(Qt::white));
    EXPECT_EQ(pixel(image, {2, 2}), QColor(240, 240, 240));
    store->setShowsGrid(false);
    EXPECT_EQ(pixel(render(), at(5, 45) - QPointF(0.3, 0.3)), QColor(Qt::white));
    store->setShowsGrid(true);

    // Clipped to the outline: no dots in the corners of an elliptic label.
    LabelDocument document = store->document();
    document.layout.shape = LabelShape::ellipse;
    document.elements.clear();
    store->setDocument(document);
    const QImage ellipse = render();
    EXPECT_EQ(pixel(ellipse, at(5, 5) - QPointF(0.3, 0.3)), QColor(240, 240, 240));
    EXPECT_LT(pixel(ellipse, at(50, 25) - QPointF(0.3, 0.3)).red(), 235);
}

TEST_F(CanvasDrawingTest, PartialRepaintsDrawTheGridDotsTheyCut)
{
    // Scrolling repaints only the uncovered strip, and the paint system clips to it. A dot
    // whose centre lies just outside the strip still reaches into it with its edge.
    store->setShowsGrid(true);
    const QImage whole = render();
    const QPointF dot = at(45, 20); // a dot centre between pixel edges
    for (const QRect &strip :
         {QRect(int(std::ceil(dot.x())), 0, 60, canvas.height()), QRect(0, int(std::ceil(dot.y())), canvas.width(), 60),
          QRect(0, 0, int(std::floor(dot.x())), canvas.height())}) {
        QImage image = whole;
        QPainter painter(&image);
        painter.fillRect(strip, Qt::magenta);
        painter.setClipRect(strip);
        canvas.paint(painter, QRectF(strip));
        painter.end();
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x = strip.left(); x <= strip.right(); ++x)
                ASSERT_EQ(image.pixelColor(x, y), whole.pixelColor(x, y)) << x << "," << y;
    }
}

TEST_F(CanvasDrawingTest, SnapGuidesReachBeyondTheirSpanButNotBeyondTheLabel)
{
    using Orientation = ElementSnapGuide::Orientation;
    canvas.setSmartSnapGuides(
        {ElementSnapGuide{Orientation::horizontal, 5, 0, 30}, ElementSnapGuide{Orientation::vertical, 90, 10, 20}});
    const QImage image = render();
    auto blueAlong = [&](QPointF from, QPointF step, int count) {
        for (int i = 0; i < count; ++i) {
            if (isBluish(pixel(image, from + step * i)))
                return true;
        }
        return false;
    };
    // Along the horizontal guide inside its span.
    EXPECT_TRUE(blueAlong(at(10, 5), {1, 0}, 8));
    // Up to five points past the span's end...
    EXPECT_TRUE(blueAlong(at(30, 5) + QPointF(0.5, 0), {0.5, 0}, 8));
    EXPECT_FALSE(blueAlong(at(30, 5) + QPointF(5.5, 0), {0.5, 0}, 8));
    // ...but not past the label's edge.
    EXPECT_FALSE(blueAlong(at(0, 5) - QPointF(5, 0), {0.5, 0}, 9));
    // The vertical guide.
    EXPECT_TRUE(blueAlong(at(90, 12), {0, 1}, 8));
    EXPECT_FALSE(blueAlong(at(90, 20) + QPointF(0, 6), {0, 1}, 8));
}

TEST_F(CanvasDrawingTest, MarqueeDraggedStraightDownIsAThinRectangle)
{
    canvas.setMarquee(QPointF(60, 5), QPointF(60, 40), true);
    const QImage image = render();
    EXPECT_TRUE(isBluish(pixel(image, at(60, 20))));
    EXPECT_FALSE(isBluish(pixel(image, at(60, 20) + QPointF(2, 0))));
    // Not moved far enough yet: nothing shows.
    canvas.setMarquee(QPointF(60, 5), QPointF(70, 40), false);
    EXPECT_FALSE(isBluish(pixel(render(), at(65, 20))));
    canvas.setMarquee(QPointF(60, 5), QPointF(70, 40), true);
    const QImage wide = render();
    EXPECT_TRUE(isBluish(pixel(wide, at(65, 20))));
    EXPECT_FALSE(isBlue(pixel(wide, at(65, 20)))); // a light tint inside
}

TEST_F(CanvasDrawingTest, BrokenGeometryAndZoomStillDraw)
{
    LabelDocument document = store->document();
    document.elements[1].rotationDegrees = std::numeric_limits<double>::quiet_NaN();
    document.elements[0].widthMm = std::numeric_limits<double>::infinity();
    store->setDocument(document);
    store->setSelectedIDs({document.elements[0].id, document.elements[1].id});
    store->setZoom(std::numeric_limits<double>::quiet_NaN());
    const QImage image = render();
    EXPECT_EQ(pixel(image, {2, 2}), QColor(240, 240, 240));
    EXPECT_NEAR(canvas.paperRect().width(), 100 * k, 1e-9);
    store->setSelectedIDs({document.elements[1].id});
    render(); // handles of a NaN-rotated element are skipped, not drawn at NaN
}

TEST_F(CanvasDrawingTest, LocalPointIsTheInverseOfTheDrawing)
{
    const QPointF mm = canvas.localPoint(at(12.5, 7.25));
    EXPECT_NEAR(mm.x(), 12.5, 1e-9);
    EXPECT_NEAR(mm.y(), 7.25, 1e-9);
    EXPECT_EQ(canvas.sizeHint(), QSize(500, 400));
}

TEST_F(CanvasDrawingTest, HighResolutionDrawingUsesEveryDevicePixel)
{
    store->setSelectedIDs({outlined.id});
    const QImage one = render(1);
    const QImage two = render(2);
    EXPECT_EQ(two.size(), one.size() * 2);
    // The same picture, with edges twice as fine: a point of the handle border stays blue
    // and the filled element black on both.
    EXPECT_TRUE(isBlue(pixel(two, at(50, 20) - QPointF(3.5, 3.5))));
    EXPECT_EQ(pixel(two, at(30, 15)), QColor(Qt::black));
    // The element's edge at 2x is resolved to half a point: just outside it is paper.
    const QPointF edge = at(20, 15);
    EXPECT_EQ(pixel(two, edge - QPointF(0.5, 0)), QColor(Qt::white));
    EXPECT_EQ(pixel(two, edge + QPointF(0.5, 0)), QColor(Qt::black));
}

TEST_F(CanvasDrawingTest, RepaintsFromTheKeptLabelMatchDirectDrawingAndFollowChanges)
{
    auto direct = [&] {
        // The label drawn by the renderer straight into the canvas picture.
        QImage image = render();
        const QRectF paper = canvas.paperRect();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillRect(paper, Qt::white);
        painter.setClipRect(paper);
        painter.translate(paper.topLeft());
        painter.scale(CanvasZoom::effective(store->zoom()), CanvasZoom::effective(store->zoom()));
        LabelDocument shown = store->renderDocument();
        if (canvas.editingElementID())
            shown.elements.last().content.clear();
        LabelRenderer::draw(shown, painter, RenderValidation::skip, QDateTime::currentDateTime(), 0);
        painter.end();
        return image;
    };
    // Pixels that differ inside the label (its antialiased edge lies over the shadow).
    auto differing = [&](const QImage &a, const QImage &b) {
        const QRect inside = canvas.paperRect().toAlignedRect().adjusted(2, 2, -2, -2);
        int count = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
                count += std::abs(p.red() - q.red()) > 2 || std::abs(p.blue() - q.blue()) > 2;
            }
        return count;
    };
    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("Kept"), 5, 30, 40, 15, 24);
    LabelDocument document = store->document();
    document.elements.append(text);
    store->setDocument(document);
    render(); // keeps the label
    EXPECT_LT(differing(render(), direct()), 20);

    // Moving an element, zooming or hiding a text shows at once.
    document.elements[0].xMm = 60;
    document.elements[0].yMm = 35;
    store->setDocument(document);
    EXPECT_EQ(pixel(render(), at(30, 15)), QColor(Qt::white));
    EXPECT_EQ(pixel(render(), at(70, 40)), QColor(Qt::black));
    store->setZoom(1);
    EXPECT_EQ(pixel(render(), at(70, 40)), QColor(Qt::black));
    EXPECT_LT(differing(render(), direct()), 20);
    canvas.setEditingElementID(text.id);
    const QImage hidden = render();
    EXPECT_LT(differing(hidden, direct()), 20);
    canvas.setEditingElementID(std::nullopt);
    EXPECT_GT(differing(render(), hidden), 20);
}

TEST_F(CanvasDrawingTest, KeptLabelLandsInPlaceWhereverTheCanvasSitsInTheWindow)
{
    // Scrolling moves the canvas by whole pixels in its window; the label kept from the
    // last paint must be drawn where the label is, not where it was.
    for (double dpr : {1.0, 2.0}) {
        const QImage here = render(dpr);
        for (QPoint offset : {QPoint(7, 5), QPoint(-3, 11), QPoint(0, 0)}) {
            QImage moved(here.size() + QSize(40, 40) * dpr, QImage::Format_ARGB32_Premultiplied);
            moved.setDevicePixelRatio(dpr);
            moved.fill(Qt::magenta);
            QPainter painter(&moved);
            painter.translate(offset + QPoint(15, 15));
            canvas.paint(painter, QRectF(canvas.rect()));
            painter.end();
            const QPoint shift = (offset + QPoint(15, 15)) * dpr;
            const QRect inside =
                QRectF(canvas.paperRect().topLeft() * dpr, canvas.paperRect().size() * dpr).toAlignedRect();
            for (int y = inside.top(); y <= inside.bottom(); y += 3)
                for (int x = inside.left(); x <= inside.right(); x += 3)
                    ASSERT_EQ(moved.pixelColor(x + shift.x(), y + shift.y()), here.pixelColor(x, y))
                        << dpr << " " << offset.x() << "," << offset.y() << ": " << x << "," << y;
        }
    }
}

TEST_F(CanvasDrawingTest, PicturesForAPerson)
{
    LabelDocument document = store->document();
    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("Kestrivane canvas"), 5, 3, 60, 8, 16);
    LabelElement code(QUuid::createUuid(), ElementKind::barcode, QStringLiteral("KESTRIVANE-42"), 5, 30, 40, 15, 10);
    code.barcode.showsText = true;
    LabelElement qr(QUuid::createUuid(), ElementKind::qr, QStringLiteral("https://example.com"), 84, 30, 22, 22, 10);
    LabelElement line(QUuid::createUuid(), ElementKind::line, QString(), 50, 42, 30, 2, 0);
    line.rotationDegrees = -15;
    document.elements += {text, code, qr, line};
    document.layout.cornerRadiusMm = 4;
    store->setDocument(document);
    store->setSelectedIDs({qr.id});
    store->setShowsGrid(true);
    canvas.setSmartSnapGuides({ElementSnapGuide{ElementSnapGuide::Orientation::vertical, 84, 0, 50}});
    ASSERT_TRUE(render(1).save(testsupport::outputPath(QStringLiteral("canvas_drawing.png"))));
    ASSERT_TRUE(render(2).save(testsupport::outputPath(QStringLiteral("canvas_drawing@2x.png"))));
    store->setSelectedIDs({qr.id, code.id});
    canvas.setSmartSnapGuides({});
    canvas.setMarquee(QPointF(-5, -5), QPointF(60, 45), true);
    ASSERT_TRUE(render(1).save(testsupport::outputPath(QStringLiteral("canvas_marquee.png"))));
}

} // namespace
