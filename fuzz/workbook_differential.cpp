// Reads each input with the streaming workbook reader and with the tree reader it
// replaced (fuzz/TreeWorkbookOracle.h), and aborts when they differ in the sheets, rows,
// warnings or the issue refused with. An input that begins like a ZIP archive is read as
// it is; any other is split into parts as for fuzz_workbook_parts. The mutator works on
// the XML of the parts (an archive is first taken apart): it inserts the characters and
// constructs where two XML parsers tend to disagree (":", "<", "&", "]]>", CDATA, other
// declaration versions, long and odd names, deep nesting) and breaks cells (duplicate and
// out-of-range addresses, other types, formulas), then packs the parts again.
// Three differences are known and not faults of the streaming reader, which refuses them
// as a damaged workbook: a name longer than 4,096 characters (QXmlStreamReader splits it
// at its buffer and goes on with a wrong name or fails further on, depending on its
// length and what it holds); an attribute name holding a character that no XML name may
// hold, such as a control character (QXmlStreamReader does not check attribute names);
// and an XML declaration that repeats its encoding or standalone pseudo-attribute (which
// QXmlStreamReader lets through). When the readers differ on such an input it is
// counted, not reported.
// At exit it prints how many inputs were compared, read and refused.
// Run it over copies of the two workbook corpora, e.g.
// `fuzz_workbook_differential -runs=100000 <copy of fuzz/corpus/workbook_parts> fuzz/corpus/workbook`.

#include "core/common/TableIssue.h"
#include "core/table/WorkbookArchive.h"
#include "core/table/WorkbookImporter.h"
#include "fuzz/TableInputs.h"
#include "fuzz/TreeWorkbookOracle.h"

#include <expat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <variant>

using namespace kestrivane;

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

namespace {

constexpr char archiveStart[] = "PK\x03\x04";
const char *const partNames[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                                 "xl/styles.xml",   "xl/worksheets/sheet1.xml",   "xl/worksheets/sheet2.xml"};

// Sheets, or the issue, or a failure that is no TableError (always a fault).
using Outcome = std::variant<QList<ImportedSheet>, TableIssue, QString>;

template <typename Read>
Outcome outcomeOf(Read read, const QByteArray &archive)
{
    try {
        return read(archive);
    } catch (const TableError &error) {
        return error.issue();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
}

QString describe(const Outcome &outcome)
{
    if (const auto *issue = std::get_if<TableIssue>(&outcome))
        return QStringLiteral("refused: ") + rawValue(*issue);
    if (const auto *failure = std::get_if<QString>(&outcome))
        return QStringLiteral("failed: ") + *failure;
    QString text;
    for (const ImportedSheet &sheet : std::get<QList<ImportedSheet>>(outcome)) {
        text += QStringLiteral("sheet %1 (%2 rows, warnings %3)\n")
                    .arg(sheet.name)
                    .arg(sheet.rows.size())
                    .arg(sheet.warnings.join(u','));
        for (const QList<QString> &row : sheet.rows)
            text += QStringLiteral("  [") + row.join(QStringLiteral("|")).left(200) + QStringLiteral("]\n");
    }
    return text;
}

QByteArray archiveOf(const QByteArray &input)
{
    return input.startsWith(archiveStart) ? input : tablefuzz::workbookFromParts(input);
}

// The parts of an archive input in the parts format (missing ones empty); other inputs as they are.
QByteArray partsOf(const QByteArray &input)
{
    if (!input.startsWith(archiveStart))
        return input;
    QByteArray parts;
    try {
        const WorkbookArchive archive(input);
        for (std::size_t i = 0; i < std::size(partNames); ++i) {
            if (i > 0)
                parts += tablefuzz::partMarker;
            const QString name = QString::fromLatin1(partNames[i]);
            if (archive.contains(name))
                parts += archive.read(name);
        }
    } catch (const TableError &) {
        return input;
    }
    return parts;
}

using Parser = std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)>;

// The part as the streaming reader hands it to expat.
QByteArrayView parsedBytes(const QByteArray &part)
{
    QByteArrayView bytes(part);
    return bytes.startsWith("\xEF\xBB\xBF\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

// True when the part holds a run of more than 4,096 characters that may be one name, or
// expat meets an element, attribute or instruction name that long.
bool longName(const QByteArray &part)
{
    qsizetype run = 0;
    for (const char c : part) {
        if (std::strchr("<>/=?!&;\"' \t\r\n", c) != nullptr)
            run = 0;
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++run > 4096)
            return true;
    }

    const Parser parser(XML_ParserCreate("UTF-8"), &XML_ParserFree);
    static constexpr auto tooLong = [](const char *name) {
        qsizetype characters = 0;
        for (const char *p = name; *p; ++p)
            characters += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
        return characters > 4096;
    };
    bool found = false;
    XML_SetUserData(parser.get(), &found);
    XML_SetStartElementHandler(parser.get(), [](void *data, const XML_Char *name, const XML_Char **attributes) {
        bool &found = *static_cast<bool *>(data);
        found = found || tooLong(name);
        for (; *attributes; attributes += 2)
            found = found || tooLong(*attributes);
    });
    XML_SetProcessingInstructionHandler(parser.get(), [](void *data, const XML_Char *target, const XML_Char *) {
        bool &found = *static_cast<bool *>(data);
        found = found || tooLong(target);
    });
    const QByteArrayView bytes = parsedBytes(part);
    XML_Parse(parser.get(), bytes.data(), int(bytes.size()), XML_TRUE);
    return found;
}

// True when expat stops on a part at a character inside an attribute name: after the
// element's name, outside quotes, in the open tag.
bool badAttributeName(const QByteArray &part)
{
    const Parser parser(XML_ParserCreate("UTF-8"), &XML_ParserFree);
    const QByteArrayView bytes = parsedBytes(part);
    if (XML_Parse(parser.get(), bytes.data(), int(bytes.size()), XML_TRUE) == XML_STATUS_OK ||
        XML_GetErrorCode(parser.get()) != XML_ERROR_INVALID_TOKEN)
        return false;
    // Back to the "<" of the tag, then forward over its quoted values.
    const qsizetype at = qsizetype(XML_GetCurrentByteIndex(parser.get()));
    qsizetype open = at;
    while (open > 0 && bytes[open] != '<')
        --open;
    if (bytes[open] != '<')
        return false;
    char quote = 0;
    bool blank = false;
    for (qsizetype i = open + 1; i < at; ++i) {
        const char c = bytes[i];
        if (quote != 0)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '<' || c == '>')
            return false;
        else
            blank = blank || c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }
    return quote == 0 && blank;
}

// True when the part's XML declaration names its encoding or standalone state twice.
bool repeatedDeclaration(const QByteArray &part)
{
    const QByteArrayView bytes = parsedBytes(part);
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (!bytes.sliced(start).startsWith("<?xml"))
        return false;
    const qsizetype end = bytes.indexOf("?>", start);
    const QByteArrayView declaration = bytes.sliced(start, (end < 0 ? bytes.size() : end) - start);
    return declaration.count("encoding") > 1 || declaration.count("standalone") > 1;
}

bool anyPart(const QByteArray &input, bool (*test)(const QByteArray &))
{
    if (input.startsWith(archiveStart))
        return false;
    qsizetype from = 0;
    while (from <= input.size()) {
        qsizetype end = input.indexOf(tablefuzz::partMarker, from);
        if (end < 0)
            end = input.size();
        if (test(input.mid(from, end - from)))
            return true;
        from = end + qsizetype(std::strlen(tablefuzz::partMarker));
    }
    return false;
}

struct Counts {
    quint64 compared = 0;
    quint64 longNames = 0;
    quint64 badAttributeNames = 0;
    quint64 repeatedDeclarations = 0;
    quint64 read = 0;
    quint64 refused[16] = {};
    ~Counts()
    {
        std::fprintf(stderr, "differential: %llu inputs compared, %llu read", (unsigned long long)compared,
                     (unsigned long long)read);
        for (int i = 0; i < 16; ++i) {
            if (refused[i])
                std::fprintf(stderr, ", %llu %s", (unsigned long long)refused[i],
                             qPrintable(rawValue(TableIssue(i))));
        }
        std::fprintf(stderr, "; known differences: %llu long names, %llu attribute names, %llu declarations\n",
                     (unsigned long long)longNames, (unsigned long long)badAttributeNames,
                     (unsigned long long)repeatedDeclarations);
    }
};
Counts counts;

// One structured change to the XML of the parts.
QByteArray mutateParts(QByteArray parts, std::mt19937 &random)
{
    const auto pick = [&](qsizetype n) { return n <= 0 ? qsizetype(0) : qsizetype(random() % quint64(n)); };
    // A position just after a ">" when there is one, so that the change lands between tags.
    const auto tagEnd = [&] {
        for (int tries = 0; tries < 8; ++tries) {
            const qsizetype at = parts.indexOf('>', pick(parts.size()));
            if (at >= 0)
                return at + 1;
        }
        return pick(parts.size() + 1);
    };
    const auto replaceOne = [&](const QByteArray &from, const QByteArray &to) {
        const qsizetype at = parts.indexOf(from, pick(parts.size()));
        const qsizetype found = at >= 0 ? at : parts.indexOf(from);
        if (found >= 0)
            parts.replace(found, from.size(), to);
    };
    // Anywhere: mostly breaks the XML.
    static const QByteArray tokens[] = {
        ":", "<", "&", "]]>", ">", "\"", "&#0;", "&#xD800;", "&nbsp;", "<![CDATA[", "<!-- <!doctype -->",
        "<?a:b x?>", "<?xml version=\"1.0\"?>", "\r\n", "\r", "\xC3\xA9", "\xF0\x9F\x98\x80", "</x>",
        "<a::b/>", "<:a/>", "<a:/>", " a:b:c=\"1\"", " :x=\"1\"", " x:=\"1\"", " r=\"B2\"", " t=\"s\"",
    };
    // Between tags: well-formed, so that the reading goes on.
    static const QByteArray fragments[] = {
        "&lt;", "&amp;", "&#65;", "&#x10000;", "<![CDATA[x]]>", "<![CDATA[<c r=\"A1\"><v>1</v></c>]]>",
        "<!-- c -->", "<?pi x?>", "\r\n", "\xC3\xA9", "\xF0\x9F\x98\x80", "<t>n</t>", "<rPh><t>p</t></rPh>",
        "<r><t>q</t></r>", "<t>a<t>b</t></t>", "<f>1</f>", "<f/>", "<v>5</v>", "<v></v>", "<is><t>i</t></is>",
        "<x/>", "<sheetData/>", "<row/>", "<x:c r=\"C3\"><x:v>9</x:v></x:c>", "<c r=\"A1\" t=\"str\"><v>d</v></c>",
        "<c r=\"B2\" t=\"inlineStr\"><is><r><t>r</t></r><rPh><t>p</t></rPh></is></c>", "<c r=\"D4\"><f/></c>",
        "<row><c r=\"E5\" t=\"s\"><v>1</v></c></row>", "<si><t>s</t></si>", "<si/>", "x", " ",
    };
    static const QByteArray declarations[] = {
        "<?xml version=\"1.0\"?>", "<?xml version=\"1.1\"?>", "<?xml version=\"2.0\"?>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "<?xml version='1.0' standalone='no'?>",
        "<?xml version=\"1.0\" standalone=\"maybe\"?>", "<?xml version=\"1.10\"?>", " <?xml version=\"1.0\"?>",
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>", "\xEF\xBB\xBF",
    };
    static const QByteArray references[] = {"A1",  "B2",      "A10002", "GS1",     "GR10001", "GR2501", "A0",
                                            "a1",  "$A$1",    "XFE1",   "A12345678", "",       "ZZ1",    "A10001"};
    static const QByteArray types[] = {"s", "inlineStr", "b", "str", "d", "e", "n", "q", ""};
    switch (random() % 14) {
    case 0: parts.insert(pick(parts.size() + 1), tokens[random() % std::size(tokens)]); break;
    case 1:
    case 2:
    case 12:
    case 13: parts.insert(tagEnd(), fragments[random() % std::size(fragments)]); break;
    case 3: {
        // A declaration at the start of a part.
        qsizetype at = 0;
        for (qsizetype n = pick(6), next; n > 0 && (next = parts.indexOf(tablefuzz::partMarker, at)) >= 0; --n)
            at = next + qsizetype(std::strlen(tablefuzz::partMarker));
        const QByteArray declaration = declarations[random() % std::size(declarations)];
        if (parts.mid(at, 5) == "<?xml") {
            const qsizetype close = parts.indexOf("?>", at);
            parts.replace(at, close < 0 ? 0 : close + 2 - at, declaration);
        } else {
            parts.insert(at, declaration);
        }
        break;
    }
    case 4: {
        // Deep nesting around the limit of 32 levels.
        const int levels = 24 + int(random() % 12);
        const QByteArray name = random() % 2 ? "x" : "t";
        parts.insert(tagEnd(), "<" + name + ">" + QByteArray("<" + name + ">").repeated(levels - 1) + "z" +
                                   QByteArray("</" + name + ">").repeated(levels));
        break;
    }
    case 5: {
        // A cell or row repeated.
        const QByteArray open = random() % 2 ? "<c " : "<row";
        const QByteArray close = open == "<c " ? "</c>" : "</row>";
        const qsizetype from = parts.indexOf(open, pick(parts.size()));
        const qsizetype to = from < 0 ? -1 : parts.indexOf(close, from);
        if (to >= 0)
            parts.insert(to + close.size(), parts.mid(from, to + close.size() - from));
        break;
    }
    case 6: replaceOne("r=\"", "r=\"" + references[random() % std::size(references)] + "\" x=\""); break;
    case 7: replaceOne("<c ", "<c t=\"" + types[random() % std::size(types)] + "\" "); break;
    case 8: {
        // Long names around the limit of 4,096 characters.
        const QByteArray name = QByteArray(4090 + int(random() % 10), 'n');
        switch (random() % 4) {
        case 0: parts.insert(tagEnd(), "<" + name + "/>"); break;
        case 1: parts.insert(tagEnd(), "<a " + name + "=\"1\"/>"); break;
        case 2: parts.insert(tagEnd(), "<x:" + name.mid(2) + "/>"); break;
        default: parts.insert(tagEnd(), "<?" + name + " d?>"); break;
        }
        break;
    }
    case 9: {
        // A prefix on every element of a name the reader looks at.
        static const QByteArray names[] = {"c", "v", "t", "is", "si", "rPh", "f", "sheetData", "row", "sheets"};
        const QByteArray name = names[random() % std::size(names)];
        for (const char *after : {">", " ", "/"})
            parts.replace("<" + name + after, "<x:" + name + after);
        parts.replace("</" + name + ">", "</x:" + name + ">");
        break;
    }
    case 10: {
        // A piece cut out or repeated.
        const qsizetype from = pick(parts.size());
        const qsizetype length = pick(std::min<qsizetype>(64, parts.size() - from) + 1);
        if (random() % 2)
            parts.remove(from, length);
        else
            parts.insert(from, parts.mid(from, length));
        break;
    }
    default: {
        // Another value in a cell.
        static const QByteArray values[] = {"0", "1", "2", "-1", "+0", " 1", "123", "12.5", "", "x", "00042"};
        replaceOne("<v>", "<v>" + values[random() % std::size(values)] + "</v><v>");
        break;
    }
    }
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray archive = archiveOf(input);
    const Outcome streamed = outcomeOf(&WorkbookImporter::read, archive);
    const Outcome tree = outcomeOf(&treeoracle::read, archive);
    ++counts.compared;
    if (streamed != tree && streamed == Outcome(TableIssue::workbook)) {
        if (anyPart(input, &longName)) {
            ++counts.longNames;
            return 0;
        }
        if (anyPart(input, &badAttributeName)) {
            ++counts.badAttributeNames;
            return 0;
        }
        if (anyPart(input, &repeatedDeclaration)) {
            ++counts.repeatedDeclarations;
            return 0;
        }
    }
    if (streamed != tree || std::holds_alternative<QString>(streamed)) {
        std::fprintf(stderr, "readers differ\nstreaming: %s\ntree: %s\n", qPrintable(describe(streamed)),
                     qPrintable(describe(tree)));
        std::abort();
    }
    if (const auto *issue = std::get_if<TableIssue>(&streamed))
        ++counts.refused[int(*issue) & 15];
    else
        ++counts.read;
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned int seed)
{
    std::mt19937 random(seed);
    // Now and then the plain byte mutations, which also reach the archive inputs' headers.
    if (random() % 8 == 0)
        return LLVMFuzzerMutate(data, size, maxSize);
    QByteArray parts = partsOf(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (int n = random() % 4 == 0 ? 2 : 1; n > 0; --n)
        parts = mutateParts(std::move(parts), random);
    const auto length = std::min<size_t>(size_t(parts.size()), maxSize);
    std::memcpy(data, parts.constData(), length);
    return length;
}
