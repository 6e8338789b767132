#include "app/artwork/WindowsArtwork.h"

#include <QPainter>

namespace kestrivane {

WindowsArtwork::WindowsArtwork(const QString &name, int side, QWidget *parent)
    : QWidget(parent), m_name(name), m_side(qMax(0, side)), m_content(ArtworkImage::named(name))
{
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(m_side, m_side);
}

void WindowsArtwork::setIconName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    m_content = ArtworkImage::named(name);
    update();
}

void WindowsArtwork::setSide(int side)
{
    side = qMax(0, side);
    if (side == m_side)
        return;
    m_side = side;
    setFixedSize(m_side, m_side);
    updateGeometry();
    update();
}

QSize WindowsArtwork::sizeHint() const
{
    return QSize(m_side, m_side);
}

void WindowsArtwork::paintEvent(QPaintEvent *)
{
    if (m_content.isNull())
        return;
    QPainter painter(this);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    m_content.draw(painter, QRectF(0, 0, m_side, m_side), palette().color(group, QPalette::WindowText));
}

} // namespace kestrivane
