#include "core/render/TextBoxGeometry.h"

#include <gtest/gtest.h>

using namespace kestrivane;

TEST(TextBoxGeometry, TemplateTextsAreInsetAndPlacedByTheirVerticalWord)
{
    LabelElement plain(QUuid::createUuid(), ElementKind::text, QStringLiteral("A"), 0, 0, 20, 10, 12);
    const TextBoxGeometry none = textBoxGeometry(plain);
    EXPECT_EQ(none.textArea(QRectF(0, 0, 40, 20)), QRectF(0, 0, 40, 20));
    EXPECT_EQ(none.verticalOffset(20, 5), 0);

    const struct {
        const char *vertical;
        double offset; // of lines 4 high in an area 14 high
    } cases[] = {{"top", 0}, {"center", 5}, {"bottom", 10}, {"middle", 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.vertical);
        LabelElement web = plain;
        web.webAppearance = WebAppearance{};
        web.webAppearance->vertical = QString::fromLatin1(c.vertical);
        web.webAppearance->lineHeight = 1.5;
        const TextBoxGeometry geometry = textBoxGeometry(web);
        EXPECT_EQ(geometry.textArea(QRectF(0, 0, 40, 20)), QRectF(1.5, 0.75, 37, 18.5));
        EXPECT_EQ(geometry.lineHeight(10), 15);
        EXPECT_EQ(geometry.verticalOffset(14, 4), c.offset);
        // Lines taller than the area stay at its top.
        EXPECT_EQ(geometry.verticalOffset(4, 14), 0);
    }
}
