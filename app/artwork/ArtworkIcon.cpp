#include "app/artwork/ArtworkIcon.h"

#include "core/artwork/ArtworkSet.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>

namespace kestrivane {

namespace {

// Draws one icon of the set on demand, so it stays sharp at every size and ratio and
// follows the palette when it changes.
class ArtworkIconEngine : public QIconEngine {
public:
    ArtworkIconEngine(QString key, ArtworkImage content, QColor tint, bool symbol)
        : m_key(std::move(key)), m_content(std::move(content)), m_tint(tint), m_symbol(symbol)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QGuiApplication::palette();
        QColor color;
        if (mode == QIcon::Disabled)
            color = palette.color(QPalette::Disabled, QPalette::WindowText);
        else if (m_tint.isValid())
            color = m_tint;
        else if (m_symbol)
            color = palette.color(QPalette::Active, QPalette::PlaceholderText);
        else
            color = palette.color(QPalette::Active, QPalette::WindowText);
        painter->save();
        if (mode == QIcon::Disabled && !m_content.isVector())
            painter->setOpacity(painter->opacity() * 0.4);
        m_content.draw(*painter, QRectF(rect), color);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }

    // QIcon hands over the size in device pixels already multiplied by the ratio.
    QPixmap scaledPixmap(const QSize &pixels, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        if (pixels.isEmpty())
            return QPixmap();
        QPixmap pixmap(pixels);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), pixels), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QString key() const override { return QStringLiteral("KestrivaneArtwork"); }
    QString iconName() override { return m_key; }
    bool isNull() override { return m_content.isNull(); }
    QIconEngine *clone() const override { return new ArtworkIconEngine(*this); }

private:
    QString m_key;
    ArtworkImage m_content;
    QColor m_tint;
    bool m_symbol;
};

} // namespace

QIcon artworkIcon(const QString &name)
{
    return QIcon(new ArtworkIconEngine(name, ArtworkImage::named(name), QColor(), false));
}

QIcon systemSymbol(const QString &name, const QColor &tint)
{
    return QIcon(new ArtworkIconEngine(name, ArtworkImage::symbol(name), tint, true));
}

QColor warningTint()
{
    return QColor(0xF0, 0x8A, 0x00);
}

QColor destructiveTint()
{
    return QColor(0xE5, 0x3A, 0x30);
}

} // namespace kestrivane
