#pragma once

#include <QString>

namespace kestrivane {

// The read-only resource folder: "Artwork/", "GraphicSigns/", "WebFonts/" and
// "Compiled/" (the string tables) lie directly inside it.
class CoreResources {
public:
    // Found once, in this order: the folder named by $KESTRIVANE_RESOURCES,
    // <program dir>/../share/kestrivane/Resources, <program dir>/Resources, and the
    // resource folder of the source tree the program was built from. The program
    // stops with a clear message when none of them holds the string tables.
    static QString url();

    // `url()` with a relative path appended.
    static QString path(const QString &relative);

private:
    CoreResources() = delete;
};

} // namespace kestrivane
