// What the inspector shows for each selection, from values alone.

#include "tests/app/inspector/InspectorTestSupport.h"

#include "app/inspector/InspectorModel.h"

#include <gtest/gtest.h>

using namespace kestrivane;
using namespace inspectortest;

namespace {

// The names of the cards and fields a layout shows, for compact expectations.
QString shown(const InspectorLayout &l)
{
    // clang-format off
    const std::pair<bool, const char *> flags[] = {
        {l.showsData, "data"}, {l.showsTableOptions, "column"}, {l.bound, "bound"}, {l.showsElementCard, "card"},
        {l.showsBarcodeOptions, "bar"}, {l.showsCaptionSize, "caption"}, {l.showsGS1Caption, "gs1"},
        {l.showsGS1Actions, "gs"}, {l.showsTextOptions, "text"}, {l.dateForm == DateForm::plain, "date"},
        {l.dateForm == DateForm::web, "web"}, {l.showsManualText, "manual"}, {l.showsBaseDate, "base"},
        {l.showsCounterOptions, "counter"}, {l.showsStroke, "stroke"}, {l.showsFilled, "filled"},
        {l.showsImageNote, "note"}, {l.showsHeight, "height"}};
    // clang-format on
    QStringList result;
    for (const auto &[on, name] : flags) {
        if (on)
            result.append(QString::fromLatin1(name));
    }
    return result.join(QLatin1Char(' '));
}

LabelElement code(BarcodeSymbology symbology, bool showsText, bool web = false)
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

} // namespace

TEST(InspectorModel, CardsAndFieldsFollowTheSelection)
{
    using S = BarcodeSymbology;
    const struct {
        QList<LabelElement> selection;
        bool table;
        const char *symbol, *subtitle, *fields;
    } cases[] = {
        {{}, false, "slider.horizontal.3", "", ""},
        {{element(ElementKind::text), element(ElementKind::line)}, true, "square.stack.3d.up", "2 items", ""},
        {{element(ElementKind::text)}, false, "textformat", "Text", "data card text height"},
        {{element(ElementKind::text)}, true, "textformat", "Text", "data column card text height"},
        {{bound()}, true, "textformat", "Text", "data column bound card text height"},
        {{bound()}, false, "textformat", "Text", "data bound card text height"},
        {{element(ElementKind::qr)}, true, "qrcode", "QR code", "data column"},
        {{code(S::code128, true)}, false, "barcode", "Barcode", "data card bar caption height"},
        {{code(S::code128, false)}, false, "barcode", "Barcode", "data card bar height"},
        {{code(S::dataMatrix, true)}, false, "barcode", "Barcode", "data card bar"},
        {{code(S::dataMatrix, true, true)}, false, "barcode", "Barcode", "data card bar height"},
        {{code(S::qr, true, true)}, false, "barcode", "Barcode", "data card bar"},
        {{code(S::gs1DataMatrix, true)}, false, "barcode", "Barcode", "data card bar gs"},
        {{code(S::gs1DataMatrix, true, true)}, false, "barcode", "Barcode", "data card bar gs1 gs height"},
        {{code(S::gs1DataBarStacked, true, true)}, false, "barcode", "Barcode", "data card bar caption gs height"},
        {{date(std::nullopt)}, true, "calendar", "Date and time", "card text date height"},
        {{date(QString())}, false, "calendar", "Date and time", "card text date height"},
        {{date(QStringLiteral("current"))}, false, "calendar", "Date and time", "card text web height"},
        {{date(QStringLiteral("manual"))}, false, "calendar", "Date and time", "card text web manual height"},
        {{date(QStringLiteral("calendar"))}, false, "calendar", "Date and time", "card text web base height"},
        {{date(QStringLiteral("calendarPlus"))}, false, "calendar", "Date and time", "card text web base height"},
        {{date(QStringLiteral("Calendar"))}, false, "calendar", "Date and time", "card text web height"},
        {{element(ElementKind::counter)}, false, "number.square", "Counter", "card text counter height"},
        {{element(ElementKind::line)}, false, "line.diagonal", "Line", "card stroke height"},
        {{element(ElementKind::rectangle)}, false, "rectangle", "Rectangle", "card stroke filled height"},
        {{element(ElementKind::image)}, true, "photo", "Image", "card note height"},
    };
    editortest::StoreEnvironment env;
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        const auto &item = cases[row];
        LabelDocument document(QStringLiteral("Test"), 60, 40, item.selection);
        if (item.table)
            document.table = priceTable();
        const InspectorModel model = InspectorModel::make(document, item.selection);
        EXPECT_EQ(model.layout.symbol, QString::fromLatin1(item.symbol));
        EXPECT_EQ(model.subtitle(env.localization), QString::fromLatin1(item.subtitle));
        EXPECT_EQ(shown(model.layout), QString::fromLatin1(item.fields));
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
