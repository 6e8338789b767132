#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace kestrivane {

// An icon of the program's set for buttons and menus, drawn at the size and device pixel
// ratio asked for: "black" in the palette's window-text colour, or in its disabled text
// colour in the disabled mode. Bitmap icons are dimmed when disabled.
QIcon artworkIcon(const QString &name);

// The program's own stand-ins for the platform's system symbols ("trash", "xmark", …),
// drawn in `tint`. An invalid tint is the palette's secondary text colour at paint time.
QIcon systemSymbol(const QString &name, const QColor &tint = QColor());

// The fixed tints of the warning sign and of delete actions.
QColor warningTint();
QColor destructiveTint();

} // namespace kestrivane
