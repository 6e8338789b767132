#include "tests/app/canvas/CanvasTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/canvas/CanvasRulerView.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "core/common/Units.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;
using canvastest::box;
using canvastest::label;

namespace {

constexpr double k = Units::pointsPerMillimetre;

QImage renderWidget(QWidget &widget, double dpr = 1)
{
    QImage image(QSize(int(widget.width() * dpr), int(widget.height() * dpr)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::magenta);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isTickGrey(QColor colour)
{
    return std::abs(colour.red() - 122) <= 3 && colour.red() == colour.blue();
}

bool isBlue(QColor colour)
{
    return colour.blue() > 200 && colour.blue() - colour.red() > 100;
}

class RulerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        element = box(10, 5, 20, 10);
        store = env.makeStore(label(100, 50, {element, box(60, 30, 10, 10)}), 1);
        workspace.resize(600, 400);
        workspace.show();
        workspace.bind(store.get(), &env.localization, {});
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    // Where the label's left edge falls on the horizontal ruler.
    double zeroX() const { return workspace.canvas()->paperRect().left() - workspace.visibleRect().left(); }
    double zeroY() const { return workspace.canvas()->paperRect().top() - workspace.visibleRect().top(); }

    canvastest::StoreEnvironment env;
    LabelElement element;
    std::unique_ptr<EditorStore> store;
    CanvasWorkspaceView workspace;
};

TEST_F(RulerTest, TicksStartAtTheLabelEdgeInThreeLengths)
{
    CanvasRulerView &ruler = *workspace.horizontalRuler();
    const QImage image = renderWidget(ruler);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
    const int zero = int(std::round(zeroX()));
    // The labelled tick at 0 mm runs 15 points up from the bottom edge.
    EXPECT_TRUE(isTickGrey(image.pixelColor(zero, 34 - 14)));
    EXPECT_EQ(image.pixelColor(zero, 34 - 16), QColor(Qt::white));
    // 5 mm: a middle tick of 10; 1 mm: a short one of 6.
    const int five = int(std::round(zeroX() + 5 * k));
    EXPECT_TRUE(isTickGrey(image.pixelColor(five, 34 - 9)));
    EXPECT_EQ(image.pixelColor(five, 34 - 11), QColor(Qt::white));
    const int one = int(std::round(zeroX() + 1 * k));
    EXPECT_TRUE(isTickGrey(image.pixelColor(one, 34 - 5)));
    EXPECT_EQ(image.pixelColor(one, 34 - 7), QColor(Qt::white));
    // The border along the canvas edge.
    EXPECT_EQ(image.pixelColor(1, 33).red(), 209);

    // The vertical ruler measures from the label's top edge.
    const QImage vertical = renderWidget(*workspace.verticalRuler());
    const int top = int(std::round(zeroY()));
    EXPECT_TRUE(isTickGrey(vertical.pixelColor(46 - 14, top)));
    EXPECT_EQ(vertical.pixelColor(46 - 16, top), QColor(Qt::white));
}

TEST_F(RulerTest, TickLinesCoverWholeDevicePixelsAtDoubleResolution)
{
    const QImage image = renderWidget(*workspace.horizontalRuler(), 2);
    const int zero = int(std::round(zeroX()));
    const int y = (34 - 5) * 2;
    // A one-point line on a pixel centre: exactly two device columns, solid.
    EXPECT_EQ(image.pixelColor(2 * zero - 1, y), QColor(Qt::white));
    EXPECT_TRUE(isTickGrey(image.pixelColor(2 * zero, y)));
    EXPECT_TRUE(isTickGrey(image.pixelColor(2 * zero + 1, y)));
    EXPECT_EQ(image.pixelColor(2 * zero + 2, y), QColor(Qt::white));
}

TEST_F(RulerTest, TickAndBorderLinesStayOnWholePixelsAtFractionalScaling)
{
    // At 150 % a point-wide line on a half point would straddle device pixels and show as
    // a blurred pair; every pixel of the tick row and of the border is one colour or the
    // other.
    for (double dpr : {1.25, 1.5, 1.75}) {
        const QImage image = renderWidget(*workspace.horizontalRuler(), dpr);
        const int row = int((34 - 3) * dpr);
        int ticks = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, row);
            ASSERT_TRUE(colour == QColor(Qt::white) || isTickGrey(colour)) << dpr << ": " << x;
            ticks += isTickGrey(colour) && !isTickGrey(image.pixelColor(x - 1, row));
        }
        EXPECT_GT(ticks, 100) << dpr;
        // The border is the ruler's last whole device row(s).
        const int bottom = int(std::floor(34 * dpr)) - 1;
        for (int x = 0; x < image.width(); x += 3)
            ASSERT_EQ(image.pixelColor(x, bottom).red(), 209) << dpr << ": " << x;

        const QImage vertical = renderWidget(*workspace.verticalRuler(), dpr);
        const int column = int((46 - 3) * dpr);
        for (int y = 0; y < vertical.height(); ++y) {
            const QColor colour = vertical.pixelColor(column, y);
            ASSERT_TRUE(colour == QColor(Qt::white) || isTickGrey(colour)) << dpr << ": " << y;
        }
    }
}

TEST_F(RulerTest, FollowsScrolling)
{
    store->setZoom(4);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    workspace.scrollArea()->horizontalScrollBar()->setValue(200);
    const double zero = zeroX();
    EXPECT_NEAR(zero, workspace.canvas()->paperRect().left() - 200, 1e-9);
    const QImage image = renderWidget(*workspace.horizontalRuler());
    // At zoom 4 (11.3 points per mm) ticks are 1 mm apart and labelled every 10 mm.
    const int twenty = int(std::round(zero + 20 * 4 * k));
    ASSERT_GT(twenty, 0);
    EXPECT_TRUE(isTickGrey(image.pixelColor(twenty, 34 - 14)));
    EXPECT_FALSE(isTickGrey(image.pixelColor(twenty + int(std::round(5 * 4 * k)), 34 - 14)));
}

TEST_F(RulerTest, SelectionBandLinesAndBadges)
{
    const QImage before = renderWidget(*workspace.horizontalRuler());
    const double a = zeroX() + 10 * k;
    const double b = zeroX() + 30 * k;
    const int inside = int(std::round((a + b) / 2)) + 20; // clear of the size badge
    EXPECT_EQ(before.pixelColor(inside, 3), QColor(Qt::white));

    store->setSelectedIDs({element.id});
    const QImage image = renderWidget(*workspace.horizontalRuler());
    // A light blue tint across the selection, none outside it.
    const QColor tint = image.pixelColor(inside, 3);
    EXPECT_GT(tint.blue(), tint.red());
    EXPECT_GT(tint.red(), 200);
    EXPECT_EQ(image.pixelColor(int(b) + 6, 3), QColor(Qt::white));
    // Blue lines at both ends.
    EXPECT_TRUE(isBlue(image.pixelColor(int(std::floor(a)), 30)));
    EXPECT_TRUE(isBlue(image.pixelColor(int(std::floor(b)), 30)));
    // The start badge is centred on the start line at height 10, the size badge between
    // the lines at 24: a blue box with white text.
    auto bluePixels = [&](double cx, double cy) {
        int count = 0;
        for (int y = int(cy) - 5; y <= int(cy) + 5; ++y)
            for (int x = int(cx) - 8; x <= int(cx) + 8; ++x)
                count += isBlue(image.pixelColor(x, y));
        return count;
    };
    EXPECT_GT(bluePixels(a, 10), 60);
    EXPECT_GT(bluePixels((a + b) / 2, 24), 60);

    // Two elements together: the band spans both.
    store->setSelectedIDs({element.id, store->document().elements[1].id});
    const QImage both = renderWidget(*workspace.horizontalRuler());
    EXPECT_GT(both.pixelColor(int(zeroX() + 50 * k), 3).blue(), both.pixelColor(int(zeroX() + 50 * k), 3).red());
    const QImage vertical = renderWidget(*workspace.verticalRuler());
    const QColor verticalTint = vertical.pixelColor(3, int(zeroY() + 20 * k));
    EXPECT_GT(verticalTint.blue(), verticalTint.red());
}

TEST_F(RulerTest, NothingWithoutAStoreAndTheCornerNamesTheUnit)
{
    CanvasWorkspaceView unbound;
    unbound.resize(300, 200);
    const QImage image = renderWidget(*unbound.horizontalRuler());
    for (int x = 0; x < image.width(); x += 5)
        ASSERT_EQ(image.pixelColor(x, 10), QColor(Qt::magenta));
    EXPECT_EQ(unbound.corner()->unit(), QStringLiteral("mm"));

    store.reset(); // the bound store is gone
    const QImage gone = renderWidget(*workspace.horizontalRuler());
    EXPECT_EQ(gone.pixelColor(5, 5), QColor(Qt::magenta));
}

TEST_F(RulerTest, PicturesForAPerson)
{
    store->setZoom(2.5);
    store->setShowsGrid(true);
    store->setSelectedIDs({element.id});
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    workspace.scrollArea()->horizontalScrollBar()->setValue(20);
    ASSERT_TRUE(workspace.grab().save(testsupport::outputPath(QStringLiteral("canvas_workspace.png"))));
    ASSERT_TRUE(renderWidget(workspace, 2).save(testsupport::outputPath(QStringLiteral("canvas_workspace@2x.png"))));
}

} // namespace
