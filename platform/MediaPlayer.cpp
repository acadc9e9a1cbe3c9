#include "MediaPlayer.h"

#include "CourseError.h"
#include "Trace.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Loading a local file takes some 10-25 ms here; the bound only matters for a
// pipeline that never settles.
constexpr int kLoadTimeoutMs = 5000;

qint64 toMs(double seconds)
{
    return std::llround(seconds * 1000.0);
}

bool hasLoaded(QMediaPlayer::MediaStatus status)
{
    return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia
        || status == QMediaPlayer::BufferedMedia || status == QMediaPlayer::EndOfMedia;
}

} // namespace

MediaPlayer::MediaPlayer(QObject* parent)
    : QObject(parent)
{
    createPlayer();
}

MediaPlayer::~MediaPlayer()
{
    // The player goes before the output it plays into.
    m_player.reset();
}

void MediaPlayer::setTrace(Trace* trace, const QString& channel)
{
    m_trace = trace;
    m_channel = channel;
}

void MediaPlayer::createPlayer()
{
    m_player.reset();
    m_output = std::make_unique<QAudioOutput>();
    m_output->setVolume(linearGain(m_volume));
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setAudioOutput(m_output.get());
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        // A stopped player ignores the end its pipeline may still report.
        if (status == QMediaPlayer::EndOfMedia && m_state != State::Stopped && !m_atEnd)
            markCompleted();
    });
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
        // render() reports the errors of a file that is still loading itself.
        if (m_player->mediaStatus() != QMediaPlayer::LoadingMedia)
            traceError("error", m_file, text);
    });
}

void MediaPlayer::render(const QString& file)
{
    m_file = file;
    m_state = State::Stopped;
    m_atEnd = false;
    m_completionPending = false;

    // Never hand GStreamer a missing file: it answers with two errors, and the
    // second one arrives late enough to fail the next file loaded.
    const QFileInfo info(file);
    if (!info.exists())
        failRender(file, QStringLiteral("the file does not exist"));
    if (!info.isFile() || !info.isReadable())
        failRender(file, QStringLiteral("the file cannot be read"));

    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (m_player->source() == url && hasLoaded(m_player->mediaStatus())) {
        // Qt ignores a source it already has; a fresh render means back to the start.
        m_player->stop();
        m_player->setPosition(0);
        trace("render", duration());
        return;
    }
    m_player->setSource(url);
    waitForLoad();
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::InvalidMedia:
        failRender(file, m_player->errorString().isEmpty() ? QStringLiteral("it is not a playable sound") : m_player->errorString());
    case QMediaPlayer::LoadingMedia:
        failRender(file, QStringLiteral("it did not load within %1 s").arg(kLoadTimeoutMs / 1000));
    default:
        break;
    }
    primeOutput(m_player.get(), m_output.get());
    trace("render", duration());
}

void MediaPlayer::primeOutput(QMediaPlayer* player, QAudioOutput* output)
{
    // With GStreamer, the first play after a file has loaded is late by as long as
    // the player sat loaded (the audio sink's clock was calibrated at loading and
    // has not moved since). One muted play and pause right after loading sets it
    // going, after which every run starts within the sink's latency.
    output->setMuted(true);
    player->play();
    player->pause();
    player->setPosition(0);
    output->setMuted(false);
}

void MediaPlayer::waitForLoad()
{
    if (m_player->mediaStatus() != QMediaPlayer::LoadingMedia)
        return;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, &loop, [&loop](QMediaPlayer::MediaStatus status) {
        if (status != QMediaPlayer::LoadingMedia)
            loop.quit();
    });
    timeout.start(kLoadTimeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void MediaPlayer::failRender(const QString& file, const QString& reason)
{
    traceError("render", file, reason);
    // A fresh player: the failed pipeline may still post errors that would
    // otherwise be taken for the next file's.
    m_file.clear();
    createPlayer();
    throw CourseError(QStringLiteral("Cannot play the sound file %1: %2").arg(file, reason));
}

void MediaPlayer::release()
{
    trace("release");
    m_player->setSource(QUrl());
    m_file.clear();
    m_state = State::Stopped;
    m_atEnd = false;
    m_completionPending = false;
}

void MediaPlayer::run()
{
    trace("run");
    if (m_atEnd) {
        // Nothing is left to play: a player run at its end completes at once, and a
        // completed one stays at its end until its position is set again.
        const bool wasRunning = m_state == State::Running;
        m_state = State::Running;
        if (!wasRunning)
            markCompleted();
        return;
    }
    if (!m_file.isEmpty())
        m_player->play();
    m_state = State::Running;
}

void MediaPlayer::pause()
{
    trace("pause");
    if (!m_file.isEmpty() && !m_atEnd)
        m_player->pause();
    m_state = State::Paused;
}

void MediaPlayer::stop()
{
    trace("stop");
    if (!m_file.isEmpty()) {
        m_player->stop();
        // Qt leaves a player that reached its end at the end even when stopped.
        m_player->setPosition(0);
    }
    m_state = State::Stopped;
    m_atEnd = false;
}

void MediaPlayer::markCompleted()
{
    m_atEnd = true;
    m_completionPending = true;
    emit mediaCompleted();
}

bool MediaPlayer::completed(int timeoutMs)
{
    if (!m_completionPending && timeoutMs > 0 && m_state == State::Running && !m_atEnd && !m_file.isEmpty()) {
        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &MediaPlayer::mediaCompleted, &loop, &QEventLoop::quit);
        timeout.start(timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return std::exchange(m_completionPending, false);
}

double MediaPlayer::duration() const
{
    return m_file.isEmpty() ? 0.0 : m_player->duration() / 1000.0;
}

double MediaPlayer::position() const
{
    if (m_file.isEmpty())
        return 0.0;
    // Exactly the duration at the end: callers compare the two for equality.
    return m_atEnd ? duration() : m_player->position() / 1000.0;
}

void MediaPlayer::setPosition(double seconds)
{
    trace("rewind", seconds);
    if (m_file.isEmpty())
        return;
    const double length = duration();
    seconds = std::max(0.0, seconds);
    if (length > 0 && seconds >= length) {
        holdAtEnd();
        return;
    }
    m_atEnd = false;
    m_player->setPosition(toMs(seconds));
    // Qt's player stops at the end of its media; ours runs on from the new position.
    if (m_state == State::Running && m_player->playbackState() != QMediaPlayer::PlayingState)
        m_player->play();
}

void MediaPlayer::holdAtEnd()
{
    if (m_atEnd)
        return;
    // Hold the pipeline so that Qt does not report a second end of its own.
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        m_player->pause();
    m_player->setPosition(m_player->duration());
    if (m_state == State::Running)
        markCompleted();
    else
        m_atEnd = true;
}

void MediaPlayer::setVolume(int hundredthsDb)
{
    m_volume = std::clamp(hundredthsDb, kSilentVolume, kFullVolume);
    m_output->setVolume(linearGain(m_volume));
    trace("volume", m_volume);
}

float MediaPlayer::linearGain(int hundredthsDb)
{
    if (hundredthsDb <= kSilentVolume)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, std::min(hundredthsDb, kFullVolume) / 2000.0));
}

QJsonObject MediaPlayer::soundFields(const char* op, const QString& file) const
{
    return {{QStringLiteral("channel"), m_channel}, {QStringLiteral("op"), QString::fromLatin1(op)}, {QStringLiteral("file"), file}};
}

void MediaPlayer::trace(const char* op, std::optional<double> value) const
{
    if (!m_trace)
        return;
    QJsonObject fields = soundFields(op, m_file);
    if (value)
        fields.insert(QStringLiteral("value"), *value);
    m_trace->event("sound", fields);
}

void MediaPlayer::traceError(const char* op, const QString& file, const QString& error) const
{
    if (!m_trace)
        return;
    QJsonObject fields = soundFields(op, file);
    fields.insert(QStringLiteral("error"), error);
    m_trace->event("sound", fields);
}
