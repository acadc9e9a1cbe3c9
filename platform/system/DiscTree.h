#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

/// The directory tree of an ISO 9660 volume, read from its sectors by our own code: each
/// folder's extent read once, its records checked against their sector and the budgets
/// before anything is taken from them. Names are the Rock Ridge ones where the primary
/// tree has them (its root's `SP` entry), otherwise Joliet's, otherwise the plain ISO 9660
/// names (levels 1 to 3) without their version (`BBM.MDB;1` is `BBM.MDB`). Associated
/// files (resource forks), symbolic links, relocated folders' stand-ins and names no file
/// system can hold are left out; a folder whose extent was read already (a loop, or a
/// folder linked twice) is listed once. Every failure throws CourseError with the reason
/// only: the caller names the image.
class DiscTree {
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

    /// What a tree may hold before it is refused as damaged or hostile.
    struct Budget {
        int entries = 100000;                  ///< records listed, folders' own excepted
        qint64 recordBytes = qint64(64) << 20; ///< bytes of folder extents and continuation areas read
        int depth = 64;                        ///< folders inside folders
    };

    static constexpr qint64 SectorSize = 2048;
    static constexpr int FirstDescriptor = 16;

    /// Reads COUNT 2048-byte sectors from LSN into OUT; false when they are not all there.
    using ReadSectors = std::function<bool(quint32 lsn, int count, char* out)>;
    using Found = std::function<void(const Entry& entry)>;

    explicit DiscTree(ReadSectors read);
    DiscTree(ReadSectors read, Budget budget);

    /// The volume descriptors as they lie, from sector 16 up to the set's terminator.
    /// Throws when there are none (naming UDF when the disc has only that), when the set
    /// is cut short or its primary descriptor is missing.
    QByteArray descriptors() const;

    /// Reads the descriptors and picks the tree and its names; call before list().
    Names open();

    /// Gives every file and folder to FOUND, a folder before what it holds: each folder's
    /// entries in the disc's order, then its sub-folders' in that order (depth first).
    /// PLACE, when given, hears the path of each folder before it is read.
    void list(const Found& found, const std::function<void(const QString& folder)>& place = {});

    /// Whether NAME can name a file of its own on any file system: not empty, not `.` or
    /// `..`, no `/` and no NUL in it.
    static bool isPlainName(const QString& name);
    static QString namesText(Names names);
    /// The names set namesText() gives TEXT for; false when none does.
    static bool namesFromText(const QString& text, Names& names);

private:
    struct Folder;
    void readFolder(const Folder& folder, const Found& found, std::vector<Folder>& below);
    QByteArray readExtent(quint32 sector, quint32 size, const QString& what);
    QByteArray systemUseOf(const uchar* record, int length) const;
    QByteArray continuation(const QByteArray& entry);

    ReadSectors m_read;
    Budget m_budget;
    Names m_names = Names::Iso9660;
    quint32 m_rootSector = 0;
    quint32 m_rootSize = 0;
    int m_skip = 0; ///< bytes before a record's Rock Ridge entries (the `SP` entry's LEN_SKP)
    int m_entries = 0;
    qint64 m_recordBytes = 0;
};
