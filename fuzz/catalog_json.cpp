// Feeds arbitrary bytes to every reader of the template catalog. Refusals with the
// program's own errors are expected; crashes, hangs, sanitizer reports, foreign
// exceptions and JSON values that do not survive being written and read again are not.

#include "core/catalog/CatalogModel.h"
#include "core/json/JsonRead.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

namespace {

template <typename F> void refusingOnlyOwnErrors(F &&f)
{
    try {
        f();
    } catch (const Error &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Qt's reader drops U+FEFF at the start of any string, and an object key that began
    // with it can no longer be looked up; such texts are read, but not compared again.
    const bool innerByteOrderMark = bytes.indexOf("\xEF\xBB\xBF", 1) >= 0;
    if (const std::optional<CatalogJSON> value = CatalogJSON::parse(bytes); value && !innerByteOrderMark) {
        refusingOnlyOwnErrors([&] {
            if (CatalogJSON::parse(value->toJson()) != value) {
                std::fprintf(stderr, "a JSON value reads back differently\n");
                std::abort();
            }
        });
    }
    refusingOnlyOwnErrors([&] { CatalogPage::decode(bytes).validate(0); });
    refusingOnlyOwnErrors([&] { CatalogCategory::decodeList(bytes); });
    refusingOnlyOwnErrors([&] { CatalogSize::decodeList(bytes); });
    refusingOnlyOwnErrors([&] {
        const CatalogDesign design = CatalogDesign::decode(bytes);
        design.validate(design.id);
        (void)design.archivedJSON();
    });
    refusingOnlyOwnErrors([&] {
        const CatalogSnapshot snapshot = CatalogSnapshot::decode(bytes);
        if (!(CatalogSnapshot::decode(snapshot.encoded()) == snapshot)) {
            std::fprintf(stderr, "a snapshot reads back differently\n");
            std::abort();
        }
    });
    refusingOnlyOwnErrors([&] { CachedTemplate::decode(bytes).encoded(); });
    return 0;
}
