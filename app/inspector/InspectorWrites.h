#pragma once

#include "core/model/BarcodeOptions.h"
#include "core/model/LabelElement.h"

#include <QString>

#include <functional>
#include <optional>

namespace kestrivane {

class EditorStore;

// The inspector's writes to the selected element, each one `changeElement` step of the
// store (one undo step, none when nothing changes, nothing without a selection). They
// take values, not widgets, so that every rule can be checked against a real store.
namespace inspector {

// Every millimetre and degree field, and the font size, take values in this range.
inline constexpr ClosedDoubleRange geometryRange{-360, 500};

// A Double-valued field of an element: how to read it and how to write it.
struct DoubleField {
    std::function<double(const LabelElement &)> get;
    std::function<void(LabelElement &, double)> set;
    std::optional<ClosedDoubleRange> range; // absent: any finite value
};

struct IntegerField {
    std::function<qint64(const LabelElement &)> get;
    std::function<void(LabelElement &, qint64)> set;
};

struct TextField {
    std::function<QString(const LabelElement &)> get;
    std::function<void(LabelElement &, const QString &)> set;
};

// A plain member in the geometry range.
DoubleField member(double LabelElement::*field);
// The width: a square code's height follows it.
DoubleField widthField();
DoubleField captionSizeField();
DoubleField fontSizeField();
// The web date's offset, written only while the element has a web date style.
DoubleField webOffsetField();

IntegerField dateOffsetField();
IntegerField counterField(qint64 CounterOptions::*field);

TextField contentField();
// Prefix and suffix of the table binding, written only while the element is bound.
TextField bindingPrefixField();
TextField bindingSuffixField();
TextField counterTextField(QString CounterOptions::*field);
// Mode and format of the web date style, written only while it exists.
TextField webDateModeField();
TextField webDateFormatField();
// Stored as typed: an empty text is an empty base date, not an absent one.
TextField baseDateField();

// Writes `value` when it is finite and inside the field's range; false when dropped.
bool write(EditorStore &store, const DoubleField &field, double value);
void write(EditorStore &store, const IntegerField &field, qint64 value);
void write(EditorStore &store, const TextField &field, const QString &value);

// −1 (or any negative column) removes the binding; a column makes a new binding with
// an empty prefix and suffix.
void chooseColumn(EditorStore &store, qint64 column);
// Sets the symbology, clears the GS1 caption of a template element for any other
// symbology than GS1 DataMatrix, and keeps a square code square and at least 10 mm.
void chooseSymbology(EditorStore &store, BarcodeSymbology symbology);
void setGS1Caption(EditorStore &store, bool on);
void appendGroupSeparator(EditorStore &store);
void writeExample(EditorStore &store);

// The web date style the fields show for an element without one.
WebDateStyle defaultWebDateStyle();
// The element's web date style, or the default.
WebDateStyle webDateStyle(const LabelElement &element);

} // namespace inspector

} // namespace kestrivane
