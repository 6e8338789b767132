#pragma once

// Documents that more than one benchmark measures against.

#include "core/model/LabelDocument.h"

#include <QUuid>

namespace benchdocs {

using namespace kestrivane;

// 200 elements on a 150 x 100 mm label: mostly texts, some shapes and lines, barcodes and QR codes.
inline LabelDocument crowdedLabel()
{
    QList<LabelElement> elements;
    for (int i = 0; i < 200; ++i) {
        const double x = (i % 10) * 14.5 + 1;
        const double y = (i / 10) * 4.9 + 1;
        const QUuid id = QUuid::createUuid();
        switch (i % 10) {
        case 0:
            elements.append(LabelElement(id, ElementKind::barcode, QStringLiteral("K%1").arg(i), x, y, 13, 4.5, 8));
            break;
        case 1:
            elements.append(LabelElement(id, ElementKind::qr, QStringLiteral("item-%1").arg(i), x, y, 4.5, 4.5, 8));
            break;
        case 2: elements.append(LabelElement(id, ElementKind::rectangle, QString(), x, y, 13, 4.5, 0)); break;
        case 3: elements.append(LabelElement(id, ElementKind::line, QString(), x, y, 13, 1, 0)); break;
        default:
            elements.append(
                LabelElement(id, ElementKind::text, QStringLiteral("Item %1 label text").arg(i), x, y, 13, 4.5, 7));
            break;
        }
    }
    return LabelDocument(QStringLiteral("Bench"), 150, 100, elements);
}

} // namespace benchdocs
