#pragma once

namespace kestrivane::TableSheets {

// Makes the editor window present the table import sheet while a store's `showsData` is
// raised and the batch sheet while its `showsBatch` is raised. Repeated calls are harmless.
void install();

} // namespace kestrivane::TableSheets
