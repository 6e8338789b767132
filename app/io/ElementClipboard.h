#pragma once

#include "core/model/LabelElement.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace kestrivane {

class EditorDialogs;
class EditorStore;

// Copying elements between documents, also between two running programs, through the
// clipboard: a JSON array of element objects in the document file's element form under
// the one private format EditorStore::pasteboardType, and nothing else.
namespace ElementClipboard {

// Largest clipboard content a paste reads (10 MiB).
inline constexpr qsizetype maximumBytes = 0xA00000;

// Compact JSON (no line breaks, every "/" escaped as "\/"). Throws when an element holds
// a value that cannot be written, such as a non-finite number.
QByteArray encode(const QList<LabelElement> &elements);
// The elements of clipboard bytes; nothing when there are more than maximumBytes or they
// are not a JSON array of well-formed element objects.
std::optional<QList<LabelElement>> decode(const QByteArray &bytes);

// Writes the selected elements as the canvas shows them (the preview row bound in), in
// drawing order, replacing the whole clipboard. False, with the clipboard untouched, when
// nothing is selected or the elements cannot be encoded.
bool copySelection(EditorStore &store, EditorDialogs &clipboard);
// Copies, and deletes the selection as one undo step only when the copy was written, so
// a failed copy never loses elements.
bool cut(EditorStore &store, EditorDialogs &clipboard);
// Inserts the clipboard's elements with fresh identifiers, moved right and down, as one
// undo step. Without readable element data the status becomes "mac.error_content".
void paste(EditorStore &store, EditorDialogs &clipboard);

} // namespace ElementClipboard
} // namespace kestrivane
