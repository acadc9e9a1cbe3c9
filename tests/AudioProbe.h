#pragma once

#include <QProcess>
#include <QString>
#include <QVector>

/// Records what the test sound server plays, so that a test can assert that real
/// sound arrived: it reads the default source (the virtual microphone that
/// tests/with-audio.sh makes from the null sink's monitor) through `parec`, as
/// 48 kHz mono samples.
///
/// A fresh recording stream on an idle null sink gets its first samples only after
/// the sink's idle latency (about 2 s here); start() waits for them once, after
/// which record() follows the sound within a few tens of milliseconds.
class AudioProbe {
public:
    static constexpr int kSampleRate = 48000;

    AudioProbe() = default;
    ~AudioProbe();
    AudioProbe(const AudioProbe&) = delete;
    AudioProbe& operator=(const AudioProbe&) = delete;

    /// Starts recording; false, with the reason in errorString(), when there is no
    /// test sound server or no samples arrive within a few seconds.
    bool start();
    void stop();
    QString errorString() const { return m_error; }

    /// Drops what was recorded so far, then records MS milliseconds (serving the
    /// event loop meanwhile) and returns them as samples in [-1, 1].
    QVector<float> record(int ms);

    /// Listens in short windows until a tone at HZ is heard, for WITHIN_MS at most: a
    /// player's first sound may come late on a busy machine.
    bool hears(double hz, int withinMs = 2000);

    /// Root-mean-square level in dB relative to full scale; -200 for silence.
    static double rmsDb(const QVector<float>& samples);
    /// Amplitude of the component at HZ (Goertzel filter): about 1 for a full-scale sine.
    static double amplitudeAt(const QVector<float>& samples, double hz);
    /// The frequency between minHz and maxHz with the strongest component, to 0.5 Hz; 0 for no samples.
    static double dominantFrequency(const QVector<float>& samples, double minHz = 50, double maxHz = 4000);

private:
    void drain();

    QProcess m_parec;
    QByteArray m_pending;
    QVector<float> m_samples;
    QString m_error;
};
