#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"
#include "fuzz/TableInputs.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>

using namespace kestrivane;

namespace {

// Replays the seeds of one fuzz target: each is read within the limits or refused with
// a TableError, and the seeds named "valid-…" or "broken-…" are read or refused as named.
void replay(const QString &target, const std::function<QList<ImportedSheet>(const QByteArray &)> &read, bool csv)
{
    const QDir dir(QStringLiteral(KESTRIVANE_FUZZ_CORPUS "/") + target);
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), testsupport::fuzzCorpus(target).size());
    ASSERT_GE(names.size(), 8);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray input = testsupport::readFile(dir.filePath(name));
        try {
            const QList<ImportedSheet> sheets = read(input);
            EXPECT_FALSE(name.startsWith(QStringLiteral("broken-")));
            EXPECT_EQ(tablefuzz::brokenLimit(sheets, csv), nullptr);
        } catch (const TableError &) {
            EXPECT_FALSE(name.startsWith(QStringLiteral("valid-")));
        }
    }
}

} // namespace

TEST(TableCorpus, CSVSeedsAreReadOrRefusedAsNamed)
{
    replay(
        QStringLiteral("csv"),
        [](const QByteArray &bytes) {
            const tablefuzz::CSVInput input = tablefuzz::csvInput(bytes);
            return QList<ImportedSheet>{CSVImporter::read(input.data, input.separator, input.encoding)};
        },
        true);
}

TEST(TableCorpus, WorkbookSeedsAreReadOrRefusedAsNamed)
{
    replay(QStringLiteral("workbook"), &WorkbookImporter::read, false);
}

TEST(TableCorpus, WorkbookPartSeedsAreReadOrRefusedAsNamed)
{
    replay(
        QStringLiteral("workbook_parts"),
        [](const QByteArray &bytes) { return WorkbookImporter::read(tablefuzz::workbookFromParts(bytes)); }, false);
}
