// The real player on a fixture course under an X server: the learner opens the test from
// the map, hears its introduction, answers, looks at the result view and leaves the
// course from the test's panel. Driven with real pointer events (xdotool), read back
// through the trace, the sound server and pictures of the screen.
#include "AudioProbe.h"
#include "FixtureCourse.h"
#include "MediaRecipes.h"
#include "PointerEvents.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The home map's one region (red, 0,0 to 200,300) is chapter 17, whose lesson is the test.
// The test has three questions; the second answer of the first is the right one.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0),"
    "  (1500, 'Prueba', 14, 'intro.wav', 'segundo.wav', 1, 17);"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values (1, 255, 0, 0, 17, 'luz.bmp', 0, 0);"
    "insert into test (n_leccion, textopregunta, textorespuesta1, textorespuesta2, textorespuesta3,"
    "  puntuacionrespuesta1, puntuacionrespuesta2, puntuacionrespuesta3, puntuacionrespuesta4) values"
    "  (1500, 'Good morning?', 'Buenas noches', 'Buenos días', 'Adiós', 0, 10, 0, 0),"
    "  (1500, 'Goodbye?', 'Adiós', 'Hola', 'Gracias', 10, 0, 0, 0),"
    "  (1500, 'Thank you?', 'Hola', 'Por favor', 'Gracias', 0, 0, 10, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, bitmapactivo, accion) values"
    "  (1, 0, 0, 0, 0, null, null, null, 0),"
    "  (14, 0, 0, 0, 0, 'fondo.bmp', null, null, 0),"
    "  (14, 5, 1, 20, 100, null, 'r.bmp', 'ok.bmp', 34),"
    "  (14, 5, 2, 20, 150, null, 'r.bmp', 'ok.bmp', 34),"
    "  (14, 5, 3, 20, 200, null, 'r.bmp', 'ok.bmp', 34),"
    "  (14, 5, 6, 400, 300, null, 'res.bmp', 'res_on.bmp', 40),"
    "  (14, 5, 0, 200, 400, null, 'b.bmp', 'b_on.bmp', 35),"
    "  (14, 5, 0, 300, 10, null, 'b.bmp', 'b_on.bmp', 37),"
    "  (14, 5, 5, 5, 5, null, 'p.bmp', null, 38),"
    "  (14, 5, 5, 5, 30, null, 'p.bmp', null, 39),"
    "  (14, 27, 0, 0, 0, 'panel.bmp', null, null, 0),"
    "  (14, 31, 0, 0, 0, 'marca.bmp', null, null, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, Font, tamanofont, colorfont) values"
    "  (14, 9, 1, 70, 105, 300, 30, 'DejaVu Sans', 12, 1),"
    "  (14, 9, 2, 70, 155, 300, 30, 'DejaVu Sans', 12, 1),"
    "  (14, 9, 3, 70, 205, 300, 30, 'DejaVu Sans', 12, 1),"
    "  (14, 9, 5, 20, 20, 260, 60, 'DejaVu Sans', 14, 1),"
    "  (14, 9, 6, 300, 300, 90, 30, 'DejaVu Sans', 14, 1),"
    "  (14, 9, 7, 20, 300, 60, 30, 'DejaVu Sans', 14, 1);"
    "insert into sonidospantalla values (1, 1, null, 'click.wav', 'cambio.wav'), (14, 0, null, 'click.wav', 'cambio.wav');");

const QColor correctColour(0, 200, 0);
const QColor markerColour(220, 0, 0);

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12 && qAbs(a.blue() - b.blue()) < 12;
}

} // namespace

class EndToEndTestScreenTest : public QObject {
    Q_OBJECT

private:
    PointerEvents::StageOnDisplay m_stage;

    void pointAt(int x, int y) { PointerEvents::pointAt(m_stage, x, y); }

    void clickAt(int x, int y) { PointerEvents::clickAt(m_stage, x, y); }

    /// The colour the display shows at (X, Y) of the stage.
    QColor shownAt(int x, int y)
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("screen.png"));
        MediaRecipes::runTool(QStringLiteral("import"), { QStringLiteral("-window"), QStringLiteral("root"), file });
        return QImage(file).pixelColor(m_stage.at(x, y));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
    }

    void learnerTakesTheTestAndLeavesFromItsPanel()
    {
        FixtureCourse course(rows);
        course.addHandCursor();
        course.addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        course.addPicture(QStringLiteral("luz.bmp"), QSize(200, 300), Qt::white);
        QImage mask(640, 480, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 200, 300, QColor(255, 0, 0));
        QVERIFY(mask.save(course.folder() + QStringLiteral("/mascara.bmp")));
        course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), QColor(30, 60, 120));
        course.addPicture(QStringLiteral("r.bmp"), QSize(40, 40), Qt::yellow);
        course.addPicture(QStringLiteral("ok.bmp"), QSize(40, 40), correctColour);
        course.addPicture(QStringLiteral("marca.bmp"), QSize(40, 40), markerColour);
        course.addPicture(QStringLiteral("res.bmp"), QSize(80, 30), Qt::yellow);
        course.addPicture(QStringLiteral("res_on.bmp"), QSize(80, 30), Qt::blue);
        course.addPicture(QStringLiteral("b.bmp"), QSize(40, 30), Qt::yellow);
        course.addPicture(QStringLiteral("b_on.bmp"), QSize(40, 30), Qt::blue);
        course.addPicture(QStringLiteral("p.bmp"), QSize(60, 20), Qt::magenta);
        course.addPicture(QStringLiteral("panel.bmp"), QSize(80, 60), Qt::gray);
        course.addTone(QStringLiteral("intro.wav"), 3.0, 550);
        course.addTone(QStringLiteral("segundo.wav"), 1.0, 880);
        course.addTone(QStringLiteral("click.wav"), 0.05, 1200);
        course.addTone(QStringLiteral("cambio.wav"), 0.1, 660);

        AudioProbe probe;
        QVERIFY2(probe.start(), qPrintable(probe.errorString()));

        PlayerRun player(course);
        m_stage = player.startOnDisplay();
        QVERIFY2(m_stage.isValid(), qPrintable(player.standardError()));

        // Into the region and onto its highlight: the test opens, its introduction is heard.
        pointAt(50, 50);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 1);
        clickAt(60, 60);
        QVERIFY(!player.waitForEvent(QStringLiteral("test")).isEmpty());
        const QJsonObject enter = player.events(QStringLiteral("test")).first();
        QCOMPARE(enter.value(QStringLiteral("op")).toString(), QStringLiteral("enter"));
        QCOMPARE(enter.value(QStringLiteral("count")).toInt(), 3);
        const QVector<float> heard = probe.record(800);
        QVERIFY2(AudioProbe::rmsDb(heard) > -40, qPrintable(QString::number(AudioProbe::rmsDb(heard))));
        QVERIFY2(qAbs(AudioProbe::dominantFrequency(heard) - 550) < 15, qPrintable(QString::number(AudioProbe::dominantFrequency(heard))));

        // A wrong answer to the first question, back to it, and the result view.
        clickAt(40, 120);
        QTRY_COMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("op")).toString(), QStringLiteral("next"));
        const QJsonObject answered = player.events(QStringLiteral("test")).at(1);
        QCOMPARE(answered.value(QStringLiteral("op")).toString(), QStringLiteral("answer"));
        QCOMPARE(answered.value(QStringLiteral("chosen")).toInt(), 1);
        QCOMPARE(answered.value(QStringLiteral("points")).toInt(), 0);
        clickAt(220, 415);
        QTRY_COMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("op")).toString(), QStringLiteral("previous"));
        QCOMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("question")).toInt(), 1);
        clickAt(440, 315);
        QTRY_COMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("op")).toString(), QStringLiteral("result"));
        QVERIFY(player.events(QStringLiteral("test")).last().value(QStringLiteral("on")).toBool());
        pointAt(600, 250); // away from the buttons: the marks stay, being held on
        QTRY_VERIFY(near(shownAt(40, 120), markerColour));
        QVERIFY(near(shownAt(40, 170), correctColour));
        QVERIFY(!near(shownAt(40, 220), correctColour));

        // The panel under its button, and its leave button: the program ends at once, status 0.
        clickAt(320, 25);
        QTRY_COMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("op")).toString(), QStringLiteral("panel"));
        clickAt(300 + 10, 40 + 35);
        QCOMPARE(player.waitForExit(10000), 0);
        QCOMPARE(player.events(QStringLiteral("quit")).size(), 1);
        QCOMPARE(player.events(QStringLiteral("test")).last().value(QStringLiteral("accion")).toInt(), 39);
    }
};

QTEST_GUILESS_MAIN(EndToEndTestScreenTest)
#include "tst_e2e_test.moc"
