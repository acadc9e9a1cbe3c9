#include "VideoScreen.h"

#include "ControlPanel.h"
#include "CourseError.h"
#include "ModuleState.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QJsonObject>

VideoScreen::VideoScreen(Shell& shell)
    : PanelScreen(shell, QStringLiteral("frmsa"), 3)
{
}

void VideoScreen::ScreenLoad()
{
    // The container lies on the picture under the panel, which must stay on top of it.
    videocont = new PictureSurface(Picture1);
    videocont->setObjectName(QStringLiteral("videocont"));
    videocont->hide();
    connect(videocont, &PictureSurface::moved, this,
        [this](int x, int y) { shell().guarded([&] { BackgroundMouseMove(videocont->x() + x, videocont->y() + y); }); });
    video = new VideoPlayer(videocont);
    video->setObjectName(QStringLiteral("video"));
    video->setTrace(&shell().trace());
    // The picture belongs to its container: pointer moves over it act on the background.
    video->setAttribute(Qt::WA_TransparentForMouseEvents);
    video->resize(ClosedSize, ClosedSize);
    connect(video, &VideoPlayer::readyStateChange, this, [this](int state) { shell().guarded([&] { VideoReadyState(state); }); });
    PanelScreen::ScreenLoad();
    VidControl->raise();
}

bool VideoScreen::loadObject(int kind, const Recordset& row)
{
    if (!PanelScreen::loadObject(kind, row))
        return false;
    m_saltovideo = qint16(row.value(QStringLiteral("identificativo")).toInt());
    return true;
}

void VideoScreen::activated()
{
    LessonSetup();
}

void VideoScreen::traceVideo(const char* op, int accion) const
{
    QJsonObject fields { { QStringLiteral("op"), QString::fromLatin1(op) }, { QStringLiteral("position"), video->position() } };
    if (accion >= 0)
        fields.insert(QStringLiteral("accion"), accion);
    shell().trace().event("videoscreen", fields);
}

void VideoScreen::LessonSetup()
{
    const ModuleState& state = shell().state();
    auto lesson = currentLessonRow();
    videocont->hide();
    m_opening = false;
    video->stop();
    try {
        const QString file = state.Folder.require(lesson->text(QStringLiteral("nombre_fichero1")));
        m_opening = true;
        video->setFileName(file);
    } catch (const CourseError& error) {
        video->setFileName(QString());
        reportProblem(error); // the screen stays, with its buttons, and can be left
    }
    videocont->move(int(lesson->number(QStringLiteral("X"))), int(lesson->number(QStringLiteral("Y"))));
    showTitle(lesson->text(QStringLiteral("nombre_leccion")));
    VidControl->restore();
    traceVideo("setup");
}

void VideoScreen::VideoReadyState(int readyState)
{
    if (readyState == VideoPlayer::Uninitialized && m_opening) {
        m_opening = false;
        reportProblem(CourseError(QStringLiteral("Cannot play the video file %1").arg(video->fileName())));
        return;
    }
    if (readyState != VideoPlayer::Interactive)
        return;
    m_opening = false;
    video->setPosition(0);
    videocont->resize(video->naturalWidth(), video->naturalHeight());
    video->setGeometry(0, 0, video->naturalWidth(), video->naturalHeight());
    videocont->show();
    VidControl->raise();
    traceVideo("ready");
}

void VideoScreen::screenAction(int accion, int)
{
    switch (accion) {
    case PlayWindowed:
        video->setFullScreenMode(VideoPlayer::FullScreenMode::Off);
        video->run();
        break;
    case Stop: video->stop(); break;
    case ToStart: video->setPosition(0); break;
    case ToEnd: video->setPosition(video->duration()); break;
    case JumpForward: video->setPosition(video->position() + m_saltovideo); break;
    case JumpBack: video->setPosition(video->position() - m_saltovideo); break;
    case Pause: video->pause(); break;
    case PlayFullScreen:
        video->pause();
        video->setFullScreenMode(VideoPlayer::FullScreenMode::On);
        video->run();
        video->setVolume(shell().state().Volume);
        break;
    default: break; // nothing beyond the click
    }
    traceVideo("button", accion);
}

void VideoScreen::stopMedia()
{
    if (video)
        video->stop();
}
