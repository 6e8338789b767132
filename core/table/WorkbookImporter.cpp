#include "core/table/WorkbookImporter.h"

#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"
#include "core/table/WorkbookArchive.h"
#include "core/table/WorkbookXml.h"

#include <QByteArrayView>
#include <QHash>
#include <QSet>

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrivane {

namespace {

using namespace workbookxml;

// Parses the part at `path`, inflated straight into the parser's buffer.
template <typename Handler> void parseEntry(const WorkbookArchive &archive, const QString &path, Handler &handler)
{
    parsePart(archive.sizeOf(path), [&](char *buffer) { archive.read(path, buffer); }, handler);
}

// The element tree of a small part (workbook, relationships, styles), as a flat arena:
// nodes link to their first child and next sibling by index, and attribute values live in
// one shared string. Only the attributes above are kept, and no text.
class SheetXML {
public:
    static constexpr qint32 none = -1;

    static SheetXML read(const WorkbookArchive &archive, const QString &path)
    {
        SheetXML tree;
        parseEntry(archive, path, tree);
        return tree;
    }

    qint32 root() const { return 0; }
    std::optional<QStringView> attribute(qint32 node, Key key) const;

    // The first child of that name, or `none`.
    qint32 child(qint32 node, Name name) const
    {
        for (qint32 c = m_nodes[node].firstChild; c != none; c = m_nodes[c].nextSibling) {
            if (m_nodes[c].name == name)
                return c;
        }
        return none;
    }
    qint32 firstChild(qint32 node) const { return m_nodes[node].firstChild; }
    qint32 nextSibling(qint32 node) const { return m_nodes[node].nextSibling; }

    // Part events.
    void start(Name name, const XML_Char **attributes, int level);
    void characters(const char *, int, int) {}
    void end(int) { m_open.pop_back(); }

private:
    struct Node {
        qint32 firstChild = none;
        qint32 nextSibling = none;
        qint32 firstAttribute = 0;
        Name name = Name::other;
        quint8 attributeCount = 0;
    };
    struct Attribute {
        Key key;
        qint32 offset;
        qint32 length;
    };
    struct Open {
        qint32 node;
        qint32 lastChild;
    };

    std::vector<Node> m_nodes;
    std::vector<Attribute> m_attributes;
    std::vector<Open> m_open;
    QString m_pool;
};

std::optional<QStringView> SheetXML::attribute(qint32 node, Key key) const
{
    const Node &n = m_nodes[node];
    for (qint32 a = n.firstAttribute; a < n.firstAttribute + n.attributeCount; ++a) {
        if (m_attributes[a].key == key)
            return QStringView(m_pool).sliced(m_attributes[a].offset, m_attributes[a].length);
    }
    return std::nullopt;
}

void SheetXML::start(Name name, const XML_Char **attributes, int)
{
    const auto index = qint32(m_nodes.size());
    Node node;
    node.name = name;
    node.firstAttribute = qint32(m_attributes.size());
    for (const XML_Char **a = attributes; *a; a += 2) {
        if (const std::optional<Key> key = keyOf(a[0])) {
            const QString value = QString::fromUtf8(a[1]);
            if (m_pool.size() + value.size() > std::numeric_limits<qint32>::max())
                throwIssue(TableIssue::large);
            m_attributes.push_back({*key, qint32(m_pool.size()), qint32(value.size())});
            m_pool.append(value);
            ++node.attributeCount;
        }
    }
    m_nodes.push_back(node);
    if (!m_open.empty()) {
        Open &parent = m_open.back();
        if (parent.lastChild == none)
            m_nodes[parent.node].firstChild = index;
        else
            m_nodes[parent.lastChild].nextSibling = index;
        parent.lastChild = index;
    }
    m_open.push_back({index, none});
}

// The text of a rich string, gathered as its subtree streams by: the direct character
// data of every "t" element, runs joined, leaving out phonetic runs ("rPh") at any depth;
// elements inside a "t" add nothing. Fed only the elements below the string's own.
class RichText {
public:
    void start(Name name, int level)
    {
        if (m_text != 0 || m_phonetic != 0)
            return;
        if (name == Name::t)
            m_text = level;
        else if (name == Name::rPh)
            m_phonetic = level;
    }
    void characters(const char *text, int length, int level)
    {
        if (level == m_text)
            m_gathered.append(text, std::size_t(length));
    }
    void end(int level)
    {
        if (level == m_text)
            m_text = 0;
        else if (level == m_phonetic)
            m_phonetic = 0;
    }
    QString take()
    {
        QString text = QString::fromUtf8(m_gathered.data(), qsizetype(m_gathered.size()));
        clear();
        return text;
    }
    void clear()
    {
        m_gathered.clear();
        m_text = m_phonetic = 0;
    }

private:
    int m_text = 0;     // level of the open "t", 0 outside one
    int m_phonetic = 0; // level of the open "rPh", 0 outside one
    std::string m_gathered;
};

// 0-based row and column of a reference such as "B12": upper-case letters, then at
// most seven digits; no "$", no lower case.
std::optional<std::pair<qint64, qint64>> address(std::string_view reference)
{
    qint64 column = 0;
    qint64 row = 0;
    int digits = 0;
    for (const char c : reference) {
        if (c >= 'A' && c <= 'Z') {
            if (digits > 0)
                return std::nullopt;
            column = column * 26 + (c - 'A' + 1);
            if (column > 16384)
                return std::nullopt;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 7)
                return std::nullopt;
            row = row * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (column < 1 || digits == 0 || row < 1)
        return std::nullopt;
    return std::pair{row - 1, column - 1};
}

// A relationship target as an archive path: relative to "xl", or to the archive's
// root when it begins with "/". ".." above the root is refused.
QString archivePath(QStringView target)
{
    QList<QStringView> components;
    if (!target.startsWith(u'/'))
        components.append(u"xl");
    for (QStringView component : target.split(u'/', Qt::SkipEmptyParts)) {
        if (component == u"..") {
            if (components.isEmpty())
                malformed();
            components.removeLast();
        } else if (component != u".") {
            components.append(component);
        }
    }
    QString path;
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (i > 0)
            path += u'/';
        path += components[i];
    }
    return path;
}

bool isAsciiDigits(std::string_view text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::optional<qint64> parseInteger(std::string_view text)
{
    // Widened byte by byte: a byte that is no ASCII digit or sign fails either way, so the
    // short texts of indexes and styles need no decoding.
    char16_t wide[32];
    if (text.size() > std::size(wide))
        return text::parseStrictInt64(QString::fromUtf8(text.data(), qsizetype(text.size())));
    for (std::size_t i = 0; i < text.size(); ++i)
        wide[i] = static_cast<unsigned char>(text[i]);
    return text::parseStrictInt64(QStringView(wide, qsizetype(text.size())));
}

struct Styles {
    QHash<qint64, QString> customFormats; // number format id → format code
    QList<qint64> cellFormats;            // style index → number format id

    // The zero-padding format code of a style, when it has one: made only of "0",
    // at most 128 long. Built-in formats never pad.
    std::optional<qsizetype> paddingWidth(qint64 style) const
    {
        if (style < 0 || style >= cellFormats.size())
            return std::nullopt;
        const auto found = customFormats.constFind(cellFormats[style]);
        if (found == customFormats.cend())
            return std::nullopt;
        const QString &code = found.value();
        if (code.isEmpty() || code.size() > 128)
            return std::nullopt;
        for (QChar c : code) {
            if (c != u'0')
                return std::nullopt;
        }
        return code.size();
    }
};

Styles readStyles(const WorkbookArchive &archive)
{
    Styles styles;
    const QString path = QStringLiteral("xl/styles.xml");
    if (!archive.contains(path))
        return styles;
    const SheetXML xml = SheetXML::read(archive, path);
    const qint32 formats = xml.child(xml.root(), Name::numFmts);
    if (formats != SheetXML::none) {
        for (qint32 f = xml.firstChild(formats); f != SheetXML::none; f = xml.nextSibling(f)) {
            const std::optional<QStringView> id = xml.attribute(f, Key::numFmtId);
            const std::optional<QStringView> code = xml.attribute(f, Key::formatCode);
            std::optional<qint64> number;
            if (id && code && (number = text::parseStrictInt64(*id)))
                styles.customFormats.insert(*number, code->toString());
        }
    }
    const qint32 cellFormats = xml.child(xml.root(), Name::cellXfs);
    if (cellFormats != SheetXML::none) {
        for (qint32 x = xml.firstChild(cellFormats); x != SheetXML::none; x = xml.nextSibling(x)) {
            const std::optional<QStringView> id = xml.attribute(x, Key::numFmtId);
            styles.cellFormats.append(id ? text::parseStrictInt64(*id).value_or(0) : 0);
        }
    }
    return styles;
}

// The rich text of every root child named "si", in one pass over the part.
class SharedStrings {
public:
    static QList<QString> read(const WorkbookArchive &archive)
    {
        SharedStrings reader;
        const QString path = QStringLiteral("xl/sharedStrings.xml");
        if (archive.contains(path))
            parseEntry(archive, path, reader);
        return std::move(reader.m_strings);
    }

    // Part events.
    void start(Name name, const XML_Char **, int level)
    {
        if (level == 2)
            m_inString = name == Name::si;
        else if (m_inString && level > 2)
            m_text.start(name, level);
    }
    void characters(const char *text, int length, int level)
    {
        if (m_inString)
            m_text.characters(text, length, level);
    }
    void end(int level)
    {
        if (!m_inString)
            return;
        if (level == 2) {
            m_strings.append(m_text.take());
            m_inString = false;
        } else {
            m_text.end(level);
        }
    }

private:
    QList<QString> m_strings;
    RichText m_text;
    bool m_inString = false;
};

struct Relationships {
    QHash<QString, QString> worksheets; // id → archive path
    QSet<QString> others;               // ids of charts, dialogs and other non-worksheets
};

Relationships readRelationships(const WorkbookArchive &archive)
{
    Relationships relationships;
    const SheetXML xml = SheetXML::read(archive, QStringLiteral("xl/_rels/workbook.xml.rels"));
    for (qint32 r = xml.firstChild(xml.root()); r != SheetXML::none; r = xml.nextSibling(r)) {
        const std::optional<QStringView> id = xml.attribute(r, Key::id);
        const std::optional<QStringView> type = xml.attribute(r, Key::type);
        if (id && type && !type->endsWith(u"/worksheet")) {
            relationships.others.insert(id->toString());
            continue;
        }
        const std::optional<QStringView> target = xml.attribute(r, Key::target);
        if (xml.attribute(r, Key::targetMode) == u"External" || !id || !target || !type)
            continue;
        relationships.worksheets.insert(id->toString(), archivePath(*target));
    }
    return relationships;
}

// Reads worksheets in one pass each: the children of the root's first "sheetData" are
// rows, their children named "c" cells; a cell's first "v" gives its value (the v's own
// character data), its first "is" its inline string, and any "f" makes it a formula.
// Each cell is decoded when it closes. The first cell fault is kept while the rest of the
// part is still parsed, so that a broken part is reported as broken whatever its cells say.
//
// The walk knows where it is by the element's level (the root is 1) and five flags:
//
//   flag             set at the start of                    cleared at the end of    read while set
//   m_sheetDataSeen  the first "sheetData" at level 2       never: one per part      -
//   m_inSheetData    the same                               level 2                  "c" at level 4 opens a cell
//                                                                                    (its parent, whatever its
//                                                                                    name, is a row)
//   m_inCell         "c" at level 4 in sheetData, while no  level 4: finishCell()    "v", "is" and "f" at level 5
//                    fault is kept; startCell() reads its   decodes the cell
//                    "r", "t" and "s"
//   m_inValue        the cell's first "v" at level 5        level 5                  its character data at level 5
//   m_inInline       the cell's first "is" at level 5       level 5                  the elements and text below
//                                                                                    it, through RichText
//
// An "f" at level 5 of a cell only sets m_formula; m_hasValue and m_hasInline keep a later
// "v" or "is" of the same cell from being read. Every other element changes nothing.
class SheetReader {
public:
    SheetReader(const QList<QString> &sharedStrings, const Styles &styles)
        : m_sharedStrings(sharedStrings), m_styles(styles)
    {
    }

    // Reads one worksheet; `totalCells` carries rows × columns of the sheets before it.
    ImportedSheet read(const QString &name, const WorkbookArchive &archive, const QString &path, qint64 &totalCells);

    // Part events.
    void start(Name name, const XML_Char **attributes, int level);
    void characters(const char *text, int length, int level);
    void end(int level);

private:
    // Levels of the walk: the root is 1.
    static constexpr int sheetDataLevel = 2;
    static constexpr int cellLevel = 4;
    static constexpr int valueLevel = 5;

    void startCell(const XML_Char **attributes);
    void finishCell();
    void fail(TableIssue issue)
    {
        if (!m_fault)
            m_fault = issue;
    }

    const QList<QString> &m_sharedStrings;
    const Styles &m_styles;
    // The cells stored so far, each row as long as its last cell; made rectangular once the
    // sheet is known to fit. Rows and columns stay within the address limits, so a cell far
    // out costs at most one row of them.
    QList<QList<QString>> m_grid;
    // The addresses stored so far, row by row.
    std::vector<bool> m_taken =
        std::vector<bool>((WorkbookImporter::maximumRow + 1) * (WorkbookImporter::maximumColumn + 1));
    qint32 m_rows = 0;
    qint32 m_columns = 0;
    bool m_warning = false;
    std::optional<TableIssue> m_fault;

    bool m_sheetDataSeen = false;
    bool m_inSheetData = false;

    // The open cell.
    bool m_inCell = false;
    std::optional<std::string> m_reference;
    std::optional<std::string> m_type;
    std::optional<std::string> m_style;
    std::string m_value;
    bool m_hasValue = false;
    bool m_inValue = false;
    bool m_formula = false;
    bool m_hasInline = false;
    bool m_inInline = false;
    RichText m_inline;
};

void SheetReader::start(Name name, const XML_Char **attributes, int level)
{
    switch (level) {
    case sheetDataLevel:
        if (!m_sheetDataSeen && name == Name::sheetData)
            m_sheetDataSeen = m_inSheetData = true;
        break;
    case cellLevel:
        // After a fault no more cells are stored, so none is decoded.
        if (m_inSheetData && name == Name::c && !m_fault)
            startCell(attributes);
        break;
    case valueLevel:
        if (!m_inCell)
            break;
        if (name == Name::v && !m_hasValue)
            m_hasValue = m_inValue = true;
        else if (name == Name::is && !m_hasInline)
            m_hasInline = m_inInline = true;
        else if (name == Name::f)
            m_formula = true;
        break;
    default:
        if (m_inInline && level > valueLevel)
            m_inline.start(name, level);
        break;
    }
}

void SheetReader::characters(const char *text, int length, int level)
{
    if (m_inValue && level == valueLevel)
        m_value.append(text, std::size_t(length));
    else if (m_inInline)
        m_inline.characters(text, length, level);
}

void SheetReader::end(int level)
{
    switch (level) {
    case sheetDataLevel: m_inSheetData = false; break;
    case cellLevel:
        if (m_inCell)
            finishCell();
        break;
    case valueLevel: m_inValue = m_inInline = false; break;
    default:
        if (m_inInline && level > valueLevel)
            m_inline.end(level);
        break;
    }
}

void SheetReader::startCell(const XML_Char **attributes)
{
    m_inCell = true;
    m_reference.reset();
    m_type.reset();
    m_style.reset();
    for (const XML_Char **a = attributes; *a; a += 2) {
        // The three names have one letter each: looked at in place, once per cell.
        const XML_Char *key = a[0];
        if (key[0] == '\0' || key[1] != '\0')
            continue;
        if (key[0] == 'r')
            m_reference = a[1];
        else if (key[0] == 't')
            m_type = a[1];
        else if (key[0] == 's')
            m_style = a[1];
    }
    m_value.clear();
    m_hasValue = m_inValue = m_formula = m_hasInline = m_inInline = false;
    m_inline.clear();
}

void SheetReader::finishCell()
{
    m_inCell = false;
    const std::optional<std::pair<qint64, qint64>> position = m_reference ? address(*m_reference) : std::nullopt;
    if (!position)
        return fail(TableIssue::workbook);
    const std::optional<std::string_view> value = m_hasValue ? std::optional<std::string_view>(m_value) : std::nullopt;
    const std::string_view type = m_type ? std::string_view(*m_type) : std::string_view("n");
    if (m_formula) {
        if (!value || (value->empty() && type != "str"))
            return fail(TableIssue::formula);
        m_warning = true;
    }

    QString text;
    if (type == "s") {
        const std::optional<qint64> index = value ? parseInteger(*value) : std::nullopt;
        if (!index || *index < 0 || *index >= m_sharedStrings.size())
            return fail(TableIssue::workbook);
        text = m_sharedStrings[*index];
    } else if (type == "inlineStr") {
        text = m_inline.take();
    } else if (type == "b") {
        text = value == "1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type == "str" || type == "d" || type == "e") {
        if (value)
            text = QString::fromUtf8(value->data(), qsizetype(value->size()));
    } else if (value && !value->empty()) {
        m_warning = true;
        const qint64 style = m_style ? parseInteger(*m_style).value_or(0) : 0;
        const std::optional<qsizetype> width = m_styles.paddingWidth(style);
        text = QString::fromUtf8(value->data(), qsizetype(value->size()));
        if (width && *width > text.size() && isAsciiDigits(*value))
            text.prepend(QString(*width - text.size(), u'0'));
    }

    if (text.isEmpty() && !m_formula)
        return;
    const auto [row, column] = *position;
    if (row > WorkbookImporter::maximumRow || column > WorkbookImporter::maximumColumn ||
        text::exceedsGraphemes(text, WorkbookImporter::maximumCellCharacters))
        return fail(TableIssue::large);
    const qsizetype slot = row * (WorkbookImporter::maximumColumn + 1) + column;
    if (m_taken[slot])
        return fail(TableIssue::large);
    m_taken[slot] = true;
    if (row >= m_grid.size())
        m_grid.resize(row + 1);
    QList<QString> &cells = m_grid[row];
    // Rows are mostly as wide as the ones before them.
    if (cells.isEmpty())
        cells.reserve(std::max<qsizetype>(m_columns, column + 1));
    if (column == cells.size()) {
        cells.emplaceBack(std::move(text));
    } else {
        if (column > cells.size())
            cells.resize(column + 1);
        cells[column] = std::move(text);
    }
    m_rows = std::max(m_rows, qint32(row + 1));
    m_columns = std::max(m_columns, qint32(column + 1));
}

ImportedSheet SheetReader::read(const QString &name, const WorkbookArchive &archive, const QString &path,
                                qint64 &totalCells)
{
    m_grid.clear();
    std::fill(m_taken.begin(), m_taken.end(), false);
    m_rows = 0;
    m_columns = 0;
    m_warning = false;
    m_fault.reset();
    m_sheetDataSeen = m_inSheetData = m_inCell = false;
    parseEntry(archive, path, *this);
    if (m_fault)
        throwIssue(*m_fault);
    // The grid's size is checked before its rows are filled out: one cell far out would
    // otherwise allocate millions of empty ones.
    totalCells += qint64(m_rows) * m_columns;
    if (totalCells > WorkbookImporter::maximumCells)
        throwIssue(TableIssue::large);
    for (QList<QString> &cells : m_grid)
        cells.resize(m_columns);
    QList<QString> warnings;
    if (m_warning)
        warnings.append(QString::fromUtf16(WorkbookImporter::valuesWarning));
    return ImportedSheet(name, std::exchange(m_grid, {}), std::move(warnings));
}

} // namespace

QList<ImportedSheet> WorkbookImporter::read(const QByteArray &data)
{
    const WorkbookArchive archive(data);
    const SheetXML workbook = SheetXML::read(archive, QStringLiteral("xl/workbook.xml"));
    const Relationships relationships = readRelationships(archive);
    const QList<QString> sharedStrings = SharedStrings::read(archive);
    const Styles styles = readStyles(archive);

    std::vector<qint32> entries;
    const qint32 sheets = workbook.child(workbook.root(), Name::sheets);
    if (sheets != SheetXML::none) {
        for (qint32 s = workbook.firstChild(sheets); s != SheetXML::none; s = workbook.nextSibling(s))
            entries.push_back(s);
    }
    if (entries.empty() || qsizetype(entries.size()) > maximumSheets)
        malformed();

    QList<ImportedSheet> result;
    SheetReader reader(sharedStrings, styles);
    qint64 totalCells = 0;
    for (qint32 entry : entries) {
        const std::optional<QStringView> name = workbook.attribute(entry, Key::name);
        const std::optional<QStringView> id = workbook.attribute(entry, Key::relationshipId);
        if (!name || !id)
            malformed();
        const QString key = id->toString();
        const auto found = relationships.worksheets.constFind(key);
        if (found == relationships.worksheets.cend()) {
            // A chart sheet, dialog or macro sheet: not a table, so not read.
            if (relationships.others.contains(key))
                continue;
            malformed();
        }
        if (!archive.contains(found.value()))
            malformed();
        result.append(reader.read(name->toString(), archive, found.value(), totalCells));
    }
    if (result.isEmpty())
        malformed();
    return result;
}

} // namespace kestrivane
