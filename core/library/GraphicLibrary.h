#pragma once

// The program's read-only library of built-in signs.

#include "core/library/GraphicSign.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kestrivane {

class GraphicLibrary {
public:
    // "GraphicSigns" in the program's resource folder.
    static QString directory();

    // The signs of "manifest.json" in file order, read anew on every call. A read failure
    // throws FileError, a text that is not the expected JSON throws JsonError, a duplicate id
    // or a file name that is not a plain name throws DocumentError(invalidImage).
    static QList<GraphicSign> load();
    static QList<GraphicSign> load(const QString &folder);

    // The checksum-verified bytes of the built-in sign a web template refers to, such as
    // ".../signs/ms_<32 hex digits>.svg"; nothing when the reference names no built-in sign.
    // Throws `load()`'s errors, and DocumentError(invalidImage) when the sign's file is a
    // link, empty, over 8 MiB, unreadable or differs from the manifest's checksum.
    static std::optional<QByteArray> bundledWebSign(const QString &reference);
    static std::optional<QByteArray> bundledWebSign(const QString &reference, const QString &folder);

private:
    GraphicLibrary() = delete;
};

} // namespace kestrivane
