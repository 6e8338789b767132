#include "app/common/ShellStyle.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPalette>

namespace kestrivane::shellstyle {

QFont font(FontStyle style, bool semibold)
{
    QFont result = QApplication::font();
    const double size = result.pointSizeF() > 0 ? result.pointSizeF() : 10;
    switch (style) {
    case FontStyle::caption: result.setPointSizeF(size - 2); break;
    case FontStyle::subheadline: result.setPointSizeF(size - 1); break;
    case FontStyle::body: break;
    case FontStyle::headline: result.setBold(true); break;
    case FontStyle::title3: result.setPointSizeF(size + 3); break;
    case FontStyle::title2: result.setPointSizeF(size + 5); break;
    }
    if (semibold)
        result.setWeight(QFont::DemiBold);
    return result;
}

QColor withAlpha(QColor color, double percent)
{
    color.setAlphaF(percent / 100);
    return color;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    // Inside a button a label draws in the button's text colour.
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel *label(FontStyle style, bool secondary, QWidget *parent)
{
    auto *result = new QLabel(parent);
    result->setFont(font(style));
    if (secondary)
        setTextColor(result, result->palette().color(QPalette::PlaceholderText));
    return result;
}

QFrame *horizontalDivider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    setTextColor(line, withAlpha(line->palette().color(QPalette::WindowText), 15));
    return line;
}

QFrame *verticalDivider(int height, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedSize(1, height);
    setTextColor(line, withAlpha(line->palette().color(QPalette::WindowText), 15));
    return line;
}

void paintFocusRing(QPainter &painter, const QPalette &palette, const QRectF &rect, double radius)
{
    constexpr double width = 2;
    constexpr double half = width / 2;
    painter.setPen(QPen(palette.color(QPalette::Highlight), width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(half, half, -half, -half), radius - half, radius - half);
}

} // namespace kestrivane::shellstyle
