#include "BigPictureScreen.h"
#include "PictureEffect.h"
#include "FrameButton.h"
#include "MainMapScreen.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "SoundChannels.h"
#include "StartUp.h"

#include <QPainter>
#include <QtTest>

namespace {

// Home map (lesson 1): red region chapter 11, green chapter 12, blue shared by 14 and 13;
// below them yellow chapter 15 (picture cards, kind 5) and cyan chapter 16 (a kind 9 the
// player does not know). City map (lesson 20, kind 1) under chapter 12. Buttons along the
// bottom of the map, and one (big picture) in the middle of the city's unknown colour.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0),"
    "  (10, 'Vídeo uno', 3, 'v.avi', null, 1, 11), (11, 'Vídeo dos', 3, 'v.avi', null, 1, 11),"
    "  (20, 'Ciudad', 1, 'ciudad.bmp', 'ciudad_mascara.bmp', 1, 12), (21, 'Mercado', 3, 'v.avi', null, 20, 21),"
    "  (30, 'Canción', 3, 'v.avi', null, 1, 13), (40, 'Presentación', 2, null, null, 1, 15), (41, 'Rara', 9, null, null, 1, 16);"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values"
    "  (1, 255, 0, 0, 11, 'luz.bmp', 0, 0), (1, 0, 255, 0, 12, 'luz.bmp', 200, 0),"
    "  (1, 0, 0, 255, 14, 'luz.bmp', 400, 0), (1, 0, 0, 255, 13, 'luz.bmp', 400, 0),"
    "  (1, 255, 255, 0, 15, 'luz.bmp', 0, 300), (1, 0, 255, 255, 16, 'luz.bmp', 200, 300),"
    "  (20, 255, 0, 0, 21, 'luz.bmp', 0, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion, bitmapgrande) values"
    "  (1, 0, 0, 0, 0, null, 0, null),"
    "  (1, 5, 0, 10, 420, 'b.bmp', 2, null), (1, 5, 0, 70, 420, 'b.bmp', 3, null), (1, 5, 0, 130, 420, 'b.bmp', 4, null),"
    "  (1, 5, 0, 190, 420, 'b.bmp', 15, null), (1, 5, 0, 250, 420, 'b.bmp', 16, null), (1, 5, 1, 310, 420, 'b.bmp', 55, 'grande.bmp'),"
    "  (1, 5, 0, 250, 100, 'b.bmp', 24, null);"
    "insert into exclusiones (accion, leccion) values (16, 20), (2, 20);"
    "insert into sonidospantalla values (1, 1, 'fondo.wav', 'click.wav', 'cambio.wav'), (1, 20, 'fondo.wav', 'click.wav', 'cambio.wav'),"
    "  (3, 0, 'fondo.wav', 'click.wav', 'cambio.wav'), (11, 0, 'fondo.wav', 'click.wav', 'cambio.wav');");

/// Draws a mask: three 200-pixel-wide bands (red, green, blue) over the top 300 rows, two
/// (yellow, cyan) from 300 to 400, black below; or red and an unknown grey over black.
void writeMask(const QString& file, bool threeRegions)
{
    QImage mask(640, 480, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter p(&mask);
    p.fillRect(0, 0, 200, 300, QColor(255, 0, 0));
    if (threeRegions) {
        p.fillRect(200, 0, 200, 300, QColor(0, 255, 0));
        p.fillRect(400, 0, 200, 300, QColor(0, 0, 255));
        p.fillRect(0, 300, 200, 100, QColor(255, 255, 0));
        p.fillRect(200, 300, 200, 100, QColor(0, 255, 255));
    } else {
        p.fillRect(200, 0, 200, 300, QColor(9, 9, 9)); // a colour no row names
    }
    p.end();
    QVERIFY(mask.save(file));
}

/// Any screen of the lessons the map opens.
class LessonScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
};

} // namespace

class MainMapTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    MainMapScreen* m_map = nullptr;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }

    void showMap()
    {
        const int activations = events("screen.activate");
        shell().showScreen(m_map);
        QTRY_COMPARE(events("screen.activate"), activations + 1);
        QCOMPARE(state().CurrentScreen, 1);
    }

    int events(const char* name) { return m_harness->events(QLatin1String(name)).size(); }

    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2)); }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        m_course->addPicture(QStringLiteral("ciudad.bmp"), QSize(640, 480), Qt::darkYellow);
        m_course->addPicture(QStringLiteral("luz.bmp"), QSize(200, 300), Qt::white);
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(50, 40), Qt::yellow);
        m_course->addPicture(QStringLiteral("grande.bmp"), QSize(600, 400), Qt::darkMagenta);
        m_course->addPicture(QStringLiteral("fondo3.bmp"), QSize(640, 480), Qt::gray);
        writeMask(m_course->folder() + QStringLiteral("/mascara.bmp"), true);
        writeMask(m_course->folder() + QStringLiteral("/ciudad_mascara.bmp"), false);
        m_course->addTone(QStringLiteral("fondo.wav"), 3.0, 440);
        m_course->addTone(QStringLiteral("click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        shell().registerWindow(QStringLiteral("frmsa"), [](Shell& s) { return new LessonScreen(s, QStringLiteral("frmsa"), 3); });
        StartUp(state(), m_harness->trace, m_course->folder()).LoadExclusions(); // from the rows, as the player does
        m_map = static_cast<MainMapScreen*>(shell().window(QStringLiteral("frmms")));
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void regionsLightOnceAndSwitchDirectly()
    {
        showMap();
        m_map->MapPointerMove(50, 50);
        m_map->MapPointerMove(60, 70);
        m_map->MapPointerMove(150, 250);
        QCOMPARE(events("region"), 1); // shown once, not on every move
        QVERIFY(m_map->msimagex->isVisible());
        QCOMPARE(m_map->msimagex->property("tag").toInt(), 11);

        m_map->MapPointerMove(250, 50); // straight into the green region
        QCOMPARE(events("region"), 2);
        QCOMPARE(m_map->msimagex->property("tag").toInt(), 12);
        QCOMPARE(m_map->msimagex->pos(), QPoint(200, 0));

        // Two rows share blue: the lowest chapter wins.
        m_map->MapPointerMove(450, 50);
        QCOMPARE(m_map->msimagex->property("tag").toInt(), 13);

        // Black puts the highlight out.
        m_map->MapPointerMove(450, 350);
        QVERIFY(m_map->msimagex->isHidden());
        QCOMPARE(m_map->MaskColour(), 0u);
    }

    void unknownColourLeavesTheHighlightAndLightsNothing()
    {
        state().CurrentLesson = 20;
        showMap();
        m_map->MapPointerMove(50, 50);
        QVERIFY(m_map->msimagex->isVisible());
        m_map->MapPointerMove(250, 50); // colour 9,9,9: no row
        QVERIFY(m_map->msimagex->isVisible());
        QCOMPARE(m_map->msimagex->property("tag").toInt(), 21);
        // Even over a button's rectangle an unknown colour lights nothing.
        const int inside = m_map->buttonWithAction(24);
        QVERIFY(m_map->buttons()[size_t(inside)].contains(260, 110));
        m_map->MapPointerMove(260, 110);
        for (const FrameButton* b : m_map->Imagex)
            QVERIFY(b->isHidden());
        // Black at the same kind of place does light it.
        m_map->MapPointerMove(80, 430);
        QVERIFY(m_map->Imagex[2]->isVisible());
    }

    void blackLightsOnlyEnabledButtons()
    {
        showMap(); // lesson 1: no exclusion rows, every button on
        for (int i = 1; i < int(m_map->buttons().size()); ++i)
            QVERIFY(m_map->buttons()[size_t(i)].enabled);
        m_map->MapPointerMove(260, 430);
        QVERIFY(m_map->Imagex[5]->isVisible()); // erase

        state().CurrentLesson = 20;
        showMap();
        const int erase = m_map->buttonWithAction(16);
        const int leave = m_map->buttonWithAction(2);
        QVERIFY(!m_map->buttons()[size_t(erase)].enabled);
        QVERIFY(!m_map->buttons()[size_t(leave)].enabled);
        QVERIFY(m_map->buttons()[size_t(m_map->buttonWithAction(3))].enabled);
        m_map->MapPointerMove(260, 430);
        QVERIFY(m_map->Imagex[size_t(erase)]->isHidden());
        m_map->MapPointerMove(20, 430);
        QVERIFY(m_map->Imagex[size_t(leave)]->isHidden());
        m_map->MapPointerMove(80, 430);
        QVERIFY(m_map->Imagex[2]->isVisible());
    }

    void regionClickOpensTheChaptersFirstLesson()
    {
        showMap();
        m_map->MapPointerMove(50, 50);
        click(m_map->msimagex);
        QCOMPARE(state().CurrentLesson, 10);
        QCOMPARE(state().CurrentTipo, 3);
        QTRY_VERIFY(shell().window(QStringLiteral("frmsa"))->isVisible());
        QVERIFY(m_map->isHidden());
        QCOMPARE(m_harness->events(QStringLiteral("lesson.open")).last().value(QStringLiteral("lesson")).toInt(), 10);
    }

    void aButtonSwitchedOffByTheNextMapGoesDark()
    {
        showMap(); // lesson 1: erase is on
        const int erase = m_map->buttonWithAction(16);
        m_map->MapPointerMove(260, 430);
        QVERIFY(m_map->Imagex[size_t(erase)]->isVisible());
        // From the lit button straight onto the green region, whose lesson is the city map.
        m_map->MapPointerMove(250, 50);
        QVERIFY(m_map->Imagex[size_t(erase)]->isVisible());
        const int activations = events("screen.activate");
        click(m_map->msimagex);
        QTRY_COMPARE(events("screen.activate"), activations + 1);
        QCOMPARE(state().CurrentLesson, 20);
        QVERIFY(!m_map->buttons()[size_t(erase)].enabled);
        QVERIFY(m_map->Imagex[size_t(erase)]->isHidden());
    }

    void aLessonWithoutAScreenLeavesTheMapAsItWas_data()
    {
        QTest::addColumn<QPoint>("region");
        QTest::addColumn<int>("kind");
        QTest::newRow("a kind with no window") << QPoint(50, 350) << 2;
        QTest::newRow("a kind the player does not know") << QPoint(250, 350) << 9;
    }

    void aLessonWithoutAScreenLeavesTheMapAsItWas()
    {
        QFETCH(QPoint, region);
        QFETCH(int, kind);
        showMap();
        const qint16 tipo = state().CurrentTipo;
        MediaPlayer& background = shell().sounds().channel(SoundChannels::Channel::Background);
        m_map->MapPointerMove(region.x(), region.y());
        click(m_map->msimagex);
        QCOMPARE(m_harness->events(QStringLiteral("switch")).last().value(QStringLiteral("reason")).toString(),
            QStringLiteral("no window serves screen %1").arg(kind));
        QCOMPARE(state().CurrentLesson, 1);
        QCOMPARE(state().CurrentTipo, tipo);
        QVERIFY(m_map->isVisible());
        QCOMPARE(background.state(), MediaPlayer::State::Running);

        // The map is activated again (as after help) on its own lesson...
        shell().reactivate();
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).size(), 2);
        QCOMPARE(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 1);
        // ...and the next region opens its lesson.
        m_map->MapPointerMove(50, 50);
        click(m_map->msimagex);
        QCOMPARE(state().CurrentLesson, 10);
        QTRY_VERIFY(shell().window(QStringLiteral("frmsa"))->isVisible());
    }

    void theVolumePanelOpensAboveItsButton()
    {
        showMap();
        const int volume = m_map->buttonWithAction(4);
        m_map->MapButtonClick(volume);
        QVERIFY(m_map->volumen->isVisible());
        QCOMPARE(m_map->volumen->geometry().bottomLeft(), QPoint(130, 419));
    }

    void regionOfASubMapListsItsOwnLessons()
    {
        state().CurrentLesson = 20;
        showMap();
        m_map->MapPointerMove(50, 50);
        click(m_map->msimagex);
        QCOMPARE(state().CurrentLesson, 21); // under the city map, not under lesson 1
    }

    void soundButtonHoldsAcrossScreens()
    {
        showMap();
        const int sound = m_map->buttonWithAction(3);
        const int runsBefore = m_harness->soundCount(QStringLiteral("background"), QStringLiteral("run"));
        m_map->MapButtonClick(sound);
        QVERIFY(!state().BackgroundSoundOn);
        QCOMPARE(m_map->buttons()[size_t(sound)].state, FramedScreen::LatchedState);
        QCOMPARE(m_harness->events(QStringLiteral("sound_button")).last().value(QStringLiteral("on")).toBool(), false);

        shell().navigator().OpenLesson(10, m_map);
        QTRY_COMPARE(state().CurrentScreen, 3);
        shell().navigator().GoBack(3);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QVERIFY(m_map->Imagex[size_t(sound)]->isVisible());
        QCOMPARE(m_map->buttons()[size_t(sound)].state, FramedScreen::LatchedState);
        QCOMPARE(m_harness->soundCount(QStringLiteral("background"), QStringLiteral("run")), runsBefore);

        m_map->MapButtonClick(sound); // on again: from the beginning
        QVERIFY(state().BackgroundSoundOn);
        QVERIFY(m_map->Imagex[size_t(sound)]->isHidden());
        QCOMPARE(m_harness->soundCount(QStringLiteral("background"), QStringLiteral("run")), runsBefore + 1);
    }

    void upWithoutParentReopensTheLastKind()
    {
        state().CurrentLesson = 20;
        showMap();
        m_map->MapButtonClick(m_map->buttonWithAction(15));
        QCOMPARE(state().CurrentLesson, 1);
        QCOMPARE(state().CurrentTipo, 1);
        QTRY_VERIFY(m_harness->events(QStringLiteral("screen.activate")).size() >= 2);
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 1);

        // Lesson 1 has no parent: up changes nothing and reopens the last kind's screen.
        const int activations = events("screen.activate");
        m_map->MapButtonClick(m_map->buttonWithAction(15));
        QCOMPARE(state().CurrentLesson, 1);
        QTRY_COMPARE(events("screen.activate"), activations + 1);
        QVERIFY(m_map->isVisible());
    }

    void eraseAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("erased");
        QTest::newRow("yes") << QStringLiteral("Sí") << true;
        QTest::newRow("no") << QStringLiteral("No") << false;
        QTest::newRow("Esc") << QString() << false;
    }

    // The learner's visits, test attempts and takes go only once he says so.
    void eraseAsksFirst()
    {
        QFETCH(QString, answer);
        QFETCH(bool, erased);
        state().UserDb->execute(QStringLiteral("insert into lecciones_usuario (id, leccion) values (0, 50), (0, 51)"));
        TestAttempt attempt;
        attempt.id = TestAttempt::newId();
        attempt.lesson = 1500;
        attempt.finished = QDateTime::currentDateTimeUtc();
        learnerStore(state()).saveAttempt(attempt);
        QCOMPARE(learnerStore(state()).attempts(1500).size(), size_t(1));
        showMap();
        const int activations = events("screen.activate");
        m_harness->answerNextQuestion(answer);
        m_map->MapButtonClick(m_map->buttonWithAction(16));
        QCOMPARE(m_harness->askedText,
            QStringLiteral("¿Seguro que quieres borrar todo tu progreso: lecciones vistas, resultados de las pruebas y grabaciones?"));
        QCOMPARE(m_harness->askedDefault, QStringLiteral("No"));
        QCOMPARE(state().UserDb->openRecordset(QStringLiteral("lecciones_usuario"))->recordCount(), erased ? 0 : 2);
        // The learner's test attempts are his work too.
        QCOMPARE(state().UserDb->openRecordset(QStringLiteral("intentos_test"))->recordCount(), erased ? 0 : 1);
        QCOMPARE(events("learner.erase"), erased ? 1 : 0);
        const QList<QJsonObject> questions = m_harness->events(QStringLiteral("question"));
        QCOMPARE(questions.size(), 1);
        QCOMPARE(questions.first().value(QStringLiteral("answer")).toString(), erased ? QStringLiteral("Sí") : QStringLiteral("No"));
        // The map is activated again once the box has gone, as after any modal window.
        QTRY_COMPARE(events("screen.activate"), activations + 1);
    }

    void bigPictureReturnsToTheMap()
    {
        showMap();
        m_map->MapButtonClick(m_map->buttonWithAction(55));
        QTRY_COMPARE(state().CurrentScreen, 11);
        auto* big = static_cast<BigPictureScreen*>(shell().window(QStringLiteral("frmc")));
        QVERIFY(big->isVisible());
        QCOMPARE(big->backdrop(), QColor(Qt::white)); // identificativo 1
        // The picture is centred on the display, the stage being centred there too.
        m_harness->host->showOnDisplay();
        const QRect display = big->screen()->geometry();
        const QPoint onDisplay((display.width() - 600) / 2, (display.height() - 400) / 2);
        QCOMPARE(big->Picture1->mapToGlobal(QPoint(0, 0)) - display.topLeft(), onDisplay);
        QTest::mouseClick(big, Qt::LeftButton);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QVERIFY(m_map->isVisible());
        QVERIFY(!shell().existingWindow(QStringLiteral("frmc"))); // unloaded by its click
    }

    void bigPictureWithoutATargetStays()
    {
        showMap();
        m_map->MapButtonClick(m_map->buttonWithAction(55));
        QTRY_COMPARE(state().CurrentScreen, 11);
        auto* big = static_cast<BigPictureScreen*>(shell().window(QStringLiteral("frmc")));
        shell().registerWindow(QStringLiteral("frmtest"), [](Shell&) { return nullptr; }); // a player without the test
        state().CurrentScreen = 14; // as when the test opened it: back to the missing test
        QTest::mouseClick(big, Qt::LeftButton);
        QCOMPARE(shell().existingWindow(QStringLiteral("frmc")), big);
        QVERIFY(big->isVisible());
    }

    void leavingEndsOnTheFourthTick()
    {
        showMap();
        state().BackgroundSoundOn = false; // leaving ends the course even with the sound off
        m_map->MapButtonClick(m_map->buttonWithAction(2));
        QVERIFY(state().Quitting);
        QTRY_COMPARE(state().CurrentScreen, 11);
        auto* big = static_cast<BigPictureScreen*>(shell().window(QStringLiteral("frmc")));
        QVERIFY(big->Timer1->isActive());
        // Drive the clock by hand rather than wait four seconds.
        for (int i = 0; i < 3; ++i)
            big->BigPictureTimer();
        QCOMPARE(events("quit"), 0);
        QVERIFY(m_harness->events(QStringLiteral("bigpicture")).last().value(QStringLiteral("op")).toString() != QLatin1String("end"));
        big->BigPictureTimer();
        const QJsonObject end = m_harness->events(QStringLiteral("bigpicture")).last();
        QCOMPARE(end.value(QStringLiteral("op")).toString(), QStringLiteral("end"));
        QCOMPARE(end.value(QStringLiteral("ticks")).toInt(), 4);
    }
};

QTEST_MAIN(MainMapTest)
#include "tst_mainmap.moc"
