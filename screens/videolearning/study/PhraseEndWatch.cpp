#include "PhraseEndWatch.h"

#include "PhraseSpan.h"
#include "VideoPlayer.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
// The precise timer is armed once the end is nearer than this: a tick may come late.
constexpr qint64 ArmWithinMs = 250;
// A position this near the one jumped to shows that the jump was taken.
constexpr qint64 JumpTakenMs = 250;
constexpr qint64 JumpSettleMs = 1000;
}

PhraseEndWatch::PhraseEndWatch(VideoPlayer& video, const PhraseTable& phrases, QObject* parent)
    : QObject(parent)
    , m_video(video)
    , m_phrases(phrases)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PhraseEndWatch::check);
    connect(&m_video, &VideoPlayer::timer, this, &PhraseEndWatch::check);
    connect(&m_video, &VideoPlayer::stateChange, this, [this](int, int state) {
        if (state == VideoPlayer::Running || state == VideoPlayer::Stopped)
            check();
        else
            m_timer->stop();
    });
    connect(&m_video, &VideoPlayer::positionSet, this, &PhraseEndWatch::follow);
}

void PhraseEndWatch::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    m_timer->stop();
    if (active) {
        follow(m_video.position());
        check();
    }
}

qint64 PhraseEndWatch::positionMs() const
{
    return qint64(std::llround(m_video.position() * 1000.0));
}

qint64 PhraseEndWatch::videoMs() const
{
    return qint64(std::llround(m_video.duration() * 1000.0));
}

void PhraseEndWatch::follow(double seconds)
{
    const qint64 ms = qint64(std::llround(seconds * 1000.0));
    // Before the first phrase (an introduction) the first phrase's end is the next one.
    m_phrase = std::max(0, phraseAt(m_phrases, ms));
    // In the silence after a phrase's own end the next phrase's end is the next one.
    if (const PhraseSpan span = phraseSpan(m_phrases, m_phrase, videoMs()); span.isValid() && ms >= span.endMs && ms >= m_phrases[size_t(m_phrase)].mseg)
        ++m_phrase;
    m_jumpMs = ms;
    m_sinceJump.start();
    if (m_active)
        check();
}

void PhraseEndWatch::check()
{
    m_timer->stop();
    if (!m_active || m_phrases.empty() || m_video.readyState() != VideoPlayer::Interactive)
        return;
    const int state = m_video.currentState();
    const qint64 position = positionMs();
    const qint64 length = videoMs();
    // Stopped is an end only at the video's end (the last phrase's end).
    if (state == VideoPlayer::Paused || (state == VideoPlayer::Stopped && position < length))
        return;
    if (m_jumpMs >= 0) {
        if (std::abs(position - m_jumpMs) > JumpTakenMs && m_sinceJump.elapsed() < JumpSettleMs) {
            m_timer->start(20);
            return;
        }
        m_jumpMs = -1;
    }
    if (m_phrase >= int(m_phrases.size())) {
        // Past the last phrase's end: nothing more until the video is back before it.
        if (position >= m_phrases.back().mseg)
            return;
        m_phrase = -1;
    }
    if (m_phrase < 0)
        m_phrase = std::max(0, phraseAt(m_phrases, position));
    const PhraseSpan span = phraseSpan(m_phrases, m_phrase, length);
    if (!span.isValid())
        return;
    if (position >= span.endMs) {
        const int ended = m_phrase;
        m_phrase = ended + 1;
        emit phraseEnded(ended, position - span.endMs);
        return;
    }
    if (state == VideoPlayer::Running && span.endMs - position <= ArmWithinMs)
        m_timer->start(int(span.endMs - position));
}
