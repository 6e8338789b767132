#include "core/table/CSVImporter.h"
#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <variant>

using namespace kestrivane;

namespace {

using Rows = QList<QList<QString>>;
constexpr auto autoSep = CSVSeparator::automatic;
constexpr auto autoEnc = CSVEncoding::automatic;

struct Case {
    Case(const char *name, QByteArray data, Rows rows, CSVSeparator separator = autoSep, CSVEncoding encoding = autoEnc)
        : name(name), data(std::move(data)), expected(std::move(rows)), separator(separator), encoding(encoding)
    {
    }
    Case(const char *name, QByteArray data, TableIssue issue, CSVSeparator separator = autoSep,
         CSVEncoding encoding = autoEnc)
        : name(name), data(std::move(data)), expected(issue), separator(separator), encoding(encoding)
    {
    }
    const char *name;
    QByteArray data;
    std::variant<Rows, TableIssue> expected;
    CSVSeparator separator;
    CSVEncoding encoding;
};

void check(const QList<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (const TableIssue *issue = std::get_if<TableIssue>(&c.expected)) {
            EXPECT_ISSUE(CSVImporter::read(c.data, c.separator, c.encoding), TableIssue, *issue);
            continue;
        }
        try {
            const ImportedSheet sheet = CSVImporter::read(c.data, c.separator, c.encoding);
            EXPECT_EQ(sheet, ImportedSheet(QStringLiteral("CSV"), std::get<Rows>(c.expected)));
        } catch (const Error &error) {
            ADD_FAILURE() << "thrown: " << error.what();
        }
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

const Rows abRows{{"a", "b"}, {"1", "2"}};
const QByteArray bom = "\xEF\xBB\xBF";

} // namespace

TEST(CSVImporter, DecodesEachEncoding)
{
    const QString ab = QStringLiteral("a;b\r\n1;2");
    constexpr auto utf8 = CSVEncoding::utf8, utf16Chosen = CSVEncoding::utf16;
    check({
        {"utf-8 without mark", "a;b\n1;2\n", abRows},
        {"utf-8 with mark", bom + "a;b\n1;2", abRows},
        {"only one mark is dropped", bom + bom + "a", {{u"\uFEFFa"_qs}}, autoSep, utf8},
        {"utf-16 little-endian mark", utf16(ab, true, true), abRows},
        {"utf-16 big-endian mark", utf16(ab, false, true), abRows},
        {"utf-16 big-endian mark, chosen", utf16(ab, false, true), abRows, autoSep, utf16Chosen},
        {"utf-16 without mark is big-endian", utf16(ab, false, false), abRows, autoSep, utf16Chosen},
        {"utf-16 mark inside stays", utf16(u"\uFEFF\uFEFFx"_qs, true, false), {{u"\uFEFFx"_qs}}, autoSep, utf16Chosen},
        {"utf-16 surrogate pair", utf16(u"\U0001F600;x"_qs, true, true), {{u"\U0001F600"_qs, "x"}}},
        {"utf-16 odd length", utf16(ab, true, true) + "a", TableIssue::encoding},
        {"utf-16 lone surrogate", utf16(u"a"_qs, true, true) + QByteArray("\x00\xD8", 2), TableIssue::encoding},
        {"NUL character", QByteArray("a;b\0", 4), TableIssue::encoding},
        {"invalid utf-8", "a;\xC3\x28", TableIssue::encoding},
        {"invalid utf-8 is not taken for windows-1251", "\xC0\xC1", TableIssue::encoding},
        {"utf-8 chosen for a utf-16 file", utf16(ab, true, true), TableIssue::encoding, autoSep, utf8},
        {"windows-1251 map",
         "\xC0\xFF;\xA8\xB8;\x88\xB9;\x98",
         {{u"\u0410\u044F"_qs, u"\u0401\u0451"_qs, u"\u20AC\u2116"_qs, u"\u0098"_qs}},
         CSVSeparator::semicolon,
         CSVEncoding::windows1251},
        {"over 16 MiB", QByteArray(16777217, 'a'), TableIssue::large, CSVSeparator::comma, utf8},
    });
}

TEST(CSVImporter, ChoosesTheSeparatorThatSplitsTheFirstRowsEvenly)
{
    check({
        {"commas", "a,b,c\n1,2,3\n", {{"a", "b", "c"}, {"1", "2", "3"}}},
        {"tie goes to the semicolon", "x;y,z", {{"x", "y,z"}}},
        {"tabs", "a\tb;c\n1\t2\n", {{"a", "b;c"}, {"1", "2"}}},
        {"one column is split at semicolons", "a\nb,c\n", {{"a"}, {"b,c"}}},
        {"consistent rows beat a wide first row", "a,b,c,d;e\n1;2\n3;4\n", {{"a,b,c,d", "e"}, {"1", "2"}, {"3", "4"}}},
        // The best scored candidate fails after the rows that are scored.
        {"best candidate fails late", QByteArray("a,b\n").repeated(40) + "a;\"b,c\"\n",
         Rows(40, {"a,b"}) + Rows{{"a", "b,c"}}},
        {"a quoted field spans the scored rows",
         "\"" + QByteArray("l\n").repeated(40) + "\",x\n1,2\n",
         {{QString(QStringLiteral("l\n")).repeated(40), "x"}, {"1", "2"}}},
        {"every candidate fails", "a\"b", TableIssue::csv},
        {"empty file, automatic", "", TableIssue::csv},
        {"empty file, comma", "", TableIssue::empty, CSVSeparator::comma},
    });
}

TEST(CSVImporter, ParsesTheGrammar)
{
    constexpr auto comma = CSVSeparator::comma;
    check({
        {"quoted line break and doubled quote", "a,\"b\nc\"\"d\",e", {{"a", "b\nc\"d", "e"}}, comma},
        {"quoted CRLF and separator", "\"x,\r\ny\",z\r\n", {{"x,\r\ny", "z"}}, comma},
        {"empty quoted field", "\"\",a", {{"", "a"}}, comma},
        {"only an empty quoted field", "\"\"", {{""}}, comma},
        {"empty line is one empty field", "a,b\r\n\r\nc", {{"a", "b"}, {""}, {"c"}}, comma},
        {"CR alone ends a row", "a\rb\r", {{"a"}, {"b"}}, comma},
        {"LF CR is two breaks", "a\n\rb", {{"a"}, {""}, {"b"}}, comma},
        {"final break adds no row", "a,b\n", {{"a", "b"}}, comma},
        {"trailing separator", "a,\n", {{"a", ""}}, comma},
        {"blanks are kept", " a , b ", {{" a ", " b "}}, comma},
        {"ragged rows", "a\nb,c,d\n", {{"a"}, {"b", "c", "d"}}, comma},
        {"tab separator", "a\tb,c", {{"a", "b,c"}}, CSVSeparator::tab},
        {"text after a closing quote", "\"a\"b", TableIssue::csv, comma},
        {"quote after text", "ab\"c\"", TableIssue::csv, comma},
        {"quote after a closed quote", "\"a\"\"", TableIssue::csv, comma},
        {"unterminated quote", "a,\"b\n", TableIssue::csv, comma},
        {"only a mark", bom, TableIssue::empty, comma},
    });
}

TEST(CSVImporter, RefusesBeyondEachLimit)
{
    const QByteArray field4096(4096, 'x');
    const QByteArray emoji = QByteArray("\xF0\x9F\x98\x80").repeated(4096);
    // Fields long enough that a whole row read as one field is over the field limit,
    // so that the semicolon and the tab fail as well.
    const QByteArray x21(21, 'x'), x41(41, 'x');
    const QByteArray fields200 = (x21 + ",").repeated(199) + x21;
    const QByteArray ab = "a,b\n";
    struct Limit {
        const char *name;
        QByteArray fits;
        QByteArray over;
        qsizetype rows;
        // With the automatic separator: too large when every candidate fails on a limit,
        // malformed when one of them fails on the grammar.
        TableIssue automatic = TableIssue::large;
    };
    const Limit limits[] = {
        {"field of 4096 scalars", ab + field4096 + ",b", ab + field4096 + "x,b", 2},
        {"field of 4096 emoji", ab + emoji + ",b", ab + emoji + "x,b", 2},
        {"quoted field of 4096", "a,\"" + field4096 + "\"", "a,\"" + field4096 + "x\"", 1, TableIssue::csv},
        {"200 fields", fields200, fields200 + "," + x21, 1},
        {"10001 rows", ab.repeated(10001), ab.repeated(10002), 10001},
        {"500200 cells", (fields200 + "\n").repeated(2501), (fields200 + "\n").repeated(2502), 2501},
        {"cells by a late wide row", ab.repeated(5000) + (x41 + ",").repeated(99) + x41,
         ab.repeated(5000) + (x41 + ",").repeated(100) + x41, 5001},
    };
    for (const Limit &limit : limits) {
        SCOPED_TRACE(limit.name);
        EXPECT_EQ(CSVImporter::read(limit.fits, CSVSeparator::comma, autoEnc).rows.size(), limit.rows);
        EXPECT_EQ(CSVImporter::read(limit.fits, autoSep, autoEnc).rows.size(), limit.rows);
        EXPECT_ISSUE(CSVImporter::read(limit.over, CSVSeparator::comma, autoEnc), TableIssue, TableIssue::large);
        EXPECT_ISSUE(CSVImporter::read(limit.over, autoSep, autoEnc), TableIssue, limit.automatic);
    }
}
