#pragma once

#include "app/canvas/CanvasGeometry.h"
#include "app/editor/EditorStore.h"

#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QScrollArea>
#include <QSizeF>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

namespace kestrivane {

class CanvasRulerCornerView;
class CanvasRulerView;
class EditorStore;
class LabelCanvas;
class Localization;

// The scroll view of the workspace. It tells the workspace the viewport it would have
// without scroll bars and what a shown bar takes from it, so that the canvas size can be
// chosen once for the bars it will cause instead of chasing them.
class CanvasScrollArea : public QScrollArea {
    Q_OBJECT

public:
    explicit CanvasScrollArea(QWidget *parent = nullptr);

    QSize largestViewportSize() const { return maximumViewportSize(); }
    // Width of a shown vertical bar and height of a shown horizontal bar; zero for bars
    // that float over the content.
    QSize barExtent() const;
};

// The editor's drawing area: the label canvas in a scroll view, with millimetre rulers
// along the top and left and a corner square where they meet. It sizes the canvas to the
// label at the current zoom plus a margin that grows when elements stick out, keeps the
// label's centre in place when the canvas changes size, zooms about the point under the
// fingers with a pinch (and, as the mouse path on Linux, with Ctrl+wheel), and redraws
// the rulers whenever the view scrolls or the geometry changes.
class CanvasWorkspaceView : public QWidget {
    Q_OBJECT

public:
    static constexpr int horizontalRulerHeight = 34;
    static constexpr int verticalRulerWidth = 46;
    // Magnification of one Ctrl+wheel notch (120 units of angle delta).
    static constexpr double wheelMagnification = 0.1;

    explicit CanvasWorkspaceView(QWidget *parent = nullptr);
    ~CanvasWorkspaceView() override;

    // Shows `store` and refreshes everything; called on creation and on every update of the
    // editor view. `editParameters` opens the document-parameters sheet.
    void bind(EditorStore *store, Localization *localization, std::function<void()> editParameters);

    EditorStore *store() const { return m_store; }
    LabelCanvas *canvas() const { return m_canvas; }
    CanvasScrollArea *scrollArea() const { return m_scrollArea; }
    CanvasRulerView *horizontalRuler() const { return m_horizontalRuler; }
    CanvasRulerView *verticalRuler() const { return m_verticalRuler; }
    CanvasRulerCornerView *corner() const { return m_corner; }

    // The part of the canvas shown in the scroll view, in canvas coordinates.
    QRect visibleRect() const;

    // Sizes the canvas for the document, zoom and retained overflow, keeping the label's
    // centre where it was in the visible area.
    void updateCanvasSize();

    // Pinch zoom about a point of the canvas. `magnification` is relative to the start of
    // the pinch (0 at its start).
    void beginPinch(QPointF canvasPoint);
    void changePinch(QPointF canvasPoint, double magnification);
    void endPinch(QPointF canvasPoint, double magnification);
    void cancelPinch();
    const std::optional<double> &pinchStartZoom() const { return m_pinchStartZoom; }
    const std::optional<QPointF> &pinchAnchorMm() const { return m_pinchAnchorMm; }

    const QSizeF &retainedOverflowMm() const { return m_retainedOverflowMm; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyMagnification(QPointF canvasPoint, double magnification);
    // Sets the scroll ranges for the size just given to the canvas and scrolls to `origin`:
    // the scroll area settles its bars only on a later turn of the event loop.
    void scrollTo(std::optional<QPoint> origin);
    void visibleRectChanged();
    bool handleCanvasEvent(QEvent *event);

    CanvasScrollArea *m_scrollArea;
    LabelCanvas *m_canvas;
    CanvasRulerView *m_horizontalRuler;
    CanvasRulerView *m_verticalRuler;
    CanvasRulerCornerView *m_corner;
    QPointer<EditorStore> m_store;
    std::optional<double> m_pinchStartZoom;
    std::optional<QPointF> m_pinchAnchorMm;
    QSizeF m_retainedOverflowMm{0, 0};
    std::optional<QUuid> m_overflowStoreID;
    QSizeF m_overflowLabelSize{0, 0};
    double m_overflowZoom = 0;
    // The sizes last chosen for the canvas and the viewport they leave.
    CanvasWorkspaceGeometry::CanvasSize m_layout;
    // Where the paper was drawn after the last sizing, for keeping its centre in view.
    std::optional<QRectF> m_shownPaper;
    // Native pinch events report increments; this sums them since the gesture began.
    double m_nativeMagnification = 0;
    // Angle delta of Ctrl+wheel not yet worth a whole notch (high-resolution wheels).
    int m_wheelRemainder = 0;
};

} // namespace kestrivane
