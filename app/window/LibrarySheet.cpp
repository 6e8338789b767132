#include "app/window/LibrarySheet.h"

#include "app/editor/EditorStore.h"
#include "app/library/GraphicLibraryView.h"
#include "app/window/ContentView.h"

namespace kestrivane::LibrarySheet {

void install()
{
    ContentView::installSheet(EditorSheet::library,
                              [](EditorStore *store, Localization *localization, QWidget *parent) {
                                  return GraphicLibraryView::makeForEditor(store, localization, parent);
                              });
}

} // namespace kestrivane::LibrarySheet
