// Feeds arbitrary bytes to the web-template converter as a design. Refusals with the
// catalog's and the document model's errors are expected; crashes, sanitizer reports,
// other exceptions, documents that cannot be saved and unsorted warnings are not.

#include "core/webimport/WebTemplateImporter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

namespace {

QByteArray tinyPNG()
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

// The font system's process-wide caches live until exit; they are not leaks of an input.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit Qt's thread storage is gone before a static application's
    // destructor would clear its fonts.
    static auto *app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QByteArray picture = tinyPNG();
    const WebImageLoader loader = [](const QString &src, const CancelToken &) {
        if (src.contains(QLatin1String("/signs/")))
            throwCatalog(CatalogIssue::Kind::notFound);
        return picture;
    };
    const WebSignLookup noSigns = [](const QString &) { return std::optional<QByteArray>(); };
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    std::optional<ImportedWebTemplate> result;
    try {
        result = WebTemplateImporter::convert(CatalogDesign::decode(bytes), loader, {}, noSigns);
    } catch (const CatalogError &) {
        return 0;
    } catch (const DocumentError &) {
        return 0;
    }
    // What the converter hands out must be a document that can be saved.
    try {
        result->document.validate();
        (void)result->document.encoded();
    } catch (const Error &) {
        fail("a converted document does not pass its own checks");
    }
    for (qsizetype i = 1; i < result->warnings.size(); ++i) {
        if (!(result->warnings.at(i - 1) < result->warnings.at(i)))
            fail("warnings are not unique and sorted");
    }
    return 0;
}
