#pragma once

#include "app/common/Delivery.h"

#include <QFuture>
#include <QObject>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace kestrivane::background {

// Starts a piece of work off the main thread and gives its future. The application uses
// the thread pool; tests install a launcher that holds the work and finishes it when they
// choose.
using Launcher = std::function<QFuture<void>(std::function<void()> work)>;

Launcher standardLauncher();

// What a piece of work produced: a value, or the exception it threw.
template <typename T> struct Outcome {
    std::optional<T> value;
    std::exception_ptr error;
};

// Runs `work` through `launch` and hands its outcome to `done` on `context`'s thread;
// `done` is never called once `context` is gone, nor for work the launcher dropped. The work
// catches its own exceptions, so a failure keeps its type on the way back.
template <typename T>
void run(const Launcher &launch, QObject *context, std::function<T()> work, std::function<void(Outcome<T> &)> done)
{
    auto outcome = std::make_shared<Outcome<T>>();
    QFuture<void> future = launch([outcome, work = std::move(work)] {
        try {
            outcome->value.emplace(work());
        } catch (...) {
            outcome->error = std::current_exception();
        }
    });
    deliver(context, future, [outcome, done = std::move(done)](const QFuture<void> &) { done(*outcome); });
}

} // namespace kestrivane::background
