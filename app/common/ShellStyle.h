#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QPainter;
class QPalette;
class QRectF;
class QWidget;

namespace kestrivane::shellstyle {

// The text styles of the workspace screens, relative to the application font.
enum class FontStyle { caption, subheadline, body, headline, title3, title2 };

QFont font(FontStyle style, bool semibold = false);

// The fixed colours of warnings and of the sheet preview.
inline const QColor orange(255, 149, 0);

// `color` with the alpha of `percent` %.
QColor withAlpha(QColor color, double percent);

// A label whose text is set later, in `style`; secondary labels draw in the palette's
// secondary text colour.
QLabel *label(FontStyle style, bool secondary = false, QWidget *parent = nullptr);
void setTextColor(QWidget *widget, const QColor &color);

// The keyboard focus: a 2-pixel ring in the palette's highlight just inside `rect`, following
// the corners of a rounded rectangle of `radius` drawn on it.
void paintFocusRing(QPainter &painter, const QPalette &palette, const QRectF &rect, double radius);

// Thin separating lines.
QFrame *horizontalDivider(QWidget *parent = nullptr);
QFrame *verticalDivider(int height, QWidget *parent = nullptr);

} // namespace kestrivane::shellstyle
