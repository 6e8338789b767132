#include "core/table/WorkbookImporter.h"
#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"
#include "tests/common/ZipWriter.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrivane;
using testsupport::WorkbookBuilder;

namespace {

using Rows = QList<QList<QString>>;

const QString warning = QStringLiteral("mac.data_excel_values");

struct Case {
    Case(const char *name, QString rowsXml, Rows rows, bool warns = false)
        : name(name), rowsXml(std::move(rowsXml)), rows(std::move(rows)), warns(warns)
    {
    }
    Case(const char *name, QString rowsXml, TableIssue issue) : name(name), rowsXml(std::move(rowsXml)), issue(issue) {}
    const char *name;
    QString rowsXml;
    Rows rows;
    bool warns = false;
    std::optional<TableIssue> issue;
};

// A workbook of one sheet "S" whose shared strings are x, y and a rich text, and whose
// styles are: 0 general, 1 custom "000000", 2 custom "0.00", 3 built-in 1.
WorkbookBuilder sampleBook(const QString &rowsXml)
{
    WorkbookBuilder book;
    book.addSheet(QStringLiteral("S"), rowsXml);
    book.sharedStringsXml = QStringLiteral("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                           "<si><t>x</t></si><si><t>y</t></si>"
                                           "<si><r><rPr><b/></rPr><t>ab</t></r><r><t "
                                           "xml:space=\"preserve\">cd</t></r><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si>"
                                           "</sst>");
    book.numberFormats = {{164, QStringLiteral("000000")}, {165, QStringLiteral("0.00")}};
    book.cellFormats = {0, 164, 165, 1};
    return book;
}

void check(const QList<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = sampleBook(c.rowsXml).build();
        if (c.issue) {
            EXPECT_ISSUE(WorkbookImporter::read(data), TableIssue, *c.issue);
            continue;
        }
        try {
            const QList<ImportedSheet> sheets = WorkbookImporter::read(data);
            ASSERT_EQ(sheets.size(), 1);
            EXPECT_EQ(sheets[0],
                      ImportedSheet(QStringLiteral("S"), c.rows, c.warns ? QList<QString>{warning} : QList<QString>{}));
        } catch (const Error &error) {
            ADD_FAILURE() << "thrown: " << error.what();
        }
    }
}

QString cell(const QString &ref, const QString &attributes, const QString &inner)
{
    return QStringLiteral("<row><c r=\"%1\" %2>%3</c></row>").arg(ref, attributes, inner);
}

QString value(const QString &ref, const QString &attributes, const QString &v)
{
    return cell(ref, attributes, QStringLiteral("<v>%1</v>").arg(v));
}

// A text cell.
QString str(const QString &ref, const QString &v)
{
    return value(ref, QStringLiteral("t=\"str\""), v);
}

} // namespace

TEST(WorkbookImporter, ReadsEachCellType)
{
    check({
        {"shared string", value("A1", "t=\"s\"", "1"), {{"y"}}},
        {"shared string of runs without the phonetic run", value("A1", "t=\"s\"", "2"), {{"abcd"}}},
        {"shared string index with a sign", value("A1", "t=\"s\"", "+0"), {{"x"}}},
        {"negative shared string index", value("A1", "t=\"s\"", "-1"), TableIssue::workbook},
        {"shared string index past the end", value("A1", "t=\"s\"", "3"), TableIssue::workbook},
        {"shared string index with a blank", value("A1", "t=\"s\"", " 1"), TableIssue::workbook},
        {"shared string without value", cell("A1", "t=\"s\"", ""), TableIssue::workbook},
        {"inline string",
         cell("A1", "t=\"inlineStr\"", "<v>ignored</v><is><r><t>in</t></r><r><t>line</t></r></is>"),
         {{"inline"}}},
        {"true", value("A1", "t=\"b\"", "1"), {{"TRUE"}}},
        {"false", value("A1", "t=\"b\"", "0"), {{"FALSE"}}},
        {"boolean without value", cell("A1", "t=\"b\"", ""), {{"FALSE"}}},
        {"str, d and e as stored",
         str("A1", " s ") + value("B1", "t=\"d\"", "2024-01-31") + value("C1", "t=\"e\"", "#DIV/0!"),
         {{" s ", "2024-01-31", "#DIV/0!"}}},
        {"CDATA is not text", str("A1", "<![CDATA[zz]]>y"), {{"y"}}},
        {"number", value("A1", "", "12.5"), {{"12.5"}}, true},
        {"unknown type is a number", value("A1", "t=\"q\"", "7"), {{"7"}}, true},
        {"number padded", value("A1", "s=\"1\"", "123"), {{"000123"}}, true},
        {"number longer than the padding", value("A1", "s=\"1\"", "12345678"), {{"12345678"}}, true},
        {"decimal not padded", value("A1", "s=\"1\"", "12.5"), {{"12.5"}}, true},
        {"custom 0.00 not padded", value("A1", "s=\"2\"", "123"), {{"123"}}, true},
        {"built-in format not padded", value("A1", "s=\"3\"", "123"), {{"123"}}, true},
        {"style out of range", value("A1", "s=\"9\"", "123"), {{"123"}}, true},
        {"style not a number", value("A1", "s=\"x\"", "123"), {{"123"}}, true},
        {"empty number is skipped", value("A1", "", "") + str("B2", "k"), {{"", ""}, {"", "k"}}},
        {"formula with stored value", cell("A1", "", "<f>6*7</f><v>42</v>"), {{"42"}}, true},
        {"formula of a shared string", cell("A1", "t=\"s\"", "<f>A2</f><v>0</v>"), {{"x"}}, true},
        {"formula str with empty value", cell("A1", "t=\"str\"", "<f>A2</f><v></v>"), {{""}}, true},
        {"formula without value", cell("A1", "", "<f>6*7</f>"), TableIssue::formula},
        {"formula with empty number", cell("A1", "", "<f>6*7</f><v></v>"), TableIssue::formula},
        {"the example grid",
         value("B2", "t=\"s\"", "0") + value("C3", "", "5"),
         {{"", "", ""}, {"", "x", ""}, {"", "", "5"}},
         true},
        {"cells outside c are skipped", "<row><x r=\"A1\"><v>1</v></x></row>", Rows{}},
        {"text of 4096 characters",
         str("A1", QString(4096, u'e') + QString(4096, QChar(0x301))),
         {{QString(4096, u'e') + QString(4096, QChar(0x301))}}},
        {"text of 4097 characters", str("A1", QString(4097, u'e')), TableIssue::large},
        {"two cells at one address", str("A1", "a") + str("A1", "b"), TableIssue::large},
        {"an empty cell does not take its address", str("A1", "") + str("A1", "b"), {{"b"}}},
    });
}

TEST(WorkbookImporter, ReadsCellAddresses)
{
    for (const char *bad : {"a1", "A0", "$A$1", "A00000001", "11", "XFE1"})
        check({{bad, str(bad, "v"), TableIssue::workbook}});
    // GR10001 is inside the row and column limits but 2,000,200 cells: refused before the grid is built.
    for (const char *beyond : {"GS1", "A10002", "GR10001"})
        check({{beyond, str(beyond, "v"), TableIssue::large}});
    check({
        {"no reference", cell("", "t=\"str\"", "<v>v</v>").replace("r=\"\"", ""), TableIssue::workbook},
        {"empty cell with a bad reference", cell("a1", "", ""), TableIssue::workbook},
        {"Z9", str("Z9", "v"), Rows(8, QList<QString>(26)) + Rows{QList<QString>(25) + QList<QString>{"v"}}},
        {"cells in any order", str("C2", "c") + str("A2", "a") + str("B1", "b") + str("A3", "d"),
         Rows{{"", "b", ""}, {"a", "", "c"}, {"d", "", ""}}},
    });

    const QList<ImportedSheet> sheets = WorkbookImporter::read(sampleBook(str("AA10", "v")).build());
    ASSERT_EQ(sheets[0].rows.size(), 10);
    EXPECT_EQ(sheets[0].rows[9].size(), 27);
    EXPECT_EQ(sheets[0].rows[9][26], QStringLiteral("v"));
    const QList<ImportedSheet> corner = WorkbookImporter::read(sampleBook(str("GR2501", "v")).build());
    EXPECT_EQ(corner[0].rows.size() * corner[0].rows[0].size(), 500200);
}

TEST(WorkbookImporter, ResolvesRelationshipTargets)
{
    // Each row: the attributes of the relationships (with a worksheet type unless they
    // start with "!"), and the entry the worksheet is stored under.
    struct Target {
        const char *name;
        QList<QString> relationships;
        QString entry;
        std::optional<TableIssue> issue = {};
    };
    const Target targets[] = {
        {"relative", {"Id=\"rId1\" Target=\"worksheets/sheet1.xml\""}, "xl/worksheets/sheet1.xml"},
        {"absolute", {"Id=\"rId1\" Target=\"/xl/worksheets/sheet1.xml\""}, "xl/worksheets/sheet1.xml"},
        {"dots", {"Id=\"rId1\" Target=\"./a/../../x.xml\""}, "x.xml"},
        {"later duplicate wins", {"Id=\"rId1\" Target=\"no.xml\"", "Id=\"rId1\" Target=\"yes.xml\""}, "xl/yes.xml"},
        {"above the root", {"Id=\"rId1\" Target=\"../../x.xml\""}, "x.xml", TableIssue::workbook},
        {"external", {"Id=\"rId1\" Target=\"x.xml\" TargetMode=\"External\""}, "xl/x.xml", TableIssue::workbook},
        {"without type", {"!Id=\"rId1\" Target=\"x.xml\""}, "xl/x.xml", TableIssue::workbook},
        {"without target", {"Id=\"rId1\""}, "xl/x.xml", TableIssue::workbook},
        {"without attributes", {""}, "xl/x.xml", TableIssue::workbook},
        {"target not in the archive", {"Id=\"rId1\" Target=\"gone.xml\""}, "xl/x.xml", TableIssue::workbook},
    };
    const QString worksheet = QStringLiteral("Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                             "relationships/worksheet\" ");
    for (const Target &t : targets) {
        SCOPED_TRACE(t.name);
        WorkbookBuilder book = sampleBook(QString());
        book.sheets.clear();
        book.workbookXml = QStringLiteral("<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets>"
                                          "</workbook>");
        book.relationshipsXml = QStringLiteral("<Relationships>");
        for (const QString &attributes : t.relationships) {
            const bool untyped = attributes.isEmpty() || attributes.startsWith(u'!');
            *book.relationshipsXml += QStringLiteral("<Relationship %1%2/>")
                                          .arg(untyped ? QString() : worksheet, attributes.mid(untyped ? 1 : 0));
        }
        *book.relationshipsXml += QStringLiteral("</Relationships>");
        testsupport::ZipWriter zip = book.writer();
        zip.add(t.entry, WorkbookBuilder::worksheetXml(str("A1", "v")).toUtf8());
        if (t.issue)
            EXPECT_ISSUE(WorkbookImporter::read(zip.build()), TableIssue, *t.issue);
        else
            EXPECT_EQ(WorkbookImporter::read(zip.build())[0].rows, Rows{{"v"}});
    }
}

TEST(WorkbookImporter, ReadsSheetsInOrderAndSkipsChartSheets)
{
    WorkbookBuilder book;
    book.addSheet(QStringLiteral("First"), str("A1", "1"));
    book.addSheet(QStringLiteral("Chart"), QString()).chart = true;
    book.addSheet(QStringLiteral("Empty"), QString());
    book.addSheet(QStringLiteral("Second"), value("A1", "", "2"));
    const QList<ImportedSheet> sheets = WorkbookImporter::read(book.build());
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets[0], ImportedSheet(QStringLiteral("First"), {{"1"}}));
    EXPECT_EQ(sheets[1], ImportedSheet(QStringLiteral("Empty"), {}));
    EXPECT_EQ(sheets[2], ImportedSheet(QStringLiteral("Second"), {{"2"}}, {warning}));

    WorkbookBuilder charts;
    charts.addSheet(QStringLiteral("Chart"), QString()).chart = true;
    EXPECT_ISSUE(WorkbookImporter::read(charts.build()), TableIssue, TableIssue::workbook);

    for (int count : {0, 1, 50, 51}) {
        SCOPED_TRACE(count);
        WorkbookBuilder many;
        for (int i = 0; i < count; ++i)
            many.addSheet(QStringLiteral("S%1").arg(i), QString());
        if (count >= 1 && count <= 50)
            EXPECT_EQ(WorkbookImporter::read(many.build()).size(), count);
        else
            EXPECT_ISSUE(WorkbookImporter::read(many.build()), TableIssue, TableIssue::workbook);
    }

    // The grid total runs over all sheets.
    WorkbookBuilder wide;
    wide.addSheet(QStringLiteral("A"), str("GR2501", "v"));
    wide.addSheet(QStringLiteral("B"), str("A1", "v"));
    EXPECT_ISSUE(WorkbookImporter::read(wide.build()), TableIssue, TableIssue::large);
}

TEST(WorkbookImporter, RefusesBrokenWorkbooks)
{
    const QString ok = str("A1", "v");
    const auto nested = [](int levels) {
        // worksheet, sheetData, row and c are four levels; the rest nest inside the cell.
        return QStringLiteral("<row><c r=\"A1\" t=\"str\"><v>v</v>%1%2</c></row>")
            .arg(QStringLiteral("<x>").repeated(levels - 4), QStringLiteral("</x>").repeated(levels - 4));
    };
    check({
        {"32 levels", nested(32), {{"v"}}},
        {"33 levels", nested(33), TableIssue::workbook},
        {"entity reference", str("A1", "&nbsp;"), TableIssue::workbook},
        {"predefined entities", str("A1", "&lt;&amp;&#65;"), {{"<&A"}}},
        {"unclosed element", ok + "<row>", TableIssue::workbook},
    });

    // Whole parts replaced by broken ones.
    struct Part {
        const char *name;
        std::optional<QString> WorkbookBuilder::*part;
        QString xml;
    };
    const auto styles = &WorkbookBuilder::stylesXml, workbook = &WorkbookBuilder::workbookXml;
    const Part parts[] = {
        {"lower-case doctype", styles, "<!doctype s [<!entity e \"x\">]><styleSheet/>"},
        {"entity declaration", styles, "<styleSheet><!ENTITY e \"x\"></styleSheet>"},
        {"NUL", styles, QStringLiteral("<styleSheet>") + QChar(0) + "</styleSheet>"},
        {"no root", styles, "<?xml version=\"1.0\"?>"},
        {"two roots", styles, "<a/><b/>"},
        {"no sheets element", workbook, "<workbook/>"},
        {"sheet without name", workbook, "<workbook xmlns:r=\"r\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"},
        {"sheet without relationship", workbook,
         "<workbook><sheets><sheet name=\"S\" id=\"rId1\"/></sheets></workbook>"},
        {"unknown relationship", workbook,
         "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId9\"/></sheets></workbook>"},
    };
    for (const Part &part : parts) {
        SCOPED_TRACE(part.name);
        WorkbookBuilder book = sampleBook(ok);
        book.*part.part = part.xml;
        EXPECT_ISSUE(WorkbookImporter::read(book.build()), TableIssue, TableIssue::workbook);
    }

    // Missing parts, invalid UTF-8 and an archive that is no archive.
    for (const char *missing : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels"}) {
        testsupport::ZipWriter zip = sampleBook(ok).writer();
        zip.entries.removeIf([&](const testsupport::ZipEntry &e) { return e.name == missing; });
        EXPECT_ISSUE(WorkbookImporter::read(zip.build()), TableIssue, TableIssue::workbook);
    }
    testsupport::ZipWriter latin = sampleBook(ok).writer();
    latin.entries.last().data =
        "<worksheet><sheetData><row><c r=\"A1\" t=\"str\"><v>\xE9</v></c></row></sheetData></worksheet>";
    EXPECT_ISSUE(WorkbookImporter::read(latin.build()), TableIssue, TableIssue::workbook);
    // Parts are UTF-8 whatever their declaration says.
    latin.entries.last().data = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row>"
                                "<c r=\"A1\" t=\"str\"><v>\xC3\xA9</v></c></row></sheetData></worksheet>";
    EXPECT_EQ(WorkbookImporter::read(latin.build())[0].rows, Rows{{u"\u00E9"_qs}});
    EXPECT_ISSUE(WorkbookImporter::read("PK not a zip"), TableIssue, TableIssue::large);
    EXPECT_ISSUE(WorkbookImporter::read(QByteArray(100, 'x')), TableIssue, TableIssue::workbook);
}

TEST(WorkbookImporter, RefusesPartsOverTheirLimits)
{
    // Elements: 1,500,000 in all is the most one part may hold.
    const auto elements = [](int count) {
        // worksheet, sheetData and row are three; the rest are empty elements in the row.
        return QStringLiteral("<row>") + QStringLiteral("<x/>").repeated(count - 3) + QStringLiteral("</row>");
    };
    check({
        {"1,500,000 elements", elements(1500000), Rows{}},
        {"1,500,001 elements", elements(1500001), TableIssue::large},
    });

    // Character data: 24 MiB in all, counted whether it is kept or not.
    const QString filler = QStringLiteral("<row>%1</row>").arg(QString(25165824 - 1, u' '));
    check({
        {"24 MiB of text", filler + str("A1", "v"), {{"v"}}},
        {"24 MiB and two bytes of text", filler + str("A1", "vv"), TableIssue::large},
        {"CDATA is not counted", filler + str("A1", "<![CDATA[xx]]>v"), {{"v"}}},
    });
}

TEST(WorkbookImporter, WalksOnlyTheElementsThatHoldCells)
{
    check({
        {"only the first sheetData", str("A1", "a") + "</sheetData><sheetData>" + str("B1", "b"), {{"a"}}},
        {"rows of any name", "<x><c r=\"A1\" t=\"str\"><v>a</v></c></x>", {{"a"}}},
        {"cells only as children of rows", "<row><y><c r=\"A1\" t=\"str\"><v>a</v></c></y></row>", Rows{}},
        {"prefixed names", "<x:row><x:c r=\"A1\" t=\"str\"><x:v>p</x:v></x:c></x:row>", {{"p"}}},
        {"the first v and its own text", cell("A1", "t=\"str\"", "<v>a<x>b</x>c</v><v>d</v>"), {{"ac"}}},
        {"a v below the cell is no value", cell("A1", "t=\"str\"", "<x><v>a</v></x>"), Rows{}},
        {"an f anywhere among the children", cell("A1", "", "<v>3</v><x/><f/>"), {{"3"}}, true},
        {"inline runs at any depth, phonetic runs and text in t's children left out",
         cell("A1", "t=\"inlineStr\"",
              "<is><t>a<t>b</t>c</t><r><x><t>d</t></x></r><r><rPh><t>e</t></rPh><y><rPh><t>f</t></rPh></y></r>"
              "</is><is><t>g</t></is>"),
         {{"acd"}}},
    });

    // Shared strings: each root child named "si", the same rich text rules.
    WorkbookBuilder book = sampleBook(value("A1", "t=\"s\"", "0") + value("B1", "t=\"s\"", "1"));
    book.sharedStringsXml = QStringLiteral("<sst><si><t>a</t><x><t>b</t><rPh><t>p</t></rPh></x></si><x><si/></x>"
                                           "<x:si><r><t>c</t></r><t>d<t>e</t></t></x:si></sst>");
    EXPECT_EQ(WorkbookImporter::read(book.build())[0].rows, (Rows{{"ab", "cd"}}));
}

TEST(WorkbookImporter, RefusesWhatTheXmlRulesForbidInTheOrderFound)
{
    const auto sheet = [](const QString &inside) {
        return QStringLiteral("<worksheet><sheetData>%1</sheetData></worksheet>").arg(inside);
    };
    const QString name4096(4096, u'n');
    const QString formula = cell("A1", "", "<f>1</f>");
    const QString deep = QStringLiteral("<x>").repeated(31) + QStringLiteral("</x>").repeated(31);
    struct Part {
        const char *name;
        QString xml;
        std::optional<TableIssue> issue; // none: read, without cells
    };
    const Part parts[] = {
        {"version 1.0", "<?xml version=\"1.0\"?>" + sheet(""), std::nullopt},
        {"version 1.1", "<?xml version=\"1.1\"?>" + sheet(""), TableIssue::workbook},
        {"two colons in a name", sheet("<a:b:c/>"), TableIssue::workbook},
        {"a leading colon", sheet("<:a/>"), TableIssue::workbook},
        {"a trailing colon", sheet("<a:/>"), TableIssue::workbook},
        {"an attribute with two colons", sheet("<a x::y=\"1\"/>"), TableIssue::workbook},
        {"an instruction target with a colon", sheet("<?a:b x?>"), TableIssue::workbook},
        {"a name of 4096 characters", sheet("<" + name4096 + "/>"), std::nullopt},
        {"a name of 4097 characters", sheet("<" + name4096 + "n/>"), TableIssue::workbook},
        {"an attribute name of 4097 characters", sheet("<a " + name4096 + "n=\"1\"/>"), TableIssue::workbook},
        {"a declaration inside a comment", "<!-- <!DocType x> -->" + sheet(""), TableIssue::workbook},
        {"an attribute name with a control character", sheet("<a b\001c=\"1\"/>"), TableIssue::workbook},
        {"two byte-order marks", u"\uFEFF\uFEFF"_qs + sheet(""), std::nullopt},
        {"three byte-order marks", u"\uFEFF\uFEFF\uFEFF"_qs + sheet(""), TableIssue::workbook},
        {"a cell fault, then bad XML", sheet(formula + "<a:b:c/>"), TableIssue::workbook},
        {"a cell fault, then too deep", sheet(formula + deep), TableIssue::workbook},
        {"the first cell fault wins", sheet(formula + str("a1", "v")), TableIssue::formula},
        {"the first cell fault wins, reversed", sheet(str("a1", "v") + formula), TableIssue::workbook},
        {"a cell fault, then a cell beyond the rows", sheet(formula + str("A10002", "v")), TableIssue::formula},
    };
    for (const Part &part : parts) {
        SCOPED_TRACE(part.name);
        testsupport::ZipWriter zip = sampleBook(QString()).writer();
        zip.entries.last().data = part.xml.toUtf8();
        if (part.issue)
            EXPECT_ISSUE(WorkbookImporter::read(zip.build()), TableIssue, *part.issue);
        else
            EXPECT_EQ(WorkbookImporter::read(zip.build())[0].rows, Rows{});
    }
}
