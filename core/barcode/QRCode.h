#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace kestrivane {

// The modules of a QR code without its quiet zone: moduleCount × moduleCount, row-major.
struct QRCodeMatrix {
    int moduleCount = 0;
    // modules[row * moduleCount + column] is true for a dark module.
    QList<bool> modules;

    bool isDark(int row, int column) const { return modules.at(row * moduleCount + column); }

    // The dark modules merged into horizontal runs, one rectangle per run, in module units
    // (x = column, y = row, height 1). Drawing runs rather than an upscaled image keeps the
    // module edges sharp at every scale, also in PDF.
    QList<QRect> darkRuns() const;

    friend bool operator==(const QRCodeMatrix &, const QRCodeMatrix &) = default;
};

namespace QRCode {

// Largest QR element text, in UTF-8 bytes.
inline constexpr qsizetype maximumTextBytes = 512;

// The QR code of a QR element: error correction level M over the text's raw UTF-8 bytes.
// An empty text, one over 512 UTF-8 bytes, or a text the generator cannot encode throws
// DocumentIssue::invalidContent. Stateless and safe to call from several threads.
QRCodeMatrix matrix(const QString &text);

} // namespace QRCode

} // namespace kestrivane
