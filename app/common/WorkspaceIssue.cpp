#include "app/common/WorkspaceIssue.h"

namespace kestrivane {

QString key(WorkspaceIssue issue)
{
    switch (issue) {
    case WorkspaceIssue::fileAlreadyOpen: return QStringLiteral("mac.file_already_open");
    }
    return QString();
}

} // namespace kestrivane
