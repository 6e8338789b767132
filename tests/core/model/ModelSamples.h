#pragma once

// Small valid documents and elements for the model tests.

#include "core/model/LabelDocument.h"

#include <QBuffer>
#include <QImage>

namespace modelsamples {

using namespace kestrivane;

inline LabelElement element(ElementKind kind, const QString &content = QStringLiteral("x"), double x = 5, double y = 5,
                            double w = 20, double h = 20, double font = 12)
{
    return LabelElement(QUuid::createUuid(), kind, content, x, y, w, h, font);
}

inline LabelDocument document(QList<LabelElement> elements = {})
{
    return LabelDocument(QStringLiteral("Label"), 60, 40, std::move(elements));
}

inline QByteArray pngBytes(int width = 4, int height = 3)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

inline LabelTable table(qsizetype columns = 3, qsizetype rows = 2)
{
    LabelTable t;
    t.sourceName = QStringLiteral("data.csv");
    t.sheetName = QStringLiteral("CSV");
    for (qsizetype c = 0; c < columns; ++c)
        t.columns.append(QStringLiteral("col%1").arg(c));
    for (qsizetype r = 0; r < rows; ++r) {
        QList<QString> row;
        for (qsizetype c = 0; c < columns; ++c)
            row.append(QStringLiteral("r%1c%2").arg(r).arg(c));
        t.rows.append(row);
    }
    return t;
}

} // namespace modelsamples
