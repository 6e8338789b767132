#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace kestrivane {

// Batch settings stored in a document.
struct BatchOptions {
    // Row selection such as "1-3, 5" (1-based row numbers); empty or blank: every row.
    QString rows;
    qint64 copies = 1;
    // A column whose cells hold each row's copy count.
    std::optional<qint64> copiesColumn;
    // true: counters advance with every printed copy; false: copies of a row share its index.
    bool advanceEveryCopy = true;

    static constexpr qsizetype maximumRowsCharacters = 10000;
    static constexpr qint64 maximumCopies = 10000;

    // The 0-based indexes selected among `count` rows, ascending and without repeats.
    // Throws TableIssue::range for a count outside 1...10000 or a malformed selection.
    QList<qint64> selectedRows(qint64 count) const;

    friend bool operator==(const BatchOptions &, const BatchOptions &) = default;
};

} // namespace kestrivane
