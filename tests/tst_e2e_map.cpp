// The real player on a fixture course under an X server, driven with real pointer
// events (xdotool), read back through its trace.
#include "FixtureCourse.h"
#include "MediaRecipes.h"
#include "PointerEvents.h"

#include <QPainter>
#include <QProcess>
#include <QtTest>

namespace {

const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0),"
    "  (20, 'Ciudad', 1, 'ciudad.bmp', 'mascara.bmp', 1, 12);"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values"
    "  (1, 255, 0, 0, 11, 'luz.bmp', 0, 0), (1, 0, 255, 0, 12, 'luz.bmp', 200, 0),"
    "  (20, 255, 0, 0, 21, 'luz.bmp', 0, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion, bitmapgrande) values"
    "  (1, 0, 0, 0, 0, null, 0, null),"
    "  (1, 5, 0, 10, 420, 'b.bmp', 2, null), (1, 5, 0, 190, 420, 'b.bmp', 15, null),"
    "  (1, 5, 0, 310, 420, 'b.bmp', 55, 'grande.bmp');"
    "insert into sonidospantalla values (1, 1, 'fondo.wav', 'click.wav', 'cambio.wav'), (1, 20, 'fondo.wav', 'click.wav', 'cambio.wav'),"
    "  (11, 0, 'fondo.wav', 'click.wav', 'cambio.wav');");

} // namespace

class EndToEndMapTest : public QObject {
    Q_OBJECT

private:
    PointerEvents::StageOnDisplay m_stage;

    void pointAt(int x, int y) { PointerEvents::pointAt(m_stage, x, y); }

    void clickAt(int x, int y) { PointerEvents::clickAt(m_stage, x, y); }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
    }

    // The same walk with the stage drawn at its own size and twice as big: regions and
    // buttons answer at their scaled places, and lead where they lead at the stage's size.
    void learnerWalksTheMapAndLeaves_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("factor");
        QTest::newRow("stage at its own size") << QStringList { QStringLiteral("--scale"), QStringLiteral("1") } << 1.0;
        QTest::newRow("largest whole factor (1920 x 1080)") << QStringList() << 2.0;
    }

    void learnerWalksTheMapAndLeaves()
    {
        QFETCH(QStringList, arguments);
        QFETCH(double, factor);
        FixtureCourse course(rows);
        course.addHandCursor();
        course.addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        course.addPicture(QStringLiteral("ciudad.bmp"), QSize(640, 480), Qt::darkYellow);
        course.addPicture(QStringLiteral("luz.bmp"), QSize(200, 300), Qt::white);
        course.addPicture(QStringLiteral("b.bmp"), QSize(50, 40), Qt::yellow);
        course.addPicture(QStringLiteral("grande.bmp"), QSize(640, 480), Qt::darkMagenta);
        QImage mask(640, 480, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 200, 300, QColor(255, 0, 0));
        QPainter(&mask).fillRect(200, 0, 200, 300, QColor(0, 255, 0));
        QVERIFY(mask.save(course.folder() + QStringLiteral("/mascara.bmp")));
        course.addTone(QStringLiteral("fondo.wav"), 2.0, 440);
        course.addTone(QStringLiteral("click.wav"), 0.05, 1200);
        course.addTone(QStringLiteral("cambio.wav"), 0.1, 660);

        PlayerRun player(course);
        m_stage = player.startOnDisplay(arguments);
        QVERIFY2(m_stage.isValid(), qPrintable(player.standardError()));
        const QJsonObject stage = player.events(QStringLiteral("stage")).first();
        QCOMPARE(stage.value(QStringLiteral("factor")).toDouble(), factor);
        QCOMPARE(stage.value(QStringLiteral("w")).toInt(), qRound(640 * factor));
        QCOMPARE(stage.value(QStringLiteral("h")).toInt(), qRound(480 * factor));
        // Centred on the display, as at the stage's own size.
        QCOMPARE(stage.value(QStringLiteral("x")).toInt(), (1920 - qRound(640 * factor)) / 2);

        // Into the red region, then straight into the green one.
        pointAt(50, 50);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 1);
        pointAt(250, 60);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 2);
        QCOMPARE(player.events(QStringLiteral("region")).last().value(QStringLiteral("chapter")).toInt(), 12);

        // A click on its highlight opens the city map through the transition.
        clickAt(260, 70);
        QTRY_COMPARE(player.events(QStringLiteral("lesson.open")).size(), 1);
        QCOMPARE(player.events(QStringLiteral("lesson.open")).first().value(QStringLiteral("lesson")).toInt(), 20);
        QTRY_COMPARE(player.events(QStringLiteral("screen.activate")).size(), 2);
        QCOMPARE(player.events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 20);

        // Up, back to the home map: the pointer goes from the region straight to the button.
        clickAt(210, 435);
        QTRY_COMPARE(player.events(QStringLiteral("screen.activate")).size(), 3);
        QCOMPARE(player.events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 1);

        // The region the learner came back from lights up and opens again at once.
        pointAt(250, 60);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 3);
        QCOMPARE(player.events(QStringLiteral("region")).last().value(QStringLiteral("chapter")).toInt(), 12);
        clickAt(260, 70);
        QTRY_COMPARE(player.events(QStringLiteral("lesson.open")).size(), 2);
        QTRY_COMPARE(player.events(QStringLiteral("screen.activate")).size(), 4);
        QCOMPARE(player.events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 20);
        pointAt(300, 360);
        clickAt(210, 435);
        QTRY_COMPARE(player.events(QStringLiteral("screen.activate")).size(), 5);

        // Leave: the big picture, then the program ends by itself after four ticks.
        pointAt(300, 360);
        clickAt(30, 435);
        QTRY_VERIFY(!player.events(QStringLiteral("bigpicture")).isEmpty());
        QCOMPARE(player.waitForExit(10000), 0);
        const QJsonObject end = player.events(QStringLiteral("bigpicture")).last();
        QCOMPARE(end.value(QStringLiteral("op")).toString(), QStringLiteral("end"));
        QCOMPARE(end.value(QStringLiteral("ticks")).toInt(), 4);
        QCOMPARE(player.events(QStringLiteral("quit")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(EndToEndMapTest)
#include "tst_e2e_map.moc"
