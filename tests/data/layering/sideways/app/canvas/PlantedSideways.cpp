#include "app/canvas/LabelCanvas.h"
#include "app/editor/EditorStore.h"
#include "app/table/BatchView.h"
