#include "DiscImageMaker.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

QString DiscImageMaker::make(const QString& source, const QString& image, Kind kind)
{
    QString program = QStringLiteral("genisoimage");
    QStringList arguments { QStringLiteral("-quiet") };
    switch (kind) {
    case Kind::Level1:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("1");
        break;
    case Kind::Level2:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("2");
        break;
    case Kind::Level3:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("3");
        break;
    case Kind::Joliet:
        arguments << QStringLiteral("-J");
        break;
    case Kind::RockRidge:
        arguments << QStringLiteral("-R");
        break;
    case Kind::RockRidgeJoliet:
        program = QStringLiteral("xorriso");
        arguments = QStringList { QStringLiteral("-as"), QStringLiteral("mkisofs"), QStringLiteral("-quiet"), QStringLiteral("-R"), QStringLiteral("-J") };
        break;
    }
    arguments << QStringLiteral("-o") << image << source;
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QStringLiteral("%1 %2 failed: %3%4")
            .arg(program, arguments.join(QLatin1Char(' ')), tool.errorString(), QString::fromLocal8Bit(tool.readAllStandardError()));
    return {};
}

namespace {

constexpr int sectorSize = 2048;
constexpr int rawSize = 2352;
// Sectors from the start of the disc's program area to logical sector 0 (the pregap).
constexpr int pregap = 150;

char bcd(int n)
{
    return char((n / 10) << 4 | (n % 10));
}

QByteArray readAll(const QString& file, QString* error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(file);
        return {};
    }
    return f.readAll();
}

QString writeAll(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return QStringLiteral("cannot write %1").arg(file);
    return {};
}

void putBig(QByteArray& to, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        to += char(value >> (8 * i));
}

void putBoth32(QByteArray& at, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i) {
        at[offset + i] = char(value >> (8 * i));
        at[offset + 7 - i] = char(value >> (8 * i));
    }
}

void putBoth16(QByteArray& at, int offset, quint16 value)
{
    at[offset] = char(value);
    at[offset + 1] = char(value >> 8);
    at[offset + 2] = char(value >> 8);
    at[offset + 3] = char(value);
}

QByteArray record(const QByteArray& name, quint32 sector, quint32 size, quint8 flags, const QByteArray& systemUse)
{
    const int pad = name.size() % 2 == 0 ? 1 : 0;
    QByteArray r(33 + name.size() + pad, '\0');
    putBoth32(r, 2, sector);
    putBoth32(r, 10, size);
    r[18] = char(96); // 1996
    r[19] = 1;
    r[20] = 1;
    r[25] = char(flags);
    putBoth16(r, 28, 1);
    r[32] = char(name.size());
    r.replace(33, name.size(), name);
    r += systemUse;
    r[0] = char(r.size());
    return r;
}

// Records laid into sectors, none across a sector's end.
QByteArray packed(const QList<QByteArray>& records)
{
    QByteArray out;
    for (const QByteArray& r : records) {
        if (out.size() % sectorSize + r.size() > sectorSize)
            out.append(sectorSize - out.size() % sectorSize, '\0');
        out += r;
    }
    out.append((sectorSize - out.size() % sectorSize) % sectorSize, '\0');
    return out;
}

} // namespace

CraftedDisc::CraftedDisc(bool rockRidge)
    : m_rockRidge(rockRidge)
{
}

int CraftedDisc::addFolder(const QList<Record>& records)
{
    m_folders << records;
    return int(m_folders.size() - 1);
}

int CraftedDisc::addData(const QByteArray& bytes)
{
    m_data << bytes;
    return int(m_data.size() - 1);
}

CraftedDisc::Record CraftedDisc::folder(const QByteArray& name, int folder)
{
    Record r;
    r.name = name;
    r.folder = folder;
    r.flags = 0x02;
    return r;
}

CraftedDisc::Record CraftedDisc::file(const QByteArray& name, int data)
{
    Record r;
    r.name = name;
    r.data = data;
    return r;
}

QByteArray CraftedDisc::nm(const QByteArray& name, int length)
{
    QByteArray e = QByteArray("NM") + char(length < 0 ? 5 + name.size() : length) + char(1) + char(0) + name;
    return e;
}

QByteArray CraftedDisc::bytes() const
{
    // Sizes first (a folder's records do not depend on where the others lie), then places.
    const auto recordsOf = [&](int id, const QList<quint32>& sectors, const QList<quint32>& sizes, const QList<quint32>& dataSectors) {
        const QByteArray sp = m_rockRidge && id == 0 ? QByteArray("SP\x07\x01\xbe\xef\x00", 7) : QByteArray();
        QList<QByteArray> records { record(QByteArray(1, '\0'), sectors.value(id), sizes.value(id), 0x02, sp),
            record(QByteArray(1, '\1'), sectors.value(0), sizes.value(0), 0x02, {}) };
        for (const Record& r : m_folders.at(id)) {
            quint32 sector = r.sector;
            quint32 size = r.size;
            if (r.folder >= 0) {
                sector = sectors.value(r.folder);
                size = sizes.value(r.folder);
            } else if (r.data >= 0) {
                sector = dataSectors.value(r.data);
                size = quint32(m_data.at(r.data).size());
            }
            records << record(r.name, sector, size, r.flags, r.systemUse);
        }
        return packed(records);
    };
    QList<quint32> sectors, sizes, dataSectors;
    quint32 next = 18;
    for (int id = 0; id < m_folders.size(); ++id) {
        sectors << next;
        sizes << quint32(recordsOf(id, {}, {}, {}).size());
        next += sizes.last() / sectorSize;
    }
    for (const QByteArray& data : m_data) {
        dataSectors << next;
        next += quint32((data.size() + sectorSize - 1) / sectorSize);
    }

    QByteArray image(18 * sectorSize, '\0');
    QByteArray pvd(sectorSize, '\0');
    pvd[0] = 1;
    pvd.replace(1, 5, "CD001");
    pvd[6] = 1;
    putBoth32(pvd, 80, next);
    putBoth16(pvd, 120, 1);
    putBoth16(pvd, 124, 1);
    putBoth16(pvd, 128, sectorSize);
    pvd.replace(156, 34, record(QByteArray(1, '\0'), sectors.value(0), sizes.value(0), 0x02, {}));
    image.replace(16 * sectorSize, sectorSize, pvd);
    image[17 * sectorSize] = char(255);
    image.replace(17 * sectorSize + 1, 6, QByteArray("CD001\x01", 6));
    for (int id = 0; id < m_folders.size(); ++id)
        image += recordsOf(id, sectors, sizes, dataSectors);
    for (const QByteArray& data : m_data) {
        image += data;
        image.append((sectorSize - data.size() % sectorSize) % sectorSize, '\0');
    }
    return image;
}

bool CraftedDisc::writeTo(const QString& image) const
{
    QFile f(image);
    const QByteArray all = bytes();
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(all) == all.size();
}

QString DiscImageMaker::toBinCue(const QString& iso, const QString& cue, RawMode mode)
{
    QString error;
    const QByteArray data = readAll(iso, &error);
    if (!error.isEmpty())
        return error;
    QByteArray bin;
    bin.reserve(data.size() / sectorSize * rawSize);
    for (qsizetype at = 0, lsn = 0; at < data.size(); at += sectorSize, ++lsn) {
        QByteArray frame(rawSize, '\0');
        frame.replace(1, 10, QByteArray(10, '\xff')); // the sync pattern: 00, ten FF, 00
        const qsizetype address = lsn + pregap;
        frame[12] = bcd(int(address / (75 * 60)));
        frame[13] = bcd(int(address / 75 % 60));
        frame[14] = bcd(int(address % 75));
        frame[15] = char(mode == RawMode::Mode1 ? 1 : 2);
        int start = 16;
        if (mode == RawMode::Mode2) {
            // The XA subheader, twice: file, channel, submode (data), coding.
            const QByteArray subheader("\0\0\x08\0", 4);
            frame.replace(16, 8, subheader + subheader);
            start = 24;
        }
        frame.replace(start, sectorSize, data.mid(at, sectorSize).leftJustified(sectorSize, '\0'));
        bin += frame;
    }
    const QFileInfo info(cue);
    const QString binName = info.completeBaseName() + QStringLiteral(".bin");
    error = writeAll(info.path() + QLatin1Char('/') + binName, bin);
    if (!error.isEmpty())
        return error;
    const QByteArray sheet = QStringLiteral("FILE \"%1\" BINARY\r\n  TRACK 01 %2/2352\r\n    INDEX 01 00:00:00\r\n")
                                 .arg(binName, mode == RawMode::Mode1 ? QStringLiteral("MODE1") : QStringLiteral("MODE2"))
                                 .toUtf8();
    return writeAll(cue, sheet);
}

QString DiscImageMaker::toNrg(const QString& iso, const QString& nrg, RawMode mode)
{
    QString error;
    const QByteArray data = readAll(iso, &error);
    if (!error.isEmpty())
        return error;
    QByteArray image;
    if (mode == RawMode::Mode1) {
        image = data;
    } else {
        const QByteArray subheader("\0\0\x08\0", 4);
        for (qsizetype at = 0; at < data.size(); at += sectorSize)
            image += subheader + subheader + data.mid(at, sectorSize).leftJustified(sectorSize, '\0') + QByteArray(280, '\0');
    }
    const quint64 chunks = quint64(image.size());
    // The track list: where the track lies in the file, how long, its mode (0: mode 1 in
    // 2048-byte blocks, 3: mode 2 in 2336-byte ones) and its first sector.
    image += "ETN2";
    putBig(image, 32, 4);
    putBig(image, 0, 8);
    putBig(image, chunks, 8);
    putBig(image, mode == RawMode::Mode1 ? 0 : 3, 4);
    putBig(image, 0, 4);
    putBig(image, 0, 8);
    image += "SINF";
    putBig(image, 4, 4);
    putBig(image, 1, 4); // one session
    image += "END!";
    putBig(image, 0, 4);
    image += "NER5";
    putBig(image, chunks, 8);
    return writeAll(nrg, image);
}
