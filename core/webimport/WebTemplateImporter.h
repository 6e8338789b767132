#pragma once

// The converter from the catalog's web-editor designs to label documents. A design's
// label size, shape, sheet layout and background, and its text, date, counter, barcode,
// line, rectangle and picture elements, become a document whose elements keep their web
// appearance. What cannot be converted is named by its place in the design.

#include "core/catalog/CatalogModel.h"
#include "core/common/CancelToken.h"
#include "core/model/LabelDocument.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace kestrivane {

// Fetches the bytes of one picture named by a design's "src" (the catalog service's image
// fetch). Throws CatalogError; a cancelled fetch throws the cancelled case or
// CancellationError.
using WebImageLoader = std::function<QByteArray(const QString &src, const CancelToken &)>;

// The bytes of the built-in sign a "src" the catalog does not have refers to, or nothing.
// May throw whatever reading the sign folder throws.
using WebSignLookup = std::function<std::optional<QByteArray>(const QString &reference)>;

struct ImportedWebTemplate {
    // Already checked by `LabelDocument::encoded()`: it can be saved as it is.
    LabelDocument document;
    // Localisation keys of what the user should check, each once, in ascending order.
    QStringList warnings;
};

class WebTemplateImporter {
public:
    // Converts one design. Synchronous and blocking: the caller runs it on a worker thread
    // (the picture fetches block it) and shows the result on the main thread. Throws
    // CatalogError for the design's faults (`unsupported` with the sorted places that cannot
    // be converted), DocumentError(invalidContent) for a date that cannot be evaluated, and
    // CancellationError when `token` is cancelled at the start of an element.
    static ImportedWebTemplate convert(const CatalogDesign &design, const WebImageLoader &image,
                                       const CancelToken &token = {}, const WebSignLookup &signs = bundledSigns());

    // `GraphicLibrary::bundledWebSign` over the program's own sign folder.
    static WebSignLookup bundledSigns();

private:
    WebTemplateImporter() = delete;
};

// The pieces of the conversion with rules of their own, for their tests.
namespace webimport {

// Millimetres per CSS pixel (96 pixels per inch) and points per CSS pixel.
inline constexpr double millimetresPerPixel = 0.26458333333333334;
inline constexpr double pointsPerPixel = 0.75;

// Value readers of design objects. A missing key or JSON null is absent; so is every key
// when `json` is not an object. Throws CatalogError(invalid) for a value of another JSON
// type, an absent number without default, and for `integer` a number that is not whole or
// beyond 2^53 - 1. A numeric string is never a number.
double number(const CatalogJSON &json, const QString &key, std::optional<double> fallback);
qint64 integer(const CatalogJSON &json, const QString &key, qint64 fallback);
bool boolean(const CatalogJSON &json, const QString &key, bool fallback);
// The value when it is a JSON string; absent for anything else.
std::optional<QString> string(const CatalogJSON &json, const QString &key);

// Twelve ASCII digits followed by their EAN-13 check digit; nothing for any other text.
std::optional<QString> completedEAN13(const QString &value);

// Points of a barcode caption for the design's pixel size (0 means the default 12 pt).
double captionFontSizePt(double pixels);
// Pixels of the GS1 identification caption (0 means the default 8), kept within 4 to 32.
double gs1FontPx(double pixels);

// The bytes of one picture and whether the built-in sign library supplied them: a picture
// the catalog does not have is looked up among the signs; every failure becomes the
// catalog issue the user is shown (imageUnavailable, cancelled, or the catalog's own).
std::pair<QByteArray, bool> loadImage(const QString &src, const WebImageLoader &image, const CancelToken &token,
                                      const WebSignLookup &signs);

} // namespace webimport

} // namespace kestrivane
