#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <memory>

class QAudioSink;
class QAudioSource;
class Trace;

/// The wave-audio device the course records the learner's voice with. It is driven
/// as the course drives it: a file name, then command strings ("open", "close",
/// "record", "stop", "Prev", "Play"), each optionally preceded by the wait flag
/// (the command returns only once it has finished) and the notify flag (done()
/// follows from the event loop once it has finished). Both flags apply to the next
/// command only and are cleared by it.
///
/// The take lives here, in memory: "record" records from the default sound input
/// over the take from its start, "stop" ends it, "Prev" rewinds, "Play" plays it
/// through the default output; it is gone at the next "close". The "stop" that ends
/// a take also writes it as a WAV file to the open file, replacing the one before.
/// Fixed Windows names (`c:\lurva\sir2.wav`) are mapped into the user's data folder;
/// that folder is made when the first take is written, never by "open" alone.
///
/// A command that fails leaves error() and errorString() set (and reports
/// done(Failure) when notify was asked for); the course does not look, but the
/// screen does for "record", so that a take that was never made is not claimed.
class WaveRecorder : public QObject {
    Q_OBJECT

public:
    /// Notify codes of the done event.
    enum NotifyCode { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };
    enum class Mode { Closed, Stopped, Recording, Playing };

    explicit WaveRecorder(QObject* parent = nullptr);
    ~WaveRecorder() override;
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    /// Writes the commands, done events and errors as `recorder` events.
    void setTrace(Trace* trace) { m_trace = trace; }

    /// The file the next "open" opens, as the course names it (Windows paths allowed).
    void setFileName(const QString& file) { m_fileName = file; }
    QString fileName() const { return m_fileName; }
    /// The next command returns only once it has finished.
    void setWait(bool wait) { m_wait = wait; }
    bool wait() const { return m_wait; }
    /// The next command reports done() once it has finished.
    void setNotify(bool notify) { m_notify = notify; }
    bool notify() const { return m_notify; }

    /// Runs COMMAND (case-insensitive). An unknown command is an error.
    void setCommand(const QString& command);

    /// The input recorded from; the default input unless a test chose another
    /// (a null device stands for a machine without one).
    void setInputDevice(const QAudioDevice& device) { m_input = device; }

    Mode mode() const { return m_mode; }
    /// 0 after a command that succeeded, otherwise non-zero with the reason in errorString().
    int error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    /// Length of the take in milliseconds.
    qint64 lengthMs() const;
    /// The path the open file maps to, empty while closed.
    QString openPath() const { return m_openPath; }

signals:
    /// A command asked to notify has finished with CODE (1 = successfully).
    void done(int code);

private:
    void open();
    void close();
    void record();
    void stop();
    void prev();
    void play();
    void finishPlaying();
    void postDone(int code);
    void waitWhile(Mode mode, qint64 timeoutMs);
    void fail(const QString& command, const QString& reason);
    void traceEvent(const char* op, const QJsonObject& extra = {}) const;

    QString m_fileName;
    QString m_openPath;
    bool m_wait = false;
    bool m_notify = false;
    // The notify flag of the command under way; reported when it finishes.
    bool m_notifyPending = false;
    // A waiting command is under way; a done event it earns is posted after it returns.
    bool m_waiting = false;
    bool m_doneAfterWait = false;
    Mode m_mode = Mode::Closed;
    int m_error = 0;
    QString m_errorString;
    QAudioDevice m_input;
    QAudioFormat m_format;
    QByteArray m_take;
    // Where the next "Play" starts, in bytes of the take; "Prev" and a new take rewind it.
    qint64 m_playPosition = 0;
    QBuffer m_recordBuffer;
    QBuffer m_playBuffer;
    std::unique_ptr<QAudioSource> m_source;
    std::unique_ptr<QAudioSink> m_sink;
    Trace* m_trace = nullptr;
};
