#pragma once

#include "SubtitleCue.h"

#include <QByteArray>
#include <QString>

/// Reads a subtitle file the learner keeps beside a video: SubRip, WebVTT or SSA/ASS, told
/// by its text rather than its name, in any of the encodings SubtitleText reads. The cues
/// come out in the order of their start, each with text and an end after its start:
/// empty cues are dropped, and a cue whose end is not after its start (a slip of the
/// editor) ends 2 s later or where the next one starts. Overlapping cues are kept.
///
/// Bounds: files of at most kMaxFileBytes, at most kMaxCues cues, 1 000 characters of text
/// per cue, times up to 100 hours; beyond them the file is refused by name.
class SubtitleReader {
public:
    static constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;
    static constexpr int kMaxCues = 10000;
    /// How long a cue without a usable end is shown.
    static constexpr qint64 kMendedCueMs = 2000;

    enum class Format { Unknown, SubRip, WebVtt, Ssa };
    enum class Problem { None, Missing, Unreadable, TooLarge, NotSubtitles, NoCues, TooManyCues };

    struct Result {
        Format format = Format::Unknown;
        SubtitleCues cues;
        int unreadable = 0; ///< cues skipped because their times could not be read
        int mended = 0;     ///< cues whose end was not after their start
        int empty = 0;      ///< cues without text, dropped
        Problem problem = Problem::None;
        QString error;      ///< for the learner, in Spanish, naming the file; empty when read
        QString detail;     ///< the system's reason, for the trace (a read error)
    };

    /// Reads FILE.
    static Result read(const QString& file);
    /// Reads the bytes of a subtitle file (the messages then name no file).
    static Result parse(const QByteArray& bytes);

    /// Cues read elsewhere (a subtitle track inside a video) put right as a file's are:
    /// in start order, empty ones dropped, ends mended, and refused (the messages then
    /// name no file) when none is left or there are more than kMaxCues.
    static Result fromCues(SubtitleCues cues);

    /// The format's name, for the trace and for messages.
    static QString formatName(Format format);
};
