#pragma once

#include "PhraseSpan.h"

#include <QObject>
#include <array>

class VideoPlayer;

/// Loop a phrase: while on, the phrase that is playing starts again at its end, until
/// the loop is switched off or, with a count N, until it has been heard N times.
class PhraseLoop : public QObject {
    Q_OBJECT

public:
    /// The counts the learner chooses from, in order; 0 repeats until stopped.
    static constexpr std::array<int, 5> Counts { 0, 2, 3, 5, 10 };

    explicit PhraseLoop(VideoPlayer& video, QObject* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    /// Times the phrase is heard in all; 0 until stopped.
    int count() const { return m_count; }
    /// Chooses the next of Counts.
    void nextCount();
    /// Times the looped phrase has been heard so far (the one under way included).
    int heard() const { return m_heard; }

    enum class Outcome { NotLooping, Repeated, Finished };
    /// Phrase INDEX, lying at SPAN, has ended: starts it again, or reports the loop
    /// finished (switched off then).
    Outcome phraseEnded(int index, const PhraseSpan& span);
    /// Starts phrase INDEX at SPAN as the first time of a loop.
    void start(int index, const PhraseSpan& span);

private:
    VideoPlayer& m_video;
    bool m_on = false;
    int m_count = 0;
    int m_phrase = -1;
    int m_heard = 0;
};
