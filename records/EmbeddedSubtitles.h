#pragma once

#include "SubtitleCue.h"

#include <QList>
#include <QString>

/// The subtitle tracks inside a video (Matroska, WebM, MP4), read by GStreamer's demuxers
/// without decoding the picture or the sound: each text track's cues, cleaned of their
/// formatting, with the language its tags give. The whole file is read, so the time is
/// bounded (a pipeline that stalls is given up), and so are the tracks, cues and bytes.
class EmbeddedSubtitles {
public:
    /// How long reading a file may take: the whole file is read (a film of 4 GB from a
    /// slow disc takes a minute), its picture and sound undecoded.
    static constexpr int TimeoutMs = 120000;
    /// Tracks beyond this many are not read.
    static constexpr int MaxTracks = 16;
    /// The text read from one track, at most (as a subtitle file's), and from all.
    static constexpr qint64 MaxTrackBytes = 8 * 1024 * 1024;
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;

    struct Track {
        int number = 0;   ///< 1, 2, … in the order of the video's subtitle tracks
        QString language; ///< the language tag as written ("eng", "es", …); empty when none
        SubtitleCues cues; ///< in start order, mended as a subtitle file's
        bool cut = false; ///< it had more cues or text than the bounds; the rest is left out
    };
    struct Result {
        QList<Track> tracks; ///< only tracks with cues
        QString error;       ///< for the learner, in Spanish, naming the video; empty when read
        QString detail;      ///< GStreamer's reason, for the trace
    };

    static Result read(const QString& video, int timeoutMs = TimeoutMs);
};
