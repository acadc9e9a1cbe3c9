#pragma once

#include "DiscCache.h"
#include "DiscImage.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

class DiscCopyJob;

class QIODevice;
class Trace;

/// A course played straight from its disc image: the image's tree, and a real local file
/// for each of its files that the player needs as one, made on first use. Both live in
/// the cache, in a folder of the image's own (`discs/<image name>-<key>/`), keyed by the
/// image's size, modification time and a hash of its volume descriptors: a later start of
/// the same image reads only its volume descriptors again, a changed image gets a folder
/// of its own. Each extent of the disc is copied once (`extents/`), whole, written to disk
/// and only then given its name, so that a copy cut short never passes for one; the names
/// that share it are links to that copy (`files/`), and all copies of one image together
/// never take more than the image holds. Once there a copy is never replaced while it
/// holds what the image holds. The image itself is only read. The folders of all images
/// are bound together (DiscCache).
class CourseImage {
public:
    /// Opens IMAGE (an image file of any kind DiscSectors reads, or a disc's block device),
    /// keeping what it copies out under CACHE (the cache folder of converted copies),
    /// within CACHELIMIT bytes for all images, writing `disc.read` (and `disc.damaged`)
    /// events to TRACE when given. Throws CourseError naming the image when it is no ISO
    /// 9660 image or it is cut short before the end of one of its files, and
    /// DamagedDiscImage when its tree cannot be read.
    CourseImage(const QString& image, const QString& cache, Trace* trace = nullptr, qint64 cacheLimit = DiscCache::DefaultLimitMiB << 20);
    ~CourseImage();

    /// Whether PATH names a block device, which is read as a disc in its drive.
    static bool isDevice(const QString& path);
    /// The cache's limit in bytes for MEBIBYTES as the settings give it (`DiscCacheMB`);
    /// DiscCache::DefaultLimitMiB when it gives no positive number.
    static qint64 cacheLimit(const QString& mebibytes);

    /// The image file, absolute.
    QString image() const { return m_image; }
    /// Bytes of data on the disc.
    qint64 size() const { return m_size; }
    /// Where its files are copied out to, ending in `/`.
    QString folder() const { return m_folder + QStringLiteral("files/"); }
    /// Which of the disc's name sets the tree holds.
    DiscImage::Names names() const { return m_names; }

    /// The path on the disc of the entry PARTS name (components relative to the root,
    /// without `.` or `..`), each component matched as it is when the disc has it and
    /// otherwise the one that matches without regard to case; "" when there is none.
    QString find(const QStringList& parts) const;
    /// Whether PATH (as find() gives it) is a file.
    bool isFile(const QString& path) const;

    /// A real local file holding the disc's file PATH (as find() gives it): its copy in
    /// the cache, made first when it is not there. Throws CourseError naming the image
    /// and the file when it cannot be read or the copy cannot be written.
    QString localFile(const QString& path) const;

    /// What localPath() does with a file the disc holds but that cannot be copied out.
    enum class Unreadable {
        Throw,     ///< throws CourseError naming the image and the file
        AsDamaged, ///< writes the failure to the trace once (`disc.read` with its `error`),
                   ///< remembers it, and gives an empty file in its place: to whoever
                   ///< plays it, a damaged file that is there
    };

    /// The local path of the file PARTS names: localFile() of what find() gives, or where
    /// such a file would lie when the disc has none (a path that does not exist). A video
    /// or sound not yet copied (isPlayedWhileCopied()) is not waited for: its copy is made
    /// in the background, and until it is there the path is one that DiscStreams reads
    /// straight off the image (a copy that cannot be kept, as the cache is full, leaves it
    /// read off the image at every use).
    QString localPath(const QStringList& parts, Unreadable unreadable = Unreadable::Throw) const;

    /// Videos and sounds of at least this many bytes are played while they are copied.
    static constexpr qint64 PlayWhileCopiedFrom = 1 << 20;
    /// Whether the file ENTRY is played while it is copied: a video or sound (by its name's
    /// suffix) of PlayWhileCopiedFrom bytes or more.
    static bool isPlayedWhileCopied(const DiscImage::Entry& entry);

    /// Every file of the disc, by its path, in the order of its tree.
    QStringList files() const;

    /// Writes the disc's file PATH to OUT, straight from the image (no copy is kept).
    void copy(const QString& path, QIODevice& out) const;

    /// The disc's record of the file or folder PATH (an empty one when there is none).
    DiscImage::Entry entry(const QString& path) const { return m_tree.value(path).entry; }

private:
    /// Makes PATH, a folder of the cache, following no link found there.
    bool makeFolder(const QString& path) const;
    struct Node {
        DiscImage::Entry entry;
        QStringList children; ///< names, in the disc's order (folders only)
    };

    void clearTree();
    void loadTree();
    bool readIndex();
    void writeIndex() const;
    void removeEarlierVersions() const;
    void addEntry(const DiscImage::Entry& entry);
    /// An extent's copy about to be made: where it goes, and the unfinished file first.
    struct ExtentCopy {
        QString target;
        QString part;
    };
    /// A copy of the disc's file PATH being made in the background (none: read off the
    /// image at every use, as its copy cannot be kept).
    struct Background {
        std::unique_ptr<DiscCopyJob> job;
        QElapsedTimer clock;
        bool waited = false; ///< finishBackground() waits for it
    };

    QString extentOf(const DiscImage::Entry& entry) const;
    QString copyExtent(const DiscImage::Entry& entry) const;
    std::optional<ExtentCopy> startExtent(const DiscImage::Entry& entry) const;
    void writeExtent(const DiscImage::Entry& entry, const ExtentCopy& copy, const DiscImage::Progress& progress) const;
    void linkName(const QString& extent, const QString& path) const;
    QString playedWhileCopied(const QString& path) const;
    Background& offerStream(const QString& path) const;
    QString readOffImage(const QString& path, const QString& reason) const;
    QString copiedOrRead(const QString& path) const;
    void dropUnsyncedCopies() const;
    QString copyingExtentOf(const DiscImage::Entry& entry) const;
    void finishBackground(const QString& path) const;
    void settleBackground(const QString& path) const;
    void traceUnreadable(const QString& path, const QString& reason) const;
    void traceDamaged(const DamagedDiscImage& damaged) const;

    QString m_image;
    QString m_folder;
    Trace* m_trace = nullptr;
    qint64 m_size = 0;
    DiscImage::Names m_names = DiscImage::Names::Iso9660;
    QHash<QString, Node> m_tree; ///< by path; the root is ""
    QStringList m_files;
    std::unique_ptr<DiscImage> m_reader;
    std::unique_ptr<DiscCache> m_cache;
    mutable qint64 m_copied = -1;               ///< bytes of this image's extent copies, counted at the first copy
    mutable QHash<QString, QString> m_unreadable; ///< files that could not be copied, and why
    mutable std::map<QString, Background> m_background; ///< by path; ends before the reader it reads with
};
