#pragma once

#include "SubtitleCue.h"

#include <QString>

/// The cues of the text of one subtitle file, in the file's order, times as written (a
/// backwards or empty cue is the caller's to mend). Lines that should give a cue and do
/// not (a time that cannot be read) are counted in UNREADABLE. At most MAXCUES cues are
/// read; one more tells the caller the file has too many.
namespace SubtitleParsers {

/// SubRip (.srt) and WebVTT (.vtt): a line "start --> end" (hh:mm:ss,mmm or .mmm, the
/// hours optional; WebVTT's cue settings after it ignored) and the lines of text up to a
/// blank line. Numbers, cue names, NOTE, STYLE and REGION blocks between cues are skipped.
SubtitleCues subRip(const QString& text, int maxCues, int& unreadable);

/// SSA and ASS (.ssa, .ass): the Dialogue lines of the [Events] section, by the fields its
/// Format line names (Start, End, Text, the last field, which may hold commas).
SubtitleCues ssa(const QString& text, int maxCues, int& unreadable);

/// The time of a cue, in milliseconds: [h:]mm:ss[.fff] (a comma for the point too); -1
/// when TEXT is none, or lies beyond 100 hours.
qint64 timeOf(const QString& text);

} // namespace SubtitleParsers
