#include "WaveRecorder.h"

#include "CourseError.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QAudioSink>
#include <QAudioSource>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QMediaDevices>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

// Voice needs no more; it is also what the test sound server runs at, so nothing
// is resampled on the way in or out.
QAudioFormat voiceFormat(const QAudioDevice& device)
{
    QAudioFormat format;
    format.setSampleRate(48000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || device.isFormatSupported(format))
        return format;
    return device.preferredFormat();
}

// Writes DATA, samples of FORMAT, as a RIFF WAVE file at PATH, making its folder when it
// is missing (the course's fixed folder exists on no machine of ours until then). Returns
// what went wrong, empty when the file is written; a file that was there before is left
// as it was unless the new one is complete.
QString writeWave(const QString& path, const QAudioFormat& format, const QByteArray& data)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    const bool floating = format.sampleFormat() == QAudioFormat::Float;
    const quint16 channels = quint16(format.channelCount());
    const quint16 blockAlign = quint16(format.bytesPerFrame());
    const auto rate = quint32(format.sampleRate());
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(floating ? 3 : 1) << channels << rate << quint32(rate * blockAlign) << blockAlign
        << quint16(format.bytesPerSample() * 8);
    out.writeRawData("data", 4);
    out << quint32(data.size());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size() || file.write(data) != data.size() || !file.commit())
        return QStringLiteral("cannot write the take to %1: %2").arg(path, file.errorString());
    return {};
}

// Beyond the take's own length, how long a waiting "Play" may take to start and drain.
constexpr qint64 kPlaySlackMs = 5000;

} // namespace

WaveRecorder::WaveRecorder(QObject* parent)
    : QObject(parent)
    , m_input(QMediaDevices::defaultAudioInput())
{
}

WaveRecorder::~WaveRecorder()
{
    if (m_source)
        m_source->stop();
    if (m_sink)
        m_sink->stop();
}

qint64 WaveRecorder::lengthMs() const
{
    return m_format.isValid() ? m_format.durationForBytes(qint32(m_take.size())) / 1000 : 0;
}

void WaveRecorder::setCommand(const QString& command)
{
    const bool notify = std::exchange(m_notify, false);
    const bool wait = std::exchange(m_wait, false);
    m_error = 0;
    m_errorString.clear();
    const QString name = command.trimmed().toLower();

    // A command that interrupts a notified playback supersedes its done event.
    if (m_notifyPending && m_mode == Mode::Playing && name != QLatin1String("play")) {
        m_notifyPending = false;
        postDone(Aborted);
    }

    if (name == QLatin1String("open"))
        open();
    else if (name == QLatin1String("close"))
        close();
    else if (name == QLatin1String("record"))
        record();
    else if (name == QLatin1String("stop"))
        stop();
    else if (name == QLatin1String("prev"))
        prev();
    else if (name == QLatin1String("play")) {
        play();
        if (m_mode == Mode::Playing) {
            m_notifyPending = notify;
            if (wait) {
                // The done event follows the command's return, as it did when it
                // came through the event loop of a caller that had been held.
                m_waiting = true;
                waitWhile(Mode::Playing, lengthMs() + kPlaySlackMs);
                m_waiting = false;
                if (std::exchange(m_doneAfterWait, false))
                    postDone(Successful);
            }
            return;
        }
    } else
        fail(command, QStringLiteral("unknown command \"%1\"").arg(command));

    if (notify) {
        postDone(m_error == 0 ? Successful : Failure);
    }
}

void WaveRecorder::open()
{
    if (m_mode != Mode::Closed) {
        fail(QStringLiteral("open"), QStringLiteral("the device is already open on %1").arg(m_openPath));
        return;
    }
    if (m_fileName.trimmed().isEmpty()) {
        fail(QStringLiteral("open"), QStringLiteral("no file name given"));
        return;
    }
    QString path;
    try {
        path = UserPaths::fromWindowsPath(m_fileName.trimmed());
    } catch (const CourseError& error) {
        fail(QStringLiteral("open"), error.message());
        return;
    }
    m_openPath = path;
    m_take.clear();
    m_playPosition = 0;
    m_mode = Mode::Stopped;
    traceEvent("open");
}

void WaveRecorder::close()
{
    if (m_source)
        m_source->stop();
    if (m_sink)
        m_sink->stop();
    m_source.reset();
    m_sink.reset();
    m_recordBuffer.close();
    m_playBuffer.close();
    m_take.clear();
    m_playPosition = 0;
    m_mode = Mode::Closed;
    traceEvent("close");
    m_openPath.clear();
}

void WaveRecorder::record()
{
    if (m_mode == Mode::Closed) {
        fail(QStringLiteral("record"), QStringLiteral("the device is not open"));
        return;
    }
    if (m_input.isNull()) {
        fail(QStringLiteral("record"), QStringLiteral("no sound input device"));
        return;
    }
    if (m_mode == Mode::Playing)
        stop();
    if (m_mode == Mode::Recording)
        return;
    m_format = voiceFormat(m_input);
    m_take.clear();
    m_recordBuffer.close();
    m_recordBuffer.setBuffer(&m_take);
    m_recordBuffer.open(QIODevice::WriteOnly | QIODevice::Truncate);
    m_source = std::make_unique<QAudioSource>(m_input, m_format);
    m_source->start(&m_recordBuffer);
    if (m_source->error() != QAudio::NoError) {
        const QString reason = QStringLiteral("the sound input %1 refused to record (error %2)")
                                   .arg(m_input.description())
                                   .arg(int(m_source->error()));
        m_source.reset();
        m_recordBuffer.close();
        fail(QStringLiteral("record"), reason);
        return;
    }
    m_mode = Mode::Recording;
    traceEvent("record");
}

void WaveRecorder::stop()
{
    if (m_mode == Mode::Recording) {
        m_source->stop();
        m_source.reset();
        m_recordBuffer.close();
        m_playPosition = 0;
        m_mode = Mode::Stopped;
        // The take goes into the open file as well; it stays playable here whatever
        // becomes of the file.
        if (const QString problem = writeWave(m_openPath, m_format, m_take); !problem.isEmpty())
            fail(QStringLiteral("stop"), problem);
    } else if (m_mode == Mode::Playing) {
        const qint64 played = m_format.bytesForDuration(m_sink->processedUSecs());
        m_playPosition = std::min<qint64>(m_playPosition + played, m_take.size());
        m_sink->stop();
        m_sink.reset();
        m_mode = Mode::Stopped;
    }
    traceEvent("stop", {{QStringLiteral("lengthMs"), lengthMs()}});
}

void WaveRecorder::prev()
{
    if (m_mode == Mode::Closed) {
        fail(QStringLiteral("Prev"), QStringLiteral("the device is not open"));
        return;
    }
    if (m_mode != Mode::Stopped)
        stop();
    m_playPosition = 0;
    traceEvent("prev");
}

void WaveRecorder::play()
{
    if (m_mode == Mode::Closed) {
        fail(QStringLiteral("Play"), QStringLiteral("the device is not open"));
        return;
    }
    if (m_mode == Mode::Recording)
        stop();
    if (m_mode == Mode::Playing)
        return;
    m_playBuffer.close();
    m_playBuffer.setData(m_take);
    m_playBuffer.open(QIODevice::ReadOnly);
    m_playBuffer.seek(m_playPosition);
    traceEvent("play");
    if (m_playPosition >= m_take.size() || !m_format.isValid()) {
        m_mode = Mode::Stopped;
        return;
    }
    m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), m_format);
    connect(m_sink.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state != QAudio::IdleState || m_mode != Mode::Playing || !m_sink)
            return;
        // Idle means the sink has taken the last bytes; they still have its own
        // buffer to sound through before the take has really been heard.
        const qint64 tailMs = m_format.durationForBytes(m_sink->bufferSize()) / 1000;
        QAudioSink* sink = m_sink.get();
        QTimer::singleShot(int(tailMs), this, [this, sink] {
            if (m_sink.get() == sink && m_mode == Mode::Playing)
                finishPlaying();
        });
    });
    m_sink->start(&m_playBuffer);
    if (m_sink->error() != QAudio::NoError) {
        const int code = int(m_sink->error());
        m_sink.reset();
        fail(QStringLiteral("Play"), QStringLiteral("the sound output refused to play (error %1)").arg(code));
        return;
    }
    m_mode = Mode::Playing;
}

void WaveRecorder::finishPlaying()
{
    m_playPosition = m_take.size();
    m_sink->stop();
    m_sink.reset();
    m_mode = Mode::Stopped;
    if (std::exchange(m_notifyPending, false)) {
        if (m_waiting)
            m_doneAfterWait = true;
        else
            postDone(Successful);
    }
}

void WaveRecorder::postDone(int code)
{
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            traceEvent("done", {{QStringLiteral("code"), code}});
            emit done(code);
        },
        Qt::QueuedConnection);
}

void WaveRecorder::waitWhile(Mode mode, qint64 timeoutMs)
{
    // User input waits, as it did while the device held the caller; timers and
    // painting go on.
    const QDeadlineTimer deadline(timeoutMs);
    while (m_mode == mode && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

void WaveRecorder::fail(const QString& command, const QString& reason)
{
    m_error = 1;
    m_errorString = reason;
    traceEvent("error", {{QStringLiteral("command"), command}, {QStringLiteral("reason"), reason}});
}

void WaveRecorder::traceEvent(const char* op, const QJsonObject& extra) const
{
    if (!m_trace)
        return;
    QJsonObject fields = extra;
    fields.insert(QStringLiteral("op"), QString::fromLatin1(op));
    fields.insert(QStringLiteral("file"), m_openPath.isEmpty() ? m_fileName : m_openPath);
    m_trace->event("recorder", fields);
}
