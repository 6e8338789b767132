// The application's own dialogs, answered from a timer inside their modal loops, so that
// what the user would press is what the callers are told.

#include "tests/app/io/IoTestSupport.h"

#include "app/io/PrintHandoff.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kestrivane;

namespace {

// Runs `answer` on the modal dialog of type T (of class `className` when given) as soon as
// it is open.
template <typename T> void whenOpen(std::function<void(T *)> answer, const char *className = nullptr)
{
    auto attempt = std::make_shared<std::function<void(int)>>();
    // The function knows itself only weakly; the pending timer holds it, so it goes with the
    // last attempt instead of keeping itself alive for good.
    *attempt = [answer, self = std::weak_ptr(attempt), className](int left) {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog && (!className || dialog->inherits(className))) {
            answer(dialog);
            return;
        }
        if (left > 0)
            QTimer::singleShot(20, qApp, [attempt = self.lock(), left] { (*attempt)(left - 1); });
        else if (QWidget *other = QApplication::activeModalWidget())
            QMetaObject::invokeMethod(other, "reject"); // never leave a test hanging
    };
    QTimer::singleShot(0, qApp, [attempt] { (*attempt)(250); });
}

QPushButton *buttonTitled(QMessageBox *box, const QString &title)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == title)
            return qobject_cast<QPushButton *>(button);
    return nullptr;
}

const QList<EditorDialogs::Button> promptButtons = {
    {QStringLiteral("Save"), EditorDialogs::ButtonRole::accept},
    {QStringLiteral("Don't Save"), EditorDialogs::ButtonRole::destructive},
    {QStringLiteral("Cancel"), EditorDialogs::ButtonRole::reject},
};

} // namespace

// The message box lays its buttons out by role, so the answer must follow the button,
// not its place; Escape and closing the window are the cancel button.
TEST(QtEditorDialogs, ChoiceAnswersWithTheButtonThatWasPressed)
{
    QtEditorDialogs dialogs;
    for (qsizetype pressed = 0; pressed < promptButtons.size(); ++pressed) {
        whenOpen<QMessageBox>([pressed](QMessageBox *box) {
            QPushButton *button = buttonTitled(box, promptButtons[pressed].title);
            ASSERT_NE(button, nullptr);
            button->click();
        });
        EXPECT_EQ(dialogs.choose(QStringLiteral("Save changes?"), QStringLiteral("Body"), promptButtons),
                  std::optional<qsizetype>(pressed));
    }

    whenOpen<QMessageBox>([](QMessageBox *box) {
        EXPECT_EQ(box->text(), QStringLiteral("Save changes?"));
        EXPECT_EQ(box->informativeText(), QStringLiteral("Body"));
        EXPECT_EQ(box->defaultButton(), buttonTitled(box, QStringLiteral("Save")));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.choose(QStringLiteral("Save changes?"), QStringLiteral("Body"), promptButtons),
              std::optional<qsizetype>(2));
}

// The prompt's texts hold a document name taken from a file: it is shown as written,
// never read as markup (which would change it on screen and could carry a link).
TEST(QtEditorDialogs, ChoiceShowsItsTextsAsPlainText)
{
    QtEditorDialogs dialogs;
    const QString name = QStringLiteral("<b>Stock</b> <a href=\"https://example.invalid\">x</a> &lt;");
    whenOpen<QMessageBox>([&name](QMessageBox *box) {
        for (const char *label : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
            auto *shown = box->findChild<QLabel *>(QString::fromLatin1(label));
            ASSERT_NE(shown, nullptr) << label;
            EXPECT_EQ(shown->text(), name) << label;
            EXPECT_EQ(shown->textFormat(), Qt::PlainText) << label;
        }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.choose(name, name, promptButtons), std::optional<qsizetype>(2));
}

TEST(QtEditorDialogs, SaveDialogProposesTheNameAndAnswersThePath)
{
    QTemporaryDir dir;
    QtEditorDialogs dialogs;
    EditorDialogs::SaveRequest request;
    request.nameFilter = QStringLiteral("*.ksv");
    request.defaultSuffix = QStringLiteral("ksv");
    request.directory = dir.path();
    request.suggestedName = QStringLiteral("Stock.ksv");
    request.title = QStringLiteral("Save title");
    request.acceptLabel = QStringLiteral("Keep");

    whenOpen<QFileDialog>([&](QFileDialog *dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save title"));
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Keep"));
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("ksv"));
        ASSERT_EQ(dialog->selectedFiles().size(), 1);
        EXPECT_EQ(dialog->selectedFiles().first(), QDir(dir.path()).filePath(QStringLiteral("Stock.ksv")));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(dialogs.chooseSaveFile(request),
              std::optional<QString>(QDir(dir.path()).filePath(QStringLiteral("Stock.ksv"))));

    whenOpen<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.chooseSaveFile(request), std::nullopt);
}

// A name typed with a dot but without the document extension is answered with the
// extension, and the dialog asks before that file is replaced: the caller would otherwise
// overwrite an existing document nobody confirmed.
TEST(QtEditorDialogs, SaveDialogAddsTheExtensionBeforeAskingToReplace)
{
    QTemporaryDir dir;
    const QString existing = QDir(dir.path()).filePath(QStringLiteral("Price 2.5.ksv"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    QtEditorDialogs dialogs;
    EditorDialogs::SaveRequest request;
    request.nameFilter = QStringLiteral("*.ksv");
    request.defaultSuffix = QStringLiteral("ksv");
    request.directory = dir.path();
    request.suggestedName = QStringLiteral("Stock.ksv");

    bool asked = false;
    whenOpen<QFileDialog>([&asked](QFileDialog *dialog) {
        dialog->selectFile(QStringLiteral("Price 2.5"));
        // The question about replacing the file: answered No, then the dialog is left.
        whenOpen<QMessageBox>([&asked, dialog](QMessageBox *box) {
            asked = true;
            QTest::keyClick(box, Qt::Key_Escape);
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(dialogs.chooseSaveFile(request), std::nullopt);
    EXPECT_TRUE(asked);

    whenOpen<QFileDialog>([](QFileDialog *dialog) {
        dialog->selectFile(QStringLiteral("Price 3.0"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(dialogs.chooseSaveFile(request),
              std::optional<QString>(QDir(dir.path()).filePath(QStringLiteral("Price 3.0.ksv"))));
}

// Confirming the print dialog without touching it must keep the sheet's paper: otherwise
// every print would be refused as a paper change.
TEST(QtEditorDialogs, PrintDialogConfirmedUnchangedKeepsTheSheetsPaper)
{
    const QSizeF sheet(283.46, 85.04);
    QPrinter printer(QPrinter::HighResolution);
    PrintHandoff::configurePrinter(printer, sheet);
    QtEditorDialogs dialogs;
    whenOpen<QPrintDialog>([](QPrintDialog *dialog) {
        EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_EQ(dialog->minPage(), 1);
        EXPECT_EQ(dialog->maxPage(), 4);
        dialog->accept();
    });
    ASSERT_TRUE(dialogs.runPrintDialog(printer, 4));
    EXPECT_EQ(PrintHandoff::refusal(printer, sheet), std::nullopt)
        << qPrintable(printer.printerName()) << ": " << qPrintable(printer.pageLayout().pageSize().name());

    whenOpen<QPrintDialog>([](QPrintDialog *dialog) { dialog->reject(); });
    EXPECT_FALSE(dialogs.runPrintDialog(printer, 4));
}

// Paper the user picked in the dialog's paper section is the user's choice: it is kept,
// so that the print is refused rather than silently put on other paper.
TEST(QtEditorDialogs, PaperChosenInThePrintDialogIsKept)
{
    const QSizeF sheet(283.46, 85.04);
    QPrinter printer(QPrinter::HighResolution);
    PrintHandoff::configurePrinter(printer, sheet);
    QtEditorDialogs dialogs;
    bool chosen = false;
    whenOpen<QPrintDialog>([&chosen](QPrintDialog *dialog) {
        auto *properties = dialog->findChild<QPushButton *>(QStringLiteral("properties"));
        if (properties && properties->isEnabled()) {
            whenOpen<QDialog>(
                [&chosen](QDialog *propertiesDialog) {
                    for (QWidget *section : propertiesDialog->findChildren<QWidget *>())
                        if (section->inherits("QPageSetupWidget"))
                            if (auto *size = section->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"))) {
                                const int before = size->currentIndex();
                                QTest::keyClick(size, before > 0 ? Qt::Key_Up : Qt::Key_Down);
                                chosen = size->currentIndex() != before;
                            }
                    QMetaObject::invokeMethod(propertiesDialog, "accept");
                },
                "QPrintPropertiesDialog");
            properties->click();
        }
        dialog->accept();
    });
    ASSERT_TRUE(dialogs.runPrintDialog(printer, 1));
    if (!chosen)
        GTEST_SKIP() << "The print dialog offers no paper choice without a printer";
    EXPECT_EQ(PrintHandoff::refusal(printer, sheet), std::optional<QString>(QStringLiteral("mac.error_paper")))
        << qPrintable(printer.pageLayout().pageSize().name());
}
