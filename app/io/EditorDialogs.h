#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QMimeData;
class QPrinter;

namespace kestrivane {

// The modal windows and the clipboard that saving, the save prompt, export, printing and
// copy and paste reach, behind one interface: a modal dialog under the offscreen platform
// would block a test, and a test must be able to answer each dialog as a user would.
// Alerts with a single button go through EditorAlerts.
class EditorDialogs {
public:
    virtual ~EditorDialogs();

    // A save dialog for one file type.
    struct SaveRequest {
        QString nameFilter;    // e.g. "*.ksv"
        QString defaultSuffix; // without the dot, added by the dialog when a name has none
        QString directory;     // where the dialog starts; empty for its own default
        QString suggestedName; // the file name proposed in the name field
        QString title;         // the message, shown as the window title
        QString acceptLabel;   // the confirming button
        friend bool operator==(const SaveRequest &, const SaveRequest &) = default;
    };
    // The chosen path, or nothing when the dialog was cancelled.
    virtual std::optional<QString> chooseSaveFile(const SaveRequest &request) = 0;

    // An open dialog for existing files.
    struct OpenRequest {
        QStringList nameFilters; // e.g. "Labels (*.ksv)", "All files (*)"; the first is selected
        bool multipleSelection = false;
        QString title;       // the window title
        QString acceptLabel; // the confirming button
        friend bool operator==(const OpenRequest &, const OpenRequest &) = default;
    };
    // The chosen paths in the dialog's order; empty when the dialog was cancelled.
    virtual QStringList chooseOpenFiles(const OpenRequest &request) = 0;

    // How a button of a choice behaves; the desktop orders the buttons by role, so the
    // answer is the index of the button in `buttons`, never a position on screen.
    enum class ButtonRole { accept, destructive, reject };
    struct Button {
        QString title;
        ButtonRole role = ButtonRole::accept;
        friend bool operator==(const Button &, const Button &) = default;
    };
    // A warning with several buttons. The index of the button that answered, or nothing
    // when the window was closed any other way (Escape, the window's close button).
    virtual std::optional<qsizetype> choose(const QString &message, const QString &informativeText,
                                            const QList<Button> &buttons) = 0;

    // The print dialog on `printer`, offering pages 1...pageCount. True when the user
    // confirmed; the dialog may have changed the printer's settings.
    virtual bool runPrintDialog(QPrinter &printer, int pageCount) = 0;

    // The content of the clipboard (owned by the clipboard; may be null), and replacing
    // everything on it with `data`.
    virtual const QMimeData *clipboardData() = 0;
    virtual void setClipboardData(std::unique_ptr<QMimeData> data) = 0;

    // The application's own implementation, shared by every store.
    static std::shared_ptr<EditorDialogs> standard();
};

// QFileDialog, QMessageBox, QPrintDialog and the application clipboard.
class QtEditorDialogs final : public EditorDialogs {
public:
    std::optional<QString> chooseSaveFile(const SaveRequest &request) override;
    QStringList chooseOpenFiles(const OpenRequest &request) override;
    std::optional<qsizetype> choose(const QString &message, const QString &informativeText,
                                    const QList<Button> &buttons) override;
    bool runPrintDialog(QPrinter &printer, int pageCount) override;
    const QMimeData *clipboardData() override;
    void setClipboardData(std::unique_ptr<QMimeData> data) override;
};

} // namespace kestrivane
