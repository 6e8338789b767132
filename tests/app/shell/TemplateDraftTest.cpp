#include "tests/common/TestSupport.h"

#include "app/shell/TemplateDraft.h"
#include "core/common/DocumentIssue.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrivane;

namespace {

using Setter = void (TemplateDraft::*)(const QString &);
using Getter = const QString &(TemplateDraft::*)() const;

} // namespace

TEST(TemplateDraft, ReadsEachTextOrRefusesIt)
{
    struct Case {
        Setter set;
        Getter get;
        QString text;
        std::optional<double> value; // absent: invalidGeometry
    };
    const Setter w = &TemplateDraft::setWidth, c = &TemplateDraft::setColumns, r = &TemplateDraft::setRows;
    const Getter gw = &TemplateDraft::width, gc = &TemplateDraft::columns, gr = &TemplateDraft::rows;
    const QList<Case> cases = {
        {w, gw, QStringLiteral(" 12,5\n"), 12.5},
        {w, gw, QStringLiteral("1e2"), 100},
        {w, gw, QStringLiteral("0x10"), 16}, // the C reader's hexadecimal form
        {w, gw, QStringLiteral("\u300012.5\u2028"), 12.5},
        {w, gw, QStringLiteral("12.5 mm"), std::nullopt},
        {w, gw, QStringLiteral("1,2,3"), std::nullopt},
        {w, gw, QStringLiteral(""), std::nullopt},
        {w, gw, QStringLiteral("inf"), std::nullopt},
        {w, gw, QStringLiteral("nan"), std::nullopt},
        {w, gw, QStringLiteral("1e999"), std::nullopt},
        {w, gw, QStringLiteral("5"), std::nullopt}, // readable, refused by validation
        {c, gc, QStringLiteral("+4"), 4},
        {c, gc, QStringLiteral("004"), 4},
        {c, gc, QStringLiteral(" 4"), std::nullopt},
        {c, gc, QStringLiteral("4 "), std::nullopt},
        {c, gc, QStringLiteral("3.0"), std::nullopt},
        {c, gc, QStringLiteral("4294967297"), std::nullopt}, // 1 if it were narrowed to 32 bits
        {c, gc, QStringLiteral("18446744073709551617"), std::nullopt},
        {r, gr, QStringLiteral("21"), std::nullopt},
    };
    for (const Case &t : cases) {
        SCOPED_TRACE(t.text.toStdString());
        TemplateDraft draft(LabelDocument(QStringLiteral("Shelf"), 60, 40, {}), std::nullopt);
        (draft.*t.set)(t.text);
        if (t.value) {
            const LabelDocument d = draft.document();
            EXPECT_EQ(t.set == w ? d.widthMm : t.set == c ? double(d.layout.columns) : double(d.layout.rows), *t.value);
        } else {
            EXPECT_ISSUE(draft.document(), DocumentIssue, DocumentIssue::invalidGeometry);
        }
        EXPECT_EQ((draft.*t.get)(), t.text); // reading never changes the draft
    }
}

TEST(TemplateDraft, TextsReadBackToTheIdenticalDocument)
{
    const QList<std::pair<double, QString>> cases = {
        {60, QStringLiteral("60.0")},
        {0.1, QStringLiteral("0.1")},
        {0.1 + 0.2, QStringLiteral("0.30000000000000004")},
        {1e-05, QStringLiteral("1e-05")},
        {0.0001, QStringLiteral("0.0001")},
        {0, QStringLiteral("0.0")},
        {123.456789012345, {}},
        {499.99999999999994, {}},
        {3.0000000000000004e-05, {}},
        {std::nextafter(20.0, 30.0), {}},
    };
    for (const auto &[value, text] : cases) {
        SCOPED_TRACE(value);
        if (!text.isEmpty()) {
            EXPECT_EQ(TemplateDraft::lengthText(value), text);
        }
        LabelDocument original(QStringLiteral("Round trip"), value >= 10 ? value : 60, value >= 10 ? value : 40, {});
        original.layout.leftMarginMm = value;
        original.layout.rowGapMm = value;
        original.layout.rows = 2;
        original.layout.cornerRadiusMm = value <= 5 ? value : 0;
        EXPECT_EQ(TemplateDraft(original, QUuid::createUuid()).document(), original);
    }
}

TEST(TemplateDraft, OvalLabelsIgnoreTheRadiusAndEverythingElseIsCarriedOver)
{
    const LabelElement element(QUuid::createUuid(), ElementKind::text, QStringLiteral("far out"), 50, 30, 40, 8, 10);
    LabelDocument original(QStringLiteral("Oval"), 60, 40, {element});
    original.layout.shape = LabelShape::ellipse;
    original.table =
        LabelTable{QStringLiteral("data.csv"), QStringLiteral("CSV"), {QStringLiteral("A")}, {{QStringLiteral("1")}}};
    original.batch.copies = 3;

    TemplateDraft draft(original, std::nullopt);
    draft.setRadius(QStringLiteral("not a number"));
    draft.setWidth(QStringLiteral("20")); // the element now lies beyond the label: it stays
    const LabelDocument result = draft.document();
    EXPECT_EQ(result.layout.cornerRadiusMm, 0);
    EXPECT_EQ(result.widthMm, 20);
    EXPECT_EQ(result.elements, original.elements);
    EXPECT_EQ(result.table, original.table);
    EXPECT_EQ(result.batch, original.batch);
    EXPECT_EQ(result.documentID, original.documentID);

    draft.setShape(LabelShape::rectangle);
    EXPECT_ISSUE(draft.document(), DocumentIssue, DocumentIssue::invalidGeometry);
}
