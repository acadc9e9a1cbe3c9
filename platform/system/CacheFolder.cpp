#include "CacheFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes what FOLDER (opened O_NOFOLLOW) holds, depth first, through descriptors only:
// a name found a folder by lstat() and swapped for a link meanwhile is not followed either.
bool emptyFolder(int folder, int depth)
{
    // Deeper than any disc's tree goes: a loop cannot be, but a bound is kept anyway.
    if (depth > 64)
        return false;
    const int listed = ::dup(folder);
    DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (qstrcmp(name, ".") == 0 || qstrcmp(name, "..") == 0)
            continue;
        struct stat info {};
        if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            const int sub = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const bool emptied = sub >= 0 && emptyFolder(sub, depth + 1);
            if (sub >= 0)
                ::close(sub);
            empty = emptied && ::unlinkat(folder, name, AT_REMOVEDIR) == 0 && empty;
        } else {
            empty = ::unlinkat(folder, name, 0) == 0 && empty;
        }
    }
    ::closedir(dir);
    return empty;
}

} // namespace

bool CacheFolder::make(const QString& root, const QString& path)
{
    const QString top = QDir::cleanPath(root);
    const QString wanted = QDir::cleanPath(path);
    if (!QDir().mkpath(top))
        return false;
    if (wanted == top)
        return true;
    if (!wanted.startsWith(top + QLatin1Char('/')))
        return false;
    QString made = top;
    const QStringList parts = wanted.mid(top.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        made += QLatin1Char('/') + part;
        const QByteArray name = QFile::encodeName(made);
        struct stat info {};
        if (::lstat(name.constData(), &info) == 0) {
            if (S_ISDIR(info.st_mode))
                continue;
            // Not a folder of ours: the link (or file) goes, what it points at stays.
            if (::unlink(name.constData()) != 0)
                return false;
        }
        if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
    }
    return true;
}

bool CacheFolder::remove(const QString& path)
{
    const QByteArray name = QFile::encodeName(QDir::cleanPath(path));
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(name.constData()) == 0;
    const int folder = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return false;
    const bool emptied = emptyFolder(folder, 0);
    ::close(folder);
    return emptied && ::rmdir(name.constData()) == 0;
}

bool CacheFolder::isFileOfSize(const QString& path, qint64 size)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode) && qint64(info.st_size) == size;
}
