#pragma once

#include "core/common/Issue.h"

#include <QStringList>

namespace kestrivane {

// The one error type of the template catalog: every failure of its records, transport,
// service and converter is one of these cases, shown through its key.
class CatalogIssue {
public:
    enum class Kind {
        unsupported,
        access,
        disabled,
        rateLimited,
        notFound,
        invalid,
        invalidBarcode,
        imageUnavailable,
        version,
        network,
        cancelled,
        tooLarge,
        storage,
    };

    CatalogIssue(Kind kind) : m_kind(kind) {} // NOLINT: a case converts to an issue
    // What the converter could not take over; the key does not depend on it.
    static CatalogIssue unsupported(QStringList paths) { return CatalogIssue(Kind::unsupported, std::move(paths)); }

    Kind kind() const { return m_kind; }
    const QStringList &paths() const { return m_paths; }

    QString key() const;
    // The catalog may go on showing cached content instead of failing.
    bool permitsCachedFallback() const;
    // The request may be repeated.
    bool shouldRetry() const;

    friend bool operator==(const CatalogIssue &a, const CatalogIssue &b)
    {
        return a.m_kind == b.m_kind && a.m_paths == b.m_paths;
    }

private:
    CatalogIssue(Kind kind, QStringList paths) : m_kind(kind), m_paths(std::move(paths)) {}

    Kind m_kind;
    QStringList m_paths;
};

QString key(const CatalogIssue &issue);

using CatalogError = IssueError<CatalogIssue>;

[[noreturn]] inline void throwCatalog(CatalogIssue::Kind kind)
{
    throw CatalogError(kind);
}

} // namespace kestrivane
