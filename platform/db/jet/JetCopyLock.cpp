#include "JetCopyLock.h"

#include "CourseError.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int lockOperation(JetCopyLock::Kind kind, JetCopyLock::Wait wait)
{
    return (kind == JetCopyLock::Kind::Exclusive ? LOCK_EX : LOCK_SH) | (wait == JetCopyLock::Wait::NotAtAll ? LOCK_NB : 0);
}

int lockUninterrupted(int fd, int operation)
{
    int rc = 0;
    while ((rc = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    return rc;
}

} // namespace

QString JetCopyLock::lockFile(const QString& copy)
{
    return copy + QStringLiteral(".lock");
}

JetCopyLock::JetCopyLock(const QString& copy, Kind kind, Wait wait)
    : m_file(lockFile(copy))
    , m_kind(kind)
{
    const QByteArray path = QFile::encodeName(m_file);
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (kind == Kind::Shared && (errno == EACCES || errno == EROFS || errno == EPERM))
                return;
            throw CourseError(QStringLiteral("%1: the lock beside the converted copy cannot be made (%2)")
                                  .arg(m_file, QString::fromLocal8Bit(std::strerror(errno))));
        }
        if (lockUninterrupted(fd, lockOperation(kind, wait)) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK || kind == Kind::Shared)
                return;
            throw CourseError(QStringLiteral("%1: the lock beside the converted copy cannot be taken (%2)")
                                  .arg(m_file, QString::fromLocal8Bit(std::strerror(error))));
        }
        // The last holder removes the lock file as it lets go: a lock taken on a file that
        // is no longer the one at its name holds nobody apart, so it is taken again.
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

JetCopyLock::~JetCopyLock()
{
    release();
}

void JetCopyLock::share()
{
    if (m_fd >= 0 && m_kind == Kind::Exclusive && lockUninterrupted(m_fd, LOCK_SH) == 0)
        m_kind = Kind::Shared;
}

void JetCopyLock::release()
{
    if (m_fd < 0)
        return;
    // Only a holder that is alone may remove the lock file; a shared holder finds out by
    // asking for it exclusively, without waiting.
    if (m_kind == Kind::Exclusive || lockUninterrupted(m_fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(QFile::encodeName(m_file).constData());
    ::close(m_fd);
    m_fd = -1;
}
