#include "tests/app/editor/EditorTestSupport.h"

#include "app/editor/ImagePointSize.h"
#include "core/common/TableIssue.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

using namespace kestrivane;
using editortest::StoreEnvironment;

namespace {

LabelElement element(ElementKind kind, double x, double y, double w, double h)
{
    return LabelElement(QUuid::createUuid(), kind, QStringLiteral("Kestrivane"), x, y, w, h, 12);
}

LabelDocument documentWith(QList<LabelElement> elements, double w = 100, double h = 50)
{
    return LabelDocument(QStringLiteral("Doc"), w, h, std::move(elements));
}

QByteArray png(int width, int height, std::optional<int> dotsPerMetre = std::nullopt)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    if (dotsPerMetre) {
        image.setDotsPerMeterX(*dotsPerMetre);
        image.setDotsPerMeterY(*dotsPerMetre);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (!dotsPerMetre) {
        // Qt always records a resolution; cut the chunk out for a file without one.
        const qsizetype at = bytes.indexOf("pHYs");
        if (at >= 4)
            bytes.remove(at - 4, 4 + 4 + 9 + 4);
    }
    return bytes;
}

class EditorCommandsTest : public ::testing::Test {
protected:
    StoreEnvironment env;
};

} // namespace

TEST_F(EditorCommandsTest, AddSizesAndCentresPerKind)
{
    struct Case {
        ElementKind kind;
        double labelW, labelH, x, y, w, h;
    };
    const Case cases[] = {
        {ElementKind::text, 10, 10, 1.75, 3, 6.5, 4},       {ElementKind::counter, 100, 50, 30, 21, 40, 8},
        {ElementKind::barcode, 100, 50, 27.5, 16, 45, 18},  {ElementKind::line, 100, 50, 40, 24, 20, 2},
        {ElementKind::ellipse, 20, 100, 3.5, 43.5, 13, 13}, {ElementKind::qr, 16, 16, 2.8, 2.8, 10.4, 10.4},
    };
    for (const Case &c : cases) {
        auto store = env.makeStore(documentWith({}, c.labelW, c.labelH));
        store->add(c.kind);
        ASSERT_EQ(store->document().elements.size(), 1) << rawValue(c.kind).toStdString();
        const LabelElement &e = store->document().elements[0];
        EXPECT_NEAR(e.xMm, c.x, 1e-9) << rawValue(c.kind).toStdString();
        EXPECT_NEAR(e.yMm, c.y, 1e-9);
        EXPECT_NEAR(e.widthMm, c.w, 1e-9);
        EXPECT_NEAR(e.heightMm, c.h, 1e-9);
        EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{e.id});
        EXPECT_EQ(store->undoStack().size(), 1);
    }
    auto store = env.makeStore(documentWith({}));
    store->add(ElementKind::qr);
    EXPECT_EQ(store->document().elements[0].content, QStringLiteral("01234567890123"));
    EXPECT_TRUE(env.alerts->alerts.isEmpty());

    // 15 × 0.65 = 9.75 mm: too small for a code, refused with an alert.
    auto narrow = env.makeStore(documentWith({}, 15, 40));
    narrow->add(ElementKind::qr);
    EXPECT_TRUE(narrow->document().elements.isEmpty());
    EXPECT_TRUE(narrow->undoStack().isEmpty());
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].informativeText, env.localization.text(QStringLiteral("mac.error_geometry")));

    narrow->add(ElementKind::image);
    EXPECT_TRUE(narrow->showsLibrary());
    EXPECT_TRUE(narrow->document().elements.isEmpty());
}

TEST_F(EditorCommandsTest, DuplicateOffsetsWithinTheLabel)
{
    const LabelElement atRight = element(ElementKind::rectangle, 80, 10, 20, 10);
    auto store = env.makeStore(documentWith({atRight}));
    store->setSelectedID(atRight.id);
    ASSERT_TRUE(store->insert(store->selection(), true));
    ASSERT_EQ(store->document().elements.size(), 2);
    const LabelElement &copy = store->document().elements[1];
    EXPECT_NE(copy.id, atRight.id);
    EXPECT_EQ(copy.xMm, 80); // touches the right edge: moved only downwards
    EXPECT_EQ(copy.yMm, 12);
    EXPECT_EQ(store->selectedIDs(), QSet<QUuid>{copy.id});

    // On an elliptical label a copy whose corner would leave the ellipse is not offset.
    LabelDocument oval = documentWith({}, 50, 30);
    oval.layout.shape = LabelShape::ellipse;
    const LabelElement centred = element(ElementKind::rectangle, 10, 5, 30, 20);
    oval.elements.append(centred);
    auto ovalStore = env.makeStore(oval);
    ASSERT_TRUE(ovalStore->insert({centred}, true));
    EXPECT_EQ(ovalStore->document().elements[1].xMm, 10);
    EXPECT_EQ(ovalStore->document().elements[1].yMm, 5);
    // A smaller copy fits after the offset and moves.
    const LabelElement small = element(ElementKind::rectangle, 20, 10, 5, 5);
    ASSERT_TRUE(ovalStore->insert({small}, true));
    EXPECT_EQ(ovalStore->document().elements[2].xMm, 22);

    EXPECT_FALSE(store->insert({}, true));
    EXPECT_EQ(store->undoStack().size(), 1);
}

TEST_F(EditorCommandsTest, InsertRefusesInvalidResults)
{
    auto store = env.makeStore(documentWith({}));
    LabelElement bad = element(ElementKind::text, 10, 10, 10, 5);
    bad.fontSizePt = -1;
    EXPECT_FALSE(store->insert({bad}, false));
    ASSERT_TRUE(store->statusKey().has_value());
    EXPECT_TRUE(store->document().elements.isEmpty());
    EXPECT_TRUE(store->undoStack().isEmpty());

    // A table that passes its own limits but whose quotes double in the file.
    LabelTable quotes;
    quotes.sourceName = QStringLiteral("q.csv");
    quotes.sheetName = QStringLiteral("CSV");
    quotes.columns = {QStringLiteral("A")};
    for (int i = 0; i < 1500; ++i)
        quotes.rows.append({QString(4096, QLatin1Char('"'))});
    EXPECT_ISSUE(store->attachTable(quotes), DocumentIssue, DocumentIssue::tooLarge);
    EXPECT_FALSE(store->document().table.has_value());
    store->replaceTable(quotes); // unchecked on purpose
    const qsizetype steps = store->undoStack().size();
    EXPECT_FALSE(store->insert({element(ElementKind::text, 1, 1, 5, 5)}, false));
    EXPECT_EQ(store->statusKey(), QStringLiteral("mac.error_large"));
    EXPECT_EQ(store->undoStack().size(), steps);
}

TEST_F(EditorCommandsTest, DeleteSelectAllAndLayers)
{
    const LabelElement a = element(ElementKind::text, 0, 0, 5, 5), b = element(ElementKind::line, 10, 0, 5, 5),
                       c = element(ElementKind::ellipse, 20, 0, 5, 5);
    auto store = env.makeStore(documentWith({a, b, c}));
    store->deleteSelection();
    EXPECT_TRUE(store->undoStack().isEmpty());

    store->setSelectedIDs({a.id, b.id});
    store->changeLayer(true);
    ASSERT_EQ(store->document().elements.size(), 3);
    EXPECT_EQ(store->document().elements[0].id, c.id);
    EXPECT_EQ(store->document().elements[1].id, a.id);
    EXPECT_EQ(store->document().elements[2].id, b.id);
    store->changeLayer(true); // already on top
    EXPECT_EQ(store->undoStack().size(), 1);
    store->changeLayer(false);
    EXPECT_EQ(store->document().elements[0].id, a.id);
    EXPECT_EQ(store->document().elements[2].id, c.id);

    store->selectAll();
    EXPECT_EQ(store->selectedIDs().size(), 3);
    EXPECT_EQ(store->undoStack().size(), 2);
    store->setSelectedIDs({b.id});
    store->deleteSelection();
    EXPECT_EQ(store->document().elements.size(), 2);
    EXPECT_TRUE(store->selectedIDs().isEmpty());
}

TEST_F(EditorCommandsTest, NudgeMovesByMillimetresOrGridLinesWithinTheLabel)
{
    const LabelElement a = element(ElementKind::rectangle, 0.5, 12, 10, 10);
    auto store = env.makeStore(documentWith({a}));
    store->setSelectedID(a.id);
    store->nudgeSelection(-1, 0, 1);
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 0); // stops at the edge
    EXPECT_EQ(store->undoStack().size(), 1);
    store->nudgeSelection(-1, 0, 1);
    EXPECT_EQ(store->undoStack().size(), 1);
    EXPECT_FALSE(store->dragStart().has_value());

    store->nudgeSelection(1, 1, 3);
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 3);
    EXPECT_DOUBLE_EQ(store->document().elements[0].yMm, 15);

    // With the grid the left and top edges land on grid lines (step 5).
    store->setShowsGrid(true);
    store->nudgeSelection(1, -1, 1);
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 5);
    EXPECT_DOUBLE_EQ(store->document().elements[0].yMm, 10);
    store->nudgeSelection(1, 0, 100); // clamped to the right edge
    EXPECT_DOUBLE_EQ(store->document().elements[0].xMm, 90);

    const qsizetype steps = store->undoStack().size();
    store->nudgeSelection(0, 0, 1);
    store->nudgeSelection(1, 0, 0);
    store->setSelectedIDs({});
    store->nudgeSelection(1, 0, 1);
    EXPECT_EQ(store->undoStack().size(), steps);
}

TEST_F(EditorCommandsTest, InlineTextRules)
{
    LabelElement plain = element(ElementKind::text, 0, 0, 10, 5);
    LabelElement web = element(ElementKind::text, 0, 10, 10, 5);
    web.webAppearance = WebAppearance();
    LabelElement bound = element(ElementKind::text, 0, 20, 10, 5);
    bound.tableBinding = TableBinding(0);
    const LabelElement code = element(ElementKind::barcode, 20, 20, 30, 10);
    auto store = env.makeStore(documentWith({plain, web, bound, code}));

    EXPECT_TRUE(store->commitInlineText(QString(4096, QLatin1Char('a')), plain.id));
    EXPECT_FALSE(store->commitInlineText(QString(4097, QLatin1Char('a')), plain.id));
    // e + combining acute is one character.
    QString combined;
    for (int i = 0; i < 4096; ++i)
        combined += QStringLiteral("e\u0301");
    EXPECT_TRUE(store->commitInlineText(combined, plain.id));
    EXPECT_EQ(store->document().elements[0].content, combined);

    EXPECT_FALSE(store->commitInlineText(QString(), plain.id));
    EXPECT_TRUE(store->commitInlineText(QString(), web.id));
    EXPECT_FALSE(store->commitInlineText(QStringLiteral("x"), bound.id));
    EXPECT_FALSE(store->commitInlineText(QStringLiteral("123"), code.id));
    EXPECT_FALSE(store->commitInlineText(QStringLiteral("x"), QUuid::createUuid()));
    const qsizetype steps = store->undoStack().size();
    EXPECT_TRUE(store->commitInlineText(combined, plain.id)); // unchanged: accepted, not recorded
    EXPECT_EQ(store->undoStack().size(), steps);
}

TEST_F(EditorCommandsTest, AlignToLabelOrToEachOther)
{
    LabelElement turned = element(ElementKind::rectangle, 10, 10, 20, 10);
    turned.rotationDegrees = 90; // visible box 15…25 × 5…25
    const LabelElement other = element(ElementKind::rectangle, 40, 30, 10, 10);
    auto store = env.makeStore(documentWith({turned, other}));

    store->setSelectedID(turned.id);
    store->align(EditorStore::Alignment::right);
    EXPECT_NEAR(store->document().elements[0].bounds().right(), 100, 1e-9);
    store->align(EditorStore::Alignment::middle);
    EXPECT_NEAR(store->document().elements[0].bounds().center().y(), 25, 1e-9);

    store->setSelectedIDs({turned.id, other.id});
    store->align(EditorStore::Alignment::left);
    EXPECT_NEAR(store->document().elements[0].bounds().left(), 40, 1e-9);
    EXPECT_NEAR(store->document().elements[1].xMm, 40, 1e-9);
    store->align(EditorStore::Alignment::top);
    EXPECT_NEAR(store->document().elements[0].bounds().top(), 15, 1e-9);
    EXPECT_NEAR(store->document().elements[1].yMm, 15, 1e-9);

    // An element beyond the coordinate limit cannot be aligned.
    LabelElement far = element(ElementKind::rectangle, 1995, 0, 10, 10);
    const LabelElement near = element(ElementKind::rectangle, 0, 0, 10, 10);
    auto farStore = env.makeStore(documentWith({far, near}));
    farStore->setSelectedIDs({far.id, near.id});
    farStore->align(EditorStore::Alignment::right);
    EXPECT_EQ(farStore->statusKey(), QStringLiteral("mac.error_geometry"));
    EXPECT_TRUE(farStore->undoStack().isEmpty());
}

TEST_F(EditorCommandsTest, AddImageSizesByPointsAndKeepsTheBytes)
{
    auto store = env.makeStore(documentWith({}, 50, 30));
    // 200 × 100 pixels at 144 dpi are 100 × 50 points.
    const QByteArray bytes = png(200, 100, qRound(144 / 0.0254));
    store->addImage(bytes, QStringLiteral("Sign"), QStringLiteral("user:abc"));
    ASSERT_EQ(store->document().elements.size(), 1);
    const LabelElement &e = store->document().elements[0];
    EXPECT_NEAR(e.widthMm, 32.5, 1e-3);
    EXPECT_NEAR(e.heightMm, 16.25, 1e-3);
    EXPECT_NEAR(e.xMm, 8.75, 1e-3);
    EXPECT_NEAR(e.yMm, 6.875, 1e-3);
    EXPECT_EQ(e.kind, ElementKind::image);
    EXPECT_EQ(e.content, QStringLiteral("Sign"));
    EXPECT_EQ(e.imageData, bytes);
    EXPECT_EQ(e.graphicID, QStringLiteral("user:abc"));

    EXPECT_ISSUE(store->addImage(QByteArray("not a picture"), QStringLiteral("x"), std::nullopt), DocumentIssue,
                 DocumentIssue::invalidImage);
    EXPECT_EQ(store->document().elements.size(), 1);
}

TEST(ImagePointSize, ReadsThePhysicalResolutionOrFallsBackToPixels)
{
    const QByteArray at72 = png(30, 20, 2835);
    const QSizeF size = imagePointSize(at72, QSize(30, 20));
    EXPECT_NEAR(size.width(), 30 * 72 / (2835 * 0.0254), 1e-9);
    const QByteArray none = png(30, 20);
    ASSERT_FALSE(none.contains("pHYs"));
    EXPECT_EQ(imagePointSize(none, QSize(30, 20)), QSizeF(30, 20));
    EXPECT_EQ(imagePointSize(at72.left(40), QSize(30, 20)), QSizeF(30, 20));
    EXPECT_EQ(imagePointSize(QByteArray("GIF89a"), QSize(3, 2)), QSizeF(3, 2));
}

TEST_F(EditorCommandsTest, AttachAndReplaceTableResetBatchAndBindings)
{
    LabelElement bound = element(ElementKind::text, 0, 0, 10, 5);
    bound.tableBinding = TableBinding(0);
    LabelDocument document = documentWith({bound});
    document.batch.copies = 3;
    auto store = env.makeStore(document);
    store->setPreviewRow(5);

    LabelTable table;
    table.sourceName = QStringLiteral("t.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("A"), QStringLiteral("B")};
    table.rows = {{QStringLiteral("1"), QStringLiteral("2")}};
    store->attachTable(table);
    EXPECT_EQ(store->document().table, table);
    EXPECT_EQ(store->document().batch, BatchOptions());
    EXPECT_FALSE(store->document().elements[0].tableBinding.has_value());
    EXPECT_EQ(store->previewRow(), 0);
    EXPECT_EQ(store->undoStack().size(), 1);

    LabelTable ragged = table;
    ragged.rows.append({QStringLiteral("only one")});
    EXPECT_ISSUE(store->attachTable(ragged), TableIssue, TableIssue::large);
    EXPECT_EQ(store->document().table, table);

    store->replaceTable(std::nullopt);
    EXPECT_FALSE(store->document().table.has_value());
    EXPECT_EQ(store->undoStack().size(), 2);
}
