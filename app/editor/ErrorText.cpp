#include "app/editor/ErrorText.h"

#include "app/shell/WorkspaceIssue.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/l10n/Localization.h"
#include "core/print/PrintRowIssue.h"

namespace kestrivane {

QString errorText(const std::exception &error, const Localization &localization)
{
    if (const auto *row = dynamic_cast<const PrintRowIssue *>(&error)) {
        // One formatting pass with typed arguments: a "%" in the reason's text stays text.
        return localization.format(QStringLiteral("mac.data_row_error"), {row->row(), localization.text(row->key())});
    }
    if (const auto *table = dynamic_cast<const TableError *>(&error))
        return localization.text(key(table->issue()));
    if (const auto *workspace = dynamic_cast<const WorkspaceError *>(&error))
        return localization.text(key(workspace->issue()));
    if (const auto *document = dynamic_cast<const DocumentError *>(&error))
        return localization.text(key(document->issue()));
    return localization.text(QStringLiteral("mac.error_io"));
}

} // namespace kestrivane
