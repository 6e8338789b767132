#include "app/inspector/InspectorWrites.h"

#include "app/editor/EditorStore.h"

#include <cmath>

namespace kestrivane::inspector {

namespace {

WebDateStyle *webDate(LabelElement &element)
{
    if (!element.webAppearance || !element.webAppearance->date)
        return nullptr;
    return &*element.webAppearance->date;
}

} // namespace

DoubleField member(double LabelElement::*field)
{
    return {[field](const LabelElement &element) { return element.*field; },
            [field](LabelElement &element, double value) { element.*field = value; }, geometryRange};
}

DoubleField widthField()
{
    return {[](const LabelElement &element) { return element.widthMm; },
            [](LabelElement &element, double value) {
                element.widthMm = value;
                if (element.isSquareCode())
                    element.heightMm = value;
            },
            geometryRange};
}

DoubleField captionSizeField()
{
    return {[](const LabelElement &element) { return element.barcode.captionFontSizePt; },
            [](LabelElement &element, double value) { element.barcode.captionFontSizePt = value; },
            BarcodeOptions::captionFontSizeRange};
}

DoubleField fontSizeField()
{
    return member(&LabelElement::fontSizePt);
}

DoubleField webOffsetField()
{
    return {[](const LabelElement &element) { return webDateStyle(element).offsetDays; },
            [](LabelElement &element, double value) {
                if (WebDateStyle *date = webDate(element))
                    date->offsetDays = value;
            },
            std::nullopt};
}

IntegerField dateOffsetField()
{
    return {[](const LabelElement &element) { return element.dateOptions.offsetDays; },
            [](LabelElement &element, qint64 value) { element.dateOptions.offsetDays = value; }};
}

IntegerField counterField(qint64 CounterOptions::*field)
{
    return {[field](const LabelElement &element) { return element.counter.*field; },
            [field](LabelElement &element, qint64 value) { element.counter.*field = value; }};
}

TextField contentField()
{
    return {[](const LabelElement &element) { return element.content; },
            [](LabelElement &element, const QString &value) { element.content = value; }};
}

TextField bindingPrefixField()
{
    return {[](const LabelElement &element) { return element.tableBinding ? element.tableBinding->prefix : QString(); },
            [](LabelElement &element, const QString &value) {
                if (element.tableBinding)
                    element.tableBinding->prefix = value;
            }};
}

TextField bindingSuffixField()
{
    return {[](const LabelElement &element) { return element.tableBinding ? element.tableBinding->suffix : QString(); },
            [](LabelElement &element, const QString &value) {
                if (element.tableBinding)
                    element.tableBinding->suffix = value;
            }};
}

TextField counterTextField(QString CounterOptions::*field)
{
    return {[field](const LabelElement &element) { return element.counter.*field; },
            [field](LabelElement &element, const QString &value) { element.counter.*field = value; }};
}

TextField webDateModeField()
{
    return {[](const LabelElement &element) { return webDateStyle(element).mode; },
            [](LabelElement &element, const QString &value) {
                if (WebDateStyle *date = webDate(element))
                    date->mode = value;
            }};
}

TextField webDateFormatField()
{
    return {[](const LabelElement &element) { return webDateStyle(element).format; },
            [](LabelElement &element, const QString &value) {
                if (WebDateStyle *date = webDate(element))
                    date->format = value;
            }};
}

TextField baseDateField()
{
    return {[](const LabelElement &element) { return webDateStyle(element).baseDate.value_or(QString()); },
            [](LabelElement &element, const QString &value) {
                if (WebDateStyle *date = webDate(element))
                    date->baseDate = value;
            }};
}

bool write(EditorStore &store, const DoubleField &field, double value)
{
    if (!std::isfinite(value) || (field.range && !field.range->contains(value)))
        return false;
    store.changeElement([&](LabelElement &element) { field.set(element, value); });
    return true;
}

void write(EditorStore &store, const IntegerField &field, qint64 value)
{
    store.changeElement([&](LabelElement &element) { field.set(element, value); });
}

void write(EditorStore &store, const TextField &field, const QString &value)
{
    store.changeElement([&](LabelElement &element) { field.set(element, value); });
}

void chooseColumn(EditorStore &store, qint64 column)
{
    store.changeElement([&](LabelElement &element) {
        if (column < 0)
            element.tableBinding.reset();
        else
            element.tableBinding = TableBinding(column);
    });
}

void chooseSymbology(EditorStore &store, BarcodeSymbology symbology)
{
    store.changeElement([&](LabelElement &element) {
        element.barcode.symbology = symbology;
        if (symbology != BarcodeSymbology::gs1DataMatrix && element.webAppearance)
            element.webAppearance->gs1Identification = false;
        if (element.isSquareCode()) {
            const double side = std::max(std::min(element.widthMm, element.heightMm), 10.0);
            element.widthMm = side;
            element.heightMm = side;
        }
    });
}

void setGS1Caption(EditorStore &store, bool on)
{
    store.changeElement([&](LabelElement &element) {
        if (element.webAppearance)
            element.webAppearance->gs1Identification = on;
    });
}

void appendGroupSeparator(EditorStore &store)
{
    store.changeElement([](LabelElement &element) { element.content.append(QChar(0x1D)); });
}

void writeExample(EditorStore &store)
{
    store.changeElement([](LabelElement &element) { element.content = example(element.barcode.symbology); });
}

WebDateStyle defaultWebDateStyle()
{
    WebDateStyle style;
    style.mode = QStringLiteral("current");
    style.format = QStringLiteral("DD.MM.YYYY");
    return style;
}

WebDateStyle webDateStyle(const LabelElement &element)
{
    if (element.webAppearance && element.webAppearance->date)
        return *element.webAppearance->date;
    return defaultWebDateStyle();
}

} // namespace kestrivane::inspector
