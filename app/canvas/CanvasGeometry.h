#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <optional>

namespace kestrivane {

struct LabelDocument;
struct LabelElement;

// The magnification the canvas, the rulers and the workspace actually use. The store's
// zoom is freely writable, so every view goes through here before it draws, measures or
// converts to integers: a non-finite zoom becomes 1 and the rest is held to 0.2 ... 8.
namespace CanvasZoom {
inline constexpr double minimum = 0.2;
inline constexpr double maximum = 8.0;
// Zoom values closer than this count as the same magnification.
inline constexpr double tolerance = 1e-6;

double effective(double zoom);
// Screen points per label millimetre at the effective zoom.
double pointsPerMillimetre(double zoom);
} // namespace CanvasZoom

// Pinch arithmetic: the magnification reported by a gesture is relative to its start
// (0 when it begins).
class CanvasZoomGeometry {
public:
    CanvasZoomGeometry() = delete;
    static double zoom(double initial, double magnification);
};

// How far the elements stick out of the label, in millimetres: the larger of the left and
// right overhang as width, of the top and bottom overhang as height.
class CanvasOverflowGeometry {
public:
    CanvasOverflowGeometry() = delete;
    // Elements with non-finite bounds are left out: they cannot be shown anyway, and a NaN
    // margin would poison every size derived from it.
    static QSizeF overflowMm(const LabelDocument &document);
};

// The bounding box of the selected elements in millimetres, drawn by the rulers.
struct CanvasSelectionProjection {
    double minXMm = 0;
    double minYMm = 0;
    double widthMm = 0;
    double heightMm = 0;

    // Absent for an empty list.
    static std::optional<CanvasSelectionProjection> from(const QList<LabelElement> &elements);

    bool operator==(const CanvasSelectionProjection &) const = default;
};

// The size and scroll arithmetic of the workspace, kept apart from the widgets so that it
// can be checked with numbers.
namespace CanvasWorkspaceGeometry {
// Space kept around the label (plus the overflow) on every side, in points.
inline constexpr double marginPoints = 45;
// Largest canvas side; beyond it a widget cannot be sized.
inline constexpr int maximumCanvasSide = 16777215;

struct CanvasSize {
    QSize canvas;   // the canvas widget, whole pixels
    QSize viewport; // the visible area once the scroll bars this size needs are shown
    bool operator==(const CanvasSize &) const = default;
};

// The canvas for a label of `labelMm` with the retained overflow at `zoom`. `maximumViewport`
// is the viewport without scroll bars; `barExtent` is how much a shown vertical (width) and
// horizontal (height) scroll bar takes from it (zero for overlay bars). Basing the sizes on
// the largest viewport, and taking a bar's extent only from the axis across it when the
// other axis does not fit, gives one answer however the bars happen to be shown now, so
// bars appearing cannot change the size and make themselves disappear again.
CanvasSize canvasSize(QSizeF labelMm, QSizeF overflowMm, double zoom, QSize maximumViewport, QSize barExtent);

// Where to scroll so that the label's centre stays where it was in the visible area,
// within the scroll range. Absent when the old paper or visible rectangle is empty.
std::optional<QPoint> centredOrigin(const QRectF &oldPaper, const QRectF &oldVisible, const QRectF &newPaper,
                                    QSize canvas, QSize viewport);

// Where to scroll so that the label point `anchorMm` lies at `offsetInView` inside the
// visible area, within the scroll range.
QPoint anchoredOrigin(const QRectF &paper, QPointF anchorMm, double pointsPerMillimetre, QPointF offsetInView,
                      QSize canvas, QSize viewport);
} // namespace CanvasWorkspaceGeometry

// The geometry of what the canvas draws, in view points.
namespace CanvasDrawingGeometry {
// Smallest gap between the label and the canvas's left and top edge, in points.
inline constexpr double minimumPaperInset = 38;

// The label's rectangle in a canvas of `bounds`, centred where it fits.
QRectF paperRect(QSizeF bounds, double widthMm, double heightMm, double zoom);

// Spacing of the drawn grid dots: the smallest whole multiple of the grid step (points)
// that is at least 4 points. Absent when the step is not a finite positive number.
std::optional<double> gridDotSpacing(double stepPoints);

struct GridDots {
    QPointF first; // the top-left dot inside the area
    double spacing = 0;
    int columns = 0;
    int rows = 0;
    bool operator==(const GridDots &) const = default;
};

// The dots of the grid anchored at the paper's top-left corner that fall into
// `paper` ∩ `area` (edges included). Absent when nothing is to be drawn.
std::optional<GridDots> gridDots(const QRectF &paper, const QRectF &area, double stepPoints);

// The marquee rectangle between two label points, at least one point wide and high.
QRectF marqueeRect(const QRectF &paper, double pointsPerMillimetre, QPointF startMm, QPointF currentMm);
} // namespace CanvasDrawingGeometry

} // namespace kestrivane
