#include "core/table/CSVImporter.h"

#include "core/common/TableIssue.h"

#include <QStringDecoder>

#include <algorithm>
#include <limits>
#include <optional>

namespace kestrivane {

QString rawValue(CSVEncoding encoding)
{
    switch (encoding) {
    case CSVEncoding::automatic: return QStringLiteral("automatic");
    case CSVEncoding::utf8: return QStringLiteral("utf8");
    case CSVEncoding::utf16: return QStringLiteral("utf16");
    case CSVEncoding::windows1251: return QStringLiteral("windows1251");
    }
    return {};
}

QString rawValue(CSVSeparator separator)
{
    switch (separator) {
    case CSVSeparator::automatic: return QStringLiteral("automatic");
    case CSVSeparator::comma: return QStringLiteral("comma");
    case CSVSeparator::semicolon: return QStringLiteral("semicolon");
    case CSVSeparator::tab: return QStringLiteral("tab");
    }
    return {};
}

namespace {

using Rows = QList<QList<QString>>;

QString decodeWith(QStringDecoder &decoder, const QByteArray &data)
{
    if (!decoder.isValid())
        throwIssue(TableIssue::encoding);
    QString text = decoder.decode(data);
    if (decoder.hasError())
        throwIssue(TableIssue::encoding);
    return text;
}

// UTF-16 in the order of its byte-order mark, big-endian without one. The mark is
// read here rather than by Qt's generic UTF-16 decoder, which ignores a big-endian
// mark once it is told to keep it; the mark stays in the text as U+FEFF so that
// exactly one is dropped afterwards.
QString decodeUtf16(const QByteArray &data)
{
    if (data.size() % 2 != 0)
        throwIssue(TableIssue::encoding);
    const bool little = data.startsWith("\xFF\xFE");
    QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decodeWith(decoder, data);
    // Qt passes unpaired surrogates through without reporting them.
    if (!QStringView(text).isValidUtf16())
        throwIssue(TableIssue::encoding);
    return text;
}

QString decode(const QByteArray &data, CSVEncoding encoding)
{
    switch (encoding) {
    case CSVEncoding::automatic:
        if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
            return decodeUtf16(data);
        [[fallthrough]];
    case CSVEncoding::utf8: {
        // Keep a leading mark as U+FEFF: the caller drops exactly one.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decodeWith(decoder, data);
    }
    case CSVEncoding::utf16: return decodeUtf16(data);
    case CSVEncoding::windows1251: {
        // Qt knows this code page only through ICU; a build without it refuses the file
        // rather than guessing.
        QStringDecoder decoder("windows-1251", QStringConverter::Flag::Stateless);
        return decodeWith(decoder, data);
    }
    }
    throwIssue(TableIssue::encoding);
}

// The CSV grammar: quoted fields may hold separators, line breaks and doubled quotes;
// CR, LF and CR LF each end a row. Limits are counted in Unicode scalars (a surrogate
// pair is one).
class Parser {
public:
    Parser(QStringView text, char16_t separator) : m_text(text), m_separator(separator) {}

    // Parses until the end of the text or until `rowLimit` rows are complete. Returns
    // true when the whole text was read.
    bool run(qsizetype rowLimit);

    Rows takeRows() { return std::move(m_rows); }
    const Rows &rows() const { return m_rows; }

private:
    bool special(char16_t c) const { return c == u'"' || c == m_separator || c == u'\r' || c == u'\n'; }
    void appendRun(qsizetype from, qsizetype to);
    void endField();
    void endRow();

    QStringView m_text;
    char16_t m_separator;
    qsizetype m_position = 0;
    Rows m_rows;
    QList<QString> m_row;
    QString m_field;
    qsizetype m_fieldScalars = 0;
    qsizetype m_widest = 0;
    bool m_inQuotes = false;
    bool m_quoted = false; // the field was quoted and its closing quote seen
    bool m_lineHasContent = false;
};

void Parser::appendRun(qsizetype from, qsizetype to)
{
    const char16_t *chars = m_text.utf16();
    for (qsizetype i = from; i < to; ++i) {
        // The low half of a pair belongs to the scalar its high half began.
        if (!(QChar::isLowSurrogate(chars[i]) && i > from && QChar::isHighSurrogate(chars[i - 1]))) {
            if (++m_fieldScalars > CSVImporter::maximumFieldScalars)
                throwIssue(TableIssue::large);
        }
    }
    m_field.append(m_text.sliced(from, to - from));
}

void Parser::endField()
{
    if (m_row.size() >= CSVImporter::maximumFields)
        throwIssue(TableIssue::large);
    m_row.append(std::move(m_field));
    m_field = QString();
    m_fieldScalars = 0;
    m_quoted = false;
}

void Parser::endRow()
{
    endField();
    m_widest = std::max(m_widest, m_row.size());
    m_rows.append(std::move(m_row));
    m_row = QList<QString>();
    m_row.reserve(m_widest);
    if (m_rows.size() > CSVImporter::maximumRows || m_rows.size() * m_widest > CSVImporter::maximumCells)
        throwIssue(TableIssue::large);
    m_inQuotes = false;
    m_lineHasContent = false;
}

bool Parser::run(qsizetype rowLimit)
{
    const char16_t *chars = m_text.utf16();
    const qsizetype length = m_text.size();
    qsizetype &i = m_position;
    while (i < length) {
        if (m_rows.size() >= rowLimit)
            return false;
        const char16_t c = chars[i];
        if (m_inQuotes) {
            if (c == u'"') {
                if (i + 1 < length && chars[i + 1] == u'"') {
                    appendRun(i, i + 1);
                    i += 2;
                } else {
                    m_inQuotes = false;
                    m_quoted = true;
                    ++i;
                }
            } else {
                // Everything up to the next quote, line breaks included, is field text.
                qsizetype end = i + 1;
                while (end < length && chars[end] != u'"')
                    ++end;
                appendRun(i, end);
                i = end;
            }
            continue;
        }
        if (c == m_separator) {
            endField();
            m_lineHasContent = true;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            endRow();
            i += (c == u'\r' && i + 1 < length && chars[i + 1] == u'\n') ? 2 : 1;
        } else if (c == u'"') {
            if (!m_field.isEmpty() || m_quoted)
                throwIssue(TableIssue::csv);
            m_inQuotes = true;
            ++i;
        } else {
            if (m_quoted)
                throwIssue(TableIssue::csv);
            qsizetype end = i + 1;
            while (end < length && !special(chars[end]))
                ++end;
            appendRun(i, end);
            m_lineHasContent = true;
            i = end;
        }
    }
    if (m_inQuotes)
        throwIssue(TableIssue::csv);
    if (m_lineHasContent || !m_row.isEmpty() || !m_field.isEmpty() || m_quoted)
        endRow();
    if (m_rows.isEmpty())
        throwIssue(TableIssue::empty);
    return true;
}

Rows parse(QStringView text, char16_t separator)
{
    Parser parser(text, separator);
    parser.run(std::numeric_limits<qsizetype>::max());
    return parser.takeRows();
}

char16_t separatorCharacter(CSVSeparator separator)
{
    switch (separator) {
    case CSVSeparator::comma: return u',';
    case CSVSeparator::semicolon: return u';';
    case CSVSeparator::tab:
    case CSVSeparator::automatic: break;
    }
    return u'\t';
}

constexpr qsizetype scoredRows = 30;

// The separator that splits the first rows most evenly: a candidate scores nothing
// unless its first row has two fields or more, else its first row's width plus 100
// for each of the first 30 rows that has that width. Every candidate's score only
// depends on those rows, so each is scored on a parse of its first rows, and then
// the candidates are parsed in full from the best score down (the earlier candidate
// first on equal scores): the first that parses is the one a full parse of all three
// would have chosen.
Rows parseAutomatic(QStringView text)
{
    struct Candidate {
        char16_t separator;
        qsizetype score = 0;
        std::optional<Rows> complete; // when the scoring parse read the whole text
    };
    QList<Candidate> candidates;
    // A text that every candidate refuses only for its size is too large, not malformed.
    bool onlyLarge = true;
    for (char16_t separator : {u';', u',', u'\t'}) {
        Parser parser(text, separator);
        bool complete = false;
        try {
            complete = parser.run(scoredRows);
        } catch (const TableError &error) {
            // Fails on its first rows, so on the whole text as well, and with the same issue.
            onlyLarge = onlyLarge && error.issue() == TableIssue::large;
            continue;
        }
        const Rows &rows = parser.rows();
        Candidate candidate{separator, 0, std::nullopt};
        const qsizetype width = rows.front().size();
        if (width > 1) {
            candidate.score = width;
            for (qsizetype r = 0; r < std::min(rows.size(), scoredRows); ++r) {
                if (rows[r].size() == width)
                    candidate.score += 100;
            }
        }
        if (complete)
            candidate.complete = parser.takeRows();
        candidates.append(std::move(candidate));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.score > b.score; });
    for (Candidate &candidate : candidates) {
        if (candidate.complete)
            return std::move(*candidate.complete);
        try {
            return parse(text, candidate.separator);
        } catch (const TableError &error) {
            onlyLarge = onlyLarge && error.issue() == TableIssue::large;
        }
    }
    throwIssue(onlyLarge ? TableIssue::large : TableIssue::csv);
}

} // namespace

ImportedSheet CSVImporter::read(const QByteArray &data, CSVSeparator separator, CSVEncoding encoding)
{
    if (data.size() > maximumBytes)
        throwIssue(TableIssue::large);
    QString decoded = decode(data, encoding);
    if (decoded.contains(QChar(0)))
        throwIssue(TableIssue::encoding);
    QStringView text(decoded);
    if (text.startsWith(QChar(0xFEFF)))
        text = text.sliced(1);
    Rows rows =
        separator == CSVSeparator::automatic ? parseAutomatic(text) : parse(text, separatorCharacter(separator));
    return ImportedSheet(QStringLiteral("CSV"), std::move(rows));
}

} // namespace kestrivane
