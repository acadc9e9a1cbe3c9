#include "PhraseLoop.h"

#include "VideoPlayer.h"

#include <algorithm>

PhraseLoop::PhraseLoop(VideoPlayer& video, QObject* parent)
    : QObject(parent)
    , m_video(video)
{
}

void PhraseLoop::setOn(bool on)
{
    m_on = on;
    m_phrase = -1;
    m_heard = 0;
}

void PhraseLoop::nextCount()
{
    const auto at = std::find(Counts.cbegin(), Counts.cend(), m_count);
    m_count = at == Counts.cend() || at + 1 == Counts.cend() ? Counts.front() : *(at + 1);
}

void PhraseLoop::start(int index, const PhraseSpan& span)
{
    m_phrase = index;
    m_heard = 1;
    m_video.setPosition(span.startSeconds());
    m_video.run();
}

PhraseLoop::Outcome PhraseLoop::phraseEnded(int index, const PhraseSpan& span)
{
    if (!m_on || !span.isValid())
        return Outcome::NotLooping;
    // The phrase that plays is the one looped: the learner may have moved to another.
    if (index != m_phrase) {
        m_phrase = index;
        m_heard = 1;
    }
    if (m_count > 0 && m_heard >= m_count) {
        setOn(false);
        return Outcome::Finished;
    }
    ++m_heard;
    m_video.setPosition(span.startSeconds());
    // The last phrase ends with the video, which has stopped there.
    if (m_video.currentState() != VideoPlayer::Running)
        m_video.run();
    return Outcome::Repeated;
}
