#pragma once

#include "core/common/Issue.h"

namespace kestrivane {

// Errors of the workspace of open documents.
enum class WorkspaceIssue {
    // Another tab already shows the file a document was about to be saved to.
    fileAlreadyOpen,
};

QString key(WorkspaceIssue issue);

using WorkspaceError = IssueError<WorkspaceIssue>;

} // namespace kestrivane
