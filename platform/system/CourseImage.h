#pragma once

#include "DiscImage.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

class QIODevice;
class Trace;

/// A course played straight from its disc image: the image's tree, and a real local file
/// for each of its files that the player needs as one, made on first use. Both live in
/// the cache, in a folder of the image's own (`discs/<image name>-<key>/`), keyed by the
/// image's size, modification time and a hash of its volume descriptors: a later start of
/// the same image reads only its volume descriptors again, a changed image gets a folder
/// of its own. A file is copied out of the image whole, written to disk and only then
/// given its name, so that a copy cut short never passes for one; once there it is never
/// replaced while it holds what the image holds. The image itself is only read.
class CourseImage {
public:
    /// Opens IMAGE, keeping what it copies out under CACHE (the cache folder of converted
    /// copies), writing `disc.read` events to TRACE when given. Throws CourseError naming
    /// the image when it is no ISO 9660 image, its tree is damaged, or it is cut short
    /// before the end of one of its files.
    CourseImage(const QString& image, const QString& cache, Trace* trace = nullptr);
    ~CourseImage();

    /// The image file, absolute.
    QString image() const { return m_image; }
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
        AsMissing, ///< writes the failure to the trace (`disc.read` with its `error`) and
                   ///< treats the file as one the disc does not hold
    };

    /// The local path of the file PARTS names: localFile() of what find() gives, or where
    /// such a file would lie when the disc has none (a path that does not exist).
    QString localPath(const QStringList& parts, Unreadable unreadable = Unreadable::Throw) const;

    /// Every file of the disc, by its path, in the order of its tree.
    QStringList files() const;

    /// Writes the disc's file PATH to OUT, straight from the image (no copy is kept).
    void copy(const QString& path, QIODevice& out) const;

private:
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
    const DiscImage& reader() const;

    QString m_image;
    QString m_folder;
    Trace* m_trace = nullptr;
    qint64 m_size = 0;
    DiscImage::Names m_names = DiscImage::Names::Iso9660;
    QHash<QString, Node> m_tree; ///< by path; the root is ""
    QStringList m_files;
    mutable std::unique_ptr<DiscImage> m_reader; ///< opened when the image is first read from
};
