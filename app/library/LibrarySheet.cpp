#include "app/library/LibrarySheet.h"

#include "app/editor/ContentView.h"
#include "app/editor/EditorStore.h"
#include "app/library/GraphicLibraryView.h"

namespace kestrivane::LibrarySheet {

void install()
{
    ContentView::installSheet(EditorSheet::library,
                              [](EditorStore *store, Localization *localization, QWidget *parent) {
                                  return GraphicLibraryView::makeForEditor(store, localization, parent);
                              });
}

} // namespace kestrivane::LibrarySheet
