// The inspector's writes against a real store: what is stored, and how many undo steps.

#include "tests/app/inspector/InspectorTestSupport.h"

#include "app/inspector/InspectorWrites.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;
using namespace inspectortest;

TEST(InspectorWrites, SymbologyKeepsSquareCodesSquareAndClearsTheGS1Caption)
{
    const struct {
        const char *name;
        double width, height;
        bool web;
        BarcodeSymbology to;
        double expectedWidth, expectedHeight;
    } cases[] = {
        {"code128 to dataMatrix", 40, 15, false, BarcodeSymbology::dataMatrix, 15, 15},
        {"small to qr", 6, 8, false, BarcodeSymbology::qr, 10, 10},
        {"web to dataMatrix", 40, 15, true, BarcodeSymbology::dataMatrix, 40, 15},
        {"web to qr", 40, 15, true, BarcodeSymbology::qr, 15, 15},
        {"to ean13", 40, 15, true, BarcodeSymbology::ean13, 40, 15},
    };
    for (const auto &item : cases) {
        LabelElement code = element(ElementKind::barcode);
        code.widthMm = item.width;
        code.heightMm = item.height;
        if (item.web) {
            code.webAppearance = WebAppearance();
            code.webAppearance->gs1Identification = true;
            code.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
        }
        Fixture fixture({code});
        inspector::chooseSymbology(*fixture.store, item.to);
        const LabelElement &result = fixture.first();
        EXPECT_EQ(result.barcode.symbology, item.to) << item.name;
        EXPECT_EQ(result.widthMm, item.expectedWidth) << item.name;
        EXPECT_EQ(result.heightMm, item.expectedHeight) << item.name;
        EXPECT_EQ(fixture.store->undoStack().size(), 1) << item.name;
        if (item.web) {
            EXPECT_EQ(result.webAppearance->gs1Identification, false) << item.name;
            // Back to GS1 DataMatrix: the caption stays off.
            inspector::chooseSymbology(*fixture.store, BarcodeSymbology::gs1DataMatrix);
            EXPECT_EQ(fixture.first().webAppearance->gs1Identification, false) << item.name;
        }
    }
}

TEST(InspectorWrites, NumbersOutsideTheRangeOrNotFiniteAreDropped)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char *name;
        inspector::DoubleField field;
        double value;
        bool taken;
    } cases[] = {
        {"width 600", inspector::widthField(), 600, false},
        {"x -400", inspector::member(&LabelElement::xMm), -400, false},
        {"width 500", inspector::widthField(), 500, true},
        {"x -360", inspector::member(&LabelElement::xMm), -360, true},
        {"rotation 450", inspector::member(&LabelElement::rotationDegrees), 450, true},
        {"x inf", inspector::member(&LabelElement::xMm), inf, false},
        {"x nan", inspector::member(&LabelElement::xMm), std::nan(""), false},
        {"caption 2.9", inspector::captionSizeField(), 2.9, false},
        {"caption 72.5", inspector::captionSizeField(), 72.5, false},
        {"caption 3", inspector::captionSizeField(), 3, true},
        {"caption 72", inspector::captionSizeField(), 72, true},
        {"font size -360", inspector::fontSizeField(), -360, true},
    };
    for (const auto &item : cases) {
        Fixture fixture({element(ElementKind::barcode)});
        const LabelElement before = fixture.first();
        EXPECT_EQ(inspector::write(*fixture.store, item.field, item.value), item.taken) << item.name;
        EXPECT_EQ(fixture.store->undoStack().size(), item.taken ? 1 : 0) << item.name;
        EXPECT_EQ(item.field.get(fixture.first()), item.taken ? item.value : item.field.get(before)) << item.name;
    }
    // A square code's width sets its height in the same step.
    Fixture square({element(ElementKind::qr)});
    inspector::write(*square.store, inspector::widthField(), 24);
    EXPECT_EQ(square.first().heightMm, 24);
    EXPECT_EQ(square.store->undoStack().size(), 1);
}

TEST(InspectorWrites, ChoosingAColumnMakesANewBindingAndManualRemovesIt)
{
    Fixture fixture({element(ElementKind::text)}, false, priceTable());
    EditorStore &store = *fixture.store;
    inspector::write(store, inspector::bindingPrefixField(), QStringLiteral("€"));
    EXPECT_EQ(store.undoStack().size(), 0); // unbound: nothing to write to

    inspector::chooseColumn(store, 1);
    inspector::write(store, inspector::bindingPrefixField(), QStringLiteral("€ "));
    inspector::write(store, inspector::bindingSuffixField(), QStringLiteral(" net"));
    EXPECT_EQ(fixture.first().tableBinding, TableBinding(1, QStringLiteral("€ "), QStringLiteral(" net")));
    inspector::chooseColumn(store, 2);
    EXPECT_EQ(fixture.first().tableBinding, TableBinding(2));
    inspector::chooseColumn(store, -1);
    EXPECT_FALSE(fixture.first().tableBinding);
    EXPECT_EQ(fixture.first().content, QStringLiteral("Kestrivane"));
    EXPECT_EQ(store.undoStack().size(), 5);
}

TEST(InspectorWrites, WebDateWritesNeedAStyleAndKeepTheBaseDateAsTyped)
{
    Fixture plain({element(ElementKind::dateTime)});
    inspector::write(*plain.store, inspector::webDateModeField(), QStringLiteral("manual"));
    inspector::write(*plain.store, inspector::baseDateField(), QStringLiteral("2026-02-01"));
    inspector::write(*plain.store, inspector::webOffsetField(), 1);
    EXPECT_EQ(plain.store->undoStack().size(), 0);
    EXPECT_EQ(inspector::webDateStyle(plain.first()), inspector::defaultWebDateStyle());

    LabelElement dated = element(ElementKind::dateTime);
    dated.webAppearance = webDate(QStringLiteral("calendar"));
    Fixture web({dated});
    inspector::write(*web.store, inspector::baseDateField(), QString());
    ASSERT_TRUE(web.first().webAppearance->date->baseDate.has_value());
    EXPECT_EQ(*web.first().webAppearance->date->baseDate, QString());
    inspector::write(*web.store, inspector::webOffsetField(), 36500.5);
    inspector::write(*web.store, inspector::webDateModeField(), QStringLiteral("currentPlus"));
    const WebDateStyle &style = *web.first().webAppearance->date;
    EXPECT_EQ(style.offsetDays, 36500.5);
    EXPECT_EQ(style.mode, QStringLiteral("currentPlus"));
    EXPECT_EQ(style.baseDate, QString()); // hidden, kept
    EXPECT_EQ(web.store->undoStack().size(), 3);
}

TEST(InspectorWrites, IntegersAreStoredExactlyAndARepeatedValueIsOneStep)
{
    Fixture fixture({element(ElementKind::counter)});
    const qint64 large = qint64(1) << 40;
    inspector::write(*fixture.store, inspector::counterField(&CounterOptions::start), large);
    inspector::write(*fixture.store, inspector::counterField(&CounterOptions::start), large);
    inspector::write(*fixture.store, inspector::counterField(&CounterOptions::digits), 19);
    EXPECT_EQ(fixture.first().counter.start, large);
    EXPECT_EQ(fixture.first().counter.digits, 19); // stored; validation reports it
    EXPECT_EQ(fixture.store->undoStack().size(), 2);
}

TEST(InspectorWrites, DataButtonsAppendSeparatorsAndExamplesFitSquareCodes)
{
    Fixture gs1({element(ElementKind::barcode)});
    inspector::appendGroupSeparator(*gs1.store);
    inspector::appendGroupSeparator(*gs1.store);
    EXPECT_EQ(gs1.first().content, QStringLiteral("01234567890123\u001D\u001D"));
    EXPECT_EQ(gs1.store->undoStack().size(), 2);

    for (BarcodeSymbology symbology : allBarcodeSymbologies()) {
        LabelElement code = element(ElementKind::barcode);
        code.content = QStringLiteral("not a code");
        Fixture fixture({code});
        inspector::chooseSymbology(*fixture.store, symbology);
        const qsizetype steps = fixture.store->undoStack().size();
        inspector::writeExample(*fixture.store);
        inspector::writeExample(*fixture.store);
        const LabelElement &result = fixture.first();
        EXPECT_EQ(result.content, example(symbology)) << qPrintable(rawValue(symbology));
        EXPECT_EQ(fixture.store->undoStack().size(), steps + 1) << qPrintable(rawValue(symbology));
        if (isMatrix(symbology)) {
            EXPECT_EQ(result.widthMm, result.heightMm) << qPrintable(rawValue(symbology));
        }
        EXPECT_NO_THROW(fixture.store->document().validate()) << qPrintable(rawValue(symbology));
    }
}
