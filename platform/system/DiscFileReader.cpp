#include "DiscFileReader.h"

#include "DiscImage.h"
#include "DiscReadPriority.h"
#include "DiscSectors.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace {

// The most sectors one read takes.
constexpr qint64 mostSectors = 64;

} // namespace

DiscFileReader::DiscFileReader(std::shared_ptr<const DiscSectors> sectors, const QString& image, const DiscTree::Entry& entry)
    : m_sectors(std::move(sectors))
    , m_image(image)
    , m_entry(entry)
{
}

qint64 DiscFileReader::read(qint64 offset, char* out, qint64 size) const
{
    if (!failure().isEmpty())
        return -1;
    const qint64 wanted = std::min(size, qint64(m_entry.size) - offset);
    if (wanted <= 0 || offset < 0)
        return 0;
    // A player waits for it: copies in the background hold back meanwhile.
    DiscReadPriority::noteRead();
    constexpr qint64 sector = DiscTree::SectorSize;
    const qint64 first = offset / sector;
    const qint64 sectors = std::min(mostSectors, (offset + wanted + sector - 1) / sector - first);
    QByteArray buffer(sectors * sector, Qt::Uninitialized);
    if (!m_sectors->read(quint32(m_entry.sector + first), int(sectors), buffer.data())) {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_failure = DiscImage::unreadable(*m_sectors, m_image, m_entry);
        return -1;
    }
    const qint64 skip = offset - first * sector;
    const qint64 got = std::min(wanted, sectors * sector - skip);
    std::memcpy(out, buffer.constData() + skip, size_t(got));
    return got;
}

QString DiscFileReader::failure() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_failure;
}
