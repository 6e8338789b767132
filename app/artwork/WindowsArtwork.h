#pragma once

#include "core/artwork/ArtworkSet.h"

#include <QWidget>

namespace kestrivane {

// The icon view of every screen: a named icon of the program's set drawn in a square of
// `side` × `side` pixels, which it occupies whether or not the icon exists. Decorative:
// it takes no focus and has no accessible name; the control holding it carries the label.
// Vector icons draw "black" in the palette's window-text colour at paint time.
class WindowsArtwork : public QWidget {
    Q_OBJECT

public:
    explicit WindowsArtwork(const QString &name, int side, QWidget *parent = nullptr);

    QString iconName() const { return m_name; }
    int side() const { return m_side; }

    // A new name reads its content again (a bitmap from its file).
    void setIconName(const QString &name);
    void setSide(int side);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    int m_side = 0;
    ArtworkImage m_content;
};

} // namespace kestrivane
