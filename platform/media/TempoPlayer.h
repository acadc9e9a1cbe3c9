#pragma once

#include <QObject>
#include <QString>

class QTimer;
class Trace;
typedef struct _GstElement GstElement;

/// Plays a stretch of a media file's sound slower than it was recorded, its pitch kept:
/// a pipeline of our own (uridecodebin ! audioconvert ! scaletempo ! audioconvert !
/// audioresample ! volume ! pulsesink) given one seek at the slower rate that ends at the
/// stretch's end. Qt's player has no tempo element in its pipeline, so a slower rate
/// there would drop the voice. (playbin is not used: in a process where Qt's media
/// plugin has registered its own elements, playbin builds one of them and crashes.)
///
/// play() returns at once; finished() follows from the event loop once the stretch has
/// been heard to its end, failed() when the file or the sound device cannot be used
/// (the reason is also in the trace, `tempo` {op: "error"}).
class TempoPlayer : public QObject {
    Q_OBJECT

public:
    explicit TempoPlayer(QObject* parent = nullptr);
    ~TempoPlayer() override;
    TempoPlayer(const TempoPlayer&) = delete;
    TempoPlayer& operator=(const TempoPlayer&) = delete;

    /// Writes starts, ends and failures as `tempo` events.
    void setTrace(Trace* trace) { m_trace = trace; }

    /// Starts playing FILE's sound from START_S to END_S seconds at RATE (0.25 to 1,
    /// 1 being the recorded speed); whatever played before stops. False, with the reason
    /// in errorString(), when it cannot start at all.
    bool play(const QString& file, double startS, double endS, double rate);
    /// Stops playing; no finished() follows.
    void stop();
    bool isPlaying() const { return m_pipeline != nullptr; }
    /// Volume in hundredths of a decibel, 0 = full, for the next play and the one under way.
    void setVolume(int hundredthsDb);
    QString errorString() const { return m_error; }

signals:
    void finished();
    void failed(const QString& reason);

private:
    void pollBus();
    void fail(const QString& reason);
    void release();

    GstElement* m_pipeline = nullptr;
    GstElement* m_volume = nullptr;
    QTimer* m_bus = nullptr;
    bool m_seeked = false;
    double m_startS = 0;
    double m_endS = 0;
    double m_rate = 1;
    double m_heldBackS = 0; ///< what the tempo element keeps back at the end, in seconds of the file
    double m_gain = 1;
    QString m_file;
    QString m_error;
    Trace* m_trace = nullptr;
};
