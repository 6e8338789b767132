#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace kestrivane {

// The symbologies a barcode element can use, in the order the inspector lists them.
// Raw values equal the case names and are what documents store.
enum class BarcodeSymbology {
    ean13,
    qr,
    dataMatrix,
    gs1DataMatrix,
    gs1DataBarStacked,
    ean8,
    code39,
    codabar,
    code128,
    interleaved2of5,
    itf14,
};

// Every symbology, in declaration order.
const QList<BarcodeSymbology> &allBarcodeSymbologies();

QString rawValue(BarcodeSymbology symbology);

// The symbology whose raw value is exactly `raw` (case-sensitive), or nothing.
std::optional<BarcodeSymbology> barcodeSymbologyFromRawValue(const QString &raw);

// "mac.bar_" followed by the raw value.
QString titleKey(BarcodeSymbology symbology);

// Square two-dimensional symbols: qr, dataMatrix and gs1DataMatrix.
bool isMatrix(BarcodeSymbology symbology);

// Symbologies whose content is a GS1 element string: gs1DataMatrix and gs1DataBarStacked.
bool isGS1(BarcodeSymbology symbology);

// A content that encodes in the symbology, offered by the inspector.
QString example(BarcodeSymbology symbology);

} // namespace kestrivane
