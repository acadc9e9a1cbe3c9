#include "AudioProbe.h"
#include "ControlPanel.h"
#include "FrameButton.h"
#include "MediaRecipes.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "VideoPlayer.h"
#include "VideoScreen.h"

#include <QtTest>

namespace {

// Lesson 11: a 12 s video of 240 x 180 at X 170, Y 110; lesson 12: a video file that is
// not there. The panel row gives jumps of 5 s.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, X, Y) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null, null), (11, 'Presentarse', 3, 'video\\presentarse.avi', 1, 11, 170, 110),"
    "  (12, 'Sin vídeo', 3, 'video\\falta.avi', 1, 11, 40, 60);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, ancho, alto, colorfont) values"
    "  (3, 0, 0, 0, 0, 'fondo.bmp', null, 0, 0, 0, 0),"
    "  (3, 9, 0, 100, 8, null, null, 0, 440, 28, 1),"
    "  (3, 7, 5, 100, 360, 'panel.bmp', null, 0, 0, 0, 0),"
    "  (3, 5, 0, 10, 430, null, 'b.bmp', 15, 0, 0, 0), (3, 5, 0, 60, 430, null, 'b.bmp', 23, 0, 0, 0),"
    "  (3, 5, 0, 108, 380, null, 'b.bmp', 5, 0, 0, 0), (3, 5, 0, 140, 380, null, 'b.bmp', 6, 0, 0, 0),"
    "  (3, 5, 0, 172, 380, null, 'b.bmp', 7, 0, 0, 0), (3, 5, 0, 204, 380, null, 'b.bmp', 8, 0, 0, 0),"
    "  (3, 5, 0, 236, 380, null, 'b.bmp', 9, 0, 0, 0), (3, 5, 0, 268, 380, null, 'b.bmp', 10, 0, 0, 0),"
    "  (3, 5, 0, 300, 380, null, 'b.bmp', 11, 0, 0, 0), (3, 5, 0, 332, 380, null, 'b.bmp', 24, 0, 0, 0),"
    "  (3, 5, 0, 364, 380, 'icono.bmp', 'b.bmp', 25, 0, 0, 0);"
    "insert into sonidospantalla values (3, 0, null, 'click.wav', 'cambio.wav'), (1, 1, null, 'click.wav', 'cambio.wav');");

constexpr int openTimeoutMs = 10000;

/// Any screen the video screen goes back to.
class BackScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
};

} // namespace

class VideoScreenTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    VideoScreen* m_screen = nullptr;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }

    void openLesson(qint16 lesson)
    {
        const int activations = int(m_harness->events(QStringLiteral("screen.activate")).size());
        state().CurrentLesson = lesson;
        shell().showScreen(m_screen);
        QTRY_COMPARE(int(m_harness->events(QStringLiteral("screen.activate")).size()), activations + 1);
    }

    void openAndWaitUntilReady()
    {
        openLesson(11);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->videocont->isVisible(), openTimeoutMs);
    }

    void press(int accion)
    {
        const int index = m_screen->buttonWithAction(accion);
        QVERIFY(index > 0);
        emit m_screen->Imagex[size_t(index)]->clicked(index);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // One fixture video for all: making it is the slow part.
        m_course = std::make_unique<FixtureCourse>(rows);
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=240x180:rate=10:duration=12"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=frequency=500:duration=12"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                QStringLiteral("pcm_s16le"), m_course->folder() + QStringLiteral("/video/presentarse.avi") });
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        m_course->addPicture(QStringLiteral("panel.bmp"), QSize(300, 60), Qt::black);
        m_course->addPicture(QStringLiteral("icono.bmp"), QSize(36, 36), Qt::yellow);
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(30, 30), Qt::yellow);
        m_course->addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        m_course->addTone(QStringLiteral("click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
    }

    void init()
    {
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        shell().registerWindow(QStringLiteral("frmms"), [](Shell& s) { return new BackScreen(s, QStringLiteral("frmms"), 1); });
        m_screen = static_cast<VideoScreen*>(shell().window(QStringLiteral("frmsa")));
    }

    void cleanup() { m_harness.reset(); }

    void theContainerTakesTheVideosSizeOnlyOnceOpen()
    {
        m_screen->ensureLoaded();
        QCOMPARE(m_screen->saltovideo(), 5);
        state().CurrentLesson = 11;
        m_screen->LessonSetup();
        QVERIFY(m_screen->videocont->isHidden());
        QCOMPARE(m_screen->video->size(), QSize(VideoScreen::ClosedSize, VideoScreen::ClosedSize));
        QCOMPARE(m_screen->videocont->pos(), QPoint(170, 110));
        QCOMPARE(m_screen->Labels.front()->text(), QStringLiteral("Presentarse"));

        shell().showScreen(m_screen);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->videocont->isVisible(), openTimeoutMs);
        QCOMPARE(m_screen->videocont->size(), QSize(240, 180));
        QCOMPARE(m_screen->video->geometry(), QRect(0, 0, 240, 180));
        QCOMPARE(m_screen->video->position(), 0.0);
        QVERIFY(m_screen->VidControl->isVisible());
    }

    void theJumpsMoveBySaltovideo()
    {
        openAndWaitUntilReady();
        VideoPlayer* video = m_screen->video;
        video->setPosition(1);
        QTRY_VERIFY(qAbs(video->position() - 1) < 0.1);
        press(VideoScreen::JumpForward);
        QTRY_VERIFY2(qAbs(video->position() - 6) < 0.1, qPrintable(QString::number(video->position())));
        press(VideoScreen::JumpBack);
        press(VideoScreen::JumpBack); // before the start: the control keeps it at 0
        QTRY_VERIFY2(video->position() < 0.1, qPrintable(QString::number(video->position())));
        press(VideoScreen::ToEnd);
        QTRY_VERIFY(qAbs(video->position() - video->duration()) < 0.2);
        press(VideoScreen::ToStart);
        QTRY_VERIFY(video->position() < 0.1);
    }

    void fullScreenThenWindowedPlay()
    {
        AudioProbe probe;
        QVERIFY2(probe.start(), qPrintable(probe.errorString()));
        openAndWaitUntilReady();
        VideoPlayer* video = m_screen->video;
        state().Volume = -600;
        press(VideoScreen::PlayFullScreen);
        QTRY_COMPARE(video->currentState(), int(VideoPlayer::Running));
        QCOMPARE(video->fullScreenMode(), VideoPlayer::FullScreenMode::On);
        QCOMPARE(video->volume(), -600);
        probe.record(200);
        const QVector<float> heard = probe.record(500);
        QVERIFY2(AudioProbe::rmsDb(heard) > -40, qPrintable(QStringLiteral("the video is not heard: %1 dB").arg(AudioProbe::rmsDb(heard))));
        QVERIFY(qAbs(AudioProbe::dominantFrequency(heard) - 500) < 5);

        press(VideoScreen::Pause);
        QTRY_COMPARE(video->currentState(), int(VideoPlayer::Paused));
        press(VideoScreen::PlayWindowed);
        QTRY_COMPARE(video->currentState(), int(VideoPlayer::Running));
        QCOMPARE(video->fullScreenMode(), VideoPlayer::FullScreenMode::Off);
        QVERIFY(!video->isShowingFullScreen());
        press(VideoScreen::Stop);
        QTRY_COMPARE(video->currentState(), int(VideoPlayer::Stopped));
    }

    void minimisingTheWindowKeepsThePlace()
    {
        openAndWaitUntilReady();
        press(VideoScreen::PlayWindowed);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->video->position() > 1.0, 5000);
        m_harness->host->showMinimized();
        QTest::qWait(200);
        m_harness->host->showNormal();
        QVERIFY(m_screen->isVisible());
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QVERIFY(m_screen->video->position() > 1.0);
    }

    void everyActivationStartsTheVideoAgain()
    {
        openAndWaitUntilReady();
        press(VideoScreen::PlayWindowed);
        QTRY_VERIFY(m_screen->video->position() > 0.5);
        openLesson(11); // as on the return from the help
        QVERIFY(m_screen->videocont->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->videocont->isVisible(), openTimeoutMs);
        QVERIFY(m_screen->video->position() < 0.1);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Stopped));
    }

    void aMissingVideoIsToldAndTheLearnerCanLeave()
    {
        openLesson(12);
        QTRY_COMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QVERIFY(m_harness->events(QStringLiteral("message")).last().value(QStringLiteral("detail")).toString().contains(QStringLiteral("falta.avi")));
        QTest::qWait(300);
        QVERIFY(m_screen->videocont->isHidden());
        press(VideoScreen::PlayWindowed); // on an empty control: nothing happens
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Stopped));
        state().History = { { 1, 1 }, { 12, 3 } };
        state().HistoryTop = state().HistoryCursor = state().HistoryFurthest = 1;
        press(PanelScreen::Leave);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QVERIFY(m_screen->isHidden());
    }

    void thePanelIsTheCarouselsPanel()
    {
        openAndWaitUntilReady();
        ControlPanel* panel = m_screen->VidControl;
        QVERIFY(panel->holdsButton(m_screen->buttonWithAction(VideoScreen::PlayFullScreen)));
        // The panel lies over the video and stays on the picture however far it is dragged.
        panel->dragBy(QPoint(200, -250));
        QCOMPARE(panel->pos(), QPoint(300, 110));
        QVERIFY(m_screen->videocont->geometry().intersects(panel->geometry()));
        QWidget* top = m_screen->Picture1->childAt(panel->geometry().center());
        QCOMPARE(top, static_cast<QWidget*>(panel));
        press(PanelScreen::MinimisePanel);
        QVERIFY(panel->isHidden());
        QCOMPARE(panel->Minimizar->pos(), QPoint(640 - 36, 480 - 36));
    }
};

QTEST_MAIN(VideoScreenTest)
#include "tst_videoscreen.moc"
