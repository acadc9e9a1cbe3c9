#include "MediaPlayer.h"

#include "CourseError.h"
#include "DiscStreams.h"
#include "MediaPlayerCore.h"
#include "SoundCache.h"
#include "Trace.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QTimer>
#include <utility>

namespace {

// Loading a local sound takes some 10-25 ms here; the bound only matters for a
// pipeline that never settles.
constexpr int kLoadTimeoutMs = 5000;

} // namespace

MediaPlayer::MediaPlayer(QObject* parent)
    : QObject(parent)
    // Reloaded at once after its end, so that a loop restarts on the next tick.
    , m_core(std::make_unique<MediaPlayerCore>(MediaPlayerCore::ReloadAfterEnd::Immediately))
{
    connect(m_core.get(), &MediaPlayerCore::ended, this, &MediaPlayer::onEnded);
    connect(m_core.get(), &MediaPlayerCore::failed, this, &MediaPlayer::onFailed);
    connect(m_core.get(), &MediaPlayerCore::errorOccurred, this,
            [this](const QString& text) { traceError("error", m_file, text); });
}

MediaPlayer::~MediaPlayer() = default;

void MediaPlayer::setTrace(Trace* trace, const QString& channel)
{
    m_trace = trace;
    m_channel = channel;
}

void MediaPlayer::render(const QString& file)
{
    m_file = file;
    m_state = State::Stopped;
    m_completionPending = false;

    // Never hand GStreamer a missing file: it answers with two errors, and the
    // second one arrives late enough to fail the next file loaded.
    // A sound still being copied off a disc image is played as it is read.
    const QFileInfo info(file);
    const bool streamed = DiscStreams::isStreamed(file);
    if (!info.exists() && !streamed)
        failRender(file, QStringLiteral("the file does not exist"));
    if (!streamed && (!info.isFile() || !info.isReadable()))
        failRender(file, QStringLiteral("the file cannot be read"));

    // GStreamer mis-times most WAVE codings of the period: those play from a PCM copy.
    const SoundCache::Playable playable = SoundCache::playable(info.absoluteFilePath(), m_trace);
    if (!playable.error.isEmpty())
        failRender(file, playable.error);
    const QString path = playable.file;
    if (m_core->hasLoaded(path)) {
        m_core->stop();
    } else {
        const QString failure = loadAndWait(path);
        if (!failure.isEmpty())
            failRender(file, failure);
    }
    trace("render", duration());
}

QString MediaPlayer::loadAndWait(const QString& path)
{
    // Listening starts before loading: a file may fail at once.
    QString failure;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(m_core.get(), &MediaPlayerCore::loaded, &loop, &QEventLoop::quit);
    connect(m_core.get(), &MediaPlayerCore::failed, &loop, [&loop, &failure](const QString& reason) {
        failure = reason;
        loop.quit();
    });
    m_rendering = true;
    m_core->load(path);
    if (m_core->isLoading()) {
        timeout.start(kLoadTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_rendering = false;
    if (failure.isEmpty() && m_core->isLoading()) {
        m_core->unload();
        failure = QStringLiteral("it did not load within %1 s").arg(kLoadTimeoutMs / 1000);
    }
    return failure;
}

void MediaPlayer::failRender(const QString& file, const QString& reason)
{
    traceError("render", file, reason);
    m_file.clear();
    m_core->unload();
    throw CourseError(QStringLiteral("Cannot play the sound file %1: %2").arg(file, reason));
}

void MediaPlayer::onFailed(const QString& reason)
{
    // render() reports the failures of the file it loads itself; this is a file
    // that went missing while it was being played.
    if (m_rendering)
        return;
    traceError("error", m_file, reason);
    m_file.clear();
    m_state = State::Stopped;
}

void MediaPlayer::release()
{
    trace("release");
    m_core->unload();
    m_file.clear();
    m_state = State::Stopped;
    m_completionPending = false;
}

void MediaPlayer::run()
{
    trace("run");
    if (m_core->isAtEnd()) {
        // Nothing is left to play: a player run at its end completes at once, and a
        // completed one stays at its end until its position is set again.
        const bool wasRunning = m_state == State::Running;
        m_state = State::Running;
        if (!wasRunning)
            markCompleted();
        return;
    }
    m_core->play();
    m_state = State::Running;
}

void MediaPlayer::pause()
{
    trace("pause");
    m_core->pause();
    m_state = State::Paused;
}

void MediaPlayer::stop()
{
    trace("stop");
    m_core->stop();
    m_state = State::Stopped;
}

void MediaPlayer::onEnded()
{
    // A stopped player ignores the end its pipeline may still report.
    if (m_state != State::Stopped)
        markCompleted();
}

void MediaPlayer::markCompleted()
{
    m_completionPending = true;
    emit mediaCompleted();
}

bool MediaPlayer::completed(int timeoutMs)
{
    if (!m_completionPending && timeoutMs > 0 && m_state == State::Running && !m_core->isAtEnd() && !m_file.isEmpty()) {
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
    return m_core->duration();
}

double MediaPlayer::position() const
{
    return m_core->position();
}

void MediaPlayer::setPosition(double seconds)
{
    trace("rewind", seconds);
    if (m_file.isEmpty())
        return;
    if (m_core->setPosition(seconds)) {
        if (m_state == State::Running)
            markCompleted();
        return;
    }
    // Our player runs on from the new position, also after it had completed.
    if (m_state == State::Running)
        m_core->play();
}

int MediaPlayer::volume() const
{
    return m_core->volume();
}

void MediaPlayer::setVolume(int hundredthsDb)
{
    m_core->setVolume(hundredthsDb);
    trace("volume", m_core->volume());
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
