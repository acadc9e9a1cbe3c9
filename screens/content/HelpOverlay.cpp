#include "HelpOverlay.h"

#include "CourseError.h"
#include "MediaPlayer.h"
#include "MediaProblem.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMouseEvent>
#include <QTimer>

namespace {

constexpr int mapScreen = 1;
constexpr int helpObject = 2;

/// The window of screen NUMBER that the help returns to; empty for screens without help.
QString helpReturnWindow(int number)
{
    switch (number) {
    case 1: return QStringLiteral("frmms");
    case 3: return QStringLiteral("frmsa");
    case 4: return QStringLiteral("frmct");
    case 5: return QStringLiteral("frmbf");
    case 6: return QStringLiteral("frmcft");
    case 7: return QStringLiteral("frmft");
    case 8: return QStringLiteral("frmind");
    case 12: return QStringLiteral("frmva");
    default: return {};
    }
}

} // namespace

HelpOverlay::HelpOverlay(Shell& shell)
    : Screen(shell, QStringLiteral("frmayu"), -1)
    , Picture1(new PictureSurface(this))
    , Timer1(new QTimer(this))
    , m_player(std::make_unique<MediaPlayer>())
{
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    m_player->setTrace(&shell.trace(), QStringLiteral("help"));
    setAutoFillBackground(true);
    connect(Picture1, &PictureSurface::clicked, this, [this] { this->shell().guarded([this] { PictureClick(); }); });
    connect(Timer1, &QTimer::timeout, this, &HelpOverlay::SoundClock);
}

HelpOverlay::~HelpOverlay() = default;

void HelpOverlay::open(Shell& shell, Screen& from)
{
    auto* help = qobject_cast<HelpOverlay*>(shell.window(QStringLiteral("frmayu")));
    if (!help)
        return;
    shell.sounds().StopBackgroundSound();
    help->m_caller = &from;
    shell.showScreen(help);
    from.hide();
}

void HelpOverlay::findRow()
{
    const ModuleState& state = shell().state();
    auto rows = state.ContentDb->openRecordset(QStringLiteral("pantalla"));
    bool found = false;
    // The map's help depends on the map lesson shown; every other screen has one help.
    // The map is recognised by the screen in front rather than by the kind of the lesson
    // last opened, which a move back through the history leaves behind.
    if (state.CurrentScreen == mapScreen) {
        m_row = QStringLiteral("codigo = %1 and objeto = %2 and colorfont = %3").arg(mapScreen).arg(helpObject).arg(state.CurrentLesson);
        found = rows->findFirst(m_row);
    } else {
        m_row = QStringLiteral("codigo = %1 and objeto = %2").arg(state.CurrentScreen).arg(helpObject);
        found = rows->seek(QStringLiteral("ayuda"), { state.CurrentScreen, helpObject });
    }
    if (!found) {
        m_row.clear();
        return;
    }
    m_picture = rows->text(QStringLiteral("bitmapreposo"));
    m_sound = rows->text(QStringLiteral("bitmapactivable"));
    m_whiteAtLoad = rows->number(QStringLiteral("accion")) != 0;
    m_whiteWhenShown = rows->number(QStringLiteral("identificativo")) != 0;
    Picture1->move(int(rows->number(QStringLiteral("X"))), int(rows->number(QStringLiteral("Y"))));
}

void HelpOverlay::ScreenLoad()
{
    // Built while the screen asking for help is still in front.
    if (!m_caller)
        m_caller = shell().currentScreen();
    findRow();
    setWindowColour(m_whiteAtLoad);
    showPicture();
}

void HelpOverlay::setWindowColour(bool white)
{
    const QColor colour = white ? Qt::white : Qt::black;
    setBackdrop(colour);
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    if (isVisible())
        shell().host().setBackdrop(colour);
}

void HelpOverlay::showPicture()
{
    Picture1->clear();
    if (m_picture.trimmed().isEmpty()) {
        Picture1->resize(0, 0);
        return;
    }
    try {
        const QPixmap picture(shell().state().Folder.require(m_picture));
        if (picture.isNull())
            throw CourseError(QStringLiteral("picture %1 cannot be read").arg(m_picture.trimmed()));
        Picture1->setPixmap(picture);
        Picture1->resize(picture.size());
        Picture1->show();
    } catch (const CourseError& error) {
        Picture1->resize(0, 0);
        // The picture is loaded again on showing: the learner hears of it once.
        if (!m_pictureReported) {
            m_pictureReported = true;
            reportMediaProblem(shell(), this, error);
        }
    }
}

void HelpOverlay::ScreenActivate()
{
    const ModuleState& state = shell().state();
    m_returning = false;
    setWindowColour(m_whiteWhenShown);
    shell().trace().event("help",
        { { QStringLiteral("op"), QStringLiteral("open") }, { QStringLiteral("row"), m_row },
            { QStringLiteral("screen"), state.CurrentScreen }, { QStringLiteral("lesson"), state.CurrentLesson } });
    m_player->release();
    bool sound = false;
    if (!m_sound.trimmed().isEmpty()) {
        try {
            m_player->render(state.Folder.resolve(m_sound));
            sound = true;
        } catch (const CourseError& error) {
            reportMediaProblem(shell(), this, error);
        }
    }
    showPicture();
    // Without a sound there is nothing to wait for: the help stays until it is clicked.
    if (sound)
        Inicializasonido();
}

void HelpOverlay::Inicializasonido()
{
    m_soundStarted = false;
    Timer1->start(SoundClockMs);
    try {
        m_player->stop();
    } catch (const CourseError&) {
        // The first tick starts the sound whatever state it is in.
    }
}

void HelpOverlay::SoundClock()
{
    try {
        if (!m_player->completed(0)) {
            if (!m_soundStarted) {
                // A sound loaded and left unplayed for a second or more runs silently on
                // the GStreamer sink: load it afresh for its first run.
                const QString file = m_player->file();
                m_player->release();
                m_player->render(file);
                m_soundStarted = true;
            }
            m_player->setVolume(shell().state().Volume);
            m_player->run();
        }
        // Some files report no length for a while after loading (about a second for
        // some MP3 files): at position 0 of length 0 the sound has not even begun.
        const double duration = m_player->duration();
        if (duration > 0 && m_player->position() == duration) {
            Timer1->stop();
            shell().guarded([this] { Vuelve(); });
        }
    } catch (const CourseError&) {
        // A sound that fails leaves the help showing until the learner clicks.
    }
}

void HelpOverlay::PictureClick()
{
    Timer1->stop();
    m_player->stop();
    Vuelve();
}

void HelpOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    // A click beside the picture returns as well: without a picture there is nothing else to click.
    if (event->button() == Qt::LeftButton)
        shell().guarded([this] { PictureClick(); });
    event->accept();
}

Screen* HelpOverlay::returnTarget() const
{
    const QString name = helpReturnWindow(shell().state().CurrentScreen);
    if (Screen* screen = name.isEmpty() ? nullptr : shell().window(name))
        return screen;
    return m_caller.data();
}

void HelpOverlay::Vuelve()
{
    if (m_returning)
        return;
    m_returning = true;
    Timer1->stop();
    m_player->stop();
    ModuleState& state = shell().state();
    Screen* target = returnTarget();
    shell().trace().event("help",
        { { QStringLiteral("op"), QStringLiteral("return") }, { QStringLiteral("row"), m_row },
            { QStringLiteral("screen"), target ? target->number() : -1 } });
    if (target) {
        shell().showScreen(target);
        if (target->number() == mapScreen && state.BackgroundSoundOn)
            shell().sounds().startBackground();
    }
    m_player->release();
    shell().unloadWindow(this);
}
