#include "core/table/ImportedSheet.h"

#include "core/common/TableIssue.h"

#include <algorithm>

namespace kestrivane {

QString ImportedSheet::columnName(qint64 index)
{
    if (index < 0)
        return QString();
    // Unsigned, so that even the largest index has a name instead of overflowing.
    quint64 n = static_cast<quint64>(index) + 1;
    QString name;
    while (n > 0) {
        name.prepend(QChar(char16_t(u'A' + (n - 1) % 26)));
        n = (n - 1) / 26;
    }
    return name;
}

LabelTable ImportedSheet::table(const QString &source, bool header) const
{
    qsizetype width = 0;
    for (const QList<QString> &row : rows)
        width = std::max(width, row.size());
    if (width == 0)
        throwIssue(TableIssue::empty);
    if (header && rows.size() < 2)
        throwIssue(TableIssue::empty);

    const qsizetype dataRows = header ? rows.size() - 1 : rows.size();
    // Padding a single over-wide row out across every row could need far more memory
    // than the file held; a table that wide or that long fails validation anyway, with
    // the same error, so it is refused before anything is padded.
    if (width > LabelTable::maximumColumns || dataRows > LabelTable::maximumRows ||
        width * dataRows > LabelTable::maximumCells)
        throwIssue(TableIssue::large);

    LabelTable table;
    table.sourceName = source;
    table.sheetName = name;
    if (header) {
        table.columns = rows.front();
        table.columns.resize(width);
    } else {
        table.columns.reserve(width);
        for (qsizetype i = 0; i < width; ++i)
            table.columns.append(columnName(i));
    }
    table.rows.reserve(dataRows);
    for (qsizetype i = header ? 1 : 0; i < rows.size(); ++i) {
        QList<QString> row = rows[i];
        row.resize(width);
        table.rows.append(std::move(row));
    }
    table.validate();
    return table;
}

} // namespace kestrivane
