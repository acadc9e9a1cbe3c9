#include "DiscCopy.h"

#include "DiscCopyJob.h"
#include "DiscReadPriority.h"

#include <QCoreApplication>
#include <QThread>

namespace {

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

const DiscCopy::Shown& DiscCopy::shown()
{
    return shownOnce();
}

void DiscCopy::run(const QString& what, qint64 total, const Work& work, Show show)
{
    const auto waitedFor = [&work](const std::function<void(qint64)>& progress) {
        const DiscReadPriority::Foreground first;
        work(progress);
    };
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        waitedFor([](qint64) { });
        return;
    }
    DiscCopyJob job(what, total, waitedFor);
    job.wait(show == Show::Progress ? shown() : Shown());
}
