#include "ShadowingCycle.h"

#include "RecorderDriver.h"
#include "Trace.h"
#include "VideoPlayer.h"
#include "VoiceRecording.h"
#include "WaveRecorder.h"

#include <QJsonObject>
#include <QTimer>

ShadowingCycle::ShadowingCycle(VideoPlayer& video, RecorderDriver& driver, Trace& trace, Hooks hooks, QObject* parent)
    : QObject(parent)
    , m_video(video)
    , m_trace(trace)
    , m_hooks(std::move(hooks))
    , m_driver(driver)
    , m_recordTimer(new QTimer(this))
{
    m_recordTimer->setSingleShot(true);
    m_recordTimer->setTimerType(Qt::PreciseTimer);
    connect(m_recordTimer, &QTimer::timeout, this, &ShadowingCycle::stopRecording);
    connect(&m_driver, &RecorderDriver::done, this, [this](RecorderDriver::Holder holder, int) {
        if (holder == RecorderDriver::Holder::Shadowing && m_phase == Phase::Playback) {
            if (m_soundsReleased) {
                m_soundsReleased = false;
                m_hooks.restartSounds();
            }
            setPhase(Phase::ModelAgain);
            playModel();
        }
    });
}

ShadowingCycle::~ShadowingCycle() = default;

void ShadowingCycle::start(int lesson, int index, qint32 mseg, const PhraseSpan& span)
{
    stop();
    if (!span.isValid())
        return;
    m_lesson = lesson;
    m_index = index;
    m_mseg = mseg;
    m_span = span;
    setPhase(Phase::Model);
    playModel();
}

void ShadowingCycle::playModel()
{
    m_video.setPosition(m_span.startSeconds());
    m_video.run();
}

bool ShadowingCycle::phraseEnded(int index)
{
    if ((m_phase != Phase::Model && m_phase != Phase::ModelAgain) || index != m_index)
        return false;
    if (m_video.currentState() == VideoPlayer::Running)
        m_video.pause();
    if (m_phase == Phase::Model)
        record();
    else
        finish();
    return true;
}

void ShadowingCycle::record()
{
    m_hooks.releaseSounds();
    m_soundsReleased = true;
    if (const QString why = m_driver.record(RecorderDriver::Holder::Shadowing, m_store.newTakePath(m_lesson, m_mseg)); !why.isEmpty()) {
        trace("shadow-error", { { QStringLiteral("error"), why } });
        finish();
        m_hooks.tell(VoiceRecording::NoRecordingText);
        return;
    }
    setPhase(Phase::Recording);
    m_recordTimer->start(int(m_span.lengthMs() + ExtraRecordMs));
}

void ShadowingCycle::stopRecording()
{
    if (m_phase != Phase::Recording)
        return;
    if (m_driver.stop()) {
        m_lastTake = m_driver.recorder().openPath();
        m_store.prune(m_lesson, m_mseg);
        trace("take-saved", { { QStringLiteral("file"), m_lastTake }, { QStringLiteral("lengthMs"), m_driver.recorder().lengthMs() } });
        emit takeSaved(m_lastTake);
    } else {
        // The take is still in the recorder: it is played back all the same.
        trace("take-not-saved", { { QStringLiteral("error"), m_driver.recorder().errorString() } });
        if (!m_toldNoSave) {
            m_toldNoSave = true;
            m_hooks.tell(NoSaveText + QStringLiteral("la carpeta %1 no deja escribir o el disco está lleno.").arg(m_store.root()));
        }
    }
    if (m_phase != Phase::Recording)
        return; // stopped while the learner was told
    playBack();
}

void ShadowingCycle::playBack()
{
    setPhase(Phase::Playback);
    m_driver.playBack(RecorderDriver::Wait::No);
}

void ShadowingCycle::stop()
{
    if (m_phase == Phase::Idle)
        return;
    m_recordTimer->stop();
    // A take cut short is not kept: closing drops it unwritten. While the model plays the
    // recorder holds no take of the cycle (it may hold the course's own).
    if (m_phase == Phase::Recording || m_phase == Phase::Playback)
        m_driver.close();
    if (m_phase == Phase::Model || m_phase == Phase::ModelAgain) {
        if (m_video.currentState() == VideoPlayer::Running)
            m_video.pause();
    }
    finish();
}

void ShadowingCycle::finish()
{
    if (m_soundsReleased) {
        m_soundsReleased = false;
        m_hooks.restartSounds();
    }
    setPhase(Phase::Idle);
}

void ShadowingCycle::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    static const char* const names[] = { "idle", "model", "recording", "playback", "model-again" };
    trace("shadow", { { QStringLiteral("phase"), QString::fromLatin1(names[int(phase)]) }, { QStringLiteral("index"), m_index } });
    emit phaseChanged(phase);
}

void ShadowingCycle::trace(const char* op, const QJsonObject& fields) const
{
    QJsonObject all = fields;
    all.insert(QStringLiteral("op"), QString::fromLatin1(op));
    m_trace.event("study", all);
}
