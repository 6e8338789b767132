#pragma once

#include "core/json/CatalogJSON.h"
#include "core/model/BarcodeOptions.h"
#include "core/model/ElementKind.h"
#include "core/model/ElementOptions.h"
#include "core/model/WebAppearance.h"
#include "core/table/TableBinding.h"

#include <QByteArray>
#include <QDateTime>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

namespace kestrivane {

// One element of a label. Geometry is in millimetres in the label's frame (origin top
// left, y down): the unrotated box (xMm, yMm, widthMm, heightMm) turns by
// rotationDegrees about its centre, positive angles clockwise on the page.
struct LabelElement {
    QUuid id;
    ElementKind kind = ElementKind::text;
    QString content; // text, barcode data, or the manual text of a web date
    double xMm = 0;
    double yMm = 0;
    double widthMm = 0;
    double heightMm = 0;
    double fontSizePt = 0;
    double rotationDegrees = 0;
    TextStyle textStyle;
    double strokeMm = 0.3;
    bool filled = false;
    BarcodeOptions barcode;
    std::optional<QByteArray> imageData;
    std::optional<QString> graphicID; // the library graphic the picture came from
    DateOptions dateOptions;
    CounterOptions counter;
    std::optional<WebAppearance> webAppearance;
    std::optional<CatalogJSON> webMetadata;
    std::optional<QByteArray> originalImageData; // picture bytes as a web template gave them
    std::optional<TableBinding> tableBinding;

    LabelElement() = default;
    LabelElement(QUuid id, ElementKind kind, QString content, double xMm, double yMm, double widthMm, double heightMm,
                 double fontSizePt);

    // QR elements, and barcode elements of a matrix symbology (only qr when the element
    // came from a web template): kept square and checked for equal sides.
    bool isSquareCode() const;

    // The rotated box: top-left, top-right, bottom-right, bottom-left of the unrotated box.
    std::array<QPointF, 4> corners() const;
    // The smallest axis-aligned rectangle holding the corners.
    QRectF bounds() const;
    // Whether a point lies in the rotated box (edges included); false for NaN.
    bool contains(const QPointF &point) const;

    // The text the element shows on a label printed at `date` with counter index `index`.
    // Throws what the counter, date and web formatters throw.
    QString displayText(const QDateTime &date, qint64 index) const;

    friend bool operator==(const LabelElement &, const LabelElement &) = default;
};

} // namespace kestrivane
