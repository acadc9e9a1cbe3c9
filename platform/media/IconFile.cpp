#include "IconFile.h"

#include "DiscStreams.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>

namespace {

quint16 u16(const QByteArray& b, qsizetype at)
{
    return at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}

quint32 u32(const QByteArray& b, qsizetype at)
{
    return at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

qint32 s32(const QByteArray& b, qsizetype at)
{
    return qint32(u32(b, at));
}

qsizetype rowBytes(qint64 width, int bits)
{
    return qsizetype((width * bits + 31) / 32 * 4);
}

} // namespace

bool IconFile::isIconFile(const QByteArray& bytes)
{
    return bytes.size() >= 6 && u16(bytes, 0) == 0 && (u16(bytes, 2) == 1 || u16(bytes, 2) == 2) && u16(bytes, 4) > 0;
}

IconFile IconFile::read(const QString& file)
{
    // Read off its disc image when no copy of it can be kept.
    const std::unique_ptr<QIODevice> f = DiscStreams::open(file);
    if (!f) {
        IconFile icon;
        icon.m_error = QStringLiteral("it cannot be read (%1)").arg(DiscStreams::openError(file));
        return icon;
    }
    // Icons are small; a file that claims otherwise is not read beyond this.
    return fromData(f->read(16 * 1024 * 1024));
}

IconFile IconFile::fromData(const QByteArray& bytes)
{
    IconFile icon;
    if (!isIconFile(bytes)) {
        icon.m_error = QStringLiteral("it is not an icon or cursor file");
        return icon;
    }
    icon.m_cursor = u16(bytes, 2) == 2;
    // The largest picture, the deepest of those.
    const int count = u16(bytes, 4);
    int best = -1;
    qint64 bestScore = -1;
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= bytes.size(); ++i) {
        const qsizetype at = 6 + 16 * i;
        const int width = uchar(bytes.at(at)) ? uchar(bytes.at(at)) : 256;
        const int height = uchar(bytes.at(at + 1)) ? uchar(bytes.at(at + 1)) : 256;
        const quint32 offset = u32(bytes, at + 12);
        // The depth is in the picture's own header (a cursor's entry holds its hot spot there).
        const int bits = offset + 16 <= quint32(bytes.size()) ? u16(bytes, offset + 14) : 0;
        const qint64 score = qint64(width) * height * 64 + bits;
        if (u32(bytes, at + 8) > 0 && offset < quint32(bytes.size()) && score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    if (best < 0) {
        icon.m_error = QStringLiteral("its directory names no picture inside the file");
        return icon;
    }
    const qsizetype at = 6 + 16 * best;
    const QByteArray entry = bytes.mid(u32(bytes, at + 12), u32(bytes, at + 8));
    if (entry.startsWith("\x89PNG"))
        icon.m_image = QImage::fromData(entry, "PNG").convertToFormat(QImage::Format_ARGB32);
    else
        icon.m_image = icon.readBitmap(entry);
    if (icon.m_image.isNull()) {
        if (icon.m_error.isEmpty())
            icon.m_error = QStringLiteral("its picture cannot be decoded");
        return icon;
    }
    icon.m_hotSpot = icon.m_cursor ? QPoint(u16(bytes, at + 4), u16(bytes, at + 6)) : QPoint(icon.m_image.width() / 2, icon.m_image.height() / 2);
    return icon;
}

QImage IconFile::readBitmap(const QByteArray& entry)
{
    const quint32 headerSize = u32(entry, 0);
    if (headerSize < 40 || headerSize > quint32(entry.size())) {
        m_error = QStringLiteral("its picture has no bitmap header");
        return {};
    }
    const qint32 width = s32(entry, 4);
    const qint32 height = s32(entry, 8) / 2; // the colour picture, then the AND mask
    const int bits = u16(entry, 14);
    const quint32 compression = u32(entry, 16);
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024 || compression != 0
        || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        m_error = QStringLiteral("its picture is %1 x %2 at %3 bits, compression %4").arg(width).arg(height).arg(bits).arg(compression);
        return {};
    }
    const quint32 used = u32(entry, 32);
    const qsizetype paletteBytes = bits <= 8 ? 4 * qsizetype(used ? std::min<quint32>(used, 1u << bits) : 1u << bits) : 0;
    const qsizetype colourAt = headerSize + paletteBytes;
    const qsizetype colourStride = rowBytes(width, bits);
    const qsizetype maskAt = colourAt + colourStride * height;
    const qsizetype maskStride = rowBytes(width, 1);
    if (maskAt > entry.size()) {
        m_error = QStringLiteral("its picture is cut short");
        return {};
    }
    const bool haveMask = maskAt + maskStride * height <= entry.size();

    QImage image(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const char* row = entry.constData() + colourAt + colourStride * (height - 1 - y); // rows bottom-up
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb pixel;
            if (bits == 32 || bits == 24) {
                const uchar* p = reinterpret_cast<const uchar*>(row) + x * (bits / 8);
                pixel = qRgba(p[2], p[1], p[0], bits == 32 ? p[3] : 255);
                anyAlpha = anyAlpha || (bits == 32 && p[3] != 0);
            } else {
                const int perByte = 8 / bits;
                const uchar byte = uchar(row[x / perByte]);
                const int index = (byte >> ((perByte - 1 - x % perByte) * bits)) & ((1 << bits) - 1);
                const qsizetype colour = headerSize + 4 * qsizetype(index);
                pixel = colour + 3 <= colourAt ? qRgb(uchar(entry.at(colour + 2)), uchar(entry.at(colour + 1)), uchar(entry.at(colour))) : qRgb(0, 0, 0);
            }
            out[x] = pixel;
        }
    }
    // 32-bit pictures with an alpha channel say transparency by it; all others by the mask.
    if (bits == 32 && anyAlpha)
        return image;
    for (int y = 0; y < height && haveMask; ++y) {
        const char* mask = entry.constData() + maskAt + maskStride * (height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (uchar(mask[x / 8]) >> (7 - x % 8) & 1)
                out[x] = qRgba(0, 0, 0, 0);
            else
                out[x] |= 0xFF000000u;
        }
    }
    return image;
}
