#pragma once

#include <QObject>

class VideoPlayer;

/// Pause after each phrase: while on, the video holds at the end of every phrase and
/// waits for the learner to go on. The hold is also how a finished loop ends.
class PhrasePause : public QObject {
    Q_OBJECT

public:
    explicit PhrasePause(VideoPlayer& video, QObject* parent = nullptr);

    void setOn(bool on) { m_on = on; }
    bool isOn() const { return m_on; }
    /// The video holds at a phrase's end, waiting for the learner.
    bool isWaiting() const { return m_waiting; }
    /// The phrase that ended there (-1 when not waiting).
    int heldPhrase() const { return m_waiting ? m_heldPhrase : -1; }

    /// Phrase INDEX has ended: holds there when on; whether it held.
    bool phraseEnded(int index);
    /// Holds the running video at the end of phrase INDEX.
    void hold(int index);
    /// Whether the learner can go on: the video holds, or is paused while the pause is on.
    bool canGoOn() const;
    /// Plays on from the hold; false (nothing done) when it cannot go on.
    bool goOn();

private:
    VideoPlayer& m_video;
    bool m_on = false;
    bool m_waiting = false;
    int m_heldPhrase = -1;
};
