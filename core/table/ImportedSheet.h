#pragma once

#include "core/table/LabelTable.h"

#include <QList>
#include <QString>

namespace kestrivane {

// One sheet as a CSV or workbook reader produced it: rows may be ragged.
struct ImportedSheet {
    QString name;
    QList<QList<QString>> rows;
    QList<QString> warnings; // localisation keys, in the order found

    ImportedSheet() = default;
    ImportedSheet(QString name, QList<QList<QString>> rows, QList<QString> warnings = {})
        : name(std::move(name)), rows(std::move(rows)), warnings(std::move(warnings))
    {
    }

    // A validated table: the first row names the columns when `header` is true, else
    // the columns are named A, B, ...; rows are padded with empty cells to the widest.
    // Throws TableIssue::empty for a sheet without cells or a header without data, and
    // the table's own error otherwise.
    LabelTable table(const QString &source, bool header) const;

    // Spreadsheet column letters of a 0-based index: 0 "A", 25 "Z", 26 "AA"; "" when negative.
    static QString columnName(qint64 index);

    friend bool operator==(const ImportedSheet &, const ImportedSheet &) = default;
};

} // namespace kestrivane
