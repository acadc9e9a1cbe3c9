#include "DiscImage.h"

#include "DiscSectors.h"
#include "ReaderProcess.h"

#include <QFileInfo>
#include <QIODevice>
#include <algorithm>

namespace {

// Sectors read at once when a file is copied out.
constexpr int sectorsPerRead = 64;
// The reader's lines: "names NAMES", "folder PATH", "entry FOLDER SECTOR SIZE PATH".
const QByteArray namesPrefix = "names ";
const QByteArray entryPrefix = "entry ";

const ReaderProcess::Program discReader { DiscImage::ReaderProgram, "the disc reader", "folder", "TAMSEL_DISC_STDERR", 512, DiscImage::ReadTreeMs };

DiscTree::ReadSectors readerOf(const DiscSectors& sectors)
{
    return [&sectors](quint32 lsn, int count, char* out) { return sectors.read(lsn, count, out); };
}

DiscImage::Entry entryFrom(const QByteArray& line)
{
    // "FOLDER SECTOR SIZE PATH": the path last, as it may hold blanks.
    const QList<QByteArray> words = line.split(' ');
    bool ok[3] = {};
    DiscImage::Entry entry;
    if (words.size() >= 4) {
        entry.folder = words[0].toInt(&ok[0]) != 0;
        entry.sector = words[1].toUInt(&ok[1]);
        entry.size = words[2].toUInt(&ok[2]);
        entry.path = QString::fromUtf8(line.mid(words[0].size() + words[1].size() + words[2].size() + 3));
    }
    if (!ok[0] || !ok[1] || !ok[2] || entry.path.isEmpty())
        throw CourseError(QStringLiteral("the disc reader sent a line that is no entry"));
    return entry;
}

} // namespace

QByteArray DiscImage::volumeDescriptors(const QString& image)
{
    // A driver's parser (cue sheet, Nero footer) first meets the image in the reader:
    // what would end the reader never reaches the player.
    if (DiscSectors::needsDriver(image)) {
        try {
            ReaderProcess(discReader, image, ReadTreeMs).run({ image, QStringLiteral("probe") }, [](const QByteArray&) { });
        } catch (const CourseError& error) {
            throw DamagedDiscImage(image, error.message());
        }
    }
    const DiscSectors sectors(image);
    if (sectors.size() < (DiscTree::FirstDescriptor + 1) * SectorSize)
        throw CourseError(QStringLiteral("%1 is no ISO 9660 disc image, or one cut short: it holds only %2 bytes, and the volume "
                                         "descriptors of an image begin at byte %3")
                              .arg(image)
                              .arg(sectors.size())
                              .arg(DiscTree::FirstDescriptor * SectorSize));
    try {
        return DiscTree(readerOf(sectors)).descriptors();
    } catch (const CourseError& error) {
        throw CourseError(QStringLiteral("%1 is no ISO 9660 disc image, or a damaged one: %2").arg(image, error.message()));
    }
}

DiscImage::DiscImage(const QString& image)
    : m_image(image)
    , m_sectors(std::make_shared<const DiscSectors>(image))
{
}

DiscImage::~DiscImage() = default;

qint64 DiscImage::size() const
{
    return m_sectors->size();
}

DiscImage::Tree DiscImage::tree() const
{
    Tree tree;
    const int most = DiscTree::Budget().entries;
    try {
        ReaderProcess(discReader, m_image, ReadTreeMs).run({ m_image }, [&](const QByteArray& line) {
            if (line.startsWith(namesPrefix)) {
                if (!DiscTree::namesFromText(QString::fromUtf8(line.mid(namesPrefix.size())), tree.names))
                    throw CourseError(QStringLiteral("the disc reader named no known set of names"));
            } else if (line.startsWith(entryPrefix)) {
                if (tree.entries.size() >= most)
                    throw CourseError(QStringLiteral("its tree holds more than %1 entries").arg(most));
                tree.entries << entryFrom(line.mid(entryPrefix.size()));
            }
        });
    } catch (const CourseError& error) {
        throw DamagedDiscImage(m_image, error.message());
    }
    return tree;
}

int DiscImage::serve(int channel, const QString& image, Work work)
{
    return ReaderProcess::serve(channel, [&](const ReaderProcess::Send& send) {
        const DiscSectors sectors(image);
        DiscTree tree(readerOf(sectors));
        if (work == Work::Probe) {
            tree.descriptors();
            return;
        }
        send(namesPrefix + DiscTree::namesText(tree.open()).toUtf8());
        tree.list(
            [&](const Entry& entry) {
                send(entryPrefix + QByteArray::number(entry.folder ? 1 : 0) + ' ' + QByteArray::number(entry.sector) + ' '
                    + QByteArray::number(entry.size) + ' ' + entry.path.toUtf8());
            },
            [&](const QString& folder) { send(QByteArray(discReader.place) + ' ' + folder.toUtf8()); });
    });
}

void DiscImage::read(const Entry& entry, QIODevice& out, const Progress& progress) const
{
    QByteArray buffer(sectorsPerRead * SectorSize, Qt::Uninitialized);
    qint64 left = entry.size;
    qint64 sector = entry.sector;
    while (left > 0) {
        const qint64 sectors = std::min<qint64>(sectorsPerRead, (left + SectorSize - 1) / SectorSize);
        const qint64 wanted = std::min(left, sectors * SectorSize);
        if (!m_sectors->read(quint32(sector), int(sectors), buffer.data()))
            throw CourseError(unreadable(entry));
        if (out.write(buffer.constData(), wanted) != wanted)
            throw WriteFailed(QStringLiteral("%1: the file \"%2\" of the disc image cannot be written out: %3").arg(m_image, entry.path, out.errorString()));
        left -= wanted;
        sector += sectors;
        if (progress)
            progress(qint64(entry.size) - left);
    }
}

QString DiscImage::unreadable(const DiscSectors& sectors, const QString& image, const Entry& entry)
{
    // What the image holds of the file, not what was read of it before the failure: a read
    // of many sectors fails as a whole when its last ones are missing. An image file cut
    // short after it was opened holds less than it did then.
    const qint64 held = sectors.kind() == DiscSectors::Kind::IsoFile ? std::min(sectors.size(), QFileInfo(image).size()) : sectors.size();
    const qint64 there = std::clamp<qint64>(held - qint64(entry.sector) * SectorSize, 0, entry.size);
    return QStringLiteral("the disc image %1 is damaged or cut short: the file \"%2\" cannot be read whole "
                          "(%3 of its %4 bytes are there)")
        .arg(image, entry.path)
        .arg(there)
        .arg(entry.size);
}
