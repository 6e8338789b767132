#pragma once

#include "core/model/BarcodeOptions.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace kestrivane {

// A resolution-free barcode symbol in the encoder's vector units, y growing downwards.
struct BarcodeDrawing {
    // One human-readable text line as the encoder placed it.
    struct Caption {
        QString text;
        // Anchor of the text: the x the alignment refers to and the baseline y.
        double x = 0;
        double y = 0;
        double fontSize = 0;
        // Horizontal alignment: 0 centre, 1 left (x is the start), 2 right (x is the end).
        qint32 alignment = 0;

        friend bool operator==(const Caption &, const Caption &) = default;
    };

    // The whole symbol including quiet zones and text; both sides greater than 0.
    QSizeF size;
    // The dark bars and modules; at least one.
    QList<QRectF> rectangles;
    // Empty when the text is hidden or the symbology has none.
    QList<Caption> captions;

    friend bool operator==(const BarcodeDrawing &, const BarcodeDrawing &) = default;
};

namespace BarcodeEncoder {

// Largest content accepted, in UTF-8 bytes.
inline constexpr qsizetype maximumContentBytes = 4096;

// Encodes `content` in the options' symbology (only `symbology` and `showsText` matter).
// Stateless and safe to call from several threads. Every failure throws
// DocumentIssue::invalidBarcode.
//
// The installed zint (2.11) has lower length limits than later releases, so longer
// content is refused: Code 128 takes 60 symbol characters (120 digits), Code 39 85
// characters, Codabar 60 including start and stop, interleaved 2 of 5 90 digits.
BarcodeDrawing drawing(const QString &content, const BarcodeOptions &options);

// Throws DocumentIssue::invalidBarcode unless `text` is exactly `length` ASCII digits whose
// last digit is the GS1 mod-10 check digit of the others.
void checkDigits(const QString &text, int length);

} // namespace BarcodeEncoder

namespace GS1Input {

// Normalises a GS1 element string given in parenthesised notation ("(01)...(21)..."),
// bracketed notation ("[01]...[21]...") or as a raw string with optional GS (0x1D)
// separators to bracketed notation. Throws DocumentIssue::invalidBarcode when it cannot.
QString bracketed(const QString &input);

} // namespace GS1Input

} // namespace kestrivane
