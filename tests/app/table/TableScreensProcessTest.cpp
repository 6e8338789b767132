// Pictures of the table import and batch sheets on a private X server (real fonts and
// window sizes), for a person to look at. The child program is this test binary, started
// with a role in the environment; the role runs in place of the tests.

#include "tests/app/io/IoTestSupport.h"
#include "tests/app/table/TableTestSupport.h"
#include "tests/common/ScreenshotChild.h"
#include "tests/common/TestSupport.h"
#include "tests/common/ZipWriter.h"

#include "app/table/BatchDraft.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportDraft.h"
#include "app/table/TableImportView.h"

#include <QComboBox>
#include <QImage>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrivane;

namespace {

bool save(QWidget *window, const QString &name)
{
    tabletest::HeldWork::settle();
    return window->grab().save(testsupport::outputPath(name));
}

// A Windows-1251 price list with long names, and a workbook of three sheets whose numbers
// bring the values warning.
QByteArray cyrillicCsv()
{
    const QStringList names = {QStringLiteral("Молоко пастеризованное 3,2 %"), QStringLiteral("Хлеб ржаной"),
                               QStringLiteral("Сыр «Российский», весовой, нарезка для витрины самообслуживания")};
    QString text = QStringLiteral("Наименование;Артикул;Цена;Копий\n");
    for (int i = 0; i < 24; ++i)
        text += QStringLiteral("%1;%2;%3,50;%4\n").arg(names[i % 3]).arg(460100000 + i * 17).arg(40 + i).arg(i % 3 + 1);
    return QStringEncoder("Windows-1251").encode(text);
}

QByteArray threeSheetWorkbook()
{
    auto cell = [](const QString &ref, const QString &text) {
        return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>").arg(ref, text);
    };
    QString rows = QStringLiteral("<row>%1%2%3</row>")
                       .arg(cell(QStringLiteral("A1"), QStringLiteral("Product")),
                            cell(QStringLiteral("B1"), QStringLiteral("Price")), cell(QStringLiteral("C1"), {}));
    for (int r = 2; r <= 12; ++r)
        rows += QStringLiteral("<row>%1<c r=\"B%2\"><v>%3</v></c>%4</row>")
                    .arg(cell(QStringLiteral("A%1").arg(r), QStringLiteral("Shelf label %1").arg(r - 1)))
                    .arg(r)
                    .arg(r * 1.25)
                    .arg(cell(QStringLiteral("C%1").arg(r), QStringLiteral("aisle %1").arg(r % 4)));
    testsupport::WorkbookBuilder book;
    book.addSheet(QStringLiteral("Prices"), rows);
    book.addSheet(QStringLiteral("Stock"), QStringLiteral("<row>%1</row>").arg(cell(QStringLiteral("A1"), "x")));
    book.addSheet(QStringLiteral("Notes"), QString());
    return book.build();
}

// Nine rows whose copies column asks for 18 labels: two sheets of 3 × 4.
LabelDocument batchDocument()
{
    LabelElement name(QUuid::createUuid(), ElementKind::text, QStringLiteral("Name"), 3, 3, 44, 9, 11);
    name.tableBinding = TableBinding(0);
    LabelElement code(QUuid::createUuid(), ElementKind::barcode, QStringLiteral("460100000"), 3, 14, 44, 12, 10);
    code.tableBinding = TableBinding(1);
    LabelElement counter(QUuid::createUuid(), ElementKind::counter, QString(), 36, 3, 12, 6, 8);
    LabelDocument document(QStringLiteral("Shelf"), 50, 30, {name, code, counter});
    document.layout = {LabelShape::rectangle, 3, LabelMedium::directThermal, 3, 4, 5, 5, 3, 3};
    LabelTable table{QStringLiteral("shelf.csv"),
                     QStringLiteral("CSV"),
                     {QStringLiteral("Name"), QStringLiteral("Code"), QStringLiteral("Copies")},
                     {}};
    for (int i = 0; i < 9; ++i)
        table.rows.append(
            {QStringLiteral("Label %1").arg(i + 1), QString::number(460100000 + i * 7), QString::number(i % 3 + 1)});
    document.table = table;
    return document;
}

bool screensProgram()
{
    editortest::StoreEnvironment env;
    iotest::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString csv = tabletest::writeFile(dir.filePath(QStringLiteral("товары.csv")), cyrillicCsv());
    const QString book = tabletest::writeFile(dir.filePath(QStringLiteral("Shelf prices.xlsx")), threeSheetWorkbook());
    bool saved = true;

    for (const AppLanguage language : {AppLanguage::english, AppLanguage::russian}) {
        env.localization.select(language);
        const QString suffix = language == AppLanguage::english ? QStringLiteral("en") : QStringLiteral("ru");

        auto store = env.makeStore(batchDocument());
        iotest::answeredBy(*store, dialogs);

        TableImportView import(store.get(), &env.localization);
        import.show();
        import.draft()->load(csv);
        tabletest::waitUntil([&] { return !import.draft()->loading(); });
        import.encodingPicker()->setCurrentIndex(3); // Windows-1251
        tabletest::waitUntil([&] { return !import.draft()->loading(); });
        saved = save(&import, QStringLiteral("table-import-csv-%1.png").arg(suffix)) && saved;

        import.draft()->load(book);
        tabletest::waitUntil([&] { return !import.draft()->loading(); });
        saved = save(&import, QStringLiteral("table-import-workbook-%1.png").arg(suffix)) && saved;
        import.reject();

        store->setBatchExport(language == AppLanguage::english);
        BatchView batch(store.get(), &env.localization);
        batch.show();
        tabletest::waitUntil([&] { return batch.draft()->job() || batch.draft()->error(); });
        batch.copiesColumnPicker()->setCurrentIndex(3);
        tabletest::waitUntil([&] { return batch.draft()->job() || batch.draft()->error(); });
        batch.draft()->setPage(2);
        saved = save(&batch, QStringLiteral("table-batch-%1.png").arg(suffix)) && saved;
        batch.reject();
    }

    return saved;
}

[[maybe_unused]] const bool added = testsupport::addScreenshotRole(QStringLiteral("table-screens"), screensProgram);

} // namespace

TEST(TableScreensProcess, ScreenshotsOfTheImportAndBatchSheets)
{
    if (!testsupport::takeScreenshots(QStringLiteral("table-screens"), QStringLiteral("TableScreensProcess.*"),
                                      QSize(1200, 900)))
        return;
    EXPECT_EQ(QImage(testsupport::outputPath(QStringLiteral("table-batch-en.png"))).size(), BatchView::fixedSize);
}
