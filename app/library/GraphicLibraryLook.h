#pragma once

// What the parts of the graphic library panel share of its look: the size a thumbnail is
// shown at, the spacing inside a tab, the caption font, the secondary text colour and the
// arc that turns while pictures are read.

#include <QColor>
#include <QFont>
#include <QPalette>

class QPainter;
class QRectF;
class QWidget;

namespace kestrivane::graphiclibrary {

constexpr int thumbnailPoints = 88;
constexpr int contentSpacing = 12;

QFont captionFont(QFont font);
void setTextColor(QWidget *widget, const QColor &color);
QColor secondaryColor(const QPalette &palette, QPalette::ColorGroup group = QPalette::Active);
// A turning three-quarter circle.
void paintBusyArc(QPainter &painter, const QRectF &square, int phase, const QColor &color);

} // namespace kestrivane::graphiclibrary
