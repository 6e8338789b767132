#pragma once

namespace kestrivane::LibrarySheet {

// Makes the editor window present the graphic library panel while a store's
// `showsLibrary` is raised, which also enables the image entry of its sidebar. Repeated
// calls are harmless.
void install();

} // namespace kestrivane::LibrarySheet
