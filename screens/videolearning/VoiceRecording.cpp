#include "VoiceRecording.h"

#include "FrameButton.h"
#include "FramedScreen.h"
#include "ModuleState.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "WaveRecorder.h"

#include <QFile>
#include <QJsonObject>
#include <QTimer>

VoiceRecording::VoiceRecording(Shell& shell, FramedScreen& screen, Hooks hooks)
    : QObject(&screen)
    , mm(new WaveRecorder(this))
    , BlinkTimer(new QTimer(this))
    , m_shell(shell)
    , m_screen(screen)
    , m_hooks(std::move(hooks))
{
    BlinkTimer->setInterval(BlinkMs);
    connect(BlinkTimer, &QTimer::timeout, this, [this] { m_shell.guarded([&] { Blink(); }); });
    mm->setTrace(&shell.trace());
    connect(mm, &WaveRecorder::done, this, [this](int code) { m_shell.guarded([&] { RecorderDone(code); }); });
}

VoiceRecording::~VoiceRecording() = default;

void VoiceRecording::reset()
{
    TakeMade = false;
    Recording = false;
    BlinkPhase = false;
    if (m_indicator)
        m_screen.Imagex[size_t(m_indicator)]->setEnabled(false);
}

void VoiceRecording::toggle()
{
    if (Recording)
        StopTake();
    else
        StartTake();
}

void VoiceRecording::stopIfRecording()
{
    if (Recording)
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
    mm->setCommand(QStringLiteral("close"));
    m_hooks.stopVideo();
    m_shell.sounds().ReleaseSoundChannels();
    CopiarArchivoSonido();
    mm->setFileName(TakeFile);
    mm->setCommand(QStringLiteral("open"));
    if (mm->error() == 0)
        mm->setCommand(QStringLiteral("record"));
    if (mm->error() != 0) {
        // No take was made: the learner is told so and the screen sounds come back; the
        // recorder's own reason is in the trace for whoever looks into it.
        m_shell.trace().event("convo", { { QStringLiteral("op"), QStringLiteral("record") }, { QStringLiteral("error"), mm->errorString() } });
        mm->setCommand(QStringLiteral("close"));
        m_hooks.startScreenSounds();
        // The message lies over the screen like the help: closing it must not show the
        // lesson afresh.
        m_shell.state().ExplorerOpen = true;
        m_shell.showMessage(NoRecordingText);
        return;
    }
    Recording = true;
    BlinkTimer->start();
    TakeMade = true;
}

void VoiceRecording::StopTake()
{
    // Loading the screen's sounds serves timers: no blink may show the indicator again.
    BlinkTimer->stop();
    if (m_indicator) {
        m_screen.Imagex[size_t(m_indicator)]->hide();
        m_screen.Imagex[size_t(m_indicator)]->setPixmap(QPixmap());
    }
    mm->setCommand(QStringLiteral("stop"));
    mm->setWait(true);
    mm->setFileName(StoppedTakeFile);
    Recording = false;
    m_hooks.startScreenSounds();
    if (m_indicator)
        m_screen.button(m_indicator).state = FramedScreen::LatchedState;
}

void VoiceRecording::Blink()
{
    if (!Recording || !m_indicator)
        return;
    FrameButton* indicator = m_screen.Imagex[size_t(m_indicator)];
    indicator->show();
    indicator->setPixmap(m_hooks.loadPicture(m_indicatorPictures[BlinkPhase ? 0 : 1]));
    indicator->resize(indicator->pixmap().size());
    BlinkPhase = !BlinkPhase;
    indicator->update();
}

void VoiceRecording::PlayTheTake()
{
    if (!TakeMade || Recording)
        return;
    m_hooks.stopVideo();
    PlayingTake = true;
    m_shell.sounds().ReleaseSoundChannels();
    mm->setCommand(QStringLiteral("Prev"));
    mm->setNotify(true);
    mm->setWait(true);
    mm->setCommand(QStringLiteral("Play"));
}

void VoiceRecording::RecorderDone(int code)
{
    if (!PlayingTake)
        return;
    // A playback that failed or was cut short also ends: the screen's sounds must
    // not stay released for good.
    PlayingTake = false;
    if (code == WaveRecorder::Successful || !Recording)
        m_hooks.startScreenSounds();
}
