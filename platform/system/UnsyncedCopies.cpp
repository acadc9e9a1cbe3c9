#include "UnsyncedCopies.h"

#include "CacheFolder.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString markPrefix = QStringLiteral(".unsynced-");

QString markOf(const QString& folder)
{
    return folder + markPrefix + UnsyncedCopies::bootId();
}

} // namespace

QString UnsyncedCopies::bootId()
{
    static const QString id = [] {
        QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        const QString read = file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
        // Without one every start counts as of the same boot: copies are kept.
        return read.isEmpty() ? QStringLiteral("unknown") : read;
    }();
    return id;
}

bool UnsyncedCopies::mark(const QString& folder)
{
    // Made every time: the last player may have just taken it away.
    const int fd = ::open(QFile::encodeName(markOf(folder)).constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool UnsyncedCopies::dropAfterRestart(const QString& folder)
{
    const QStringList marks = QDir(folder).entryList({ markPrefix + QLatin1Char('*') }, QDir::Files | QDir::Hidden);
    const QString mine = markPrefix + bootId();
    bool dropped = false;
    for (const QString& name : marks) {
        if (name == mine)
            continue;
        if (!dropped) {
            // A link in their place goes itself: what it points at is not the cache's.
            CacheFolder::remove(folder + QStringLiteral("files"));
            CacheFolder::remove(folder + QStringLiteral("extents"));
            dropped = true;
        }
        QFile::remove(folder + name);
    }
    return dropped;
}

void UnsyncedCopies::settle(const QString& folder)
{
    const QString mark = markOf(folder);
    if (!QFile::exists(mark))
        return;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const bool written = ::syncfs(fd) == 0;
    ::close(fd);
    if (written)
        QFile::remove(mark);
}
