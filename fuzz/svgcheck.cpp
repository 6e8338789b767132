// Feeds arbitrary bytes to the picture gate of web templates: the SVG sanitiser, the full
// picture check (attribute rules, raster header checks) and the stored-picture check.
// Refusals are expected; crashes, hangs, sanitizer reports and broken promises are not.

#include "graphics/ImageAsset.h"
#include "model/DocumentIssue.h"
#include "web/WebImageAsset.h"

#include <QCoreApplication>
#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Image format plugins are found through the application's library paths.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    std::optional<QByteArray> cleaned;
    bool refusedAsDrawing = false;
    try {
        cleaned = WebImageAsset::sanitizedSVG(bytes);
    } catch (const DocumentError &) {
        refusedAsDrawing = true;
    }
    if (cleaned) {
        // A cleaned drawing holds none of the texts the sanitiser exists to remove, and
        // cleaning it again changes nothing.
        const QString lower = QString::fromUtf8(*cleaned).toLower();
        for (const char *text : {"<!doctype", "<!entity", "<script", "<foreignobject", "url(", "@import"})
            if (lower.contains(QLatin1String(text)))
                std::abort();
        if (WebImageAsset::sanitizedSVG(*cleaned) != cleaned)
            std::abort();
    }

    bool valid = true;
    try {
        WebImageAsset::validate(bytes);
    } catch (const DocumentError &) {
        valid = false;
    }
    // A drawing the sanitiser refuses can never pass the whole check.
    if (refusedAsDrawing && valid)
        std::abort();

    bool stored = true;
    try {
        ImageAsset::validate(bytes);
    } catch (const DocumentError &) {
        stored = false;
    }
    // A stored picture is a PNG, which is never a drawing; within the web limits it must
    // also pass the web check.
    if (stored && (cleaned || refusedAsDrawing))
        std::abort();
    return 0;
}
