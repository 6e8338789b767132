#pragma once

#include "app/table/BackgroundWork.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPromise>
#include <QString>

#include <functional>
#include <memory>

namespace tabletest {

// Holds every piece of background work until the test finishes it, in any order.
class HeldWork {
public:
    kestrivane::background::Launcher launcher()
    {
        return [this](std::function<void()> work) {
            auto promise = std::make_shared<QPromise<void>>();
            promise->start();
            m_pieces.append({std::move(work), promise});
            return promise->future();
        };
    }
    qsizetype count() const { return m_pieces.size(); }
    // Runs piece `index` and delivers its result.
    void finish(qsizetype index)
    {
        Piece &piece = m_pieces[index];
        piece.work();
        piece.promise->finish();
        settle();
    }
    // Finishes every piece started from `first` on, including those the results start.
    void finishFrom(qsizetype first)
    {
        for (qsizetype i = first; i < m_pieces.size(); ++i)
            finish(i);
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

private:
    struct Piece {
        std::function<void()> work;
        std::shared_ptr<QPromise<void>> promise;
    };
    QList<Piece> m_pieces;
};

// Waits for real background work, processing events.
inline bool waitUntil(const std::function<bool()> &done, int milliseconds = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

} // namespace tabletest
