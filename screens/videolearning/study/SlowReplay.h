#pragma once

#include "PhraseSpan.h"

#include <QObject>

class TempoPlayer;
class Trace;
class VideoPlayer;

/// Slow replay: one phrase of the video heard again at a slower rate with its pitch kept,
/// from the video's own sound track. The video holds at the phrase's start meanwhile;
/// playing the video again ends the replay.
class SlowReplay : public QObject {
    Q_OBJECT

public:
    SlowReplay(VideoPlayer& video, Trace& trace, QObject* parent = nullptr);
    ~SlowReplay() override;

    /// Plays SPAN (phrase INDEX) at RATE; false when it cannot start (failed() says why).
    bool play(int index, const PhraseSpan& span, double rate);
    void stop();
    bool isPlaying() const;
    /// The rate of the replay under way or last made.
    double rate() const { return m_rate; }
    TempoPlayer& player() const { return *m_player; }

signals:
    /// The phrase has been heard to its end.
    void finished();
    void failed(const QString& reason);

private:
    VideoPlayer& m_video;
    TempoPlayer* m_player = nullptr;
    double m_rate = 1;
};
