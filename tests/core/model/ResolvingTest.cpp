#include "tests/core/model/ModelSamples.h"

#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrivane;
using namespace modelsamples;

namespace {

LabelDocument boundDocument()
{
    LabelElement text = element(ElementKind::text, QStringLiteral("sample"));
    text.tableBinding = TableBinding(1, QStringLiteral("<"), QStringLiteral(">"));
    LabelElement code = element(ElementKind::barcode, QStringLiteral("(01)04601234567893(21)A"), 5, 5, 20, 20);
    code.barcode.symbology = BarcodeSymbology::gs1DataMatrix;
    code.tableBinding = TableBinding(0);
    code.webAppearance = WebAppearance();
    code.webAppearance->gs1Identification = true;
    code.webAppearance->gs1GTIN = QStringLiteral("04601234567893");
    code.webAppearance->gs1Serial = QStringLiteral("S1");
    LabelDocument d = document({text, code, element(ElementKind::line)});
    d.table = table(3, 2);
    d.batch.copies = 3;
    d.batch.rows = QStringLiteral("1");
    return d;
}

} // namespace

TEST(Resolving, FillsTheRowAndLeavesAStandaloneValidDocument)
{
    const LabelDocument d = boundDocument();
    const LabelDocument r = d.resolving(1);
    ASSERT_EQ(r.elements.size(), 3);
    EXPECT_EQ(r.elements[0].content, QStringLiteral("<r1c1>"));
    EXPECT_EQ(r.elements[1].content, QStringLiteral("r1c0"));
    EXPECT_FALSE(r.elements[0].tableBinding);
    EXPECT_FALSE(r.elements[1].tableBinding);
    EXPECT_FALSE(r.elements[1].webAppearance->gs1GTIN);
    EXPECT_FALSE(r.elements[1].webAppearance->gs1Serial);
    EXPECT_EQ(r.elements[1].webAppearance->gs1Identification, true);
    EXPECT_EQ(r.elements[2], d.elements[2]);
    EXPECT_FALSE(r.table);
    EXPECT_EQ(r.batch, BatchOptions());
    EXPECT_EQ(r.documentID, d.documentID);
    // Nothing refers to a table any more, so the result passes the binding checks.
    LabelDocument valid = r;
    valid.elements.removeAt(1);
    EXPECT_NO_THROW(valid.validate());
}

TEST(Resolving, EmptyTextElementsDisappear)
{
    LabelDocument d = boundDocument();
    d.elements[0].tableBinding->prefix.clear();
    d.elements[0].tableBinding->suffix.clear();
    d.table->rows[0][1].clear();
    const LabelDocument r = d.resolving(0);
    ASSERT_EQ(r.elements.size(), 2);
    EXPECT_EQ(r.elements[0].kind, ElementKind::barcode);

    // Unbound empty text elements go too, also without a row; other kinds stay.
    LabelDocument plain = document({element(ElementKind::text, QString()), element(ElementKind::qr, QString())});
    plain.elements[0].webAppearance = WebAppearance();
    const LabelDocument resolvedPlain = plain.resolving(std::nullopt);
    ASSERT_EQ(resolvedPlain.elements.size(), 1);
    EXPECT_EQ(resolvedPlain.elements[0].kind, ElementKind::qr);
}

TEST(Resolving, RefusesBindingsThatCannotBeResolved)
{
    const LabelDocument d = boundDocument();
    EXPECT_ISSUE(d.resolving(std::nullopt), TableIssue, TableIssue::binding);
    EXPECT_ISSUE(d.resolving(-1), TableIssue, TableIssue::binding);
    EXPECT_ISSUE(d.resolving(2), TableIssue, TableIssue::binding);

    LabelDocument noTable = d;
    noTable.table.reset();
    EXPECT_ISSUE(noTable.resolving(0), TableIssue, TableIssue::binding);

    LabelDocument wide = d;
    wide.elements[0].tableBinding->column = 3;
    EXPECT_ISSUE(wide.resolving(0), TableIssue, TableIssue::binding);

    // A short row is caught even though the table is ragged.
    LabelDocument ragged = d;
    ragged.table->rows[0] = {QStringLiteral("only")};
    EXPECT_ISSUE(ragged.resolving(0), TableIssue, TableIssue::binding);
    EXPECT_NO_THROW(ragged.resolving(1));

    LabelDocument line = d;
    line.elements[2].tableBinding = TableBinding(0);
    EXPECT_ISSUE(line.resolving(0), TableIssue, TableIssue::binding);

    // Without bound elements any row is fine.
    const LabelDocument unbound = document({element(ElementKind::text)});
    EXPECT_NO_THROW(unbound.resolving(std::nullopt));
    EXPECT_NO_THROW(unbound.resolving(-5));
}
