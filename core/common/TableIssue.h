#pragma once

#include "core/common/Issue.h"

#include <optional>

namespace kestrivane {

// The one error type of tables, imports and batches. Its text is the key
// "mac.data_error_" followed by the raw value.
enum class TableIssue {
    file,
    csv,
    encoding,
    workbook,
    formula,
    empty,
    large,
    binding,
    range,
    copies,
};

QString rawValue(TableIssue issue);
std::optional<TableIssue> tableIssueFromRawValue(const QString &raw);
QString key(TableIssue issue);

using TableError = IssueError<TableIssue>;

} // namespace kestrivane
