#include "app/window/ContentView.h"

#include "app/editor/EditorStore.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QDialog>
#include <QTimer>

#include <map>

// The editor's sheets (graphic library, table import, batch): each opens when the store raises
// its flag and lowers the flag when it closes.

namespace kestrivane {

namespace {

std::map<EditorSheet, ContentView::SheetFactory> &sheetFactories()
{
    static std::map<EditorSheet, ContentView::SheetFactory> factories;
    return factories;
}

constexpr int index(EditorSheet sheet)
{
    return static_cast<int>(sheet);
}

} // namespace

void ContentView::installSheet(EditorSheet sheet, SheetFactory factory)
{
    if (factory)
        sheetFactories()[sheet] = std::move(factory);
    else
        sheetFactories().erase(sheet);
}

bool ContentView::hasSheet(EditorSheet sheet)
{
    return sheetFactories().count(sheet) > 0;
}

bool ContentView::flag(EditorSheet sheet) const
{
    if (!m_store)
        return false;
    switch (sheet) {
    case EditorSheet::library: return m_store->showsLibrary();
    case EditorSheet::data: return m_store->showsData();
    case EditorSheet::batch: return m_store->showsBatch();
    }
    return false;
}

void ContentView::lowerFlag(EditorSheet sheet)
{
    if (!m_store || !flag(sheet))
        return;
    switch (sheet) {
    case EditorSheet::library: m_store->setShowsLibrary(false); break;
    case EditorSheet::data: m_store->setShowsData(false); break;
    case EditorSheet::batch: m_store->setShowsBatch(false); break;
    }
}

QDialog *ContentView::sheet(EditorSheet sheet) const
{
    return m_sheets[static_cast<size_t>(index(sheet))];
}

void ContentView::showSheetFlag(EditorSheet sheet)
{
    const auto at = static_cast<size_t>(index(sheet));
    if (!flag(sheet)) {
        // Lowered from elsewhere: the sheet goes too.
        if (QDialog *dialog = m_sheets[at])
            dialog->reject();
        return;
    }
    if (m_sheets[at] || m_presentPending[at])
        return;
    if (!hasSheet(sheet)) {
        // Nothing to show yet: a flag left raised would block raising it again.
        lowerFlag(sheet);
        return;
    }
    // Flags change inside store signal handlers: the sheet opens on the next turn.
    m_presentPending[at] = true;
    QTimer::singleShot(0, this, [this, sheet] { present(sheet); });
}

void ContentView::present(EditorSheet sheet)
{
    const auto at = static_cast<size_t>(index(sheet));
    m_presentPending[at] = false;
    if (!flag(sheet) || m_sheets[at])
        return;
    const auto factory = sheetFactories().find(sheet);
    if (factory == sheetFactories().end()) {
        lowerFlag(sheet);
        return;
    }
    QDialog *dialog = factory->second(m_store, m_localization, window());
    if (!dialog) {
        lowerFlag(sheet);
        return;
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    if (m_localization)
        dialog->setLocale(QLocale(rawValue(m_localization->language())));
    m_sheets[at] = dialog;
    connect(dialog, &QDialog::finished, this, [this, sheet, dialog] {
        const auto at = static_cast<size_t>(index(sheet));
        if (m_sheets[at] == dialog)
            m_sheets[at] = nullptr;
        lowerFlag(sheet);
    });
    dialog->open();
}

} // namespace kestrivane
