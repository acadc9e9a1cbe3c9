#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class MediaPlayerCore;
class QLabel;
class QTimer;
class Trace;
class VideoSurface;

/// The video control the course's video screens host: a bare picture of the
/// video, without controls or display panel of its own, painted as one of the screen's
/// widgets (VideoSurface), so that whatever opens over it is seen whole. A file is opened by
/// naming it; the control reports readiness, play-state changes and, while
/// playing, a periodic timer, and takes run, pause, stop, position, volume and
/// full-screen mode.
///
/// Opening is asynchronous: readyStateChange(Interactive) and openComplete()
/// follow setFileName() from the event loop once the file is open, when the
/// control has also taken the video's natural size. A file that cannot be opened
/// never gets there; the trace says why (`video` {op: "open", file, state, error}) and
/// the control shows the learner, in place of the picture, that it cannot play the file
/// (by name). A file whose picture this machine cannot decode counts as one that cannot
/// be opened, rather than playing its sound behind a black picture.
///
/// The play state is the one asked for: run() reports Running at once, also while
/// the file is still opening (it starts playing when it is open). Reaching the end
/// stops it; the last picture stays on show until it is played again. Positions
/// set while it is not playing are taken when it plays (the picture follows then).
class VideoPlayer : public QWidget {
    Q_OBJECT

public:
    /// Ready states as the course numbers them.
    enum ReadyState { Uninitialized = -1, Loading = 0, Interactive = 3 };
    /// Play states as the course numbers them.
    enum PlayState { Stopped = 0, Paused = 1, Running = 2 };
    enum class FullScreenMode { Off, On };

    explicit VideoPlayer(QWidget* parent = nullptr);
    ~VideoPlayer() override;

    /// Writes this control's opening, playing and failures as `video` events.
    void setTrace(Trace* trace) { m_trace = trace; }

    /// Opens FILE (stopped, ready state Loading until it is open); an empty name closes the control.
    void setFileName(const QString& file);
    QString fileName() const { return m_file; }
    int readyState() const { return m_readyState; }

    /// Length in seconds; 0 until the file is open.
    double duration() const;
    /// Position in seconds.
    double position() const;
    /// Moves to SECONDS, kept within the video.
    void setPosition(double seconds);
    /// 0 stopped (also after the end), 1 paused, 2 running.
    int currentState() const { return m_playState; }

    /// Volume in hundredths of a decibel as last set, 0 = full.
    int volume() const;
    /// Sets the volume in hundredths of a decibel, clamped to [-10000, 0].
    void setVolume(int hundredthsDb);

    /// Whether running fills the screen; playing stops filling it when it pauses or stops,
    /// and the learner leaves it with Esc or a click (the mode is Off then, the video
    /// goes on playing in its place).
    FullScreenMode fullScreenMode() const { return m_fullScreenMode; }
    void setFullScreenMode(FullScreenMode mode);
    /// Whether the picture fills the screen at this moment.
    bool isShowingFullScreen() const;

    void run();
    void pause();
    void stop();

    /// What the control tells the learner in place of the picture; empty while it has
    /// nothing to tell.
    QString message() const;

    /// The video's own size in pixels once open; 0 before.
    int naturalWidth() const { return m_naturalSize.width(); }
    int naturalHeight() const { return m_naturalSize.height(); }

    /// Interval of the timer signal while playing.
    static constexpr int kTimerIntervalMs = 100;
    /// How long an opened video may take to tell its picture size before it is
    /// announced open without one.
    static constexpr int kSizeWaitMs = 1000;

signals:
    /// The ready state changed; Interactive (3) when the file is open.
    void readyStateChange(int readyState);
    /// The play state changed; NEW_STATE is 0 when stopped, including at the end.
    void stateChange(int oldState, int newState);
    /// The file is open (follows readyStateChange(Interactive)).
    void openComplete();
    /// Periodic while playing.
    void timer();
    /// The position was set to SECONDS (a jump, not the video's own progress).
    void positionSet(double seconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLoaded();
    void announceOpen();
    void setReadyState(ReadyState state);
    void setPlayState(PlayState state);
    void updateNaturalSize();
    void applyFullScreen();
    void traceEvent(const char* op, const QString& error = {}) const;
    void failOpen(const QString& reason);

    VideoSurface* m_video = nullptr;
    QLabel* m_message = nullptr;
    QTimer* m_timer = nullptr;
    QTimer* m_sizeWait = nullptr;
    std::unique_ptr<MediaPlayerCore> m_core;
    QString m_file;
    ReadyState m_readyState = Uninitialized;
    PlayState m_playState = Stopped;
    QSize m_naturalSize{0, 0};
    FullScreenMode m_fullScreenMode = FullScreenMode::Off;
    Trace* m_trace = nullptr;
    bool m_openPending = false;
    bool m_swallowRelease = false; ///< the click that left the full screen is still held
};
