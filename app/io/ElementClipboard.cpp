#include "app/io/ElementClipboard.h"

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

bool write(const QList<LabelElement> &elements, EditorDialogs &clipboard)
{
    if (elements.isEmpty())
        return false;
    QByteArray bytes;
    try {
        bytes = encode(elements);
    } catch (const std::exception &) {
        return false;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(pasteboardType, bytes);
    clipboard.setClipboardData(std::move(data));
    return true;
}

std::optional<QList<LabelElement>> read(EditorDialogs &clipboard)
{
    const QMimeData *data = clipboard.clipboardData();
    if (!data || !data->hasFormat(pasteboardType))
        return std::nullopt;
    return decode(data->data(pasteboardType));
}

} // namespace kestrivane::ElementClipboard
