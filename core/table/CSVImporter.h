#pragma once

#include "core/table/ImportedSheet.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace kestrivane {

// How the bytes of a CSV file are turned into text. Listed in the order of the
// import sheet's picker.
enum class CSVEncoding {
    automatic, // UTF-16 when the data begins with a byte-order mark, else UTF-8
    utf8,
    utf16,       // the mark's order; big-endian without a mark
    windows1251, // the Cyrillic code page
};

// The character that separates the fields of a row.
enum class CSVSeparator {
    automatic, // the one of ";", "," and tab that splits the first rows most evenly
    comma,
    semicolon,
    tab,
};

inline constexpr std::array<CSVEncoding, 4> allCSVEncodings{CSVEncoding::automatic, CSVEncoding::utf8,
                                                            CSVEncoding::utf16, CSVEncoding::windows1251};
inline constexpr std::array<CSVSeparator, 4> allCSVSeparators{CSVSeparator::automatic, CSVSeparator::comma,
                                                              CSVSeparator::semicolon, CSVSeparator::tab};

QString rawValue(CSVEncoding encoding);
QString rawValue(CSVSeparator separator);

// Reads CSV and TSV text. Stateless; safe on any thread.
namespace CSVImporter {

// Limits of what is read; every one of them is TableIssue::large.
inline constexpr qsizetype maximumBytes = 16777216;
inline constexpr qsizetype maximumFieldScalars = 4096;
inline constexpr qsizetype maximumFields = 200;
inline constexpr qsizetype maximumRows = 10001;
inline constexpr qsizetype maximumCells = 500200;

// One sheet named "CSV" with the rows as read (possibly ragged) and no warnings.
// Throws TableError: large, encoding, csv or empty.
ImportedSheet read(const QByteArray &data, CSVSeparator separator, CSVEncoding encoding);

} // namespace CSVImporter

} // namespace kestrivane
