#include "IntroScreen.h"

#include "CenterWindow.h"
#include "ErrorReport.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QJsonObject>
#include <QKeyEvent>
#include <QMessageBox>

namespace {

void traceIntro(Shell& shell, const char* op)
{
    shell.trace().event("intro", { { QStringLiteral("op"), QString::fromLatin1(op) } });
}

} // namespace

IntroScreen::IntroScreen(Shell& shell)
    : Screen(shell, QStringLiteral("frmintro"), 0)
    , Picture1(new PictureSurface(this))
    , Picture2(new QWidget(this))
    , vid2(new VideoPlayer(Picture2))
{
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->hide();
    vid2->setObjectName(QStringLiteral("vid2"));
    vid2->setTrace(&shell.trace());
    // The video belongs to the picture: a click on it skips as well.
    vid2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Picture2->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(Picture1, &PictureSurface::clicked, this, [this] { this->shell().guarded([this] { IntroSkip(); }); });
    connect(vid2, &VideoPlayer::readyStateChange, this, [this](int state) { this->shell().guarded([&] { IntroReady(state); }); });
    connect(vid2, &VideoPlayer::stateChange, this,
        [this](int oldState, int newState) { this->shell().guarded([&] { IntroVideoState(oldState, newState); }); });
}

void IntroScreen::ScreenLoad()
{
    const ModuleState& state = shell().state();
    hide();
    auto rows = state.ContentDb->openRecordset(QStringLiteral("select * from pantalla where codigo = 0"));
    bool video = false;
    for (; !rows->isEof(); rows->moveNext()) {
        const int x = int(rows->number(QStringLiteral("X")));
        const int y = int(rows->number(QStringLiteral("Y")));
        switch (rows->number(QStringLiteral("objeto"))) {
        case 1: {
            setBackdrop(rows->number(QStringLiteral("identificativo")) == 0 ? Qt::black : Qt::white);
            const QPixmap picture(state.Folder.require(rows->text(QStringLiteral("bitmapreposo"))));
            Picture1->setPixmap(picture);
            Picture1->setGeometry(x, y, picture.width(), picture.height());
            CenterWindow(*Picture1);
            break;
        }
        case 3:
            Picture2->setGeometry(x, y, int(rows->number(QStringLiteral("ancho"))), int(rows->number(QStringLiteral("alto"))));
            vid2->setGeometry(0, 0, Picture2->width(), Picture2->height());
            vid2->setFileName(state.Folder.resolve(rows->text(QStringLiteral("bitmapreposo"))));
            Picture2->show();
            // A file that cannot even be opened is known at once.
            video = vid2->readyState() != VideoPlayer::Uninitialized;
            break;
        default:
            break;
        }
    }
    Picture2->raise();
    if (!video) // an introduction without a video would never show: go on to the map
        goOnWithoutVideo();
}

void IntroScreen::goOnWithoutVideo()
{
    if (m_leaving)
        return;
    m_leaving = true;
    // From the event loop: this may be found while start-up is still building the screen.
    QMetaObject::invokeMethod(
        this,
        [this] {
            traceIntro(shell(), "novideo");
            shell().guarded([this] { shell().navigator().SwitchScreen(this, QStringLiteral("frmms")); });
            shell().unloadWindow(this);
        },
        Qt::QueuedConnection);
}

void IntroScreen::IntroReady(int readyState)
{
    if (readyState == VideoPlayer::Uninitialized) {
        // The video cannot be opened (the trace says why): the course goes on without it.
        goOnWithoutVideo();
        return;
    }
    if (readyState != VideoPlayer::Interactive)
        return;
    traceIntro(shell(), "ready");
    shell().showScreen(this);
    Picture2->resize(Picture2->width(), Picture2->height() - 2);
    vid2->resize(Picture2->size());
}

void IntroScreen::ScreenActivate()
{
    shell().sounds().PlayScreenSound();
    Picture1->show();
    vid2->setPosition(0);
    vid2->run();
    Picture1->setFocus();
    Picture2->show();
}

void IntroScreen::IntroVideoState(int, int newState)
{
    if (newState != VideoPlayer::Stopped || m_leaving)
        return;
    m_leaving = true;
    traceIntro(shell(), "end");
    IntroContinue();
}

void IntroScreen::IntroContinue()
{
    const ModuleState& state = shell().state();
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (lessons->findFirst(QStringLiteral("N_leccion = 1")) && lessons->number(QStringLiteral("tipo")) == 1) {
        shell().navigator().SwitchScreen(this, QStringLiteral("frmms"));
        return;
    }
    // The learner stays on the introduction; a click or a key still leads on.
    m_leaving = false;
    const QString text = QStringLiteral("Error en la base de datos");
    shell().trace().event("message", { { QStringLiteral("text"), text } });
    auto* box = new QMessageBox(QMessageBox::Critical, ErrorReport::programTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void IntroScreen::IntroSkip()
{
    if (m_leaving)
        return;
    m_leaving = true;
    traceIntro(shell(), "skip");
    vid2->stop();
    vid2->setPosition(1);
    shell().navigator().SwitchScreen(this, QStringLiteral("frmms"));
    shell().unloadWindow(this);
}

void IntroScreen::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    shell().guarded([this] { IntroSkip(); });
}
