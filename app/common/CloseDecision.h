#pragma once

namespace kestrivane {

// The answer to the prompt shown before a document with unsaved changes closes.
enum class CloseDecision {
    save,
    discard,
    cancel,
};

} // namespace kestrivane
