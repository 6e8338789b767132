// What the inspector shows for each selection, from values alone.

#include "tests/app/inspector/InspectorTestSupport.h"

#include "app/inspector/InspectorModel.h"

#include <gtest/gtest.h>

using namespace kestrivane;
using namespace inspectortest;

namespace {

// The names of the cards and fields a layout shows, for compact expectations.
QStringList shown(const InspectorLayout &layout)
{
    QStringList names;
    const std::pair<bool, const char *> flags[] = {
        {layout.showsData, "data"},
        {layout.showsTableOptions, "column"},
        {layout.bound, "bound"},
        {layout.showsElementCard, "card"},
        {layout.showsBarcodeOptions, "barcode"},
        {layout.showsCaptionSize, "caption"},
        {layout.showsGS1Caption, "gs1Caption"},
        {layout.showsGS1Actions, "gs1Actions"},
        {layout.showsTextOptions, "text"},
        {layout.dateForm == DateForm::plain, "plainDate"},
        {layout.dateForm == DateForm::web, "webDate"},
        {layout.showsManualText, "manual"},
        {layout.showsBaseDate, "baseDate"},
        {layout.showsCounterOptions, "counter"},
        {layout.showsStroke, "stroke"},
        {layout.showsFilled, "filled"},
        {layout.showsImageNote, "imageNote"},
        {layout.showsHeight, "height"},
    };
    for (const auto &[on, name] : flags)
        if (on)
            names.append(QString::fromLatin1(name));
    return names;
}

LabelElement barcode(BarcodeSymbology symbology, bool showsText, bool web = false)
{
    LabelElement result = element(ElementKind::barcode);
    result.barcode.symbology = symbology;
    result.barcode.showsText = showsText;
    if (web)
        result.webAppearance = WebAppearance();
    return result;
}

LabelElement date(std::optional<QString> mode)
{
    LabelElement result = element(ElementKind::dateTime);
    if (mode)
        result.webAppearance = mode->isEmpty() ? WebAppearance() : webDate(*mode);
    return result;
}

LabelElement bound()
{
    LabelElement result = element(ElementKind::text);
    result.tableBinding = TableBinding(0);
    return result;
}

struct ModelCase {
    const char *name;
    QList<LabelElement> selection;
    bool table;
    const char *symbol;
    const char *subtitle;
    QStringList fields;
};

} // namespace

TEST(InspectorModel, CardsAndFieldsFollowTheSelection)
{
    const QList<ModelCase> cases = {
        {"nothing", {}, false, "slider.horizontal.3", "", {}},
        {"several",
         {element(ElementKind::text), element(ElementKind::line)},
         true,
         "square.stack.3d.up",
         "2 items",
         {}},
        {"text", {element(ElementKind::text)}, false, "textformat", "Text", {"data", "card", "text", "height"}},
        {"text, table",
         {element(ElementKind::text)},
         true,
         "textformat",
         "Text",
         {"data", "column", "card", "text", "height"}},
        {"text, bound", {bound()}, true, "textformat", "Text", {"data", "column", "bound", "card", "text", "height"}},
        {"bound, no table", {bound()}, false, "textformat", "Text", {"data", "bound", "card", "text", "height"}},
        {"qr", {element(ElementKind::qr)}, true, "qrcode", "QR code", {"data", "column"}},
        {"code128",
         {barcode(BarcodeSymbology::code128, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "caption", "height"}},
        {"code128, no text",
         {barcode(BarcodeSymbology::code128, false)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "height"}},
        {"dataMatrix",
         {barcode(BarcodeSymbology::dataMatrix, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode"}},
        {"web dataMatrix",
         {barcode(BarcodeSymbology::dataMatrix, true, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "height"}},
        {"web qr",
         {barcode(BarcodeSymbology::qr, true, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode"}},
        {"gs1DataMatrix",
         {barcode(BarcodeSymbology::gs1DataMatrix, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "gs1Actions"}},
        {"web gs1DataMatrix",
         {barcode(BarcodeSymbology::gs1DataMatrix, true, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "gs1Caption", "gs1Actions", "height"}},
        {"gs1DataBarStacked",
         {barcode(BarcodeSymbology::gs1DataBarStacked, true, true)},
         false,
         "barcode",
         "Barcode",
         {"data", "card", "barcode", "caption", "gs1Actions", "height"}},
        {"plain date",
         {date(std::nullopt)},
         true,
         "calendar",
         "Date and time",
         {"card", "text", "plainDate", "height"}},
        {"web without date",
         {date(QString())},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "plainDate", "height"}},
        {"web current",
         {date(QStringLiteral("current"))},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "webDate", "height"}},
        {"web manual",
         {date(QStringLiteral("manual"))},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "webDate", "manual", "height"}},
        {"web calendar",
         {date(QStringLiteral("calendar"))},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "webDate", "baseDate", "height"}},
        {"web calendarPlus",
         {date(QStringLiteral("calendarPlus"))},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "webDate", "baseDate", "height"}},
        {"web Calendar",
         {date(QStringLiteral("Calendar"))},
         false,
         "calendar",
         "Date and time",
         {"card", "text", "webDate", "height"}},
        {"counter",
         {element(ElementKind::counter)},
         false,
         "number.square",
         "Counter",
         {"card", "text", "counter", "height"}},
        {"line", {element(ElementKind::line)}, false, "line.diagonal", "Line", {"card", "stroke", "height"}},
        {"rectangle",
         {element(ElementKind::rectangle)},
         false,
         "rectangle",
         "Rectangle",
         {"card", "stroke", "filled", "height"}},
        {"ellipse",
         {element(ElementKind::ellipse)},
         false,
         "circle",
         "Ellipse",
         {"card", "stroke", "filled", "height"}},
        {"image", {element(ElementKind::image)}, true, "photo", "Image", {"card", "imageNote", "height"}},
    };
    editortest::StoreEnvironment env;
    for (const ModelCase &item : cases) {
        LabelDocument document(QStringLiteral("Test"), 60, 40, item.selection);
        if (item.table)
            document.table = priceTable();
        const InspectorModel model = InspectorModel::make(document, item.selection);
        EXPECT_EQ(model.layout.symbol, QString::fromLatin1(item.symbol)) << item.name;
        EXPECT_EQ(model.subtitle(env.localization), QString::fromLatin1(item.subtitle)) << item.name;
        EXPECT_EQ(shown(model.layout), item.fields) << item.name;
    }
}

TEST(InspectorModel, WarningNamesTheFirstProblem)
{
    LabelElement digits = element(ElementKind::counter);
    digits.counter.digits = 19;
    LabelElement nonSquare = element(ElementKind::qr);
    nonSquare.heightMm = 12;
    LabelElement farBinding = bound();
    farBinding.tableBinding = TableBinding(7);
    const struct {
        const char *name;
        LabelElement element;
        bool table;
        std::optional<QString> key;
    } cases[] = {
        {"valid", element(ElementKind::text), false, std::nullopt},
        {"digits 19", digits, false, QStringLiteral("mac.error_content")},
        {"non-square qr", nonSquare, false, QStringLiteral("mac.error_content")},
        {"bound without table", bound(), false, QStringLiteral("mac.data_error_binding")},
        // The document is valid; only its preview row cannot be bound in.
        {"column beyond the table", farBinding, true, QStringLiteral("mac.data_error_binding")},
    };
    for (const auto &item : cases) {
        Fixture fixture({item.element}, false, item.table ? std::optional(priceTable()) : std::nullopt);
        const std::optional<QString> text = validationText(*fixture.store, fixture.env.localization);
        ASSERT_EQ(text.has_value(), item.key.has_value()) << item.name;
        if (item.key) {
            EXPECT_EQ(*text, fixture.env.localization.text(*item.key)) << item.name;
        }
    }
}
