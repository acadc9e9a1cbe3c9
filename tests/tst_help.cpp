#include "AudioProbe.h"
#include "HelpOverlay.h"
#include "MainMapScreen.h"
#include "MediaPlayer.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "SoundChannels.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

// Help rows: one per map lesson (screen 1, object 2, colorfont = lesson) and one for
// screen 4. The carousel's row has no sound; screen 7's names a sound that is not there.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0), (60, 'Ciudad', 1, 'mapa.bmp', 'mascara.bmp', 1, 16),"
    "  (10, 'Saludos', 4, 'x.wav', null, 1, 11);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, colorfont) values"
    "  (1, 0, 0, 0, 0, null, null, 0, 0),"
    "  (1, 5, 0, 10, 420, null, 'b.bmp', 23, 0),"
    "  (1, 2, 0, 40, 40, 'ayuda_mapa.bmp', 'voz.wav', 0, 1),"
    "  (1, 2, 1, 50, 30, 'ayuda_ciudad.bmp', 'voz.wav', 1, 60),"
    "  (4, 2, 0, 20, 20, 'ayuda_carrusel.bmp', 'voz.wav', 0, 0),"
    "  (7, 2, 0, 20, 20, 'ayuda_carrusel.bmp', 'falta.wav', 0, 0),"
    "  (3, 2, 0, 20, 20, 'no_esta.bmp', 'voz.wav', 0, 0);"
    "insert into sonidospantalla values (1, 1, 'fondo.wav', 'click.wav', 'cambio.wav'), (1, 60, 'fondo.wav', 'click.wav', 'cambio.wav'),"
    "  (4, 0, null, 'click.wav', 'cambio.wav'), (3, 0, null, 'click.wav', 'cambio.wav'), (2, 0, null, 'click.wav', 'cambio.wav'), (7, 0, null, 'click.wav', 'cambio.wav');");

const QColor mapHelp(200, 0, 0);
const QColor cityHelp(0, 200, 0);
const QColor carouselHelp(0, 0, 200);

/// A content screen that has a help button but no screen of its own yet.
class HelpfulScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    void askForHelp() { HelpOverlay::open(shell(), *this); }
};

} // namespace

class HelpTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }
    QList<QJsonObject> helpEvents(const QString& op)
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("help")))
            if (e.value(QStringLiteral("op")).toString() == op)
                found << e;
        return found;
    }
    HelpOverlay* overlay() { return qobject_cast<HelpOverlay*>(shell().existingWindow(QStringLiteral("frmayu"))); }

    /// Shows SCREEN (number NUMBER, lesson LESSON), asks it for help and waits for the overlay.
    HelpfulScreen* openHelpFrom(const QString& window, qint16 number, qint16 lesson)
    {
        shell().registerWindow(window, [window, number](Shell& s) { return new HelpfulScreen(s, window, number); });
        auto* screen = static_cast<HelpfulScreen*>(shell().window(window));
        state().CurrentLesson = lesson;
        shell().showScreen(screen);
        [&] { QTRY_COMPARE(state().CurrentScreen, number); }();
        screen->askForHelp();
        [&] { QTRY_COMPARE(int(helpEvents(QStringLiteral("open")).size()), 1); }();
        return screen;
    }

    QColor helpColour() { return overlay()->Picture1->pixmap().toImage().pixelColor(3, 3); }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addMinimalMap();
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(40, 40), Qt::yellow);
        m_course->addPicture(QStringLiteral("ayuda_mapa.bmp"), QSize(560, 400), mapHelp);
        m_course->addPicture(QStringLiteral("ayuda_ciudad.bmp"), QSize(500, 380), cityHelp);
        m_course->addPicture(QStringLiteral("ayuda_carrusel.bmp"), QSize(600, 440), carouselHelp);
        m_course->addTone(QStringLiteral("voz.wav"), 2.5, 550);
        m_course->addTone(QStringLiteral("fondo.wav"), 4.0, 330);
        m_course->addTone(QStringLiteral("click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void theRowFollowsTheScreen_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("lesson");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("background");
        QTest::newRow("home map") << "frmms" << 1 << 1 << "codigo = 1 and objeto = 2 and colorfont = 1" << mapHelp << QPoint(40, 40) << QColor(Qt::black);
        QTest::newRow("city map") << "frmms" << 1 << 60 << "codigo = 1 and objeto = 2 and colorfont = 60" << cityHelp << QPoint(50, 30) << QColor(Qt::white);
        QTest::newRow("carousel, any lesson") << "frmct" << 4 << 10 << "codigo = 4 and objeto = 2" << carouselHelp << QPoint(20, 20) << QColor(Qt::black);
    }

    void theRowFollowsTheScreen()
    {
        QFETCH(QString, window);
        QFETCH(int, screen);
        QFETCH(int, lesson);
        QFETCH(QString, row);
        QFETCH(QColor, colour);
        QFETCH(QPoint, at);
        // A kind of lesson left behind by a move back through the history does not matter.
        state().CurrentTipo = 4;
        openHelpFrom(window, qint16(screen), qint16(lesson));
        QCOMPARE(helpEvents(QStringLiteral("open")).last().value(QStringLiteral("row")).toString(), row);
        QCOMPARE(helpColour(), colour);
        QCOMPARE(overlay()->Picture1->pos(), at);
        QFETCH(QColor, background);
        QCOMPARE(overlay()->backdrop(), background);
    }

    void itReturnsByItselfWhenItsSoundEnds()
    {
        AudioProbe probe;
        QVERIFY2(probe.start(), qPrintable(probe.errorString()));
        HelpfulScreen* carousel = openHelpFrom(QStringLiteral("frmct"), 4, 10);
        QVERIFY(carousel->isHidden());
        QVERIFY(overlay()->isVisible());
        // The sound starts with the first tick of the clock and is heard.
        QTRY_VERIFY_WITH_TIMEOUT(overlay()->player().state() == MediaPlayer::State::Running, 3000);
        probe.record(200);
        const QVector<float> heard = probe.record(800);
        QVERIFY2(AudioProbe::rmsDb(heard) > -40, qPrintable(QStringLiteral("the help is not heard: %1 dB").arg(AudioProbe::rmsDb(heard))));
        QVERIFY(qAbs(AudioProbe::dominantFrequency(heard) - 550) < 5);
        QTRY_VERIFY_WITH_TIMEOUT(overlay()->player().position() == overlay()->player().duration(), 3000);
        QElapsedTimer sinceTheEnd;
        sinceTheEnd.start();
        QTRY_COMPARE_WITH_TIMEOUT(int(helpEvents(QStringLiteral("return")).size()), 1, 4000);
        QVERIFY2(sinceTheEnd.elapsed() <= HelpOverlay::SoundClockMs + 500, qPrintable(QString::number(sinceTheEnd.elapsed())));
        QCOMPARE(helpEvents(QStringLiteral("return")).last().value(QStringLiteral("screen")).toInt(), 4);
        QTRY_VERIFY(carousel->isVisible());
        QTRY_VERIFY(!overlay()); // unloaded
    }

    void aClickReturnsAtOnce()
    {
        openHelpFrom(QStringLiteral("frmct"), 4, 10);
        QTest::mouseClick(overlay()->Picture1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(int(helpEvents(QStringLiteral("return")).size()), 1);
        QTRY_VERIFY(shell().existingWindow(QStringLiteral("frmct"))->isVisible());
        QTRY_COMPARE(state().CurrentScreen, 4);
    }

    void aScreenOutsideTheListGetsItsCallerBack()
    {
        // Screen 2 has no window of its own to return to by number.
        HelpfulScreen* caller = openHelpFrom(QStringLiteral("frmdos"), 2, 10);
        QCOMPARE(helpEvents(QStringLiteral("open")).last().value(QStringLiteral("row")).toString(), QString()); // no help row
        QTest::mouseClick(overlay(), Qt::LeftButton, {}, QPoint(5, 5)); // no picture: the window returns as well
        QTRY_VERIFY(caller->isVisible());
        QCOMPARE(helpEvents(QStringLiteral("return")).last().value(QStringLiteral("screen")).toInt(), 2);
    }

    void aMissingSoundIsToldAndTheHelpWaitsForAClick()
    {
        HelpfulScreen* caller = openHelpFrom(QStringLiteral("frmft"), 7, 10);
        QCOMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QVERIFY(m_harness->events(QStringLiteral("message")).last().value(QStringLiteral("detail")).toString().contains(QStringLiteral("falta.wav")));
        QCOMPARE(helpColour(), carouselHelp); // the picture is still there
        QTest::qWait(HelpOverlay::SoundClockMs + 300);
        QVERIFY(helpEvents(QStringLiteral("return")).isEmpty());
        QTest::mouseClick(overlay()->Picture1, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(caller->isVisible());
    }

    void aMissingPictureIsToldOncePerOpening()
    {
        HelpfulScreen* caller = openHelpFrom(QStringLiteral("frmsa"), 3, 10);
        QTRY_COMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QTest::qWait(50);
        QCOMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QVERIFY(m_harness->events(QStringLiteral("message")).last().value(QStringLiteral("detail")).toString().contains(QStringLiteral("no_esta.bmp")));
        overlay()->PictureClick();
        QTRY_VERIFY(caller->isVisible());
        caller->askForHelp(); // a new opening tells again
        QTRY_COMPARE(m_harness->events(QStringLiteral("message")).size(), 2);
    }

    void aLengthNotYetKnownIsNotTheEnd()
    {
        openHelpFrom(QStringLiteral("frmct"), 4, 10);
        QTRY_VERIFY_WITH_TIMEOUT(overlay()->player().state() == MediaPlayer::State::Running, 3000);
        // A player that reports no length yet stands at 0 of 0: the help waits for its sound.
        overlay()->player().release();
        overlay()->SoundClock();
        QVERIFY(helpEvents(QStringLiteral("return")).isEmpty());
        QVERIFY(overlay()->isVisible());
    }

    void theMapsHelpButtonStopsTheMapAndComesBack()
    {
        auto* map = static_cast<MainMapScreen*>(shell().window(QStringLiteral("frmms")));
        state().CurrentLesson = 60;
        shell().showScreen(map);
        QTRY_COMPARE(state().CurrentScreen, 1);
        MediaPlayer& background = shell().sounds().channel(SoundChannels::Channel::Background);
        QCOMPARE(background.state(), MediaPlayer::State::Running);
        map->MapButtonClick(map->buttonWithAction(23));
        QTRY_COMPARE(int(helpEvents(QStringLiteral("open")).size()), 1);
        QVERIFY(map->isHidden());
        QCOMPARE(background.state(), MediaPlayer::State::Stopped);
        QCOMPARE(helpColour(), cityHelp);
        overlay()->PictureClick();
        QTRY_VERIFY(map->isVisible());
        QCOMPARE(background.state(), MediaPlayer::State::Running);
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
