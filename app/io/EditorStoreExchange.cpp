// The store's entry points for the clipboard, saving, the save prompt, export and print.

#include "app/editor/EditorStore.h"
#include "app/io/DocumentSaving.h"
#include "app/io/EditorDialogs.h"
#include "app/io/ElementClipboard.h"
#include "app/io/PrintHandoff.h"

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
    return ElementClipboard::copySelection(*this, dialogs());
}

bool EditorStore::cut()
{
    return ElementClipboard::cut(*this, dialogs());
}

void EditorStore::paste()
{
    ElementClipboard::paste(*this, dialogs());
}

bool EditorStore::save(bool saveAs)
{
    return DocumentSaving::save(*this, dialogs(), saveAs);
}

void EditorStore::saveTo(const QString &path)
{
    DocumentSaving::saveTo(*this, path);
}

CloseDecision EditorStore::closeDecision()
{
    return DocumentSaving::closeDecision(*this, dialogs());
}

void EditorStore::exportPrepared(const LabelPrintJob &job)
{
    PrintHandoff::exportPrepared(*this, dialogs(), job);
}

void EditorStore::printPrepared(const LabelPrintJob &job)
{
    PrintHandoff::printPrepared(*this, dialogs(), job);
}

} // namespace kestrivane
