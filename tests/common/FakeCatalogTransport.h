#pragma once

// A catalog transport without a network: scripted replies per URL and a log of calls,
// for the logic of the catalog service and of the code built on it.

#include "core/catalog/CatalogTransport.h"

#include <QHash>
#include <QList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace testsupport {

class FakeCatalogTransport : public kestrivane::CatalogTransport {
public:
    struct Reply {
        QByteArray bytes;
        std::optional<kestrivane::CatalogIssue> issue; // thrown instead of the bytes
        qint64 delayMs = 0;                            // waited first; a cancelled token ends it

        static Reply ok(QByteArray bytes) { return Reply{std::move(bytes), std::nullopt, 0}; }
        static Reply fail(kestrivane::CatalogIssue issue) { return Reply{{}, issue, 0}; }
    };

    struct Call {
        QUrl url;
        qint64 maximumBytes = 0;
        std::chrono::steady_clock::time_point time;
    };

    // Replies for one URL (compared fully encoded), used in turn; the last repeats.
    // A URL without replies fails with notFound.
    void script(const QUrl &url, QList<Reply> replies);
    void script(const QString &url, QList<Reply> replies) { script(QUrl(url), std::move(replies)); }

    QList<Call> calls() const;

    QByteArray get(const QUrl &url, qint64 maximumBytes, const kestrivane::CancelToken &token) override;

private:
    mutable std::mutex m_mutex;
    QHash<QString, QList<Reply>> m_replies;
    QList<Call> m_calls;
};

// The catalog issue `f` throws, or empty when it returns.
inline std::optional<kestrivane::CatalogIssue::Kind> catalogIssueOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const kestrivane::CatalogError &error) {
        return error.issue().kind();
    }
    return std::nullopt;
}

} // namespace testsupport
