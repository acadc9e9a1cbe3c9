#include "AudioProbe.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtEndian>
#include <cmath>
#include <numbers>

namespace {

// The sink's idle latency is 2 s; a little more covers a loaded machine.
constexpr int kFirstSamplesTimeoutMs = 6000;

void serveEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

AudioProbe::~AudioProbe()
{
    stop();
}

bool AudioProbe::start()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        m_error = QStringLiteral("no test sound server: run the test under tests/with-audio.sh");
        return false;
    }
    // A short latency makes parec hand over samples every 20 ms instead of in
    // large blocks, so a recording window matches what played in it.
    m_parec.start(QStringLiteral("parec"), {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                                            QStringLiteral("--rate=%1").arg(kSampleRate), QStringLiteral("--channels=1"),
                                            QStringLiteral("--latency-msec=20")});
    if (!m_parec.waitForStarted(3000)) {
        m_error = QStringLiteral("cannot start parec: %1").arg(m_parec.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kFirstSamplesTimeoutMs);
    while (m_samples.isEmpty() && !deadline.hasExpired() && m_parec.state() == QProcess::Running) {
        serveEvents(20);
        drain();
    }
    if (m_samples.isEmpty()) {
        m_error = QStringLiteral("no samples from the test sound server: %1")
                      .arg(QString::fromLocal8Bit(m_parec.readAllStandardError()).trimmed());
        stop();
        return false;
    }
    return true;
}

void AudioProbe::stop()
{
    if (m_parec.state() == QProcess::NotRunning)
        return;
    m_parec.terminate();
    if (!m_parec.waitForFinished(2000))
        m_parec.kill();
    m_parec.waitForFinished(1000);
}

void AudioProbe::drain()
{
    m_pending += m_parec.readAllStandardOutput();
    const qsizetype whole = m_pending.size() / 2;
    const auto* bytes = reinterpret_cast<const uchar*>(m_pending.constData());
    m_samples.reserve(m_samples.size() + whole);
    for (qsizetype i = 0; i < whole; ++i)
        m_samples.append(qFromLittleEndian<qint16>(bytes + 2 * i) / 32768.0f);
    m_pending.remove(0, whole * 2);
}

QVector<float> AudioProbe::record(int ms)
{
    drain();
    m_samples.clear();
    const qsizetype wanted = qsizetype(ms) * kSampleRate / 1000;
    // Samples arrive in real time, so the window ends by itself; the deadline
    // only guards against a stalled server.
    const QDeadlineTimer deadline(ms + 3000);
    while (m_samples.size() < wanted && !deadline.hasExpired() && m_parec.state() == QProcess::Running) {
        serveEvents(10);
        drain();
    }
    QVector<float> window = m_samples.mid(0, wanted);
    m_samples.clear();
    return window;
}

bool AudioProbe::hears(double hz, int withinMs)
{
    const QDeadlineTimer deadline(withinMs);
    while (!deadline.hasExpired()) {
        if (amplitudeAt(record(150), hz) > 0.02)
            return true;
    }
    return false;
}

double AudioProbe::rmsDb(const QVector<float>& samples)
{
    if (samples.isEmpty())
        return -200.0;
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    const double rms = std::sqrt(sum / samples.size());
    return rms > 1e-10 ? 20.0 * std::log10(rms) : -200.0;
}

double AudioProbe::amplitudeAt(const QVector<float>& samples, double hz)
{
    if (samples.isEmpty())
        return 0.0;
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kSampleRate);
    double previous = 0;
    double beforePrevious = 0;
    for (float s : samples) {
        const double current = s + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / samples.size();
}

double AudioProbe::dominantFrequency(const QVector<float>& samples, double minHz, double maxHz)
{
    // A scan in steps of half a bin finds the peak (a sine's main lobe is two bins
    // wide, so no step jumps over it); a fine scan around it pins it to 0.5 Hz.
    const auto strongest = [&samples](double from, double to, double step) {
        double best = from;
        double bestAmplitude = -1;
        for (double f = from; f <= to; f += step) {
            const double a = amplitudeAt(samples, f);
            if (a > bestAmplitude) {
                bestAmplitude = a;
                best = f;
            }
        }
        return best;
    };
    if (samples.isEmpty())
        return 0.0;
    const double step = std::max(1.0, double(kSampleRate) / samples.size() / 2.0);
    const double coarse = strongest(minHz, maxHz, step);
    return strongest(std::max(minHz, coarse - step), std::min(maxHz, coarse + step), 0.5);
}
