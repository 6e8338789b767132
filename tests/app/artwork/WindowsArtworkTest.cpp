#include "app/artwork/WindowsArtwork.h"
#include "app/artwork/ArtworkIcon.h"

#include "core/artwork/ArtworkSet.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

using namespace kestrivane;

namespace {

QColor pixel(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool near(const QColor &a, const QColor &b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QImage grab(WindowsArtwork &view, const QPalette &palette)
{
    view.setPalette(palette);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(WindowsArtwork, OccupiesItsSquareAsADecorationWhateverTheName)
{
    for (const QString &name : {QStringLiteral("home"), QStringLiteral("brand"), QStringLiteral("no-such-icon")}) {
        WindowsArtwork view(name, 26);
        EXPECT_EQ(view.size(), QSize(26, 26)) << qPrintable(name);
        EXPECT_EQ(view.sizeHint(), QSize(26, 26));
        EXPECT_EQ(view.focusPolicy(), Qt::NoFocus);
        EXPECT_TRUE(view.accessibleName().isEmpty());
        EXPECT_EQ(view.iconName(), name);
        EXPECT_EQ(view.side(), 26);
    }
    WindowsArtwork view(QStringLiteral("no-such-icon"), 20);
    const QImage empty = grab(view, QApplication::palette());
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            ASSERT_EQ(qAlpha(empty.pixel(x, y)), 0);

    // "black" follows the palette at paint time; renaming reads the new icon.
    view.setIconName(QStringLiteral("burger"));
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(0, 160, 0));
    // The middle bar of "burger" runs through (10, 10) at 20 px.
    EXPECT_TRUE(near(pixel(grab(view, palette), 10, 10), QColor(0, 160, 0)));
    view.setSide(40);
    EXPECT_EQ(view.size(), QSize(40, 40));
}

TEST(ArtworkIcon, DrawsAtTheAskedSizeRatioModeAndTint)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 10, 10));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));
    QApplication::setPalette(palette);

    const QIcon icon = artworkIcon(QStringLiteral("burger"));
    ASSERT_FALSE(icon.isNull());
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

// Every icon, symbol and bitmap at the sizes the screens use, on a light and a dark
// palette, for a person to look at.
TEST(ArtworkContactSheet, ShowsEveryIconOnLightAndDark)
{
    const QList<int> sides = {18, 20, 26, 112};
    struct Entry {
        QString name;
        bool symbol;
    };
    QList<Entry> entries;
    for (const QString &name : artwork::vectorIconNames())
        entries.append({name, false});
    for (const QString &name : artwork::symbolNames())
        entries.append({name, true});
    for (const char *name : {"editor_line", "editor_shape", "editor_image", "homeNewLabel", "openLabel",
                             "homeTemplates", "brand", "appIcon"})
        entries.append({QString::fromLatin1(name), false});

    const int gap = 8, label = 14;
    int strip = gap;
    for (int side : sides)
        strip += side + gap;
    const int cellWidth = 2 * strip, cellHeight = label + 112 + 2 * gap, columns = 4;
    const int rows = int((entries.size() + columns - 1) / columns);
    QImage sheet(columns * cellWidth, rows * cellHeight, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xF2, 0xF2, 0xF4));
    QPainter painter(&sheet);
    const QColor backs[] = {QColor(0xFF, 0xFF, 0xFF), QColor(0x1E, 0x1E, 0x22)};
    const QColor texts[] = {QColor(0x1D, 0x1D, 0x1F), QColor(0xF5, 0xF5, 0xF7)};
    for (int i = 0; i < entries.size(); ++i) {
        const QPoint origin((i % columns) * cellWidth, (i / columns) * cellHeight);
        for (int dark = 0; dark < 2; ++dark)
            painter.fillRect(QRect(origin + QPoint(dark * strip, 0), QSize(strip, cellHeight)), backs[dark]);
        painter.setPen(QColor(0x80, 0x80, 0x88));
        painter.drawText(QRect(origin + QPoint(gap, 0), QSize(cellWidth, label + 2)), Qt::AlignBottom, entries[i].name);
    }
    for (int dark = 0; dark < 2; ++dark) {
        QPalette palette;
        palette.setColor(QPalette::WindowText, texts[dark]);
        QColor secondary = texts[dark];
        secondary.setAlpha(150);
        palette.setColor(QPalette::PlaceholderText, secondary);
        QApplication::setPalette(palette);
        for (int i = 0; i < entries.size(); ++i) {
            const QPoint origin((i % columns) * cellWidth, (i / columns) * cellHeight);
            int x = origin.x() + dark * strip + gap;
            for (int side : sides) {
                const QPoint corner(x, origin.y() + label + gap + (112 - side));
                if (entries[i].symbol) {
                    QColor tint;
                    if (entries[i].name == QLatin1String("exclamationmark.triangle.fill"))
                        tint = warningTint();
                    else if (entries[i].name == QLatin1String("trash"))
                        tint = destructiveTint();
                    const QIcon symbol = systemSymbol(entries[i].name, tint);
                    EXPECT_FALSE(symbol.isNull()) << qPrintable(entries[i].name);
                    symbol.paint(&painter, QRect(corner, QSize(side, side)));
                } else {
                    WindowsArtwork view(entries[i].name, side);
                    view.setPalette(palette);
                    view.render(&painter, corner, QRegion(), QWidget::DrawChildren);
                }
                x += side + gap;
            }
        }
    }
    QApplication::setPalette(QPalette());
    painter.end();
    const QString path = testsupport::outputPath(QStringLiteral("artwork-contact-sheet.png"));
    ASSERT_TRUE(sheet.save(path));
}
