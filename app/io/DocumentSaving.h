#pragma once

#include "app/shell/CloseDecision.h"

#include <QString>

namespace kestrivane {

class EditorDialogs;
class EditorStore;

// Writing a document to its file, the save dialog, and the prompt before a document with
// changes closes.
namespace DocumentSaving {

// A document or print name made safe to propose as a file name: "/" and ":" become "-",
// and so do control characters, so a name can never point into another folder.
QString cleanedFileName(const QString &name);

// The name the save dialog proposes: the file's name without its extension when the
// document has a file, else the document's name; cleaned, with ".ksv" added unless the
// name already ends with it (in any letter case).
QString suggestedFileName(const EditorStore &store);

// Save (saveAs false) and Save As: validates, asks for a file unless the document already
// has a ".ksv" file and Save was asked for, then writes. A chosen name without the ".ksv"
// extension gets it added. Failures are shown in an alert; true when the file was written.
bool save(EditorStore &store, EditorDialogs &dialogs, bool saveAs);

// Writes the document atomically to `path` and makes it the document's file, marked as
// saved with the status "mac.saved". Throws WorkspaceIssue::fileAlreadyOpen when the
// store's maySaveTo refuses the path, the document's validation or size error, or a
// FileError; after a failure nothing of the store has changed.
void saveTo(EditorStore &store, const QString &path);

// The save prompt: save, do not save, cancel. Closing it any other way cancels.
CloseDecision closeDecision(EditorStore &store, EditorDialogs &dialogs);

// The absolute path of a file with symbolic links resolved, also for a file that does not
// exist yet (its existing folder is resolved and the name appended); empty for an empty
// path. Used to tell whether two tabs mean the same file.
QString canonicalDocumentPath(const QString &path);
// Whether two paths name the same file; two empty paths never do.
bool sameDocumentFile(const QString &a, const QString &b);

} // namespace DocumentSaving
} // namespace kestrivane
