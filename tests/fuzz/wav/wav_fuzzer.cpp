// libFuzzer entry for the WAVE header reader: any bytes must be read without a crash, a
// hang or runaway memory, and what it reports must hold together with the bytes given.
#include "WavHeader.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const WavHeader header = WavHeader::read(device);
    header.codingName();
    if (!header.isValid()) {
        require(header.frames() == 0);
        return 0;
    }
    // The samples found lie inside the bytes, and no more are counted than were declared.
    require(header.dataOffset() >= 12 && header.dataSize() >= 0);
    require(header.dataOffset() + header.dataSize() <= qint64(size));
    require(header.dataSize() <= header.declaredDataSize());
    require(header.channels() > 0 && header.sampleRate() > 0 && header.blockAlign() > 0);
    require(header.frames() >= 0 && header.seconds() >= 0);
    require(!header.isPlainPcm16() || header.frames() == header.dataSize() / header.blockAlign());
    return 0;
}
