#pragma once

#include "tests/app/editor/EditorTestSupport.h"

#include "app/io/EditorDialogs.h"

#include <QMimeData>
#include <QPrinter>

#include <functional>
#include <memory>

namespace iotest {

// Answers every dialog from the test, records what it was asked and keeps a clipboard of
// its own.
class ScriptedDialogs final : public kestrivane::EditorDialogs {
public:
    std::optional<QString> chooseSaveFile(const SaveRequest &request) override
    {
        saveRequests.append(request);
        if (whileSaveDialogOpen)
            whileSaveDialogOpen();
        return saveAnswer;
    }
    QStringList chooseOpenFiles(const OpenRequest &request) override
    {
        openRequests.append(request);
        return openAnswer;
    }
    std::optional<qsizetype> choose(const QString &message, const QString &informativeText,
                                    const QList<Button> &buttons) override
    {
        choiceMessage = message;
        choiceText = informativeText;
        choiceButtons = buttons;
        ++choices;
        if (!choiceAnswers.isEmpty())
            return choiceAnswers.takeFirst();
        return choiceAnswer;
    }
    bool runPrintDialog(QPrinter &printer, int pageCount) override
    {
        ++printDialogs;
        printDialogPages = pageCount;
        return printAnswer ? printAnswer(printer) : false;
    }
    const QMimeData *clipboardData() override { return clipboard.get(); }
    void setClipboardData(std::unique_ptr<QMimeData> data) override
    {
        ++clipboardWrites;
        clipboard = std::move(data);
    }

    // Puts raw bytes of one format on the clipboard.
    void putOnClipboard(const QString &format, const QByteArray &bytes)
    {
        clipboard = std::make_unique<QMimeData>();
        clipboard->setData(format, bytes);
    }

    std::optional<QString> saveAnswer;
    QList<SaveRequest> saveRequests;
    // Runs while the save dialog stands open, to look at the screen as it is then.
    std::function<void()> whileSaveDialogOpen;

    QStringList openAnswer;
    QList<OpenRequest> openRequests;

    // Answers the save prompts in turn (an empty list: `choiceAnswer` for every prompt).
    QList<std::optional<qsizetype>> choiceAnswers;
    std::optional<qsizetype> choiceAnswer;
    QString choiceMessage;
    QString choiceText;
    QList<Button> choiceButtons;
    int choices = 0;

    std::function<bool(QPrinter &)> printAnswer;
    int printDialogs = 0;
    int printDialogPages = 0;

    std::unique_ptr<QMimeData> clipboard;
    int clipboardWrites = 0;
};

// The store, its dialogs and clipboard answered by `dialogs` (which must outlive the store's
// use of them).
inline kestrivane::EditorStore &answeredBy(kestrivane::EditorStore &store, kestrivane::EditorDialogs &dialogs)
{
    store.setDialogs(std::shared_ptr<kestrivane::EditorDialogs>(std::shared_ptr<void>(), &dialogs));
    return store;
}

} // namespace iotest
