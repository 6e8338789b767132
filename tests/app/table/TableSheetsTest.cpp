#include "tests/app/io/IoTestSupport.h"
#include "tests/app/table/TableTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/common/ZipWriter.h"

#include "app/table/BatchDraft.h"
#include "app/table/BatchPreviewView.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportDraft.h"
#include "app/table/TableImportView.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"
#include "core/table/WorkbookArchive.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
using iotest::ScriptedDialogs;
using tabletest::waitUntil;

namespace {

LabelTable numbered(int rows)
{
    LabelTable table;
    table.sourceName = QStringLiteral("items.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("name"), QStringLiteral("copies")};
    for (int i = 1; i <= rows; ++i)
        table.rows.append({QStringLiteral("Item %1").arg(i), QString::number(i % 3)});
    return table;
}

// A 2 × 2 sheet of 50 × 30 mm labels, 4 mm margins and gaps; the text is bound while there is a table.
LabelDocument document(std::optional<LabelTable> table, bool counter = false)
{
    LabelElement text(QUuid::createUuid(), ElementKind::text, QStringLiteral("Name"), 3, 3, 40, 10, 12);
    if (table)
        text.tableBinding = TableBinding(0);
    LabelDocument doc(QStringLiteral("Sheet"), 50, 30, {text});
    if (counter)
        doc.elements.append(LabelElement(QUuid::createUuid(), ElementKind::counter, QString(), 3, 16, 30, 8, 10));
    doc.layout.columns = doc.layout.rows = 2;
    doc.layout.leftMarginMm = doc.layout.topMarginMm = doc.layout.columnGapMm = doc.layout.rowGapMm = 4;
    doc.table = std::move(table);
    return doc;
}

class TableSheetsTest : public ::testing::Test {
protected:
    std::unique_ptr<EditorStore> store(const LabelDocument &doc)
    {
        auto made = env.makeStore(doc);
        iotest::answeredBy(*made, dialogs);
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
    const struct {
        const char *what;
        LabelDocument doc;
        bool copiesColumn, table, copies, advance;
        const char *copiesKey;
    } cases[] = {
        {"no table", document(std::nullopt), false, false, true, false, "mac.batch_count"},
        {"table", document(numbered(3)), false, true, true, false, "mac.batch_copies"},
        {"copies column", document(numbered(3)), true, true, false, false, "mac.batch_copies"},
        {"counter", document(std::nullopt, true), false, false, true, true, "mac.batch_count"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        auto editor = store(c.doc);
        BatchView view(editor.get(), &env.localization);
        view.show();
        if (c.copiesColumn)
            view.copiesColumnPicker()->setCurrentIndex(2);
        ASSERT_TRUE(prepared(view));
        EXPECT_EQ(view.tableSummary()->isVisible(), c.table);
        EXPECT_EQ(view.rowsField()->isVisible(), c.table);
        EXPECT_EQ(view.copiesColumnPicker()->isVisible(), c.table);
        EXPECT_EQ(view.copiesField()->isVisible(), c.copies);
        EXPECT_EQ(view.zeroHint()->isVisible(), c.copiesColumn);
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
// error and keeps the button disabled. Cancel stores nothing.
TEST_F(TableSheetsTest, CopiesFieldRefusalsShowThroughTheErrorLine)
{
    auto editor = store(document(std::nullopt));
    editor->setShowsBatch(true);
    BatchView view(editor.get(), &env.localization);
    view.show();
    ASSERT_TRUE(prepared(view));
    // Focus leaving the field mid-typing would reformat it: let the window settle first.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
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
    view.cancelButton()->click();
    EXPECT_FALSE(editor->showsBatch());
    EXPECT_TRUE(editor->undoStack().isEmpty());
}

// The options are stored as one step, none when unchanged, before the job goes out on the
// next turn, also when the sheet is gone by then; no progress window stays after printing.
TEST_F(TableSheetsTest, PrimaryButtonStoresOptionsThenExportsOrPrints)
{
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    dialogs.printAnswer = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    };
    const struct {
        bool exporting;
        QString rows;
    } cases[] = {{true, QString()}, {true, QStringLiteral("2-3")}, {false, QString()}};
    for (const auto &c : cases) {
        SCOPED_TRACE((c.exporting ? "export " : "print ") + c.rows.toStdString());
        auto editor = store(document(numbered(6)));
        editor->setBatchExport(c.exporting);
        editor->setShowsBatch(true);
        dialogs.saveRequests.clear();
        {
            BatchView view(editor.get(), &env.localization);
            view.show();
            ASSERT_TRUE(prepared(view));
            QTest::keyClicks(view.rowsField(), c.rows);
            ASSERT_TRUE(prepared(view));
            view.primaryButton()->click();
        }
        EXPECT_FALSE(editor->showsBatch());
        EXPECT_EQ(editor->undoStack().size(), c.rows.isEmpty() ? 0 : 1);
        EXPECT_EQ(editor->document().batch.rows, c.rows);
        EXPECT_TRUE(dialogs.saveRequests.isEmpty()) << "the export waits for the next turn";
        QApplication::processEvents();
        EXPECT_EQ(dialogs.saveRequests.size(), c.exporting ? 1 : 0);
        EXPECT_EQ(editor->statusKey() == std::optional<QString>(QStringLiteral("mac.print_submitted")), !c.exporting);
    }
    QPdfDocument read;
    ASSERT_EQ(read.load(printed), QPdfDocument::Error::None);
    EXPECT_EQ(read.pageCount(), 2);
    for (QWidget *widget : QApplication::allWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog *>(widget)) << "the progress window is gone";
}

// Cancel changes nothing; Remove is one step that also resets batch, bindings and preview
// row; then a file of 25 rows previews 20 and attaches as one step.
TEST_F(TableSheetsTest, ImportSheetCancelsRemovesAndAttaches)
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
    EXPECT_EQ(editor->document(), doc);

    editor->setShowsData(true);
    TableImportView removing(editor.get(), &env.localization);
    removing.show();
    ASSERT_TRUE(removing.removeButton()->isVisible());
    removing.removeButton()->click();
    EXPECT_FALSE(editor->showsData());
    EXPECT_EQ(editor->undoStack().size(), 1);
    EXPECT_FALSE(editor->document().table);
    EXPECT_EQ(editor->document().batch, BatchOptions());
    EXPECT_FALSE(editor->document().elements[0].tableBinding);
    EXPECT_EQ(editor->previewRow(), 0);

    editor->setShowsData(true);
    TableImportView view(editor.get(), &env.localization);
    view.show();
    EXPECT_FALSE(view.removeButton()->isVisible());
    tabletest::HeldWork work;
    view.draft()->setLauncher(work.launcher());
    QByteArray csv = "name;note\n";
    for (int i = 1; i <= 25; ++i)
        csv += "row " + QByteArray::number(i) + ";n\n";
    dialogs.openAnswer = {tabletest::writeFile(dir.filePath(QStringLiteral("rows.CSV")), csv)};
    view.chooseButton()->click();
    ASSERT_EQ(dialogs.openRequests.size(), 1);
    EXPECT_FALSE(dialogs.openRequests[0].multipleSelection);
    EXPECT_FALSE(view.applyButton()->isEnabled()) << "disabled while loading";
    work.finishFrom(0);
    EXPECT_EQ(view.summaryLabel()->text(), env.localization.format(QStringLiteral("mac.data_summary"), {25, 2}));
    const QAbstractItemModel *grid = view.previewGrid()->model();
    EXPECT_EQ(grid->rowCount(), 20);
    EXPECT_EQ(grid->data(grid->index(19, 0)).toInt(), 20);
    EXPECT_EQ(grid->data(grid->index(19, 1)).toString(), QStringLiteral("row 20"));
    view.applyButton()->click();
    EXPECT_FALSE(editor->showsData());
    ASSERT_TRUE(editor->document().table);
    EXPECT_EQ(editor->document().table->rows.size(), 25);
    EXPECT_EQ(editor->undoStack().size(), 2);
}

// Tab and Shift+Tab leave the preview for the sheet's next and previous controls, also while a
// cell's text is open for selecting; the arrow keys still move between the cells.
TEST_F(TableSheetsTest, TabLeavesTheImportPreview)
{
    auto editor = store(document(std::nullopt));
    editor->setShowsData(true);
    TableImportView view(editor.get(), &env.localization);
    view.show();
    QApplication::setActiveWindow(&view);
    tabletest::HeldWork work;
    view.draft()->setLauncher(work.launcher());
    dialogs.openAnswer = {tabletest::writeFile(dir.filePath(QStringLiteral("rows.csv")), "a;b\n1;2\n3;4\n")};
    view.chooseButton()->click();
    work.finishFrom(0);
    QTableView *grid = view.previewGrid();
    for (const bool editing : {false, true}) {
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            SCOPED_TRACE(std::to_string(editing) + " " + std::to_string(key));
            grid->setFocus(Qt::TabFocusReason);
            grid->setCurrentIndex(grid->model()->index(0, 1));
            QTest::keyClick(grid, Qt::Key_Right);
            EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 2));
            if (editing)
                grid->edit(grid->currentIndex());
            ASSERT_EQ(QApplication::focusWidget() == grid, !editing);
            QTest::keyClick(QApplication::focusWidget(), key);
            QWidget *stop = QApplication::focusWidget();
            ASSERT_TRUE(stop && stop->isVisible() && stop != grid && !grid->isAncestorOf(stop));
            // The stop just reached lies on the grid's other side.
            QTest::keyClick(stop, key == Qt::Key_Tab ? Qt::Key_Backtab : Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), grid);
        }
    }
}

// A sound workbook whose sheet part only unpacks past the limit is shown as too large; a
// workbook over another of the reader's limits keeps its own message.
TEST_F(TableSheetsTest, ImportSheetTellsTooLargeFromDamaged)
{
    const QString row = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Item</t></is></c></row>");
    testsupport::WorkbookBuilder oversized;
    oversized.addSheet(QStringLiteral("S"),
                       testsupport::WorkbookBuilder::paddedRows(row, WorkbookArchive::maximumEntryBytes + 1));
    testsupport::WorkbookBuilder sheets51;
    for (int i = 1; i <= 51; ++i)
        sheets51.addSheet(QStringLiteral("S%1").arg(i), row);
    const struct {
        const char *file;
        QByteArray bytes;
        const char *key;
    } cases[] = {{"oversized.xlsx", oversized.build(), "mac.data_error_large"},
                 {"sheets51.xlsx", sheets51.build(), "mac.data_error_workbook"}};
    auto editor = store(document(std::nullopt));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_LT(c.bytes.size(), 1024 * 1024) << "the file itself is small";
        editor->setShowsData(true);
        TableImportView view(editor.get(), &env.localization);
        view.show();
        tabletest::HeldWork work;
        view.draft()->setLauncher(work.launcher());
        dialogs.openAnswer = {tabletest::writeFile(dir.filePath(QString::fromLatin1(c.file)), c.bytes)};
        view.chooseButton()->click();
        work.finishFrom(0);
        EXPECT_TRUE(view.issueLabel()->isVisible());
        EXPECT_EQ(view.issueLabel()->text(), env.localization.text(QString::fromLatin1(c.key)));
        EXPECT_FALSE(view.applyButton()->isEnabled());
    }
}

TEST(BatchPreviewViewTest, PaintsTheSheetShadingAndOutlines)
{
    LabelDocument doc = document(numbered(4));
    doc.layout.rows = 1;
    doc.layout.columnGapMm = 10;
    const LabelPrintJob job(doc, BatchOptions(), QDateTime::currentDateTime());
    // A page that cannot be drawn still shows the sheet and its outlines.
    doc.elements.append(LabelElement(QUuid::createUuid(), ElementKind::image, QString(), 3, 16, 10, 10, 12));
    doc.elements.last().imageData = testsupport::undecodablePicture();
    const LabelPrintJob failing(doc, BatchOptions(), QDateTime::currentDateTime());
    {
        QImage probe(10, 10, QImage::Format_ARGB32);
        QPainter painter(&probe);
        ASSERT_ANY_THROW(failing.draw(0, painter));
    }

    BatchPreviewView view;
    const auto paint = [&](const LabelPrintJob &shown, QSize size) {
        view.setJob(std::make_shared<const LabelPrintJob>(shown), 0);
        view.resize(size);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        view.render(&image);
        return image;
    };
    const QRgb under = view.palette().color(QPalette::Dark).rgb();
    const QImage tiny = paint(job, QSize(32, 200));
    for (const QPoint p : {QPoint(1, 1), QPoint(16, 100), QPoint(31, 199)})
        EXPECT_EQ(tiny.pixel(p), under);

    // The sheet, centred in 700 × 210 less 16 on each side; points in millimetres.
    const QSizeF sheet = LabelRenderer::sheetSize(doc);
    const double scale = std::min(668 / sheet.width(), 178 / sheet.height());
    const QPointF origin((700 - sheet.width() * scale) / 2, (210 - sheet.height() * scale) / 2);
    const auto at = [&](const QImage &image, double xMm, double yMm) {
        return image.pixelColor((origin + QPointF(xMm, yMm) * (72 / 25.4) * scale).toPoint());
    };
    const QImage image = paint(job, QSize(700, 210));
    EXPECT_EQ(at(image, 50, 28), QColor(Qt::white)) << "inside the first label, clear of its text";
    const QColor between = at(image, 59, 20);
    EXPECT_LT(between.red(), 245) << "between the labels: shaded";
    EXPECT_GT(between.red(), 200);
    EXPECT_EQ(image.pixel(3, 3), under);

    const QImage failed = paint(failing, QSize(700, 210));
    EXPECT_EQ(at(failed, 50, 28), QColor(Qt::white));
    const QColor outline = at(failed, 4 + 25, 4);
    EXPECT_GT(outline.blue(), outline.red() + 60) << "the blue outline of the first label";
}
