#include "MediaPlayerCore.h"

#include "DiscFileReader.h"
#include "DiscSource.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QVideoSink>
#include <algorithm>
#include <cmath>

MediaPlayerCore::MediaPlayerCore(ReloadAfterEnd reload, QObject* parent)
    : QObject(parent)
    , m_reload(reload)
    , m_holdWatch(new QTimer(this))
{
    m_holdWatch->setInterval(kHoldCheckMs);
    connect(m_holdWatch, &QTimer::timeout, this, &MediaPlayerCore::checkHold);
    // The Qt player (a whole GStreamer pipeline) and its audio output are made at the
    // first load: a screen has several sound channels, and most of them stay empty at
    // start-up, where the first audio output alone starts the sound system's client.
}

MediaPlayerCore::~MediaPlayerCore()
{
    // The player goes before the output it plays into.
    m_player.reset();
}

void MediaPlayerCore::createPlayer()
{
    if (m_player) {
        // This may run inside a signal of the old player: let it go from the event
        // loop, cut off from us, so that its late errors reach nobody.
        disconnect(m_player.get(), nullptr, this, nullptr);
        m_player->setVideoOutput(nullptr);
        m_player->setAudioOutput(nullptr);
        m_player.release()->deleteLater();
    }
    if (!m_output) {
        m_output = std::make_unique<QAudioOutput>();
        m_output->setVolume(linearGain(m_volume));
    }
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setAudioOutput(m_output.get());
    if (m_videoOutput)
        m_player->setVideoSink(m_videoOutput);
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerCore::onMediaStatusChanged);
    connect(m_player.get(), &QMediaPlayer::durationChanged, this, [this](qint64 durationMs) {
        // Reloading passes through an empty source, whose duration is 0.
        if (durationMs > 0 && m_phase != Phase::Empty && !m_durationKnown)
            m_durationMs = durationMs;
    });
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
        // Errors while loading end in InvalidMedia, reported as failed().
        if (m_phase == Phase::Ready && !streamFailure().isEmpty())
            failStream();
        else if (m_phase == Phase::Ready)
            emit errorOccurred(text);
    });
}

void MediaPlayerCore::setVideoOutput(QVideoSink* sink)
{
    m_videoOutput = sink;
    if (m_player)
        m_player->setVideoSink(sink);
}

QMediaPlayer* MediaPlayerCore::player()
{
    if (!m_player)
        createPlayer();
    return m_player.get();
}

void MediaPlayerCore::load(const QString& file)
{
    m_url = QUrl::fromLocalFile(file);
    m_opener = DiscStreams::opener(file);
    m_phase = Phase::Loading;
    m_stale = false;
    m_atEnd = false;
    m_wantPlaying = false;
    m_pendingMs.reset();
    m_durationMs = 0;
    m_durationKnown = false;
    m_holdReloads = 0;
    startLoad();
}

void MediaPlayerCore::startLoad()
{
    ++m_generation;
    m_dirty = false;
    // Qt ignores a source it already has, so it is emptied first.
    clearSource();
    dropStream();
    if (m_opener && !QFileInfo(m_url.toLocalFile()).isFile()) {
        m_source = m_opener();
        m_sourceUrl = DiscSource::publish(m_source);
        player()->setSource(m_sourceUrl);
        return;
    }
    // Copied meanwhile: played from the copy from now on.
    m_opener = {};
    player()->setSource(m_url);
}

void MediaPlayerCore::dropStream()
{
    // A pipeline that read it and is still going away keeps what it reads.
    if (m_source)
        DiscSource::withdraw(m_sourceUrl);
    m_source.reset();
    m_sourceUrl.clear();
}

QString MediaPlayerCore::streamFailure() const
{
    return m_source ? m_source->failure() : QString();
}

void MediaPlayerCore::failStream()
{
    const QString reason = streamFailure();
    unload();
    createPlayer();
    emit failed(reason);
}

void MediaPlayerCore::clearSource()
{
    // Emptying stops the old file, and Qt reports that stop as a status of its
    // own (LoadedMedia): it says nothing about the file we are loading.
    if (!m_player)
        return;
    m_clearingSource = true;
    m_player->setSource(QUrl());
    m_clearingSource = false;
}

void MediaPlayerCore::unload()
{
    ++m_generation;
    m_holdWatch->stop();
    clearSource();
    dropStream();
    m_opener = {};
    m_url.clear();
    m_phase = Phase::Empty;
    m_stale = false;
    m_atEnd = false;
    m_wantPlaying = false;
    m_pendingMs.reset();
    m_durationMs = 0;
    m_durationKnown = false;
}

bool MediaPlayerCore::hasLoaded(const QString& file) const
{
    return (m_phase == Phase::Ready || m_phase == Phase::Reloading) && !m_stale && m_url == QUrl::fromLocalFile(file);
}

void MediaPlayerCore::onMediaStatusChanged(int status)
{
    if (m_clearingSource)
        return;
    switch (status) {
    case QMediaPlayer::LoadedMedia:
        if (m_phase == Phase::Loading || m_phase == Phase::Reloading) {
            // Qt reports Loaded before it knows the media is seekable, and ignores
            // seeks until then: carry on from the event loop.
            const int generation = m_generation;
            QMetaObject::invokeMethod(this, [this, generation] {
                if (generation == m_generation && (m_phase == Phase::Loading || m_phase == Phase::Reloading))
                    onLoaded();
            }, Qt::QueuedConnection);
        }
        break;
    case QMediaPlayer::InvalidMedia:
        if (m_phase == Phase::Ready && !streamFailure().isEmpty()) {
            failStream();
        } else if (m_phase == Phase::Loading || m_phase == Phase::Reloading) {
            QString reason = m_player->errorString().isEmpty() ? QStringLiteral("the file cannot be played") : m_player->errorString();
            if (!streamFailure().isEmpty())
                reason = streamFailure();
            unload();
            createPlayer();
            emit failed(reason);
        }
        break;
    case QMediaPlayer::EndOfMedia:
        if (m_phase == Phase::Ready && !streamFailure().isEmpty()) {
            // Read off a disc image up to a part that cannot be read: no end, a failure.
            failStream();
        } else if (m_phase == Phase::Ready && !m_dirty) {
            // Never played since it was loaded, yet at its end: the priming pause did not
            // hold it (see heldAway()). It is loaded afresh at its start; nothing ended.
            m_pendingMs = 0;
            m_stale = true;
            reloadIfStale();
        } else if (m_phase == Phase::Ready) {
            // A seek to the very end may also end the stream: that end was reported already.
            const bool wasAtEnd = m_atEnd;
            m_atEnd = true;
            m_wantPlaying = false;
            m_pendingMs.reset();
            m_stale = true;
            if (m_reload == ReloadAfterEnd::Immediately)
                reloadIfStale();
            if (!wasAtEnd)
                emit ended();
        }
        break;
    default:
        break;
    }
}

void MediaPlayerCore::onLoaded()
{
    const bool firstLoad = m_phase == Phase::Loading;
    m_phase = Phase::Ready;
    if (m_player->duration() > 0 && !m_durationKnown)
        m_durationMs = m_player->duration();
    prime(m_atEnd ? 0 : m_pendingMs.value_or(0));
    m_pendingMs.reset();
    if (!m_atEnd && m_wantPlaying) {
        m_dirty = true;
        m_player->play();
    }
    if (firstLoad)
        emit loaded();
}

void MediaPlayerCore::prime(qint64 startMs)
{
    // The audio sink's clock is set at loading and does not move until the first
    // play: one muted play and pause sets it going. The start is sought before,
    // while the sink has not played yet.
    m_output->setMuted(true);
    if (startMs > 0)
        m_player->setPosition(startMs);
    m_player->play();
    m_player->pause();
    m_output->setMuted(false);
    m_heldAtMs = m_player->position();
    m_holdChecks = 0;
    m_holdWatch->start();
}

void MediaPlayerCore::checkHold()
{
    if (m_phase != Phase::Ready || m_dirty || m_stale || m_wantPlaying || ++m_holdChecks > kHoldChecks) {
        m_holdWatch->stop();
        return;
    }
    if (!heldAway())
        return;
    m_holdWatch->stop();
    if (++m_holdReloads > kMaxHoldReloads)
        return; // play() still loads it afresh
    // Held where the owner last put it, or where the priming left it.
    if (!m_pendingMs)
        m_pendingMs = m_heldAtMs;
    m_stale = true;
    reloadIfStale();
}

bool MediaPlayerCore::heldAway() const
{
    // Measured under load (three busy processes on two cores): about one load in twenty,
    // the priming pause leaves the pipeline running silently, so that by the first play it
    // is seconds on, or at its end, and nothing is heard. A pipeline that moved while held
    // is not to be played.
    constexpr qint64 kHeldDriftMs = 100;
    return m_phase == Phase::Ready && !m_dirty && !m_stale && m_player->position() > m_heldAtMs + kHeldDriftMs;
}

void MediaPlayerCore::reloadIfStale()
{
    if (!m_stale)
        return;
    m_stale = false;
    m_phase = Phase::Reloading;
    startLoad();
}

void MediaPlayerCore::setKnownDuration(double seconds)
{
    if (m_phase == Phase::Empty || seconds <= 0)
        return;
    m_durationKnown = true;
    m_durationMs = std::llround(seconds * 1000.0);
}

void MediaPlayerCore::play()
{
    if (m_phase == Phase::Empty)
        return;
    m_wantPlaying = true;
    if (m_atEnd) {
        m_atEnd = false;
        m_pendingMs = 0;
    }
    // A seek while held, followed by a play, can leave a sink that has played
    // silent for good: such a player starts afresh from the position asked for.
    if (m_pendingMs && m_dirty && m_phase == Phase::Ready)
        m_stale = true;
    if (!m_pendingMs && heldAway()) {
        m_pendingMs = m_heldAtMs;
        m_stale = true;
    }
    reloadIfStale();
    if (m_phase != Phase::Ready)
        return;
    if (m_pendingMs) {
        m_player->setPosition(*m_pendingMs);
        m_pendingMs.reset();
    }
    m_dirty = true;
    m_player->play();
}

void MediaPlayerCore::pause()
{
    m_wantPlaying = false;
    if (m_phase == Phase::Ready && !m_atEnd && !m_stale)
        m_player->pause();
}

void MediaPlayerCore::stop()
{
    // Held, not stopped: Qt's stop seeks while held (see play()).
    m_wantPlaying = false;
    m_atEnd = false;
    m_pendingMs = 0;
    if (m_phase == Phase::Ready && !m_stale)
        m_player->pause();
}

bool MediaPlayerCore::setPosition(double seconds)
{
    if (m_phase == Phase::Empty)
        return false;
    const qint64 ms = std::max<qint64>(0, std::llround(seconds * 1000.0));
    if (m_durationMs > 0 && ms >= m_durationMs) {
        if (m_atEnd)
            return false;
        m_atEnd = true;
        m_wantPlaying = false;
        m_pendingMs.reset();
        if (m_phase == Phase::Ready && !m_stale)
            m_player->pause();
        return true;
    }
    m_atEnd = false;
    // Only a playing player seeks at once; a held one seeks when it plays again.
    if (m_phase == Phase::Ready && !m_stale && m_wantPlaying)
        m_player->setPosition(ms);
    else
        m_pendingMs = ms;
    return false;
}

double MediaPlayerCore::position() const
{
    if (m_phase == Phase::Empty)
        return 0.0;
    // Exactly the duration at the end: callers compare the two for equality.
    if (m_atEnd)
        return duration();
    if (m_pendingMs)
        return *m_pendingMs / 1000.0;
    if (m_phase != Phase::Ready || m_stale)
        return 0.0;
    return m_player->position() / 1000.0;
}

void MediaPlayerCore::setVolume(int hundredthsDb)
{
    m_volume = std::clamp(hundredthsDb, kSilentVolume, kFullVolume);
    if (m_output)
        m_output->setVolume(linearGain(m_volume));
}

float MediaPlayerCore::linearGain(int hundredthsDb)
{
    if (hundredthsDb <= kSilentVolume)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, std::min(hundredthsDb, kFullVolume) / 2000.0));
}
