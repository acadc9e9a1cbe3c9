#include "DiscTree.h"

#include "CourseError.h"

#include <QSet>
#include <QStringDecoder>
#include <vector>

namespace {

// A set has a primary, a few supplementary and a terminator; a disc that claims more is damaged.
constexpr int mostDescriptors = 32;
// A record's fixed part, up to its name.
constexpr int recordHead = 33;
// Continuation areas followed from one record: real discs use one or two.
constexpr int mostContinuations = 8;
// A name longer than any file system takes is no name.
constexpr int longestName = 1024;
// Folder extents are read this many sectors at a time.
constexpr int sectorsPerRead = 16;

constexpr uchar flagFolder = 0x02;
constexpr uchar flagAssociated = 0x04;
constexpr uchar flagMultiExtent = 0x80;

quint32 le32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const uchar* p)
{
    return quint16(p[0] | p[1] << 8);
}

const uchar* bytes(const QByteArray& data, qsizetype at = 0)
{
    return reinterpret_cast<const uchar*>(data.constData()) + at;
}

// Names on a disc are bytes: Rock Ridge keeps what the system that made it wrote
// (UTF-8 today, Latin-1 in the period).
QString rockRidgeName(const QByteArray& name)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(name);
    return utf8.hasError() ? QString::fromLatin1(name) : decoded;
}

QString jolietName(const uchar* name, int length)
{
    QString text;
    for (int i = 0; i + 1 < length; i += 2)
        text += QChar(char16_t(name[i] << 8 | name[i + 1]));
    return text;
}

// The plain and Joliet names of files carry a version (`;1`); a plain name without an
// extension keeps the dot that separates it (`README.`). Neither is part of the name.
QString withoutVersion(QString name, DiscTree::Names names)
{
    const qsizetype semicolon = name.lastIndexOf(QLatin1Char(';'));
    if (semicolon > 0) {
        bool digits = semicolon + 1 < name.size();
        for (qsizetype i = semicolon + 1; i < name.size(); ++i)
            digits = digits && name.at(i).isDigit();
        if (digits)
            name.truncate(semicolon);
    }
    if (names == DiscTree::Names::Iso9660 && name.size() > 1 && name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

// What a record's Rock Ridge entries say of it.
struct RockRidge {
    QByteArray name;
    bool hasName = false;
    bool link = false;       // a symbolic link (PX mode or SL)
    bool relocated = false;  // RE: the folder's real place is where a CL entry points
    bool childLink = false;  // CL: a stand-in for the relocated folder at `child`
    quint32 child = 0;
    bool special = false;    // NM for `.` or `..`
};

// One pass over the SUSP entries of AREA; the continuation area, when one is named, is
// left in NEXT (its entry's bytes) for the caller to read.
void readEntries(const QByteArray& area, RockRidge& rr, QByteArray& next)
{
    qsizetype at = 0;
    while (at + 4 <= area.size()) {
        const uchar* e = bytes(area, at);
        const int length = e[2];
        const QByteArray signature(reinterpret_cast<const char*>(e), 2);
        // Shorter than an entry's own header: the padding after the last entry, unless it
        // names an entry that is read (which no reader can step over).
        static const QList<QByteArray> interpreted { "NM", "PX", "SL", "RE", "CL", "CE", "ST" };
        if (length < 4 && interpreted.contains(signature))
            throw CourseError(QStringLiteral("a Rock Ridge %1 entry of %2 bytes is damaged (it takes 4 at least)").arg(QString::fromLatin1(signature)).arg(length));
        if (length < 4 || at + length > area.size())
            return;
        // An entry too short for its own fields is a damaged (or hostile) disc: some
        // readers copy such a name over their own memory.
        const int shortest = signature == "NM" ? 5 : signature == "PX" || signature == "CL" ? 12 : signature == "CE" ? 28 : 4;
        if (length < shortest)
            throw CourseError(QStringLiteral("a Rock Ridge %1 entry of %2 bytes is damaged (it takes %3 at least)")
                                  .arg(QString::fromLatin1(signature))
                                  .arg(length)
                                  .arg(shortest));
        if (signature == "NM") {
            if (e[4] & 0x06)
                rr.special = true;
            rr.name.append(reinterpret_cast<const char*>(e + 5), length - 5);
            rr.hasName = true;
        } else if (signature == "PX") {
            rr.link = rr.link || (le32(e + 4) & 0170000) == 0120000;
        } else if (signature == "SL") {
            rr.link = true;
        } else if (signature == "RE") {
            rr.relocated = true;
        } else if (signature == "CL") {
            rr.childLink = true;
            rr.child = le32(e + 4);
        } else if (signature == "CE") {
            next = area.mid(at, length);
        } else if (signature == "ST") {
            return;
        }
        at += length;
    }
}

} // namespace

struct DiscTree::Folder {
    quint32 sector = 0;
    quint32 size = 0;
    QString path;
    int depth = 0;
};

DiscTree::DiscTree(ReadSectors read)
    : DiscTree(std::move(read), Budget())
{
}

DiscTree::DiscTree(ReadSectors read, Budget budget)
    : m_read(std::move(read))
    , m_budget(budget)
{
}

bool DiscTree::isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
        && !name.contains(QChar(0));
}

QString DiscTree::namesText(Names names)
{
    switch (names) {
    case Names::RockRidge:
        return QStringLiteral("Rock Ridge");
    case Names::Joliet:
        return QStringLiteral("Joliet");
    case Names::Iso9660:
        break;
    }
    return QStringLiteral("ISO 9660");
}

bool DiscTree::namesFromText(const QString& text, Names& names)
{
    for (const Names n : { Names::Iso9660, Names::Joliet, Names::RockRidge }) {
        if (namesText(n) == text) {
            names = n;
            return true;
        }
    }
    return false;
}

QByteArray DiscTree::descriptors() const
{
    QByteArray all;
    QByteArray sector(SectorSize, Qt::Uninitialized);
    for (int i = 0; i < mostDescriptors; ++i) {
        if (!m_read(quint32(FirstDescriptor + i), 1, sector.data()))
            break;
        const QByteArray id = sector.mid(1, 5);
        if (id != "CD001") {
            // A UDF disc without the ISO 9660 bridge starts its own sequence here.
            if (all.isEmpty() && (id == "BEA01" || id == "NSR02" || id == "NSR03"))
                throw CourseError(QStringLiteral("it holds only a UDF file system, which is not read (only ISO 9660 discs, Joliet and Rock Ridge included)"));
            break;
        }
        all += sector;
        if (uchar(sector.at(0)) == 255) { // the set's terminator
            for (qsizetype at = 0; at < all.size(); at += SectorSize) {
                if (all.at(at) == 1)
                    return all;
            }
            throw CourseError(QStringLiteral("it has no primary volume descriptor"));
        }
    }
    if (all.isEmpty())
        throw CourseError(QStringLiteral("it has no ISO 9660 volume descriptor at sector 16 (a damaged image, or a file of another kind)"));
    throw CourseError(QStringLiteral("its volume descriptors end without their terminator (damaged or cut short)"));
}

DiscTree::Names DiscTree::open()
{
    const QByteArray all = descriptors();
    qsizetype primary = -1;
    qsizetype joliet = -1;
    for (qsizetype at = 0; at < all.size(); at += SectorSize) {
        const QByteArray escapes = all.mid(at + 88, 3);
        if (all.at(at) == 1 && primary < 0)
            primary = at;
        else if (all.at(at) == 2 && joliet < 0 && (escapes == "%/@" || escapes == "%/C" || escapes == "%/E"))
            joliet = at;
    }
    if (le16(bytes(all, primary + 128)) != SectorSize)
        throw CourseError(QStringLiteral("its logical blocks are of %1 bytes, where a disc's are of 2048").arg(le16(bytes(all, primary + 128))));
    m_rootSector = le32(bytes(all, primary + 156 + 2));
    m_rootSize = le32(bytes(all, primary + 156 + 10));
    m_names = Names::Iso9660;

    // Rock Ridge announces itself in the root's own record (`.`) by an SP entry.
    QByteArray first(SectorSize, Qt::Uninitialized);
    if (!m_read(m_rootSector, 1, first.data()))
        throw CourseError(QStringLiteral("its root folder lies past its end (sector %1)").arg(m_rootSector));
    const int length = uchar(first.at(0));
    if (length >= recordHead + 1) {
        const QByteArray area = systemUseOf(bytes(first), length);
        if (area.size() >= 7 && area.startsWith("SP") && uchar(area.at(2)) >= 7 && uchar(area.at(4)) == 0xBE && uchar(area.at(5)) == 0xEF) {
            m_names = Names::RockRidge;
            m_skip = uchar(area.at(6));
        }
    }
    if (m_names != Names::RockRidge && joliet >= 0) {
        m_names = Names::Joliet;
        m_rootSector = le32(bytes(all, joliet + 156 + 2));
        m_rootSize = le32(bytes(all, joliet + 156 + 10));
    }
    return m_names;
}

QByteArray DiscTree::systemUseOf(const uchar* record, int length) const
{
    const int nameLength = record[32];
    const int start = recordHead + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    if (start >= length)
        return {};
    return QByteArray(reinterpret_cast<const char*>(record) + start, length - start);
}

QByteArray DiscTree::readExtent(quint32 sector, quint32 size, const QString& what)
{
    const qint64 sectors = (qint64(size) + SectorSize - 1) / SectorSize;
    m_recordBytes += sectors * SectorSize;
    if (m_recordBytes > m_budget.recordBytes)
        throw CourseError(QStringLiteral("its folders' records add up to more than %1 MiB").arg(m_budget.recordBytes >> 20));
    QByteArray data(sectors * SectorSize, Qt::Uninitialized);
    for (qint64 done = 0; done < sectors; done += sectorsPerRead) {
        const int count = int(std::min<qint64>(sectorsPerRead, sectors - done));
        if (!m_read(quint32(sector + done), count, data.data() + done * SectorSize))
            throw CourseError(QStringLiteral("%1 cannot be read (sector %2 lies past its end or is unreadable)").arg(what).arg(sector + done));
    }
    return data;
}

QByteArray DiscTree::continuation(const QByteArray& entry)
{
    const quint32 block = le32(bytes(entry, 4));
    const quint32 offset = le32(bytes(entry, 12));
    const quint32 length = le32(bytes(entry, 20));
    if (offset >= SectorSize || length > 4 * SectorSize)
        return {};
    const QByteArray area = readExtent(block, offset + length, QStringLiteral("a Rock Ridge continuation area"));
    return area.mid(offset, length);
}

void DiscTree::list(const Found& found, const std::function<void(const QString&)>& place)
{
    QSet<quint32> seen { m_rootSector };
    std::vector<Folder> pending { Folder { m_rootSector, m_rootSize, QString(), 0 } };
    while (!pending.empty()) {
        const Folder folder = std::move(pending.back());
        pending.pop_back();
        if (place)
            place(folder.path);
        std::vector<Folder> below;
        readFolder(folder, found, below);
        // Sub-folders read in the disc's order: the first is taken from the back next.
        for (auto f = below.rbegin(); f != below.rend(); ++f) {
            if (seen.contains(f->sector))
                continue;
            seen.insert(f->sector);
            pending.push_back(std::move(*f));
        }
    }
}

void DiscTree::readFolder(const Folder& folder, const Found& found, std::vector<Folder>& below)
{
    const QString which = folder.path.isEmpty() ? QStringLiteral("its root folder") : QStringLiteral("its folder \"%1\"").arg(folder.path);
    const QByteArray data = readExtent(folder.sector, folder.size, which);
    QSet<QString> names; // within one folder, the first of a name given twice stands
    struct Pieces {      // a file in several extents, until its last record
        QString name;
        quint32 sector = 0;
        quint64 size = 0;
        quint32 next = 0;
        bool broken = false;
    } pieces;
    bool inPieces = false;
    for (qsizetype sectorAt = 0; sectorAt < qsizetype(folder.size); sectorAt += SectorSize) {
        qsizetype at = 0;
        while (at < SectorSize && sectorAt + at < qsizetype(folder.size)) {
            const uchar* record = bytes(data, sectorAt + at);
            const int length = record[0];
            if (length == 0)
                break; // the rest of the sector is padding
            if (length < recordHead || at + length > SectorSize || recordHead + record[32] > length)
                throw CourseError(QStringLiteral("%1 holds a damaged record (at byte %2 of sector %3)")
                                      .arg(which)
                                      .arg(at)
                                      .arg(folder.sector + sectorAt / SectorSize));
            at += length;
            const int nameLength = record[32];
            if (nameLength == 1 && record[33] <= 1)
                continue; // the folder itself and its parent
            if (++m_entries > m_budget.entries)
                throw CourseError(QStringLiteral("its tree holds more than %1 entries").arg(m_budget.entries));
            const uchar flags = record[25];
            if (flags & flagAssociated)
                continue;
            bool isFolder = flags & flagFolder;
            quint32 sector = le32(record + 2);
            quint32 size = le32(record + 10);

            QString name;
            if (m_names == Names::RockRidge) {
                RockRidge rr;
                QByteArray area = systemUseOf(record, length).mid(m_skip);
                for (int hop = 0;; ++hop) {
                    QByteArray next;
                    readEntries(area, rr, next);
                    if (next.isEmpty() || hop == mostContinuations || rr.name.size() > longestName)
                        break;
                    area = continuation(next);
                }
                if (rr.link || rr.relocated || rr.special || rr.name.size() > longestName)
                    continue;
                if (rr.childLink) {
                    // The relocated folder's size is its own record's (`.`), first in its extent.
                    const QByteArray first = readExtent(rr.child, 1, QStringLiteral("a relocated folder of %1").arg(which));
                    if (uchar(first.at(0)) < recordHead)
                        continue;
                    isFolder = true;
                    sector = rr.child;
                    size = le32(bytes(first, 10));
                }
                name = rr.hasName ? rockRidgeName(rr.name) : withoutVersion(QString::fromLatin1(reinterpret_cast<const char*>(record + 33), nameLength), Names::Iso9660);
            } else if (m_names == Names::Joliet) {
                name = jolietName(record + 33, nameLength);
            } else {
                name = QString::fromLatin1(reinterpret_cast<const char*>(record + 33), nameLength);
            }
            if (m_names != Names::RockRidge && !isFolder)
                name = withoutVersion(name, m_names);

            if (!isFolder && (flags & flagMultiExtent || inPieces)) {
                // The sections of a file follow one another, each but the last flagged.
                if (!inPieces || pieces.name != name) {
                    pieces = Pieces { name, sector, 0, sector, false };
                    inPieces = true;
                }
                pieces.broken = pieces.broken || sector != pieces.next;
                pieces.size += size;
                pieces.next = sector + quint32((qint64(size) + SectorSize - 1) / SectorSize);
                if (flags & flagMultiExtent)
                    continue;
                inPieces = false;
                if (pieces.broken || pieces.size > 0xFFFFFFFFu)
                    continue; // a file this reader cannot give whole
                sector = pieces.sector;
                size = quint32(pieces.size);
            }
            if (!isPlainName(name) || names.contains(name))
                continue;
            names.insert(name);
            const Entry entry { folder.path.isEmpty() ? name : folder.path + QLatin1Char('/') + name, isFolder, sector, size };
            if (isFolder) {
                if (folder.depth + 1 > m_budget.depth)
                    throw CourseError(QStringLiteral("its folders lie more than %1 deep (\"%2\")").arg(m_budget.depth).arg(entry.path));
                below.push_back(Folder { sector, size, entry.path, folder.depth + 1 });
            }
            found(entry);
        }
    }
}
