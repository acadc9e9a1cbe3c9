#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

/// An icon (.ico) or cursor (.cur) file as the period wrote them: a directory of
/// pictures, each a device-independent bitmap of 1, 4, 8, 24 or 32 bits (or a PNG) with
/// a 1-bit AND mask that says which pixels are transparent, and for a cursor the hot spot.
/// Qt's own reader ignores the AND mask of 24-bit pictures (they come out opaque) and
/// does not tell the hot spot: this reads both. The largest, deepest picture is the one
/// read.
class IconFile {
public:
    /// True when BYTES start as an icon or cursor file does.
    static bool isIconFile(const QByteArray& bytes);
    /// Reads FILE; isNull() with the reason in error() when it cannot be read.
    static IconFile read(const QString& file);
    static IconFile fromData(const QByteArray& bytes);

    bool isNull() const { return m_image.isNull(); }
    QString error() const { return m_error; }
    bool isCursor() const { return m_cursor; }
    /// The picture, ARGB32 with its transparent pixels at alpha 0.
    QImage image() const { return m_image; }
    /// Where a cursor points, in the picture's pixels; the centre for an icon.
    QPoint hotSpot() const { return m_hotSpot; }

private:
    QImage readBitmap(const QByteArray& entry);

    QImage m_image;
    QString m_error;
    bool m_cursor = false;
    QPoint m_hotSpot;
};
