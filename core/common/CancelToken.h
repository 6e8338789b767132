#pragma once

// Cancellation of blocking work that runs on a worker thread. The caller keeps a copy
// of the token and cancels it; the work polls `isCancelled()`, sleeps through
// `waitFor()`, or registers a callback that interrupts whatever it is blocked on.

#include "core/common/Issue.h"

#include <functional>
#include <memory>

namespace kestrivane {

class CancelToken {
public:
    using Callback = std::function<void()>;

    CancelToken();

    // Sets the flag, wakes every waiter and runs each registered callback once, on the
    // cancelling thread. Later calls do nothing.
    void cancel() const;
    bool isCancelled() const;

    // Sleeps up to `milliseconds` on a monotonic clock. False when the token was or
    // became cancelled, true when the time ran out.
    bool waitFor(qint64 milliseconds) const;

    // Runs `callback` once when the token is cancelled (at once, on this thread, when it
    // already is). The result removes the callback again; removal waits for a callback
    // that is running, so nothing it captures is used after removal returns.
    qint64 onCancel(Callback callback) const;
    void removeCallback(qint64 id) const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Removes a registered callback when the scope ends.
class CancelCallbackScope {
public:
    CancelCallbackScope(const CancelToken &token, CancelToken::Callback callback)
        : m_token(token), m_id(token.onCancel(std::move(callback)))
    {
    }
    ~CancelCallbackScope() { m_token.removeCallback(m_id); }
    CancelCallbackScope(const CancelCallbackScope &) = delete;
    CancelCallbackScope &operator=(const CancelCallbackScope &) = delete;

private:
    CancelToken m_token;
    qint64 m_id;
};

// Work that stopped because its token was cancelled. It is shown, when at all, as the
// catalog's cancellation text.
class CancellationError : public Error {
public:
    QString key() const override { return QStringLiteral("mac.catalog_cancelled"); }
    const char *what() const noexcept override { return "cancelled"; }
};

} // namespace kestrivane
