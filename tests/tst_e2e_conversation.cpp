// The conversation screen in the real player under an X server, as a learner meets it:
// what opens over the playing video is seen whole, and after every window that lay over
// the screen its keys work at once. Real pointer and key events (xdotool); what the
// display shows is read back from the X server (import), what the player did from its
// trace.
#include "ComponentLibrary.h"
#include "FixtureCourse.h"
#include "DisplayGrab.h"
#include "MediaRecipes.h"
#include "PointerEvents.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <functional>

namespace {

// The map's red region opens chapter 11, the conversation of lesson 20. The video lies
// at (20, 30), 320 x 240; the English subtitle just below it, so that a word's note
// rises over the picture; the glossary (400 x 300, centred) and the list of keys cover
// parts of it.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0, null, null, 0),"
    "  (20, 'En el café', 12, 'video\\cafe.avi', null, 1, 11, 20, 30, 0);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values (1, 255, 0, 0, 11, 'luz.bmp', 0, 0);"
    "insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values"
    "  (20, 500, 'Good morning', 'Buenos días'), (20, 35000, 'Thank you', 'Gracias');"
    "insert into glosesp (id_esp, termino) values (1, 'bueno'), (2, 'mañana');"
    "insert into glosing (id_ing, termino) values (1, 'good'), (2, 'morning');"
    "insert into glosario (id_esp, id_ing) values (1, 1), (2, 2);"
    // The glossary: its window, its two entry boxes and term lists below a band of its colour.
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
    "  (8, 1, 0, 0, 0, 400, 300, null, null, '200220240', 0, null, null),"
    "  (8, 15, 1, 10, 80, 185, 22, null, null, '255255230', 0, 'DejaVu Sans', 10),"
    "  (8, 15, 2, 205, 80, 185, 22, null, null, '255255230', 0, 'DejaVu Sans', 10),"
    "  (8, 6, 1, 10, 110, 185, 180, null, null, '255255255', 0, 'DejaVu Sans', 10),"
    "  (8, 6, 2, 205, 110, 185, 180, null, null, '255255255', 0, 'DejaVu Sans', 10);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
    "  (1, 0, 0, 0, 0, 0, 0, null, null, null, 0, null, null, 0),"
    "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
    "  (12, 3, 0, 0, 0, 320, 240, null, null, null, 0, null, null, 0),"
    "  (12, 9, 1, 20, 276, 320, 40, null, null, '255255200', 0, 'DejaVu Sans', 14, 0),"
    "  (12, 9, 2, 20, 330, 320, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
    "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
    "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0),"
    "  (12, 22, 0, 400, 30, 100, 24, null, null, '255255255', 0, 'DejaVu Sans', 10, 0),"
    "  (12, 24, 0, 0, 0, 0, 0, 'rojo.bmp', 'gris.bmp', null, 0, null, null, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, colorfont) values"
    "  (12, 2, 0, 20, 20, 'ayuda.bmp', 'click.wav', 0, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values"
    "  (12, 5, 0, 4, 440, 'b.bmp', 'a.bmp', 23), (12, 5, 0, 40, 440, 'b.bmp', 'a.bmp', 40), (12, 5, 0, 76, 440, 'b.bmp', 'a.bmp', 27);"
    "insert into sonidospantalla values (1, 1, null, 'click.wav', 'cambio.wav'), (12, 0, null, 'click.wav', 'cambio.wav');");

const QRect videoOnStage(20, 30, 320, 240);
const QColor videoColour(32, 192, 64);
const QColor glossaryColour(200, 220, 240);
const QColor noteColour(255, 255, 225);
// The glossary's close button: 18 x 18, 4 from the top right corner of the centred window.
const QPoint glossaryClose(120 + 400 - 4 - 9, 90 + 4 + 9);

} // namespace

class EndToEndConversationTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<PlayerRun> m_player;
    PointerEvents::StageOnDisplay m_stage;

    QImage grabDisplay() const { return DisplayGrab::grab(QStringLiteral("tst_e2e_conversation.png")); }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs) { return DisplayGrab::waitFor(done, timeoutMs); }

    /// The display pixels that show stage rectangle AREA.
    QRect onDisplay(const QRect& area) const { return DisplayGrab::onDisplay(m_stage, area); }

    int count(const QImage& display, const QRect& area, const QColor& colour, int tolerance = 6) const
    {
        return DisplayGrab::count(m_stage, display, area, colour, tolerance);
    }

    /// The bounding box, in stage pixels, of the display's pixels of COLOUR within stage AREA.
    QRect boxOf(const QImage& display, const QRect& area, const QColor& colour) const
    {
        const QRect pixels = onDisplay(area) & display.rect();
        QRect box;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                if (DisplayGrab::near(display.pixel(x, y), colour, 2))
                    box |= QRect(x, y, 1, 1);
            }
        }
        if (box.isEmpty())
            return {};
        const auto toStage = [this](const QPoint& p) { return QPointF(p - m_stage.origin) / m_stage.factor; };
        return QRectF(toStage(box.topLeft()), toStage(box.bottomRight())).toRect();
    }

    /// A key pressed and let go on the X server, as the learner's keyboard does.
    void key(const QString& name) const
    {
        MediaRecipes::runTool(QStringLiteral("xdotool"), { QStringLiteral("key"), name });
        QTest::qWait(250);
    }

    /// The `convo` button events of ACCION written so far.
    int actions(int accion) const
    {
        int n = 0;
        for (const QJsonObject& e : m_player->events(QStringLiteral("convo")))
            n += e.value(QStringLiteral("op")).toString() == QLatin1String("button") && e.value(QStringLiteral("accion")).toInt() == accion;
        return n;
    }

    /// Starts the player with ARGUMENTS, opens the conversation from the map and plays its video.
    void openConversation(const QStringList& arguments)
    {
        m_player = std::make_unique<PlayerRun>(*m_course);
        m_stage = m_player->startOnDisplay(arguments);
        QVERIFY2(m_stage.isValid(), qPrintable(m_player->standardError()));
        // Into the map's region, lit, then a click on it.
        PointerEvents::pointAt(m_stage, 100, 100);
        QTRY_VERIFY_WITH_TIMEOUT(!m_player->events(QStringLiteral("region")).isEmpty(), 10000);
        PointerEvents::clickAt(m_stage, 100, 100);
        QTRY_VERIFY_WITH_TIMEOUT(!m_player->events(QStringLiteral("lesson.open")).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!openedVideo().isEmpty(), 30000);
        // The pointer rests off the video and the subtitles.
        PointerEvents::pointAt(m_stage, 600, 470);
        QVERIFY2(waitFor([this] { return count(grabDisplay(), videoOnStage, videoColour, 24) > videoArea() * 9 / 10; }, 10000),
            "the video is not seen in its place");
        // The learner starts it.
        key(QStringLiteral("space"));
        QTRY_VERIFY(isPlaying());
    }

    bool isPlaying() const
    {
        const QList<QJsonObject> video = m_player->events(QStringLiteral("video"));
        for (auto e = video.crbegin(); e != video.crend(); ++e) {
            if (e->value(QStringLiteral("op")).toString() == QLatin1String("state"))
                return e->value(QStringLiteral("state")).toInt() == 2;
        }
        return false;
    }

    QJsonObject openedVideo() const
    {
        for (const QJsonObject& e : m_player->events(QStringLiteral("video"))) {
            if (e.value(QStringLiteral("op")).toString() == QLatin1String("open") && e.value(QStringLiteral("state")).toInt() == 3)
                return e;
        }
        return {};
    }

    int videoArea() const { return int(videoOnStage.width() * videoOnStage.height() * m_stage.factor * m_stage.factor); }

    /// Shows the word note of "Good" in the English subtitle by pointing at the word; NOTE
    /// is where it lies.
    void showNote(QRect& note)
    {
        // The first phrase is on show from half a second on.
        QVERIFY2(waitFor([this] { return count(grabDisplay(), QRect(20, 276, 320, 40), Qt::black, 40) > 20; }, 10000),
            "no English subtitle is shown");
        PointerEvents::pointAt(m_stage, 36, 292);
        QVERIFY2(waitFor([&] { return !(note = boxOf(grabDisplay(), QRect(0, 0, 640, 480), noteColour)).isEmpty(); }, 5000),
            "no note is shown for the word pointed at");
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
    }

    // Every case on a course of its own, for a learner who has seen nothing yet.
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->useHere();
        ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        // A picture of one colour, so that whatever else shows inside it is told apart.
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("color=c=0x20C040:size=320x240:rate=25:duration=40"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                QStringLiteral("-i"), QStringLiteral("anullsrc=r=44100:cl=mono"), QStringLiteral("-t"), QStringLiteral("40"),
                QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("2"), QStringLiteral("-c:a"),
                QStringLiteral("pcm_s16le"), m_course->folder() + QStringLiteral("/video/cafe.avi") });
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
        m_course->addPicture(QStringLiteral("luz.bmp"), QSize(200, 300), Qt::white);
        QImage mask(640, 480, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 200, 300, QColor(255, 0, 0));
        QVERIFY(mask.save(m_course->folder() + QStringLiteral("/mascara.bmp")));
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        m_course->addPicture(QStringLiteral("ayuda.bmp"), QSize(400, 300), Qt::white);
        for (const char* name : { "b.bmp", "a.bmp", "x1.bmp", "v2.bmp", "v3.bmp", "rojo.bmp", "gris.bmp" })
            m_course->addPicture(QString::fromLatin1(name), QSize(30, 30), Qt::gray);
        m_course->addTone(QStringLiteral("click.wav"), 0.3, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
    }

    void cleanup()
    {
        m_player.reset();
        m_course.reset();
    }

    // The note of a word, the list of keys and the glossary open over the playing video and
    // are seen whole there: their own pixels where the picture is, at the stage's own size
    // and twice as big.
    void overlaysAreSeenOverTheVideo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("stage at its own size") << QStringList { QStringLiteral("--scale"), QStringLiteral("1") };
        QTest::newRow("twice as big") << QStringList { QStringLiteral("--scale"), QStringLiteral("2") };
    }

    void overlaysAreSeenOverTheVideo()
    {
        QFETCH(QStringList, arguments);
        openConversation(arguments);
        if (QTest::currentTestFailed())
            return;
        const int area = videoArea();
        QCOMPARE(count(grabDisplay(), videoOnStage, noteColour), 0);

        QRect note;
        showNote(note);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(videoOnStage.intersects(note), "the note was meant to rise over the video");
        const int noteOverVideo = (note & videoOnStage).width() * (note & videoOnStage).height();
        QImage display = grabDisplay();
        // Its own colour where it lies over the video (all but its frame and its text).
        QVERIFY2(count(display, videoOnStage, noteColour) * 2 > int(noteOverVideo * m_stage.factor * m_stage.factor),
            qPrintable(QStringLiteral("%1 of %2").arg(count(display, videoOnStage, noteColour)).arg(noteOverVideo)));
        PointerEvents::pointAt(m_stage, 600, 470);

        key(QStringLiteral("question"));
        display = grabDisplay();
        QVERIFY2(count(display, videoOnStage, videoColour, 24) < area * 9 / 10, "the list of keys is not seen over the video");
        key(QStringLiteral("question"));
        QVERIFY(waitFor([&] { return count(grabDisplay(), videoOnStage, videoColour, 24) > area * 9 / 10; }, 5000));

        key(QStringLiteral("g"));
        QTRY_VERIFY(!m_player->events(QStringLiteral("glossary")).isEmpty());
        // The glossary's window over the video's right part: (120, 90) to (340, 270).
        const QRect glossaryOverVideo = QRect(120, 90, 400, 300) & videoOnStage;
        const int glossaryPixels = int(glossaryOverVideo.width() * glossaryOverVideo.height() * m_stage.factor * m_stage.factor);
        QVERIFY2(waitFor([&] { return count(grabDisplay(), glossaryOverVideo, glossaryColour) > glossaryPixels / 4; }, 5000),
            "the glossary is not seen over the video");
        QCOMPARE(count(grabDisplay(), glossaryOverVideo, videoColour, 24), 0);
    }

    // After each window that lay over the screen, however it closed, the screen's keys work
    // at once: C (the Spanish subtitle) runs its action.
    void keysComeBackAfterEveryOverlay_data()
    {
        QTest::addColumn<QString>("overlay");
        QTest::newRow("glossary closed with its button") << "glossary";
        QTest::newRow("glossary from the note's link") << "link";
        QTest::newRow("glossary closed with Esc from its entry box") << "escape";
        QTest::newRow("list of keys") << "keys";
        QTest::newRow("message window") << "message";
        QTest::newRow("help") << "help";
    }

    void keysComeBackAfterEveryOverlay()
    {
        QFETCH(QString, overlay);
        openConversation({ QStringLiteral("--scale"), QStringLiteral("1") });
        if (QTest::currentTestFailed())
            return;
        key(QStringLiteral("c"));
        QTRY_COMPARE(actions(26), 1);

        if (overlay == QLatin1String("glossary") || overlay == QLatin1String("link") || overlay == QLatin1String("escape")) {
            if (overlay != QLatin1String("link")) {
                key(QStringLiteral("g"));
            } else {
                QRect note;
                showNote(note);
                if (QTest::currentTestFailed())
                    return;
                // The link is the note's second line.
                PointerEvents::clickAt(m_stage, note.left() + 12, note.bottom() - 8);
            }
            QTRY_VERIFY(!m_player->events(QStringLiteral("glossary")).isEmpty());
            // Keys typed into the glossary stay there.
            key(QStringLiteral("c"));
            QCOMPARE(actions(26), 1);
            if (overlay == QLatin1String("escape"))
                key(QStringLiteral("Escape")); // the entry box has the keys since the opening
            else
                PointerEvents::clickAt(m_stage, glossaryClose.x(), glossaryClose.y());
            QTRY_COMPARE(m_player->events(QStringLiteral("glossary")).last().value(QStringLiteral("op")).toString(), QStringLiteral("close"));
        } else if (overlay == QLatin1String("keys")) {
            key(QStringLiteral("question"));
            key(QStringLiteral("question"));
        } else if (overlay == QLatin1String("message")) {
            // No take of the phrase yet: the learner is told so in the message window.
            key(QStringLiteral("o"));
            QTRY_VERIFY(!m_player->events(QStringLiteral("message")).isEmpty());
            QTest::qWait(300);
            key(QStringLiteral("Return"));
        } else if (overlay == QLatin1String("help")) {
            const int activations = m_player->events(QStringLiteral("screen.activate")).size();
            key(QStringLiteral("F1"));
            QTRY_VERIFY(m_player->events(QStringLiteral("screen.activate")).size() > activations);
            QTest::qWait(300);
            PointerEvents::clickAt(m_stage, 200, 150); // the help goes at a click
            QTRY_VERIFY_WITH_TIMEOUT(m_player->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("window")).toString()
                    == QLatin1String("frmva"),
                10000);
        }
        const int before = actions(26);
        key(QStringLiteral("c"));
        QTRY_COMPARE(actions(26), before + 1);
        // And an arrow, which no list or tree of the screen takes away.
        const int moved = actions(9);
        key(QStringLiteral("Right"));
        QTRY_COMPARE(actions(9), moved + 1);
    }
};

QTEST_GUILESS_MAIN(EndToEndConversationTest)
#include "tst_e2e_conversation.moc"
