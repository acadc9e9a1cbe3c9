#include "DiscCopyJob.h"

#include "CourseError.h"
#include "DiscReadPriority.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace {

// How often a waiting thread looks at the copy's progress: often at first, since most
// files on a disc are small and copied in a few milliseconds (every screen waits for a
// dozen of them), then seldom.
constexpr int firstTickMs = 2;
constexpr int firstTicksFor = 100;
constexpr int tickMs = 50;

// How long a copy that holds back sleeps before it looks again.
constexpr auto yieldStep = std::chrono::milliseconds(10);

} // namespace

DiscCopyJob::DiscCopyJob(const QString& what, qint64 total, const DiscCopy::Work& work, std::function<void()> ended, Pace pace)
    : m_what(what)
    , m_total(total)
    , m_yielding(pace == Pace::YieldToReads)
{
    m_worker = std::thread([this, work, ended = std::move(ended), alive = std::weak_ptr<bool>(m_alive)] {
        try {
            work([this](qint64 bytes) {
                // Between two reads of its own: a stream or a small copy the window waits
                // for reads first.
                while (m_yielding && !m_cancelled && DiscReadPriority::isBusy())
                    std::this_thread::sleep_for(yieldStep);
                if (m_cancelled)
                    throw CourseError(QStringLiteral("the copy of %1 was given up").arg(m_what));
                m_done = bytes;
            });
        } catch (...) {
            m_failure = std::current_exception();
        }
        m_finished = true;
        if (ended && QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), [ended, alive] {
                if (alive.lock())
                    ended();
            }, Qt::QueuedConnection);
    });
}

DiscCopyJob::~DiscCopyJob()
{
    m_alive.reset();
    m_cancelled = true;
    m_worker.join();
}

void DiscCopyJob::wait(DiscCopy::Shown shown)
{
    // Waited for, it is what somebody waits for: it holds back no more.
    m_yielding = false;
    // The loop ends on the tick after the copy: a nested copy's loop, run meanwhile by a
    // timer of the screen, ends its own first.
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer clock;
    clock.start();
    bool showing = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_finished) {
            loop.quit();
            return;
        }
        if (tick.interval() < tickMs && clock.elapsed() >= firstTicksFor)
            tick.setInterval(tickMs);
        if (clock.elapsed() >= DiscCopy::ShowAfterMs && shown) {
            showing = true;
            shown(m_what, m_done, m_total);
        }
    });
    tick.start(firstTickMs);
    if (!m_finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (showing && shown)
        shown(m_what, m_total, m_total);
    if (m_finished && m_failure)
        std::rethrow_exception(m_failure);
}
