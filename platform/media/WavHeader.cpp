#include "WavHeader.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>

namespace {

// More chunks than any sound file has: a file that goes on beyond is not read further.
constexpr int kChunkLimit = 4096;
// The largest format chunk body read (the extensible one is 40 bytes, MS ADPCM's 50).
constexpr qint64 kFormatLimit = 1024;

quint16 u16(const QByteArray& bytes, qsizetype at)
{
    return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
}

quint32 u32(const QByteArray& bytes, qsizetype at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
}

} // namespace

WavHeader WavHeader::read(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        WavHeader header;
        header.m_error = QStringLiteral("the file cannot be opened (%1)").arg(f.errorString());
        return header;
    }
    return read(f);
}

WavHeader WavHeader::read(QIODevice& device)
{
    WavHeader header;
    const qint64 fileSize = device.size();
    if (!device.seek(0))
        return header;
    const QByteArray riff = device.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return header;
    header.m_wave = true;

    qint64 at = 12;
    for (int chunk = 0; chunk < kChunkLimit && at + 8 <= fileSize; ++chunk) {
        if (!device.seek(at))
            break;
        const QByteArray head = device.read(8);
        if (head.size() < 8)
            break;
        const QByteArray id = head.left(4);
        const qint64 size = u32(head, 4);
        const qint64 body = at + 8;
        if (id == "fmt " && !header.m_haveFormat) {
            header.readFormat(device.read(std::min(size, kFormatLimit)));
        } else if (id == "fact" && size >= 4 && !header.m_fact) {
            const QByteArray count = device.read(4);
            if (count.size() == 4)
                header.m_fact = u32(count, 0);
        } else if (id == "data" && !header.m_haveData) {
            header.m_haveData = true;
            header.m_dataOffset = body;
            header.m_declaredData = size;
            header.m_data = std::clamp<qint64>(fileSize - body, 0, size);
            // A copy cut short ends inside its data: nothing follows it.
            if (header.m_haveFormat && body + size >= fileSize)
                break;
        }
        at = body + size + (size & 1);
    }
    header.check();
    return header;
}

void WavHeader::readFormat(const QByteArray& body)
{
    if (body.size() < 16) {
        m_error = QStringLiteral("its format chunk is too short");
        return;
    }
    m_haveFormat = true;
    m_coding = u16(body, 0);
    m_channels = u16(body, 2);
    m_sampleRate = u32(body, 4);
    m_byteRate = u32(body, 8);
    m_declaredBlockAlign = u16(body, 12);
    m_blockAlign = m_declaredBlockAlign;
    m_bits = u16(body, 14);
    const int extra = body.size() >= 18 ? u16(body, 16) : 0;
    if (m_coding == Extensible && extra >= 22 && body.size() >= 18 + 22)
        m_coding = u16(body, 24); // the sub-format's first two bytes are the format tag
    // Samples of fixed width are read a frame of channels × bytes at a time, whatever
    // block size the header declares (the decoder does the same).
    const bool fixedWidth = m_coding == Pcm || m_coding == IeeeFloat || m_coding == ALaw || m_coding == MuLaw;
    if (fixedWidth && m_channels > 0 && m_bits > 0)
        m_blockAlign = m_channels * ((m_bits + 7) / 8);
    if ((m_coding == MsAdpcm || m_coding == ImaAdpcm) && extra >= 2 && body.size() >= 20)
        m_samplesPerBlock = u16(body, 18);
    // Headers written without the count: it follows from the block size.
    if (m_samplesPerBlock == 0 && m_channels > 0 && m_blockAlign > 0) {
        if (m_coding == MsAdpcm && m_blockAlign > 7 * m_channels)
            m_samplesPerBlock = (m_blockAlign - 7 * m_channels) * 2 / m_channels + 2;
        else if (m_coding == ImaAdpcm && m_blockAlign > 4 * m_channels)
            m_samplesPerBlock = (m_blockAlign - 4 * m_channels) * 2 / m_channels + 1;
    }
}

void WavHeader::check()
{
    if (!m_error.isEmpty())
        return;
    if (!m_haveFormat)
        m_error = QStringLiteral("it has no format chunk");
    else if (!m_haveData)
        m_error = QStringLiteral("it has no data chunk");
    else if (m_channels <= 0 || m_sampleRate <= 0)
        m_error = QStringLiteral("its format chunk gives %1 channels at %2 Hz").arg(m_channels).arg(m_sampleRate);
    else if (m_sampleRate > kMaxSampleRate)
        m_error = QStringLiteral("its format chunk gives a rate of %1 Hz, beyond the %2 Hz of any sound file").arg(m_sampleRate).arg(kMaxSampleRate);
    else if (m_blockAlign <= 0)
        m_error = QStringLiteral("its format chunk gives no block size");
    else if (m_data == 0 && m_declaredData > 0)
        m_error = QStringLiteral("its data chunk is missing from the file");
}

qint64 WavHeader::blockFrames() const
{
    // What the bytes present decode to: whole blocks, then what the last, short block holds.
    const qint64 whole = m_data / m_blockAlign;
    const qint64 rest = m_data % m_blockAlign;
    qint64 partial = 0;
    if (m_coding == MsAdpcm && rest >= 7 * m_channels)
        partial = (rest - 7 * m_channels) * 2 / m_channels + 2;
    else if (m_coding == ImaAdpcm && rest >= 4 * m_channels)
        partial = (rest - 4 * m_channels) / (4 * m_channels) * 8 + 1;
    return whole * m_samplesPerBlock + std::min<qint64>(partial, m_samplesPerBlock);
}

qint64 WavHeader::frames() const
{
    if (!isValid())
        return 0;
    switch (m_coding) {
    case Pcm:
    case IeeeFloat:
    case ALaw:
    case MuLaw:
        return m_data / m_blockAlign;
    case MsAdpcm:
    case ImaAdpcm: {
        if (m_samplesPerBlock <= 0)
            return 0;
        const qint64 coded = blockFrames();
        // The fact chunk counts the samples of the whole file; the last block is padded.
        return m_fact && *m_fact > 0 && *m_fact <= coded ? *m_fact : coded;
    }
    default:
        // A compressed coding without blocks of fixed length (MPEG): the fact chunk when
        // the data is whole, otherwise the average byte rate.
        if (m_fact && *m_fact > 0 && !isTruncated())
            return *m_fact;
        return m_byteRate > 0 ? qint64(double(m_data) * m_sampleRate / double(m_byteRate)) : 0;
    }
}

double WavHeader::seconds() const
{
    return m_sampleRate > 0 ? double(frames()) / m_sampleRate : 0.0;
}

bool WavHeader::isPlainPcm16() const
{
    return isValid() && m_coding == Pcm && m_bits == 16 && m_declaredBlockAlign == 2 * m_channels && m_byteRate == m_sampleRate * 2 * m_channels
        && !isTruncated();
}

QString WavHeader::codingName() const
{
    switch (m_coding) {
    case Pcm: return QStringLiteral("PCM %1-bit").arg(m_bits);
    case MsAdpcm: return QStringLiteral("MS ADPCM");
    case IeeeFloat: return QStringLiteral("float %1-bit").arg(m_bits);
    case ALaw: return QStringLiteral("A-law");
    case MuLaw: return QStringLiteral("mu-law");
    case ImaAdpcm: return QStringLiteral("IMA ADPCM");
    case Mpeg: return QStringLiteral("MPEG");
    case MpegLayer3: return QStringLiteral("MPEG layer 3");
    default: return QStringLiteral("format 0x%1").arg(m_coding, 4, 16, QLatin1Char('0'));
    }
}
