#pragma once

// A valid document that sets every field of every kind to something other than its
// default, for round trips through the file format.

#include "tests/core/model/ModelSamples.h"

namespace modelsamples {

inline WebAppearance fullAppearance()
{
    WebAppearance a;
    a.color = QStringLiteral("#102030");
    a.fill = QStringLiteral("rgba(10, 20, 30, 0.5)");
    a.radiusPt = 2.5;
    a.vertical = QStringLiteral("center");
    a.lineHeight = 1.35;
    a.shrink = true;
    a.fitMode = QStringLiteral("shrink");
    a.valueFormat = QStringLiteral("financial");
    a.missingAlignment = false;
    a.date =
        WebDateStyle{QStringLiteral("calendarPlus"), QStringLiteral("DD.MM.YY"), QStringLiteral("2026-03-04"), 1.5};
    a.gs1FontPx = 7.5;
    a.gs1GTIN = QStringLiteral("04601234567893");
    a.gs1Serial = QStringLiteral("SER/1");
    a.image = WebImagePlacement{QStringLiteral("scale"), 80.5, 12.25, -3, QStringLiteral("rounded")};
    return a;
}

// Every stored field set, on an element of the given kind.
inline LabelElement fullElement(ElementKind kind, const QString &content, const QUuid &id)
{
    LabelElement e(id, kind, content, 3.25, 4.5, 22, 22, 11.5);
    e.rotationDegrees = -12.75;
    e.textStyle = TextStyle{QStringLiteral("Roboto Mono"), true, true, true, TextAlignment::justify};
    e.strokeMm = 0.45;
    e.filled = true;
    e.barcode = BarcodeOptions(BarcodeSymbology::code39, true, 9.5);
    e.imageData = pngBytes(5, 7);
    e.graphicID = QStringLiteral("user:0f8fad5b-d9cb-469f-a165-70867728950e");
    e.dateOptions.pattern = DatePattern::dateTime;
    e.dateOptions.timeZoneID = QStringLiteral("America/Santiago");
    e.dateOptions.offsetDays = -42;
    e.counter =
        CounterOptions{std::numeric_limits<qint64>::min() + 1, -3, 18, QStringLiteral("No. "), QStringLiteral(" /x")};
    e.webAppearance = fullAppearance();
    e.webMetadata = CatalogJSON::parse(R"({"type": "text", "font": {"size": 12.5, "family": "Roboto"},
        "tags": ["a", 1, 9007199254740993, -0.1, true, null], "empty": {}})");
    e.originalImageData = pngBytes(6, 2);
    return e;
}

inline LabelDocument fullDocument()
{
    QList<LabelElement> elements;
    const QUuid ids[] = {
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000001")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000002")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000003")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000004")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000005")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000006")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000007")),
        QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000008")),
        QUuid::fromString(QStringLiteral("ABCDEF01-2345-4789-ABCD-EF0123456789")),
    };
    int next = 0;
    for (ElementKind kind : allElementKinds) {
        QString content = QStringLiteral("Grüße/\"1\" \u2116 5");
        if (kind == ElementKind::barcode)
            content = QStringLiteral("(01)04601234567893(21)ABC");
        LabelElement e = fullElement(kind, content, ids[next++]);
        switch (kind) {
        case ElementKind::text:
        case ElementKind::qr: e.tableBinding = TableBinding(1, QStringLiteral("<"), QStringLiteral(">")); break;
        case ElementKind::barcode:
            e.barcode = BarcodeOptions(BarcodeSymbology::gs1DataMatrix, true, 72);
            e.webAppearance->gs1Identification = true;
            e.heightMm = 22;
            break;
        default: break;
        }
        elements.append(e);
    }
    LabelDocument d(QStringLiteral("Every field / Все поля"), 80.5, 60.25, elements);
    d.documentID = QUuid::fromString(QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7"));
    d.layout.shape = LabelShape::rectangle;
    d.layout.cornerRadiusMm = 3.5;
    d.layout.medium = LabelMedium::thermalTransfer;
    d.layout.columns = 3;
    d.layout.rows = 4;
    d.layout.leftMarginMm = 1.25;
    d.layout.topMarginMm = 2.5;
    d.layout.columnGapMm = 0.75;
    d.layout.rowGapMm = 1.5;
    d.webSourceJSON = QByteArray(R"({"format":"kestrivane-web","schemaVersion":1})");
    d.webBackground = WebBackground{
        *CatalogJSON::parse(R"({"type": "image", "image": {"fit": "contain", "scale": 100, "x": 50, "y": 50,
            "pad": "#eeeeee"}, "extra": [1, 2.5, null, true, "s"]})"),
        pngBytes(8, 8)};
    d.table = table(3, 4);
    d.table->sourceName = QStringLiteral("data/лист.xlsx");
    d.batch.rows = QStringLiteral("1-2, 4");
    d.batch.copies = 7;
    d.batch.copiesColumn = 2;
    d.batch.advanceEveryCopy = false;
    return d;
}

} // namespace modelsamples
