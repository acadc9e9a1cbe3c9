#include "IntroScreen.h"
#include "MediaRecipes.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "VideoPlayer.h"

#include <QtTest>

namespace {

QString rows(int lessonOneTipo)
{
    return QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values"
        "  (0, 'Introducción', 0, null, null), (1, 'Mapa', %1, 'mapa.bmp', 'mascara.bmp');"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo) values"
        "  (0, 1, 1, 4, 4, 0, 0, 'fondo.bmp'), (0, 3, 0, 160, 120, 320, 240, 'VIDEO\\Intro.avi'), (1, 0, 0, 0, 0, 0, 0, null);")
        .arg(lessonOneTipo);
}

} // namespace

class IntroTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    IntroScreen* m_intro = nullptr;

    Shell& shell() { return *m_harness->shell; }
    QStringList introOps() const
    {
        QStringList ops;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("intro")))
            ops << e.value(QStringLiteral("op")).toString();
        return ops;
    }

    void startWith(int lessonOneTipo)
    {
        m_course = std::make_unique<FixtureCourse>(rows(lessonOneTipo));
        m_course->addMinimalMap();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(600, 440), Qt::darkBlue);
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=160x120:rate=15:duration=1.5"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=frequency=440:duration=1.5"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                QStringLiteral("pcm_s16le"), QStringLiteral("-shortest"), m_course->folder() + QStringLiteral("/video/intro.avi") });
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        m_intro = static_cast<IntroScreen*>(shell().window(QStringLiteral("frmintro")));
        m_intro->ensureLoaded();
    }

    void waitUntilShown()
    {
        QVERIFY(m_intro->isHidden()); // nothing to click before the video is ready
        QTRY_VERIFY_WITH_TIMEOUT(m_intro->isVisible(), 10000);
        QTRY_COMPARE(m_intro->vid2->currentState(), int(VideoPlayer::Running));
    }

private Q_SLOTS:
    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void theEndOfTheVideoLeadsToTheMap()
    {
        startWith(1);
        waitUntilShown();
        QCOMPARE(m_intro->backdrop(), QColor(Qt::white));
        QCOMPARE(m_intro->Picture2->geometry(), QRect(160, 120, 320, 238)); // two pixels lower once ready
        // The picture is centred on the display whatever its row's X and Y: on the
        // centred stage, that is 20 pixels in from each side.
        QCOMPARE(m_intro->Picture1->geometry(), QRect(20, 20, 600, 440));
        // Pausing is not ending.
        m_intro->IntroVideoState(VideoPlayer::Running, VideoPlayer::Paused);
        QCOMPARE(introOps(), QStringList { QStringLiteral("ready") });
        QTRY_VERIFY_WITH_TIMEOUT(introOps().contains(QStringLiteral("end")), 10000);
        QTRY_VERIFY(shell().window(QStringLiteral("frmms"))->isVisible());
        QCOMPARE(introOps().count(QStringLiteral("end")), 1);
        QCOMPARE(m_harness->events(QStringLiteral("switch")).size(), 1);
    }

    void aKeyOrAClickSkips_data()
    {
        QTest::addColumn<bool>("useKey");
        QTest::newRow("key") << true;
        QTest::newRow("click") << false;
    }

    void aKeyOrAClickSkips()
    {
        QFETCH(bool, useKey);
        startWith(1);
        waitUntilShown();
        if (useKey)
            QTest::keyClick(m_intro->Picture1, Qt::Key_Space);
        else
            QTest::mouseClick(m_intro->Picture1, Qt::LeftButton);
        QCOMPARE(introOps(), (QStringList { QStringLiteral("ready"), QStringLiteral("skip") }));
        QTRY_VERIFY(shell().window(QStringLiteral("frmms"))->isVisible());
        QVERIFY(!shell().existingWindow(QStringLiteral("frmintro"))); // unloaded
        QCOMPARE(m_harness->events(QStringLiteral("switch")).size(), 1); // the stop that follows is no second end
    }

    void lessonOneNotAMapStaysWithAMessage()
    {
        startWith(4);
        waitUntilShown();
        QTRY_VERIFY_WITH_TIMEOUT(introOps().contains(QStringLiteral("end")), 10000);
        QTRY_COMPARE(m_harness->events(QStringLiteral("message")).size(), 1);
        QCOMPARE(m_harness->events(QStringLiteral("message")).first().value(QStringLiteral("text")).toString(),
            QStringLiteral("Error en la base de datos"));
        QVERIFY(m_intro->isVisible());
        QVERIFY(m_harness->events(QStringLiteral("switch")).isEmpty());
        // A click still leads on.
        QTest::mouseClick(m_intro->Picture1, Qt::LeftButton);
        QCOMPARE(m_harness->events(QStringLiteral("switch")).size(), 1);
    }

    void aMissingVideoGoesStraightOn()
    {
        startWith(1);
        m_harness.reset();
        QVERIFY(QFile::remove(m_course->folder() + QStringLiteral("/video/intro.avi")));
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        shell().window(QStringLiteral("frmintro"))->ensureLoaded();
        QTRY_VERIFY(shell().window(QStringLiteral("frmms"))->isVisible());
        QVERIFY(introOps().contains(QStringLiteral("novideo")));
    }
};

QTEST_MAIN(IntroTest)
#include "tst_intro.moc"
