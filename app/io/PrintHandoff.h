#pragma once

#include <QSizeF>
#include <QString>

#include <optional>

class QPrinter;

namespace kestrivane {

class EditorDialogs;
class Localization;
class LabelPrintJob;

// The end of a batch: a prepared print job written as a PDF file, or printed through the
// print dialog on paper of exactly the sheet's size without margins or scaling.
namespace PrintHandoff {

// The file name the export proposes: the document's name cleaned and fitted like Save's, + ".pdf".
QString suggestedPdfName(const QString &documentName);

// Writes the job's PDF to a file chosen in a save dialog that proposes the document's
// name, and returns the file's path; nothing when the dialog was cancelled. The PDF is made
// before the dialog opens, under the same progress dialog as a print's; its error or the
// write's is thrown.
std::optional<QString> exportPdf(EditorDialogs &dialogs, const Localization &localization, const QString &documentName,
                                 const LabelPrintJob &job);

// How a print that threw nothing ended: the sheets went to the printer, the print dialog
// was cancelled, or the printer's settings were refused with the key of the alert that
// says why.
struct PrintOutcome {
    enum class Kind { submitted, cancelled, refused };
    Kind kind = Kind::submitted;
    QString refusalKey;
};

// Prints the job's sheets as vectors through the print dialog. Refuses paper, scaling or
// an orientation that would not print the sheet as it is ("mac.error_paper") and copies
// other than one ("mac.batch_driver_copies"). A job that cannot be drawn throws before the
// dialog opens; a printer that fails throws DocumentIssue::io. A progress dialog follows the
// sheets while the PDF is made and while they are drawn on the printer.
PrintOutcome print(EditorDialogs &dialogs, const Localization &localization, const LabelPrintJob &job);

// Portrait paper of `sheetPt` (points), no margins, the whole paper addressable, one copy.
void configurePrinter(QPrinter &printer, QSizeF sheetPt);
// Whether the printer still prints a sheet of `sheetPt` as configured: the key of the
// alert that refuses it, or nothing. The paper must be within half a point of the sheet
// or exactly the whole-point size Qt makes of it.
std::optional<QString> refusal(const QPrinter &printer, QSizeF sheetPt);

} // namespace PrintHandoff
} // namespace kestrivane
