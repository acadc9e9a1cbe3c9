#pragma once

#include "EmbeddedSubtitles.h"
#include "OwnLessons.h"
#include "SubtitleCue.h"
#include "VideoProbe.h"

#include <QList>
#include <QString>
#include <functional>

/// Makes one lesson of the learner's own video: the video probed, the subtitles of each
/// language read (the file asked for, else one found beside the video, else the video's
/// own track), the phrases paired, and everything stored at once, or nothing.
class OwnLessonAdder {
public:
    using Probe = std::function<VideoProbe::Facts(const QString& video)>;
    using TrackReader = std::function<EmbeddedSubtitles::Result(const QString& video)>;
    /// The longest title kept.
    static constexpr int MaxTitleLength = 200;

    OwnLessonAdder(QString databaseFile, Probe probe, TrackReader tracks = [](const QString& video) { return EmbeddedSubtitles::read(video); });

    OwnLessons::Added add(const OwnLessons::Request& request) const;

    /// The phrases of a lesson made from the two languages' cues (either may be empty).
    static QList<OwnLessons::Phrase> phrasesOf(const SubtitleCues& english, const SubtitleCues& spanish);
    /// TEXT without control characters (tabs and carriage returns become spaces).
    static QString printable(const QString& text);

private:
    /// The subtitles of one language: where they came from and their cues.
    struct Subtitles {
        QString source;
        SubtitleCues cues;
    };
    /// Reads FILE, or finds them; false (with the learner's message in ADDED) on a failure.
    bool read(const QString& file, Subtitles& into, OwnLessons::Added& added) const;

    /// Takes the video's own tracks for the languages without a file, counting in OTHERS
    /// those of no language of ours; false (with the learner's message in ADDED) when the
    /// video's tracks cannot be read.
    bool readTracks(const QString& video, Subtitles& english, Subtitles& spanish, OwnLessons::Added& added, int& others) const;

    QString m_databaseFile;
    Probe m_probe;
    TrackReader m_tracks;
};
