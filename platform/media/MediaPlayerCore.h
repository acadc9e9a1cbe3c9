#pragma once

#include "DiscStreams.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class DiscFileReader;
class QAudioOutput;
class QMediaPlayer;
class QTimer;
class QVideoSink;

/// One Qt media player with its audio output, made dependable for the course's
/// sound and video stand-ins (MediaPlayer, VideoPlayer), which keep their own
/// play states on top of it. It works around what GStreamer does here:
/// - the first play after a file has loaded starts late by as long as the file sat
///   loaded: every load is primed with one muted play and pause. Under load that pause
///   sometimes does not hold: a pipeline found moved on (or at its end) before its
///   first play is loaded afresh;
/// - on a pipeline that has played, a flushing seek while it is held (which is
///   also what Qt's stop does), followed by a play, often leaves the audio sink
///   silent for good: its clock goes astray and every sample is dropped as late.
///   Seeks while playing, pause-and-resume and seeks before the first play are
///   safe. So a position asked for while not playing is kept; the next play seeks
///   to it directly if the pipeline has not played since it was loaded, and
///   otherwise loads the file afresh at that position. Stop only holds;
/// - once the sink has played to the end of its stream, no replay of the same
///   pipeline is safe: after the end the file is loaded afresh, and seeks and plays
///   asked for meanwhile are applied once it is back;
/// - a file that failed to load may still post errors that would be taken for the
///   next file's: the player is replaced after a failure;
/// - Qt ignores a source it already has: loading always starts afresh.
/// The duration is kept across reloads, and the position reads exactly the
/// duration once the media has reached its end.
/// A file still being copied off a disc image (DiscStreams) is played straight off the
/// image (DiscSource) until its copy is there; a part of it that cannot be read ends the
/// file as one that failed (failed()).
class MediaPlayerCore : public QObject {
    Q_OBJECT

public:
    /// When the file is loaded afresh after its end: at once (ready for a loop on
    /// the next tick) or only when it is played or positioned again (the last
    /// video frame stays on show meanwhile).
    enum class ReloadAfterEnd { Immediately, WhenNeeded };

    explicit MediaPlayerCore(ReloadAfterEnd reload, QObject* parent = nullptr);
    ~MediaPlayerCore() override;

    /// Shows the video through SINK (null: audio only).
    void setVideoOutput(QVideoSink* sink);

    /// Starts loading FILE (which must exist); loaded() or failed() follows from
    /// the event loop. Positioned at the start, not playing.
    void load(const QString& file);
    /// Empties the player; it falls silent and lets go of the sound device.
    void unload();
    bool isEmpty() const { return m_phase == Phase::Empty; }
    /// True while the first load of a file is under way.
    bool isLoading() const { return m_phase == Phase::Loading; }
    /// Same file, loaded and not yet played to its end: starting it over needs no load now.
    bool hasLoaded(const QString& file) const;

    /// Plays from the current position; at the end it starts again from the start.
    /// Asked for while loading, it happens once the file is there.
    void play();
    /// Holds at the current position.
    void pause();
    /// Holds; the position reads 0 and the next play starts from the start (the
    /// picture on show stays until then).
    void stop();
    /// Moves to SECONDS (not below 0). Returns true when this reaches the end of the
    /// media, where the player then holds without playing.
    bool setPosition(double seconds);

    /// Takes SECONDS as the media's length, told by the file itself, instead of what
    /// the player estimates (it estimates some streams from their bit rate); until the
    /// next load.
    void setKnownDuration(double seconds);

    bool isAtEnd() const { return m_atEnd; }
    double duration() const { return m_durationMs / 1000.0; }
    double position() const;

    /// Volume in hundredths of a decibel, clamped to [-10000, 0].
    void setVolume(int hundredthsDb);
    int volume() const { return m_volume; }

    /// The Qt player, for what it reports about the media (metadata); made if no file
    /// was loaded yet.
    QMediaPlayer* player();

    /// Linear gain for a volume in hundredths of a decibel: 10^(v / 2000), and
    /// exactly 0 at -10000 and below.
    static float linearGain(int hundredthsDb);

    static constexpr int kSilentVolume = -10000;
    static constexpr int kFullVolume = 0;

signals:
    /// The file asked for by load() is ready.
    void loaded();
    /// The file could not be loaded, or could not be read on while it played off a disc
    /// image (REASON says why); the player is empty.
    void failed(const QString& reason);
    /// The media has played to its end.
    void ended();
    /// An error while playing a loaded file.
    void errorOccurred(const QString& text);

private:
    enum class Phase { Empty, Loading, Ready, Reloading };
    // A pipeline that runs away from its priming does so at once: watched for its first 3 s.
    static constexpr int kHoldCheckMs = 200;
    static constexpr int kHoldChecks = 15;
    static constexpr int kMaxHoldReloads = 3;

    void createPlayer();
    void startLoad();
    void clearSource();
    void dropStream();
    /// Why reading the file off its disc image failed; empty when it has not (or it is read
    /// from a file).
    QString streamFailure() const;
    void failStream();
    void onMediaStatusChanged(int status);
    void onLoaded();
    void prime(qint64 startMs);
    void reloadIfStale();
    /// True when a primed pipeline that has not played since has moved on by itself.
    bool heldAway() const;
    /// A while after priming: a pipeline that the priming pause did not hold is loaded
    /// afresh at once, not only at the next play (meanwhile its picture would run unseen
    /// by its owner, who holds it stopped).
    void checkHold();

    const ReloadAfterEnd m_reload;
    // The output outlives the player that plays into it.
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
    QVideoSink* m_videoOutput = nullptr;
    QUrl m_url;
    DiscStreams::Opener m_opener;       ///< the file read off its disc image while its copy is not there
    std::shared_ptr<const DiscFileReader> m_source; ///< what the player reads now, when not the file
    QUrl m_sourceUrl;                               ///< m_source as the player knows it
    Phase m_phase = Phase::Empty;
    bool m_clearingSource = false;
    bool m_stale = false;
    // Played since it was (re)loaded: a seek while held is no longer safe.
    bool m_dirty = false;
    int m_generation = 0;
    bool m_atEnd = false;
    bool m_wantPlaying = false;
    // A position asked for while not playing, taken when playing starts.
    std::optional<qint64> m_pendingMs;
    qint64 m_durationMs = 0;
    // Where the priming left the pipeline held.
    qint64 m_heldAtMs = 0;
    QTimer* m_holdWatch = nullptr;
    int m_holdChecks = 0;   ///< since the last priming
    int m_holdReloads = 0;  ///< since the last load(): a bound on reloads for a pipeline that never holds
    bool m_durationKnown = false;
    int m_volume = kFullVolume;
};
