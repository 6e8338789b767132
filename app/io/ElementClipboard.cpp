#include "app/io/ElementClipboard.h"

#include "app/editor/EditorStore.h"
#include "app/io/EditorDialogs.h"
#include "core/document/DocumentJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMimeData>

namespace kestrivane::ElementClipboard {

QByteArray encode(const QList<LabelElement> &elements)
{
    QJsonArray array;
    for (const LabelElement &element : elements)
        array.append(toJson(element));
    QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Compact);
    // In compact output a slash can only stand inside a string, where "\/" means the
    // same; writing it escaped keeps the text the form other writers of this format use.
    bytes.replace('/', QByteArrayLiteral("\\/"));
    return bytes;
}

std::optional<QList<LabelElement>> decode(const QByteArray &bytes)
{
    if (bytes.size() > maximumBytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isArray())
        return std::nullopt;
    QList<LabelElement> elements;
    const QJsonArray array = json.array();
    elements.reserve(array.size());
    try {
        for (const QJsonValue &value : array)
            elements.append(elementFromJson(value));
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return elements;
}

bool copySelection(EditorStore &store, EditorDialogs &clipboard)
{
    const QSet<QUuid> &ids = store.selectedIDs();
    QList<LabelElement> elements;
    for (const LabelElement &element : store.renderDocument().elements)
        if (ids.contains(element.id))
            elements.append(element);
    if (elements.isEmpty())
        return false;
    QByteArray bytes;
    try {
        bytes = encode(elements);
    } catch (const std::exception &) {
        return false;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(EditorStore::pasteboardType, bytes);
    clipboard.setClipboardData(std::move(data));
    return true;
}

bool cut(EditorStore &store, EditorDialogs &clipboard)
{
    if (!copySelection(store, clipboard))
        return false;
    store.deleteSelection();
    return true;
}

void paste(EditorStore &store, EditorDialogs &clipboard)
{
    std::optional<QList<LabelElement>> elements;
    const QMimeData *data = clipboard.clipboardData();
    if (data && data->hasFormat(EditorStore::pasteboardType))
        elements = decode(data->data(EditorStore::pasteboardType));
    if (!elements) {
        store.setStatusKey(QStringLiteral("mac.error_content"));
        return;
    }
    store.insert(*elements, true);
}

} // namespace kestrivane::ElementClipboard
