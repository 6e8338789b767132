#include "core/common/TableIssue.h"
#include "core/table/WorkbookImporter.h"
#include "fuzz/TableInputs.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace kestrivane;

namespace {

QList<ImportedSheet> readCSV(const QByteArray &bytes)
{
    const tablefuzz::CSVInput input = tablefuzz::csvInput(bytes);
    return {CSVImporter::read(input.data, input.separator, input.encoding)};
}

QList<ImportedSheet> readParts(const QByteArray &bytes)
{
    return WorkbookImporter::read(tablefuzz::workbookFromParts(bytes));
}

} // namespace

// Replays the seeds of each fuzz target: each is read within the limits or refused with
// a TableError, and the seeds named "valid-…" or "broken-…" are read or refused as named.
TEST(TableCorpus, SeedsAreReadOrRefusedAsNamed)
{
    struct Target {
        const char *name;
        QList<ImportedSheet> (*read)(const QByteArray &);
        bool csv;
    };
    for (const Target &target : {Target{"csv", &readCSV, true}, Target{"workbook", &WorkbookImporter::read, false},
                                 Target{"workbook_parts", &readParts, false}}) {
        const QString name = QString::fromLatin1(target.name);
        const QDir dir(QStringLiteral(KESTRIVANE_FUZZ_CORPUS "/") + name);
        const QStringList seeds = dir.entryList(QDir::Files, QDir::Name);
        ASSERT_EQ(seeds.size(), testsupport::fuzzCorpus(name).size());
        ASSERT_GE(seeds.size(), 8);
        for (const QString &seed : seeds) {
            SCOPED_TRACE(seed.toStdString());
            const QByteArray input = testsupport::readFile(dir.filePath(seed));
            try {
                const QList<ImportedSheet> sheets = target.read(input);
                EXPECT_FALSE(seed.startsWith(QStringLiteral("broken-")));
                EXPECT_EQ(tablefuzz::brokenLimit(sheets, target.csv), nullptr);
            } catch (const TableError &) {
                EXPECT_FALSE(seed.startsWith(QStringLiteral("valid-")));
            }
        }
    }
}
