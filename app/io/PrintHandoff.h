#pragma once

#include <QSizeF>
#include <QString>

#include <optional>

class QPrinter;

namespace kestrivane {

class EditorDialogs;
class EditorStore;
struct LabelPrintJob;

// The end of a batch: a prepared print job written as a PDF file, or printed through the
// print dialog on paper of exactly the sheet's size without margins or scaling.
namespace PrintHandoff {

// The file name the export proposes: the document's name cleaned like Save's, + ".pdf".
QString suggestedPdfName(const QString &documentName);

// Writes the job's PDF to a file chosen in a save dialog; the status then shows
// "mac.pdf_saved" with the file's name. Errors are shown in an alert; a cancelled dialog
// changes nothing.
void exportPrepared(EditorStore &store, EditorDialogs &dialogs, const LabelPrintJob &job);

// Prints the job's sheets as vectors through the print dialog. Refuses paper, scaling or
// an orientation that would not print the sheet as it is ("mac.error_paper") and copies
// other than one ("mac.batch_driver_copies"); a printer that fails shows "mac.error_io";
// success sets the status "mac.print_submitted".
void printPrepared(EditorStore &store, EditorDialogs &dialogs, const LabelPrintJob &job);

// Portrait paper of `sheetPt` (points), no margins, the whole paper addressable, one copy.
void configurePrinter(QPrinter &printer, QSizeF sheetPt);
// Whether the printer still prints a sheet of `sheetPt` as configured: the key of the
// alert that refuses it, or nothing. Qt keeps paper sizes in whole points, so the paper is
// compared with the size Qt made of the sheet.
std::optional<QString> refusal(const QPrinter &printer, QSizeF sheetPt);

} // namespace PrintHandoff
} // namespace kestrivane
