#include "app/catalog/CatalogScreens.h"
#include "app/shell/KestrivaneApplication.h"

int main(int argc, char **argv)
{
    kestrivane::registerCatalogScreens();
    return kestrivane::KestrivaneApplication::main(argc, argv);
}
