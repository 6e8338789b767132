#include "tests/app/io/IoTestSupport.h"
#include "tests/common/TestSupport.h"

#include "app/io/PrintHandoff.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageRanges>
#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace kestrivane;
using editortest::StoreEnvironment;
using iotest::answeredBy;
using iotest::ScriptedDialogs;

namespace {

constexpr double pointsPerMm = 72.0 / 25.4;

// Labels of 50 × 30 mm with a filled black box, on sheets of `columns` × `rows`.
LabelDocument sheetDocument(qint64 columns, qint64 rows, double widthMm = 50, double heightMm = 30)
{
    LabelElement box(QUuid::createUuid(), ElementKind::rectangle, QString(), 10, 10, 20, 10, 12);
    box.filled = true;
    LabelDocument document(QStringLiteral("Stock"), widthMm, heightMm, {box});
    document.layout.columns = columns;
    document.layout.rows = rows;
    return document;
}

LabelPrintJob jobOf(const LabelDocument &document, qint64 labels)
{
    BatchOptions options;
    options.copies = labels;
    return LabelPrintJob(document, options, QDateTime(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc()));
}

struct LoadedPdf {
    std::unique_ptr<QPdfDocument> pdf = std::make_unique<QPdfDocument>();
    bool ok = false;
};

LoadedPdf loadPdf(const QString &path)
{
    LoadedPdf loaded;
    loaded.ok = loaded.pdf->load(path) == QPdfDocument::Error::None;
    return loaded;
}

// Whether the page is dark at a point given in millimetres from its top-left corner.
bool darkAt(QPdfDocument &pdf, int page, QPointF mm)
{
    const QSizeF size = pdf.pagePointSize(page);
    const QImage image = pdf.render(page, size.toSize());
    QImage white(image.size(), QImage::Format_ARGB32);
    white.fill(Qt::white);
    QPainter(&white).drawImage(0, 0, image);
    const QPoint pixel(int(mm.x() * pointsPerMm), int(mm.y() * pointsPerMm));
    return qGray(white.pixel(pixel)) < 100;
}

// PDF bytes with the creation time blanked: two PDFs of one job made a second apart
// differ only there.
QByteArray withoutCreationDate(QByteArray pdf)
{
    const QByteArray marker = QByteArrayLiteral("/CreationDate (");
    const qsizetype start = pdf.indexOf(marker);
    const qsizetype end = start < 0 ? -1 : pdf.indexOf(')', start);
    if (end > start)
        pdf.replace(start + marker.size(), end - start - marker.size(), QByteArray(end - start - marker.size(), '-'));
    return pdf;
}

// Records every progress window as it is shown: its text, and how many save and print
// dialogs had opened by then. A picture of the first one goes to the test output.
class ProgressWatch final : public QObject {
public:
    explicit ProgressWatch(const ScriptedDialogs &dialogs) : m_dialogs(dialogs) { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    struct Shown {
        QString text;
        qsizetype dialogsBefore = 0;
    };
    QList<Shown> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *progress = event->type() == QEvent::Show ? qobject_cast<QProgressDialog *>(watched) : nullptr;
        if (progress) {
            if (shown.isEmpty())
                progress->grab().save(testsupport::outputPath(QStringLiteral("pdf-progress.png")));
            shown.append({progress->labelText(), m_dialogs.saveRequests.size() + m_dialogs.printDialogs});
        }
        return false;
    }

private:
    const ScriptedDialogs &m_dialogs;
};

int visibleProgressWindows()
{
    int visible = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        visible += qobject_cast<QProgressDialog *>(widget) && widget->isVisible();
    return visible;
}

class PrintHandoffTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return env.dir.filePath(name); }
    QString text(const char *key) { return env.localization.text(QString::fromLatin1(key)); }
    // A print dialog that sends the print into a PDF file after `change` edited the settings.
    void printToFile(const QString &file, std::function<void(QPrinter &)> change = {})
    {
        dialogs.printAnswer = [file, change](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            if (change)
                change(printer);
            return true;
        };
    }

    StoreEnvironment env;
    ScriptedDialogs dialogs;
};

} // namespace

TEST_F(PrintHandoffTest, ExportWritesTheJobsPdfUnderTheChosenName)
{
    const LabelDocument document = sheetDocument(3, 4);
    auto store = env.makeStore(document);
    const LabelPrintJob job = jobOf(document, 25);
    dialogs.saveAnswer = path(QStringLiteral("Shelf"));

    answeredBy(*store, dialogs).exportPrepared(job);
    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(dialogs.saveRequests[0].suggestedName, QStringLiteral("Stock.pdf"));
    EXPECT_EQ(dialogs.saveRequests[0].nameFilter, QStringLiteral("*.pdf"));
    EXPECT_EQ(dialogs.saveRequests[0].acceptLabel, text("mac.export_pdf"));
    EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.pdf_saved")));
    EXPECT_EQ(store->statusArgument(), QStringLiteral("Shelf.pdf"));

    QFile file(path(QStringLiteral("Shelf.pdf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(withoutCreationDate(file.readAll()), withoutCreationDate(job.pdf()));
    LoadedPdf loaded = loadPdf(file.fileName());
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.pdf->pageCount(), 3);
    const QSizeF sheet = LabelRenderer::sheetSize(document);
    EXPECT_NEAR(loaded.pdf->pagePointSize(2).width(), sheet.width(), 0.01);
    EXPECT_NEAR(loaded.pdf->pagePointSize(2).height(), sheet.height(), 0.01);

    // A name that holds folder separators stays a name in the export's folder.
    EXPECT_EQ(PrintHandoff::suggestedPdfName(QStringLiteral("../../etc/x:y")), QStringLiteral("..-..-etc-x-y.pdf"));
}

TEST_F(PrintHandoffTest, ExportFailuresAreShownAndCancelIsSilent)
{
    const LabelDocument document = sheetDocument(1, 1);
    auto store = env.makeStore(document);
    store->setStatusArgument(QStringLiteral("before"));

    dialogs.saveAnswer = std::nullopt;
    answeredBy(*store, dialogs).exportPrepared(jobOf(document, 1));
    EXPECT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_TRUE(env.alerts->alerts.isEmpty());

    dialogs.saveAnswer = path(QStringLiteral("no/such/folder/out.pdf"));
    answeredBy(*store, dialogs).exportPrepared(jobOf(document, 1));
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].informativeText, text("mac.error_io"));
    EXPECT_FALSE(store->statusKey().has_value());
    EXPECT_EQ(store->statusArgument(), QStringLiteral("before"));

    // A job that cannot be drawn is refused before any dialog.
    LabelDocument undrawable = document;
    undrawable.elements.append(LabelElement(QUuid::createUuid(), ElementKind::image, QString(), 30, 5, 10, 10, 12));
    undrawable.elements.last().imageData = testsupport::undecodablePicture();
    const LabelPrintJob broken = jobOf(undrawable, 1);
    answeredBy(*store, dialogs).exportPrepared(broken);
    answeredBy(*store, dialogs).printPrepared(broken);
    EXPECT_EQ(env.alerts->alerts.size(), 3);
    EXPECT_EQ(dialogs.saveRequests.size(), 2);
    EXPECT_EQ(dialogs.printDialogs, 0);
}

// Making the PDF of a long job shows the progress window, for an export as for a print,
// and it is gone before the save or print dialog opens; a quick job shows none.
TEST_F(PrintHandoffTest, ALongPdfShowsItsProgressBeforeTheDialogOpens)
{
    // 300 texts on every label: 250 sheets of them take well over half a second to write,
    // also on a fast machine.
    LabelDocument heavy = sheetDocument(1, 1);
    for (int i = 0; i < 300; ++i)
        heavy.elements.append(LabelElement(QUuid::createUuid(), ElementKind::text, QStringLiteral("Item %1").arg(i),
                                           (i % 10) * 5, i / 12, 5, 4, 6));
    auto store = env.makeStore(heavy);
    const struct {
        const char *what;
        bool exporting;
        qint64 labels;
        bool shows;
    } cases[] = {
        {"export of a long job", true, 250, true},
        {"print of a long job", false, 250, true},
        {"export of a quick job", true, 1, false},
        {"print of a quick job", false, 1, false},
    };
    int openWhileAsked = -1;
    dialogs.saveAnswer = std::nullopt;
    dialogs.whileSaveDialogOpen = [&] { openWhileAsked = visibleProgressWindows(); };
    dialogs.printAnswer = [&](QPrinter &) {
        openWhileAsked = visibleProgressWindows();
        return false;
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const LabelPrintJob job = jobOf(heavy, c.labels);
        dialogs.saveRequests.clear();
        dialogs.printDialogs = 0;
        openWhileAsked = -1;
        ProgressWatch watch(dialogs);
        QElapsedTimer timer;
        timer.start();
        if (c.exporting)
            answeredBy(*store, dialogs).exportPrepared(job);
        else
            answeredBy(*store, dialogs).printPrepared(job);
        ASSERT_EQ(watch.shown.size(), c.shows ? 1 : 0) << timer.elapsed() << " ms";
        if (c.shows) {
            EXPECT_EQ(watch.shown[0].text, text("mac.batch_preparing"));
            EXPECT_EQ(watch.shown[0].dialogsBefore, 0);
        }
        EXPECT_EQ(openWhileAsked, 0) << "progress windows still shown with the dialog";
        EXPECT_TRUE(env.alerts->alerts.isEmpty());
    }
}

// Printing into a PDF file through the printer: the sheets arrive at the sheet's size (in
// Qt's whole points), drawn at their place on the paper, only the pages chosen.
TEST_F(PrintHandoffTest, PrintsTheSheetsOntoPaperOfTheSheetsSize)
{
    const LabelDocument document = sheetDocument(3, 4);
    auto store = env.makeStore(document);
    const QString out = path(QStringLiteral("printed.pdf"));
    printToFile(out);

    answeredBy(*store, dialogs).printPrepared(jobOf(document, 25));
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
    EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.print_submitted")));
    EXPECT_EQ(dialogs.printDialogPages, 3);

    LoadedPdf printed = loadPdf(out);
    ASSERT_TRUE(printed.ok);
    QFile::remove(testsupport::outputPath(QStringLiteral("printed-sheets.pdf")));
    QFile::copy(out, testsupport::outputPath(QStringLiteral("printed-sheets.pdf")));
    ASSERT_EQ(printed.pdf->pageCount(), 3);
    const QSizeF sheet = LabelRenderer::sheetSize(document);
    for (int page = 0; page < 3; ++page) {
        EXPECT_NEAR(printed.pdf->pagePointSize(page).width(), sheet.width(), 0.5);
        EXPECT_NEAR(printed.pdf->pagePointSize(page).height(), sheet.height(), 0.5);
    }
    // The box of the first label (10...30 × 10...20 mm) is black, the gap beside it white;
    // the last sheet holds one label, so its second slot stays white.
    EXPECT_TRUE(darkAt(*printed.pdf, 0, {20, 15}));
    EXPECT_FALSE(darkAt(*printed.pdf, 0, {40, 15}));
    EXPECT_TRUE(darkAt(*printed.pdf, 0, {120, 105}));
    EXPECT_TRUE(darkAt(*printed.pdf, 2, {20, 15}));
    EXPECT_FALSE(darkAt(*printed.pdf, 2, {70, 15}));

    const QString range = path(QStringLiteral("range.pdf"));
    printToFile(range, [](QPrinter &printer) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setPageRanges(QPageRanges::fromString(QStringLiteral("3,9")));
    });
    answeredBy(*store, dialogs).printPrepared(jobOf(document, 25));
    LoadedPdf ranged = loadPdf(range);
    ASSERT_TRUE(ranged.ok);
    EXPECT_EQ(ranged.pdf->pageCount(), 1);
    EXPECT_FALSE(darkAt(*ranged.pdf, 0, {70, 15}));
}

// Whatever the dialog changed that would not print the sheet as it is, nothing is printed.
TEST_F(PrintHandoffTest, RefusesSettingsThatWouldNotPrintTheSheetAsItIs)
{
    struct Case {
        const char *what;
        LabelDocument document;
        std::function<void(QPrinter &)> change;
        const char *key;
    };
    const QList<Case> cases = {
        {"another paper size", sheetDocument(1, 1), [](QPrinter &p) { p.setPageSize(QPageSize(QPageSize::A4)); },
         "mac.error_paper"},
        {"a landscape turn of a square sheet", sheetDocument(1, 1, 50, 50),
         [](QPrinter &p) { p.setPageOrientation(QPageLayout::Landscape); }, "mac.error_paper"},
        {"a landscape turn of a long sheet", sheetDocument(1, 1),
         [](QPrinter &p) { p.setPageOrientation(QPageLayout::Landscape); }, "mac.error_paper"},
        {"two copies", sheetDocument(1, 1), [](QPrinter &p) { p.setCopyCount(2); }, "mac.batch_driver_copies"},
    };
    int n = 0;
    for (const Case &c : cases) {
        auto store = env.makeStore(c.document);
        const QString out = path(QStringLiteral("refused%1.pdf").arg(++n));
        printToFile(out, c.change);
        env.alerts->alerts.clear();
        answeredBy(*store, dialogs).printPrepared(jobOf(c.document, 1));
        ASSERT_EQ(env.alerts->alerts.size(), 1) << c.what;
        EXPECT_EQ(env.alerts->alerts[0].informativeText, text(c.key)) << c.what;
        EXPECT_FALSE(QFileInfo::exists(out)) << c.what;
        EXPECT_FALSE(store->statusKey().has_value()) << c.what;
    }

    // A sheet of a whole number and a half of points is not refused for Qt's rounding.
    const LabelDocument half = sheetDocument(1, 1, 100.5 / pointsPerMm, 60.5 / pointsPerMm);
    auto store = env.makeStore(half);
    const QString out = path(QStringLiteral("half.pdf"));
    printToFile(out);
    answeredBy(*store, dialogs).printPrepared(jobOf(half, 1));
    EXPECT_TRUE(env.alerts->alerts.size() == 1) << "only the alerts of the refusals above";
    EXPECT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.print_submitted")));
    EXPECT_TRUE(QFileInfo::exists(out));
}

TEST_F(PrintHandoffTest, CancelledDialogIsSilentAndAFailedPrintIsShown)
{
    const LabelDocument document = sheetDocument(1, 1);
    auto store = env.makeStore(document);
    dialogs.printAnswer = [](QPrinter &) { return false; };
    answeredBy(*store, dialogs).printPrepared(jobOf(document, 1));
    EXPECT_EQ(dialogs.printDialogs, 1);
    EXPECT_TRUE(env.alerts->alerts.isEmpty());
    EXPECT_FALSE(store->statusKey().has_value());

    // The printer cannot start: the user is told instead of being left waiting for paper.
    printToFile(path(QStringLiteral("no/such/folder/out.pdf")));
    answeredBy(*store, dialogs).printPrepared(jobOf(document, 1));
    ASSERT_EQ(env.alerts->alerts.size(), 1);
    EXPECT_EQ(env.alerts->alerts[0].informativeText, text("mac.error_io"));
    EXPECT_FALSE(store->statusKey().has_value());
}

// Where a PDF printer queue of CUPS is set up (Debian's printer-driver-cups-pdf), a job
// goes through the real print system: the queue keeps the sheet's custom paper size and
// the job is accepted. Real printers are never used.
TEST_F(PrintHandoffTest, PrintsThroughAPdfQueueOfThePrintSystem)
{
    std::optional<QPrinterInfo> queue;
    for (const QPrinterInfo &info : QPrinterInfo::availablePrinters())
        if (info.makeAndModel().contains(QStringLiteral("CUPS-PDF"), Qt::CaseInsensitive))
            queue = info;
    if (!queue)
        GTEST_SKIP() << "No CUPS-PDF printer queue (printer-driver-cups-pdf with a running cupsd)";

    const LabelDocument document = sheetDocument(2, 1);
    auto store = env.makeStore(document);
    const QString name = queue->printerName();
    dialogs.printAnswer = [name](QPrinter &printer) {
        printer.setPrinterName(name);
        return true;
    };
    // The queue's default configuration writes into PDF/ in the home folder that the password
    // database gives the job's user, which need not be $HOME; its files before this job.
    const passwd *user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const QDir output(QDir(QFile::decodeName(user->pw_dir)).filePath(QStringLiteral("PDF")));
    const QStringList before = output.entryList({QStringLiteral("*.pdf")}, QDir::Files);

    answeredBy(*store, dialogs).printPrepared(jobOf(document, 3));
    for (const editortest::RecordedAlert &alert : env.alerts->alerts)
        ADD_FAILURE() << qPrintable(alert.informativeText);
    ASSERT_EQ(store->statusKey(), std::optional<QString>(QStringLiteral("mac.print_submitted")));

    // The print system converts the job in the background; look at its result when it
    // arrives where the default configuration puts it.
    QString printed;
    QElapsedTimer timer;
    timer.start();
    while (printed.isEmpty() && timer.elapsed() < 20000) {
        QThread::msleep(200);
        for (const QString &file : output.entryList({QStringLiteral("*.pdf")}, QDir::Files))
            if (!before.contains(file))
                printed = output.filePath(file);
    }
    // On a desktop the queue may be set up to write elsewhere; CI sets it up itself, so there
    // the file must arrive.
    if (printed.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            FAIL() << "the print system wrote no PDF into " << qPrintable(output.path());
        RecordProperty("printed", "job accepted; output not found in " + output.path().toStdString());
        return;
    }
    // The converter may still be writing the file: read it once it ends its last section
    // and has stopped growing, not while it is half written.
    qint64 lastSize = -1;
    while (timer.elapsed() < 30000) {
        QFile file(printed);
        const qint64 size = file.size();
        if (size > 0 && size == lastSize && file.open(QIODevice::ReadOnly)
            && file.seek(qMax<qint64>(0, size - 64)) && file.readAll().contains("%%EOF"))
            break;
        lastSize = size;
        QThread::msleep(200);
    }
    LoadedPdf loaded = loadPdf(printed);
    ASSERT_TRUE(loaded.ok) << qPrintable(printed);
    EXPECT_EQ(loaded.pdf->pageCount(), 2);
    const QSizeF sheet = LabelRenderer::sheetSize(document);
    EXPECT_NEAR(loaded.pdf->pagePointSize(0).width(), sheet.width(), 0.5);
    EXPECT_NEAR(loaded.pdf->pagePointSize(0).height(), sheet.height(), 0.5);
}

// The paper is compared with the exact sheet, not with its whole-point rounding; the
// rounded size itself, which the program hands to the dialog, is accepted too.
TEST(PrintHandoffPaper, AcceptsPaperWithinHalfAPointOfTheExactSheet)
{
    const QSizeF sheet = LabelRenderer::sheetSize(sheetDocument(1, 1)); // 141.73 × 85.04 pt
    struct Case {
        double dw, dh;
        bool accepted;
    };
    const QList<Case> cases = {{0.4, 0.4, true},   {-0.4, -0.4, true}, {0.6, 0, false},
                               {-0.6, 0, false},   {0, 0.6, false},    {0, -0.6, false}};
    for (const Case &c : cases) {
        QPrinter printer(QPrinter::HighResolution);
        PrintHandoff::configurePrinter(printer, sheet);
        const QSizeF paper(sheet.width() + c.dw, sheet.height() + c.dh);
        printer.setPageSize(QPageSize(paper, QPageSize::Point, QString(), QPageSize::ExactMatch));
        ASSERT_NEAR(printer.pageLayout().fullRect(QPageLayout::Point).width(), paper.width(), 0.001);
        EXPECT_EQ(!PrintHandoff::refusal(printer, sheet).has_value(), c.accepted) << c.dw << " " << c.dh;
    }
    QPrinter rounded(QPrinter::HighResolution);
    PrintHandoff::configurePrinter(rounded, sheet);
    rounded.setPageSize(QPageSize(QPageSize(sheet, QPageSize::Point).sizePoints(), QPageSize::Point));
    EXPECT_FALSE(PrintHandoff::refusal(rounded, sheet).has_value());
}
