#include "CourseImage.h"

#include "CacheFolder.h"

#include "CourseError.h"
#include "DiscCopy.h"
#include "DiscCopyJob.h"
#include "DiscFileReader.h"
#include "DiscStreams.h"
#include "DiscTreeFile.h"
#include "DiscSectors.h"
#include "Trace.h"
#include "UnsyncedCopies.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files named in a message about an image cut short before the rest are counted.
constexpr int namedAtMost = 5;

// The volume's size as its primary descriptor declares it, in bytes (0 when unknown).
qint64 declaredSize(const QByteArray& descriptors)
{
    for (qsizetype at = 0; at + DiscImage::SectorSize <= descriptors.size(); at += DiscImage::SectorSize) {
        if (descriptors.at(at) != 1)
            continue;
        quint32 sectors = 0;
        for (int i = 3; i >= 0; --i)
            sectors = sectors << 8 | uchar(descriptors.at(at + 80 + i)); // little-endian half of a both-endian number
        return qint64(sectors) * DiscImage::SectorSize;
    }
    return 0;
}

// A copy that does not fit within the cache's limit.
class CacheFull : public CourseError {
public:
    using CourseError::CourseError;
};

QString listed(const QStringList& names)
{
    QStringList shown = names.mid(0, namedAtMost);
    for (QString& name : shown)
        name = QLatin1Char('"') + name + QLatin1Char('"');
    QString text = shown.join(QStringLiteral(", "));
    if (names.size() > namedAtMost)
        text += QStringLiteral(" and %1 more").arg(names.size() - namedAtMost);
    return text;
}

} // namespace

CourseImage::CourseImage(const QString& image, const QString& cache, Trace* trace, qint64 cacheLimit)
    : m_image(QFileInfo(image).absoluteFilePath())
    , m_trace(trace)
{
    struct stat info {};
    if (::stat(QFile::encodeName(m_image).constData(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode)))
        throw CourseError(QStringLiteral("the disc image %1 does not exist").arg(m_image));
    QByteArray descriptors;
    try {
        descriptors = DiscImage::volumeDescriptors(m_image);
    } catch (const DamagedDiscImage& damaged) {
        traceDamaged(damaged);
        throw;
    }
    m_reader = std::make_unique<DiscImage>(m_image);
    m_size = m_reader->size();
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(QByteArray::number(m_size) + '\n' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec)) + '\n');
    key.addData(descriptors);
    const QString discs = cache + QStringLiteral("discs/");
    m_folder = discs + QFileInfo(m_image).fileName() + QLatin1Char('-') + QString::fromLatin1(key.result().toHex().left(20)) + QLatin1Char('/');
    m_cache = std::make_unique<DiscCache>(discs, m_folder, cacheLimit);
    clearTree();
    if (readIndex()) {
        if (m_cache->hold())
            dropUnsyncedCopies();
        return;
    }
    clearTree(); // whatever a tree file that does not add up left

    QElapsedTimer clock;
    clock.start();
    try {
        loadTree();
    } catch (const DamagedDiscImage& damaged) {
        traceDamaged(damaged);
        throw;
    }
    // An image cut short may still hold its whole tree: what is missing are the files
    // that lay past the cut.
    QStringList cut;
    for (const QString& path : std::as_const(m_files)) {
        const DiscImage::Entry entry = m_tree.value(path).entry;
        if (qint64(entry.sector) * DiscImage::SectorSize + entry.size > m_size)
            cut << path;
    }
    if (!cut.isEmpty()) {
        const qint64 declared = declaredSize(descriptors);
        const QString sizes = declared > m_size ? QStringLiteral("it holds %1 of the %2 bytes its volume descriptor declares").arg(m_size).arg(declared)
                                                : QStringLiteral("it holds %1 bytes").arg(m_size);
        throw CourseError(QStringLiteral("the disc image %1 is cut short: %2, and %3 of its files lie past its end: %4")
                              .arg(m_image, sizes)
                              .arg(cut.size())
                              .arg(listed(cut)));
    }
    if (!m_cache->hold())
        throw CourseError(QStringLiteral("the folder %1 for the files of the disc image %2 cannot be made").arg(m_folder, m_image));
    dropUnsyncedCopies();
    writeIndex();
    removeEarlierVersions();
    m_cache->makeRoom(0); // a cache over a lowered limit is brought under it
    if (m_trace)
        m_trace->event("disc.read",
            { { QStringLiteral("image"), m_image }, { QStringLiteral("entry"), QString() }, { QStringLiteral("names"), DiscImage::namesText(m_names) },
                { QStringLiteral("files"), m_files.size() }, { QStringLiteral("copy"), DiscTreeFile::path(m_folder) },
                { QStringLiteral("ms"), clock.elapsed() } });
}

CourseImage::~CourseImage()
{
    // Copies under way are given up (their unfinished files removed); players reading off
    // the image read on through streams of their own.
    for (const auto& [path, background] : m_background)
        DiscStreams::withdraw(folder() + path);
    m_background.clear();
    // The window is gone by now: the copies are written out here, once, for all players.
    if (m_cache && m_cache->isSoleHolder())
        UnsyncedCopies::settle(m_folder);
}

void CourseImage::dropUnsyncedCopies() const
{
    if (UnsyncedCopies::dropAfterRestart(m_folder) && m_trace)
        m_trace->event("disc.unsynced", { { QStringLiteral("image"), m_image }, { QStringLiteral("copy"), m_folder } });
}

bool CourseImage::isDevice(const QString& path)
{
    return DiscSectors::isDevice(path);
}

qint64 CourseImage::cacheLimit(const QString& mebibytes)
{
    bool ok = false;
    const qint64 value = mebibytes.trimmed().toLongLong(&ok);
    return (ok && value > 0 && value < (qint64(1) << 40) ? value : DiscCache::DefaultLimitMiB) << 20;
}

void CourseImage::clearTree()
{
    m_tree.clear();
    m_files.clear();
    m_tree.insert(QString(), Node { DiscImage::Entry { QString(), true, 0, 0 }, {} });
}

bool CourseImage::makeFolder(const QString& path) const
{
    // Below the cache's own folder, where discs/ lies: no link there is followed.
    return CacheFolder::make(QDir::cleanPath(m_folder + QStringLiteral("../..")), path);
}

void CourseImage::removeEarlierVersions() const
{
    // What the same image file held before it changed is never read again. A player
    // still on it keeps the copies it has open; any other it makes again.
    const QFileInfo mine(QDir::cleanPath(m_folder));
    const QDir discs = mine.dir();
    const QStringList folders = discs.entryList({ QFileInfo(m_image).fileName() + QStringLiteral("-*") }, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& folder : folders) {
        if (folder == mine.fileName())
            continue;
        if (DiscTreeFile::imageOf(discs.filePath(folder) + QLatin1Char('/')) == m_image)
            CacheFolder::remove(discs.filePath(folder));
    }
}

void CourseImage::addEntry(const DiscImage::Entry& entry)
{
    const qsizetype slash = entry.path.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash < 0 ? QString() : entry.path.left(slash);
    auto holder = m_tree.find(parent);
    if (holder == m_tree.end() || !holder->entry.folder || m_tree.contains(entry.path))
        return; // a name the disc gives twice: the first stands
    holder->children << entry.path.mid(slash + 1);
    m_tree.insert(entry.path, Node { entry, {} });
    if (!entry.folder)
        m_files << entry.path;
}

void CourseImage::loadTree()
{
    const DiscImage::Tree tree = m_reader->tree();
    m_names = tree.names;
    for (const DiscImage::Entry& entry : tree.entries)
        addEntry(entry);
}

bool CourseImage::readIndex()
{
    const std::optional<DiscImage::Tree> kept = DiscTreeFile::read(m_folder);
    if (!kept)
        return false;
    m_names = kept->names;
    for (const DiscImage::Entry& entry : kept->entries)
        addEntry(entry);
    return true;
}

void CourseImage::writeIndex() const
{
    DiscImage::Tree tree { m_names, {} };
    // Parents before what they hold, as addEntry() wants them back.
    QList<QString> order { QString() };
    for (qsizetype i = 0; i < order.size(); ++i) {
        for (const QString& child : m_tree.value(order.at(i)).children) {
            const QString path = order.at(i).isEmpty() ? child : order.at(i) + QLatin1Char('/') + child;
            tree.entries << m_tree.value(path).entry;
            if (tree.entries.last().folder)
                order << path;
        }
    }
    // Only what saves reading the tree again: a tree that cannot be kept is read next time.
    DiscTreeFile::write(m_folder, m_image, tree);
}

QString CourseImage::find(const QStringList& parts) const
{
    QString current;
    for (const QString& part : parts) {
        const auto node = m_tree.constFind(current);
        if (node == m_tree.cend() || !node->entry.folder)
            return {};
        const QString prefix = current.isEmpty() ? QString() : current + QLatin1Char('/');
        if (m_tree.contains(prefix + part)) {
            current = prefix + part;
            continue;
        }
        const auto match = std::find_if(node->children.cbegin(), node->children.cend(),
            [&](const QString& child) { return child.compare(part, Qt::CaseInsensitive) == 0; });
        if (match == node->children.cend())
            return {};
        current = prefix + *match;
    }
    return current;
}

bool CourseImage::isFile(const QString& path) const
{
    const auto node = m_tree.constFind(path);
    return node != m_tree.cend() && !node->entry.folder;
}

QString CourseImage::extentOf(const DiscImage::Entry& entry) const
{
    return m_folder + QStringLiteral("extents/%1-%2").arg(entry.sector).arg(entry.size);
}

std::optional<CourseImage::ExtentCopy> CourseImage::startExtent(const DiscImage::Entry& entry) const
{
    // Names that share an extent share its copy: a disc whose names all point at one large
    // extent costs that extent once.
    const QString target = extentOf(entry);
    // First, so that the copy is looked for nowhere a link in its place points at.
    if (!makeFolder(QFileInfo(target).path()))
        throw CourseError(QStringLiteral("the folder %1 for the files of the disc image %2 cannot be made").arg(QFileInfo(target).path(), m_image));
    if (CacheFolder::isFileOfSize(target, entry.size))
        return std::nullopt;
    QFile::remove(target); // not what the disc holds (changed by hand): made again
    if (m_copied < 0) {
        DiscCache::removeStaleParts(QFileInfo(target).path());
        // Unfinished copies of other players are theirs to count.
        m_copied = DiscCache::bytesIn(QFileInfo(target).path(), DiscCache::Parts::Skipped);
    }
    // Overlapping extents could make the copies of one image many times its size.
    if (m_copied + entry.size > m_size)
        throw CourseError(QStringLiteral("the disc image %1 is damaged: the copies of its files would take more than the %2 bytes it holds "
                                         "(its files overlap)")
                              .arg(m_image)
                              .arg(m_size));
    if (!m_cache->makeRoom(entry.size))
        throw CacheFull(QStringLiteral("%1: the file \"%2\" cannot be copied out: the copies of disc images would take more than the %3 MiB "
                                         "the settings allow (DiscCacheMB)")
                              .arg(m_image, entry.path)
                              .arg(m_cache->limit() >> 20));
    // Counted from the start, so that copies under way side by side keep within the bounds.
    m_copied += entry.size;
    m_cache->written(entry.size);
    // Of this copy alone: a screen's timer may start another of the same extent meanwhile.
    static int copies = 0;
    return ExtentCopy { target, target + QStringLiteral(".part-%1-%2").arg(QCoreApplication::applicationPid()).arg(++copies) };
}

void CourseImage::writeExtent(const DiscImage::Entry& entry, const ExtentCopy& copy, const DiscImage::Progress& progress) const
{
    QFile out(copy.part);
    // Never through a link planted under the copy's name.
    CacheFolder::remove(copy.part);
    // A cache whose disc is full or cannot be written is one that cannot hold the file: it
    // is read off the image then, as a file larger than the cache's limit is.
    if (!out.open(QIODevice::NewOnly))
        throw CacheFull(QStringLiteral("%1: the copy %2 of \"%3\" cannot be written: %4").arg(m_image, copy.part, entry.path, out.errorString()));
    // Locked while it is written: unlocked, it is a leftover (DiscCache::removeStaleParts()).
    DiscCache::lockPart(out.handle());
    try {
        m_reader->read(entry, out, progress);
        // Not synced (see UnsyncedCopies), unless the folder cannot be marked as holding
        // copies that are not.
        if (!out.flush() || (!UnsyncedCopies::mark(m_folder) && ::fsync(out.handle()) != 0))
            throw CourseError(QStringLiteral("%1: the copy %2 of \"%3\" cannot be written: %4").arg(m_image, copy.part, entry.path, out.errorString()));
    } catch (const DiscImage::WriteFailed& full) {
        out.close();
        QFile::remove(copy.part);
        throw CacheFull(full.message());
    } catch (const CourseError&) {
        const bool cacheSide = out.error() != QFileDevice::NoError;
        const QString reason = out.errorString();
        out.close();
        QFile::remove(copy.part);
        if (cacheSide)
            throw CacheFull(QStringLiteral("%1: the copy %2 of \"%3\" cannot be written: %4").arg(m_image, copy.part, entry.path, reason));
        throw;
    }
    out.close();
    // The disc's files are only read from: the copy says so.
    QFile::setPermissions(copy.part, QFileDevice::ReadOwner);
    // Never over a copy another player made meanwhile, which it may have open.
    if (!QFile::rename(copy.part, copy.target)) {
        QFile::remove(copy.part);
        if (!QFileInfo(copy.target).isFile())
            throw CourseError(QStringLiteral("%1: the copy of \"%2\" cannot be named %3").arg(m_image, entry.path, copy.target));
    }
}

QString CourseImage::copyExtent(const DiscImage::Entry& entry) const
{
    // A copy of the same extent under way in the background is waited for, not repeated.
    finishBackground(copyingExtentOf(entry));
    const std::optional<ExtentCopy> copy = startExtent(entry);
    if (!copy)
        return extentOf(entry);
    try {
        DiscCopy::run(entry.path, entry.size, [&](const std::function<void(qint64)>& progress) { writeExtent(entry, *copy, progress); });
    } catch (const CourseError&) {
        m_copied -= entry.size;
        m_cache->written(-qint64(entry.size));
        throw;
    }
    return copy->target;
}

void CourseImage::linkName(const QString& extent, const QString& path) const
{
    // The name is a second link to the extent's copy; never over one another player made.
    const QString target = folder() + path;
    const QFileInfo made(target);
    if (made.exists() || made.isSymLink())
        QFile::remove(target);
    if (::link(QFile::encodeName(extent).constData(), QFile::encodeName(target).constData()) != 0 && errno != EEXIST
        && ::symlink(QFile::encodeName(extent).constData(), QFile::encodeName(target).constData()) != 0 && errno != EEXIST)
        throw CourseError(QStringLiteral("%1: the copy of \"%2\" cannot be named %3").arg(m_image, path, target));
}

QString CourseImage::localFile(const QString& path) const
{
    if (!isFile(path))
        throw CourseError(QStringLiteral("the disc image %1 holds no file \"%2\"").arg(m_image, path));
    const DiscImage::Entry entry = m_tree.value(path).entry;
    const QString target = folder() + path;
    const QFileInfo made(target);
    if (!makeFolder(made.absolutePath()))
        throw CourseError(QStringLiteral("the folder %1 for the files of the disc image %2 cannot be made").arg(made.absolutePath(), m_image));
    if (CacheFolder::isFileOfSize(target, entry.size))
        return target;

    QElapsedTimer clock;
    clock.start();
    linkName(copyExtent(entry), path);
    if (m_trace)
        m_trace->event("disc.read",
            { { QStringLiteral("image"), m_image }, { QStringLiteral("entry"), path }, { QStringLiteral("bytes"), qint64(entry.size) },
                { QStringLiteral("copy"), target }, { QStringLiteral("ms"), clock.elapsed() } });
    return target;
}

bool CourseImage::isPlayedWhileCopied(const DiscImage::Entry& entry)
{
    static const QStringList played { QStringLiteral("avi"), QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("mpe"),
        QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("wmv"), QStringLiteral("asf"), QStringLiteral("wav"),
        QStringLiteral("mp3"), QStringLiteral("ogg"), QStringLiteral("wma") };
    return !entry.folder && entry.size >= PlayWhileCopiedFrom && played.contains(QFileInfo(entry.path).suffix().toLower());
}

QString CourseImage::copyingExtentOf(const DiscImage::Entry& entry) const
{
    for (const auto& [path, background] : m_background) {
        const DiscImage::Entry other = m_tree.value(path).entry;
        if (background.job && other.sector == entry.sector && other.size == entry.size)
            return path;
    }
    return {};
}

QString CourseImage::playedWhileCopied(const QString& path) const
{
    const QString target = folder() + path;
    if (m_background.count(path))
        return target;
    const DiscImage::Entry entry = m_tree.value(path).entry;
    // Copied, or being copied, under another name (a disc's names may share an extent), or
    // to fail as a copy does.
    if (!copyingExtentOf(entry).isEmpty() || !makeFolder(QFileInfo(extentOf(entry)).path()) || CacheFolder::isFileOfSize(extentOf(entry), entry.size)
        || !makeFolder(QFileInfo(target).path()))
        return localFile(path);
    std::optional<ExtentCopy> copy;
    try {
        copy = startExtent(entry);
    } catch (const CacheFull& full) {
        // The file is still read off the image, at every use.
        traceUnreadable(path, full.message());
    }
    Background& background = offerStream(path);
    if (copy)
        background.job = std::make_unique<DiscCopyJob>(
            entry.path, entry.size,
            [this, entry, path, made = *copy](const std::function<void(qint64)>& progress) {
                writeExtent(entry, made, progress);
                linkName(made.target, path);
            },
            [this, path] { settleBackground(path); }, DiscCopyJob::Pace::YieldToReads);
    return target;
}

CourseImage::Background& CourseImage::offerStream(const QString& path) const
{
    const DiscImage::Entry entry = m_tree.value(path).entry;
    const std::shared_ptr<const DiscSectors> sectors = m_reader->sectors();
    const QString image = m_image;
    DiscStreams::offer(folder() + path,
        { [sectors, image, entry] { return std::make_shared<const DiscFileReader>(sectors, image, entry); }, [this, path] { finishBackground(path); } });
    Background& background = m_background[path];
    background.clock.start();
    return background;
}

QString CourseImage::readOffImage(const QString& path, const QString& reason) const
{
    const QString target = folder() + path;
    if (!m_background.count(path)) {
        traceUnreadable(path, reason);
        makeFolder(QFileInfo(target).path());
        offerStream(path);
    }
    return target;
}

QString CourseImage::copiedOrRead(const QString& path) const
{
    // A file the cache cannot hold (a picture larger than its limit) is read off the image
    // at every use by what reads it through DiscStreams.
    if (m_background.count(path) && !m_background.at(path).job)
        return folder() + path;
    try {
        return localFile(path);
    } catch (const CacheFull& full) {
        return readOffImage(path, full.message());
    }
}

void CourseImage::finishBackground(const QString& path) const
{
    const auto found = m_background.find(path);
    if (found == m_background.end() || !found->second.job)
        return;
    // The copy's end, told meanwhile from the event loop, is not to take the job away
    // while it is waited for.
    found->second.waited = true;
    try {
        found->second.job->wait();
    } catch (const CourseError&) {
        // settleBackground() tells
    }
    found->second.waited = false;
    settleBackground(path);
}

void CourseImage::settleBackground(const QString& path) const
{
    const auto found = m_background.find(path);
    if (found == m_background.end() || !found->second.job || !found->second.job->isFinished() || found->second.waited)
        return;
    const DiscImage::Entry entry = m_tree.value(path).entry;
    const std::exception_ptr failure = found->second.job->failure();
    const qint64 ms = found->second.clock.elapsed();
    m_background.erase(found);
    DiscStreams::withdraw(folder() + path);
    if (failure) {
        m_copied -= entry.size;
        m_cache->written(-qint64(entry.size));
        try {
            std::rethrow_exception(failure);
        } catch (const CourseError& error) {
            // Read no more: the player that was playing it meets the damage itself.
            m_unreadable.insert(path, error.message());
            traceUnreadable(path, error.message());
        }
        return;
    }
    if (m_trace)
        m_trace->event("disc.read",
            { { QStringLiteral("image"), m_image }, { QStringLiteral("entry"), path }, { QStringLiteral("bytes"), qint64(entry.size) },
                { QStringLiteral("copy"), folder() + path }, { QStringLiteral("ms"), ms } });
}

void CourseImage::traceDamaged(const DamagedDiscImage& damaged) const
{
    if (m_trace)
        m_trace->event("disc.damaged", { { QStringLiteral("image"), m_image }, { QStringLiteral("reason"), damaged.reason() } });
}

void CourseImage::traceUnreadable(const QString& path, const QString& reason) const
{
    if (m_trace)
        m_trace->event("disc.read", { { QStringLiteral("image"), m_image }, { QStringLiteral("entry"), path }, { QStringLiteral("error"), reason } });
    qWarning("tamsel: %s", qPrintable(reason));
}

QString CourseImage::localPath(const QStringList& parts, Unreadable unreadable) const
{
    const QString path = find(parts);
    if (path.isEmpty())
        return folder() + parts.join(QLatin1Char('/'));
    if (isFile(path)) {
        const QFileInfo made(folder() + path);
        if (!m_unreadable.contains(path) && isPlayedWhileCopied(m_tree.value(path).entry) && !(made.isFile() && made.size() == m_tree.value(path).entry.size))
            return playedWhileCopied(path);
        if (unreadable == Unreadable::Throw)
            return copiedOrRead(path);
        // Tried once: a file that could not be read is not read again at every use.
        const QString stand = m_folder + QStringLiteral("unreadable/") + path;
        if (!m_unreadable.contains(path)) {
            try {
                return copiedOrRead(path);
            } catch (const CourseError& error) {
                m_unreadable.insert(path, error.message());
                traceUnreadable(path, error.message());
            }
        }
        // An empty file in its place, which whoever plays it takes for a damaged one.
        QFile empty(stand);
        if (makeFolder(QFileInfo(stand).path()) && (CacheFolder::isFileOfSize(stand, 0) || (CacheFolder::remove(stand) && empty.open(QIODevice::NewOnly))))
            return stand;
        return folder() + path; // localFile() leaves nothing there when it fails
    }
    // A folder of the disc: there, so that it is seen as one.
    makeFolder(folder() + path);
    return folder() + path;
}

QStringList CourseImage::files() const
{
    return m_files;
}

void CourseImage::copy(const QString& path, QIODevice& out) const
{
    if (!isFile(path))
        throw CourseError(QStringLiteral("the disc image %1 holds no file \"%2\"").arg(m_image, path));
    m_reader->read(m_tree.value(path).entry, out);
}
