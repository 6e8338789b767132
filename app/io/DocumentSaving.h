#pragma once

#include "app/common/CloseDecision.h"

#include <QString>

#include <functional>
#include <optional>

namespace kestrivane {

class EditorDialogs;
class Localization;
struct LabelDocument;

// Writing a document to its file, the save dialog, and the prompt before a document with
// changes closes.
namespace DocumentSaving {

// A document or print name made safe to propose as a file name: "/" and ":" become "-",
// and so do control characters, so a name can never point into another folder.
QString cleanedFileName(const QString &name);

// `name` with `suffix` as a file name that Linux file systems take: at most 255 bytes in the
// file name encoding. A longer name is cut between whole characters to the longest start
// that fits (between code points only when not even its first character fits).
QString fittedFileName(const QString &name, const QString &suffix);

// The name the save dialog proposes: the file's name without its extension when the
// document has a file, else the document's name; cleaned, with ".ksv" added unless the
// name already ends with it (in any letter case), and fitted.
QString suggestedFileName(const QString &documentName, const std::optional<QString> &file);

// Where Save (saveAs false) and Save As write: the document's own file for Save when it is
// a ".ksv" file; otherwise the file chosen in a save dialog, with the ".ksv" extension
// added when the chosen name lacks it. Nothing when the dialog was cancelled.
std::optional<QString> saveTarget(EditorDialogs &dialogs, const Localization &localization, const QString &documentName,
                                  const std::optional<QString> &file, bool saveAs);

// Writes `document` atomically to `path` and returns the file's absolute path. Throws
// WorkspaceIssue::fileAlreadyOpen when `maySaveTo` refuses the path (nothing is written
// then), the document's validation or size error, or a FileError.
QString write(const LabelDocument &document, const QString &path,
              const std::function<bool(const QString &)> &maySaveTo);

// The save prompt for the document called `documentName`: save, do not save, cancel.
// Closing it any other way cancels.
CloseDecision closeDecision(EditorDialogs &dialogs, const Localization &localization, const QString &documentName);

// The absolute path of a file with symbolic links resolved, also for a file that does not
// exist yet (its existing folder is resolved and the name appended); empty for an empty
// path. Used to tell whether two tabs mean the same file.
QString canonicalDocumentPath(const QString &path);
// Whether two paths name the same file; two empty paths never do.
bool sameDocumentFile(const QString &a, const QString &b);

} // namespace DocumentSaving
} // namespace kestrivane
