#pragma once

// Hands the result of background work to an object on that object's own thread, and only
// while the object lives. QFuture::then(context, …) reads its context from the thread that
// finishes the work and posts to it from there, which races with the context being deleted
// on its own thread. Here a QFutureWatcher, a child of the receiver, waits instead: it is
// only ever touched on the receiver's thread, and dies with the receiver, which drops
// whatever was on its way.

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>

#include <exception>
#include <memory>
#include <type_traits>
#include <utility>

namespace kestrivane {

// Whether a finished future ended with an exception (a failed piece of work also counts as
// cancelled, so the cancelled flag alone does not tell).
template <typename T> bool endedWithException(const QFuture<T> &future)
{
    try {
        QFuture<T>(future).waitForFinished();
        return false;
    } catch (...) {
        return true;
    }
}

// Calls `done(future)` on `receiver`'s thread once `future` has finished, unless `receiver`
// is gone by then. Work that was cancelled without failing (dropped before it ran) calls
// nothing. Call on `receiver`'s thread.
template <typename T, typename Done> void deliver(QObject *receiver, const QFuture<T> &future, Done done)
{
    auto *watcher = new QFutureWatcher<T>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, done = std::move(done)]() mutable {
        // Taken out of the connection, so that what it holds goes now on every path.
        Done call = std::move(done);
        QFuture<T> finished = watcher->future();
        watcher->deleteLater();
        if (!finished.isCanceled() || endedWithException(finished))
            call(finished);
    });
    watcher->setFuture(future);
}

// As deliver(), and hands on what `done` returns or throws through the future it returns;
// that future is cancelled when nothing is delivered.
template <typename T, typename Done>
auto deliverResult(QObject *receiver, const QFuture<T> &future, Done done)
    -> QFuture<std::invoke_result_t<Done &, QFuture<T> &>>
{
    using R = std::invoke_result_t<Done &, QFuture<T> &>;
    auto promise = std::make_shared<QPromise<R>>();
    promise->start();
    QFuture<R> result = promise->future();
    deliver(receiver, future, [promise, done = std::move(done)](QFuture<T> &finished) mutable {
        try {
            if constexpr (std::is_void_v<R>)
                done(finished);
            else
                promise->addResult(done(finished));
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return result;
}

} // namespace kestrivane
