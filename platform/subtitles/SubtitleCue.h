#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

/// One subtitle as a subtitle file shows it: from STARTMS to ENDMS (milliseconds from the
/// start of the video, ENDMS after STARTMS) the TEXT, on one line, without formatting.
struct SubtitleCue {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;

    bool operator==(const SubtitleCue&) const = default;
};

using SubtitleCues = QList<SubtitleCue>;
