#include "core/common/TableIssue.h"
#include "core/table/CSVImporter.h"
#include "core/table/WorkbookArchive.h"
#include "core/table/WorkbookImporter.h"

#include "tests/common/TestSupport.h"
#include "tests/common/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kestrivane;

// A file that is only too large is refused as too large, whichever reader and setting
// meet it; a broken one stays broken. The limits are the readers' own.
TEST(TableSizeRefusal, TooLargeIsNeverCalledBroken)
{
    const auto csv = [](QByteArray data, CSVSeparator separator) {
        return [data, separator] { CSVImporter::read(data, separator, CSVEncoding::automatic); };
    };
    const auto workbook = [](const QString &rowsXml) {
        testsupport::WorkbookBuilder book;
        book.addSheet(QStringLiteral("S"), rowsXml);
        return [data = book.build()] { WorkbookImporter::read(data); };
    };
    // worksheet, sheetData and row are three elements, the rest sit in the row.
    const QString elements =
        QStringLiteral("<row>") + QStringLiteral("<x/>").repeated(1500001 - 3) + QStringLiteral("</row>");
    const QString text = QStringLiteral("<row>%1</row>").arg(QString(25165824 + 1, u' '));
    // worksheet, sheetData and row, then 30 more inside the row.
    const QString deep = QStringLiteral("<row>%1%2</row>").arg(QStringLiteral("<x>").repeated(30),
                                                                  QStringLiteral("</x>").repeated(30));
    const QByteArray rows10002 = QByteArray("a,b\n").repeated(10002);
    // A sound sheet whose part unpacks to one byte over what the archive reader takes.
    const QString row = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Item</t></is></c></row>");
    const QString overLimit = testsupport::WorkbookBuilder::paddedRows(row, WorkbookArchive::maximumEntryBytes + 1);
    struct Case {
        const char *name;
        std::function<void()> read;
        TableIssue issue;
    };
    const Case cases[] = {
        {"10,002 rows, automatic", csv(rows10002, CSVSeparator::automatic), TableIssue::large},
        {"10,002 rows, comma", csv(rows10002, CSVSeparator::comma), TableIssue::large},
        {"10,002 rows, semicolon", csv(rows10002, CSVSeparator::semicolon), TableIssue::large},
        {"10,002 rows, tab", csv(rows10002, CSVSeparator::tab), TableIssue::large},
        {"empty file, automatic", csv(QByteArray(), CSVSeparator::automatic), TableIssue::csv},
        {"unmatched quote, automatic", csv("a,\"b\nc,d\n", CSVSeparator::automatic), TableIssue::csv},
        {"part of 1,500,001 elements", workbook(elements), TableIssue::large},
        {"part over 24 MiB of text", workbook(text), TableIssue::large},
        {"part nested 33 deep", workbook(deep), TableIssue::workbook},
        {"sheet part of 32 MiB and one byte", workbook(overLimit), TableIssue::large},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_ISSUE(c.read(), TableIssue, c.issue);
    }

    // One byte less is read.
    testsupport::WorkbookBuilder atLimit;
    atLimit.addSheet(QStringLiteral("S"),
                     testsupport::WorkbookBuilder::paddedRows(row, WorkbookArchive::maximumEntryBytes));
    const QList<ImportedSheet> sheets = WorkbookImporter::read(atLimit.build());
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].rows, QList<QList<QString>>{{QStringLiteral("Item")}});
}
