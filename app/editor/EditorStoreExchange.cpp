// The store's entry points for the clipboard, saving, the save prompt, export and print.
// The io functions do the work on values and the dialogs; the store reads its own state
// for them and shows their results, so io never needs to know the store.

#include "app/editor/EditorStore.h"
#include "app/io/DocumentSaving.h"
#include "app/io/EditorDialogs.h"
#include "app/io/ElementClipboard.h"
#include "app/io/PrintHandoff.h"

#include <QFileInfo>

namespace kestrivane {

EditorDialogs &EditorStore::dialogs() const
{
    return m_dialogs ? *m_dialogs : *EditorDialogs::standard();
}

void EditorStore::setDialogs(std::shared_ptr<EditorDialogs> dialogs)
{
    m_dialogs = std::move(dialogs);
}

bool EditorStore::copySelection()
{
    // What the canvas shows (the preview row bound in), in drawing order.
    QList<LabelElement> elements;
    for (const LabelElement &element : renderDocument().elements)
        if (m_selectedIDs.contains(element.id))
            elements.append(element);
    return ElementClipboard::write(elements, dialogs());
}

bool EditorStore::cut()
{
    // A failed copy never loses elements.
    if (!copySelection())
        return false;
    deleteSelection();
    return true;
}

void EditorStore::paste()
{
    const std::optional<QList<LabelElement>> elements = ElementClipboard::read(dialogs());
    if (!elements) {
        setStatusKey(QStringLiteral("mac.error_content"));
        return;
    }
    insert(*elements, true);
}

bool EditorStore::save(bool saveAs)
{
    try {
        m_document.validate();
    } catch (const std::exception &error) {
        show(error);
        return false;
    }
    const std::optional<QString> target =
        DocumentSaving::saveTarget(dialogs(), *m_localization, m_document.name, m_fileURL, saveAs);
    if (!target)
        return false;
    try {
        saveTo(*target);
    } catch (const std::exception &error) {
        show(error);
        return false;
    }
    return true;
}

void EditorStore::saveTo(const QString &path)
{
    const LabelDocument document = m_document;
    setFileURL(DocumentSaving::write(document, path, m_maySaveTo));
    setSaved(document);
    setStatusKey(QStringLiteral("mac.saved"));
}

CloseDecision EditorStore::closeDecision()
{
    return DocumentSaving::closeDecision(dialogs(), *m_localization, m_document.name);
}

void EditorStore::exportPrepared(const LabelPrintJob &job)
{
    std::optional<QString> path;
    try {
        path = PrintHandoff::exportPdf(dialogs(), *m_localization, m_document.name, job);
    } catch (const std::exception &error) {
        show(error);
        return;
    }
    if (!path)
        return;
    setStatusArgument(QFileInfo(*path).fileName());
    setStatusKey(QStringLiteral("mac.pdf_saved"));
}

void EditorStore::printPrepared(const LabelPrintJob &job)
{
    PrintHandoff::PrintOutcome outcome;
    try {
        outcome = PrintHandoff::print(dialogs(), *m_localization, job);
    } catch (const std::exception &error) {
        show(error);
        return;
    }
    switch (outcome.kind) {
    case PrintHandoff::PrintOutcome::Kind::submitted: setStatusKey(QStringLiteral("mac.print_submitted")); break;
    case PrintHandoff::PrintOutcome::Kind::refused: showKey(outcome.refusalKey); break;
    case PrintHandoff::PrintOutcome::Kind::cancelled: break;
    }
}

} // namespace kestrivane
