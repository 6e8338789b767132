// Feeds arbitrary bytes to the workbook reader: refusals with TableError are expected;
// crashes, hangs, sanitizer reports, foreign exceptions and results beyond the limits
// are not.

#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"
#include "fuzz/TableInputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QList<ImportedSheet> sheets;
    try {
        sheets = WorkbookImporter::read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const TableError &) {
        return 0;
    }
    if (const char *broken = tablefuzz::brokenLimit(sheets, false)) {
        std::fprintf(stderr, "workbook result with %s\n", broken);
        std::abort();
    }
    return 0;
}
