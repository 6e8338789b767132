// Feeds arbitrary bytes to the picture gate of web templates: the SVG sanitiser, the full
// picture check (attribute rules, raster header checks) and the stored-picture check, and
// draws what passes at a small size, as a background or an element would be drawn.
// Refusals are expected; crashes, hangs, sanitizer reports and broken promises are not.

#include "core/common/DocumentIssue.h"
#include "core/graphics/ImageAsset.h"
#include "core/web/WebImageAsset.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Image format plugins are found through the application's library paths, and text in
    // drawings needs the font database of a GUI application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
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
        // cleaning it again changes nothing. (The second pass may refuse it or find no
        // drawing: the only root the first pass saw can lie inside the removed declaration.)
        const QString lower = QString::fromUtf8(*cleaned).toLower();
        for (const char *text : {"<!doctype", "<!entity", "<script", "<foreignobject", "url(", "@import"})
            if (lower.contains(QLatin1String(text)))
                std::abort();
        try {
            const auto again = WebImageAsset::sanitizedSVG(*cleaned);
            if (again && *again != *cleaned)
                std::abort();
        } catch (const DocumentError &) {
        }
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
    if (stored && (cleaned || refusedAsDrawing || !valid))
        std::abort();

    // A checked drawing may still be one Qt cannot draw (no size, unsupported content);
    // that is a refusal, not a fault.
    if (const auto picture = valid ? WebPicture::load(bytes) : std::nullopt) {
        QImage canvas(48, 32, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        (void)picture->draw(painter, QRectF(2, 2, 44, 28));
    }
    return 0;
}
