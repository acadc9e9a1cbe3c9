#include "VideoPlayer.h"

#include "MediaPlayer.h"
#include "Trace.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QJsonObject>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>
#include <algorithm>
#include <cmath>

VideoPlayer::VideoPlayer(QWidget* parent)
    : QWidget(parent)
    , m_video(new QVideoWidget(this))
    , m_timer(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_video);

    m_timer->setInterval(kTimerIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &VideoPlayer::timer);
    // The sink announces a new size while holding its own lock, and asking it for
    // that size from inside the signal deadlocks: read it from the event loop.
    connect(m_video->videoSink(), &QVideoSink::videoSizeChanged, this, &VideoPlayer::updateNaturalSize, Qt::QueuedConnection);
    createPlayer();
}

VideoPlayer::~VideoPlayer()
{
    // The player goes before the output it plays into.
    m_player.reset();
}

void VideoPlayer::createPlayer()
{
    if (m_player) {
        // This may run inside a signal of the old player: let it go from the event
        // loop, cut off from us, so that its late errors reach nobody.
        disconnect(m_player.get(), nullptr, this, nullptr);
        m_player->setVideoOutput(nullptr);
        m_player->setAudioOutput(nullptr);
        m_player.release()->deleteLater();
    }
    m_output = std::make_unique<QAudioOutput>();
    m_output->setVolume(MediaPlayer::linearGain(m_volume));
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setAudioOutput(m_output.get());
    m_player->setVideoOutput(m_video);
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this, &VideoPlayer::onMediaStatusChanged);
    connect(m_player.get(), &QMediaPlayer::playbackStateChanged, this, &VideoPlayer::onPlaybackStateChanged);
    connect(m_player.get(), &QMediaPlayer::metaDataChanged, this, &VideoPlayer::updateNaturalSize);
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
        // While loading, the failure is reported with the open that failed.
        if (m_readyState == Interactive)
            traceEvent("error", text);
    });
}

void VideoPlayer::setFileName(const QString& file)
{
    m_file = file;
    m_naturalSize = QSize(0, 0);
    // A video named again is loaded afresh, so that it reports its opening again:
    // Qt would ignore a source it already has.
    m_player->setSource(QUrl());
    if (file.isEmpty()) {
        setReadyState(Uninitialized);
        return;
    }
    const QFileInfo info(file);
    if (!info.exists())
        return failOpen(QStringLiteral("the file does not exist"));
    if (!info.isFile() || !info.isReadable())
        return failOpen(QStringLiteral("the file cannot be read"));
    setReadyState(Loading);
    traceEvent("open");
    m_player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void VideoPlayer::onMediaStatusChanged(int status)
{
    if (m_readyState != Loading)
        return;
    if (status == QMediaPlayer::LoadedMedia) {
        // The priming play and pause are no change of play state for our callers.
        m_priming = true;
        MediaPlayer::primeOutput(m_player.get(), m_output.get());
        m_priming = false;
        updateNaturalSize();
        setReadyState(Interactive);
        traceEvent("open");
        emit openComplete();
    } else if (status == QMediaPlayer::InvalidMedia) {
        failOpen(m_player->errorString().isEmpty() ? QStringLiteral("it is not a playable video") : m_player->errorString());
    }
}

void VideoPlayer::failOpen(const QString& reason)
{
    setReadyState(Uninitialized);
    traceEvent("open", reason);
    createPlayer();
}

void VideoPlayer::setReadyState(ReadyState state)
{
    if (m_readyState == state)
        return;
    m_readyState = state;
    emit readyStateChange(state);
}

void VideoPlayer::onPlaybackStateChanged(int state)
{
    if (m_priming)
        return;
    PlayState next = Stopped;
    if (state == QMediaPlayer::PlayingState)
        next = Running;
    else if (state == QMediaPlayer::PausedState)
        next = Paused;
    if (next == m_playState)
        return;
    const PlayState previous = m_playState;
    m_playState = next;
    if (next == Running)
        m_timer->start();
    else
        m_timer->stop();
    applyFullScreen();
    traceEvent("state");
    emit stateChange(previous, next);
}

void VideoPlayer::updateNaturalSize()
{
    QSize size = m_player->metaData().value(QMediaMetaData::Resolution).toSize();
    if (!size.isValid() || size.isEmpty())
        size = m_video->videoSink()->videoSize();
    if (!size.isValid() || size.isEmpty() || size == m_naturalSize)
        return;
    m_naturalSize = size;
    // The control takes the size of its video, as the screens expect once it is open.
    resize(size);
    updateGeometry();
}

double VideoPlayer::duration() const
{
    return m_player->duration() / 1000.0;
}

double VideoPlayer::position() const
{
    return m_player->position() / 1000.0;
}

void VideoPlayer::setPosition(double seconds)
{
    const double length = duration();
    seconds = length > 0 ? std::clamp(seconds, 0.0, length) : std::max(0.0, seconds);
    m_player->setPosition(std::llround(seconds * 1000.0));
}

void VideoPlayer::setVolume(int hundredthsDb)
{
    m_volume = std::clamp(hundredthsDb, MediaPlayer::kSilentVolume, MediaPlayer::kFullVolume);
    m_output->setVolume(MediaPlayer::linearGain(m_volume));
}

void VideoPlayer::setFullScreenMode(FullScreenMode mode)
{
    m_fullScreenMode = mode;
    applyFullScreen();
}

bool VideoPlayer::isShowingFullScreen() const
{
    return m_video->isFullScreen();
}

void VideoPlayer::applyFullScreen()
{
    // A picture that fills the screen hides everything the learner could click,
    // so it fills the screen only while it runs.
    m_video->setFullScreen(m_fullScreenMode == FullScreenMode::On && m_playState == Running);
}

void VideoPlayer::run()
{
    // An empty control, or one whose file failed to open, does nothing.
    if (m_readyState == Uninitialized)
        return;
    m_player->play();
}

void VideoPlayer::pause()
{
    if (m_readyState != Uninitialized)
        m_player->pause();
}

void VideoPlayer::stop()
{
    if (m_readyState != Uninitialized)
        m_player->stop();
}

void VideoPlayer::traceEvent(const char* op, const QString& error) const
{
    if (!m_trace)
        return;
    const bool playing = qstrcmp(op, "state") == 0;
    QJsonObject fields{{QStringLiteral("op"), QString::fromLatin1(op)}, {QStringLiteral("file"), m_file},
                       {QStringLiteral("state"), playing ? int(m_playState) : int(m_readyState)}};
    if (!error.isEmpty())
        fields.insert(QStringLiteral("error"), error);
    m_trace->event("video", fields);
}
