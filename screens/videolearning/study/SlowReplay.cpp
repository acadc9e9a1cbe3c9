#include "SlowReplay.h"

#include "TempoPlayer.h"
#include "VideoPlayer.h"

SlowReplay::SlowReplay(VideoPlayer& video, Trace& trace, QObject* parent)
    : QObject(parent)
    , m_video(video)
    , m_player(new TempoPlayer(this))
{
    m_player->setTrace(&trace);
    connect(m_player, &TempoPlayer::finished, this, &SlowReplay::finished);
    connect(m_player, &TempoPlayer::failed, this, &SlowReplay::failed);
    // The learner plays the video again: the replay gives way.
    connect(&m_video, &VideoPlayer::stateChange, this, [this](int, int state) {
        if (state == VideoPlayer::Running)
            m_player->stop();
    });
}

SlowReplay::~SlowReplay() = default;

bool SlowReplay::play(int index, const PhraseSpan& span, double rate)
{
    Q_UNUSED(index)
    if (!span.isValid() || m_video.fileName().isEmpty())
        return false;
    m_rate = rate;
    if (m_video.currentState() == VideoPlayer::Running)
        m_video.pause();
    m_video.setPosition(span.startSeconds());
    m_player->setVolume(m_video.volume());
    return m_player->play(m_video.fileName(), span.startSeconds(), span.endSeconds(), rate);
}

void SlowReplay::stop()
{
    m_player->stop();
}

bool SlowReplay::isPlaying() const
{
    return m_player->isPlaying();
}
