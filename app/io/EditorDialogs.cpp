#include "app/io/EditorDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
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

namespace {

// A save dialog that gives a typed name the file type's extension before it asks whether
// to replace an existing file. Qt adds its default suffix only to a name without any dot,
// so "Price 2.5" would be confirmed as it is and the caller, which adds the extension,
// would then replace an existing "Price 2.5.ksv" without a question.
class SuffixedSaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QString suffix = defaultSuffix();
        const QStringList files = selectedFiles();
        if (!suffix.isEmpty() && files.size() == 1 && !files.first().isEmpty()) {
            const QFileInfo chosen(files.first());
            if (!chosen.isDir() && chosen.suffix().compare(suffix, Qt::CaseInsensitive) != 0)
                selectFile(chosen.fileName() + QLatin1Char('.') + suffix);
        }
        QFileDialog::accept();
    }
};

} // namespace

std::optional<QString> QtEditorDialogs::chooseSaveFile(const SaveRequest &request)
{
    SuffixedSaveDialog dialog(QApplication::activeWindow());
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

QStringList QtEditorDialogs::chooseOpenFiles(const OpenRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setWindowTitle(request.title);
    if (!request.acceptLabel.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList files = dialog.selectedFiles();
    files.removeAll(QString());
    return files;
}

std::optional<qsizetype> QtEditorDialogs::choose(const QString &message, const QString &informativeText,
                                                 const QList<Button> &buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    // The texts carry the document's name, which comes from files and the catalog: shown
    // as rich text, a name such as "<b>A</b>" or "a &lt; b" would be changed on screen and
    // a link in it would open from the prompt. QMessageBox passes its text format on to
    // the main text only, so every label of the box is set.
    box.setText(message);
    box.setInformativeText(informativeText);
    for (QLabel *label : box.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
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

namespace {

// Notes whether the user pressed a key, clicked or scrolled anywhere in the paper section
// of a print dialog (Qt's QPageSetupWidget: paper size, custom size, margins, orientation).
class PaperInteraction final : public QObject {
public:
    bool touched = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::Wheel:
            for (auto *widget = qobject_cast<QWidget *>(watched); widget && !touched; widget = widget->parentWidget())
                touched = widget->inherits("QPageSetupWidget");
            break;
        default: break;
        }
        return false;
    }
};

} // namespace

bool QtEditorDialogs::runPrintDialog(QPrinter &printer, int pageCount)
{
    const QPageLayout requested = printer.pageLayout();
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(pageCount, 1));
    PaperInteraction interaction;
    qApp->installEventFilter(&interaction);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    qApp->removeEventFilter(&interaction);
    // Qt's dialog does not start its paper section from the paper it was given but from
    // a default (the printer's default paper, or Letter without a printer), and applies
    // that section on OK even when nobody opened it: every label sheet would arrive as A4
    // or Letter and be refused. Unless the user worked in that section, the paper is the
    // one the dialog was given; a paper or orientation the user chose is kept and checked.
    if (accepted && !interaction.touched)
        printer.setPageLayout(requested);
    return accepted;
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
