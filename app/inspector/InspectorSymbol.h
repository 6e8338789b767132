#pragma once

#include "app/artwork/ArtworkIcon.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace kestrivane {

// A system symbol as a pixmap `side` pixels square, sharp on the screen `widget` is on.
inline QPixmap symbolPixmap(const QString &name, int side, const QWidget *widget, const QColor &tint = QColor())
{
    return systemSymbol(name, tint).pixmap(QSize(side, side), widget->devicePixelRatioF());
}

} // namespace kestrivane
