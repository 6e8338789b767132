#pragma once

#include "core/common/Issue.h"

namespace kestrivane {

// The one error type of the label model.
enum class DocumentIssue {
    unsupportedVersion,
    invalidDocument,
    invalidGeometry,
    invalidContent,
    tooLarge,
    io,
    invalidBarcode,
    invalidImage,
};

QString key(DocumentIssue issue);

using DocumentError = IssueError<DocumentIssue>;

} // namespace kestrivane
