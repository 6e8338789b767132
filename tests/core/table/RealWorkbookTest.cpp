#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrivane;

namespace {

using Rows = QList<QList<QString>>;

struct RealFile {
    const char *file;
    Rows rows; // of the first sheet; the second, "Empty", has none
    std::optional<TableIssue> issue;
};

} // namespace

// Workbooks written by other spreadsheet programs (tests/data/workbooks/README.md).
TEST(RealWorkbook, ReadsWhatOtherProgramsWrite)
{
    const Rows products{{"Name", "Code", "Price", "Date", "Active", "Total"},
                        {"Tea", "000042", "2.5", "45322", "TRUE", "5"},
                        {u"\u041A\u043E\u0444\u0435"_qs, "000007", "3.75", "45351", "FALSE", "7.5"}};
    const RealFile files[] = {
        {"libxlsxwriter.xlsx", products, {}},
        {"sheetjs.xlsx", products, {}},
        {"gnumeric.xlsx", products, {}},
        {"libreoffice.xlsx", products, {}},
        // Formulas written without the value they last had.
        {"openpyxl.xlsx", {}, TableIssue::formula},
    };
    for (const RealFile &f : files) {
        SCOPED_TRACE(f.file);
        const QByteArray data = testsupport::readFile(testsupport::dataPath(QStringLiteral("workbooks/") + f.file));
        ASSERT_FALSE(data.isEmpty());
        if (f.issue) {
            EXPECT_ISSUE(WorkbookImporter::read(data), TableIssue, *f.issue);
            continue;
        }
        const QList<ImportedSheet> sheets = WorkbookImporter::read(data);
        ASSERT_EQ(sheets.size(), 2);
        EXPECT_EQ(sheets[0],
                  ImportedSheet(QStringLiteral("Products"), f.rows, {QStringLiteral("mac.data_excel_values")}));
        EXPECT_EQ(sheets[1], ImportedSheet(QStringLiteral("Empty"), {}));
    }
}
