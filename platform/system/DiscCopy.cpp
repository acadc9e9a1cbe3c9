#include "DiscCopy.h"

#include "DiscCopyJob.h"

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

void DiscCopy::run(const QString& what, qint64 total, const Work& work)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work([](qint64) { });
        return;
    }
    DiscCopyJob job(what, total, work);
    job.wait();
}
