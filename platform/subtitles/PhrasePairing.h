#pragma once

#include "SubtitleCue.h"

#include <QList>
#include <QString>

/// One phrase of a lesson made from a video's subtitles: its time and its two texts.
struct PairedPhrase {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString english;
    QString spanish;

    bool operator==(const PairedPhrase&) const = default;
};

/// Pairs the English and the Spanish subtitles of one video into phrases. The phrases
/// follow the English cues' times (cues starting together are one phrase); each gets the
/// Spanish cues that overlap it more than any other phrase, joined in their order (one
/// English cue spanning several Spanish ones), or else the Spanish cue that overlaps it
/// most (one Spanish cue spanning several English ones). With no English cues the phrases
/// follow the Spanish ones; a language missing leaves its texts empty. Both lists are
/// taken in start order, as SubtitleReader gives them. The work grows with the pairs of
/// cues that overlap: at SubtitleReader's bound, two files of cues that all overlap one
/// another take about 0.2 s; a film's take a millisecond.
namespace PhrasePairing {

QList<PairedPhrase> pair(const SubtitleCues& english, const SubtitleCues& spanish);

} // namespace PhrasePairing
