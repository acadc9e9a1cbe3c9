#pragma once

#include "MediaPlayerCore.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QJsonObject;
class Trace;

/// The sound player behind the course's sound channels and sound tracks: a file is
/// rendered into it, then run, paused, stopped, positioned and polled for completion.
///
/// It behaves as the course expects of its players, which Qt's player does not do
/// by itself:
/// - after its media completes it still counts as running, positioned at the end
///   (position() == duration()); setting the position back then plays again, which
///   is how a background sound loops;
/// - completed() reports each completion exactly once and, with a time-out of 0,
///   never waits, so a 100 ms upkeep tick costs next to nothing;
/// - pause keeps the position and a run after pause continues from there; stop
///   returns to the start;
/// - volume is in hundredths of a decibel (0 full, -10000 silent).
///
/// One Qt player lives as long as this object (it is replaced only after a file
/// failed to load): rendering another file loads it
/// into that player instead of building a new one, and rendering the file it
/// already holds only returns to the start. The GStreamer quirks it works around
/// are described in MediaPlayerCore.
///
/// render() decides synchronously whether a file can be played: a file that does
/// not exist or cannot be read is refused before the player sees it, and otherwise
/// render() waits in a bounded local event loop (user input excluded, timers still
/// served) until the player has either loaded the file or given up on it. Timers of
/// the caller may therefore fire during render(); everything here stays consistent
/// when they call back into this player.
class MediaPlayer : public QObject {
    Q_OBJECT

public:
    enum class State { Stopped, Paused, Running };

    /// Silence and full volume in hundredths of a decibel.
    static constexpr int kSilentVolume = MediaPlayerCore::kSilentVolume;
    static constexpr int kFullVolume = MediaPlayerCore::kFullVolume;

    explicit MediaPlayer(QObject* parent = nullptr);
    ~MediaPlayer() override;
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    /// Writes this player's operations to TRACE as `sound` events naming CHANNEL;
    /// a null trace writes nothing.
    void setTrace(Trace* trace, const QString& channel);
    QString channel() const { return m_channel; }

    /// Loads FILE, stopped at its start with no completion pending. Throws
    /// CourseError naming FILE when it does not exist, cannot be read or cannot be
    /// played; the player is then empty.
    void render(const QString& file);
    /// Empties the player: it falls silent and lets go of the sound device.
    void release();
    /// The file last rendered, empty while the player is empty.
    QString file() const { return m_file; }

    /// Plays from the current position. An empty player only changes its state; a
    /// player at the end of its media completes at once.
    void run();
    /// Holds the sound at its current position.
    void pause();
    /// Stops and returns to the start.
    void stop();
    State state() const { return m_state; }

    /// True once for each time the media played to its end. Waits up to timeoutMs
    /// milliseconds for the end while running; 0 (or less) never waits.
    bool completed(int timeoutMs);

    /// Length of the media in seconds; 0 while empty.
    double duration() const;
    /// Current position in seconds; equals duration() once the media has completed.
    double position() const;
    /// Moves to SECONDS (clamped to the media). A running player plays on from
    /// there, including one that had completed.
    void setPosition(double seconds);

    /// Volume in hundredths of a decibel as last set, 0 = full.
    int volume() const;
    /// Sets the volume in hundredths of a decibel, clamped to [-10000, 0].
    void setVolume(int hundredthsDb);

signals:
    /// The media has just played to its end (completed() reports it once as well).
    void mediaCompleted();

private:
    /// Loads PATH and waits until it is loaded or has failed; the reason when it failed.
    QString loadAndWait(const QString& path);
    void onEnded();
    void onFailed(const QString& reason);
    void markCompleted();
    QJsonObject soundFields(const char* op, const QString& file) const;
    void trace(const char* op, std::optional<double> value = {}) const;
    void traceError(const char* op, const QString& file, const QString& error) const;
    [[noreturn]] void failRender(const QString& file, const QString& reason);

    std::unique_ptr<MediaPlayerCore> m_core;
    QString m_file;
    State m_state = State::Stopped;
    bool m_completionPending = false;
    bool m_rendering = false;
    Trace* m_trace = nullptr;
    QString m_channel;
};
