// A film of the learner's own studied in the real player under an X server: picked in the
// conversation screen's tree with the pointer, its subtitles and phrase list seen, a
// phrase jump by key, a take recorded and played back, its sound heard, its visit kept in
// the learner's file. Real pointer and key events (xdotool); the display read back from
// the X server (import); what the player did from its trace. The film, 1280 x 720, is
// fitted into the course's 320 x 240 video area: a band of 320 x 180 across its middle.
#include "AudioProbe.h"
#include "ComponentLibrary.h"
#include "Database.h"
#include "FixtureCourse.h"
#include "DisplayGrab.h"
#include "MediaRecipes.h"
#include "OwnLessons.h"
#include "PointerEvents.h"
#include "Recordset.h"
#include "StartUp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <functional>

namespace {

// The map's red region opens lesson 20 of chapter 11. Video area (20, 30), 320 x 240; the
// tree at (400, 30) with an icon of its own colour for each state: magenta unvisited,
// green visited or complete, blue the root and the chapters still to do.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0, null, null, 0),"
    "  (20, 'En el café', 12, 'video\\cafe.mp4', null, 1, 11, 20, 30, 0);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values (1, 255, 0, 0, 11, 'luz.bmp', 0, 0);"
    "insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values (20, 500, 'Good morning', 'Buenos días');"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
    "  (1, 0, 0, 0, 0, 0, 0, null, null, null, 0, null, null, 0),"
    "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
    "  (12, 3, 0, 0, 0, 320, 240, null, null, null, 0, null, null, 0),"
    "  (12, 9, 1, 20, 286, 360, 40, null, null, '255255200', 0, 'DejaVu Sans', 14, 0),"
    "  (12, 9, 2, 20, 336, 360, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
    "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 10, 0),"
    "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0),"
    "  (12, 24, 0, 0, 0, 0, 0, 'rojo.bmp', 'gris.bmp', null, 0, null, null, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values"
    "  (12, 5, 0, 4, 440, 'b.bmp', 'a.bmp', 23), (12, 5, 0, 40, 440, 'b.bmp', 'a.bmp', 37), (12, 5, 0, 76, 440, 'b.bmp', 'a.bmp', 38),"
    "  (12, 5, 0, 112, 440, 'b.bmp', 'a.bmp', 33), (12, 5, 0, 148, 440, 'b.bmp', 'a.bmp', 35), (12, 5, 0, 184, 440, 'b.bmp', 'a.bmp', 36);"
    "insert into sonidospantalla values (1, 1, null, null, null), (12, 0, null, null, null);");

const QRect videoArea(20, 30, 320, 240);
const QRect filmOnStage(20, 60, 320, 180); // 1280 x 720 fitted into the area
const QRect treeOnStage(400, 30, 220, 250);
const QRect englishBox(20, 286, 360, 40);
const QRect spanishBox(20, 336, 360, 40);
const QColor filmColour(0x20, 0x60, 0xC0);
const QColor unvisitedIcon(255, 0, 255);
const QColor chapterIcon(0, 0, 255);
constexpr double kToneHz = 700;

QString ffmpegTime(int ms)
{
    return QStringLiteral("00:00:%1,%2").arg(ms / 1000, 2, 10, QLatin1Char('0')).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

class EndToEndOwnVideoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<PlayerRun> m_player;
    PointerEvents::StageOnDisplay m_stage;
    AudioProbe m_probe;
    qint16 m_lesson = 0;

    QImage grabDisplay(const QString& name = QStringLiteral("tst_e2e_ownvideo.png")) const { return DisplayGrab::grab(name); }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs) { return DisplayGrab::waitFor(done, timeoutMs); }

    QRect onDisplay(const QRect& area) const { return DisplayGrab::onDisplay(m_stage, area); }

    int count(const QImage& display, const QRect& area, const QColor& colour, int tolerance = 24) const
    {
        return DisplayGrab::count(m_stage, display, area, colour, tolerance);
    }

    /// The stage rows (tops, in stage pixels) within AREA where icons of COLOUR begin.
    QList<int> iconRows(const QImage& display, const QRect& area, const QColor& colour) const
    {
        QList<int> tops;
        const QRect pixels = onDisplay(area) & display.rect();
        bool inIcon = false;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(display.constScanLine(y));
            bool seen = false;
            for (int x = pixels.left(); x <= pixels.right() && !seen; ++x)
                seen = DisplayGrab::near(line[x], colour, 8);
            if (seen && !inIcon)
                tops << int((y - m_stage.origin.y()) / m_stage.factor);
            inIcon = seen;
        }
        return tops;
    }

    /// The icons of COLOUR in the tree, each as the stage point in its middle.
    QList<QPoint> iconsOf(const QColor& colour) const
    {
        const QImage display = grabDisplay();
        QList<QPoint> found;
        const QRect pixels = onDisplay(treeOnStage) & display.rect();
        for (int top : iconRows(display, treeOnStage, colour)) {
            const int y = int(m_stage.origin.y() + (top + 4) * m_stage.factor);
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                if (DisplayGrab::near(display.pixel(x, y), colour, 8)) {
                    found << QPoint(int((x - m_stage.origin.x()) / m_stage.factor) + 4, top + 4);
                    break;
                }
            }
        }
        return found;
    }

    void key(const QString& name) const
    {
        MediaRecipes::runTool(QStringLiteral("xdotool"), { QStringLiteral("key"), name });
        QTest::qWait(250);
    }

    QList<QJsonObject> ops(const QString& event, const QString& op) const
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_player->events(event))
            if (e.value(QStringLiteral("op")).toString() == op)
                found << e;
        return found;
    }

    bool showsOwnLesson() const
    {
        for (const QJsonObject& e : ops(QStringLiteral("convo"), QStringLiteral("ready")))
            if (e.value(QStringLiteral("lesson")).toInt() == m_lesson)
                return true;
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
        QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
    }

    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->useHere();
        ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        const auto film = [](const QString& path, const QString& size, const QString& colour, double seconds) {
            MediaRecipes::runTool(QStringLiteral("ffmpeg"),
                { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("color=c=%1:size=%2:rate=25:duration=%3").arg(colour, size).arg(seconds), QStringLiteral("-f"),
                    QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2").arg(kToneHz).arg(seconds),
                    QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"),
                    QStringLiteral("aac"), QStringLiteral("-shortest"), path });
        };
        film(m_course->folder() + QStringLiteral("/video/cafe.mp4"), QStringLiteral("320x240"), QStringLiteral("0x808080"), 3);
        // The learner's film, far from the course, its subtitles beside it.
        const QString films = m_course->path(QStringLiteral("Mis películas"));
        QDir().mkpath(films);
        film(films + QStringLiteral("/Mi película.mp4"), QStringLiteral("1280x720"), QStringLiteral("0x2060C0"), 4);
        const auto cues = [](const QStringList& texts) {
            QString srt;
            for (int i = 0; i < texts.size(); ++i)
                srt += QStringLiteral("%1\n%2 --> %3\n%4\n\n").arg(i + 1).arg(ffmpegTime(300 + i * 1200), ffmpegTime(1300 + i * 1200), texts[i]);
            return srt.toUtf8();
        };
        QFile en(films + QStringLiteral("/Mi película.en.srt"));
        QVERIFY(en.open(QIODevice::WriteOnly));
        en.write(cues({ QStringLiteral("Good evening"), QStringLiteral("How are you"), QStringLiteral("Very well") }));
        en.close();
        QFile es(films + QStringLiteral("/Mi película.es.srt"));
        QVERIFY(es.open(QIODevice::WriteOnly));
        es.write(cues({ QStringLiteral("Buenas noches"), QStringLiteral("¿Cómo estás?"), QStringLiteral("Muy bien") }));
        es.close();
        OwnLessons::Request request;
        request.video = films + QStringLiteral("/Mi película.mp4");
        const OwnLessons::Added added = OwnLessons(QFileInfo(m_course->learnerDatabase()).absolutePath()).add(request);
        QVERIFY2(added.lesson, qPrintable(added.error + QLatin1Char(' ') + added.detail));
        m_lesson = added.lesson->number;

        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        m_course->addPicture(QStringLiteral("luz.bmp"), QSize(200, 300), Qt::white);
        QImage mask(640, 480, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 200, 300, QColor(255, 0, 0));
        QVERIFY(mask.save(m_course->folder() + QStringLiteral("/mascara.bmp")));
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), QColor(90, 90, 90));
        m_course->addPicture(QStringLiteral("x1.bmp"), QSize(12, 12), unvisitedIcon);
        m_course->addPicture(QStringLiteral("v2.bmp"), QSize(12, 12), QColor(0, 255, 0));
        m_course->addPicture(QStringLiteral("v3.bmp"), QSize(12, 12), chapterIcon);
        for (const char* name : { "b.bmp", "a.bmp", "rojo.bmp", "gris.bmp" })
            m_course->addPicture(QString::fromLatin1(name), QSize(30, 30), Qt::gray);
    }

    void cleanup()
    {
        m_player.reset();
        m_course.reset();
    }

    void studiesHisOwnFilm_data()
    {
        QTest::addColumn<int>("scale");
        QTest::newRow("stage at its own size") << 1;
        QTest::newRow("twice as big") << 2;
    }

    void studiesHisOwnFilm()
    {
        QFETCH(int, scale);
        m_player = std::make_unique<PlayerRun>(*m_course);
        m_stage = m_player->startOnDisplay({ QStringLiteral("--scale"), QString::number(scale) });
        QVERIFY2(m_stage.isValid(), qPrintable(m_player->standardError()));
        PointerEvents::pointAt(m_stage, 100, 100);
        QTRY_VERIFY_WITH_TIMEOUT(!m_player->events(QStringLiteral("region")).isEmpty(), 10000);
        PointerEvents::clickAt(m_stage, 100, 100);
        QTRY_VERIFY_WITH_TIMEOUT(!ops(QStringLiteral("convo"), QStringLiteral("ready")).isEmpty(), 30000);
        PointerEvents::pointAt(m_stage, 600, 470);

        // "Mis vídeos" is the second blue icon (after the root's): it opens, and shows the
        // film's node, unvisited.
        QList<QPoint> chapters;
        QVERIFY2(waitFor([&] { return (chapters = iconsOf(chapterIcon)).size() >= 2; }, 5000), "no chapter \"Mis vídeos\" in the tree");
        PointerEvents::clickAt(m_stage, chapters[1].x() + 30, chapters[1].y());
        MediaRecipes::runTool(QStringLiteral("xdotool"), { QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("1") });
        QList<QPoint> unvisited;
        QVERIFY2(waitFor([&] { return !(unvisited = iconsOf(unvisitedIcon)).isEmpty(); }, 5000), "the film's node is not shown");
        PointerEvents::clickAt(m_stage, unvisited.last().x() + 30, unvisited.last().y());
        QTRY_VERIFY_WITH_TIMEOUT(showsOwnLesson(), 30000);
        PointerEvents::pointAt(m_stage, 600, 470);

        // The film plays from the tree, fitted into its area: its colour fills the band and
        // nothing of it lies outside.
        QVERIFY2(m_probe.hears(kToneHz, 8000), "the film's sound is not heard");
        QImage display;
        const int band = int(filmOnStage.width() * filmOnStage.height() * scale * scale);
        // (The colour comes back from the decoder's YUV a little changed.)
        QVERIFY2(waitFor([&] { return count(display = grabDisplay(), filmOnStage, filmColour, 48) > band * 9 / 10; }, 10000),
            "the film is not seen in its place");
        QCOMPARE(count(display, QRect(0, 0, 640, 60), filmColour, 48) + count(display, QRect(0, 240, 640, 40), filmColour, 48), 0);
        display.save(QDir::temp().filePath(QStringLiteral("tst_e2e_ownvideo-scale%1.png").arg(scale)));
        // Its subtitles: both boxes hold text (dark pixels) while it plays.
        QVERIFY2(waitFor([&] {
            const QImage d = grabDisplay();
            return count(d, englishBox, Qt::black, 60) > 20 && count(d, spanishBox, Qt::black, 60) > 20;
        }, 8000),
            "the film's subtitles are not shown");

        // A phrase jump by key: to the start, then to its first phrase.
        key(QStringLiteral("space"));
        key(QStringLiteral("Home"));
        const int phrases = m_player->events(QStringLiteral("phrase")).size();
        key(QStringLiteral("Right"));
        QTRY_VERIFY(m_player->events(QStringLiteral("phrase")).size() > phrases);
        QCOMPARE(m_player->events(QStringLiteral("phrase")).last().value(QStringLiteral("index")).toInt(), 0);

        // The phrase list: its three phrases in place of the tree.
        key(QStringLiteral("l"));
        QVERIFY2(waitFor([&] { return iconsOf(chapterIcon).isEmpty() && count(grabDisplay(), treeOnStage, Qt::black, 60) > 60; }, 5000),
            "the phrase list is not shown");

        // A take of the learner's voice, recorded and played back.
        key(QStringLiteral("r"));
        if (!waitFor([&] { return !ops(QStringLiteral("recorder"), QStringLiteral("record")).isEmpty(); }, 5000)) {
            const QList<QJsonObject> all = m_player->events();
            for (qsizetype i = std::max<qsizetype>(0, all.size() - 25); i < all.size(); ++i)
                qDebug() << all[i];
            QFAIL("no take is recorded");
        }
        QTest::qWait(1200);
        key(QStringLiteral("r"));
        QTRY_VERIFY(!ops(QStringLiteral("recorder"), QStringLiteral("stop")).isEmpty());
        QVERIFY(ops(QStringLiteral("recorder"), QStringLiteral("stop")).last().value(QStringLiteral("lengthMs")).toInt() > 500);
        key(QStringLiteral("t"));
        QTRY_VERIFY(!ops(QStringLiteral("recorder"), QStringLiteral("play")).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!ops(QStringLiteral("recorder"), QStringLiteral("done")).isEmpty(), 8000);

        // The visit is in the learner's file.
        m_player->stop();
        auto learner = Database::open(m_course->learnerDatabase(), ShareMode::Shared, AccessMode::ReadOnly, StartUp::connectString());
        auto visits = learner->openRecordset(QStringLiteral("select * from lecciones_usuario where leccion = %1").arg(m_lesson));
        QVERIFY(!visits->isEof());
    }
};

QTEST_GUILESS_MAIN(EndToEndOwnVideoTest)
#include "tst_e2e_ownvideo.moc"
