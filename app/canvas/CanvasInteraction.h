#pragma once

#include "app/editor/ElementResizeGeometry.h"

#include <QCursor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <optional>

class QKeyEvent;
class QMouseEvent;

namespace kestrivane {

class EditorStore;
class InlineTextEditor;
class LabelCanvas;

// The rubber-band selection's geometry.
namespace MarqueeSelectionGeometry {
// Whether the marquee's hits replace the selection or are added to the one it began with.
enum class Mode { replace, extend };

// Separating-axis test of two convex polygons given with their points in order. Touching
// counts as intersecting; polygons without a single usable edge never intersect.
bool convexPolygonsIntersect(const QList<QPointF> &a, const QList<QPointF> &b);
} // namespace MarqueeSelectionGeometry

// Double-headed resize cursors turned to any angle, drawn once per whole degree and kept for
// the life of the process; angles near 0 and 90 degrees use the platform's own cursors.
// Main thread only.
class ResizeCursorFactory {
public:
    ResizeCursorFactory() = delete;
    // The cursor for an arrow turned by `angleDegrees` counter-clockwise on screen.
    static QCursor cursor(double angleDegrees);
    // The whole angle of the drawn arrow used for `angleDegrees` (0 ... 179), or none when a
    // platform cursor stands in (near 0 or 90 degrees, and for angles that are no number).
    static std::optional<int> drawnAngle(double angleDegrees);
};

// What the pointer and the keyboard do on the label canvas: hit testing, clicks and double
// clicks, selection with Shift or Ctrl, moving and resizing through the store, the marquee
// with its live selection, resize cursors turned with the element, the arrow and delete
// keys, the clipboard commands and the clean-up when the canvas goes away. The canvas
// forwards its events here; every change of the document goes through the store.
class CanvasInteraction final : public QObject {
    Q_OBJECT

public:
    // Tolerance of snapping while moving, in screen points.
    static constexpr double snapTolerancePoints = 6;
    // Resize cursor zones reach this far around a handle's centre, in points.
    static constexpr double cursorZoneHalfSide = 8;

    CanvasInteraction(LabelCanvas *canvas, InlineTextEditor *inlineEditor);
    ~CanvasInteraction() override;

    // `clickCount` is 1 for a press and 2 for the second press of a double click.
    void mousePress(QMouseEvent *event, int clickCount);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);
    // False when the key is not the canvas's: the event is to travel on.
    bool keyPress(QKeyEvent *event);

    void copy();
    void cut();
    void paste();
    void selectAll();

    // The canvas is hidden or destroyed: an open editor commits (a refused text is
    // dropped), and every gesture ends, a running move or resize as one undo step.
    void detach();

    // The handle of the single selected element within reach of a view point.
    std::optional<ElementResizeHandle> resizeHandle(QPointF viewPoint) const;
    // The topmost element of the stored document under a point in millimetres.
    std::optional<QUuid> elementAt(QPointF pointMm) const;
    // The resize cursor zone under a view point: the first handle in order whose zone
    // holds it. None while editing in place, during a marquee, or unless one element is
    // selected.
    std::optional<ElementResizeHandle> cursorZone(QPointF viewPoint) const;
    // The screen angle of the cursor shown on a handle of `element`.
    static double cursorAngle(ElementResizeHandle handle, double rotationDegrees);

    // Sets or clears the canvas cursor for the pointer at `viewPoint`.
    void updateCursor(QPointF viewPoint);
    // The same for wherever the pointer is now, unless a gesture runs; the end of the
    // canvas's refresh sequence.
    void refreshCursor();

    const std::optional<ElementResizeHandle> &activeResizeHandle() const { return m_activeResizeHandle; }
    MarqueeSelectionGeometry::Mode marqueeMode() const { return m_marqueeMode; }

private:
    // Marks the start of an event's handling, for refresh().
    void beginHandling();
    // Runs the canvas's refresh sequence unless the store's announcement already did
    // during this event.
    void refresh();
    void updateMarquee(QPointF viewPoint);
    void endMarquee();
    void resetGesture();

    QPointer<LabelCanvas> m_canvas;
    QPointer<InlineTextEditor> m_inlineEditor;
    QPointF m_dragOffset{0, 0};
    std::optional<ElementResizeHandle> m_activeResizeHandle;
    QPointF m_resizePointerOffset{0, 0};
    std::optional<QPointF> m_marqueeStartCanvasPoint;
    QSet<QUuid> m_marqueeBaseSelection;
    MarqueeSelectionGeometry::Mode m_marqueeMode = MarqueeSelectionGeometry::Mode::replace;
    // A left button press reached the canvas and its release has not come yet.
    bool m_pressed = false;
    quint64 m_refreshesAtStart = 0;
};

} // namespace kestrivane
