#include "PhrasePause.h"

#include "VideoPlayer.h"

PhrasePause::PhrasePause(VideoPlayer& video, QObject* parent)
    : QObject(parent)
    , m_video(video)
{
    // Played, stopped or moved by any other means, the video no longer waits here.
    connect(&m_video, &VideoPlayer::stateChange, this, [this](int, int state) {
        if (state != VideoPlayer::Paused)
            m_waiting = false;
    });
    connect(&m_video, &VideoPlayer::positionSet, this, [this] { m_waiting = false; });
}

bool PhrasePause::phraseEnded(int index)
{
    if (!m_on)
        return false;
    hold(index);
    return true;
}

void PhrasePause::hold(int index)
{
    // The last phrase ends with the video, which has stopped by itself; a video already
    // paused there (the end of a shadowing cycle) holds as it is.
    if (m_video.currentState() != VideoPlayer::Running && m_video.currentState() != VideoPlayer::Paused)
        return;
    if (m_video.currentState() == VideoPlayer::Running)
        m_video.pause();
    m_waiting = true;
    m_heldPhrase = index;
}

bool PhrasePause::canGoOn() const
{
    // Moved while it held (back to a phrase before, say), the video still waits for the
    // learner: it plays on from there and holds after that phrase.
    return m_waiting || (m_on && m_video.currentState() == VideoPlayer::Paused);
}

bool PhrasePause::goOn()
{
    if (!canGoOn())
        return false;
    m_waiting = false;
    m_video.run();
    return true;
}
