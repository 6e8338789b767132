#include "tests/app/table/TableTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/table/BatchDraft.h"
#include "app/table/TableImportDraft.h"
#include "core/common/TableIssue.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kestrivane;
using tabletest::HeldWork;
using tabletest::writeFile;

namespace {

QByteArray csvRows(int rows, const QByteArray &first = "name;price")
{
    QByteArray bytes = first + "\n";
    for (int i = 1; i < rows; ++i)
        bytes += "item " + QByteArray::number(i) + ";" + QByteArray::number(i * 3) + "\n";
    return bytes;
}

class TableImportDraftTest : public ::testing::Test {
protected:
    TableImportDraftTest() { draft.setLauncher(held.launcher()); }
    QString file(const QString &name, const QByteArray &bytes) { return writeFile(dir.filePath(name), bytes); }

    QTemporaryDir dir;
    HeldWork held;
    TableImportDraft draft;
};

} // namespace

TEST_F(TableImportDraftTest, TheSuffixDecidesTextOptionsAndResetsThem)
{
    const struct {
        const char *name;
        bool csv;
        CSVSeparator separator;
    } cases[] = {{"data.csv", true, CSVSeparator::automatic},
                 {"DATA.TSV", true, CSVSeparator::tab},
                 {"x.xlsx", false, CSVSeparator::automatic},
                 {"noext", false, CSVSeparator::automatic}};
    for (const auto &c : cases) {
        draft.setSeparator(CSVSeparator::semicolon);
        draft.setEncoding(CSVEncoding::windows1251);
        draft.setHeader(false);
        draft.load(file(QString::fromLatin1(c.name), "a;b\n1;2\n"));
        EXPECT_EQ(draft.source(), QString::fromLatin1(c.name));
        EXPECT_EQ(draft.csv(), c.csv) << c.name;
        EXPECT_EQ(draft.separator(), c.separator) << c.name;
        EXPECT_EQ(draft.encoding(), CSVEncoding::automatic) << c.name;
        EXPECT_FALSE(draft.header()) << "the header choice survives a new file";
        draft.setHeader(true);
    }
}

// Whatever order the work ends in, only the latest read or parse reaches the draft, and
// `loading` stays as the newest work set it.
TEST_F(TableImportDraftTest, OnlyTheLatestReadOrParseApplies)
{
    for (const bool newestFirst : {true, false}) {
        SCOPED_TRACE(newestFirst ? "newest first" : "oldest first");
        HeldWork work;
        TableImportDraft races;
        races.setLauncher(work.launcher());

        // A second file while the first is read.
        races.load(file(QStringLiteral("first.csv"), csvRows(3)));
        races.load(file(QStringLiteral("second.csv"), csvRows(6)));
        work.finish(newestFirst ? 1 : 0);
        work.finish(newestFirst ? 0 : 1);
        EXPECT_TRUE(races.loading());
        ASSERT_EQ(work.count(), 3) << "one parse, of the second file";
        work.finish(2);
        EXPECT_FALSE(races.loading());
        ASSERT_TRUE(races.table());
        EXPECT_EQ(races.table()->rows.size(), 5);
        EXPECT_EQ(races.source(), QStringLiteral("second.csv"));

        // A separator change while a parse runs: the comma parse is the one shown.
        races.setSeparator(CSVSeparator::tab);
        races.setSeparator(CSVSeparator::comma);
        work.finish(newestFirst ? 4 : 3);
        EXPECT_EQ(races.loading(), !newestFirst);
        work.finish(newestFirst ? 3 : 4);
        EXPECT_FALSE(races.loading());
        ASSERT_EQ(races.sheets().size(), 1);
        EXPECT_EQ(races.sheets()[0].rows[0], QList<QString>{QStringLiteral("name;price")});

        // A result after the sheet went.
        races.setSeparator(CSVSeparator::semicolon);
        races.invalidate();
        work.finish(5);
        EXPECT_TRUE(races.loading());
        EXPECT_TRUE(races.sheets().isEmpty());
    }
}

TEST_F(TableImportDraftTest, FailuresShowTheirKey)
{
    TableImportDraft real; // the thread pool
    auto loaded = [&](const QString &path) {
        real.load(path);
        EXPECT_TRUE(tabletest::waitUntil([&] { return !real.loading(); })) << path.toStdString();
        return real.issue().value_or(QString());
    };

    EXPECT_EQ(loaded(dir.filePath(QStringLiteral("missing.csv"))), QStringLiteral("mac.data_error_file"));
    // A reader's own error keeps its key.
    EXPECT_EQ(loaded(file(QStringLiteral("bad.csv"), "a;b\n\xff\xfe\xfd;1\n")),
              QStringLiteral("mac.data_error_encoding"));

    // Neither a FIFO nor a file past the limit is read: the FIFO without a writer would
    // block a reader, and the sparse file would take 33 MiB of memory.
    const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(loaded(fifo), QStringLiteral("mac.data_error_file"));
    QFile sparse(dir.filePath(QStringLiteral("sparse.csv")));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    ASSERT_TRUE(sparse.resize(33 * 1024 * 1024));
    sparse.close();
    EXPECT_EQ(loaded(sparse.fileName()), QStringLiteral("mac.data_error_large"));
    EXPECT_FALSE(real.hasBytes()) << "a failed read keeps no bytes";
    QSignalSpy parses(&real, &TableImportDraft::loadingChanged);
    real.setSeparator(CSVSeparator::comma);
    EXPECT_EQ(parses.count(), 0) << "after a failed read the pickers do nothing";

    // The exact limit is read.
    ASSERT_TRUE(sparse.resize(TableImportDraft::maximumFileBytes));
    EXPECT_EQ(TableImportDraft::readFile(sparse.fileName()).size(), TableImportDraft::maximumFileBytes);
}

// The header toggle and the sheet choice build the table again without parsing; a sheet
// that cannot become a table, also one too large, has none.
TEST_F(TableImportDraftTest, HeaderAndSizeDecideWhetherTheSheetIsATable)
{
    draft.load(file(QStringLiteral("one.csv"), "only;row\n"));
    held.finishFrom(0);
    const qsizetype pieces = held.count();
    ASSERT_FALSE(draft.sheets().isEmpty());
    EXPECT_FALSE(draft.table()) << "a header row without data";
    draft.setHeader(false);
    ASSERT_TRUE(draft.table());
    EXPECT_EQ(draft.table()->rows.size(), 1);
    draft.setHeader(true);
    EXPECT_FALSE(draft.table());
    EXPECT_EQ(held.count(), pieces) << "no parse";

    draft.setHeader(false);
    draft.load(file(QStringLiteral("long.csv"), csvRows(10001)));
    held.finishFrom(pieces);
    ASSERT_FALSE(draft.sheets().isEmpty());
    EXPECT_FALSE(draft.table()) << "10001 data rows";
    EXPECT_FALSE(draft.issue());
    draft.setHeader(true);
    EXPECT_TRUE(draft.table());
}

TEST(BatchDraftTest, OnlyTheLatestPreparationAppliesAndPagesAreOnlyLowered)
{
    LabelDocument document(QStringLiteral("Batch"), 50, 30, {});
    document.layout.columns = document.layout.rows = 2;
    LabelTable table;
    table.sourceName = QStringLiteral("t.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("a")};
    for (int i = 0; i < 40; ++i)
        table.rows.append({QString::number(i)});
    document.table = table;
    auto options = [&](const QString &rows) {
        BatchOptions o = document.batch;
        o.rows = rows;
        return o;
    };

    for (const bool newestFirst : {true, false}) {
        SCOPED_TRACE(newestFirst ? "newest first" : "oldest first");
        HeldWork work;
        BatchDraft draft(document);
        draft.setLauncher(work.launcher());
        draft.prepare();
        work.finish(0);
        ASSERT_TRUE(draft.job());
        EXPECT_EQ(draft.job()->pages(), 10);
        draft.setPage(7);

        // One preparation per keystroke of "1-9".
        draft.setOptions(options(QStringLiteral("1")));
        draft.setOptions(options(QStringLiteral("1-")));
        draft.setOptions(options(QStringLiteral("1-9")));
        ASSERT_EQ(work.count(), 4);
        const QList<qsizetype> order = newestFirst ? QList<qsizetype>{3, 2, 1} : QList<qsizetype>{1, 2, 3};
        bool latestDone = false;
        for (qsizetype i : order) {
            work.finish(i);
            latestDone = latestDone || i == 3;
            EXPECT_EQ(draft.preparing(), !latestDone);
        }
        ASSERT_TRUE(draft.job());
        EXPECT_FALSE(draft.error());
        EXPECT_EQ(draft.job()->entries().size(), 9);
        EXPECT_EQ(draft.page(), 3) << "lowered to the new page count";

        draft.setOptions(options(QString()));
        work.finish(4);
        EXPECT_EQ(draft.page(), 3) << "never raised";

        draft.setOptions(options(QStringLiteral("99")));
        work.finish(5);
        EXPECT_FALSE(draft.job());
        EXPECT_TRUE(draft.error());

        draft.setOptions(options(QStringLiteral("2")));
        draft.invalidate();
        work.finish(6);
        EXPECT_TRUE(draft.preparing()) << "a result after the sheet went changes nothing";
        EXPECT_FALSE(draft.job());
    }
}
