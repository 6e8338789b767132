#include "app/editor/ErrorText.h"

#include "app/common/WorkspaceIssue.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/l10n/Localization.h"
#include "core/print/PrintRowIssue.h"

namespace kestrivane {

namespace {

// The first of `Shown` that `error` is, if any.
template <typename... Shown>
const Error *shownError(const std::exception &error)
{
    const Error *shown = nullptr;
    ((shown = shown ? shown : dynamic_cast<const Shown *>(&error)), ...);
    return shown;
}

} // namespace

QString errorText(const std::exception &error, const Localization *localization)
{
    const auto text = [localization](const QString &key) { return localization ? localization->text(key) : key; };
    if (const auto *row = dynamic_cast<const PrintRowIssue *>(&error)) {
        const QString pattern = QStringLiteral("mac.data_row_error");
        if (!localization)
            return pattern;
        // One formatting pass with typed arguments: a "%" in the reason's text stays text.
        return localization->format(pattern, {row->row(), text(row->key())});
    }
    const Error *shown = shownError<DocumentError, TableError, WorkspaceError, FileError>(error);
    return text(shown ? shown->key() : QStringLiteral("mac.error_io"));
}

} // namespace kestrivane
