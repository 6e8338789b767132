#include "core/common/CancelToken.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace kestrivane {

struct CancelToken::State {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::map<qint64, Callback> callbacks;
    qint64 nextId = 1;
    qint64 running = 0; // id of the callback being run, 0 when none
    std::thread::id runner;
};

CancelToken::CancelToken() : m_state(std::make_shared<State>()) {}

void CancelToken::cancel() const
{
    std::unique_lock lock(m_state->mutex);
    if (m_state->cancelled.exchange(true))
        return;
    m_state->runner = std::this_thread::get_id();
    m_state->changed.notify_all();
    while (!m_state->callbacks.empty()) {
        auto first = m_state->callbacks.begin();
        const qint64 id = first->first;
        Callback callback = std::move(first->second);
        m_state->callbacks.erase(first);
        m_state->running = id;
        lock.unlock();
        callback();
        lock.lock();
        m_state->running = 0;
        m_state->changed.notify_all();
    }
}

bool CancelToken::isCancelled() const
{
    return m_state->cancelled.load();
}

bool CancelToken::waitFor(qint64 milliseconds) const
{
    std::unique_lock lock(m_state->mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    return !m_state->changed.wait_until(lock, deadline, [&] { return m_state->cancelled.load(); });
}

qint64 CancelToken::onCancel(Callback callback) const
{
    std::unique_lock lock(m_state->mutex);
    const qint64 id = m_state->nextId++;
    if (m_state->cancelled.load()) {
        lock.unlock();
        callback();
        return id;
    }
    m_state->callbacks.emplace(id, std::move(callback));
    return id;
}

void CancelToken::removeCallback(qint64 id) const
{
    std::unique_lock lock(m_state->mutex);
    m_state->callbacks.erase(id);
    // A callback running on another thread may still use what the caller owns.
    if (m_state->runner != std::this_thread::get_id())
        m_state->changed.wait(lock, [&] { return m_state->running != id; });
}

} // namespace kestrivane
