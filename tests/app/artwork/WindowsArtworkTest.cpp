#include "app/artwork/ArtworkIcon.h"
#include "app/artwork/WindowsArtwork.h"

#include "core/artwork/ArtworkSet.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

using namespace kestrivane;

namespace {

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 24 && std::abs(a.green() - b.green()) <= 24 &&
           std::abs(a.blue() - b.blue()) <= 24;
}

QImage grab(WindowsArtwork &view)
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(WindowsArtwork, OccupiesItsSquareAsADecorationWhateverTheName)
{
    WindowsArtwork view(QStringLiteral("no-such-icon"), 20);
    EXPECT_EQ(view.size(), QSize(20, 20));
    EXPECT_EQ(view.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(view.accessibleName().isEmpty());
    QImage empty(20, 20, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    EXPECT_EQ(grab(view), empty);

    // "black" follows the palette at paint time; a new name reads the new icon. The middle
    // bar of "burger" runs through (10, 10) at 20 px.
    view.setIconName(QStringLiteral("burger"));
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(0, 160, 0));
    view.setPalette(palette);
    EXPECT_TRUE(near(grab(view).pixelColor(10, 10), QColor(0, 160, 0)));
}

TEST(ArtworkIcon, DrawsAtTheAskedSizeRatioModeAndTint)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 10, 10));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));
    QApplication::setPalette(palette);

    const QIcon icon = artworkIcon(QStringLiteral("burger"));
    const QPixmap sharp = icon.pixmap(QSize(20, 20), 2.0);
    EXPECT_EQ(sharp.size(), QSize(40, 40));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_TRUE(near(sharp.toImage().pixelColor(20, 20), QColor(10, 10, 10)));
    const QImage disabled = icon.pixmap(QSize(20, 20), 1.0, QIcon::Disabled).toImage();
    EXPECT_TRUE(near(disabled.pixelColor(10, 10), QColor(150, 150, 150)));

    const QImage cross = systemSymbol(QStringLiteral("xmark"), destructiveTint()).pixmap(QSize(24, 24)).toImage();
    EXPECT_TRUE(near(cross.pixelColor(12, 12), destructiveTint()));
    // A translucent tint covers evenly: where the two strokes of "plus" cross is no darker.
    const QImage plus = systemSymbol(QStringLiteral("plus"), QColor(0, 0, 0, 128)).pixmap(QSize(24, 24)).toImage();
    EXPECT_NEAR(qAlpha(plus.pixel(12, 12)), 128, 3); // about 190 when each stroke is laid down on its own
    EXPECT_TRUE(systemSymbol(QStringLiteral("no-such-symbol")).isNull());
    EXPECT_TRUE(artworkIcon(QStringLiteral("no-such-icon")).isNull());
    QApplication::setPalette(QPalette());
}

// Every icon, symbol and bitmap at the sizes the screens use, through the icon view and
// the icon engine, on a light and a dark palette, for a person to look at.
TEST(ArtworkContactSheet, ShowsEveryIconOnLightAndDark)
{
    QList<std::pair<QString, bool>> entries; // name, is a symbol
    for (const QString &name : artwork::vectorIconNames())
        entries.append({name, false});
    for (const QString &name : artwork::symbolNames())
        entries.append({name, true});
    for (const char *name : {"editor_line", "editor_shape", "editor_image", "homeNewLabel", "openLabel",
                             "homeTemplates", "brand", "appIcon"})
        entries.append({QString::fromLatin1(name), false});

    const QList<int> sides = {18, 20, 26, 112};
    const int gap = 8, label = 14, strip = 18 + 20 + 26 + 112 + 5 * gap, columns = 4;
    const int cellWidth = 2 * strip, cellHeight = label + 112 + 2 * gap;
    QImage sheet(columns * cellWidth, int(entries.size() + columns - 1) / columns * cellHeight, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    const QColor backs[] = {QColor(0xFF, 0xFF, 0xFF), QColor(0x1E, 0x1E, 0x22)};
    const QColor texts[] = {QColor(0x1D, 0x1D, 0x1F), QColor(0xF5, 0xF5, 0xF7)};
    for (int dark = 0; dark < 2; ++dark) {
        QPalette palette;
        palette.setColor(QPalette::WindowText, texts[dark]);
        palette.setColor(QPalette::PlaceholderText,
                         QColor(texts[dark].red(), texts[dark].green(), texts[dark].blue(), 150));
        QApplication::setPalette(palette);
        for (int i = 0; i < entries.size(); ++i) {
            const auto &[name, symbol] = entries[i];
            const QPoint origin((i % columns) * cellWidth + dark * strip, (i / columns) * cellHeight);
            painter.fillRect(QRect(origin, QSize(strip, cellHeight)), backs[dark]);
            painter.setPen(QColor(0x80, 0x80, 0x88));
            painter.drawText(QRect(origin + QPoint(gap, 0), QSize(strip, label + 2)), Qt::AlignBottom, name);
            int x = origin.x() + gap;
            for (int side : sides) {
                const QPoint corner(x, origin.y() + label + gap + (112 - side));
                x += side + gap;
                if (!symbol) {
                    WindowsArtwork view(name, side);
                    view.setPalette(palette);
                    view.render(&painter, corner, QRegion(), QWidget::DrawChildren);
                    continue;
                }
                const QColor tint = name == QLatin1String("trash")                      ? destructiveTint()
                                    : name.startsWith(QLatin1String("exclamationmark")) ? warningTint()
                                                                                        : QColor();
                systemSymbol(name, tint).paint(&painter, QRect(corner, QSize(side, side)));
            }
        }
    }
    QApplication::setPalette(QPalette());
    painter.end();
    ASSERT_TRUE(sheet.save(testsupport::outputPath(QStringLiteral("artwork-contact-sheet.png"))));
}
