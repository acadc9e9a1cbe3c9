#include "BigPictureScreen.h"

#include "CenterWindow.h"
#include "CourseError.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureEffect.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QMouseEvent>
#include <QTimer>

BigPictureScreen::BigPictureScreen(Shell& shell)
    : Screen(shell, QStringLiteral("frmc"), 11)
    , Picture1(new PictureEffect(this))
    , Timer1(new QTimer(this))
{
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(rect());
    Picture1->setAttribute(Qt::WA_TransparentForMouseEvents); // the screen takes the clicks
    connect(Timer1, &QTimer::timeout, this, [this] { this->shell().guarded([this] { BigPictureTimer(); }); });
}

void BigPictureScreen::ScreenLoad()
{
    const ModuleState& state = shell().state();
    auto row = state.ContentDb->openRecordset(QStringLiteral(" select * from pantalla where codigo = 1 and objeto = 5 and accion = 55"));
    if (row->isEof())
        throw CourseError(QStringLiteral("%1: pantalla has no big picture (screen 1, object 5, accion 55)").arg(state.ContentDb->fileName()));
    setBackdrop(row->number(QStringLiteral("identificativo")) == 0 ? Qt::black : Qt::white);
    Picture1->setColour(backdrop());
    Picture1->setPictureFile(state.Folder.require(row->text(QStringLiteral("bitmapgrande"))));
    Picture1->resize(Picture1->picture().size());
    CenterWindow(*Picture1);
}

void BigPictureScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    m_ticks = 0;
    if (state.CurrentScreen != 11) // not a second activation of the same showing
        m_openedFrom = state.CurrentScreen;
    state.CurrentScreen = 11;
    shell().sounds().PlayScreenSound();
    Timer1->setInterval(1000);
    if (state.BackgroundSoundOn)
        shell().sounds().startBackground();
    // Leaving must end the program whether or not the background sound is on.
    if (state.BackgroundSoundOn || state.Quitting)
        Timer1->start();
    shell().trace().event("bigpicture", { { QStringLiteral("op"), QStringLiteral("show") }, { QStringLiteral("ticks"), m_ticks } });
}

void BigPictureScreen::BigPictureTimer()
{
    shell().sounds().SoundTimer();
    ++m_ticks;
    shell().trace().event("bigpicture", { { QStringLiteral("op"), QStringLiteral("tick") }, { QStringLiteral("ticks"), m_ticks } });
    if (m_ticks > 3 && shell().state().Quitting)
        endProgram();
}

void BigPictureScreen::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        shell().guarded([this] { BigPictureClick(); });
}

void BigPictureScreen::BigPictureClick()
{
    const ModuleState& state = shell().state();
    if (state.Quitting) {
        endProgram();
        return;
    }
    Timer1->stop();
    // Back to the map while CurrentScreen is the 11 of this screen's activation, otherwise
    // to the test. The activation always sets 11, so the screen it was opened from counts
    // too: opened from the test it returns there, since the map cannot show the test's lesson.
    const bool toMap = state.CurrentScreen == 11 && m_openedFrom != 14;
    // Without a screen to return to the learner keeps the picture rather than an empty stage.
    if (shell().navigator().SwitchScreen(this, toMap ? QStringLiteral("frmms") : QStringLiteral("frmtest")))
        shell().unloadWindow(this);
    else if (state.BackgroundSoundOn)
        Timer1->start(); // the sound upkeep goes on
}

void BigPictureScreen::endProgram()
{
    Timer1->stop();
    shell().trace().event("bigpicture", { { QStringLiteral("op"), QStringLiteral("end") }, { QStringLiteral("ticks"), m_ticks } });
    QCoreApplication::quit();
}
