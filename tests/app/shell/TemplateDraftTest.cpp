#include "tests/common/TestSupport.h"

#include "app/shell/TemplateDraft.h"
#include "core/common/DocumentIssue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrivane;

namespace {

LabelDocument rectangular()
{
    LabelDocument document(QStringLiteral("Shelf"), 60, 40, {});
    document.layout.columns = 2;
    document.layout.rows = 3;
    return document;
}

// Each field the draft reads, written with the given text into an otherwise valid draft.
enum class Field { width, radius, columns, rows, left };

void write(TemplateDraft &draft, Field field, const QString &text)
{
    switch (field) {
    case Field::width: draft.setWidth(text); break;
    case Field::radius: draft.setRadius(text); break;
    case Field::columns: draft.setColumns(text); break;
    case Field::rows: draft.setRows(text); break;
    case Field::left: draft.setLeft(text); break;
    }
}

double read(const LabelDocument &document, Field field)
{
    switch (field) {
    case Field::width: return document.widthMm;
    case Field::radius: return document.layout.cornerRadiusMm;
    case Field::columns: return double(document.layout.columns);
    case Field::rows: return double(document.layout.rows);
    case Field::left: return document.layout.leftMarginMm;
    }
    return 0;
}

} // namespace

TEST(TemplateDraft, ReadsEachTextOrRefusesIt)
{
    struct Case {
        Field field;
        QString text;
        std::optional<double> value; // absent: invalidGeometry
    };
    const QList<Case> cases = {
        {Field::width, QStringLiteral(" 12,5\n"), 12.5},
        {Field::width, QStringLiteral("1e2"), 100},
        {Field::width, QStringLiteral("0x10"), 16}, // the C reader's hexadecimal form
        {Field::width, QStringLiteral("\u300012.5\u3000"), 12.5},
        {Field::width, QStringLiteral("\u00a012.5\u2028"), 12.5},
        {Field::width, QStringLiteral("12.5 mm"), std::nullopt},
        {Field::width, QStringLiteral("1,2,3"), std::nullopt},
        {Field::width, QStringLiteral("1.234,5"), std::nullopt},
        {Field::width, QStringLiteral(""), std::nullopt},
        {Field::width, QStringLiteral("   "), std::nullopt},
        {Field::width, QStringLiteral("inf"), std::nullopt},
        {Field::width, QStringLiteral("nan"), std::nullopt},
        {Field::width, QStringLiteral("1e999"), std::nullopt},
        {Field::width, QStringLiteral("5"), std::nullopt}, // readable, refused by validation
        {Field::radius, QStringLiteral("2,5"), 2.5},
        {Field::radius, QStringLiteral("x"), std::nullopt},
        {Field::left, QStringLiteral("-0"), 0},
        {Field::columns, QStringLiteral("+4"), 4},
        {Field::columns, QStringLiteral("004"), 4},
        {Field::columns, QStringLiteral(" 4"), std::nullopt},
        {Field::columns, QStringLiteral("4 "), std::nullopt},
        {Field::columns, QStringLiteral("3.0"), std::nullopt},
        {Field::columns, QStringLiteral(""), std::nullopt},
        {Field::columns, QStringLiteral("4294967297"), std::nullopt}, // would be 1 if narrowed to 32 bits
        {Field::columns, QStringLiteral("18446744073709551617"), std::nullopt},
        {Field::columns, QStringLiteral("11"), std::nullopt}, // 11 × 10 labels: over 100
        {Field::rows, QStringLiteral("10"), 10},
        {Field::rows, QStringLiteral("21"), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TemplateDraft draft(rectangular(), std::nullopt);
        if (c.field == Field::columns && c.text == QStringLiteral("11"))
            draft.setRows(QStringLiteral("10"));
        write(draft, c.field, c.text);
        if (c.value) {
            EXPECT_EQ(read(draft.document(), c.field), *c.value);
        } else {
            EXPECT_ISSUE(draft.document(), DocumentIssue, DocumentIssue::invalidGeometry);
        }
        // A failed or repeated reading never changes the draft's texts.
        EXPECT_EQ(c.text, c.field == Field::width     ? draft.width()
                          : c.field == Field::radius  ? draft.radius()
                          : c.field == Field::columns ? draft.columns()
                          : c.field == Field::rows    ? draft.rows()
                                                      : draft.left());
    }
}

TEST(TemplateDraft, TextsReadBackToTheIdenticalDocument)
{
    struct Case {
        double value;
        QString text; // empty: only the round trip is checked
    };
    const QList<Case> cases = {
        {60, QStringLiteral("60.0")},     {2.5, QStringLiteral("2.5")},
        {0.1, QStringLiteral("0.1")},     {0.1 + 0.2, QStringLiteral("0.30000000000000004")},
        {1e-05, QStringLiteral("1e-05")}, {0.0001, QStringLiteral("0.0001")},
        {0, QStringLiteral("0.0")},       {123.456789012345, {}},
        {10.000000000000002, {}},         {499.99999999999994, {}},
        {3.0000000000000004e-05, {}},     {std::nextafter(20.0, 30.0), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(TemplateDraft::lengthText(c.value), c.text);
        }
        LabelDocument original = rectangular();
        original.layout.columns = 1;
        original.layout.rows = 1;
        original.layout.leftMarginMm = c.value;
        original.layout.columnGapMm = c.value;
        if (c.value >= 10) {
            original.widthMm = c.value;
            original.heightMm = c.value;
        }
        if (c.value <= 5)
            original.layout.cornerRadiusMm = c.value;
        TemplateDraft draft(original, QUuid::createUuid());
        EXPECT_EQ(draft.document(), original);
    }
}

TEST(TemplateDraft, OvalLabelsIgnoreTheRadiusAndEverythingElseIsCarriedOver)
{
    const LabelElement element(QUuid::createUuid(), ElementKind::text, QStringLiteral("far out"), 50, 30, 40, 8, 10);
    LabelDocument original(QStringLiteral("Oval"), 60, 40, {element});
    original.layout.shape = LabelShape::ellipse;
    original.layout.cornerRadiusMm = 0;
    LabelTable table;
    table.sourceName = QStringLiteral("data.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("A")};
    table.rows = {{QStringLiteral("1")}};
    original.table = table;
    original.batch.copies = 3;

    TemplateDraft draft(original, std::nullopt);
    draft.setRadius(QStringLiteral("not a number"));
    draft.setWidth(QStringLiteral("20"));
    draft.setName(QStringLiteral(" Padded "));
    const LabelDocument result = draft.document();
    EXPECT_EQ(result.layout.cornerRadiusMm, 0);
    EXPECT_EQ(result.name, QStringLiteral(" Padded ")); // taken as typed
    EXPECT_EQ(result.widthMm, 20);
    // The element now lies beyond the label: it is neither moved nor dropped.
    EXPECT_EQ(result.elements, original.elements);
    EXPECT_EQ(result.table, original.table);
    EXPECT_EQ(result.batch, original.batch);
    EXPECT_EQ(result.documentID, original.documentID);

    draft.setShape(LabelShape::rectangle);
    EXPECT_ISSUE(draft.document(), DocumentIssue, DocumentIssue::invalidGeometry);
}
