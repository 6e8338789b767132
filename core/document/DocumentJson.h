#pragma once

// The JSON form of documents and of every value they hold, shared by the document
// file, the element clipboard (an array of element objects) and the template cache
// (a document nested in a record). Keys are the field names; absent optional fields
// are left out; a missing key and null both mean absent on reading.
//
// Readers throw DocumentError(invalidDocument) for any value of the wrong shape
// (missing required key, wrong type, unknown raw value, bad UUID or Base64), except
// that a document's "schemaVersion" outside 1...5 throws unsupportedVersion. They do
// not validate. Writers throw DocumentError(invalidDocument) for a number that is not
// finite, which could not be read back as the same value.

#include "core/model/LabelDocument.h"

#include <QJsonObject>
#include <QJsonValue>

namespace kestrivane {

QJsonObject toJson(const LabelDocument &document);
LabelDocument documentFromJson(const QJsonValue &json);

QJsonObject toJson(const LabelElement &element);
LabelElement elementFromJson(const QJsonValue &json);

QJsonObject toJson(const SheetLayout &layout);
SheetLayout sheetLayoutFromJson(const QJsonValue &json);

QJsonObject toJson(const LabelTable &table);
LabelTable labelTableFromJson(const QJsonValue &json);

QJsonObject toJson(const TableBinding &binding);
TableBinding tableBindingFromJson(const QJsonValue &json);

QJsonObject toJson(const BatchOptions &options);
BatchOptions batchOptionsFromJson(const QJsonValue &json);

QJsonObject toJson(const WebAppearance &appearance);
WebAppearance webAppearanceFromJson(const QJsonValue &json);

QJsonObject toJson(const WebDateStyle &style);
WebDateStyle webDateStyleFromJson(const QJsonValue &json);

QJsonObject toJson(const WebImagePlacement &placement);
WebImagePlacement webImagePlacementFromJson(const QJsonValue &json);

QJsonObject toJson(const WebBackground &background);
WebBackground webBackgroundFromJson(const QJsonValue &json);

} // namespace kestrivane
