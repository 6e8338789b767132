#pragma once

#include "core/model/LabelDocument.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

class EditorStore;
class Localization;

// What the inspector shows for a selection, worked out from values alone so that it can
// be checked without widgets. Two layouts that compare equal give the same widget tree;
// only values differ, and those are refreshed in place.
enum class InspectorBody { empty, single, multiple };
enum class DateForm { none, plain, web };

struct InspectorLayout {
    std::optional<QUuid> selectedID;
    InspectorBody body = InspectorBody::empty;
    QString symbol;
    std::optional<ElementKind> kind;

    // Data card (text, qr, barcode).
    bool showsData = false;
    bool showsTableOptions = false; // the document has a table
    QList<QString> columnTitles;
    bool bound = false; // prefix and suffix, read-only content

    // Element card and its pieces, in their fixed order.
    bool showsElementCard = false;
    bool showsBarcodeOptions = false;
    bool showsCaptionSize = false;
    bool showsGS1Caption = false;
    bool showsGS1Actions = false; // GS1 hint and "append GS" under the content
    bool showsTextOptions = false;
    DateForm dateForm = DateForm::none;
    bool showsManualText = false; // web date in mode "manual"
    bool showsBaseDate = false;   // web date in modes "calendar" and "calendarPlus"
    bool showsCounterOptions = false;
    bool showsStroke = false;
    bool showsFilled = false;
    bool showsImageNote = false;

    // Geometry card: a square code has no height field.
    bool showsHeight = false;

    friend bool operator==(const InspectorLayout &, const InspectorLayout &) = default;
};

struct InspectorModel {
    InspectorLayout layout;
    qsizetype count = 0; // selected elements

    // `selection` in document order; its first element is the one edited.
    static InspectorModel make(const LabelDocument &document, const QList<LabelElement> &selection);
    static InspectorModel make(const EditorStore &store);

    // The header subtitle: the kind's title, the count for several, nothing for none.
    QString subtitle(const Localization &localization) const;
};

// The symbol of the header tile for one element kind.
QString inspectorSymbol(ElementKind kind);

// The first problem validation finds in the document, then in the document as drawn
// (the preview row bound in), as the text the warning card shows; nothing when both pass.
std::optional<QString> validationText(const EditorStore &store, const Localization &localization);

} // namespace kestrivane
