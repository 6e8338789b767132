#include "core/table/CSVImporter.h"
#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrivane;

namespace {

using Rows = QList<QList<QString>>;

struct Case {
    const char *name;
    QByteArray data;
    CSVSeparator separator;
    CSVEncoding encoding;
    Rows rows;                       // expected when no issue
    std::optional<TableIssue> issue; // expected failure
};

void check(const Case &c)
{
    SCOPED_TRACE(c.name);
    if (c.issue) {
        EXPECT_ISSUE(CSVImporter::read(c.data, c.separator, c.encoding), TableIssue, *c.issue);
        return;
    }
    try {
        const ImportedSheet sheet = CSVImporter::read(c.data, c.separator, c.encoding);
        EXPECT_EQ(sheet.name, QStringLiteral("CSV"));
        EXPECT_TRUE(sheet.warnings.isEmpty());
        EXPECT_EQ(sheet.rows, c.rows);
    } catch (const Error &error) {
        ADD_FAILURE() << "thrown: " << error.what();
    }
}

QByteArray utf16(const QString &text, bool littleEndian, bool mark)
{
    QByteArray out;
    if (mark)
        out += littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (QChar c : text) {
        const char low = char(c.unicode() & 0xff), high = char(c.unicode() >> 8);
        out.append(littleEndian ? low : high);
        out.append(littleEndian ? high : low);
    }
    return out;
}

QByteArray repeated(const QByteArray &line, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += line;
    return out;
}

const Rows abRows{{"a", "b"}, {"1", "2"}};
constexpr auto autoSep = CSVSeparator::automatic;
constexpr auto autoEnc = CSVEncoding::automatic;

} // namespace

TEST(CSVImporter, DecodesEachEncoding)
{
    const QString abText = QStringLiteral("a;b\r\n1;2");
    const Case cases[] = {
        {"utf-8 without mark", "a;b\n1;2\n", autoSep, autoEnc, abRows, {}},
        {"utf-8 with mark",
         "\xEF\xBB\xBF"
         "a;b\n1;2",
         autoSep,
         autoEnc,
         abRows,
         {}},
        {"only one mark is dropped",
         "\xEF\xBB\xBF\xEF\xBB\xBF"
         "a",
         autoSep,
         CSVEncoding::utf8,
         {{u"\uFEFFa"_qs}},
         {}},
        {"utf-16 little-endian mark", utf16(abText, true, true), autoSep, autoEnc, abRows, {}},
        {"utf-16 big-endian mark", utf16(abText, false, true), autoSep, autoEnc, abRows, {}},
        {"utf-16 big-endian mark, chosen", utf16(abText, false, true), autoSep, CSVEncoding::utf16, abRows, {}},
        {"utf-16 without mark is big-endian", utf16(abText, false, false), autoSep, CSVEncoding::utf16, abRows, {}},
        {"utf-16 mark inside stays",
         utf16(u"\uFEFF\uFEFFx"_qs, true, false),
         autoSep,
         CSVEncoding::utf16,
         {{u"\uFEFFx"_qs}},
         {}},
        {"utf-16 surrogate pair",
         utf16(u"\U0001F600;x"_qs, true, true),
         autoSep,
         autoEnc,
         {{u"\U0001F600"_qs, "x"}},
         {}},
        {"utf-16 odd length", utf16(abText, true, true) + "a", autoSep, autoEnc, {}, TableIssue::encoding},
        {"utf-16 lone surrogate",
         utf16(u"a"_qs, true, true) + QByteArray("\x00\xD8", 2),
         autoSep,
         autoEnc,
         {},
         TableIssue::encoding},
        {"NUL character", QByteArray("a;b\0", 4), autoSep, autoEnc, {}, TableIssue::encoding},
        {"NUL in utf-16", utf16(QString(QChar(0)), true, true), autoSep, autoEnc, {}, TableIssue::encoding},
        {"invalid utf-8", "a;\xC3\x28", autoSep, autoEnc, {}, TableIssue::encoding},
        {"invalid utf-8 is not taken for windows-1251", "\xC0\xC1", autoSep, autoEnc, {}, TableIssue::encoding},
        {"utf-8 chosen for a utf-16 file",
         utf16(abText, true, true),
         autoSep,
         CSVEncoding::utf8,
         {},
         TableIssue::encoding},
        {"windows-1251 map",
         "\xC0\xFF;\xA8\xB8;\x88\xB9;\x98",
         CSVSeparator::semicolon,
         CSVEncoding::windows1251,
         {{u"\u0410\u044F"_qs, u"\u0401\u0451"_qs, u"\u20AC\u2116"_qs, u"\u0098"_qs}},
         {}},
        {"over 16 MiB", QByteArray(16777217, 'a'), CSVSeparator::comma, CSVEncoding::utf8, {}, TableIssue::large},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(CSVImporter, ChoosesTheSeparatorThatSplitsTheFirstRowsEvenly)
{
    const Case cases[] = {
        {"commas", "a,b,c\n1,2,3\n", autoSep, autoEnc, {{"a", "b", "c"}, {"1", "2", "3"}}, {}},
        {"tie goes to the semicolon", "x;y,z", autoSep, autoEnc, {{"x", "y,z"}}, {}},
        {"tabs", "a\tb;c\n1\t2\n", autoSep, autoEnc, {{"a", "b;c"}, {"1", "2"}}, {}},
        {"one column is split at semicolons", "a\nb,c\n", autoSep, autoEnc, {{"a"}, {"b,c"}}, {}},
        {"consistent rows beat a wide first row",
         "a,b,c,d;e\n1;2\n3;4\n",
         autoSep,
         autoEnc,
         {{"a,b,c,d", "e"}, {"1", "2"}, {"3", "4"}},
         {}},
        // The best scored candidate fails after the rows that are scored.
        {"best candidate fails late",
         repeated("a,b\n", 40) + "a;\"b,c\"\n",
         autoSep,
         autoEnc,
         Rows(40, {"a,b"}) + Rows{{"a", "b,c"}},
         {}},
        {"a quoted field spans the scored rows",
         "\"" + repeated("l\n", 40) + "\",x\n1,2\n",
         autoSep,
         autoEnc,
         {{QString(QStringLiteral("l\n")).repeated(40), "x"}, {"1", "2"}},
         {}},
        {"every candidate fails", "a\"b", autoSep, autoEnc, {}, TableIssue::csv},
        {"empty file, automatic", "", autoSep, autoEnc, {}, TableIssue::csv},
        {"empty file, comma", "", CSVSeparator::comma, autoEnc, {}, TableIssue::empty},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(CSVImporter, ParsesTheGrammar)
{
    constexpr auto comma = CSVSeparator::comma;
    const Case cases[] = {
        {"quoted line break and doubled quote", "a,\"b\nc\"\"d\",e", comma, autoEnc, {{"a", "b\nc\"d", "e"}}, {}},
        {"quoted CRLF and separator", "\"x,\r\ny\",z\r\n", comma, autoEnc, {{"x,\r\ny", "z"}}, {}},
        {"empty quoted field", "\"\",a", comma, autoEnc, {{"", "a"}}, {}},
        {"only an empty quoted field", "\"\"", comma, autoEnc, {{""}}, {}},
        {"empty line is one empty field", "a,b\r\n\r\nc", comma, autoEnc, {{"a", "b"}, {""}, {"c"}}, {}},
        {"CR alone ends a row", "a\rb\r", comma, autoEnc, {{"a"}, {"b"}}, {}},
        {"LF CR is two breaks", "a\n\rb", comma, autoEnc, {{"a"}, {""}, {"b"}}, {}},
        {"final break adds no row", "a,b\n", comma, autoEnc, {{"a", "b"}}, {}},
        {"trailing separator", "a,\n", comma, autoEnc, {{"a", ""}}, {}},
        {"blanks are kept", " a , b ", comma, autoEnc, {{" a ", " b "}}, {}},
        {"ragged rows", "a\nb,c,d\n", comma, autoEnc, {{"a"}, {"b", "c", "d"}}, {}},
        {"tab separator", "a\tb,c", CSVSeparator::tab, autoEnc, {{"a", "b,c"}}, {}},
        {"text after a closing quote", "\"a\"b", comma, autoEnc, {}, TableIssue::csv},
        {"quote after text", "ab\"c\"", comma, autoEnc, {}, TableIssue::csv},
        {"quote after a closed quote", "\"a\"\"", comma, autoEnc, {}, TableIssue::csv},
        {"unterminated quote", "a,\"b\n", comma, autoEnc, {}, TableIssue::csv},
        {"only a mark", "\xEF\xBB\xBF", comma, autoEnc, {}, TableIssue::empty},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(CSVImporter, RefusesBeyondEachLimit)
{
    const QByteArray field4096(4096, 'x');
    QByteArray emoji;
    for (int i = 0; i < 4096; ++i)
        emoji += "\xF0\x9F\x98\x80";
    // Fields long enough that a whole row read as one field is over the field limit,
    // so that the semicolon and the tab fail as well.
    const QByteArray x21(21, 'x');
    const QByteArray fields200 = repeated(x21 + ",", 199) + x21;
    const QByteArray x41(41, 'x');
    struct Limit {
        const char *name;
        QByteArray fits;
        QByteArray over;
        qsizetype rows;
    };
    const Limit limits[] = {
        {"field of 4096 scalars", "a,b\n" + field4096 + ",b", "a,b\n" + field4096 + "x,b", 2},
        {"field of 4096 emoji", "a,b\n" + emoji + ",b", "a,b\n" + emoji + "x,b", 2},
        {"quoted field of 4096", "a,\"" + field4096 + "\"", "a,\"" + field4096 + "x\"", 1},
        {"200 fields", fields200, fields200 + "," + x21, 1},
        {"10001 rows", repeated("a,b\n", 10001), repeated("a,b\n", 10002), 10001},
        {"500200 cells", repeated(fields200 + "\n", 2501), repeated(fields200 + "\n", 2502), 2501},
        {"cells by a late wide row", repeated("a,b\n", 5000) + repeated(x41 + ",", 99) + x41,
         repeated("a,b\n", 5000) + repeated(x41 + ",", 100) + x41, 5001},
    };
    for (const Limit &limit : limits) {
        SCOPED_TRACE(limit.name);
        EXPECT_EQ(CSVImporter::read(limit.fits, CSVSeparator::comma, autoEnc).rows.size(), limit.rows);
        EXPECT_EQ(CSVImporter::read(limit.fits, autoSep, autoEnc).rows.size(), limit.rows);
        EXPECT_ISSUE(CSVImporter::read(limit.over, CSVSeparator::comma, autoEnc), TableIssue, TableIssue::large);
        // Every candidate fails, the semicolon and tab on the same limit.
        EXPECT_ISSUE(CSVImporter::read(limit.over, autoSep, autoEnc), TableIssue, TableIssue::csv);
    }
}
