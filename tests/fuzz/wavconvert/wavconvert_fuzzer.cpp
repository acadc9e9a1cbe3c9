// libFuzzer entry for the sound converter: any bytes in a file must be decoded into a
// whole 16-bit PCM copy or refused, without a crash, a hang, runaway memory or runaway
// output, and a refusal leaves nothing behind.
#include "PcmWavConverter.h"
#include "WavHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

const QTemporaryDir& folder()
{
    static const QTemporaryDir dir;
    require(dir.isValid());
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString source = folder().filePath(QStringLiteral("input.wav"));
    const QString target = folder().filePath(QStringLiteral("output.wav"));
    {
        QFile in(source);
        require(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
        require(in.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    const WavHeader header = WavHeader::read(source);
    if (!header.isValid())
        return 0;
    const PcmWavConverter::Result result = PcmWavConverter::convert(source, header, target);
    if (result.error.isEmpty()) {
        const WavHeader made = WavHeader::read(target);
        require(made.isPlainPcm16());
        require(made.frames() == result.frames);
        require(made.sampleRate() == result.sampleRate && made.sampleRate() <= WavHeader::kMaxSampleRate);
        // No coding decodes a byte into more than 64 frames.
        require(result.frames <= qint64(std::max<size_t>(size, 1)) * 64);
        // ADPCM ends where its fact chunk or its blocks say.
        if (header.coding() == WavHeader::MsAdpcm || header.coding() == WavHeader::ImaAdpcm)
            require(header.frames() == 0 || result.frames <= header.frames());
    } else {
        require(result.frames == 0 && !QFileInfo::exists(target));
    }
    // Nothing else is left in the folder: no unfinished copy.
    QFile::remove(target);
    require(QDir(folder().path()).entryList(QDir::Files) == QStringList { QStringLiteral("input.wav") });
    return 0;
}
