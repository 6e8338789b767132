#include "core/table/LabelTable.h"

#include "core/common/TableIssue.h"
#include "core/common/TextRules.h"

namespace kestrivane {

qsizetype utf8Length(QStringView text)
{
    qsizetype bytes = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            bytes += 4;
            ++i;
        } else if (QChar::isSurrogate(c)) {
            bytes += 1;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

void LabelTable::validate() const
{
    const qsizetype columnCount = columns.size();
    if (columnCount < 1 || columnCount > maximumColumns)
        throwIssue(TableIssue::large);
    const qsizetype rowCount = rows.size();
    if (rowCount < 1 || rowCount > maximumRows || columnCount * rowCount > maximumCells)
        throwIssue(TableIssue::large);
    if (text::exceedsGraphemes(sourceName, maximumNameCharacters) ||
        text::exceedsGraphemes(sheetName, maximumNameCharacters))
        throwIssue(TableIssue::large);
    qsizetype bytes = 0;
    for (const QString &name : columns) {
        if (text::exceedsGraphemes(name, maximumCellCharacters))
            throwIssue(TableIssue::large);
        bytes += utf8Length(name);
    }
    for (const QList<QString> &row : rows) {
        if (row.size() != columnCount)
            throwIssue(TableIssue::large);
        for (const QString &cell : row) {
            if (text::exceedsGraphemes(cell, maximumCellCharacters))
                throwIssue(TableIssue::large);
            bytes += utf8Length(cell);
        }
    }
    if (bytes > maximumTextBytes)
        throwIssue(TableIssue::large);
}

} // namespace kestrivane
