#include "app/common/CloseDecision.h"
#include "app/editor/EditorStore.h"
#include "app/io/DocumentSaving.h"
