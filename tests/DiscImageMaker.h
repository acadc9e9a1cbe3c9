#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// ISO 9660 disc images for tests, made from a folder by genisoimage or xorriso as a disc
/// of each kind was mastered.
namespace DiscImageMaker {

/// Which names the disc carries.
enum class Kind {
    Level1,          ///< ISO 9660 only, 8.3 upper-case names with their `;1` version
    Level2,          ///< ISO 9660 only, level 2 (names up to 31 characters)
    Level3,          ///< ISO 9660 only, level 3 (level 2, files in several sections allowed)
    Joliet,          ///< ISO 9660 and Joliet
    RockRidge,       ///< ISO 9660 and Rock Ridge
    RockRidgeJoliet, ///< both, as xorriso writes them
};

/// Makes IMAGE from the folder SOURCE; returns "" or what the tool said when it failed.
QString make(const QString& source, const QString& image, Kind kind);

/// How a BIN file lays out each 2048-byte sector of an ISO image.
enum class RawMode {
    Mode1, ///< sync, header (mode 1), data, EDC and ECC: 2352 bytes
    Mode2, ///< sync, header (mode 2), XA subheader (form 1), data, EDC and ECC: 2352 bytes
};

/// Writes the ISO image ISO as a BIN file beside CUE, and CUE naming it, as a CD writer
/// reads a disc back; returns "" or why it could not.
QString toBinCue(const QString& iso, const QString& cue, RawMode mode);

/// Writes the ISO image ISO as a Nero image NRG (one track, 64-bit footer): in mode 1 as
/// 2048-byte blocks, in mode 2 as 2336-byte ones (XA subheader, data, EDC and ECC).
QString toNrg(const QString& iso, const QString& nrg, RawMode mode);

} // namespace DiscImageMaker

/// A disc image written record by record, for the shapes no mastering tool makes: folders
/// that loop or nest past any depth, names that share or overlap extents, associated
/// files, damaged Rock Ridge entries. Sectors 16 and 17 hold the primary volume descriptor
/// and the terminator, the folders follow from sector 18 in the order they were added (the
/// first is the root), then the data.
class CraftedDisc {
public:
    struct Record {
        QByteArray name;        ///< as the record spells it (`NAME.EXT;1`)
        int folder = -1;        ///< a folder of this disc, by what addFolder() gave
        int data = -1;          ///< data of this disc, by what addData() gave
        quint32 sector = 0;     ///< otherwise where it points,
        quint32 size = 0;       ///< and how much
        quint8 flags = 0;       ///< 0x02 folder, 0x04 associated file, 0x80 not the last extent
        QByteArray systemUse;   ///< Rock Ridge entries
    };

    /// ROCKRIDGE: the root announces Rock Ridge (an SP entry in its own record).
    explicit CraftedDisc(bool rockRidge = false);

    int addFolder(const QList<Record>& records);
    int addData(const QByteArray& bytes);
    /// Records of this disc point at FOLDER (a folder id) as a sub-folder named NAME.
    static Record folder(const QByteArray& name, int folder);
    /// A file NAME whose bytes are DATA (a data id).
    static Record file(const QByteArray& name, int data);
    /// A Rock Ridge NM entry for NAME; LENGTH overrides its length byte.
    static QByteArray nm(const QByteArray& name, int length = -1);

    /// The image's bytes; writeTo() writes them to IMAGE.
    QByteArray bytes() const;
    bool writeTo(const QString& image) const;

private:
    bool m_rockRidge = false;
    QList<QList<Record>> m_folders;
    QList<QByteArray> m_data;
};
