#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class QIODevice;

/// An ISO 9660 disc image read where it lies, through libcdio's ISO 9660 reader: the
/// files of its tree under the names the disc gives them, and the bytes of one file.
/// Names are the Rock Ridge ones where the disc has them, otherwise Joliet's, otherwise
/// the plain ISO 9660 names (levels 1 to 3) without their version (`BBM.MDB;1` is
/// `BBM.MDB`). The image is opened read-only: nothing is ever written into it.
class DiscImage {
public:
    /// Which of the disc's name sets the tree is read with.
    enum class Names { Iso9660, Joliet, RockRidge };

    /// One file or folder of the tree.
    struct Entry {
        QString path;        ///< from the root, `/` between components, no leading `/`
        bool folder = false;
        quint32 sector = 0;  ///< its first 2048-byte sector
        quint32 size = 0;    ///< bytes
    };

    /// The bytes of one sector.
    static constexpr qint64 SectorSize = 2048;

    /// Whether FILE is a regular file with an ISO 9660 volume descriptor where the format
    /// puts the first one (sector 16); reads only that sector.
    static bool isImage(const QString& file);

    /// The volume descriptors of IMAGE as they lie on it, from sector 16 up to the set's
    /// terminator. Throws CourseError naming the image when it has none, or is cut short
    /// before their end.
    static QByteArray volumeDescriptors(const QString& image);

    /// Opens IMAGE. Throws CourseError naming it when it cannot be read or is no ISO 9660
    /// image (its primary volume descriptor is missing or damaged).
    explicit DiscImage(const QString& image);
    ~DiscImage();
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    /// Whether NAME can name a file of its own on any file system: not empty, not `.` or
    /// `..`, no `/` and no NUL in it.
    static bool isPlainName(const QString& name);

    QString fileName() const { return m_image; }
    Names names() const { return m_names; }
    static QString namesText(Names names);

    /// Every file and folder of the tree, a folder before what it holds. Symbolic links
    /// and entries with names no file system can hold are left out. Throws CourseError
    /// naming the image and the folder when a folder cannot be read (a damaged tree).
    QList<Entry> entries() const;

    /// Writes the bytes of the file ENTRY to OUT. Throws CourseError naming the image and
    /// the file when they cannot be read (a damaged or cut short image) or written.
    void read(const Entry& entry, QIODevice& out) const;

private:
    struct Handle;

    QString m_image;
    Names m_names = Names::Iso9660;
    std::unique_ptr<Handle> m_handle;
};
