#include "app/catalog/CatalogScreens.h"
#include "app/shell/WorkspaceStore.h"
#include "core/webimport/WebTemplateImporter.h"
