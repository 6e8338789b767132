#pragma once

#include "app/common/ShellStyle.h"

#include <QColor>

class QLabel;
class QScrollArea;
class QVBoxLayout;
class QWidget;

namespace kestrivane::tablestyle {

// Failures in red, warnings and empty results in orange: fixed colours that read on light
// and dark palettes alike.
inline const QColor red(235, 64, 52);
inline const QColor orange(255, 149, 0);
// The accent of the label outlines, as on the canvas.
inline const QColor systemBlue(0, 122, 255);

// Sheet padding and the spacing of its stacks.
constexpr int padding = 24;
constexpr int spacing = 14;

// A label that wraps its text, in the given text style.
QLabel *wrappingLabel(shellstyle::FontStyle style, bool secondary = false);
// The sheet's bold title.
QLabel *titleLabel();
// The frameless, vertically scrolling area under a sheet's header, with the stack of its
// content (no margins, the sheet's spacing); the caller fills the stack, then sets the
// stack's widget on the area.
QScrollArea *scrollingContent(QWidget *sheet, QWidget **content, QVBoxLayout **stack);

} // namespace kestrivane::tablestyle
