#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

class Database;

/// One listed phrase of a conversation video.
struct PhraseEntry {
    qint32 mseg = 0; ///< start in the video, milliseconds
    QString frase_sp;
    QString frase_en;
    qint32 endMs = 0; ///< where it ends when its source says (a cue's end); 0: at the next phrase's start
};

/// The phrases of the lesson on show, in the order of their start times.
using PhraseTable = std::vector<PhraseEntry>;

/// The index of the phrase to show at position P (seconds): -1 while the video is more
/// than 100 ms ahead of the first phrase; otherwise P is rounded to whole seconds
/// (halves to even) and written back, and the result is the last phrase whose start,
/// rounded the same way, is not after P (0 when none is). Phrases are matched in whole
/// seconds on purpose: a phrase starting at 2.4 s shows from 1.5 s on.
/// An empty table has no phrase to show: -1, and P is left as it was.
qint16 FindPhraseIndex(const PhraseTable& e, double& p);

/// The phrases of course lesson LESSON from `video_apren`, in start order; with HAS_INTRO
/// the first row, the introduction, is left out.
PhraseTable coursePhrases(Database& content, qint16 lesson, bool hasIntro);
