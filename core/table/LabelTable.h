#pragma once

#include <QList>
#include <QString>

namespace kestrivane {

// A data table attached to a document: one label per row in a batch, and elements
// bound to its columns (TableBinding).
struct LabelTable {
    QString sourceName; // the file it came from, for display
    QString sheetName;  // "CSV" for CSV files, else the workbook's sheet name
    QList<QString> columns;
    QList<QList<QString>> rows;

    // Limits of a table, checked in this order; every failure is TableIssue::large.
    static constexpr qsizetype maximumColumns = 200;
    static constexpr qsizetype maximumRows = 10000;
    static constexpr qsizetype maximumCells = 500000;
    static constexpr qsizetype maximumNameCharacters = 256;
    static constexpr qsizetype maximumCellCharacters = 4096;
    static constexpr qsizetype maximumTextBytes = 6291456;

    void validate() const;

    friend bool operator==(const LabelTable &, const LabelTable &) = default;
};

// Bytes of the UTF-8 form of a text, without building it; the same count as
// QString::toUtf8(), which writes a lone surrogate as one '?'.
qsizetype utf8Length(QStringView text);

} // namespace kestrivane
