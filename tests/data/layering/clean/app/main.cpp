#include "app/catalog/CatalogScreens.h"
#include "app/shell/KestrivaneApplication.h"
