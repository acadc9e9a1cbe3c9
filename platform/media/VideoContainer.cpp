#include "VideoContainer.h"

#include "DiscStreams.h"

#include <QIODevice>
#include <memory>
#include <QtEndian>
#include <algorithm>
#include <optional>

namespace {

// AVI keeps its stream headers at the start; MPEG streams interleave within a few packs.
constexpr qint64 kHeadBytes = 256 * 1024;

quint32 u32(const QByteArray& bytes, qsizetype at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
}

QString fourCc(const QByteArray& bytes, qsizetype at)
{
    QString code;
    for (qsizetype i = at; i < at + 4 && i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != 0)
            code += c >= 0x20 && c < 0x7F ? QLatin1Char(c) : QLatin1Char('?');
    }
    return code.trimmed();
}

// The presentation time stamps of the packets in BYTES (PES packets of MPEG-1 or MPEG-2
// system streams), in 90 kHz units, for audio (streams C0..DF) or video (E0..EF).
struct Stamps {
    std::optional<qint64> first;
    std::optional<qint64> last;
};

qint64 stampAt(const QByteArray& b, qsizetype i)
{
    const auto at = [&](qsizetype k) { return qint64(uchar(b.at(i + k))); };
    return ((at(0) >> 1) & 7) << 30 | at(1) << 22 | (at(2) >> 1) << 15 | at(3) << 7 | at(4) >> 1;
}

void collectStamps(const QByteArray& b, Stamps& audio, Stamps& video)
{
    for (qsizetype i = b.indexOf(QByteArray("\x00\x00\x01", 3)); i >= 0 && i + 32 <= b.size(); i = b.indexOf(QByteArray("\x00\x00\x01", 3), i + 3)) {
        const uchar id = uchar(b.at(i + 3));
        if (id < 0xC0 || id > 0xEF)
            continue;
        qsizetype j = i + 6;
        std::optional<qint64> stamp;
        if ((uchar(b.at(j)) & 0xC0) == 0x80) { // MPEG-2: flags, then the header's length
            if (uchar(b.at(j + 1)) & 0x80)
                stamp = stampAt(b, j + 3);
        } else {
            while (j < i + 6 + 16 && uchar(b.at(j)) == 0xFF)
                ++j; // stuffing
            if ((uchar(b.at(j)) & 0xC0) == 0x40)
                j += 2; // buffer size
            if (j + 5 <= b.size() && (uchar(b.at(j)) & 0xE0) == 0x20)
                stamp = stampAt(b, j);
        }
        if (!stamp)
            continue;
        Stamps& s = id >= 0xE0 ? video : audio;
        s.first = std::min(s.first.value_or(*stamp), *stamp);
        s.last = std::max(s.last.value_or(*stamp), *stamp);
    }
}

// The picture rate of the video's sequence header (00 00 01 B3), 25 when there is none.
double pictureRate(const QByteArray& b)
{
    static constexpr double rates[] = { 25, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60 };
    const qsizetype at = b.indexOf(QByteArray("\x00\x00\x01\xB3", 4));
    const int code = at >= 0 && at + 8 <= b.size() ? uchar(b.at(at + 7)) & 0x0F : 0;
    return code >= 1 && code <= 8 ? rates[code] : 25;
}

} // namespace

VideoContainer VideoContainer::read(const QString& file)
{
    VideoContainer container;
    // A video still being copied off a disc image is read off the image.
    const std::unique_ptr<QIODevice> device = DiscStreams::open(file);
    if (!device)
        return container;
    QIODevice& f = *device;
    const QByteArray head = f.read(kHeadBytes);
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "AVI ")
        container.readAvi(head);
    else if (head.size() >= 4 && head.startsWith(QByteArray("\x00\x00\x01\xBA", 4))) {
        const qint64 tailAt = std::max<qint64>(head.size(), f.size() - kHeadBytes);
        f.seek(tailAt);
        container.readMpeg(head, f.size() > head.size() ? f.read(kHeadBytes) : head);
    }
    return container;
}

void VideoContainer::readAvi(const QByteArray& head)
{
    m_kind = Kind::Avi;
    // Chunks inside the header list and its stream lists: each stream's header ('strh')
    // gives its type; a picture stream's format ('strf') its compression.
    bool picture = false;
    qsizetype at = 12;
    while (at + 8 <= head.size()) {
        const QByteArray id = head.mid(at, 4);
        const qint64 size = u32(head, at + 4);
        if (id == "LIST") {
            const QByteArray type = head.mid(at + 8, 4);
            if (type == "hdrl" || type == "strl") {
                at += 12; // into the list
                continue;
            }
            if (type == "movi")
                break;
        } else if (id == "strh" && size >= 8) {
            picture = head.mid(at + 8, 4) == "vids";
            if (picture && !m_hasPicture) {
                m_hasPicture = true;
                m_pictureCoding = fourCc(head, at + 12);
            }
        } else if (id == "strf" && picture && size >= 20 && m_pictureCoding.isEmpty()) {
            m_pictureCoding = fourCc(head, at + 8 + 16);
        }
        at += 8 + size + (size & 1);
    }
}

void VideoContainer::readMpeg(const QByteArray& head, const QByteArray& tail)
{
    m_kind = Kind::MpegSystem;
    // From the first stamp to the end of the last picture (or the last sound frame, of
    // MPEG audio's at most 1152 samples, when the sound goes on longer).
    Stamps audio, video, audioEnd, videoEnd;
    collectStamps(head, audio, video);
    collectStamps(tail, audioEnd, videoEnd);
    const std::optional<qint64> start = audio.first && video.first ? std::min(*audio.first, *video.first)
                                                                   : (audio.first ? audio.first : video.first);
    double end = 0;
    if (videoEnd.last)
        end = double(*videoEnd.last) / 90000 + 1.0 / pictureRate(head);
    if (audioEnd.last)
        end = std::max(end, double(*audioEnd.last) / 90000 + 1152.0 / 44100);
    // A time stamp that wrapped (33 bits) or a stream cut short gives no length.
    if (start && end > double(*start) / 90000)
        m_seconds = end - double(*start) / 90000;
    // A packet of a video stream: start code 00 00 01 E0..EF.
    for (qsizetype at = 0; at + 4 <= head.size(); ++at) {
        if (head.at(at) == 0 && head.at(at + 1) == 0 && head.at(at + 2) == 1 && (uchar(head.at(at + 3)) & 0xF0) == 0xE0) {
            m_hasPicture = true;
            m_pictureCoding = QStringLiteral("MPEG video");
            return;
        }
    }
}
