#include "core/catalog/CatalogIssue.h"

namespace kestrivane {

QString CatalogIssue::key() const
{
    switch (m_kind) {
    case Kind::unsupported: return QStringLiteral("mac.catalog_unsupported");
    case Kind::access: return QStringLiteral("mac.catalog_access_error");
    case Kind::disabled: return QStringLiteral("mac.catalog_disabled");
    case Kind::rateLimited: return QStringLiteral("mac.catalog_rate_limited");
    case Kind::notFound: return QStringLiteral("mac.catalog_not_found");
    case Kind::invalid: return QStringLiteral("mac.catalog_invalid");
    case Kind::invalidBarcode: return QStringLiteral("mac.catalog_invalid_barcode");
    case Kind::imageUnavailable: return QStringLiteral("mac.catalog_image_unavailable");
    case Kind::version: return QStringLiteral("mac.catalog_version");
    case Kind::network: return QStringLiteral("mac.catalog_network");
    case Kind::cancelled: return QStringLiteral("mac.catalog_cancelled");
    case Kind::tooLarge: return QStringLiteral("mac.error_large");
    case Kind::storage: return QStringLiteral("mac.catalog_storage");
    }
    return QString();
}

bool CatalogIssue::permitsCachedFallback() const
{
    return m_kind == Kind::disabled || m_kind == Kind::rateLimited || m_kind == Kind::network;
}

bool CatalogIssue::shouldRetry() const
{
    return m_kind == Kind::disabled || m_kind == Kind::network;
}

QString key(const CatalogIssue &issue)
{
    return issue.key();
}

} // namespace kestrivane
