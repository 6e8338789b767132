#include "tests/common/FakeCatalogTransport.h"

using namespace kestrivane;

namespace testsupport {

void FakeCatalogTransport::script(const QUrl &url, QList<Reply> replies)
{
    std::lock_guard lock(m_mutex);
    m_replies.insert(url.toString(QUrl::FullyEncoded), std::move(replies));
}

QList<FakeCatalogTransport::Call> FakeCatalogTransport::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

QByteArray FakeCatalogTransport::get(const QUrl &url, qint64 maximumBytes, const CancelToken &token)
{
    Reply reply = Reply::fail(CatalogIssue::Kind::notFound);
    {
        std::lock_guard lock(m_mutex);
        m_calls.append(Call{url, maximumBytes, std::chrono::steady_clock::now()});
        auto found = m_replies.find(url.toString(QUrl::FullyEncoded));
        if (found != m_replies.end() && !found->isEmpty())
            reply = found->size() > 1 ? found->takeFirst() : found->first();
    }
    if (token.isCancelled() || (reply.delayMs > 0 && !token.waitFor(reply.delayMs)))
        throw CatalogError(CatalogIssue::Kind::cancelled);
    if (reply.issue)
        throw CatalogError(*reply.issue);
    if (reply.bytes.size() > maximumBytes)
        throw CatalogError(CatalogIssue::Kind::tooLarge);
    return reply.bytes;
}

} // namespace testsupport
