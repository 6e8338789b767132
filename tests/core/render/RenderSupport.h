#pragma once
// Shared helpers of the rendering tests: documents built in code, labels drawn into white
// images at a known number of pixels per point, and measurements of what was inked.

#include "core/model/LabelDocument.h"
#include "core/render/LabelRenderer.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTimeZone>

namespace rendertest {

using namespace kestrivane;

inline QDateTime fixedMoment()
{
    return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), QTimeZone::utc());
}

inline LabelElement element(ElementKind kind, const QString &content, double x, double y, double w, double h,
                            double fontSizePt = 12)
{
    return LabelElement(QUuid::createUuid(), kind, content, x, y, w, h, fontSizePt);
}

inline LabelDocument document(QList<LabelElement> elements, double widthMm = 60, double heightMm = 40)
{
    return LabelDocument(QStringLiteral("Test"), widthMm, heightMm, std::move(elements));
}

// A white image of `points` at `pixelsPerPoint`, 72 dots per inch so that nothing sized in
// points is converted through the image's resolution.
inline QImage canvas(QSizeF points, double pixelsPerPoint)
{
    QImage image(qCeil(points.width() * pixelsPerPoint), qCeil(points.height() * pixelsPerPoint),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    image.fill(Qt::white);
    return image;
}

// One label drawn at `pixelsPerPoint`.
inline QImage render(const LabelDocument &doc, double pixelsPerPoint = 4,
                     RenderValidation validation = RenderValidation::skip, qint64 index = 0,
                     const QDateTime &at = fixedMoment())
{
    QImage image = canvas(LabelRenderer::size(doc), pixelsPerPoint);
    QPainter painter(&image);
    painter.scale(pixelsPerPoint, pixelsPerPoint);
    LabelRenderer::draw(doc, painter, validation, at, index);
    painter.end();
    return image;
}

inline bool isDark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// The pixel at a position given in points.
inline QRgb at(const QImage &image, double xPt, double yPt, double pixelsPerPoint = 4)
{
    return image.pixel(int(xPt * pixelsPerPoint), int(yPt * pixelsPerPoint));
}

// The smallest rectangle of pixels that satisfy `inked` within `area` (the whole image when
// empty); an empty rectangle when none does.
template <typename Predicate> QRect inkBounds(const QImage &image, Predicate inked, QRect area = QRect())
{
    if (area.isEmpty())
        area = image.rect();
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (inked(line[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (left == INT_MAX)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

inline QRect darkBounds(const QImage &image, QRect area = QRect())
{
    return inkBounds(image, isDark, area);
}

// Pixels per point * points, as a pixel rectangle.
inline QRect pixels(const QRectF &points, double pixelsPerPoint = 4)
{
    return QRectF(points.topLeft() * pixelsPerPoint, points.size() * pixelsPerPoint).toAlignedRect();
}

inline int countPixels(const QImage &image, bool (*inked)(QRgb), QRect area = QRect())
{
    if (area.isEmpty())
        area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += inked(image.pixel(x, y)) ? 1 : 0;
    return count;
}

} // namespace rendertest
