// Fuzzes the workbook's XML reading: a mutated archive almost never passes its CRC
// checks, so the input is split into the workbook's parts at a marker line and packed
// into a valid archive. The same rules as for raw workbooks apply.

#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"
#include "fuzz/TableInputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray archive =
        tablefuzz::workbookFromParts(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QList<ImportedSheet> sheets;
    try {
        sheets = WorkbookImporter::read(archive);
    } catch (const TableError &) {
        return 0;
    }
    if (const char *broken = tablefuzz::brokenLimit(sheets, false)) {
        std::fprintf(stderr, "workbook result with %s\n", broken);
        std::abort();
    }
    return 0;
}
