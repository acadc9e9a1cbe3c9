#include "DiscCopyJob.h"

#include "CourseError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

// How often a waiting thread looks at the copy's progress: often at first, since most
// files on a disc are small and copied in a few milliseconds (every screen waits for a
// dozen of them), then seldom.
constexpr int firstTickMs = 2;
constexpr int firstTicksFor = 100;
constexpr int tickMs = 50;

} // namespace

DiscCopyJob::DiscCopyJob(const QString& what, qint64 total, const DiscCopy::Work& work, std::function<void()> ended)
    : m_what(what)
    , m_total(total)
{
    m_worker = std::thread([this, work, ended = std::move(ended), alive = std::weak_ptr<bool>(m_alive)] {
        try {
            work([this](qint64 bytes) {
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

void DiscCopyJob::wait()
{
    // The loop ends on the tick after the copy: a nested copy's loop, run meanwhile by a
    // timer of the screen, ends its own first.
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_finished) {
            loop.quit();
            return;
        }
        if (tick.interval() < tickMs && clock.elapsed() >= firstTicksFor)
            tick.setInterval(tickMs);
        if (clock.elapsed() >= DiscCopy::ShowAfterMs && DiscCopy::shown()) {
            shown = true;
            DiscCopy::shown()(m_what, m_done, m_total);
        }
    });
    tick.start(firstTickMs);
    if (!m_finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (shown && DiscCopy::shown())
        DiscCopy::shown()(m_what, m_total, m_total);
    if (m_finished && m_failure)
        std::rethrow_exception(m_failure);
}
