#pragma once

#include <QString>

/// What a video file's container says it holds, read from its first bytes without
/// decoding anything: whether it carries a picture stream, and the picture's coding.
/// The player is asked to decode only what it can; a picture stream the container has
/// and the player does not show is one this machine cannot decode. AVI (RIFF) and
/// MPEG-1/2 system streams are read; other containers are not known here.
class VideoContainer {
public:
    enum class Kind { Unknown, Avi, MpegSystem };

    /// Reads the start of FILE; a file that cannot be read is of Kind::Unknown.
    static VideoContainer read(const QString& file);

    Kind kind() const { return m_kind; }
    /// True when the container names a picture stream.
    bool hasPicture() const { return m_hasPicture; }
    /// The picture's coding as the container names it (an AVI four-character code such
    /// as "CRAM" or "cvid", "MPEG video"); empty without a picture stream.
    QString pictureCoding() const { return m_pictureCoding; }
    /// The length in seconds its time stamps give (MPEG system streams, whose length
    /// GStreamer only estimates from their bit rate); 0 when not known here.
    double seconds() const { return m_seconds; }

private:
    void readAvi(const QByteArray& head);
    void readMpeg(const QByteArray& head, const QByteArray& tail);

    Kind m_kind = Kind::Unknown;
    bool m_hasPicture = false;
    QString m_pictureCoding;
    double m_seconds = 0.0;
};
