#pragma once

#include "core/render/PointFont.h"

#include <QFont>
#include <QString>

#include <optional>

namespace kestrivane {

// The typefaces that ship in the resource folder's "WebFonts/" (Roboto and Roboto Mono)
// and the lookups of font names that labels and web templates use.
//
// Labels draw with the bundled faces, not the desktop's, so that a label looks the
// same on every machine: the "system font" of a label is Roboto and its "monospaced
// system font" Roboto Mono; only when those are missing does the desktop's general
// or fixed-pitch font stand in.
class WebFonts {
public:
    // Registers every font file (.ttf, .otf, .ttc) of "WebFonts/" for this process,
    // once. A thread that calls while another is registering waits until the fonts
    // are there, so nothing is drawn with stand-in faces; a file that fails is not
    // tried again. Does nothing before a QGuiApplication exists (Qt's font database
    // needs one), so a call that comes too early does not use up the registration.
    static void registerFonts();

    // A CSS font-family list ("'Roboto', sans-serif") as a font at `sizePt`, or none
    // when no entry names a known family (an empty list included). Entries are split
    // at ",", empty entries dropped, and spaces, double and single quotes trimmed from
    // both ends. The generic words are case-sensitive: "system-ui" and "sans-serif"
    // give the system font, "monospace" the monospaced system font in regular weight;
    // any other entry must be an installed family (compared without regard to case).
    static std::optional<PointFont> resolve(const QString &families, double sizePt);

    // The installed family named `name`, or none.
    static std::optional<PointFont> installedFont(const QString &name, double sizePt);

    // The labels' system font (Roboto) and monospaced system font (Roboto Mono).
    static PointFont systemFont(double sizePt);
    static PointFont monospacedSystemFont(double sizePt, QFont::Weight weight = QFont::Normal);

    // The face of a text, date or counter element before its bold and italic traits:
    // elements from web templates name a family list (`resolve`), the others one
    // installed family; without a match, the system font. Used by the label renderer
    // and by the canvas's in-place editor, so both show the same face.
    static PointFont elementFont(const QString &fontName, double sizePt, bool webFamilies);

    // The semibold face of the GS1 identification caption under a barcode: Roboto Mono,
    // or the monospaced system font when that family is unknown.
    static PointFont gs1CaptionFont(double sizePt);

private:
    WebFonts() = delete;
};

} // namespace kestrivane
