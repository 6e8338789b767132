#include "app/canvas/CanvasRulerView.h"

#include "app/canvas/CanvasGeometry.h"
#include "app/canvas/CanvasRulerGeometry.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

const QColor systemBlue(0, 122, 255);

QColor grey(float white)
{
    return QColor::fromRgbF(white, white, white);
}

// Sizes of interface text are given in points, which are Qt's logical pixels.
QFont uiFont(int weight)
{
    QFont font;
    font.setPixelSize(10);
    font.setWeight(QFont::Weight(weight));
    return font;
}

QSizeF textSize(const QFontMetricsF &metrics, const QString &text)
{
    return {metrics.horizontalAdvance(text), metrics.height()};
}

// A one-point line over the whole point that ends at `end`, placed on whole device
// pixels: its centre and width in points. At a whole pixel ratio this is the line at
// end - 0.5, one point wide; at 125 % or 150 % such a line would straddle device pixels
// and show as a blurred pair, so it takes the nearest whole number of device pixels
// ending at the device pixel edge nearest to `end`.
struct PixelLine {
    double centre = 0;
    double width = 1;
};

class PixelGrid {
public:
    // Along one axis of the painter's device mapping: x_device = x * scale + offset.
    PixelGrid(double scale, double offset)
        : m_scale(std::isfinite(scale) && scale > 0 ? scale : 1), m_offset(std::isfinite(offset) ? offset : 0)
    {
    }

    PixelLine line(double end) const { return lineEndingAt(std::round(end * m_scale + m_offset)); }

    // The same for a border at the view's far edge `end`, which may fall inside a device
    // pixel: the line stays on the whole pixels inside the view.
    PixelLine edgeLine(double end) const { return lineEndingAt(std::floor(end * m_scale + m_offset + 1e-9)); }

private:
    PixelLine lineEndingAt(double deviceEnd) const
    {
        const double pixels = std::max(1.0, std::round(m_scale));
        return {(deviceEnd - pixels / 2 - m_offset) / m_scale, pixels / m_scale};
    }

    double m_scale;
    double m_offset;
};

PixelGrid horizontalPixels(const QPainter &painter)
{
    const QTransform device = painter.deviceTransform();
    return {device.m11(), device.dx()};
}

PixelGrid verticalPixels(const QPainter &painter)
{
    const QTransform device = painter.deviceTransform();
    return {device.m22(), device.dy()};
}

} // namespace

CanvasRulerView::CanvasRulerView(Axis axis, QWidget *parent) : QWidget(parent), m_axis(axis)
{
    setAutoFillBackground(false);
}

void CanvasRulerView::paintEvent(QPaintEvent *)
{
    if (!m_workspace || !m_workspace->store())
        return;
    const EditorStore &store = *m_workspace->store();
    const bool horizontal = m_axis == Axis::horizontal;
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QRectF visible = m_workspace->visibleRect();
    const QRectF paper = m_workspace->canvas()->paperRect();
    const double p = CanvasZoom::pointsPerMillimetre(store.zoom());
    const double zero = horizontal ? paper.left() - visible.left() : paper.top() - visible.top();
    const double length = horizontal ? width() : height();

    drawSelectionBand(painter, zero, p, length);

    const QFont labelFont = uiFont(QFont::Normal);
    const QFontMetricsF labelMetrics(labelFont);
    painter.setFont(labelFont);
    // Ticks run across the axis, so they sit on the pixels along it.
    const PixelGrid along = horizontal ? horizontalPixels(painter) : verticalPixels(painter);
    const PixelGrid across = horizontal ? verticalPixels(painter) : horizontalPixels(painter);
    const QPen tickPen(grey(0.48f), along.line(1).width, Qt::SolidLine, Qt::FlatCap);
    const QPen labelPen(grey(0.38f));
    const double maxX = width();
    const double maxY = height();
    for (const CanvasRulerGeometry::Tick &tick : CanvasRulerGeometry::ticks(zero, length, p)) {
        painter.setPen(tickPen);
        const double line = along.line(tick.line + 0.5).centre;
        if (horizontal)
            painter.drawLine(QPointF(line, maxY), QPointF(line, maxY - tick.length));
        else
            painter.drawLine(QPointF(maxX, line), QPointF(maxX - tick.length, line));
        if (!tick.labelled)
            continue;
        const QString text = CanvasRulerGeometry::formatMillimeters(tick.valueMm);
        const QSizeF size = textSize(labelMetrics, text);
        const QPointF topLeft =
            horizontal ? QPointF(tick.position - size.width() / 2, 2) : QPointF(3, tick.position - size.height() / 2);
        painter.setPen(labelPen);
        painter.drawText(QRectF(topLeft, size), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    }

    const PixelLine border = across.edgeLine(horizontal ? maxY : maxX);
    painter.setPen(QPen(grey(0.82f), border.width, Qt::SolidLine, Qt::FlatCap));
    if (horizontal)
        painter.drawLine(QPointF(0, border.centre), QPointF(maxX, border.centre));
    else
        painter.drawLine(QPointF(border.centre, 0), QPointF(border.centre, maxY));

    drawSelectionMarkers(painter, zero, p, length);
}

void CanvasRulerView::drawSelectionBand(QPainter &painter, double zero, double p, double length) const
{
    const auto projection = CanvasSelectionProjection::from(m_workspace->store()->selection());
    if (!projection)
        return;
    const bool horizontal = m_axis == Axis::horizontal;
    const auto band =
        CanvasRulerGeometry::selectionBand(zero, p, horizontal ? projection->minXMm : projection->minYMm,
                                           horizontal ? projection->widthMm : projection->heightMm, length);
    if (!band)
        return;
    QColor tint = systemBlue;
    tint.setAlphaF(0.13f);
    const QRectF area = horizontal ? QRectF(band->lo, 0, band->hi - band->lo, height())
                                   : QRectF(0, band->lo, width(), band->hi - band->lo);
    painter.fillRect(area, tint);
}

void CanvasRulerView::drawSelectionMarkers(QPainter &painter, double zero, double p, double length) const
{
    const auto projection = CanvasSelectionProjection::from(m_workspace->store()->selection());
    if (!projection)
        return;
    const bool horizontal = m_axis == Axis::horizontal;
    const double start = horizontal ? projection->minXMm : projection->minYMm;
    const double extent = horizontal ? projection->widthMm : projection->heightMm;
    const double a = zero + p * start;
    const double b = a + p * extent;
    painter.setPen(QPen(systemBlue, 1.5, Qt::SolidLine, Qt::FlatCap));
    for (double at : {a, b}) {
        if (!(at >= 0 && at <= length))
            continue;
        if (horizontal)
            painter.drawLine(QPointF(at, 0), QPointF(at, height()));
        else
            painter.drawLine(QPointF(0, at), QPointF(width(), at));
    }
    const QString startText = CanvasRulerGeometry::formatMillimeters(start);
    const QString sizeText = CanvasRulerGeometry::formatMillimeters(extent);
    if (horizontal) {
        drawBadge(painter, startText, QPointF(a, 10));
        drawBadge(painter, sizeText, QPointF((a + b) / 2, 24));
    } else {
        drawBadge(painter, startText, QPointF(width() / 2.0, a));
        drawBadge(painter, sizeText, QPointF(width() / 2.0, (a + b) / 2));
    }
}

void CanvasRulerView::drawBadge(QPainter &painter, const QString &text, QPointF centre) const
{
    const QFont font = uiFont(QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const QSizeF size = textSize(metrics, text);
    const auto box = CanvasRulerGeometry::badgeRect(size, centre, QRectF(rect()));
    if (!box)
        return;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(systemBlue);
    painter.drawRoundedRect(*box, 3, 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QPointF topLeft(box->center().x() - size.width() / 2, box->center().y() - size.height() / 2);
    painter.drawText(QRectF(topLeft, size), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    painter.restore();
}

CanvasRulerCornerView::CanvasRulerCornerView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(false);
}

void CanvasRulerCornerView::setUnit(const QString &unit)
{
    m_unit = unit;
    update();
}

void CanvasRulerCornerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double maxX = width();
    const double maxY = height();
    const PixelLine right = horizontalPixels(painter).edgeLine(maxX);
    const PixelLine bottom = verticalPixels(painter).edgeLine(maxY);
    painter.setPen(QPen(grey(0.82f), right.width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(right.centre, 0), QPointF(right.centre, maxY));
    painter.setPen(QPen(grey(0.82f), bottom.width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(0, bottom.centre), QPointF(maxX, bottom.centre));
    const QFont font = uiFont(QFont::Medium);
    const QFontMetricsF metrics(font);
    const QSizeF size = textSize(metrics, m_unit);
    painter.setFont(font);
    painter.setPen(grey(0.35f));
    const QPointF topLeft((maxX - size.width()) / 2, (maxY - size.height()) / 2);
    painter.drawText(QRectF(topLeft, size), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, m_unit);
}

} // namespace kestrivane
