#include "SoundCache.h"

#include "CourseError.h"
#include "DiscCopy.h"
#include "DiscStreams.h"
#include "JetStandIn.h"
#include "PcmWavConverter.h"
#include "Trace.h"
#include "WavHeader.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <optional>

namespace {

// Changes to what a conversion produces change this, so that old copies are made again.
constexpr const char* kConverterVersion = "pcm16-3";
// The leading bytes hashed into a file's fingerprint: the header and the first samples.
constexpr qint64 kHashedBytes = 65536;
// Unfinished copies older than this were left by a conversion that never ended.
constexpr qint64 kStalePartSeconds = 3600;

QString hashOf(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(20));
}

// What GStreamer was measured to time right: PCM of 16 bits or more and float, data
// whole, header right. 8-bit files, and others with an odd number of bytes, get no
// length at all; a block size or byte rate written wrong fails or mis-times them.
bool playsAsItIs(const WavHeader& header)
{
    const bool wide = (header.coding() == WavHeader::Pcm && header.bitsPerSample() >= 16)
        || (header.coding() == WavHeader::IeeeFloat && header.bitsPerSample() >= 32);
    const int frameBytes = header.channels() * header.bitsPerSample() / 8;
    return header.isValid() && wide && header.bitsPerSample() % 8 == 0 && header.declaredBlockAlign() == frameBytes
        && header.byteRate() == qint64(header.sampleRate()) * frameBytes && !header.isTruncated();
}

struct Examined {
    WavHeader header;
    QString copyName; ///< the converted copy's name; empty when the file plays as it is
    QString error;
};

// Reads FILE's header and, for a file to convert, names its copy.
Examined examine(const QString& file)
{
    Examined e;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        e.error = QStringLiteral("the file cannot be read (%1)").arg(f.errorString());
        return e;
    }
    e.header = WavHeader::read(f);
    if (!e.header.isWave() || playsAsItIs(e.header))
        return e;
    if (!e.header.isValid()) {
        e.error = QStringLiteral("it is a WAVE file that cannot be played: %1").arg(e.header.error());
        return e;
    }
    f.seek(0);
    const QByteArray leading = f.read(kHashedBytes);
    const QFileInfo info(file);
    const QByteArray fingerprint = QByteArray::number(info.size()) + '\n'
        + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n'
        + QCryptographicHash::hash(leading, QCryptographicHash::Sha1).toHex() + '\n' + kConverterVersion;
    e.copyName = QStringLiteral("sound-") + hashOf(QFile::encodeName(info.absoluteFilePath())) + QLatin1Char('-')
        + hashOf(fingerprint) + QStringLiteral(".wav");
    return e;
}

QString cacheFolderOrEmpty(QString* why = nullptr)
{
    try {
        return JetStandIn::cacheFolder();
    } catch (const CourseError& error) {
        if (why)
            *why = error.message();
        return {};
    }
}

// The length of the copy in the cache, when it is the whole PCM file made from a file
// like HEADER's: the decoder's length, which the header of the source may misstate.
std::optional<double> usableCopySeconds(const QString& copy, const WavHeader& header)
{
    if (!QFileInfo::exists(copy))
        return std::nullopt;
    const WavHeader made = WavHeader::read(copy);
    if (!made.isPlainPcm16() || made.channels() != header.channels() || made.sampleRate() != header.sampleRate())
        return std::nullopt;
    return made.seconds();
}

// Copies of earlier versions of the same file, and unfinished ones long abandoned.
void removeLeftovers(const QString& copy)
{
    const QFileInfo info(copy);
    const QString stem = info.fileName().section(QLatin1Char('-'), 0, 1);
    QDir folder(info.absolutePath());
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-kStalePartSeconds);
    const QFileInfoList found = folder.entryInfoList({ stem + QStringLiteral("-*.wav"), stem + QStringLiteral("-*.wav.part-*") }, QDir::Files);
    for (const QFileInfo& other : found) {
        const bool part = other.fileName().contains(QLatin1String(".part-"));
        if (other.fileName() != info.fileName() && (!part || other.lastModified() < stale))
            QFile::remove(other.absoluteFilePath());
    }
}

void traceConversion(Trace* trace, const QString& file, const WavHeader& header, const QJsonObject& more)
{
    if (!trace)
        return;
    QJsonObject fields { { QStringLiteral("file"), file }, { QStringLiteral("coding"), header.codingName() },
        { QStringLiteral("channels"), header.channels() }, { QStringLiteral("rate"), header.sampleRate() } };
    for (auto it = more.begin(); it != more.end(); ++it)
        fields.insert(it.key(), it.value());
    trace->event("sound.convert", fields);
}

} // namespace

QString SoundCache::copyFor(const QString& file)
{
    const Examined e = examine(file);
    return e.copyName.isEmpty() ? QString() : cacheFolderOrEmpty() + e.copyName;
}

SoundCache::Playable SoundCache::playable(const QString& file, Trace* trace)
{
    QElapsedTimer clock;
    clock.start();
    Playable result;
    // A sound still being copied off a disc image plays as it is read, unless it is to be
    // converted: that waits for the whole copy.
    if (DiscStreams::isStreamed(file)) {
        const std::unique_ptr<QIODevice> stream = DiscStreams::open(file);
        const WavHeader header = stream ? WavHeader::read(*stream) : WavHeader();
        if (stream && (!header.isWave() || playsAsItIs(header))) {
            result.file = file;
            result.seconds = header.isValid() ? header.seconds() : 0.0;
            return result;
        }
        if (!DiscStreams::finish(file)) {
            result.error = QStringLiteral("it cannot be read off its disc image");
            return result;
        }
    }
    const Examined e = examine(file);
    if (!e.error.isEmpty()) {
        result.error = e.error;
        return result;
    }
    result.file = file;
    result.seconds = e.header.isValid() ? e.header.seconds() : 0.0;
    if (!e.header.isValid() || playsAsItIs(e.header))
        return result;
    QString noCache;
    const QString folder = cacheFolderOrEmpty(&noCache);
    if (folder.isEmpty()) {
        traceConversion(trace, file, e.header, { { QStringLiteral("error"), noCache } });
        return result;
    }
    const QString copy = folder + e.copyName;
    if (const auto seconds = usableCopySeconds(copy, e.header)) {
        result.file = copy;
        result.converted = true;
        result.seconds = *seconds;
        traceConversion(trace, file, e.header,
            { { QStringLiteral("copy"), copy }, { QStringLiteral("seconds"), result.seconds }, { QStringLiteral("cached"), true },
                { QStringLiteral("ms"), clock.elapsed() } });
        return result;
    }
    removeLeftovers(copy);
    // Some 400 ms for half an hour of ADPCM: in a thread of its own, the window answering.
    PcmWavConverter::Result made;
    DiscCopy::run(file, e.header.dataSize(), [&](const std::function<void(qint64)>&) { made = PcmWavConverter::convert(file, e.header, copy); },
        DiscCopy::Show::Nothing);
    if (!made.error.isEmpty()) {
        // Another player may still manage it; if not, loading it says so.
        traceConversion(trace, file, e.header, { { QStringLiteral("error"), made.error } });
        return result;
    }
    result.file = copy;
    result.converted = true;
    result.seconds = double(made.frames) / made.sampleRate;
    traceConversion(trace, file, e.header,
        { { QStringLiteral("copy"), copy }, { QStringLiteral("seconds"), result.seconds }, { QStringLiteral("cached"), false },
            { QStringLiteral("ms"), clock.elapsed() } });
    return result;
}
