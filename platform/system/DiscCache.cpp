#include "DiscCache.h"

#include "CacheFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

const QString inUse = QStringLiteral(".in-use");

// An unfinished copy of a running process of its number that is not locked is left alone
// this long: its writer may not have locked it yet.
constexpr qint64 lockedWithinSeconds = 60;

const QRegularExpression& partName()
{
    static const QRegularExpression name(QStringLiteral("\\.part-(\\d+)-\\d+$"));
    return name;
}

int openLock(const QString& folder)
{
    return ::open(QFile::encodeName(folder + inUse).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

} // namespace

DiscCache::DiscCache(const QString& discs, const QString& mine, qint64 limit)
    : m_discs(discs)
    , m_mine(mine)
    , m_limit(limit)
{
}

DiscCache::~DiscCache()
{
    if (m_lock >= 0)
        ::close(m_lock); // the lock goes with it
}

bool DiscCache::hold()
{
    // Another player may be removing the folder as it is made: made again then.
    for (int attempt = 0; attempt < 3 && m_lock < 0; ++attempt) {
        if (!CacheFolder::make(QDir::cleanPath(m_discs + QStringLiteral("..")), m_mine))
            return false;
        const int fd = openLock(m_mine);
        if (fd < 0) {
            if (errno == ELOOP) // a link in its place: the link goes
                ::unlink(QFile::encodeName(m_mine + inUse).constData());
            continue;
        }
        struct stat opened {};
        struct stat there {};
        if (::flock(fd, LOCK_SH) == 0 && ::fstat(fd, &opened) == 0 && ::stat(QFile::encodeName(m_mine + inUse).constData(), &there) == 0
            && opened.st_ino == there.st_ino) {
            m_lock = fd;
            break;
        }
        ::close(fd);
    }
    if (m_lock < 0)
        return false;
    ::futimens(m_lock, nullptr); // used now
    return true;
}

bool DiscCache::isSoleHolder()
{
    if (m_lock < 0)
        return false;
    const bool sole = ::flock(m_lock, LOCK_EX | LOCK_NB) == 0;
    ::flock(m_lock, LOCK_SH);
    return sole;
}

bool DiscCache::lockPart(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool DiscCache::isPart(const QString& file)
{
    return partName().match(file).hasMatch();
}

int DiscCache::removeStaleParts(const QString& folder)
{
    int removed = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = partName().match(file.fileName());
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const qint64 pid = match.captured(1).toLongLong(&ok);
        const bool running = ok && pid > 0 && pid <= std::numeric_limits<pid_t>::max() && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
        // Its writer holds it locked; a process of its number still running may be another
        // (numbers come round again), or the writer between making and locking it.
        const int fd = ::open(QFile::encodeName(file.filePath()).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool written = !lockPart(fd);
        ::close(fd);
        if (written || (running && file.lastModified().secsTo(QDateTime::currentDateTime()) < lockedWithinSeconds))
            continue;
        removed += QFile::remove(file.filePath()) ? 1 : 0;
    }
    return removed;
}

qint64 DiscCache::bytesIn(const QString& folder, Parts parts)
{
    qint64 bytes = 0;
    QSet<QPair<quint64, quint64>> seen;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        struct stat info {};
        const QString file = files.next();
        if (::lstat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (parts == Parts::Skipped && isPart(file))
            continue;
        if (info.st_nlink > 1) {
            const QPair<quint64, quint64> id { quint64(info.st_dev), quint64(info.st_ino) };
            if (seen.contains(id))
                continue;
            seen.insert(id);
        }
        bytes += qint64(info.st_size);
    }
    return bytes;
}

bool DiscCache::makeRoom(qint64 needed)
{
    // Counted once, then kept up to date: counted again only when the limit is near.
    if (m_used >= 0 && m_used + needed <= m_limit)
        return true;
    struct Folder {
        QString path;
        qint64 used = 0; // when last held, seconds
        qint64 bytes = 0;
    };
    const QStringList names = QDir(m_discs).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QList<Folder> others;
    qint64 total = 0;
    const QString mine = QDir::cleanPath(m_mine);
    for (const QString& name : names) {
        const QString path = m_discs + name + QLatin1Char('/');
        const qint64 bytes = bytesIn(path);
        total += bytes;
        if (QDir::cleanPath(path) != mine)
            others << Folder { path, QFileInfo(path + inUse).lastModified().toSecsSinceEpoch(), bytes };
    }
    m_used = total;
    if (m_used + needed <= m_limit)
        return true;
    std::sort(others.begin(), others.end(), [](const Folder& a, const Folder& b) { return a.used < b.used; });
    for (const Folder& folder : std::as_const(others)) {
        const int fd = openLock(folder.path);
        if (fd < 0)
            continue;
        // Held by a running player: left alone.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && CacheFolder::remove(folder.path))
            m_used -= folder.bytes;
        ::close(fd);
        if (m_used + needed <= m_limit)
            return true;
    }
    return m_used + needed <= m_limit;
}
