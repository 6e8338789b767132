#include "app/canvas/CanvasGeometry.h"

#include "core/common/Units.h"
#include "core/model/LabelDocument.h"

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

// A model length that can size something on screen: negative and non-finite become 0.
double usableLength(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0;
}

// A whole-pixel side for a length in points, within what a widget can take.
int wholeSide(double points)
{
    if (!(points > 0))
        return 0;
    const double side = std::ceil(points);
    return side >= CanvasWorkspaceGeometry::maximumCanvasSide ? CanvasWorkspaceGeometry::maximumCanvasSide : int(side);
}

// A scroll position: finite, rounded to the nearest pixel, within 0 ... limit.
int scrollPosition(double value, int limit)
{
    if (!std::isfinite(value) || value <= 0)
        return 0;
    if (value >= limit)
        return limit;
    return int(std::lround(value));
}

bool isFiniteRect(const QRectF &rect)
{
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

} // namespace

double CanvasZoom::effective(double zoom)
{
    if (!std::isfinite(zoom))
        return 1;
    return std::clamp(zoom, minimum, maximum);
}

double CanvasZoom::pointsPerMillimetre(double zoom)
{
    return effective(zoom) * Units::pointsPerMillimetre;
}

double CanvasZoomGeometry::zoom(double initial, double magnification)
{
    const double base = std::isfinite(initial) ? std::clamp(initial, CanvasZoom::minimum, CanvasZoom::maximum) : 1.0;
    if (!std::isfinite(magnification))
        return base;
    const double z = std::max(magnification + 1, 0.01) * base;
    if (!std::isfinite(z))
        return 1;
    return std::clamp(z, CanvasZoom::minimum, CanvasZoom::maximum);
}

QSizeF CanvasOverflowGeometry::overflowMm(const LabelDocument &document)
{
    const double labelRight = usableLength(document.widthMm);
    const double labelBottom = usableLength(document.heightMm);
    double left = 0, right = 0, top = 0, bottom = 0;
    for (const LabelElement &element : document.elements) {
        const QRectF bounds = element.bounds();
        if (!isFiniteRect(bounds))
            continue;
        left = std::max(left, -bounds.left());
        right = std::max(right, bounds.right() - labelRight);
        top = std::max(top, -bounds.top());
        bottom = std::max(bottom, bounds.bottom() - labelBottom);
    }
    return {std::max(left, right), std::max(top, bottom)};
}

std::optional<CanvasSelectionProjection> CanvasSelectionProjection::from(const QList<LabelElement> &elements)
{
    if (elements.isEmpty())
        return std::nullopt;
    // Built edge by edge from the first element's bounds: QRectF::united would skip an
    // element of zero width (a vertical line) as if it were no rectangle at all.
    const QRectF first = elements.first().bounds();
    double minX = first.left(), minY = first.top(), maxX = first.right(), maxY = first.bottom();
    for (qsizetype i = 1; i < elements.size(); ++i) {
        const QRectF bounds = elements[i].bounds();
        minX = std::fmin(minX, bounds.left());
        minY = std::fmin(minY, bounds.top());
        maxX = std::fmax(maxX, bounds.right());
        maxY = std::fmax(maxY, bounds.bottom());
    }
    return CanvasSelectionProjection{minX, minY, maxX - minX, maxY - minY};
}

CanvasWorkspaceGeometry::CanvasSize CanvasWorkspaceGeometry::canvasSize(QSizeF labelMm, QSizeF overflowMm, double zoom,
                                                                        QSize maximumViewport, QSize barExtent)
{
    const double p = CanvasZoom::pointsPerMillimetre(zoom);
    const double contentWidth =
        usableLength(labelMm.width()) * p + 2 * (usableLength(overflowMm.width()) * p + marginPoints);
    const double contentHeight =
        usableLength(labelMm.height()) * p + 2 * (usableLength(overflowMm.height()) * p + marginPoints);
    const int width = wholeSide(contentWidth);
    const int height = wholeSide(contentHeight);
    const int viewWidth = std::max(maximumViewport.width(), 0);
    const int viewHeight = std::max(maximumViewport.height(), 0);
    const int barWidth = std::max(barExtent.width(), 0);
    const int barHeight = std::max(barExtent.height(), 0);

    // A shown bar narrows the other axis, which may then need its own bar; starting from
    // no bars, two rounds reach the smallest consistent choice.
    bool horizontalBar = width > viewWidth;
    bool verticalBar = height > viewHeight;
    for (int round = 0; round < 2; ++round) {
        verticalBar = height > viewHeight - (horizontalBar ? barHeight : 0);
        horizontalBar = width > viewWidth - (verticalBar ? barWidth : 0);
    }
    const QSize viewport(std::max(viewWidth - (verticalBar ? barWidth : 0), 0),
                         std::max(viewHeight - (horizontalBar ? barHeight : 0), 0));
    return {QSize(std::max(width, viewport.width()), std::max(height, viewport.height())), viewport};
}

std::optional<QPoint> CanvasWorkspaceGeometry::centredOrigin(const QRectF &oldPaper, const QRectF &oldVisible,
                                                             const QRectF &newPaper, QSize canvas, QSize viewport)
{
    if (!(oldPaper.width() > 0 && oldPaper.height() > 0 && oldVisible.width() > 0 && oldVisible.height() > 0))
        return std::nullopt;
    const double dx = oldPaper.center().x() - oldVisible.left();
    const double dy = oldPaper.center().y() - oldVisible.top();
    const int limitX = std::max(canvas.width() - viewport.width(), 0);
    const int limitY = std::max(canvas.height() - viewport.height(), 0);
    return QPoint(scrollPosition(newPaper.center().x() - dx, limitX),
                  scrollPosition(newPaper.center().y() - dy, limitY));
}

QPoint CanvasWorkspaceGeometry::anchoredOrigin(const QRectF &paper, QPointF anchorMm, double pointsPerMillimetre,
                                               QPointF offsetInView, QSize canvas, QSize viewport)
{
    const int limitX = std::max(canvas.width() - viewport.width(), 0);
    const int limitY = std::max(canvas.height() - viewport.height(), 0);
    return QPoint(scrollPosition(paper.left() + anchorMm.x() * pointsPerMillimetre - offsetInView.x(), limitX),
                  scrollPosition(paper.top() + anchorMm.y() * pointsPerMillimetre - offsetInView.y(), limitY));
}

QRectF CanvasDrawingGeometry::paperRect(QSizeF bounds, double widthMm, double heightMm, double zoom)
{
    const double p = CanvasZoom::pointsPerMillimetre(zoom);
    const double w = usableLength(widthMm) * p;
    const double h = usableLength(heightMm) * p;
    const double x = std::fmax((bounds.width() - w) * 0.5, minimumPaperInset);
    const double y = std::fmax((bounds.height() - h) * 0.5, minimumPaperInset);
    return {x, y, w, h};
}

std::optional<double> CanvasDrawingGeometry::gridDotSpacing(double stepPoints)
{
    if (!(std::isfinite(stepPoints) && stepPoints > 0))
        return std::nullopt;
    const double spacing = stepPoints * std::max(std::ceil(4 / stepPoints), 1.0);
    if (!std::isfinite(spacing))
        return std::nullopt;
    return spacing;
}

std::optional<CanvasDrawingGeometry::GridDots> CanvasDrawingGeometry::gridDots(const QRectF &paper, const QRectF &area,
                                                                               double stepPoints)
{
    const std::optional<double> spacing = gridDotSpacing(stepPoints);
    if (!spacing || !isFiniteRect(paper) || !isFiniteRect(area))
        return std::nullopt;
    const QRectF visible = paper.intersected(area);
    if (visible.isEmpty())
        return std::nullopt;
    const double d = *spacing;
    const double x0 = paper.left() + d * std::ceil((visible.left() - paper.left()) / d);
    const double y0 = paper.top() + d * std::ceil((visible.top() - paper.top()) / d);
    // Counted the way the dots are placed (x0 + i × d up to and including the far edge);
    // d is at least 4 points, so the counts stay within the size of a widget.
    auto count = [d](double first, double end) {
        if (first > end)
            return 0;
        int n = int(std::floor((end - first) / d)) + 1;
        while (n > 0 && first + (n - 1) * d > end)
            --n;
        while (first + n * d <= end)
            ++n;
        return n;
    };
    GridDots dots{QPointF(x0, y0), d, count(x0, visible.right()), count(y0, visible.bottom())};
    if (dots.columns == 0 || dots.rows == 0)
        return std::nullopt;
    return dots;
}

QRectF CanvasDrawingGeometry::marqueeRect(const QRectF &paper, double pointsPerMillimetre, QPointF startMm,
                                          QPointF currentMm)
{
    const double s = pointsPerMillimetre;
    double x = paper.left() + s * std::min(startMm.x(), currentMm.x());
    double y = paper.top() + s * std::min(startMm.y(), currentMm.y());
    double width = s * std::abs(startMm.x() - currentMm.x());
    double height = s * std::abs(startMm.y() - currentMm.y());
    // A marquee dragged along one axis still shows as a line.
    if (width < 1) {
        width = 1;
        x -= 0.5;
    }
    if (height < 1) {
        height = 1;
        y -= 0.5;
    }
    return {x, y, width, height};
}

} // namespace kestrivane
