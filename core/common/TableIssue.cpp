#include "core/common/TableIssue.h"

#include "core/common/RawValue.h"

namespace kestrivane {

namespace {
constexpr TableIssue allIssues[] = {TableIssue::file,    TableIssue::csv,   TableIssue::encoding, TableIssue::workbook,
                                    TableIssue::formula, TableIssue::empty, TableIssue::large,    TableIssue::binding,
                                    TableIssue::range,   TableIssue::copies};
}

QString rawValue(TableIssue issue)
{
    switch (issue) {
    case TableIssue::file: return QStringLiteral("file");
    case TableIssue::csv: return QStringLiteral("csv");
    case TableIssue::encoding: return QStringLiteral("encoding");
    case TableIssue::workbook: return QStringLiteral("workbook");
    case TableIssue::formula: return QStringLiteral("formula");
    case TableIssue::empty: return QStringLiteral("empty");
    case TableIssue::large: return QStringLiteral("large");
    case TableIssue::binding: return QStringLiteral("binding");
    case TableIssue::range: return QStringLiteral("range");
    case TableIssue::copies: return QStringLiteral("copies");
    }
    return QString();
}

std::optional<TableIssue> tableIssueFromRawValue(const QString &raw)
{
    return fromRawValue(allIssues, raw);
}

QString key(TableIssue issue)
{
    return QStringLiteral("mac.data_error_") + rawValue(issue);
}

} // namespace kestrivane
