#include "VoiceRecording.h"

#include "FrameButton.h"
#include "FramedScreen.h"
#include "ModuleState.h"
#include "RecorderDriver.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "WaveRecorder.h"

#include <QFile>
#include <QJsonObject>
#include <QTimer>

VoiceRecording::VoiceRecording(Shell& shell, FramedScreen& screen, RecorderDriver& driver, Hooks hooks)
    : QObject(&screen)
    , m_shell(shell)
    , m_screen(screen)
    , m_driver(driver)
    , m_hooks(std::move(hooks))
    , m_blinkTimer(new QTimer(this))
{
    m_blinkTimer->setInterval(BlinkMs);
    connect(m_blinkTimer, &QTimer::timeout, this, [this] { m_shell.guarded([&] { Blink(); }); });
    connect(&m_driver, &RecorderDriver::done, this, [this](RecorderDriver::Holder holder, int code) {
        if (holder == RecorderDriver::Holder::CourseTake)
            m_shell.guarded([&] { RecorderDone(code); });
    });
}

VoiceRecording::~VoiceRecording() = default;

WaveRecorder& VoiceRecording::recorder() const
{
    return m_driver.recorder();
}

bool VoiceRecording::hasTake() const
{
    // A shadowing take made since closed the course's take.
    return m_takeMade && m_driver.holder() == RecorderDriver::Holder::CourseTake;
}

void VoiceRecording::reset()
{
    m_takeMade = false;
    m_recording = false;
    m_blinkPhase = false;
    if (m_indicator)
        m_screen.Imagex[size_t(m_indicator)]->setEnabled(false);
}

void VoiceRecording::toggle()
{
    if (m_recording)
        StopTake();
    else
        StartTake();
}

void VoiceRecording::stopIfRecording()
{
    if (m_recording)
        StopTake();
}

void VoiceRecording::CopiarArchivoSonido()
{
    // Every error is ignored, as the course did: the template is not needed for the take.
    const QString folder = m_shell.state().UserFolder;
    QFile::remove(folder + QStringLiteral("tmp.wav"));
    QFile::copy(folder + QStringLiteral("ejgrab.wav"), folder + QStringLiteral("tmp.wav"));
    QFile::setPermissions(folder + QStringLiteral("tmp.wav"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

void VoiceRecording::StartTake()
{
    m_hooks.stopVideo();
    m_shell.sounds().ReleaseSoundChannels();
    CopiarArchivoSonido();
    if (const QString why = m_driver.record(RecorderDriver::Holder::CourseTake, TakeFile); !why.isEmpty()) {
        // No take was made: the learner is told so and the screen sounds come back; the
        // recorder's own reason is in the trace for whoever looks into it.
        m_shell.trace().event("convo", { { QStringLiteral("op"), QStringLiteral("record") }, { QStringLiteral("error"), why } });
        m_hooks.startScreenSounds();
        // The message lies over the screen like the help: closing it must not show the
        // lesson afresh.
        m_shell.state().ExplorerOpen = true;
        m_shell.showMessage(NoRecordingText);
        return;
    }
    m_recording = true;
    m_blinkTimer->start();
    m_takeMade = true;
}

void VoiceRecording::StopTake()
{
    // Loading the screen's sounds serves timers: no blink may show the indicator again.
    m_blinkTimer->stop();
    if (m_indicator) {
        m_screen.Imagex[size_t(m_indicator)]->hide();
        m_screen.Imagex[size_t(m_indicator)]->setPixmap(QPixmap());
    }
    m_driver.stop();
    recorder().setWait(true);
    recorder().setFileName(StoppedTakeFile);
    m_recording = false;
    m_hooks.startScreenSounds();
    if (m_indicator)
        m_screen.button(m_indicator).state = FramedScreen::LatchedState;
}

void VoiceRecording::Blink()
{
    if (!m_recording || !m_indicator)
        return;
    FrameButton* indicator = m_screen.Imagex[size_t(m_indicator)];
    indicator->show();
    indicator->setPixmap(m_hooks.loadPicture(m_indicatorPictures[m_blinkPhase ? 0 : 1]));
    indicator->resize(indicator->pixmap().size());
    m_blinkPhase = !m_blinkPhase;
    indicator->update();
}

void VoiceRecording::playTake()
{
    if (!hasTake() || m_recording)
        return;
    m_hooks.stopVideo();
    m_playingTake = true;
    m_shell.sounds().ReleaseSoundChannels();
    m_driver.playBack(RecorderDriver::Wait::Yes);
}

void VoiceRecording::stopPlaying()
{
    if (!m_playingTake)
        return;
    // The rewind interrupts the playback; its done event follows, as cut short.
    recorder().setCommand(QStringLiteral("Prev"));
}

void VoiceRecording::RecorderDone(int code)
{
    if (!m_playingTake)
        return;
    // A playback that failed or was cut short also ends: the screen's sounds must
    // not stay released for good.
    m_playingTake = false;
    if (code == WaveRecorder::Successful || !m_recording)
        m_hooks.startScreenSounds();
}
