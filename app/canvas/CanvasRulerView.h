#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace kestrivane {

class CanvasWorkspaceView;

// A millimetre ruler along the top or left edge of the canvas workspace. Its zero is the
// label's top-left corner; it follows scrolling and zoom and shows the selection as a
// tinted band with boundary lines and badges giving its start and size. It keeps no state
// of its own: every paint reads the workspace's scroll position, the canvas's paper
// rectangle and the store's zoom and selection.
class CanvasRulerView : public QWidget {
    Q_OBJECT

public:
    enum class Axis { horizontal, vertical };

    explicit CanvasRulerView(Axis axis, QWidget *parent = nullptr);

    Axis axis() const { return m_axis; }
    CanvasWorkspaceView *workspace() const { return m_workspace; }
    void setWorkspace(CanvasWorkspaceView *workspace) { m_workspace = workspace; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawSelectionBand(QPainter &painter, double zero, double pointsPerMillimetre, double length) const;
    void drawSelectionMarkers(QPainter &painter, double zero, double pointsPerMillimetre, double length) const;
    void drawBadge(QPainter &painter, const QString &text, QPointF centre) const;

    const Axis m_axis;
    QPointer<CanvasWorkspaceView> m_workspace;
};

// The square where the two rulers meet; it names the unit.
class CanvasRulerCornerView : public QWidget {
    Q_OBJECT

public:
    explicit CanvasRulerCornerView(QWidget *parent = nullptr);

    const QString &unit() const { return m_unit; }
    void setUnit(const QString &unit);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_unit = QStringLiteral("mm");
};

} // namespace kestrivane
