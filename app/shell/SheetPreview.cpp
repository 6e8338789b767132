#include "app/shell/SheetPreview.h"

#include "core/render/LabelRenderer.h"

#include <QColor>
#include <QDateTime>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <exception>

namespace kestrivane {

namespace {

// Room left free on each side of the sheet.
constexpr double inset = 16;

const QColor sheetBorder(142, 142, 147);
const QColor labelOutline(0, 122, 255);

} // namespace

std::optional<SheetPreviewView::Fit> SheetPreviewView::fit(const QSizeF &frame, const QSizeF &sheet)
{
    const double w = sheet.width();
    const double h = sheet.height();
    // A frame of 32 points or less (before layout, or a small card) would give a zero or
    // negative scale: a mirrored sheet drawn with a pen of no or negative width.
    if (!(w > 0) || !(h > 0))
        return std::nullopt;
    const double scale = std::min((frame.width() - 2 * inset) / w, (frame.height() - 2 * inset) / h);
    if (!std::isfinite(scale) || !(scale > 0))
        return std::nullopt;
    return Fit{scale, QPointF((frame.width() - w * scale) / 2, (frame.height() - h * scale) / 2)};
}

void SheetPreviewView::paint(QPainter &painter, const QRectF &frame, const LabelDocument &document)
{
    const QSizeF sheet = LabelRenderer::sheetSize(document);
    const std::optional<Fit> placed = fit(frame.size(), sheet);
    if (!placed)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.topLeft() + placed->offset);
    painter.scale(placed->scale, placed->scale);
    try {
        painter.save();
        LabelRenderer::drawSheet(document, painter, QDateTime::currentDateTime());
        painter.restore();
    } catch (const std::exception &) {
        // An invalid document still shows where its sheet and labels would be.
        painter.restore();
    }
    QPen pen(sheetBorder, 1 / placed->scale);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    painter.drawRect(QRectF(QPointF(0, 0), sheet));
    pen.setColor(labelOutline);
    painter.setPen(pen);
    for (const QRectF &slot : LabelRenderer::labelRects(document))
        painter.drawPath(LabelRenderer::outline(document, slot));
    painter.restore();
}

SheetPreview::SheetPreview(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SheetPreview::setDocument(const LabelDocument &document)
{
    m_document = document;
    update();
}

void SheetPreview::paintEvent(QPaintEvent *)
{
    if (!m_document)
        return;
    QPainter painter(this);
    paint(painter, QRectF(rect()), *m_document);
}

} // namespace kestrivane
