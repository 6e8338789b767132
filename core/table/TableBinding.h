#pragma once

#include <QString>

namespace kestrivane {

// Binds an element's content to one column of the document's table:
// prefix + cell + suffix.
struct TableBinding {
    qint64 column = 0; // 0-based index into LabelTable::columns
    QString prefix;
    QString suffix;

    TableBinding() = default;
    explicit TableBinding(qint64 column, QString prefix = {}, QString suffix = {})
        : column(column), prefix(std::move(prefix)), suffix(std::move(suffix))
    {
    }

    friend bool operator==(const TableBinding &, const TableBinding &) = default;
};

} // namespace kestrivane
