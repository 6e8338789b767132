#include "app/window/ContentView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/canvas/CanvasWorkspaceView.h"
#include "app/inspector/EditorInspector.h"
#include "app/library/GraphicLibraryView.h"
#include "app/table/BatchView.h"
