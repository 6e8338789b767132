#pragma once

#include "core/table/ImportedSheet.h"

#include <QByteArray>
#include <QList>

namespace kestrivane {

// Reads XLSX and XLSM workbooks: one sheet per worksheet, every cell as the text the
// file stores for it (shared and inline strings, numbers as stored, booleans as TRUE or
// FALSE, the stored results of formulas, zero-padded numbers under a "000…" format).
// Formulas are not evaluated and dates stay serial numbers. Stateless; safe on any thread.
namespace WorkbookImporter {

inline constexpr qsizetype maximumSheets = 50;
inline constexpr qsizetype maximumRow = 10000;  // 0-based, so 10001 rows
inline constexpr qsizetype maximumColumn = 199; // 0-based, so 200 columns (A to GR)
inline constexpr qsizetype maximumCellCharacters = 4096;
inline constexpr qsizetype maximumCells = 500200; // rows × columns summed over the sheets

// The warning of a sheet that holds numbers or formula results as the file stored them.
inline constexpr char16_t valuesWarning[] = u"mac.data_excel_values";

// The worksheets in workbook order. Throws TableError: large, formula or workbook;
// the first failure ends the read.
QList<ImportedSheet> read(const QByteArray &data);

} // namespace WorkbookImporter

} // namespace kestrivane
