#include "VideoPlayer.h"

#include "DiscStreams.h"
#include "MediaPlayerCore.h"
#include "Trace.h"
#include "VideoContainer.h"
#include "VideoSurface.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QJsonObject>
#include <QLabel>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QVBoxLayout>
#include <QVideoSink>
#include <algorithm>
#include <utility>

VideoPlayer::VideoPlayer(QWidget* parent)
    : QWidget(parent)
    , m_video(new VideoSurface(this))
    , m_message(new QLabel(this))
    , m_timer(new QTimer(this))
    , m_sizeWait(new QTimer(this))
    // Reloaded after its end only when played or positioned again, so that the
    // last picture stays on show.
    , m_core(std::make_unique<MediaPlayerCore>(MediaPlayerCore::ReloadAfterEnd::WhenNeeded))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_video);
    layout->addWidget(m_message);
    m_message->hide();
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setAutoFillBackground(true);
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    m_message->setPalette(palette);
    m_core->setVideoOutput(m_video->videoSink());

    m_timer->setInterval(kTimerIntervalMs);
    m_sizeWait->setSingleShot(true);
    m_sizeWait->setInterval(kSizeWaitMs);
    connect(m_sizeWait, &QTimer::timeout, this, &VideoPlayer::announceOpen);
    connect(m_timer, &QTimer::timeout, this, &VideoPlayer::timer);
    connect(m_core.get(), &MediaPlayerCore::loaded, this, &VideoPlayer::onLoaded);
    connect(m_core.get(), &MediaPlayerCore::failed, this, &VideoPlayer::failOpen);
    connect(m_core.get(), &MediaPlayerCore::ended, this, [this] { setPlayState(Stopped); });
    connect(m_core.get(), &MediaPlayerCore::errorOccurred, this, [this](const QString& text) { traceEvent("error", text); });
    // The sink announces a new size while holding its own lock, and asking it for
    // that size from inside the signal deadlocks: read it from the event loop.
    connect(m_video->videoSink(), &QVideoSink::videoSizeChanged, this, &VideoPlayer::updateNaturalSize, Qt::QueuedConnection);
}

VideoPlayer::~VideoPlayer() = default;

void VideoPlayer::setFileName(const QString& file)
{
    m_openPending = false;
    m_sizeWait->stop();
    setPlayState(Stopped);
    m_core->unload();
    m_file = file;
    m_naturalSize = QSize(0, 0);
    m_message->hide();
    m_message->clear();
    m_video->show();
    if (file.isEmpty()) {
        setReadyState(Uninitialized);
        return;
    }
    // A video still being copied off a disc image is played as it is read.
    const QFileInfo info(file);
    const bool streamed = DiscStreams::isStreamed(file);
    if (!info.exists() && !streamed)
        return failOpen(QStringLiteral("the file does not exist"));
    if (!streamed && (!info.isFile() || !info.isReadable()))
        return failOpen(QStringLiteral("the file cannot be read"));
    setReadyState(Loading);
    traceEvent("open");
    m_core->load(info.absoluteFilePath());
}

void VideoPlayer::onLoaded()
{
    // Without a decoder for its picture the player plays the sound alone.
    const VideoContainer container = VideoContainer::read(m_file);
    if (container.hasPicture() && !m_core->player()->hasVideo()) {
        m_core->unload();
        return failOpen(QStringLiteral("its picture (%1) cannot be decoded on this machine").arg(container.pictureCoding()));
    }
    m_core->setKnownDuration(container.seconds());
    // Connected to the player's metadata only now: reloads after the end change nothing.
    connect(m_core->player(), &QMediaPlayer::metaDataChanged, this, &VideoPlayer::updateNaturalSize, Qt::UniqueConnection);
    // Open means sized: some containers tell the picture's size only with the
    // first decoded picture, a moment after the file has loaded.
    m_openPending = true;
    updateNaturalSize();
    if (m_openPending && !m_core->player()->hasVideo())
        announceOpen();
    else if (m_openPending)
        m_sizeWait->start();
}

void VideoPlayer::announceOpen()
{
    if (!m_openPending)
        return;
    m_openPending = false;
    m_sizeWait->stop();
    setReadyState(Interactive);
    traceEvent("open");
    emit openComplete();
}

void VideoPlayer::failOpen(const QString& reason)
{
    m_openPending = false;
    m_sizeWait->stop();
    setPlayState(Stopped);
    setReadyState(Uninitialized);
    traceEvent("open", reason);
    // In place of a black picture, the learner is told which video cannot be played.
    m_video->hide();
    m_message->setText(QStringLiteral("No se puede reproducir el vídeo %1.").arg(QFileInfo(m_file).fileName()));
    m_message->show();
}

QString VideoPlayer::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void VideoPlayer::setReadyState(ReadyState state)
{
    if (m_readyState == state)
        return;
    m_readyState = state;
    emit readyStateChange(state);
}

void VideoPlayer::setPlayState(PlayState state)
{
    if (state == m_playState)
        return;
    const PlayState previous = m_playState;
    m_playState = state;
    if (state == Running)
        m_timer->start();
    else
        m_timer->stop();
    applyFullScreen();
    traceEvent("state");
    emit stateChange(previous, state);
}

void VideoPlayer::updateNaturalSize()
{
    QSize size = m_core->player()->metaData().value(QMediaMetaData::Resolution).toSize();
    if (!size.isValid() || size.isEmpty())
        size = m_video->videoSink()->videoSize();
    if (!size.isValid() || size.isEmpty())
        return;
    if (size != m_naturalSize) {
        m_naturalSize = size;
        // The control takes the size of its video, as the screens expect once it is open.
        resize(size);
        updateGeometry();
    }
    announceOpen();
}

double VideoPlayer::duration() const
{
    return m_core->duration();
}

double VideoPlayer::position() const
{
    return m_core->position();
}

void VideoPlayer::setPosition(double seconds)
{
    // Kept within the video; positioned at its end, a running video has ended.
    const double to = std::clamp(seconds, 0.0, std::max(duration(), 0.0));
    const bool atEnd = m_core->setPosition(to);
    emit positionSet(to);
    if (atEnd && m_playState == Running)
        setPlayState(Stopped);
}

int VideoPlayer::volume() const
{
    return m_core->volume();
}

void VideoPlayer::setVolume(int hundredthsDb)
{
    m_core->setVolume(hundredthsDb);
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
    const bool full = m_fullScreenMode == FullScreenMode::On && m_playState == Running;
    m_video->setFullScreen(full);
    // The picture on the whole screen is a window of its own that takes the keys and the
    // pointer: Esc or a click anywhere brings the video back into its place.
    if (full)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool VideoPlayer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease && std::exchange(m_swallowRelease, false))
        return true;
    const bool leave = (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (!leave || !isShowingFullScreen())
        return QWidget::eventFilter(watched, event);
    // The click that leaves the full screen is not also a click on what lies under it.
    m_swallowRelease = type != QEvent::KeyPress;
    setFullScreenMode(FullScreenMode::Off);
    traceEvent("fullscreen");
    return true;
}

void VideoPlayer::run()
{
    // An empty control, or one whose file failed to open, does nothing.
    if (m_readyState == Uninitialized)
        return;
    m_core->play();
    setPlayState(Running);
}

void VideoPlayer::pause()
{
    if (m_readyState == Uninitialized)
        return;
    m_core->pause();
    setPlayState(Paused);
}

void VideoPlayer::stop()
{
    if (m_readyState == Uninitialized)
        return;
    m_core->stop();
    setPlayState(Stopped);
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
