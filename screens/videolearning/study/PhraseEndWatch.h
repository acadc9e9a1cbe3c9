#pragma once

#include "PhraseTable.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class VideoPlayer;

/// Tells when the playing video reaches the end of a phrase: the start of the next
/// phrase, or the video's end for the last one. The video's own tick (100 ms) is too
/// coarse for that, so the watch arms a precise timer for the moment the phrase should
/// end and looks at the position again then. A jump (any position set on the video) is
/// not an end: the watch follows the phrase it lands in.
class PhraseEndWatch : public QObject {
    Q_OBJECT

public:
    PhraseEndWatch(VideoPlayer& video, const PhraseTable& phrases, QObject* parent = nullptr);

    /// Watches only while on; the aids switch it on while one of them needs it.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    /// The phrase whose end is awaited (-1: none yet).
    int phrase() const { return m_phrase; }

    /// Looks at the position now: reports an end reached, or arms the timer for the next.
    void check();

signals:
    /// The video reached the end of phrase INDEX, LATE_MS after it (by its position).
    void phraseEnded(int index, qint64 lateMs);

private:
    void follow(double seconds);
    qint64 positionMs() const;
    qint64 videoMs() const;

    VideoPlayer& m_video;
    const PhraseTable& m_phrases;
    QTimer* m_timer = nullptr;
    bool m_active = false;
    int m_phrase = -1;
    // After a jump the position may read the old place for a moment: until it reads
    // near the new one (or a while has passed), no end is taken from it.
    qint64 m_jumpMs = -1;
    QElapsedTimer m_sinceJump;
};
