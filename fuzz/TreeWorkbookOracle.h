#pragma once

// The workbook reader as it was before the streaming one: each XML part decoded to text,
// parsed by QXmlStreamReader into a tree, then walked. Kept only as the oracle of the
// differential fuzz target, which checks that the streaming reader gives the same sheets,
// warnings and refusals for every input.

#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"
#include "core/table/ImportedSheet.h"
#include "core/table/LabelTable.h"
#include "core/table/WorkbookArchive.h"
#include "core/table/WorkbookImporter.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <limits>
#include <optional>
#include <vector>

namespace treeoracle {

using namespace kestrivane;

namespace {

[[noreturn]] void malformed()
{
    throwIssue(TableIssue::workbook);
}

// Limits of one XML part.
constexpr qint64 maximumElements = 1500000;
constexpr qint64 maximumCharacterBytes = 25165824;
constexpr qsizetype maximumDepth = 32;

// The element names the reader looks at; every other name is `other`.
enum class Name : quint8 { other, c, v, t, f, is, si, rPh, sheetData, sheets, numFmts, cellXfs };

Name nameOf(QStringView local)
{
    // Compared in place: this runs once per element, up to 1.5 million times a part.
    switch (local.size()) {
    case 1:
        switch (local[0].unicode()) {
        case u'c': return Name::c;
        case u'v': return Name::v;
        case u't': return Name::t;
        case u'f': return Name::f;
        default: return Name::other;
        }
    case 2: return local == u"is" ? Name::is : local == u"si" ? Name::si : Name::other;
    case 3: return local == u"rPh" ? Name::rPh : Name::other;
    case 6: return local == u"sheets" ? Name::sheets : Name::other;
    case 7: return local == u"numFmts" ? Name::numFmts : local == u"cellXfs" ? Name::cellXfs : Name::other;
    case 9: return local == u"sheetData" ? Name::sheetData : Name::other;
    default: return Name::other;
    }
}

// The attributes the reader looks at, by qualified name ("r:id" keeps its prefix).
enum class Key : quint8 { r, t, s, id, target, type, targetMode, name, relationshipId, numFmtId, formatCode };

std::optional<Key> keyOf(QStringView qualified)
{
    static constexpr std::pair<Key, char16_t const *> keys[] = {
        {Key::r, u"r"},
        {Key::t, u"t"},
        {Key::s, u"s"},
        {Key::id, u"Id"},
        {Key::target, u"Target"},
        {Key::type, u"Type"},
        {Key::targetMode, u"TargetMode"},
        {Key::name, u"name"},
        {Key::relationshipId, u"r:id"},
        {Key::numFmtId, u"numFmtId"},
        {Key::formatCode, u"formatCode"},
    };
    for (const auto &[key, text] : keys) {
        if (qualified == QStringView(text))
            return key;
    }
    return std::nullopt;
}

// True when `text` holds "<!" followed by `word` in any ASCII letter case.
bool containsDeclaration(QStringView text, QLatin1StringView word)
{
    const qsizetype last = text.size() - 2 - word.size();
    for (qsizetype i = 0; i <= last; ++i) {
        if (text[i] != u'<' || text[i + 1] != u'!')
            continue;
        bool same = true;
        for (qsizetype k = 0; k < word.size() && same; ++k) {
            char16_t c = text[i + 2 + k].unicode();
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            same = c == char16_t(word[k].toLatin1());
        }
        if (same)
            return true;
    }
    return false;
}

// The element tree of one XML part, as a flat arena: nodes link to their first child
// and next sibling by index, and attribute values and texts live in one shared string.
// A tree of objects would cost a few hundred bytes per element, and a worksheet may
// hold 1.5 million of them. Only what the reader reads is kept (the attributes above,
// the texts of "v" and "t" elements); every limit still counts everything.
class SheetXML {
public:
    static constexpr qint32 none = -1;

    // Takes the bytes, so that they are released as soon as they are decoded.
    static SheetXML read(QByteArray bytes);

    qint32 root() const { return 0; }
    Name name(qint32 node) const { return m_nodes[node].name; }
    bool hasAttributes(qint32 node) const { return m_nodes[node].hasAttributes; }
    std::optional<QStringView> attribute(qint32 node, Key key) const;
    QStringView text(qint32 node) const;
    // The text inside "t" elements, runs joined, phonetic runs ("rPh") left out.
    QString richText(qint32 node) const;

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

private:
    struct Node {
        qint32 firstChild = none;
        qint32 nextSibling = none;
        qint32 firstAttribute = 0;
        qint32 textOffset = 0;
        qint32 textLength = 0;
        Name name = Name::other;
        quint8 attributeCount = 0;
        bool hasAttributes = false;
        bool spilled = false; // the text was interrupted by a child's and lives in m_spilled
    };
    struct Attribute {
        Key key;
        qint32 offset;
        qint32 length;
    };

    qint32 store(QStringView text)
    {
        if (m_pool.size() + text.size() > std::numeric_limits<qint32>::max())
            malformed();
        const auto offset = qint32(m_pool.size());
        m_pool.append(text);
        return offset;
    }
    void appendText(qint32 node, QStringView text);

    std::vector<Node> m_nodes;
    std::vector<Attribute> m_attributes;
    QString m_pool;
    QHash<qint32, QString> m_spilled;
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

QStringView SheetXML::text(qint32 node) const
{
    const Node &n = m_nodes[node];
    if (n.spilled)
        return m_spilled.find(node).value();
    return QStringView(m_pool).sliced(n.textOffset, n.textLength);
}

void SheetXML::appendText(qint32 node, QStringView text)
{
    Node &n = m_nodes[node];
    if (n.spilled) {
        m_spilled[node].append(text);
    } else if (n.textLength == 0) {
        n.textOffset = store(text);
        n.textLength = qint32(text.size());
    } else if (qsizetype(n.textOffset) + n.textLength == m_pool.size()) {
        store(text);
        n.textLength += qint32(text.size());
    } else {
        // A child's text came in between: go on in a string of its own, so that
        // mixed content cannot make the copying quadratic.
        QString joined = QStringView(m_pool).sliced(n.textOffset, n.textLength).toString();
        joined.append(text);
        m_spilled.insert(node, std::move(joined));
        n.spilled = true;
    }
}

QString SheetXML::richText(qint32 node) const
{
    if (name(node) == Name::t)
        return text(node).toString();
    QString joined;
    for (qint32 c = firstChild(node); c != none; c = nextSibling(c)) {
        if (name(c) != Name::rPh)
            joined += richText(c);
    }
    return joined;
}

SheetXML SheetXML::read(QByteArray bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    bytes = QByteArray();
    if (decoder.hasError() || text.contains(QChar(0)))
        malformed();
    // No document type declarations at all: the parser would expand internal entities.
    if (containsDeclaration(text, QLatin1StringView("doctype")) ||
        containsDeclaration(text, QLatin1StringView("entity")))
        malformed();

    SheetXML tree;
    // The reader is given text, so an encoding declaration in the part changes nothing.
    QXmlStreamReader reader(text);
    text = QString(); // the reader holds its own copy
    reader.setNamespaceProcessing(false);
    struct Open {
        qint32 node;
        qint32 lastChild;
    };
    std::vector<Open> stack;
    qint64 characterBytes = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            // Too deep is a broken part; too many elements is only a big one.
            if (qsizetype(stack.size()) >= maximumDepth)
                malformed();
            if (qint64(tree.m_nodes.size()) >= maximumElements)
                throwIssue(TableIssue::large);
            const auto index = qint32(tree.m_nodes.size());
            Node node;
            const QStringView qualified = reader.qualifiedName();
            node.name = nameOf(qualified.sliced(qualified.lastIndexOf(u':') + 1));
            node.firstAttribute = qint32(tree.m_attributes.size());
            const QXmlStreamAttributes attributes = reader.attributes();
            node.hasAttributes = !attributes.isEmpty();
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (const std::optional<Key> key = keyOf(attribute.qualifiedName())) {
                    const QStringView value = attribute.value();
                    tree.m_attributes.push_back({*key, tree.store(value), qint32(value.size())});
                    ++node.attributeCount;
                }
            }
            tree.m_nodes.push_back(node);
            if (!stack.empty()) {
                Open &parent = stack.back();
                if (parent.lastChild == none)
                    tree.m_nodes[parent.node].firstChild = index;
                else
                    tree.m_nodes[parent.lastChild].nextSibling = index;
                parent.lastChild = index;
            }
            stack.push_back({index, none});
            break;
        }
        case QXmlStreamReader::Characters: {
            // Only text inside the root counts: blanks around it are not character
            // data of the document.
            if (reader.isCDATA() || stack.empty())
                break;
            const QStringView characters = reader.text();
            characterBytes += utf8Length(characters);
            if (characterBytes > maximumCharacterBytes)
                throwIssue(TableIssue::large);
            const qint32 top = stack.back().node;
            const Name name = tree.m_nodes[top].name;
            if (name == Name::v || name == Name::t)
                tree.appendText(top, characters);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!stack.empty())
                stack.pop_back();
            break;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference: malformed();
        default: break;
        }
    }
    if (reader.hasError() || tree.m_nodes.empty())
        malformed();
    return tree;
}

// 0-based row and column of a reference such as "B12": upper-case letters, then at
// most seven digits; no "$", no lower case.
std::optional<std::pair<qint64, qint64>> address(QStringView reference)
{
    qint64 column = 0;
    qint64 row = 0;
    int digits = 0;
    for (QChar ch : reference) {
        const char16_t c = ch.unicode();
        if (c >= u'A' && c <= u'Z') {
            if (digits > 0)
                return std::nullopt;
            column = column * 26 + (c - u'A' + 1);
            if (column > 16384)
                return std::nullopt;
        } else if (c >= u'0' && c <= u'9') {
            if (++digits > 7)
                return std::nullopt;
            row = row * 10 + (c - u'0');
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

bool isAsciiDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
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
    const SheetXML xml = SheetXML::read(archive.read(path));
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

QList<QString> readSharedStrings(const WorkbookArchive &archive)
{
    QList<QString> strings;
    const QString path = QStringLiteral("xl/sharedStrings.xml");
    if (!archive.contains(path))
        return strings;
    const SheetXML xml = SheetXML::read(archive.read(path));
    for (qint32 s = xml.firstChild(xml.root()); s != SheetXML::none; s = xml.nextSibling(s)) {
        if (xml.name(s) == Name::si)
            strings.append(xml.richText(s));
    }
    return strings;
}

struct Relationships {
    QHash<QString, QString> worksheets; // id → archive path
    QSet<QString> others;               // ids of charts, dialogs and other non-worksheets
};

Relationships readRelationships(const WorkbookArchive &archive)
{
    Relationships relationships;
    const SheetXML xml = SheetXML::read(archive.read(QStringLiteral("xl/_rels/workbook.xml.rels")));
    for (qint32 r = xml.firstChild(xml.root()); r != SheetXML::none; r = xml.nextSibling(r)) {
        if (!xml.hasAttributes(r))
            continue;
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

struct StoredCell {
    qint32 row;
    qint32 column;
    QString text;
};

class SheetReader {
public:
    SheetReader(const QList<QString> &sharedStrings, const Styles &styles)
        : m_sharedStrings(sharedStrings), m_styles(styles)
    {
    }

    // Reads one worksheet; `totalCells` carries rows × columns of the sheets before it.
    ImportedSheet read(const QString &name, QByteArray bytes, qint64 &totalCells);

private:
    void readCell(const SheetXML &xml, qint32 cell);

    const QList<QString> &m_sharedStrings;
    const Styles &m_styles;
    std::vector<StoredCell> m_cells;
    std::vector<bool> m_taken;
    qint32 m_rows = 0;
    qint32 m_columns = 0;
    bool m_warning = false;
};

void SheetReader::readCell(const SheetXML &xml, qint32 cell)
{
    const std::optional<QStringView> reference = xml.attribute(cell, Key::r);
    const std::optional<std::pair<qint64, qint64>> position = reference ? address(*reference) : std::nullopt;
    if (!position)
        malformed();
    const qint32 valueNode = xml.child(cell, Name::v);
    const std::optional<QStringView> value =
        valueNode == SheetXML::none ? std::nullopt : std::optional<QStringView>(xml.text(valueNode));
    const QStringView type = xml.attribute(cell, Key::t).value_or(u"n");
    const bool formula = xml.child(cell, Name::f) != SheetXML::none;
    if (formula) {
        if (!value || (value->isEmpty() && type != u"str"))
            throwIssue(TableIssue::formula);
        m_warning = true;
    }

    QString text;
    if (type == u"s") {
        const std::optional<qint64> index = value ? text::parseStrictInt64(*value) : std::nullopt;
        if (!index || *index < 0 || *index >= m_sharedStrings.size())
            malformed();
        text = m_sharedStrings[*index];
    } else if (type == u"inlineStr") {
        const qint32 inlineString = xml.child(cell, Name::is);
        if (inlineString != SheetXML::none)
            text = xml.richText(inlineString);
    } else if (type == u"b") {
        text = value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type == u"str" || type == u"d" || type == u"e") {
        if (value)
            text = value->toString();
    } else if (value && !value->isEmpty()) {
        m_warning = true;
        const std::optional<QStringView> styleText = xml.attribute(cell, Key::s);
        const qint64 style = styleText ? text::parseStrictInt64(*styleText).value_or(0) : 0;
        const std::optional<qsizetype> width = m_styles.paddingWidth(style);
        if (width && *width > value->size() && isAsciiDigits(*value))
            text = QString(*width - value->size(), u'0').append(*value);
        else
            text = value->toString();
    }

    if (text.isEmpty() && !formula)
        return;
    const auto [row, column] = *position;
    if (row > WorkbookImporter::maximumRow || column > WorkbookImporter::maximumColumn ||
        text::exceedsGraphemes(text, WorkbookImporter::maximumCellCharacters))
        throwIssue(TableIssue::large);
    const qsizetype slot = row * (WorkbookImporter::maximumColumn + 1) + column;
    if (m_taken[slot])
        throwIssue(TableIssue::large);
    m_taken[slot] = true;
    m_cells.push_back({qint32(row), qint32(column), std::move(text)});
    m_rows = std::max(m_rows, qint32(row + 1));
    m_columns = std::max(m_columns, qint32(column + 1));
}

ImportedSheet SheetReader::read(const QString &name, QByteArray bytes, qint64 &totalCells)
{
    m_cells.clear();
    m_taken.assign((WorkbookImporter::maximumRow + 1) * (WorkbookImporter::maximumColumn + 1), false);
    m_rows = 0;
    m_columns = 0;
    m_warning = false;
    {
        const SheetXML xml = SheetXML::read(std::move(bytes));
        const qint32 data = xml.child(xml.root(), Name::sheetData);
        if (data != SheetXML::none) {
            for (qint32 row = xml.firstChild(data); row != SheetXML::none; row = xml.nextSibling(row)) {
                for (qint32 cell = xml.firstChild(row); cell != SheetXML::none; cell = xml.nextSibling(cell)) {
                    if (xml.name(cell) == Name::c)
                        readCell(xml, cell);
                }
            }
        }
    }
    // The grid's size is checked before it is built: one cell far out would otherwise
    // allocate millions of empty ones.
    totalCells += qint64(m_rows) * m_columns;
    if (totalCells > WorkbookImporter::maximumCells)
        throwIssue(TableIssue::large);
    QList<QList<QString>> grid(m_rows, QList<QString>(m_columns));
    for (StoredCell &cell : m_cells)
        grid[cell.row][cell.column] = std::move(cell.text);
    m_cells.clear();
    QList<QString> warnings;
    if (m_warning)
        warnings.append(QString::fromUtf16(WorkbookImporter::valuesWarning));
    return ImportedSheet(name, std::move(grid), std::move(warnings));
}

} // namespace

inline QList<ImportedSheet> read(const QByteArray &data)
{
    const WorkbookArchive archive(data);
    const SheetXML workbook = SheetXML::read(archive.read(QStringLiteral("xl/workbook.xml")));
    const Relationships relationships = readRelationships(archive);
    const QList<QString> sharedStrings = readSharedStrings(archive);
    const Styles styles = readStyles(archive);

    std::vector<qint32> entries;
    const qint32 sheets = workbook.child(workbook.root(), Name::sheets);
    if (sheets != SheetXML::none) {
        for (qint32 s = workbook.firstChild(sheets); s != SheetXML::none; s = workbook.nextSibling(s))
            entries.push_back(s);
    }
    if (entries.empty() || qsizetype(entries.size()) > WorkbookImporter::maximumSheets)
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
        result.append(reader.read(name->toString(), archive.read(found.value()), totalCells));
    }
    if (result.isEmpty())
        malformed();
    return result;
}

} // namespace treeoracle
