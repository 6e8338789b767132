#include "tests/app/io/IoTestSupport.h"
#include "tests/app/table/TableTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/table/BatchDraft.h"
#include "app/table/BatchPreviewView.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportDraft.h"
#include "app/table/TableImportView.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrivane;
using editortest::StoreEnvironment;
using iotest::answeredBy;
using iotest::ScriptedDialogs;
using tabletest::waitUntil;

namespace {

LabelTable numbered(int rows, const QList<QString> &columns = {QStringLiteral("name"), QStringLiteral("copies")})
{
    LabelTable table;
    table.sourceName = QStringLiteral("items.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = columns;
    for (int i = 1; i <= rows; ++i) {
        QList<QString> row{QStringLiteral("Item %1").arg(i)};
        while (row.size() < columns.size())
            row.append(QString::number(i % 3));
        table.rows.append(row);
    }
    return table;
}

LabelElement textElement(std::optional<TableBinding> binding = std::nullopt)
{
    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("Name"), 3, 3, 40, 10, 12);
    text.tableBinding = binding;
    return text;
}

LabelDocument document(std::optional<LabelTable> table, bool counter = false)
{
    QList<LabelElement> elements{textElement(table ? std::optional<TableBinding>(TableBinding(0)) : std::nullopt)};
    if (counter)
        elements.append(LabelElement(QUuid::createUuid(), ElementKind::counter, QString(), 3, 16, 30, 8, 10));
    LabelDocument doc(QStringLiteral("Sheet"), 50, 30, elements);
    doc.layout.columns = 2;
    doc.layout.rows = 2;
    doc.layout.leftMarginMm = 4;
    doc.layout.topMarginMm = 4;
    doc.layout.columnGapMm = 4;
    doc.layout.rowGapMm = 4;
    doc.table = std::move(table);
    return doc;
}

class TableSheetsTest : public ::testing::Test {
protected:
    std::unique_ptr<EditorStore> store(const LabelDocument &doc)
    {
        auto made = env.makeStore(doc);
        answeredBy(*made, dialogs);
        return made;
    }
    bool prepared(BatchView &view)
    {
        return waitUntil([&] { return !view.draft()->preparing() && (view.draft()->job() || view.draft()->error()); });
    }

    StoreEnvironment env;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

} // namespace

TEST_F(TableSheetsTest, BatchControlsFollowTableCopiesColumnAndCounter)
{
    struct Case {
        const char *what;
        LabelDocument doc;
        std::optional<qint64> copiesColumn;
        bool table, copies, zeroHint, advance;
        const char *copiesKey;
    };
    const QList<Case> cases = {
        {"no table", document(std::nullopt), std::nullopt, false, true, false, false, "mac.batch_count"},
        {"table", document(numbered(3)), std::nullopt, true, true, false, false, "mac.batch_copies"},
        {"copies column", document(numbered(3)), 1, true, false, true, false, "mac.batch_copies"},
        {"counter", document(std::nullopt, true), std::nullopt, false, true, false, true, "mac.batch_count"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto editor = store(c.doc);
        BatchView view(editor.get(), &env.localization);
        view.show();
        if (c.copiesColumn)
            view.copiesColumnPicker()->setCurrentIndex(int(*c.copiesColumn) + 1);
        ASSERT_TRUE(prepared(view));
        EXPECT_EQ(view.tableSummary()->isVisible(), c.table);
        EXPECT_EQ(view.rowsField()->isVisible(), c.table);
        EXPECT_EQ(view.copiesColumnPicker()->isVisible(), c.table);
        EXPECT_EQ(view.copiesField()->isVisible(), c.copies);
        EXPECT_EQ(view.zeroHint()->isVisible(), c.zeroHint);
        EXPECT_EQ(view.advanceToggle()->isVisible(), c.advance);
        EXPECT_EQ(view.copiesLabel()->text(), env.localization.text(QString::fromLatin1(c.copiesKey)));
        if (c.copiesColumn) {
            // Back to a fixed number: the field returns with its value.
            view.copiesColumnPicker()->setCurrentIndex(0);
            EXPECT_TRUE(view.copiesField()->isVisible());
            EXPECT_EQ(view.draft()->options().copies, 1);
        }
    }
}

// Text that is no number leaves the copies alone; a number the job refuses shows as an
// error and keeps the button disabled.
TEST_F(TableSheetsTest, CopiesFieldRefusalsShowThroughTheErrorLine)
{
    auto editor = store(document(std::nullopt));
    BatchView view(editor.get(), &env.localization);
    view.show();
    ASSERT_TRUE(prepared(view));
    view.copiesField()->setFocus();
    view.copiesField()->setText(QString());
    QTest::keyClicks(view.copiesField(), QStringLiteral("x"));
    EXPECT_EQ(view.draft()->options().copies, 1);
    view.copiesField()->setText(QString());
    QTest::keyClicks(view.copiesField(), QStringLiteral("10001"));
    ASSERT_TRUE(prepared(view));
    EXPECT_EQ(view.draft()->options().copies, 10001);
    EXPECT_TRUE(view.errorLabel()->isVisible());
    EXPECT_EQ(view.errorLabel()->text(), env.localization.text(QStringLiteral("mac.data_error_copies")));
    EXPECT_FALSE(view.primaryButton()->isEnabled());
    // Cancel stores nothing.
    editor->setShowsBatch(true);
    view.cancelButton()->click();
    EXPECT_FALSE(editor->showsBatch());
    EXPECT_TRUE(editor->undoStack().isEmpty());
}

// A recorder of the export: the undo steps at the moment the save dialog opens.
TEST_F(TableSheetsTest, PrimaryButtonStoresOptionsAsOneStepBeforeTheExport)
{
    for (const bool change : {false, true}) {
        SCOPED_TRACE(change ? "changed options" : "unchanged options");
        auto editor = store(document(numbered(5)));
        editor->setBatchExport(true);
        editor->setShowsBatch(true);
        BatchView view(editor.get(), &env.localization);
        view.show();
        ASSERT_TRUE(prepared(view));
        if (change) {
            QTest::keyClicks(view.rowsField(), QStringLiteral("2-3"));
            ASSERT_TRUE(prepared(view));
        }
        ASSERT_TRUE(view.primaryButton()->isEnabled());
        dialogs.saveRequests.clear();
        view.primaryButton()->click();
        EXPECT_FALSE(editor->showsBatch());
        EXPECT_EQ(editor->undoStack().size(), change ? 1 : 0);
        EXPECT_TRUE(dialogs.saveRequests.isEmpty()) << "the export waits for the next turn";
        QApplication::processEvents();
        EXPECT_EQ(dialogs.saveRequests.size(), 1);
        EXPECT_EQ(editor->document().batch.rows, change ? QStringLiteral("2-3") : QString());
    }
}

TEST_F(TableSheetsTest, RemoveIsOneStepThatResetsBatchAndBindings)
{
    LabelDocument doc = document(numbered(5));
    doc.batch.rows = QStringLiteral("1-2");
    doc.batch.copies = 3;
    auto editor = store(doc);
    editor->setPreviewRow(3);
    editor->setShowsData(true);
    TableImportView cancelled(editor.get(), &env.localization);
    cancelled.show();
    cancelled.cancelButton()->click();
    EXPECT_FALSE(editor->showsData());
    EXPECT_EQ(editor->document(), doc) << "Cancel changes nothing";

    editor->setShowsData(true);
    TableImportView view(editor.get(), &env.localization);
    view.show();
    ASSERT_TRUE(view.removeButton()->isVisible());
    view.removeButton()->click();
    EXPECT_FALSE(editor->showsData());
    EXPECT_EQ(editor->undoStack().size(), 1);
    EXPECT_FALSE(editor->document().table);
    EXPECT_EQ(editor->document().batch, BatchOptions());
    EXPECT_FALSE(editor->document().elements[0].tableBinding);
    EXPECT_EQ(editor->previewRow(), 0);
}

TEST_F(TableSheetsTest, ImportPreviewsTwentyRowsAndAttachesTheTable)
{
    auto editor = store(document(std::nullopt));
    editor->setShowsData(true);
    TableImportView view(editor.get(), &env.localization);
    view.show();
    QByteArray csv = "name;note\n";
    for (int i = 1; i <= 25; ++i)
        csv += "row " + QByteArray::number(i) + ";n\n";
    dialogs.openAnswer = {tabletest::writeFile(dir.filePath(QStringLiteral("rows.CSV")), csv)};
    view.chooseButton()->click();
    ASSERT_EQ(dialogs.openRequests.size(), 1);
    EXPECT_FALSE(dialogs.openRequests[0].multipleSelection);
    EXPECT_TRUE(view.draft()->loading());
    EXPECT_FALSE(view.applyButton()->isEnabled()) << "disabled while loading";
    EXPECT_FALSE(view.chooseButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !view.draft()->loading(); }));

    EXPECT_EQ(view.summaryLabel()->text(), env.localization.format(QStringLiteral("mac.data_summary"), {25, 2}));
    const QAbstractItemModel *grid = view.previewGrid()->model();
    EXPECT_EQ(grid->rowCount(), TableImportView::previewRows);
    EXPECT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("A \u00b7 name"));
    EXPECT_EQ(grid->data(grid->index(19, 0)).toInt(), 20);
    EXPECT_EQ(grid->data(grid->index(19, 1)).toString(), QStringLiteral("row 20"));

    ASSERT_TRUE(view.applyButton()->isEnabled());
    view.applyButton()->click();
    EXPECT_FALSE(editor->showsData());
    ASSERT_TRUE(editor->document().table);
    EXPECT_EQ(editor->document().table->rows.size(), 25);
    EXPECT_EQ(editor->undoStack().size(), 1);
}

TEST(BatchPreviewViewTest, PaintsTheSheetShadingAndOutlines)
{
    LabelDocument doc = document(numbered(4));
    doc.layout.columns = 2;
    doc.layout.rows = 1;
    doc.layout.columnGapMm = 10;
    auto job = std::make_shared<const LabelPrintJob>(doc, BatchOptions(), QDateTime::currentDateTime());

    auto paint = [](BatchPreviewView &view, QSize size) {
        view.resize(size);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        view.render(&image);
        return image;
    };
    BatchPreviewView view;
    view.setJob(job, 0);
    const QColor under = view.palette().color(QPalette::Dark);

    const QImage tiny = paint(view, QSize(32, 200));
    for (const QPoint p : {QPoint(1, 1), QPoint(16, 100), QPoint(31, 199)})
        EXPECT_EQ(tiny.pixel(p), under.rgb());

    // The sheet: (4 + 50 + 10 + 50) × (4 + 30) mm, scaled into 700 × 210 less margins.
    const QImage image = paint(view, QSize(700, 210));
    const QSizeF sheet = LabelRenderer::sheetSize(doc);
    const double scale = std::min(668 / sheet.width(), 178 / sheet.height());
    const QPointF origin((700 - sheet.width() * scale) / 2, (210 - sheet.height() * scale) / 2);
    auto at = [&](double xMm, double yMm) {
        return image.pixelColor((origin + QPointF(xMm, yMm) * (72 / 25.4) * scale).toPoint());
    };
    EXPECT_EQ(at(50, 28), QColor(Qt::white)) << "inside the first label, clear of its text";
    const QColor between = at(59, 20);
    EXPECT_LT(between.red(), 245) << "between the labels: shaded";
    EXPECT_GT(between.red(), 200);
    EXPECT_EQ(image.pixel(3, 3), under.rgb());

    // A page that cannot be drawn still shows the sheet and its outlines.
    LabelDocument broken = doc;
    broken.elements[0].tableBinding = TableBinding(7);
    LabelPrintJob failing = *job;
    failing.document = broken;
    view.setJob(std::make_shared<const LabelPrintJob>(failing), 0);
    const QImage failed = paint(view, QSize(700, 210));
    EXPECT_EQ(failed.pixelColor((origin + QPointF(50, 28) * (72 / 25.4) * scale).toPoint()), QColor(Qt::white));
    const QColor outline = failed.pixelColor((origin + QPointF(4 + 25, 4) * (72 / 25.4) * scale).toPoint());
    EXPECT_GT(outline.blue(), outline.red() + 60) << "the blue outline of the first label";
}

// Printing to a PDF printer completes, and no progress window stays behind.
TEST_F(TableSheetsTest, PrintingEndsWithoutAProgressWindow)
{
    auto editor = store(document(numbered(6)));
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    dialogs.printAnswer = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    };
    {
        BatchView view(editor.get(), &env.localization);
        view.show();
        ASSERT_TRUE(prepared(view));
        EXPECT_EQ(view.draft()->job()->pages(), 2);
        view.primaryButton()->click();
    }
    QApplication::processEvents();
    EXPECT_EQ(editor->statusKey(), std::optional<QString>(QStringLiteral("mac.print_submitted")));
    QPdfDocument read;
    ASSERT_EQ(read.load(printed), QPdfDocument::Error::None);
    EXPECT_EQ(read.pageCount(), 2);
    for (QWidget *widget : QApplication::allWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog *>(widget)) << "the progress window is gone";
}
