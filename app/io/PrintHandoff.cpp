#include "app/io/PrintHandoff.h"

#include "app/io/DocumentSaving.h"
#include "app/io/EditorDialogs.h"
#include "core/common/AtomicFile.h"
#include "core/l10n/Localization.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"
#include "core/render/RenderCache.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>

#include <cmath>
#include <memory>

namespace kestrivane::PrintHandoff {

namespace {

const QString pdfSuffix = QStringLiteral(".pdf");

QPageSize sheetPageSize(QSizeF sheetPt)
{
    return QPageSize(sheetPt, QPageSize::Point, QString(), QPageSize::ExactMatch);
}

// The 0-based sheets the dialog left selected, in order; every sheet without a range.
QList<qint64> selectedPages(const QPrinter &printer, qint64 count)
{
    QList<qint64> pages;
    const QPageRanges ranges = printer.pageRanges();
    if (printer.printRange() != QPrinter::PageRange || ranges.isEmpty()) {
        for (qint64 page = 0; page < count; ++page)
            pages.append(page);
        return pages;
    }
    for (const QPageRanges::Range &range : ranges.toRangeList())
        for (qint64 page = std::max<qint64>(range.from, 1); page <= std::min<qint64>(range.to, count); ++page)
            pages.append(page - 1);
    return pages;
}

// The progress of making a job's PDF or printing its sheets: window-modal over the active
// window, without a Cancel button (a half-made job has no use), deaf to Escape and to the
// close button, and shown only when the work lasts over half a second. Destroying it
// closes it.
class PrintProgress final : public QProgressDialog {
public:
    PrintProgress(const QString &title, qint64 pages) : QProgressDialog(QApplication::activeWindow())
    {
        setWindowModality(Qt::WindowModal);
        setLabelText(title);
        setCancelButton(nullptr);
        setAutoClose(false);
        setAutoReset(false);
        setMinimumDuration(500);
        setRange(0, int(std::min<qint64>(pages, INT_MAX)));
        setValue(0);
    }
    void advance(qint64 done) { setValue(int(std::min<qint64>(done, maximum()))); }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape)
            event->ignore();
        else
            QProgressDialog::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

// Draws the sheets onto the printer with the drawing the PDF uses. False when the printer
// cannot be started or finished; a drawing error is thrown after the run was aborted.
bool drawOnPrinter(const LabelPrintJob &job, QPrinter &printer, PrintProgress &progress)
{
    const QList<qint64> pages = selectedPages(printer, job.pages());
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The job draws in points from the paper's top-left corner.
    const double scale = printer.resolution() / 72.0;
    RenderCache cache;
    try {
        for (qsizetype i = 0; i < pages.size(); ++i) {
            if (i > 0 && !printer.newPage())
                throwIssue(DocumentIssue::io);
            painter.save();
            painter.scale(scale, scale);
            job.draw(pages[i], painter, &cache);
            painter.restore();
            progress.advance(i + 1);
        }
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    return painter.end();
}

// The job's PDF, made under a progress window that shows only when the work takes long.
// Export and print both start with it: a job that cannot be drawn is refused before any
// dialog opens.
QByteArray pdfWithProgress(const Localization &localization, const LabelPrintJob &job)
{
    PrintProgress progress(localization.text(QStringLiteral("mac.batch_preparing")), job.pages());
    return job.pdf([&progress](qint64 done) { progress.advance(done); });
}

} // namespace

QString suggestedPdfName(const QString &documentName)
{
    return DocumentSaving::fittedFileName(DocumentSaving::cleanedFileName(documentName), pdfSuffix);
}

std::optional<QString> exportPdf(EditorDialogs &dialogs, const Localization &localization, const QString &documentName,
                                 const LabelPrintJob &job)
{
    const QByteArray bytes = pdfWithProgress(localization, job);

    EditorDialogs::SaveRequest request;
    request.nameFilter = QStringLiteral("*") + pdfSuffix;
    request.defaultSuffix = QStringLiteral("pdf");
    request.suggestedName = suggestedPdfName(documentName);
    request.title = localization.text(QStringLiteral("mac.export_pdf"));
    request.acceptLabel = request.title;
    const std::optional<QString> chosen = dialogs.chooseSaveFile(request);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    // As with documents: a name typed without the extension still gets a PDF file name.
    const QString path = QFileInfo(*chosen).suffix().toLower() == QStringLiteral("pdf") ? *chosen : *chosen + pdfSuffix;
    writeFileAtomically(path, bytes);
    return path;
}

void configurePrinter(QPrinter &printer, QSizeF sheetPt)
{
    printer.setPageSize(sheetPageSize(sheetPt));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    printer.setFullPage(true);
    printer.setCopyCount(1);
}

std::optional<QString> refusal(const QPrinter &printer, QSizeF sheetPt)
{
    const QString paper = QStringLiteral("mac.error_paper");
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    // Within half a point of the exact sheet; or exactly the whole-point size Qt itself
    // makes of the sheet, since that is the paper this program hands to the dialog.
    const QSizeF rounded = sheetPageSize(sheetPt).sizePoints();
    auto fits = [](double paperPt, double exactPt, double roundedPt) {
        return std::abs(paperPt - exactPt) < 0.5 || std::abs(paperPt - roundedPt) < 0.01;
    };
    if (!fits(full.width(), sheetPt.width(), rounded.width()) ||
        !fits(full.height(), sheetPt.height(), rounded.height()))
        return paper;
    // A landscape choice on a square sheet keeps both sizes but turns the print.
    if (layout.orientation() != QPageLayout::Portrait)
        return paper;
    if (printer.copyCount() != 1)
        return QStringLiteral("mac.batch_driver_copies");
    return std::nullopt;
}

PrintOutcome print(EditorDialogs &dialogs, const Localization &localization, const LabelPrintJob &job)
{
    // The PDF is made first, as for an export: a job that cannot be drawn is refused
    // before a dialog opens or a printer is touched.
    (void)pdfWithProgress(localization, job);

    const QSizeF sheet = LabelRenderer::sheetSize(job.document());
    QPrinter printer(QPrinter::HighResolution);
    configurePrinter(printer, sheet);
    if (!dialogs.runPrintDialog(printer, int(std::min<qint64>(job.pages(), INT_MAX))))
        return {PrintOutcome::Kind::cancelled, {}};
    if (const std::optional<QString> key = refusal(printer, sheet))
        return {PrintOutcome::Kind::refused, *key};
    PrintProgress progress(localization.text(QStringLiteral("mac.batch_preparing")), job.pages());
    if (!drawOnPrinter(job, printer, progress))
        throwIssue(DocumentIssue::io);
    return {PrintOutcome::Kind::submitted, {}};
}

} // namespace kestrivane::PrintHandoff
