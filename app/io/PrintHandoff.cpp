#include "app/io/PrintHandoff.h"

#include "app/io/DocumentSaving.h"
#include "app/io/EditorDialogs.h"
#include "core/common/AtomicFile.h"
#include "core/l10n/Localization.h"
#include "core/print/LabelPrintJob.h"
#include "core/render/LabelRenderer.h"
#include "core/render/RenderCache.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <cmath>

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

// Draws the sheets onto the printer with the drawing the PDF uses. False when the printer
// cannot be started or finished; a drawing error is thrown after the run was aborted.
bool drawOnPrinter(const LabelPrintJob &job, QPrinter &printer)
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
        }
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    return painter.end();
}

} // namespace

QString suggestedPdfName(const QString &documentName)
{
    return DocumentSaving::cleanedFileName(documentName) + pdfSuffix;
}

std::optional<QString> exportPdf(EditorDialogs &dialogs, const Localization &localization, const QString &documentName,
                                 const LabelPrintJob &job)
{
    const QByteArray bytes = job.pdf();

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
    // What Qt itself makes of the sheet: whole points, so a half-point sheet is not
    // refused for Qt's own rounding.
    const QSizeF expected = sheetPageSize(sheetPt).sizePoints();
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    if (!(std::abs(full.width() - expected.width()) < 0.5))
        return paper;
    if (!(std::abs(full.height() - expected.height()) < 0.5))
        return paper;
    // A landscape choice on a square sheet keeps both sizes but turns the print.
    if (layout.orientation() != QPageLayout::Portrait)
        return paper;
    if (printer.copyCount() != 1)
        return QStringLiteral("mac.batch_driver_copies");
    return std::nullopt;
}

PrintOutcome print(EditorDialogs &dialogs, const LabelPrintJob &job)
{
    // The PDF is made first, as for an export: a job that cannot be drawn is refused
    // before a dialog opens or a printer is touched.
    (void)job.pdf();

    const QSizeF sheet = LabelRenderer::sheetSize(job.document);
    QPrinter printer(QPrinter::HighResolution);
    configurePrinter(printer, sheet);
    if (!dialogs.runPrintDialog(printer, int(std::min<qint64>(job.pages(), INT_MAX))))
        return {PrintOutcome::Kind::cancelled, {}};
    if (const std::optional<QString> key = refusal(printer, sheet))
        return {PrintOutcome::Kind::refused, *key};
    if (!drawOnPrinter(job, printer))
        throwIssue(DocumentIssue::io);
    return {PrintOutcome::Kind::submitted, {}};
}

} // namespace kestrivane::PrintHandoff
