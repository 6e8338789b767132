#include "app/library/GraphicLibraryLook.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace kestrivane::graphiclibrary {

QFont captionFont(QFont font)
{
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(std::max(6.0, size - 2));
    return font;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QColor secondaryColor(const QPalette &palette, QPalette::ColorGroup group)
{
    return palette.color(group, QPalette::PlaceholderText);
}

void paintBusyArc(QPainter &painter, const QRectF &square, int phase, const QColor &color)
{
    const double width = std::max(2.0, square.width() / 8);
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF arc = square.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.drawArc(arc, -phase * 30 * 16, 270 * 16);
    painter.restore();
}

} // namespace kestrivane::graphiclibrary
