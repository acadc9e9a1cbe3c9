#include "DiscCopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace {

// How often a waiting thread looks at the copy's progress.
constexpr int tickMs = 50;

DiscCopy::Shown& shownOnce()
{
    static DiscCopy::Shown shown;
    return shown;
}

} // namespace

void DiscCopy::setShown(Shown shown)
{
    shownOnce() = std::move(shown);
}

void DiscCopy::run(const QString& what, qint64 total, const Work& work)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work([](qint64) { });
        return;
    }
    std::atomic<qint64> done { 0 };
    std::atomic<bool> finished { false };
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work([&done](qint64 bytes) { done = bytes; });
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    // The loop ends on the tick after the copy: a nested copy's loop, run meanwhile by a
    // timer of the screen, ends its own first.
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        if (clock.elapsed() >= ShowAfterMs && shownOnce()) {
            shown = true;
            shownOnce()(what, done, total);
        }
    });
    tick.start(tickMs);
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (shown && shownOnce())
        shownOnce()(what, total, total);
    if (failure)
        std::rethrow_exception(failure);
}
