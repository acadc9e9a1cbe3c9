#pragma once

#include "PhraseTable.h"

#include <QtGlobal>

/// Where one phrase lies in its video, in milliseconds: from its start to its own end when
/// it has one (a cue's), else to the start of the next phrase, the last one to the video's
/// end; never past the next phrase's start nor the video's end.
struct PhraseSpan {
    qint64 startMs = 0;
    qint64 endMs = 0;

    qint64 lengthMs() const { return endMs - startMs; }
    bool isValid() const { return endMs > startMs; }
    double startSeconds() const { return startMs / 1000.0; }
    double endSeconds() const { return endMs / 1000.0; }
};

/// The span of phrase INDEX of PHRASES in a video VIDEO_MS long; invalid for an index
/// out of the table or a phrase that starts at or after the end.
PhraseSpan phraseSpan(const PhraseTable& phrases, int index, qint64 videoMs);

/// The phrase spoken at POSITION_MS, to the millisecond (the subtitles round to whole
/// seconds; the study aids must not): the last phrase whose start is not after it, -1
/// before the first phrase or for an empty table.
int phraseAt(const PhraseTable& phrases, qint64 positionMs);
