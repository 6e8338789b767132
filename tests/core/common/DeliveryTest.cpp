#include "core/common/Delivery.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace kestrivane;

// Work ends on another thread with a value, a failure or dropped, while its receiver lives
// or after it is gone. Only a live receiver is called, on its own thread, and the result
// future says what happened; no watcher stays behind on the receiver.
TEST(Delivery, ReachesOnlyALiveReceiverOnItsThread)
{
    enum class End { value, failure, dropped };
    const struct {
        End end;
        bool receiverLives;
        int calls;
    } cases[] = {
        {End::value, true, 1},  {End::failure, true, 1},  {End::dropped, true, 0},
        {End::value, false, 0}, {End::failure, false, 0}, {End::dropped, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.end) * 10 + c.receiverLives);
        auto receiver = std::make_unique<QObject>();
        auto promise = std::make_shared<QPromise<int>>();
        promise->start();
        int calls = 0;
        QThread *thread = nullptr;
        const QFuture<int> result = deliverResult(receiver.get(), promise->future(), [&](QFuture<int> &future) {
            ++calls;
            thread = QThread::currentThread();
            return future.result() * 2;
        });
        if (!c.receiverLives)
            receiver.reset();
        std::thread([promise = std::move(promise), end = c.end]() mutable {
            if (end == End::value)
                promise->addResult(21);
            else if (end == End::failure)
                promise->setException(std::make_exception_ptr(std::runtime_error("failed")));
            if (end != End::dropped)
                promise->finish();
            promise.reset(); // a dropped promise cancels its future here
        }).join();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_EQ(calls, c.calls);
        EXPECT_TRUE(!calls || thread == QCoreApplication::instance()->thread());
        EXPECT_TRUE(!receiver || receiver->children().isEmpty());
        ASSERT_TRUE(result.isFinished());
        if (calls && c.end == End::value)
            EXPECT_EQ(QFuture<int>(result).result(), 42);
        else if (calls)
            EXPECT_THROW(QFuture<int>(result).waitForFinished(), std::runtime_error);
        else
            EXPECT_TRUE(result.isCanceled() && !endedWithException(result));
    }
}
