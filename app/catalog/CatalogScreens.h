#pragma once

namespace kestrivane {

// Gives the workspace its catalog: the store, made on first use over the default catalog
// and the program's settings, and the catalog screen on the catalog route. Called once at
// start-up, before the main window.
void registerCatalogScreens();

} // namespace kestrivane
