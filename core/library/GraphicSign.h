#pragma once

// A built-in sign: one picture file of the program's sign folder, listed by its manifest.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kestrivane {

struct GraphicSign {
    // Stored in documents as the graphic id of an image element made from the sign.
    QString id;
    QString titleKey;
    QString categoryKey;
    // The file's name inside the sign folder (never a path).
    QString filename;
    // SHA-256 of the file as hexadecimal digits, either case.
    QString sha256;
    // The folder the sign was loaded from; not part of the manifest.
    QString folder;

    QString url() const;

    // The sign as a PNG whose longer side is exactly 1024 pixels. Throws
    // DocumentError(invalidImage) when the file is missing or is no usable picture.
    QByteArray embeddedPNG() const;

    // The sign drawn with its longer side `maximumSide` pixels on a transparent background,
    // for showing it; a null image when the file is missing or is no usable picture.
    QImage picture(int maximumSide) const;

    friend bool operator==(const GraphicSign &, const GraphicSign &) = default;
};

} // namespace kestrivane
