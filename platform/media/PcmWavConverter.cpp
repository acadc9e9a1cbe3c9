#include "PcmWavConverter.h"

#include "WavHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// Sample frames a byte of any coding the library reads decodes to, with room to spare
// (MPEG, the densest, gives about 12): a decoder that gives more runs away.
constexpr qint64 kMaxFramesPerByte = 64;

// CHANNELS and RATE are checked: RATE × CHANNELS × 2 fits the header's 32 bits. More than
// two channels are said where they go (the first speaker positions in order, as for a
// file that does not say), in the extensible format: players refuse a plain PCM header of
// more than two channels, not knowing how to lay them out.
QByteArray pcm16Header(int channels, int rate, qint64 frames)
{
    const bool extensible = channels > 2;
    const quint32 formatBytes = extensible ? 40 : 16;
    const quint32 dataBytes = quint32(frames * channels * 2);
    QByteArray out;
    out.reserve(68);
    out.append("RIFF");
    put32(out, 4 + 8 + formatBytes + 8 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, formatBytes);
    put16(out, extensible ? WavHeader::Extensible : WavHeader::Pcm);
    put16(out, quint16(channels));
    put32(out, quint32(rate));
    put32(out, quint32(qint64(rate) * channels * 2));
    put16(out, quint16(channels * 2));
    put16(out, 16);
    if (extensible) {
        put16(out, 22);
        put16(out, 16); // valid bits
        put32(out, channels < 32 ? (quint32(1) << channels) - 1 : 0);
        put16(out, WavHeader::Pcm); // the sub-format: PCM's tag in the common GUID
        out.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    out.append("data");
    put32(out, dataBytes);
    return out;
}

} // namespace

PcmWavConverter::Result PcmWavConverter::convert(const QString& source, const WavHeader& header, const QString& target)
{
    Result result;
    SF_INFO info {};
    const std::unique_ptr<SNDFILE, SndfileCloser> in(sf_open(QFile::encodeName(source).constData(), SFM_READ, &info));
    if (!in) {
        result.error = QStringLiteral("the sound cannot be decoded (%1)").arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
        return result;
    }
    if (info.channels <= 0 || info.channels > 64 || info.samplerate <= 0) {
        result.error = QStringLiteral("the decoder gives %1 channels at %2 Hz").arg(info.channels).arg(info.samplerate);
        return result;
    }
    if (info.samplerate > WavHeader::kMaxSampleRate) {
        result.error = QStringLiteral("the decoder gives a rate of %1 Hz, beyond the %2 Hz of any sound file").arg(info.samplerate).arg(WavHeader::kMaxSampleRate);
        return result;
    }
    result.sampleRate = info.samplerate;
    // Samples beyond full scale (float files) are clipped rather than wrapped.
    sf_command(in.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // 16-bit WAVE files hold at most 4 GiB of samples.
    qint64 limit = (qint64(0xFFFFFFFF) - 36) / (2 * info.channels);
    // ADPCM coders pad the last block, and only the fact chunk says how much of it is
    // sound. Every other coding ends where its decoder ends: a header's estimate (a block
    // size or byte rate written wrong) would cut the sound short.
    if ((header.coding() == WavHeader::MsAdpcm || header.coding() == WavHeader::ImaAdpcm) && header.frames() > 0)
        limit = std::min(limit, header.frames());
    const qint64 runaway = std::max<qint64>(QFileInfo(source).size(), 1) * kMaxFramesPerByte;

    const QString part = target + QStringLiteral(".part-%1-%2").arg(::getpid()).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        result.error = QStringLiteral("%1 cannot be written (%2)").arg(part, out.errorString());
        return result;
    }
    const QByteArray header0 = pcm16Header(info.channels, info.samplerate, 0);
    bool written = out.write(header0) == header0.size();
    constexpr qint64 kChunkFrames = 16384;
    std::vector<short> samples(size_t(kChunkFrames * info.channels));
    while (written && result.frames < limit) {
        const sf_count_t got = sf_readf_short(in.get(), samples.data(), std::min(kChunkFrames, limit - result.frames));
        if (got <= 0)
            break;
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
            for (qint64 i = 0; i < qint64(got) * info.channels; ++i)
                samples[size_t(i)] = qToLittleEndian(samples[size_t(i)]);
        }
        const qint64 bytes = qint64(got) * info.channels * 2;
        written = out.write(reinterpret_cast<const char*>(samples.data()), bytes) == bytes;
        result.frames += got;
        if (result.frames > runaway) {
            result.error = QStringLiteral("the decoder gives more sound than the file can hold");
            written = false;
        }
    }
    // The real lengths, now that they are known.
    written = written && out.seek(0) && out.write(pcm16Header(info.channels, info.samplerate, result.frames)) == header0.size();
    out.close();
    written = written && out.error() == QFile::NoError;
    if (!written || ::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        if (result.error.isEmpty())
            result.error = QStringLiteral("%1 cannot be written (%2)").arg(target, written ? QStringLiteral("rename failed") : out.errorString());
        QFile::remove(part);
        result.frames = 0;
    }
    return result;
}
