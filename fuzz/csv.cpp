// Feeds arbitrary bytes to the CSV reader, the first byte choosing separator and
// encoding. Refusals with the program's own errors are expected; crashes, hangs,
// sanitizer reports, foreign exceptions and results beyond the limits are not.

#include "core/common/TableIssue.h"
#include "fuzz/TableInputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const tablefuzz::CSVInput input =
        tablefuzz::csvInput(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    ImportedSheet sheet;
    try {
        sheet = CSVImporter::read(input.data, input.separator, input.encoding);
    } catch (const TableError &) {
        return 0;
    }
    if (const char *broken = tablefuzz::brokenLimit({sheet}, true)) {
        std::fprintf(stderr, "CSV result with %s\n", broken);
        std::abort();
    }
    return 0;
}
