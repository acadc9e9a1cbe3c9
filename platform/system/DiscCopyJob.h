#pragma once

#include "DiscCopy.h"

#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

/// One copy out of a disc image running in a thread of its own from the moment it is
/// made, which may be waited for later (see DiscCopy) or left to end by itself. Ending
/// the object stops the copy at its next step and waits for the thread.
class DiscCopyJob {
public:
    /// Whether the copy holds back while reads somebody waits for are made
    /// (DiscReadPriority): a copy made in the background does, until it is waited for.
    enum class Pace { Full, YieldToReads };

    /// Starts WORK for WHAT (TOTAL bytes). ENDED, when given, is called on the
    /// application's thread once the work has ended, unless this object is gone by then.
    DiscCopyJob(const QString& what, qint64 total, const DiscCopy::Work& work, std::function<void()> ended = {}, Pace pace = Pace::Full);
    ~DiscCopyJob();
    DiscCopyJob(const DiscCopyJob&) = delete;
    DiscCopyJob& operator=(const DiscCopyJob&) = delete;

    bool isFinished() const { return m_finished; }
    qint64 done() const { return m_done; }

    /// Waits for the end: on the application's thread, serving its events meanwhile
    /// (user input held back) and showing the progress of a wait over a second. Rethrows
    /// what the work threw.
    void wait(DiscCopy::Shown shown = DiscCopy::shown());
    /// What the work threw once it ended; null when it ended well or is still running.
    std::exception_ptr failure() const { return m_finished ? m_failure : nullptr; }

private:
    QString m_what;
    qint64 m_total = 0;
    std::atomic<qint64> m_done { 0 };
    std::atomic<bool> m_finished { false };
    std::atomic<bool> m_cancelled { false };
    std::atomic<bool> m_yielding { false }; ///< holds back for reads somebody waits for
    std::exception_ptr m_failure;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); ///< read on the application's thread only
    std::thread m_worker;
};
