#pragma once

// How the table fuzz targets turn their bytes into reader inputs, and the limits every
// result must keep. Shared with the tests that replay the seed corpora.

#include "core/common/TextRules.h"
#include "core/table/CSVImporter.h"
#include "core/table/ImportedSheet.h"

#include "tests/common/ZipWriter.h"

#include <QList>

#include <iterator>

namespace tablefuzz {

// The first byte picks the separator (low two bits) and the encoding (next two).
struct CSVInput {
    kestrivane::CSVSeparator separator;
    kestrivane::CSVEncoding encoding;
    QByteArray data;
};

inline CSVInput csvInput(const QByteArray &bytes)
{
    const auto first = quint8(bytes.isEmpty() ? 0 : bytes[0]);
    return {kestrivane::allCSVSeparators[first & 3], kestrivane::allCSVEncodings[(first >> 2) & 3], bytes.mid(1)};
}

// Parts separated by this line: workbook, relationships, shared strings, styles and two
// worksheets (empty ones left out), packed into a valid stored archive so that the XML reader itself is fuzzed.
inline constexpr char partMarker[] = "\n--part--\n";

inline QByteArray workbookFromParts(const QByteArray &bytes)
{
    static const char *const names[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                                        "xl/styles.xml",   "xl/worksheets/sheet1.xml",   "xl/worksheets/sheet2.xml"};
    testsupport::ZipWriter zip;
    qsizetype from = 0;
    for (const char *name : names) {
        if (from > bytes.size())
            break;
        qsizetype end = bytes.indexOf(partMarker, from);
        if (end < 0)
            end = bytes.size();
        // An empty part is left out, as a workbook without shared strings or styles is.
        if (end > from)
            zip.add(QString::fromLatin1(name), bytes.mid(from, end - from), false);
        from = end + qsizetype(std::size(partMarker) - 1);
    }
    return zip.build();
}

// Empty when the sheets keep every limit of the readers, else what they break.
inline const char *brokenLimit(const QList<kestrivane::ImportedSheet> &sheets, bool csv)
{
    if (sheets.size() > 50)
        return "more than 50 sheets";
    qint64 cells = 0;
    for (const kestrivane::ImportedSheet &sheet : sheets) {
        if (sheet.rows.size() > 10001)
            return "more than 10001 rows";
        qsizetype widest = 0;
        for (const QList<QString> &row : sheet.rows) {
            if (row.size() > 200)
                return "more than 200 fields";
            widest = std::max(widest, row.size());
            for (const QString &field : row) {
                if (csv ? field.toUcs4().size() > 4096 : kestrivane::text::exceedsGraphemes(field, 4096))
                    return "a text over 4096";
            }
        }
        cells += qint64(sheet.rows.size()) * widest;
    }
    return cells > 500200 ? "more than 500200 cells" : nullptr;
}

} // namespace tablefuzz
