#include "app/window/TableSheets.h"

#include "app/editor/EditorStore.h"
#include "app/table/BatchView.h"
#include "app/table/TableImportView.h"
#include "app/window/ContentView.h"

namespace kestrivane::TableSheets {

void install()
{
    ContentView::installSheet(EditorSheet::data, [](EditorStore *store, Localization *localization, QWidget *parent) {
        return new TableImportView(store, localization, parent);
    });
    ContentView::installSheet(EditorSheet::batch, [](EditorStore *store, Localization *localization, QWidget *parent) {
        return new BatchView(store, localization, parent);
    });
}

} // namespace kestrivane::TableSheets
