#include "DiscSectors.h"

#include "CourseError.h"

#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>
#include <cdio/disc.h>
#include <cdio/logging.h>
#include <cdio/read.h>
#include <cdio/sector.h>
#include <cdio/track.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <thread>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 sectorSize = 2048;
constexpr int firstDescriptor = 16;

// libcdio's default handler prints to standard error and ends the program on its
// assertions; a disc it cannot read is reported by the failure that follows.
void quiet(cdio_log_level_t, const char[]) { }

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The cue sheet beside a BIN file, which says how its sectors are laid out.
QString cueBeside(const QString& bin)
{
    const QFileInfo info(bin);
    for (const QString& suffix : { QStringLiteral(".cue"), QStringLiteral(".CUE"), QStringLiteral(".Cue") }) {
        const QString cue = info.path() + QLatin1Char('/') + info.completeBaseName() + suffix;
        if (QFileInfo(cue).isFile())
            return cue;
    }
    return {};
}

} // namespace

bool DiscSectors::isDevice(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISBLK(info.st_mode);
}

bool DiscSectors::needsDriver(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return isDevice(path) || suffix == QLatin1String("cue") || suffix == QLatin1String("nrg")
        || (suffix == QLatin1String("bin") && !cueBeside(path).isEmpty());
}

QString DiscSectors::kindText(Kind kind)
{
    switch (kind) {
    case Kind::BinCue: return QStringLiteral("BIN/CUE");
    case Kind::Nero: return QStringLiteral("NRG");
    case Kind::Device: return QStringLiteral("device");
    case Kind::IsoFile: break;
    }
    return QStringLiteral("ISO");
}

DiscSectors::DiscSectors(const QString& image)
    : m_image(image)
{
    cdio_log_set_handler(quiet);
    const QString suffix = QFileInfo(image).suffix().toLower();
    QString driven;
    driver_id_t driver = DRIVER_UNKNOWN;
    if (isDevice(image)) {
        m_kind = Kind::Device;
        driven = image;
        driver = DRIVER_DEVICE;
    } else if (suffix == QLatin1String("cue") || (suffix == QLatin1String("bin") && !cueBeside(image).isEmpty())) {
        m_kind = Kind::BinCue;
        driven = suffix == QLatin1String("cue") ? image : cueBeside(image);
        driver = DRIVER_BINCUE;
    } else if (suffix == QLatin1String("nrg")) {
        m_kind = Kind::Nero;
        driven = image;
        driver = DRIVER_NRG;
    }

    if (driver != DRIVER_UNKNOWN) {
        m_cdio = cdio_open(QFile::encodeName(driven).constData(), driver);
        if (m_cdio) {
            const track_t first = cdio_get_first_track_num(m_cdio);
            const track_format_t format = cdio_get_track_format(m_cdio, first);
            m_xa = format == TRACK_FORMAT_XA;
            const lsn_t last = cdio_get_disc_last_lsn(m_cdio);
            m_size = last > 0 && (format == TRACK_FORMAT_DATA || m_xa) ? qint64(last) * sectorSize : 0;
            char probe[sectorSize];
            const bool readable = m_size > 0 && readRaw(firstDescriptor, 1, probe);
            if (readable && (m_kind != Kind::Nero || std::memcmp(probe + 1, "CD001", 5) == 0))
                return;
            cdio_destroy(m_cdio);
            m_cdio = nullptr;
            // libcdio reads a Nero track of 2048-byte blocks 16 bytes off (as if each block
            // had a raw sector's sync and header); such a track is the ISO image itself,
            // from the file's start, which is read as one up to the track's end.
            if (readable && m_kind == Kind::Nero && startsAsIso(image)) {
                const qint64 track = m_size;
                openFile(image);
                m_size = std::min(track, m_size);
                return;
            }
        }
        // A block device that is no CD drive (a memory stick, a loop device) is read as a file.
        if (m_kind != Kind::Device)
            throw CourseError(QStringLiteral("the %1 disc image %2 cannot be read: its cue sheet or layout is damaged, or it has no data track")
                                  .arg(kindText(m_kind), image));
    }
    openFile(image);
}

void DiscSectors::openFile(const QString& image)
{
    m_fd = ::open(QFile::encodeName(image).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw CourseError(QStringLiteral("the disc image %1 cannot be read: %2").arg(image, errorText()));
    struct stat info {};
    quint64 bytes = 0;
    if (m_kind == Kind::Device && ::ioctl(m_fd, BLKGETSIZE64, &bytes) == 0)
        m_size = qint64(bytes);
    else if (::fstat(m_fd, &info) == 0)
        m_size = qint64(info.st_size);
}

bool DiscSectors::startsAsIso(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.seek(firstDescriptor * sectorSize) && f.read(6).mid(1) == "CD001";
}

DiscSectors::~DiscSectors()
{
    if (m_cdio)
        cdio_destroy(m_cdio);
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {

struct Pace {
    std::mutex lock;
    qint64 bytesPerSecond = 0;
    std::chrono::steady_clock::time_point free; ///< when the medium is done with what it was asked
};

Pace& pace()
{
    static Pace medium;
    return medium;
}

// Waits for the medium to give BYTES after all that was asked of it before.
void waitForMedium(qint64 bytes)
{
    Pace& medium = pace();
    std::chrono::steady_clock::time_point done;
    {
        const std::lock_guard<std::mutex> hold(medium.lock);
        if (medium.bytesPerSecond <= 0)
            return;
        medium.free = std::max(medium.free, std::chrono::steady_clock::now())
            + std::chrono::microseconds(bytes * 1000000 / medium.bytesPerSecond);
        done = medium.free;
    }
    std::this_thread::sleep_until(done);
}

} // namespace

void DiscSectors::setPace(qint64 bytesPerSecond)
{
    const std::lock_guard<std::mutex> hold(pace().lock);
    pace().bytesPerSecond = bytesPerSecond;
}

bool DiscSectors::read(quint32 lsn, int count, char* out) const
{
    if (count <= 0 || (qint64(lsn) + count) * sectorSize > m_size)
        return false;
    waitForMedium(qint64(count) * sectorSize);
    return readRaw(lsn, count, out);
}

bool DiscSectors::readRaw(quint32 lsn, int count, char* out) const
{
    if (m_cdio) {
        // One sector at a time through a frame-sized buffer: the drivers copy a mode 2
        // sector's subheader or more into what they are given.
        char frame[CDIO_CD_FRAMESIZE_RAW];
        const std::lock_guard<std::mutex> hold(m_driver);
        for (int i = 0; i < count; ++i) {
            const driver_return_code_t done = m_xa ? cdio_read_mode2_sector(m_cdio, frame, lsn_t(lsn + i), false)
                                                   : cdio_read_mode1_sector(m_cdio, frame, lsn_t(lsn + i), false);
            if (done != DRIVER_OP_SUCCESS)
                return false;
            std::memcpy(out + qint64(i) * sectorSize, frame, sectorSize);
        }
        return true;
    }
    const qint64 wanted = qint64(count) * sectorSize;
    qint64 got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(m_fd, out + got, size_t(wanted - got), off_t(qint64(lsn) * sectorSize + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}
