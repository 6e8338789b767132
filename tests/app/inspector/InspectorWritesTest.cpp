// The inspector's writes against a real store: what is stored, and how many undo steps.

#include "tests/app/inspector/InspectorTestSupport.h"

#include "app/inspector/InspectorWrites.h"

#include <gtest/gtest.h>

#include <cmath>

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
    };
    for (const auto &item : cases) {
        SCOPED_TRACE(item.name);
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
        EXPECT_EQ(std::tuple(result.barcode.symbology, result.widthMm, result.heightMm),
                  std::tuple(item.to, item.expectedWidth, item.expectedHeight));
        EXPECT_EQ(fixture.store->undoStack().size(), 1);
        if (item.web) {
            // Back to GS1 DataMatrix: the caption stays off.
            EXPECT_EQ(result.webAppearance->gs1Identification, false);
            inspector::chooseSymbology(*fixture.store, BarcodeSymbology::gs1DataMatrix);
            EXPECT_EQ(fixture.first().webAppearance->gs1Identification, false);
        }
    }
}

TEST(InspectorWrites, NumbersOutsideTheRangeOrNotFiniteAreDropped)
{
    const struct {
        const char *name;
        inspector::DoubleField field;
        QList<double> taken, dropped;
    } cases[] = {
        {"width", inspector::widthField(), {500, -360}, {600, -400, HUGE_VAL, std::nan("")}},
        {"caption", inspector::captionSizeField(), {3, 72}, {2.9, 72.5}},
    };
    for (const auto &item : cases) {
        for (const bool taken : {true, false}) {
            for (const double value : taken ? item.taken : item.dropped) {
                SCOPED_TRACE(testing::Message() << item.name << " " << value);
                Fixture fixture({element(ElementKind::barcode)});
                const double before = item.field.get(fixture.first());
                EXPECT_EQ(inspector::write(*fixture.store, item.field, value), taken);
                EXPECT_EQ(fixture.store->undoStack().size(), taken ? 1 : 0);
                EXPECT_EQ(item.field.get(fixture.first()), taken ? value : before);
            }
        }
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
    inspector::write(*web.store, inspector::webOffsetField(), 36500.5);
    inspector::write(*web.store, inspector::webDateModeField(), QStringLiteral("currentPlus"));
    const WebDateStyle &style = *web.first().webAppearance->date;
    EXPECT_EQ(style.offsetDays, 36500.5);
    EXPECT_EQ(style.mode, QStringLiteral("currentPlus"));
    EXPECT_EQ(style.baseDate, std::optional(QString())); // stored as typed, and kept while hidden
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
        SCOPED_TRACE(qPrintable(rawValue(symbology)));
        LabelElement code = element(ElementKind::barcode);
        code.content = QStringLiteral("not a code");
        Fixture fixture({code});
        inspector::chooseSymbology(*fixture.store, symbology);
        const qsizetype steps = fixture.store->undoStack().size();
        inspector::writeExample(*fixture.store);
        inspector::writeExample(*fixture.store);
        const LabelElement &result = fixture.first();
        EXPECT_EQ(result.content, example(symbology));
        EXPECT_EQ(fixture.store->undoStack().size(), steps + 1);
        EXPECT_TRUE(!isMatrix(symbology) || result.widthMm == result.heightMm);
        EXPECT_NO_THROW(fixture.store->document().validate());
    }
}
