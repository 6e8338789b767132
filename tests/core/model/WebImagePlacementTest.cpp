#include "core/model/WebImagePlacement.h"

#include "core/common/DocumentIssue.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrivane;

namespace {

WebImagePlacement placement(const char *fit, double scale = 100, double x = 50, double y = 50,
                            const char *shape = "rect")
{
    return WebImagePlacement{QLatin1String(fit), scale, x, y, QLatin1String(shape)};
}

void expectRect(const QRectF &actual, double x, double y, double w, double h)
{
    EXPECT_DOUBLE_EQ(actual.x(), x);
    EXPECT_DOUBLE_EQ(actual.y(), y);
    EXPECT_DOUBLE_EQ(actual.width(), w);
    EXPECT_DOUBLE_EQ(actual.height(), h);
}

const QRectF square(0, 0, 100, 100);
const QSizeF wide(200, 100);

} // namespace

TEST(WebImagePlacement, FitsContainCoverAndFill)
{
    expectRect(placement("contain").imageRect(square, wide, false), 0, 25, 100, 50);
    expectRect(placement("cover").imageRect(square, wide, false), -50, 0, 200, 100);
    expectRect(placement("fill").imageRect(square, wide, false), 0, 0, 100, 100);
    expectRect(placement("cover", 100, 0, 50).imageRect(square, wide, false), 0, 0, 200, 100);
    expectRect(placement("cover", 100, 100, 50).imageRect(square, wide, false), -100, 0, 200, 100);
    expectRect(placement("contain", 100, 50, 0).imageRect(square, wide, false), 0, 0, 100, 50);
    expectRect(placement("contain", 100, 50, 100).imageRect(square, wide, false), 0, 50, 100, 50);
    // Offsets beyond 0...100 push the picture further out.
    expectRect(placement("contain", 100, 50, 150).imageRect(square, wide, false), 0, 75, 100, 50);
    expectRect(placement("contain", 100, 50, -100).imageRect(square, wide, false), 0, -50, 100, 50);
    // An unknown fit word covers, like "cover".
    expectRect(placement("zoom").imageRect(square, wide, false), -50, 0, 200, 100);

    // The box's own origin carries through every fit; backgrounds place contain and
    // cover the same way as elements.
    const QRectF box(10, 20, 40, 80);
    expectRect(placement("contain").imageRect(box, wide, true), 10, 50, 40, 20);
    expectRect(placement("cover").imageRect(box, wide, true), 10 - 60, 20, 160, 80);
    expectRect(placement("fill", 300, 0, 0).imageRect(box, wide, false), 10, 20, 40, 80);
}

TEST(WebImagePlacement, ScaleDiffersBetweenElementsAndBackgrounds)
{
    // On an element the picture covers a scaled area anchored at the box's top-left.
    expectRect(placement("scale", 50).imageRect(square, wide, false), -25, 0, 100, 50);
    expectRect(placement("scale", 50, 0, 0).imageRect(QRectF(10, 20, 100, 100), wide, false), 10, 20, 100, 50);
    expectRect(placement("scale", 200, 0, 100).imageRect(square, wide, false), 0, 0, 400, 200);
    // As a background the width is a share of the box width, the height follows the
    // picture's proportions, and the leftover is measured against the whole box.
    expectRect(placement("scale", 50).imageRect(square, wide, true), 25, 37.5, 50, 25);
    expectRect(placement("scale", 50, 0, 100).imageRect(QRectF(5, 5, 100, 300), wide, true), 5, 280, 50, 25);
    expectRect(placement("scale", 300, 50, 50).imageRect(square, QSizeF(100, 200), true), -100, -250, 300, 600);
}

TEST(WebImagePlacement, PictureWithoutSizeGivesEmptyRectangle)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const char *fit : {"fill", "contain", "cover", "scale"}) {
        for (const QSizeF size : {QSizeF(0, 10), QSizeF(10, 0), QSizeF(-5, 10), QSizeF(nan, 10), QSizeF(10, nan)}) {
            for (bool background : {false, true})
                expectRect(placement(fit).imageRect(QRectF(3, 4, 50, 60), size, background), 0, 0, 0, 0);
        }
    }
}

TEST(WebImagePlacement, ValidationLimits)
{
    for (const char *fit : {"contain", "cover", "scale", "fill"}) {
        for (const char *shape : {"rect", "circle", "rounded"})
            EXPECT_NO_THROW(placement(fit, 100, 50, 50, shape).validate()) << fit << shape;
    }
    for (const WebImagePlacement &ok :
         {placement("scale", 0.1), placement("scale", 1000), placement("cover", 100, -1000, 1000),
          placement("cover", 100, 1000, -1000), placement("cover", 100, -0.0, 0)})
        EXPECT_NO_THROW(ok.validate());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const WebImagePlacement &bad :
         {placement("Contain"), placement("stretch"), placement("cover", 100, 50, 50, "square"),
          placement("cover", 100, 50, 50, ""), placement("scale", 0.09), placement("scale", 1000.5),
          placement("scale", 0), placement("scale", -100), placement("cover", 100, -1000.5),
          placement("cover", 100, 50, 1000.5), placement("cover", nan), placement("cover", 100, inf),
          placement("cover", 100, 50, -inf), placement("cover", 100, nan, 50)})
        EXPECT_ISSUE(bad.validate(), DocumentIssue, DocumentIssue::invalidImage);
}
