#include "core/common/TableIssue.h"
#include "core/table/BatchOptions.h"
#include "core/table/ImportedSheet.h"
#include "core/table/LabelTable.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

LabelTable tableOf(qsizetype columns, qsizetype rows, const QString &cell = QStringLiteral("x"))
{
    LabelTable table;
    table.sourceName = QStringLiteral("data.csv");
    table.sheetName = QStringLiteral("CSV");
    for (qsizetype c = 0; c < columns; ++c)
        table.columns.append(QStringLiteral("c"));
    table.rows = QList<QList<QString>>(rows, QList<QString>(columns, cell));
    return table;
}

QList<qint64> select(const QString &rows, qint64 count)
{
    BatchOptions options;
    options.rows = rows;
    return options.selectedRows(count);
}

} // namespace

TEST(TableIssue, KeysAndRawValues)
{
    EXPECT_EQ(key(TableIssue::copies), QStringLiteral("mac.data_error_copies"));
    EXPECT_EQ(key(TableIssue::file), QStringLiteral("mac.data_error_file"));
    EXPECT_EQ(tableIssueFromRawValue(QStringLiteral("binding")), TableIssue::binding);
    EXPECT_FALSE(tableIssueFromRawValue(QStringLiteral("Binding")).has_value());
    EXPECT_EQ(TableError(TableIssue::range).key(), QStringLiteral("mac.data_error_range"));
}

TEST(LabelTable, CountLimits)
{
    EXPECT_NO_THROW(tableOf(200, 2500).validate());
    EXPECT_ISSUE(tableOf(201, 1).validate(), TableIssue, TableIssue::large);
    EXPECT_ISSUE(tableOf(1, 10001).validate(), TableIssue, TableIssue::large);
    EXPECT_ISSUE(tableOf(200, 2501).validate(), TableIssue, TableIssue::large);
    EXPECT_ISSUE(tableOf(0, 1).validate(), TableIssue, TableIssue::large);
    EXPECT_ISSUE(tableOf(1, 0).validate(), TableIssue, TableIssue::large);

    LabelTable ragged = tableOf(3, 2);
    ragged.rows[1].removeLast();
    EXPECT_ISSUE(ragged.validate(), TableIssue, TableIssue::large);
}

TEST(LabelTable, TextLimitsCountCharactersAndBytes)
{
    LabelTable table = tableOf(1, 1);
    table.sourceName = QString(256, u'n');
    EXPECT_NO_THROW(table.validate());
    table.sourceName += u'n';
    EXPECT_ISSUE(table.validate(), TableIssue, TableIssue::large);

    // 256 emoji of four UTF-8 bytes (two UTF-16 units) each are 256 characters.
    table.sourceName = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(256);
    table.sheetName = table.sourceName;
    EXPECT_NO_THROW(table.validate());

    table.rows[0][0] = QString(4096, u'c');
    EXPECT_NO_THROW(table.validate());
    table.rows[0][0] += u'c';
    EXPECT_ISSUE(table.validate(), TableIssue, TableIssue::large);

    // 6 MiB of UTF-8 in all: 2048 cells of 3072 bytes (1024 three-byte characters each).
    LabelTable big = tableOf(2, 1024, QString(1024, QChar(0x20AC)));
    big.columns = {QString(), QString()};
    EXPECT_NO_THROW(big.validate());
    big.columns[0] = QStringLiteral("x");
    EXPECT_ISSUE(big.validate(), TableIssue, TableIssue::large);
}

TEST(LabelTable, Utf8LengthMatchesTheEncoder)
{
    const QString samples[] = {QString(), QStringLiteral("abc"),
                               QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
                               QString(QChar(0xD800)) + u'a'};
    for (const QString &s : samples)
        EXPECT_EQ(utf8Length(s), s.toUtf8().size()) << s.toStdString();
}

TEST(RowSelection, SelectsAscendingWithoutRepeats)
{
    EXPECT_EQ(select(QStringLiteral("1-3, 5"), 10), (QList<qint64>{0, 1, 2, 4}));
    EXPECT_EQ(select(QStringLiteral("5,1-2"), 10), (QList<qint64>{0, 1, 4}));
    EXPECT_EQ(select(QStringLiteral("2-4,3,3-3"), 10), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(select(QStringLiteral("\t 10 \u00a0"), 10), (QList<qint64>{9}));
    EXPECT_EQ(select(QString(), 3), (QList<qint64>{0, 1, 2}));
    EXPECT_EQ(select(QStringLiteral(" \n\t"), 3), (QList<qint64>{0, 1, 2}));
}

TEST(RowSelection, RefusesMalformedTextAndCounts)
{
    for (const char *bad : {"0", "-3", "3-", "1--2", "1,,2", "a", "+1", "1.5", "1-3\n", "11", "3-2", ",", "1-2-3",
                            "99999999999999999999", "\xD9\xA1"})
        EXPECT_ISSUE(select(QString::fromUtf8(bad), 10), TableIssue, TableIssue::range);
    EXPECT_ISSUE(select(QString(), 0), TableIssue, TableIssue::range);
    EXPECT_ISSUE(select(QString(), 10001), TableIssue, TableIssue::range);
    EXPECT_EQ(select(QStringLiteral("1-10000"), 10000).size(), 10000);
}

TEST(ImportedSheet, BuildsTablesWithAndWithoutHeader)
{
    const ImportedSheet sheet(QStringLiteral("Sheet1"),
                              {{QStringLiteral("Name")}, {QStringLiteral("A"), QStringLiteral("1")}});
    const LabelTable withHeader = sheet.table(QStringLiteral("book.xlsx"), true);
    EXPECT_EQ(withHeader.columns, (QList<QString>{QStringLiteral("Name"), QString()}));
    EXPECT_EQ(withHeader.rows, (QList<QList<QString>>{{QStringLiteral("A"), QStringLiteral("1")}}));
    EXPECT_EQ(withHeader.sourceName, QStringLiteral("book.xlsx"));
    EXPECT_EQ(withHeader.sheetName, QStringLiteral("Sheet1"));

    const LabelTable plain = sheet.table(QStringLiteral("book.xlsx"), false);
    EXPECT_EQ(plain.columns, (QList<QString>{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(plain.rows,
              (QList<QList<QString>>{{QStringLiteral("Name"), QString()}, {QStringLiteral("A"), QStringLiteral("1")}}));

    EXPECT_ISSUE(ImportedSheet(QStringLiteral("s"), {{QStringLiteral("h")}}).table("f", true), TableIssue,
                 TableIssue::empty);
    EXPECT_ISSUE(ImportedSheet(QStringLiteral("s"), {}).table("f", false), TableIssue, TableIssue::empty);
    EXPECT_ISSUE(ImportedSheet(QStringLiteral("s"), {{}, {}}).table("f", false), TableIssue, TableIssue::empty);
}

TEST(ImportedSheet, RefusesAnOverWideSheetWithoutPaddingIt)
{
    // One row of 300 000 cells among 10 000 short rows would pad to three billion cells.
    QList<QList<QString>> rows(10000, QList<QString>{QStringLiteral("x")});
    rows[0] = QList<QString>(300000, QStringLiteral("y"));
    EXPECT_ISSUE(ImportedSheet(QStringLiteral("s"), rows).table("f", false), TableIssue, TableIssue::large);
}

TEST(ImportedSheet, ColumnNamesAreBijectiveBase26)
{
    const std::pair<qint64, const char *> cases[] = {{0, "A"},   {25, "Z"},  {26, "AA"},  {27, "AB"},
                                                     {51, "AZ"}, {52, "BA"}, {701, "ZZ"}, {702, "AAA"}};
    for (const auto &[index, name] : cases)
        EXPECT_EQ(ImportedSheet::columnName(index), QString::fromLatin1(name)) << index;
    EXPECT_EQ(ImportedSheet::columnName(-1), QString());
    EXPECT_FALSE(ImportedSheet::columnName(std::numeric_limits<qint64>::max()).isEmpty());
}
