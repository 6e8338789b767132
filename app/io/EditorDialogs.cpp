#include "io/EditorDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace kestrivane {

EditorDialogs::~EditorDialogs() = default;

std::shared_ptr<EditorDialogs> EditorDialogs::standard()
{
    static const std::shared_ptr<EditorDialogs> dialogs = std::make_shared<QtEditorDialogs>();
    return dialogs;
}

std::optional<QString> QtEditorDialogs::chooseSaveFile(const SaveRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.nameFilter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    dialog.selectFile(request.suggestedName);
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

std::optional<qsizetype> QtEditorDialogs::choose(const QString &message, const QString &informativeText,
                                                 const QList<Button> &buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setText(message);
    box.setInformativeText(informativeText);
    QList<QAbstractButton *> added;
    for (const Button &button : buttons) {
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        if (button.role == ButtonRole::destructive)
            role = QMessageBox::DestructiveRole;
        else if (button.role == ButtonRole::reject)
            role = QMessageBox::RejectRole;
        QPushButton *pushButton = box.addButton(button.title, role);
        added.append(pushButton);
        if (button.role == ButtonRole::accept && !box.defaultButton())
            box.setDefaultButton(pushButton);
        if (button.role == ButtonRole::reject)
            box.setEscapeButton(pushButton);
    }
    box.exec();
    // The layout of the desktop decides where each button sits, so the answer is found by
    // the identity of the clicked button.
    const qsizetype index = added.indexOf(box.clickedButton());
    if (index < 0)
        return std::nullopt;
    return index;
}

bool QtEditorDialogs::runPrintDialog(QPrinter &printer, int pageCount)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(pageCount, 1));
    return dialog.exec() == QDialog::Accepted;
}

const QMimeData *QtEditorDialogs::clipboardData()
{
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

void QtEditorDialogs::setClipboardData(std::unique_ptr<QMimeData> data)
{
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

} // namespace kestrivane
