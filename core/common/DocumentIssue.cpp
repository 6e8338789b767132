#include "core/common/DocumentIssue.h"

namespace kestrivane {

QString key(DocumentIssue issue)
{
    switch (issue) {
    case DocumentIssue::unsupportedVersion: return QStringLiteral("mac.error_version");
    case DocumentIssue::invalidDocument: return QStringLiteral("mac.error_document");
    case DocumentIssue::invalidGeometry: return QStringLiteral("mac.error_geometry");
    case DocumentIssue::invalidContent: return QStringLiteral("mac.error_content");
    case DocumentIssue::tooLarge: return QStringLiteral("mac.error_large");
    case DocumentIssue::io: return QStringLiteral("mac.error_io");
    case DocumentIssue::invalidBarcode: return QStringLiteral("mac.error_barcode");
    case DocumentIssue::invalidImage: return QStringLiteral("mac.error_image");
    }
    return QString();
}

} // namespace kestrivane
