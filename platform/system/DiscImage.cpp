#include "DiscImage.h"

#include "CourseError.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>
#include <QStringDecoder>
#include <cdio/iso9660.h>
#include <cdio/logging.h>
#include <sys/stat.h>

namespace {

constexpr qint64 firstDescriptor = 16;
// A set has a primary, a few supplementary and a terminator; a disc that claims more is damaged.
constexpr int mostDescriptors = 32;
// The format allows 8 levels, Rock Ridge more; a deeper tree is a loop in a damaged one.
constexpr int deepestFolder = 64;
constexpr int mostEntries = 1 << 20;
// Sectors read at once when a file is copied out.
constexpr int sectorsPerRead = 64;

// What libcdio last complained of, for the message of the failure that follows. Its
// default handler prints to standard error and ends the program on an assertion; here
// a damaged disc is the learner's problem to be told of, never a crash.
QString lastComplaint;

void keepComplaint(cdio_log_level_t level, const char message[])
{
    if (level >= CDIO_LOG_WARN)
        lastComplaint = QString::fromUtf8(message).trimmed();
}

QString withComplaint(const QString& message)
{
    const QString complaint = std::exchange(lastComplaint, QString());
    return complaint.isEmpty() ? message : QStringLiteral("%1 (%2)").arg(message, complaint);
}

bool isRockRidge(const iso9660_stat_t* stat)
{
    return stat->rr.b3_rock == yep;
}

// Names on a disc are bytes: Rock Ridge keeps what the system that made it wrote
// (UTF-8 today, Latin-1 in the period), Joliet's libcdio gives as UTF-8.
QString nameOf(const char* bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString name = utf8.decode(QByteArrayView(bytes));
    return utf8.hasError() ? QString::fromLatin1(bytes) : name;
}

// The plain and Joliet names of files carry a version (`;1`); a plain name without an
// extension keeps the dot that separates it (`README.`). Neither is part of the name.
QString withoutVersion(QString name, DiscImage::Names names)
{
    const qsizetype semicolon = name.lastIndexOf(QLatin1Char(';'));
    if (semicolon > 0) {
        bool digits = semicolon + 1 < name.size();
        for (qsizetype i = semicolon + 1; i < name.size(); ++i)
            digits = digits && name.at(i).isDigit();
        if (digits)
            name.truncate(semicolon);
    }
    if (names == DiscImage::Names::Iso9660 && name.size() > 1 && name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

} // namespace

struct DiscImage::Handle {
    iso9660_t* iso = nullptr;
    ~Handle()
    {
        if (iso)
            iso9660_close(iso);
    }
};

namespace {

struct DirectoryList {
    CdioList_t* list = nullptr;
    ~DirectoryList()
    {
        if (list)
            iso9660_filelist_free(list);
    }
};

// Whether the root folder of ISO is written with Rock Ridge entries.
bool rootHasRockRidge(iso9660_t* iso)
{
    DirectoryList root { iso9660_ifs_readdir(iso, "/") };
    if (!root.list)
        return false;
    CdioListNode_t* node = nullptr;
    _CDIO_LIST_FOREACH (node, root.list) {
        if (isRockRidge(static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node))))
            return true;
    }
    return false;
}

} // namespace

bool DiscImage::isImage(const QString& file)
{
    QFile f(file);
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly) || !f.seek(firstDescriptor * SectorSize))
        return false;
    const QByteArray head = f.read(6);
    return head.size() == 6 && head.mid(1, 5) == "CD001";
}

QByteArray DiscImage::volumeDescriptors(const QString& image)
{
    QFile f(image);
    if (!f.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("the disc image %1 cannot be read: %2").arg(image, f.errorString()));
    if (f.size() < (firstDescriptor + 1) * SectorSize)
        throw CourseError(QStringLiteral("%1 is no ISO 9660 disc image, or one cut short: it holds only %2 bytes, and the volume "
                                         "descriptors of an image begin at byte %3")
                              .arg(image)
                              .arg(f.size())
                              .arg(firstDescriptor * SectorSize));
    QByteArray descriptors;
    if (f.seek(firstDescriptor * SectorSize)) {
        for (int i = 0; i < mostDescriptors; ++i) {
            const QByteArray sector = f.read(SectorSize);
            if (sector.size() != SectorSize || sector.mid(1, 5) != "CD001")
                break;
            descriptors += sector;
            if (uchar(sector.at(0)) == 255) // the set's terminator
                return descriptors;
        }
    }
    if (descriptors.isEmpty())
        throw CourseError(QStringLiteral("%1 is no ISO 9660 disc image: it has no volume descriptor at sector 16 "
                                         "(a damaged image, or a file of another kind)")
                              .arg(image));
    throw CourseError(QStringLiteral("the disc image %1 is damaged or cut short: its volume descriptors end without their terminator")
                          .arg(image));
}

bool DiscImage::isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
        && !name.contains(QChar(0));
}

QString DiscImage::namesText(Names names)
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

DiscImage::DiscImage(const QString& image)
    : m_image(image)
    , m_handle(std::make_unique<Handle>())
{
    cdio_log_set_handler(keepComplaint);
    lastComplaint.clear();
    const QByteArray local = QFile::encodeName(image);
    m_handle->iso = iso9660_open_ext(local.constData(), ISO_EXTENSION_ALL);
    if (!m_handle->iso)
        throw CourseError(withComplaint(QStringLiteral("%1 is no ISO 9660 disc image, or its primary volume descriptor is damaged").arg(image)));
    if (iso9660_ifs_get_joliet_level(m_handle->iso) == 0) {
        m_names = rootHasRockRidge(m_handle->iso) ? Names::RockRidge : Names::Iso9660;
        return;
    }
    // Opened for Joliet, the reader follows that tree, which has no Rock Ridge entries:
    // the primary tree's Rock Ridge names, when it has them, are the fuller ones.
    iso9660_t* primary = iso9660_open_ext(local.constData(), ISO_EXTENSION_ROCK_RIDGE);
    if (primary && rootHasRockRidge(primary)) {
        iso9660_close(m_handle->iso);
        m_handle->iso = primary;
        m_names = Names::RockRidge;
        return;
    }
    if (primary)
        iso9660_close(primary);
    m_names = Names::Joliet;
}

DiscImage::~DiscImage() = default;

QList<DiscImage::Entry> DiscImage::entries() const
{
    lastComplaint.clear();
    QList<Entry> entries;
    QSet<quint32> seen; // folders already read, by sector: a damaged tree may loop
    struct Pending {
        QByteArray onDisc; // the folder's path as the reader spells it, ending in '/'
        QString path;
        int depth = 0;
    };
    QList<Pending> pending { { QByteArrayLiteral("/"), QString(), 0 } };
    while (!pending.isEmpty()) {
        const Pending folder = pending.takeFirst();
        DirectoryList list { iso9660_ifs_readdir(m_handle->iso, folder.onDisc.constData()) };
        if (!list.list) {
            const QString which = folder.path.isEmpty() ? QStringLiteral("its root folder") : QStringLiteral("its folder \"%1\"").arg(folder.path);
            throw CourseError(withComplaint(QStringLiteral("the disc image %1 is damaged or cut short: %2 cannot be read").arg(m_image, which)));
        }
        CdioListNode_t* node = nullptr;
        qsizetype at = 0;
        _CDIO_LIST_FOREACH (node, list.list) {
            const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
            if (isRockRidge(stat) && S_ISLNK(stat->rr.st_mode))
                continue;
            const bool isFolder = stat->type == iso9660_stat_s::_STAT_DIR;
            QString name = nameOf(stat->filename);
            if (m_names != Names::RockRidge && !isFolder)
                name = withoutVersion(name, m_names);
            if (!isPlainName(name))
                continue;
            if (entries.size() >= mostEntries)
                throw CourseError(QStringLiteral("the disc image %1 is damaged: its tree holds more than %2 entries").arg(m_image).arg(mostEntries));
            Entry entry { folder.path.isEmpty() ? name : folder.path + QLatin1Char('/') + name, isFolder, quint32(stat->lsn), stat->size };
            if (isFolder) {
                if (folder.depth >= deepestFolder || seen.contains(entry.sector))
                    continue;
                seen.insert(entry.sector);
                // Each folder's entries in the order the disc has them, then its
                // sub-folders' in that order (depth first).
                pending.insert(at++, { folder.onDisc + QByteArray(stat->filename) + '/', entry.path, folder.depth + 1 });
            }
            entries << entry;
        }
    }
    return entries;
}

void DiscImage::read(const Entry& entry, QIODevice& out) const
{
    lastComplaint.clear();
    QByteArray buffer(sectorsPerRead * SectorSize, Qt::Uninitialized);
    qint64 left = entry.size;
    qint64 sector = entry.sector;
    while (left > 0) {
        const qint64 sectors = std::min<qint64>(sectorsPerRead, (left + SectorSize - 1) / SectorSize);
        const long got = iso9660_iso_seek_read(m_handle->iso, buffer.data(), lsn_t(sector), long(sectors));
        const qint64 wanted = std::min(left, sectors * SectorSize);
        if (got < wanted)
            throw CourseError(withComplaint(QStringLiteral("the disc image %1 is damaged or cut short: the file \"%2\" cannot be read whole "
                                                           "(%3 of its %4 bytes are there)")
                                                .arg(m_image, entry.path)
                                                .arg(qint64(entry.size) - left + std::max<long>(got, 0))
                                                .arg(entry.size)));
        if (out.write(buffer.constData(), wanted) != wanted)
            throw CourseError(QStringLiteral("%1: the file \"%2\" of the disc image cannot be written out: %3").arg(m_image, entry.path, out.errorString()));
        left -= wanted;
        sector += sectors;
    }
}
