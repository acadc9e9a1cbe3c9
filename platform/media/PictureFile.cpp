#include "PictureFile.h"

#include "DiscStreams.h"
#include "IconFile.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>

namespace {

// Qt shows a bitmap cut short with made-up pixels where its rows are missing. The length
// an uncompressed one needs follows from its header; empty when it has them all.
QString bitmapShortfall(QIODevice& f)
{
    const QByteArray head = f.peek(54);
    if (head.size() < 30 || !head.startsWith("BM"))
        return {};
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(head.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(head.constData() + at); };
    const quint32 offset = u32(10);
    const bool os2 = u32(14) == 12;
    const qint64 width = os2 ? u16(18) : qint32(u32(18));
    const qint64 height = os2 ? u16(20) : std::llabs(qint32(u32(22)));
    const int bits = os2 ? u16(24) : u16(28);
    const quint32 compression = os2 || head.size() < 34 ? 0 : u32(30);
    if (compression != 0 && compression != 3)
        return {};
    const qint64 needed = offset + (width * bits + 31) / 32 * 4 * height;
    if (width <= 0 || f.size() >= needed)
        return {};
    return QStringLiteral("it is cut short: %1 bytes of the %2 its %3 x %4 pixels need").arg(f.size()).arg(needed).arg(width).arg(height);
}

} // namespace

QImage PictureFile::read(const QString& file, QString* error)
{
    // Read off its disc image when no copy of it can be kept.
    const std::unique_ptr<QIODevice> device = DiscStreams::open(file);
    if (!device) {
        if (error)
            *error = QStringLiteral("it cannot be opened (%1)").arg(DiscStreams::openError(file));
        return {};
    }
    QIODevice& f = *device;
    if (IconFile::isIconFile(f.peek(6))) {
        const IconFile icon = IconFile::fromData(f.readAll());
        if (icon.isNull() && error)
            *error = icon.error();
        return icon.image();
    }
    const QString shortfall = bitmapShortfall(f);
    if (!shortfall.isEmpty()) {
        if (error)
            *error = shortfall;
        return {};
    }
    QImageReader reader(&f);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull() && error)
        *error = reader.errorString();
    return image;
}
