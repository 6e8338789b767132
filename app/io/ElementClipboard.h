#pragma once

#include "core/model/LabelElement.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kestrivane {

class EditorDialogs;

// Copying elements between documents, also between two running programs, through the
// clipboard: a JSON array of element objects in the document file's element form under
// the one private format pasteboardType, and nothing else.
namespace ElementClipboard {

// The clipboard format of copied element lists.
inline const QString pasteboardType = QStringLiteral("com.morvathsoftware.kestrivane.elements.v3");

// Largest clipboard content a paste reads (10 MiB).
inline constexpr qsizetype maximumBytes = 0xA00000;

// Compact JSON (no line breaks, every "/" escaped as "\/"). Throws when an element holds
// a value that cannot be written, such as a non-finite number.
QByteArray encode(const QList<LabelElement> &elements);
// The elements of clipboard bytes; nothing when there are more than maximumBytes or they
// are not a JSON array of well-formed element objects.
std::optional<QList<LabelElement>> decode(const QByteArray &bytes);

// Replaces the whole clipboard with `elements`. False, with the clipboard untouched, when
// there are no elements or they cannot be encoded.
bool write(const QList<LabelElement> &elements, EditorDialogs &clipboard);
// The elements on the clipboard; nothing without readable element data.
std::optional<QList<LabelElement>> read(EditorDialogs &clipboard);

} // namespace ElementClipboard
} // namespace kestrivane
