#include "app/table/BatchPreviewView.h"

#include "app/table/TableStyle.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"
#include "core/render/RenderCache.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kestrivane {

namespace {

constexpr double margin = 16;

// QPainter has no shadow: a few translucent rectangles, each a little larger and fainter,
// approximate one that is offset 2 down, blurred by 8 and black at 0.22 in all.
void drawShadow(QPainter &painter, const QRectF &sheet)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    constexpr int layers = 8;
    for (int i = layers; i >= 1; --i) {
        const double spread = i * 0.5;
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.03));
        painter.drawRoundedRect(sheet.translated(0, 2).adjusted(-spread, -spread, spread, spread), spread, spread);
    }
    painter.restore();
}

} // namespace

BatchPreviewView::BatchPreviewView(QWidget *parent) : QWidget(parent) {}

void BatchPreviewView::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

BatchPreviewView::~BatchPreviewView() = default;

void BatchPreviewView::setJob(std::shared_ptr<const LabelPrintJob> job, qint64 page)
{
    if (job != m_job)
        m_cache.reset();
    m_job = std::move(job);
    m_page = page;
    update();
}

void BatchPreviewView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        update();
}

void BatchPreviewView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    if (m_cornerRadius > 0) {
        // The rounded corners show the parent's background.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Dark));
        painter.drawRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
        QPainterPath clip;
        clip.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
        painter.setClipPath(clip);
    } else {
        painter.fillRect(bounds, palette().color(QPalette::Dark));
    }
    if (!m_job)
        return;

    const QSizeF sheet = LabelRenderer::sheetSize(m_job->document());
    const double scale =
        std::min((bounds.width() - 2 * margin) / sheet.width(), (bounds.height() - 2 * margin) / sheet.height());
    if (!std::isfinite(scale) || scale <= 0)
        return;
    const QSizeF shown = sheet * scale;
    const QRectF sheetRect(QPointF((bounds.width() - shown.width()) / 2, (bounds.height() - shown.height()) / 2),
                           shown);

    painter.setRenderHint(QPainter::Antialiasing);
    drawShadow(painter, sheetRect);
    painter.fillRect(sheetRect, Qt::white);

    painter.translate(sheetRect.topLeft());
    painter.scale(scale, scale);
    const QTransform sheetTransform = painter.transform();
    if (!m_cache)
        m_cache = std::make_unique<RenderCache>();
    painter.save();
    try {
        m_job->draw(m_page, painter, m_cache.get());
    } catch (const std::exception &) {
        // The sheet stays as far as it was drawn; the outlines still show its layout.
    }
    painter.restore();
    // A label that failed half-way may have left its own state behind.
    painter.setTransform(sheetTransform);
    painter.setClipping(false);
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
        painter.setClipPath(sheetTransform.inverted().map(clip));
    }
    painter.setOpacity(1);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    QList<QPainterPath> outlines;
    for (const QRectF &frame : LabelRenderer::labelRects(m_job->document()))
        outlines.append(LabelRenderer::outline(m_job->document(), frame));
    QPainterPath shading;
    shading.setFillRule(Qt::OddEvenFill);
    shading.addRect(QRectF(QPointF(0, 0), sheet));
    for (const QPainterPath &outline : outlines)
        shading.addPath(outline);
    painter.fillPath(shading, QColor::fromRgbF(0, 0, 0, 0.09));

    QColor border = palette().color(QPalette::Mid);
    border.setAlphaF(0.9);
    QPen borderPen(border, 1 / scale);
    borderPen.setCosmetic(false);
    painter.setPen(borderPen);
    painter.setBrush(Qt::NoBrush);
    const double inset = 0.5 / scale;
    painter.drawRect(QRectF(QPointF(0, 0), sheet).adjusted(inset, inset, -inset, -inset));

    QColor blue = tablestyle::systemBlue;
    blue.setAlphaF(0.82);
    QPen outlinePen(blue, 1.25 / scale);
    outlinePen.setCosmetic(false);
    painter.setPen(outlinePen);
    for (const QPainterPath &outline : outlines)
        painter.drawPath(outline);
}

} // namespace kestrivane
