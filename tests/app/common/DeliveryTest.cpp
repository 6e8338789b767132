#include "app/common/Delivery.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace kestrivane;

// Work ends on another thread with a value, a failure or dropped, while its receiver lives
// or after it is gone. Only a live receiver is called, on its own thread; the result future
// says what happened, and no watcher stays behind on the receiver.
TEST(Delivery, ReachesOnlyALiveReceiverOnItsThread)
{
    enum class End { value, failure, dropped };
    const struct {
        End end;
        bool receiverLives;
    } cases[] = {{End::value, true}, {End::failure, true}, {End::dropped, true}, {End::value, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.end) * 10 + c.receiverLives);
        auto receiver = std::make_unique<QObject>();
        auto promise = std::make_shared<QPromise<int>>();
        promise->start();
        QList<QThread *> calls;
        const QFuture<int> result = deliverResult(receiver.get(), promise->future(), [&](QFuture<int> &future) {
            calls.append(QThread::currentThread());
            return future.result() * 2;
        });
        if (!c.receiverLives)
            receiver.reset();
        std::thread([promise = std::move(promise), end = c.end]() mutable {
            if (end == End::value)
                promise->addResult(21);
            if (end == End::failure)
                promise->setException(std::make_exception_ptr(std::runtime_error("failed")));
            if (end != End::dropped)
                promise->finish();
            promise.reset(); // a dropped promise cancels its future here
        }).join();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        const bool called = c.receiverLives && c.end != End::dropped;
        EXPECT_EQ(calls, called ? QList<QThread *>{qApp->thread()} : QList<QThread *>{});
        EXPECT_TRUE(!receiver || receiver->children().isEmpty());
        ASSERT_TRUE(result.isFinished());
        EXPECT_EQ(result.isCanceled(), c.end != End::value || !c.receiverLives);
        EXPECT_EQ(endedWithException(result), called && c.end == End::failure);
        EXPECT_EQ(result.resultCount() ? result.resultAt(0) : 0, called && c.end == End::value ? 42 : 0);
    }
}
