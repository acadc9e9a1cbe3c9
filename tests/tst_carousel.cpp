#include "AudioProbe.h"
#include "CarouselScreen.h"
#include "ComponentLibrary.h"
#include "ControlPanel.h"
#include "CourseTree.h"
#include "ExplorerScreen.h"
#include "GlossaryScreen.h"
#include "FrameButton.h"
#include "MediaPlayer.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"

#include <QtTest>

namespace {

// Lesson 10: a 5 s tone under sequence 1 (first entry after 0 ms, entries 1 and 2 share
// picture 2). Lesson 12: sequence 2 with an entry at 2500 ms. Lesson 13: no sequence
// rows. Lesson 14: a sound that is not there. Lesson 15: a picture that is not there.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, codigo_wav) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null), (10, 'Los saludos', 4, 'sonidos\\pista.wav', 1, 11, 1),"
    "  (12, 'Segundos', 4, 'sonidos\\pista.wav', 1, 11, 2), (13, 'Vacío', 4, 'sonidos\\pista.wav', 1, 11, 3),"
    "  (14, 'Sin sonido', 4, 'sonidos\\falta.wav', 1, 11, 1), (15, 'Sin imagen', 4, 'sonidos\\pista.wav', 1, 11, 4);"
    "insert into carrusel (codigoimagen, ficheroimagen) values (1, 'c\\uno.bmp'), (2, 'c\\dos.bmp'), (3, 'c\\tres.bmp'), (9, 'c\\falta.bmp');"
    "insert into wavcarrusel (codigo, codigoimagen, segundo) values"
    "  (1, 1, 1500), (1, 2, 2000), (1, 2, 3000), (1, 3, 4000),"
    "  (2, 1, 500), (2, 2, 2500), (2, 3, 4000),"
    "  (4, 1, 0), (4, 9, 1000);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, ancho, alto, colorfont) values"
    "  (4, 0, 0, 0, 0, 'fondo.bmp', null, 0, 0, 0, 0),"
    "  (4, 9, 0, 100, 8, null, null, 0, 440, 28, 1),"
    "  (4, 7, 0, 100, 300, 'panel.bmp', null, 0, 0, 0, 0),"
    "  (4, 5, 0, 10, 430, null, 'b.bmp', 15, 0, 0, 0), (4, 5, 0, 60, 430, null, 'b.bmp', 23, 0, 0, 0),"
    "  (4, 5, 0, 108, 320, null, 'b.bmp', 5, 0, 0, 0), (4, 5, 0, 140, 320, null, 'b.bmp', 6, 0, 0, 0),"
    "  (4, 5, 0, 172, 320, null, 'b.bmp', 7, 0, 0, 0), (4, 5, 0, 204, 320, null, 'b.bmp', 8, 0, 0, 0),"
    "  (4, 5, 0, 236, 320, null, 'b.bmp', 9, 0, 0, 0), (4, 5, 0, 268, 320, null, 'b.bmp', 10, 0, 0, 0),"
    "  (4, 5, 0, 300, 320, null, 'b.bmp', 11, 0, 0, 0), (4, 5, 0, 332, 320, 'icono.bmp', 'b.bmp', 25, 0, 0, 0);"
    "insert into sonidospantalla values (4, 0, null, 'click.wav', 'cambio.wav'), (1, 1, null, 'click.wav', 'cambio.wav');"
    // The explorer over it: 300 x 400, its tree from (14, 48), its close button at (262, 10).
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'La familia');"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont) values"
    "  (10, 1, 0, 0, 0, 300, 400, 'panel.bmp', null, 0, null, null),"
    "  (10, 5, 0, 262, 10, 0, 0, null, 'b.bmp', 0, null, null), (10, 5, 0, 262, 10, 0, 0, null, 'b.bmp', 0, null, null),"
    "  (10, 16, 0, 14, 48, 272, 300, 'icono.bmp', 'icono.bmp', 0, 'DejaVu Sans', 9);"
    // The glossary over it: 400 x 300, its lists and their boxes.
    "insert into glosesp (id_esp, termino) values (1, 'casa');"
    "insert into glosing (id_ing, termino) values (1, 'house');"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
    "  (8, 1, 0, 0, 0, 400, 300, null, null, '200220240', 0, null, null),"
    "  (8, 6, 1, 10, 70, 180, 190, 'b.bmp', 'b.bmp', '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 6, 2, 210, 70, 180, 190, 'b.bmp', 'b.bmp', '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 15, 1, 10, 40, 180, 22, null, null, '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 15, 2, 210, 40, 180, 22, null, null, '255255255', 0, 'DejaVu Sans', 9);");

const QColor fondo(Qt::darkGray);
const QColor uno(200, 0, 0);
const QColor dos(0, 200, 0);
const QColor tres(0, 0, 200);

/// Any screen the carousel goes back to.
class BackScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
};

} // namespace

class CarouselTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    CarouselScreen* m_carousel = nullptr;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }
    QList<QJsonObject> carouselEvents(const QString& op)
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("carousel")))
            if (e.value(QStringLiteral("op")).toString() == op)
                found << e;
        return found;
    }

    /// Opens LESSON on the carousel and waits for its sequence; the picture clock is then
    /// left to the test, which drives it at positions of its choosing.
    void openLesson(qint16 lesson)
    {
        const int builds = int(carouselEvents(QStringLiteral("build")).size());
        state().CurrentLesson = lesson;
        shell().showScreen(m_carousel);
        QTRY_COMPARE(int(carouselEvents(QStringLiteral("build")).size()), builds + 1);
        m_carousel->Timer2->stop();
        m_carousel->sonido().pause();
    }

    /// Moves the sound to SECONDS and runs one tick of the picture clock.
    void tickAt(double seconds)
    {
        m_carousel->sonido().setPosition(seconds);
        QTRY_VERIFY(qAbs(m_carousel->sonido().position() - seconds) < 0.05);
        m_carousel->PictureClock();
    }

    void press(int accion)
    {
        const int index = m_carousel->buttonWithAction(accion);
        QVERIFY(index > 0);
        emit m_carousel->Imagex[size_t(index)]->clicked(index);
    }

    QColor shown() const { return m_carousel->Picture1->pixmap().toImage().pixelColor(5, 60); }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), fondo);
        m_course->addPicture(QStringLiteral("c/uno.bmp"), QSize(640, 480), uno);
        m_course->addPicture(QStringLiteral("c/dos.bmp"), QSize(640, 480), dos);
        m_course->addPicture(QStringLiteral("c/tres.bmp"), QSize(640, 480), tres);
        m_course->addPicture(QStringLiteral("panel.bmp"), QSize(300, 60), Qt::black);
        m_course->addPicture(QStringLiteral("icono.bmp"), QSize(36, 36), Qt::yellow);
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(30, 30), Qt::yellow);
        m_course->addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        m_course->addTone(QStringLiteral("sonidos/pista.wav"), 5.0, 440);
        m_course->addTone(QStringLiteral("click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        shell().registerWindow(QStringLiteral("frmms"), [](Shell& s) { return new BackScreen(s, QStringLiteral("frmms"), 1); });
        m_carousel = static_cast<CarouselScreen*>(shell().window(QStringLiteral("frmct")));
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void buildsTheSequenceAndPlaysTheSound()
    {
        AudioProbe probe;
        QVERIFY2(probe.start(), qPrintable(probe.errorString()));
        state().CurrentLesson = 10;
        shell().showScreen(m_carousel);
        QTRY_COMPARE(int(carouselEvents(QStringLiteral("build")).size()), 1);
        QCOMPARE(int(m_carousel->imagenes().size()), 4);
        QCOMPARE(m_carousel->codigowav(), 1);
        QCOMPARE(m_carousel->imagenes()[1].segundo, 2000.0);
        QCOMPARE(m_carousel->imagenes()[1].ficheroimagen.size(), CarouselScreen::ImagenCarrusel::FileNameLength);
        QCOMPARE(m_carousel->Labels.front()->text(), QStringLiteral("Los saludos"));
        QVERIFY(m_carousel->VidControl->isVisible());
        QCOMPARE(state().CarouselBackground, QStringLiteral("fondo.bmp"));
        QCOMPARE(shown(), uno); // entry 0 replaces the background at once
        const QVector<float> heard = probe.record(600);
        QVERIFY2(AudioProbe::rmsDb(heard) > -40, "the carousel's sound track is not heard");
        QVERIFY(qAbs(AudioProbe::dominantFrequency(heard) - 440) < 5);
    }

    void entryZeroIsShownBeforeItsTime()
    {
        openLesson(10);
        tickAt(2.2); // a later picture is on show
        QCOMPARE(shown(), dos);
        tickAt(0.9); // entry 0 enters at 1500 ms
        QCOMPARE(shown(), uno);
        const QList<QJsonObject> pictures = carouselEvents(QStringLiteral("picture"));
        QCOMPARE(pictures.last().value(QStringLiteral("index")).toInt(), 0);
        QCOMPARE(m_carousel->indiceactual(), 0);
        // A sound waiting before entry 0 shows it once, not once a tick.
        m_carousel->PictureClock();
        tickAt(0.3);
        QCOMPARE(int(carouselEvents(QStringLiteral("picture")).size()), int(pictures.size()));
        QCOMPARE(shown(), uno);
    }

    void aRepeatedPictureIsNotReloaded()
    {
        openLesson(10);
        tickAt(2.2);
        QCOMPARE(m_carousel->indiceactual(), 1);
        QCOMPARE(shown(), dos);
        const int pictures = int(carouselEvents(QStringLiteral("picture")).size());
        tickAt(3.3); // entry 2 shows picture 2 as well
        QCOMPARE(m_carousel->indiceactual(), 2);
        QCOMPARE(int(carouselEvents(QStringLiteral("picture")).size()), pictures);
        tickAt(4.2);
        QCOMPARE(int(carouselEvents(QStringLiteral("picture")).size()), pictures + 1);
        QCOMPARE(shown(), tres);
    }

    void pictureButtons_data()
    {
        QTest::addColumn<double>("at");
        QTest::addColumn<int>("accion");
        QTest::addColumn<double>("expected");
        QTest::addColumn<int>("pictureIndex"); // -1: no picture loaded by the button
        // Sequence 2: entries at 500, 2500 and 4000 ms.
        QTest::newRow("next seeks whole seconds") << 0.7 << int(CarouselScreen::NextPicture) << 2.0 << 1;
        QTest::newRow("next on the last entry does nothing") << 4.3 << int(CarouselScreen::NextPicture) << 4.3 << -1;
        QTest::newRow("previous seeks whole seconds") << 4.3 << int(CarouselScreen::PreviousPicture) << 2.0 << -1;
        QTest::newRow("previous on entry 0 rewinds") << 0.7 << int(CarouselScreen::PreviousPicture) << 0.0 << -1;
    }

    void pictureButtons()
    {
        QFETCH(double, at);
        QFETCH(int, accion);
        QFETCH(double, expected);
        QFETCH(int, pictureIndex);
        openLesson(12);
        tickAt(at);
        const int pictures = int(carouselEvents(QStringLiteral("picture")).size());
        press(accion);
        QTRY_VERIFY2(qAbs(m_carousel->sonido().position() - expected) < 0.05,
            qPrintable(QStringLiteral("position %1").arg(m_carousel->sonido().position())));
        const QList<QJsonObject> loaded = carouselEvents(QStringLiteral("picture"));
        if (pictureIndex < 0) {
            QCOMPARE(int(loaded.size()), pictures);
        } else {
            QCOMPARE(int(loaded.size()), pictures + 1);
            QCOMPARE(loaded.last().value(QStringLiteral("index")).toInt(), pictureIndex);
        }
        QCOMPARE(carouselEvents(QStringLiteral("button")).last().value(QStringLiteral("code")).toInt(), accion);
    }

    void theEndRewindsToEntryZero()
    {
        openLesson(10);
        m_carousel->sonido().run();
        press(CarouselScreen::ToEnd);
        QCOMPARE(m_carousel->indiceactual(), 3);
        QTRY_COMPARE(m_carousel->sonido().position(), m_carousel->sonido().duration());
        m_carousel->PictureClock(); // sees the end
        QCOMPARE(m_carousel->sonido().position(), 0.0);
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Stopped);
        m_carousel->PictureClock();
        QCOMPARE(shown(), uno);
        const int pictures = int(carouselEvents(QStringLiteral("picture")).size());
        for (int tick = 0; tick < 3; ++tick)
            m_carousel->PictureClock(); // the sound waits at its start: nothing changes
        QCOMPARE(int(carouselEvents(QStringLiteral("picture")).size()), pictures);
    }

    void minimisingTheWindowIsNotLeaving()
    {
        state().CurrentLesson = 10;
        shell().showScreen(m_carousel);
        QTRY_COMPARE(m_carousel->sonido().state(), MediaPlayer::State::Running);
        QVERIFY(m_carousel->Timer2->isActive());
        m_harness->host->showMinimized();
        QVERIFY(m_harness->host->isMinimized());
        QTest::qWait(100);
        QVERIFY(m_carousel->Timer2->isActive());
        QVERIFY(m_carousel->Timer1->isActive());
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Running);
        m_harness->host->showNormal();
        QVERIFY(m_carousel->isVisible());
        QVERIFY(m_carousel->Timer2->isActive());
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Running);
        // Leaving the screen still silences it.
        m_carousel->hide();
        QVERIFY(!m_carousel->Timer2->isActive());
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Stopped);
    }

    void everyActivationStartsAfresh()
    {
        openLesson(10);
        tickAt(4.2);
        QCOMPARE(m_carousel->indiceactual(), 3);
        openLesson(10); // as on the return from the help or through navigation
        QCOMPARE(int(m_carousel->imagenes().size()), 4);
        QCOMPARE(m_carousel->indiceactual(), 0);
        QVERIFY(m_carousel->sonido().position() < 0.5);
        QCOMPARE(shown(), uno);
        openLesson(12); // another lesson: its own sequence only
        QCOMPARE(int(m_carousel->imagenes().size()), 3);
        QCOMPARE(m_carousel->imagenes()[1].segundo, 2500.0);
    }

    void closingAWindowOverItLeavesTheTrackPlaying_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("the explorer") << int(Navigator::Explorar);
        QTest::newRow("the glossary") << int(Navigator::Buscar);
    }
    void closingAWindowOverItLeavesTheTrackPlaying()
    {
        QFETCH(int, action);
        ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        state().CurrentLesson = 10;
        shell().showScreen(m_carousel);
        QTRY_COMPARE(m_carousel->sonido().state(), MediaPlayer::State::Running);
        QTRY_VERIFY(m_carousel->sonido().position() > 0.6);
        shell().navigator().RunNavAction(action, state().CurrentScreen);
        Screen* overlay = nullptr;
        QTRY_VERIFY((overlay = shell().overlay()) && (state().ExplorerOpen || state().GlossaryOpen));
        QVERIFY(!m_carousel->isInputEnabled());
        auto* explorer = qobject_cast<ExplorerScreen*>(overlay);
        auto* glossary = qobject_cast<GlossaryScreen*>(overlay);
        QVERIFY(explorer || glossary);
        QWidget* close = explorer ? static_cast<QWidget*>(explorer->Imagex[0]) : static_cast<QWidget*>(glossary->Imagex[0]);
        const int builds = int(carouselEvents(QStringLiteral("build")).size());
        const int activations = int(m_harness->events(QStringLiteral("screen.activate")).size());
        const double before = m_carousel->sonido().position();

        QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE(int(m_harness->events(QStringLiteral("screen.activate")).size()), activations + 1);
        QVERIFY(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("held")).toBool());
        QVERIFY(!state().ExplorerOpen && !state().GlossaryOpen);
        QVERIFY(m_carousel->isInputEnabled());
        // The track goes on from where it was, its pictures with it.
        QTest::qWait(300);
        QCOMPARE(int(carouselEvents(QStringLiteral("build")).size()), builds);
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Running);
        QVERIFY2(m_carousel->sonido().position() > before, qPrintable(QStringLiteral("%1 after %2").arg(m_carousel->sonido().position()).arg(before)));
    }

    void aCarouselLessonChosenInTheExplorerEntersOnce()
    {
        state().CurrentLesson = 10;
        shell().showScreen(m_carousel);
        QTRY_COMPARE(int(carouselEvents(QStringLiteral("build")).size()), 1);
        shell().navigator().RunNavAction(Navigator::Explorar, state().CurrentScreen);
        ExplorerScreen* explorer = nullptr;
        QTRY_VERIFY((explorer = qobject_cast<ExplorerScreen*>(shell().overlay())) && state().ExplorerOpen);
        const int activations = int(m_harness->events(QStringLiteral("screen.activate")).size());
        const int changes = m_harness->soundCount(QStringLiteral("change"), QStringLiteral("run"));

        CourseTree* tree = explorer->arbol;
        QTreeWidgetItem* lesson = tree->node(QStringLiteral("N 12"));
        QVERIFY(lesson);
        tree->scrollToItem(lesson);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(lesson).center());
        QTRY_COMPARE(int(carouselEvents(QStringLiteral("build")).size()), 2);
        QTRY_COMPARE(state().CurrentLesson, qint16(12));
        // Whatever comes later, the lesson is entered once: its sequence built once, the
        // change sound left to play.
        QTest::qWait(500);
        QCOMPARE(int(carouselEvents(QStringLiteral("build")).size()), 2);
        QCOMPARE(m_carousel->codigowav(), 2);
        int entered = 0;
        const QList<QJsonObject> after = m_harness->events(QStringLiteral("screen.activate")).mid(activations);
        for (const QJsonObject& e : after)
            entered += e.value(QStringLiteral("window")).toString() == QLatin1String("frmct") && !e.contains(QStringLiteral("held"));
        QCOMPARE(entered, 1);
        QCOMPARE(m_harness->soundCount(QStringLiteral("change"), QStringLiteral("run")), changes + 1);
        QVERIFY(!shell().overlay());
        QVERIFY(m_carousel->isInputEnabled());
    }

    void anEmptySequenceLeavesThePicturesAlone()
    {
        openLesson(13);
        QVERIFY(m_carousel->imagenes().empty());
        QCOMPARE(shown(), fondo);
        tickAt(1.0);
        press(CarouselScreen::NextPicture);
        press(CarouselScreen::PreviousPicture);
        QVERIFY(carouselEvents(QStringLiteral("picture")).isEmpty());
        QCOMPARE(shown(), fondo);
        QVERIFY(qAbs(m_carousel->sonido().position() - 1.0) < 0.05); // previous did not rewind either
    }

    void missingFilesAreReportedAndTheLearnerCanLeave()
    {
        openLesson(14);
        QCOMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QVERIFY(m_harness->events(QStringLiteral("message")).last().value(QStringLiteral("detail")).toString().contains(QStringLiteral("falta.wav")));
        QCOMPARE(int(m_carousel->imagenes().size()), 4); // the pictures still come
        openLesson(15);
        tickAt(1.2); // entry 1 names a missing picture: told once, however often the clock comes
        tickAt(1.5);
        const QList<QJsonObject> messages = m_harness->events(QStringLiteral("message"));
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.last().value(QStringLiteral("detail")).toString().contains(QStringLiteral("falta.bmp")));
        state().History = { { 1, 1 }, { 15, 4 } }; // came from the map
        state().HistoryTop = state().HistoryCursor = state().HistoryFurthest = 1;
        press(PanelScreen::Leave);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QVERIFY(m_carousel->isHidden());
        QCOMPARE(m_carousel->sonido().state(), MediaPlayer::State::Stopped);
        QCOMPARE(m_carousel->Picture1->pixmap().toImage().pixelColor(5, 60), fondo); // its own background again
    }

    void thePanelMinimisesAndStaysOnThePicture()
    {
        openLesson(10);
        ControlPanel* panel = m_carousel->VidControl;
        const int play = m_carousel->buttonWithAction(CarouselScreen::Play);
        QVERIFY(panel->holdsButton(play));
        QVERIFY(!panel->holdsButton(m_carousel->buttonWithAction(PanelScreen::Leave)));

        // Dragged far beyond the picture, it stops at its edge with its buttons.
        const ButtonRecord before = m_carousel->buttons()[size_t(play)];
        const QPoint moved = panel->dragBy(QPoint(-5000, -5000));
        QCOMPARE(panel->pos(), QPoint(0, 0));
        QCOMPARE(moved, QPoint(-100, -300));
        QCOMPARE(m_carousel->buttons()[size_t(play)].left, qint16(before.left - 100));
        QCOMPARE(m_carousel->Imagex[size_t(play)]->pos(), QPoint(before.left - 100, before.top - 300));
        panel->dragBy(QPoint(5000, 5000));
        QCOMPARE(panel->geometry().bottomRight(), QPoint(639, 479));

        // The button lights where the panel now is, by a pointer move over the panel.
        const ButtonRecord& now = m_carousel->buttons()[size_t(play)];
        QTest::mouseMove(panel, QPoint(now.left - panel->x() + 3, now.top - panel->y() + 3));
        QTRY_VERIFY(m_carousel->Imagex[size_t(play)]->isVisible());

        press(PanelScreen::MinimisePanel);
        QVERIFY(panel->isHidden());
        QVERIFY(!panel->isEnabled());
        QVERIFY(m_carousel->Imagex[size_t(play)]->isHidden());
        QVERIFY(panel->Minimizar->isVisible());
        QCOMPARE(panel->Minimizar->geometry().bottomRight(), QPoint(639, 479));
        m_carousel->BackgroundMouseMove(now.left + 3, now.top + 3); // a hidden panel's buttons do not light
        QVERIFY(m_carousel->Imagex[size_t(play)]->isHidden());
        QTest::mouseClick(panel->Minimizar, Qt::LeftButton);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->Minimizar->isHidden());
    }
};

QTEST_MAIN(CarouselTest)
#include "tst_carousel.moc"
