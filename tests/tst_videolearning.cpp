// The conversation video screen on a fixture course, with the real video player and
// the real recorder on the test sound server: what it shows, where a click leads, what
// it plays and records.
#include "AudioProbe.h"
#include "CourseTree.h"
#include "FrameButton.h"
#include "HelpOverlay.h"
#include "MainMapScreen.h"
#include "MediaPlayer.h"
#include "MediaRecipes.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "OwnVideos.h"
#include "PictureSurface.h"
#include "PointerEvents.h"
#include "Recordset.h"
#include "VisitedLessons.h"
#include "VoiceRecording.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "SoundChannels.h"
#include "ShadowingCycle.h"
#include "SubtitleWords.h"
#include "GlossaryScreen.h"
#include "PictureList.h"
#include "ComponentLibrary.h"
#include "ConversationSetUp.h"
#include "SlowReplay.h"
#include "TakeStore.h"
#include "IntonationView.h"
#include "StudyAids.h"
#include "StudyController.h"
#include "RecorderDriver.h"
#include "KeyList.h"
#include "MediaOwner.h"
#include "StudyKeys.h"
#include "StudyStrip.h"
#include "VideoLearningScreen.h"
#include "VideoPlayer.h"
#include "WaveRecorder.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFrame>
#include <QListWidget>
#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QTextCursor>
#include <QMessageBox>
#include <QtEndian>
#include <QTextEdit>
#include <QTimer>
#include <QElapsedTimer>
#include <QtTest>
#include <cmath>

namespace {

// Lessons 20 and 21 are conversations in chapter 11 of map 1; 21 opens with an
// introduction and lists a phrase wider than the list; 22 has no video file.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null, null, 0),"
    "  (20, 'En el café', 12, 'video\\cafe.avi', 1, 11, 20, 30, 0),"
    "  (21, 'En la estación', 12, 'video\\cafe.avi', 1, 11, 20, 30, 1),"
    "  (22, 'Sin vídeo', 12, 'video\\falta.avi', 1, 11, 20, 30, 0),"
    "  (23, 'Un tono', 12, 'video\\tono.avi', 1, 11, 20, 30, 0);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
    "insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values"
    "  (20, 1000, 'Good morning', 'Buenos días'), (20, 3000, 'A coffee, please', 'Un café, por favor'), (20, 5000, 'Thank you', 'Gracias'),"
    "  (21, 500, 'Welcome to the station', 'Bienvenidos'), (21, 2000, 'Where does the train to the airport leave from, please?', '¿De dónde sale el tren?'),"
    "  (21, 4000, 'Platform two', 'Andén dos'), (22, 1000, 'Hello', 'Hola'), (22, 3000, 'Goodbye', 'Adiós'),"
    "  (23, 1000, 'A tone', 'Un tono'), (23, 2000, 'The HOUSES stopped.', 'Las casas pararon.');"
    "insert into glosesp (id_esp, termino) values (1, 'casa'), (2, 'hogar'), (3, 'parar');"
    "insert into glosing (id_ing, termino) values (1, 'house'), (2, 'Stop');"
    "insert into glosario (id_esp, id_ing) values (1, 1), (2, 1), (3, 2);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
    "  (8, 1, 0, 0, 0, 400, 300, null, null, '200220240', 0, null, null),"
    "  (8, 6, 1, 10, 70, 180, 190, null, null, '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 6, 2, 210, 70, 180, 190, null, null, '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 15, 1, 10, 40, 180, 22, null, null, '255255200', 0, 'DejaVu Sans', 9),"
    "  (8, 15, 2, 210, 40, 180, 22, null, null, '255255255', 0, 'DejaVu Sans', 9);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
    "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
    "  (12, 3, 0, 0, 0, 240, 180, null, null, null, 0, null, null, 0),"
    "  (12, 9, 1, 20, 300, 300, 40, null, null, '255255200', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 2, 20, 350, 300, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
    "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
    "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0),"
    "  (12, 22, 0, 400, 30, 100, 24, null, null, '255255255', 0, 'DejaVu Sans', 10, 0),"
    "  (12, 24, 0, 0, 0, 0, 0, 'rojo.bmp', 'gris.bmp', null, 0, null, null, 0);"
    "update lecciones set nombre_fichero2 = 'mascara.bmp' where N_leccion = 1;"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion) values (1, 0, 0, 0, 0, null, 0), (1, 5, 0, 250, 420, 'b.bmp', 16);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, colorfont) values"
    "  (12, 2, 0, 20, 20, 'ayuda.bmp', 'click.wav', 0, 0);"
    "insert into sonidospantalla values (12, 0, null, 'click.wav', 'cambio.wav'), (2, 0, null, 'click.wav', 'cambio.wav');");

// Buttons: one per action, in a row along the bottom.
QString buttonRows()
{
    const int actions[] = { 4, 5, 6, 7, 8, 9, 10, 14, 15, 23, 26, 27, 28, 33, 35, 36, 37, 38, 39, 40, 41 };
    QStringList values;
    int x = 4;
    for (int accion : actions) {
        values << QStringLiteral("(12, 5, 0, %1, 440, 'b.bmp', 'a.bmp', %2)").arg(x).arg(accion);
        x += 31;
    }
    values << QStringLiteral("(12, 5, 0, 4, 405, 'b.bmp', 'a.bmp', 24)"); // full screen, a row higher
    // A picture of the course's own that carries an aid's code: decoration, not the aid.
    values << QStringLiteral("(12, 5, 0, 40, 405, 'b.bmp', 'a.bmp', 58)");
    return QStringLiteral("insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values %1;")
        .arg(values.join(QLatin1Char(',')));
}

constexpr int openTimeoutMs = 10000;
constexpr double kClickHz = 1200;
constexpr int kToneHz = 700;
constexpr int kVoiceHz = 500; // the learner's voice in the shadowing takes

/// The samples of the 16-bit mono WAV file PATH, in [-1, 1].
QVector<float> waveSamples(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll().mid(44);
    QVector<float> samples(data.size() / 2);
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(data.constData() + 2 * i) / 32768.0f;
    return samples;
}

/// Where the tone at HZ is heard in SAMPLES: the first and last 10 ms window that holds
/// it, in milliseconds from the start; {-1, -1} when it is not heard.
std::pair<int, int> toneHeard(const QVector<float>& samples, double hz)
{
    constexpr int Window = AudioProbe::kSampleRate / 100;
    int first = -1;
    int last = -1;
    for (int at = 0; at + Window <= samples.size(); at += Window) {
        if (AudioProbe::amplitudeAt(samples.mid(at, Window), hz) > 0.03) {
            if (first < 0)
                first = at / Window;
            last = at / Window;
        }
    }
    return { first * 10, last < 0 ? -1 : last * 10 + 10 };
}

double amplitudeDb(const QVector<float>& samples, double hz)
{
    const double a = AudioProbe::amplitudeAt(samples, hz);
    return a > 1e-10 ? 20.0 * std::log10(a) : -200.0;
}

} // namespace

class VideoLearningTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    VideoLearningScreen* m_screen = nullptr;
    AudioProbe m_probe;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }

    void openLesson(qint16 lesson)
    {
        state().CurrentLesson = lesson;
        shell().showScreen(m_screen);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened && m_screen->videocont->isVisible(), openTimeoutMs);
    }

    void press(int accion)
    {
        const int index = m_screen->buttonWithAction(accion);
        QVERIFY(index > 0);
        emit m_screen->Imagex[size_t(index)]->clicked(index);
    }

    /// The learner's hand: the pointer onto the button of ACCION over the background,
    /// which lights it, and a click on it.
    void click(int accion)
    {
        const int index = m_screen->buttonWithAction(accion);
        QVERIFY(index > 0);
        const ButtonRecord& b = m_screen->buttons().at(size_t(index));
        pointAt(b.left + 2, b.top + 2);
        FrameButton* button = m_screen->Imagex[size_t(index)];
        QVERIFY2(button->isVisible(), qPrintable(QStringLiteral("the button of accion %1 is not lit").arg(accion)));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(2, 2));
    }

    /// The pointer moves over the background to (X, Y).
    void pointAt(int x, int y) { PointerEvents::sendMouse(m_screen->Picture1, QEvent::MouseMove, QPoint(x, y), Qt::NoButton); }

    QTreeWidgetItem* lessonNode(int lesson) const { return m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), lesson)); }

    /// A click on the tree node of LESSON, as the learner's pointer makes it.
    void clickNode(int lesson)
    {
        QTreeWidgetItem* node = lessonNode(lesson);
        QVERIFY(node);
        m_screen->arbol->scrollToItem(node);
        QTest::mouseClick(m_screen->arbol->viewport(), Qt::LeftButton, {}, m_screen->arbol->visualItemRect(node).center());
    }

    /// Leaves with the screen's leave button for the map.
    void leaveForTheMap()
    {
        click(VideoLearningScreen::Leave);
        QTRY_VERIFY(shell().window(QStringLiteral("frmms"))->isVisible() && m_screen->isHidden());
        QTRY_COMPARE(int(state().CurrentScreen), 1);
    }

    /// From the map to LESSON, as a click on the map does; waits until its video is open
    /// unless it has none.
    void enterFromTheMap(qint16 lesson, bool hasVideo = true)
    {
        const int ready = convoOps().count(QStringLiteral("ready"));
        state().CurrentLesson = lesson;
        shell().navigator().SwitchScreen(shell().window(QStringLiteral("frmms")), m_screen);
        QTRY_VERIFY(m_screen->isVisible());
        QTRY_COMPARE(int(state().CurrentScreen), 12);
        if (hasVideo)
            QTRY_VERIFY_WITH_TIMEOUT(convoOps().count(QStringLiteral("ready")) > ready, openTimeoutMs);
    }

    /// The `op` of every `convo` event so far.
    QStringList convoOps() const
    {
        QStringList ops;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("convo")))
            ops << e.value(QStringLiteral("op")).toString();
        return ops;
    }

    FrameButton* buttonOf(int accion) const { return m_screen->Imagex[size_t(m_screen->buttonWithAction(accion))]; }

    QString takeFile() const { return m_course->path(QStringLiteral("data/tamsel/c/lurva/sir2.wav")); }

    /// Closes the message box that lies over the screen with its button; TEXT gets all it said.
    void closeMessageBox(QString& text)
    {
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = m_screen->findChild<QMessageBox*>()) && box->isVisible());
        text = box->text() + box->informativeText() + box->detailedText();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!m_screen->findChild<QMessageBox*>());
    }

    QString english() const { return m_screen->e1[0]->toPlainText(); }
    QString spanish() const { return m_screen->e1[1]->toPlainText(); }

    /// Moves the pointer off the buttons and onto the play button, which lights up with
    /// the click sound; whether that click was heard.
    bool clickHeard()
    {
        m_probe.record(200);
        m_screen->BackgroundMouseMove(300, 200);
        const int play = m_screen->buttonWithAction(VideoLearningScreen::Play);
        const ButtonRecord& b = m_screen->buttons().at(size_t(play));
        m_screen->BackgroundMouseMove(b.left + 2, b.top + 2);
        return amplitudeDb(m_probe.record(400), kClickHz) > -40;
    }

    /// Closes every modal window that opens while CLOSER lives.
    void closeModalsWith(QTimer& closer)
    {
        connect(&closer, &QTimer::timeout, this, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(200);
    }

    /// The events of the study aids whose `op` is OP.
    QList<QJsonObject> studyEvents(const QString& op) const
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("study")))
            if (e.value(QStringLiteral("op")).toString() == op)
                found << e;
        return found;
    }

    /// A key pressed on the screen, where the focus is.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() && m_screen->isAncestorOf(QApplication::focusWidget()) ? QApplication::focusWidget() : m_screen->Picture1;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    /// Waits for the COUNT-th study event OP; returns it.
    QJsonObject waitForStudy(const QString& op, int count = 1, int timeoutMs = 8000)
    {
        QElapsedTimer waited;
        waited.start();
        while (studyEvents(op).size() < count && waited.elapsed() < timeoutMs)
            QTest::qWait(10);
        const QList<QJsonObject> found = studyEvents(op);
        return found.size() >= count ? found.at(count - 1) : QJsonObject();
    }

    /// The windows laid over the screen, each as the learner opens it.
    enum class Over { GlossaryKey, GlossaryLink, Help };

    /// What a learner starts on the screen, one key or click each.
    enum class Start { Shadow, Slow, Take, Video, Repeat, Loop, Glossary, Help, Leave, Lesson };
    static const char* startName(Start s)
    {
        static const char* const names[] = { "shadowing", "slow", "course-take", "video", "repeat", "loop", "glossary", "help", "leave", "lesson" };
        return names[int(s)];
    }

    void start(Start what)
    {
        switch (what) {
        case Start::Shadow:
            key(Qt::Key_H);
            // Refused, it never records; started, it records once the model has been heard.
            if (shadowPhase() != ShadowingCycle::Phase::Idle)
                QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Recording, 4000);
            break;
        case Start::Slow:
            key(Qt::Key_7);
            QTest::qWait(300);
            break;
        case Start::Take: key(Qt::Key_R); break;
        case Start::Video: key(Qt::Key_Space); break;
        case Start::Repeat: key(Qt::Key_Up); break;
        case Start::Loop: key(Qt::Key_B); break;
        case Start::Glossary:
            key(Qt::Key_G);
            QTRY_VERIFY(shell().window(QStringLiteral("frmind"))->isVisible());
            break;
        case Start::Help:
            key(Qt::Key_F1);
            QTRY_VERIFY(shell().window(QStringLiteral("frmayu"))->isVisible());
            break;
        case Start::Leave:
            key(Qt::Key_Escape);
            QTRY_VERIFY(m_screen->isHidden());
            break;
        case Start::Lesson:
            clickNode(20);
            QTRY_COMPARE(int(state().CurrentLesson), 20);
            break;
        }
    }

    /// Whether WHAT still runs (an overlay, leaving or another lesson: whether it happened).
    bool runs(Start what)
    {
        switch (what) {
        case Start::Shadow: return shadowPhase() != ShadowingCycle::Phase::Idle;
        case Start::Slow: return m_screen->study->aids().slowReplay().isPlaying();
        case Start::Take: return m_screen->voice->isRecording();
        case Start::Video:
        case Start::Repeat:
        case Start::Loop: return m_screen->video->currentState() == int(VideoPlayer::Running);
        case Start::Glossary: return shell().window(QStringLiteral("frmind"))->isVisible() && m_screen->video->currentState() != int(VideoPlayer::Running);
        case Start::Help: return shell().window(QStringLiteral("frmayu"))->isVisible();
        case Start::Leave: return m_screen->isHidden();
        case Start::Lesson: return state().CurrentLesson == 20;
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_course = std::make_unique<FixtureCourse>(rows + buttonRows());
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=240x180:rate=10:duration=8"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("anullsrc=r=48000:cl=mono"), QStringLiteral("-t"), QStringLiteral("8"), QStringLiteral("-c:v"),
                QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
                m_course->folder() + QStringLiteral("/video/cafe.avi") });
        // Lesson 23: a tone of 700 Hz for its first phrase, from 1 s to 2 s, silence around it.
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=240x180:rate=10:duration=4"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=1,adelay=1000,apad=whole_dur=4").arg(kToneHz), QStringLiteral("-t"),
                QStringLiteral("4"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
                m_course->folder() + QStringLiteral("/video/tono.avi") });
        m_course->addMinimalMap();
        m_course->addPicture(QStringLiteral("ayuda.bmp"), QSize(400, 300), Qt::white);
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        for (const char* name : { "b.bmp", "a.bmp", "x1.bmp", "v2.bmp", "v3.bmp", "rojo.bmp", "gris.bmp" })
            m_course->addPicture(QString::fromLatin1(name), QSize(30, 30), QString::fromLatin1(name) == QLatin1String("rojo.bmp") ? Qt::red : Qt::gray);
        m_course->addTone(QStringLiteral("click.wav"), 0.3, int(kClickHz));
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_course->addTone(QStringLiteral("voz.wav"), 6, 700);
        m_course->addTone(QStringLiteral("voz2.wav"), 6, kVoiceHz);
        QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
    }

    void init()
    {
        m_harness = std::make_unique<ShellHarness>(*m_course);
        // Every case starts with a learner who has seen nothing and recorded nothing.
        QDir(m_course->path(QStringLiteral("data/tamsel/c"))).removeRecursively();
        QFile::remove(TakeStore(state().UserFolder).root());
        m_screen = conversationScreenOfANewLearner(*m_harness, QStringLiteral(ROLDA_LIBRARY));
        QVERIFY(m_screen);
    }

    void cleanup() { m_harness.reset(); }

    void firstLoadShowsTheLessonThatLedHere_data()
    {
        QTest::addColumn<int>("ledBy");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("a conversation") << 21 << 21 << "En la estación"
                                        << QStringList { "Where does the train..." , "Platform two" };
        QTest::newRow("from elsewhere") << 1 << 20 << "En el café" << QStringList { "Good morning", "A coffee, please", "Thank you" };
    }

    void firstLoadShowsTheLessonThatLedHere()
    {
        QFETCH(int, ledBy);
        QFETCH(int, shown);
        QFETCH(QString, title);
        QFETCH(QStringList, listed);
        openLesson(qint16(ledBy));
        QCOMPARE(int(state().CurrentLesson), shown);
        QCOMPARE(m_screen->lbltit->text(), title);
        QStringList texts;
        for (int i = 0; i < m_screen->conversacion->count(); ++i)
            texts << m_screen->conversacion->item(i)->text();
        QCOMPARE(texts, listed);
        QCOMPARE(int(m_screen->Phrases.size()), listed.size());
        // The tree selects the lesson on show.
        QCOMPARE(CourseTree::key(m_screen->arbol->currentItem()), CourseTree::nodeKey(QLatin1Char('N'), shown));
        QCOMPARE(m_screen->videocont->pos(), QPoint(20, 30));
        QCOMPARE(m_screen->videocont->width(), 240);
        QVERIFY(english().isEmpty());
    }

    void phraseButtonsStepThroughThePhrases()
    {
        openLesson(20);
        // Previous with nothing shown does nothing; next shows the first phrase.
        press(VideoLearningScreen::PreviousPhrase);
        QCOMPARE(int(m_screen->CurrentPhrase), -1);
        QVERIFY(english().isEmpty());
        press(VideoLearningScreen::NextPhrase);
        QCOMPARE(int(m_screen->CurrentPhrase), 0);
        QCOMPARE(english(), QStringLiteral("Good morning"));
        QCOMPARE(spanish(), QStringLiteral("Buenos días"));
        QTRY_COMPARE(m_screen->video->position(), 1.0);
        press(VideoLearningScreen::NextPhrase);
        press(VideoLearningScreen::NextPhrase);
        QCOMPARE(english(), QStringLiteral("Thank you"));
        press(VideoLearningScreen::NextPhrase); // past the last: nothing
        QCOMPARE(int(m_screen->CurrentPhrase), 2);
        press(VideoLearningScreen::PreviousPhrase);
        QCOMPARE(spanish(), QStringLiteral("Un café, por favor"));
        // To the start clears the boxes.
        press(VideoLearningScreen::ToStart);
        QCOMPARE(int(m_screen->CurrentPhrase), -1);
        QVERIFY(english().isEmpty());
    }

    void subtitlesFollowThePlayingVideo()
    {
        openLesson(20);
        press(VideoLearningScreen::Play);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QTRY_COMPARE_WITH_TIMEOUT(english(), QStringLiteral("Good morning"), 4000);
        QTRY_COMPARE_WITH_TIMEOUT(english(), QStringLiteral("A coffee, please"), 4000);
        QVERIFY(m_screen->video->position() >= 2.4);
        const QList<QJsonObject> phrases = m_harness->events(QStringLiteral("phrase"));
        QVERIFY(phrases.size() >= 2);
        QCOMPARE(phrases.at(1).value(QStringLiteral("index")).toInt(), 1);
    }

    void theListJumpsToAPhraseAndPlays()
    {
        openLesson(20);
        auto* list = m_screen->conversacion;
        list->setCurrentRow(2);
        emit list->itemPressed(list->item(2));
        QCOMPARE(english(), QStringLiteral("Thank you"));
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QVERIFY(m_screen->video->position() >= 5.0);
    }

    void theIntroductionIsSkippedAndPlayAtTheEndRestartsAtTheFirstPhrase()
    {
        openLesson(21);
        QCOMPARE(m_screen->Phrases.front().mseg, 2000);
        press(VideoLearningScreen::ToEnd);
        QTRY_VERIFY(m_screen->video->position() >= m_screen->video->duration() - 0.4);
        press(VideoLearningScreen::Play);
        QTRY_VERIFY(m_screen->video->position() >= 2.0);
        QVERIFY(m_screen->video->position() < 4.0);
    }

    void theLongPhraseShowsInFullInThePopup()
    {
        openLesson(21);
        press(VideoLearningScreen::ShowPhraseList);
        auto* list = m_screen->conversacion;
        const QPoint first = list->visualItemRect(list->item(0)).center();
        QTest::mouseMove(list->viewport(), first);
        m_screen->PhraseListHover(first);
        QVERIFY(m_screen->Picture2->isVisible());
        QCOMPARE(m_screen->TxtFrase->text(), QStringLiteral("Where does the train to the airport leave from, please?"));
        // Beside the list, as far as the stage leaves room.
        QCOMPARE(m_screen->Picture2->x(), std::min(list->x() + 20, m_screen->width() - m_screen->Picture2->width()));
        m_screen->PhraseListHover(list->visualItemRect(list->item(1)).center());
        QVERIFY(m_screen->Picture2->isHidden());
        // A click on the pop-up jumps to the phrase.
        m_screen->PhraseListHover(first);
        list->setCurrentRow(0);
        QTest::mouseClick(m_screen->TxtFrase, Qt::LeftButton);
        QVERIFY(m_screen->Picture2->isHidden());
        QCOMPARE(int(m_screen->CurrentPhrase), 0);
    }

    void sidePanelButtonsSwitchTreeAndList()
    {
        openLesson(20);
        QVERIFY(m_screen->arbol->isVisible());
        QVERIFY(m_screen->conversacion->isHidden());
        press(VideoLearningScreen::ShowPhraseList);
        QVERIFY(m_screen->arbol->isHidden());
        QVERIFY(m_screen->conversacion->isVisible());
        QCOMPARE(int(state().SidePanelMode), 2);
        QVERIFY(m_screen->Imagex[size_t(m_screen->buttonWithAction(VideoLearningScreen::ShowTree))]->isHidden());
        press(VideoLearningScreen::ShowTree);
        QVERIFY(m_screen->arbol->isVisible());
        QVERIFY(m_screen->conversacion->isHidden());
        QCOMPARE(int(state().SidePanelMode), 1);
    }

    void aTreeClickShowsTheOtherLessonAndRegistersIt()
    {
        openLesson(20);
        QTreeWidgetItem* node = m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21));
        QVERIFY(node);
        QCOMPARE(CourseTree::nodeIcon(node), CourseTree::UnvisitedIcon);
        emit m_screen->arbol->pointerPressed(Qt::LeftButton, QPoint());
        m_screen->arbol->setCurrentItem(node);
        emit m_screen->arbol->nodeClicked(node);
        QCOMPARE(int(state().CurrentLesson), 21);
        QCOMPARE(m_screen->lbltit->text(), QStringLiteral("En la estación"));
        QVERIFY(m_screen->arbol->visitedLessons().IsLessonVisited(21));
        // Opened from the tree, it plays.
        QTRY_COMPARE_WITH_TIMEOUT(m_screen->video->currentState(), int(VideoPlayer::Running), openTimeoutMs);
    }

    void theMapsEraseButtonEmptiesTheTreesVisits()
    {
        openLesson(20);
        QTreeWidgetItem* node = m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21));
        m_screen->arbol->setCurrentItem(node);
        m_screen->VideoOpened = false;
        emit m_screen->arbol->nodeClicked(node);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened, openTimeoutMs);
        press(VideoLearningScreen::Play);
        press(VideoLearningScreen::ToEnd);
        QTRY_COMPARE(CourseTree::nodeIcon(m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21))), CourseTree::SecondIcon);
        const auto ended = [this] {
            const QList<QJsonObject> events = m_harness->events(QStringLiteral("convo"));
            return std::any_of(events.cbegin(), events.cend(), [](const QJsonObject& e) { return e.value(QStringLiteral("op")).toString() == QLatin1String("end"); });
        };
        QTRY_VERIFY(ended());

        state().CurrentLesson = 1;
        auto* map = static_cast<MainMapScreen*>(shell().window(QStringLiteral("frmms")));
        map->ensureLoaded();
        m_harness->answerNextQuestion(QStringLiteral("Sí"));
        map->MapButtonClick(map->buttonWithAction(16));
        QCOMPARE(CourseTree::nodeIcon(m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21))), CourseTree::UnvisitedIcon);
        QVERIFY(!m_screen->arbol->visitedLessons().IsLessonVisited(21));
        QCOMPARE(int(state().CurrentLesson), 1);
    }

    void startAtFirstPhraseHoldsForTheNextVideos()
    {
        openLesson(20);
        press(VideoLearningScreen::ToggleFirstPhrase);
        QVERIFY(state().StartAtFirstPhrase);
        QCOMPARE(m_screen->buttons().at(size_t(m_screen->buttonWithAction(VideoLearningScreen::ToggleFirstPhrase))).state,
            FramedScreen::LatchedState);
        QTreeWidgetItem* node = m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21));
        m_screen->arbol->setCurrentItem(node);
        m_screen->VideoOpened = false;
        emit m_screen->arbol->nodeClicked(node);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened, openTimeoutMs);
        QCOMPARE(m_screen->video->position(), 2.0); // lesson 21's first phrase after its introduction
        // To the start goes to the first phrase as well, the introduction being skipped.
        press(VideoLearningScreen::NextPhrase);
        press(VideoLearningScreen::ToStart);
        QTRY_COMPARE(m_screen->video->position(), 2.0);
    }

    void theSliderSetsTheVideosVolumeForTheNextLessonsToo()
    {
        openLesson(20);
        const int background = shell().sounds().backgroundVolume();
        m_screen->Slider1->setValue(1200);
        QCOMPARE(m_screen->video->volume(), -1200);
        QCOMPARE(m_screen->SavedVolume, -1200);
        QCOMPARE(shell().sounds().backgroundVolume(), background); // this screen has no background sound
        QTreeWidgetItem* node = m_screen->arbol->node(CourseTree::nodeKey(QLatin1Char('N'), 21));
        m_screen->arbol->setCurrentItem(node);
        m_screen->VideoOpened = false;
        emit m_screen->arbol->nodeClicked(node);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened, openTimeoutMs);
        QCOMPARE(m_screen->video->volume(), -1200);
        QCOMPARE(m_screen->Slider1->value(), 1200);
    }

    void aReturnFromTheHelpContinuesWhereTheVideoWas()
    {
        openLesson(20);
        press(VideoLearningScreen::Play);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->SavedPosition >= 2.0, 5000);
        const int setups = int(m_harness->events(QStringLiteral("convo")).size());
        press(VideoLearningScreen::Help);
        auto* help = static_cast<HelpOverlay*>(shell().existingWindow(QStringLiteral("frmayu")));
        QVERIFY(help);
        QTRY_VERIFY(help->isVisible());
        QVERIFY(m_screen->isHidden());
        QVERIFY(state().ExplorerOpen);
        const double saved = m_screen->SavedPosition;
        help->Vuelve();
        QTRY_VERIFY(m_screen->isVisible());
        QTRY_VERIFY(!state().ExplorerOpen);
        QCOMPARE(m_screen->video->position(), saved);
        // The lesson was not set up afresh.
        int again = 0;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("convo")).mid(setups))
            again += e.value(QStringLiteral("op")).toString() == QLatin1String("setup");
        QCOMPARE(again, 0);
    }

    // The glossary, by its key or by the word note's link, and the help lie over the screen:
    // the video pauses where it was, a hold at a phrase's end is kept, and the keys go on
    // from there.
    void aWindowOverTheScreenKeepsTheVideosPlaceAndTheHold_data()
    {
        QTest::addColumn<bool>("hold");
        QTest::addColumn<int>("over");
        QTest::newRow("playing, G") << false << int(Over::GlossaryKey);
        QTest::newRow("at the hold, G") << true << int(Over::GlossaryKey);
        QTest::newRow("at the hold, the note's link") << true << int(Over::GlossaryLink);
        QTest::newRow("playing, F1") << false << int(Over::Help);
        QTest::newRow("at the hold, F1") << true << int(Over::Help);
    }

    void aWindowOverTheScreenKeepsTheVideosPlaceAndTheHold()
    {
        QFETCH(bool, hold);
        QFETCH(int, over);
        openLesson(20);
        if (hold)
            key(Qt::Key_P);
        key(Qt::Key_Space);
        if (hold)
            QVERIFY(!waitForStudy(QStringLiteral("paused")).isEmpty());
        else
            QTRY_VERIFY_WITH_TIMEOUT(m_screen->video->position() >= 2.0, 5000);
        const double at = m_screen->video->position();
        if (Over(over) == Over::GlossaryLink)
            m_screen->openGlossaryOn(QStringLiteral("house"));
        else
            key(Over(over) == Over::Help ? Qt::Key_F1 : Qt::Key_G);
        QWidget* window = shell().existingWindow(QString::fromLatin1(Over(over) == Over::Help ? "frmayu" : "frmind"));
        QVERIFY(window);
        QTRY_VERIFY(window->isVisible());
        QVERIFY(m_screen->video->currentState() != int(VideoPlayer::Running));
        QVERIFY2(std::abs(m_screen->SavedPosition - at) < 0.3, qPrintable(QString::number(m_screen->SavedPosition)));
        if (auto* help = qobject_cast<HelpOverlay*>(window))
            help->Vuelve();
        else
            static_cast<GlossaryScreen*>(window)->Unload();
        QTRY_VERIFY(m_screen->isVisible() && m_screen->isEnabled());
        QVERIFY2(std::abs(m_screen->video->position() - at) < 0.3, qPrintable(QString::number(m_screen->video->position())));
        if (hold) {
            QVERIFY(m_screen->study->aids().isWaiting());
            QCOMPARE(m_screen->study->aids().studyPhrase(), 0);
            key(Qt::Key_Return);
            QCOMPARE(studyEvents(QStringLiteral("go-on")).size(), 1);
            // It holds again after the next phrase, not after one further on.
            const QJsonObject paused = waitForStudy(QStringLiteral("paused"), 2);
            QVERIFY(!paused.isEmpty());
            QCOMPARE(paused.value(QStringLiteral("index")).toInt(), 1);
        } else {
            key(Qt::Key_Space);
            QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
            QTest::qWait(300);
            QVERIFY2(m_screen->video->position() >= at - 0.3, qPrintable(QString::number(m_screen->video->position())));
        }
    }

    void aMissingVideoIsReportedAndTheTreeStaysUsable()
    {
        state().CurrentLesson = 22;
        shell().showScreen(m_screen);
        QTRY_VERIFY(!m_harness->events(QStringLiteral("message")).isEmpty());
        QVERIFY(m_harness->events(QStringLiteral("message")).front().value(QStringLiteral("detail")).toString().contains(QLatin1String("falta.avi")));
        // The learner reads Spanish only: which file and where it was looked for is the trace's.
        QString said;
        closeMessageBox(said);
        QCOMPARE(said, QStringLiteral("Falta un archivo de esta lección o no se puede abrir."));
        QVERIFY(m_screen->arbol->isVisible());
        QVERIFY(!m_screen->VideoOpened);
    }

    void aTakeIsRecordedWithTheOtherSoundsSilentAndPlayedBack()
    {
        openLesson(20);
        QVERIFY2(clickHeard(), "the click does not sound");
        // Playing before any take does nothing.
        press(VideoLearningScreen::PlayTake);
        QVERIFY(!m_screen->voice->isPlayingTake());

        MediaPlayer voice;
        voice.render(m_course->folder() + QStringLiteral("/voz.wav"));
        voice.run();
        press(VideoLearningScreen::RecordButton);
        QVERIFY(m_screen->voice->isRecording());
        QVERIFY(m_screen->voice->hasTake());
        QCOMPARE(m_screen->voice->recorder().mode(), WaveRecorder::Mode::Recording);
        // The indicator blinks between its two pictures every 100 ms.
        FrameButton* indicator = m_screen->Imagex[size_t(m_screen->recordIndicator())];
        QTRY_VERIFY(indicator->isVisible());
        const bool phase = m_screen->voice->blinkPhase();
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->voice->blinkPhase() != phase, 300);
        QVERIFY2(!clickHeard(), "the click sounds during the take");
        m_probe.record(800);
        press(VideoLearningScreen::RecordButton);
        voice.stop();
        QVERIFY(!m_screen->voice->isRecording());
        QVERIFY(indicator->isHidden());
        QVERIFY(indicator->pixmap().isNull());
        QVERIFY(m_screen->voice->recorder().lengthMs() > 1000);
        // The take is in the recorder's file in the data folder.
        QVERIFY2(QFileInfo(takeFile()).size() > 48000, qPrintable(takeFile()));
        QVERIFY2(clickHeard(), "the click is not back after the take");

        // Playback: the take at its frequency, no click until the done event.
        bool clickDuringPlayback = true;
        QVector<float> playing;
        QTimer::singleShot(0, this, [&] {
            clickDuringPlayback = clickHeard();
            playing = m_probe.record(400);
        });
        press(VideoLearningScreen::PlayTake);
        QVERIFY2(!clickDuringPlayback, "the click sounds during playback");
        QVERIFY2(amplitudeDb(playing, 700) > -30, qPrintable(QStringLiteral("the take is not heard: %1 dB").arg(amplitudeDb(playing, 700))));
        QTRY_VERIFY(!m_screen->voice->isPlayingTake());
        QVERIFY2(clickHeard(), "the click is not back after playback");
    }

    void withoutAnInputDeviceNoTakeIsClaimed()
    {
        openLesson(20);
        m_screen->voice->recorder().setInputDevice(QAudioDevice());
        QTimer::singleShot(500, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        click(VideoLearningScreen::RecordButton);
        QVERIFY(!m_screen->voice->isRecording());
        QVERIFY(!m_screen->voice->hasTake());
        // The learner is told in Spanish; the recorder's own words go to the trace.
        const QList<QJsonObject> messages = m_harness->events(QStringLiteral("message"));
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.back().value(QStringLiteral("text")).toString(), VoiceRecording::NoRecordingText);
        const QList<QJsonObject> convo = m_harness->events(QStringLiteral("convo"));
        QVERIFY(std::any_of(convo.cbegin(), convo.cend(), [](const QJsonObject& e) {
            return e.value(QStringLiteral("op")).toString() == QLatin1String("record")
                && e.value(QStringLiteral("error")).toString().contains(QLatin1String("no sound input"));
        }));
        // Nothing was recorded, so nothing was made in the data folder.
        QVERIFY(!QDir(m_course->path(QStringLiteral("data/tamsel/c/lurva"))).exists());
        QVERIFY2(clickHeard(), "the click is not back");
    }
    // Back from the map with another lesson, the tree selects that lesson and play marks
    // it, not the lesson shown before.
    void aLessonFromTheMapIsTheOneSelectedAndPlayed()
    {
        openLesson(20);
        click(VideoLearningScreen::Play);
        QCOMPARE(m_screen->PlayingNodeKey, CourseTree::nodeKey(QLatin1Char('N'), 20));
        leaveForTheMap();
        enterFromTheMap(21);
        QCOMPARE(m_screen->lbltit->text(), QStringLiteral("En la estación"));
        QCOMPARE(CourseTree::key(m_screen->arbol->currentItem()), CourseTree::nodeKey(QLatin1Char('N'), 21));
        click(VideoLearningScreen::Play);
        QCOMPARE(m_screen->PlayingNodeKey, CourseTree::nodeKey(QLatin1Char('N'), 21));
        click(VideoLearningScreen::ToEnd);
        QTRY_VERIFY(convoOps().contains(QStringLiteral("end")));
        QCOMPARE(CourseTree::nodeIcon(lessonNode(21)), CourseTree::SecondIcon);
    }

    // A lesson shown is registered however the learner came to it: one row in his register,
    // its tick in the tree at once, and the tick again after a restart.
    void aLessonShownIsRegisteredWhateverTheWay()
    {
        openLesson(21);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(21)), CourseTree::SecondIcon);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(20)), CourseTree::UnvisitedIcon);
        leaveForTheMap();
        enterFromTheMap(21);
        const auto rows = [this](int lesson) {
            return state().UserDb->openRecordset(QStringLiteral("select * from lecciones_usuario where id = 0 and leccion = %1").arg(lesson))->recordCount();
        };
        QCOMPARE(rows(21), 1);
        QCOMPARE(rows(20), 0);
        // A tree click registers once too.
        clickNode(20);
        QTRY_COMPARE(int(state().CurrentLesson), 20);
        QCOMPARE(rows(20), 1);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(20)), CourseTree::SecondIcon);

        cleanup();
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        m_screen = static_cast<VideoLearningScreen*>(shell().window(QStringLiteral("frmva")));
        openLesson(20);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(21)), CourseTree::SecondIcon);
        QCOMPARE(rows(21), 1);
    }

    // Without a video, or while one is still opening, there is no end to reach: nothing is
    // ticked as watched and no end is traced.
    void noVideoIsNeverAtItsEnd()
    {
        openLesson(20);
        click(VideoLearningScreen::Play);
        click(VideoLearningScreen::PauseVideo);
        leaveForTheMap();
        // The learner's work is erased on the map; then a lesson whose video is missing.
        auto* map = static_cast<MainMapScreen*>(shell().window(QStringLiteral("frmms")));
        m_harness->answerNextQuestion(QStringLiteral("Sí"));
        map->MapButtonClick(map->buttonWithAction(16));
        QCOMPARE(CourseTree::nodeIcon(lessonNode(20)), CourseTree::UnvisitedIcon);
        enterFromTheMap(22, false);
        QString said;
        closeMessageBox(said);
        click(VideoLearningScreen::NextPhrase);
        click(VideoLearningScreen::PreviousPhrase);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(20)), CourseTree::UnvisitedIcon);
        QCOMPARE(CourseTree::nodeIcon(lessonNode(22)), CourseTree::UnvisitedIcon); // not seen without its video
        QVERIFY(!convoOps().contains(QStringLiteral("end")));

        // A video still opening: played and left at once, it has not ended.
        clickNode(21);
        QCOMPARE(m_screen->video->readyState(), int(VideoPlayer::Loading));
        click(VideoLearningScreen::Play);
        click(VideoLearningScreen::Leave);
        QTRY_VERIFY(m_screen->isHidden());
        QVERIFY(!convoOps().contains(QStringLiteral("end")));
    }

    // While a take is recorded or played back the pointer over the background leaves the
    // buttons as they are: the record button and the blinking indicator stay, and the
    // button that plays the take stays lit until the take has been heard.
    void theButtonsStayWhileATakeIsRecordedOrPlayed()
    {
        openLesson(20);
        click(VideoLearningScreen::RecordButton);
        QVERIFY(m_screen->voice->isRecording());
        FrameButton* indicator = m_screen->Imagex[size_t(m_screen->recordIndicator())];
        QTRY_VERIFY(indicator->isVisible());
        for (int i = 0; i < 5; ++i) {
            pointAt(300 + i, 200);
            QVERIFY(buttonOf(VideoLearningScreen::RecordButton)->isVisible());
            QVERIFY(indicator->isVisible());
            QTest::qWait(60);
        }
        click(VideoLearningScreen::RecordButton);
        QVERIFY(!m_screen->voice->isRecording());

        bool litDuringPlayback = false;
        bool playing = false;
        QTimer::singleShot(0, this, [&] {
            playing = m_screen->voice->isPlayingTake();
            pointAt(300, 200);
            litDuringPlayback = buttonOf(VideoLearningScreen::PlayTake)->isVisible();
        });
        click(VideoLearningScreen::PlayTake);
        QVERIFY(playing);
        QVERIFY(litDuringPlayback);
        QTRY_VERIFY(!m_screen->voice->isPlayingTake());
        pointAt(300, 200);
        QVERIFY(buttonOf(VideoLearningScreen::PlayTake)->isHidden());
    }

    // The pop-up of a long phrase: shown again on the same row after it was hidden, kept on
    // the stage, and a click on it plays its own phrase, whatever the list has selected.
    void thePopupComesBackStaysOnTheStageAndPlaysItsPhrase()
    {
        openLesson(21);
        click(VideoLearningScreen::ShowPhraseList);
        QListWidget* list = m_screen->conversacion;
        QWidget* viewport = list->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(english(), QStringLiteral("Platform two"));
        click(VideoLearningScreen::PauseVideo);

        const QPoint longOne = list->visualItemRect(list->item(0)).center();
        PointerEvents::sendMouse(viewport, QEvent::MouseMove, longOne, Qt::NoButton);
        QVERIFY(m_screen->Picture2->isVisible());
        QCOMPARE(m_screen->TxtFrase->text(), QStringLiteral("Where does the train to the airport leave from, please?"));
        const QRect popup = m_screen->Picture2->geometry();
        QVERIFY2(m_screen->rect().contains(popup), qPrintable(QStringLiteral("the pop-up lies at %1,%2 %3x%4")
                                                                .arg(popup.x()).arg(popup.y()).arg(popup.width()).arg(popup.height())));
        QVERIFY(m_screen->TxtFrase->geometry().right() < popup.width());

        PointerEvents::sendMouse(m_screen->videocont, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
        QVERIFY(m_screen->Picture2->isHidden());
        PointerEvents::sendMouse(viewport, QEvent::MouseMove, longOne, Qt::NoButton);
        QVERIFY(m_screen->Picture2->isVisible());

        QTest::mouseClick(m_screen->TxtFrase, Qt::LeftButton);
        QVERIFY(m_screen->Picture2->isHidden());
        QCOMPARE(int(m_screen->CurrentPhrase), 0);
        QCOMPARE(english(), QStringLiteral("Where does the train to the airport leave from, please?"));
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
    }

    // Pause after each phrase: the video holds at the start of the next phrase, at once,
    // and goes on with one key; the introduction before the first phrase is no phrase.
    void pauseAfterEachPhraseHoldsAtEveryEndAndGoesOn()
    {
        openLesson(20);
        key(Qt::Key_P);
        QVERIFY(m_screen->study->aids().pauseAfterPhrase());
        key(Qt::Key_Space);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        const struct { int index; double end; } ends[] = { { 0, 3.0 }, { 1, 5.0 } };
        for (const auto& end : ends) {
            const QJsonObject paused = waitForStudy(QStringLiteral("paused"), end.index + 1);
            QVERIFY2(!paused.isEmpty(), "the video did not pause at the phrase's end");
            QCOMPARE(paused.value(QStringLiteral("index")).toInt(), end.index);
            QVERIFY2(paused.value(QStringLiteral("late")).toInt() <= 150, qPrintable(QString::number(paused.value(QStringLiteral("late")).toInt())));
            QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Paused));
            QVERIFY(m_screen->study->aids().isWaiting());
            const double at = m_screen->video->position();
            QVERIFY2(at >= end.end && at <= end.end + 0.15, qPrintable(QString::number(at)));
            // It waits for the learner.
            QTest::qWait(400);
            QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Paused));
            QCOMPARE(m_screen->video->position(), at);
            // One key or one click on the strip goes on.
            if (end.index == 0) {
                key(Qt::Key_Return);
            } else {
                const std::vector<int> actions = m_screen->study->strip()->actions();
                const int goOn = int(std::find(actions.cbegin(), actions.cend(), int(StudyAids::GoOn)) - actions.cbegin());
                QTest::mouseClick(m_screen->study->strip(), Qt::LeftButton, {}, m_screen->study->strip()->buttonRect(goOn).center());
            }
            QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
            QVERIFY(!m_screen->study->aids().isWaiting());
        }
        // The last phrase ends with the video.
        QTRY_VERIFY_WITH_TIMEOUT(convoOps().contains(QStringLiteral("end")), 6000);
        QCOMPARE(studyEvents(QStringLiteral("paused")).size(), 2);
        key(Qt::Key_P);
        QVERIFY(!m_screen->study->aids().pauseAfterPhrase());
    }

    // Loop a phrase: heard N times, then it holds at its end; without a count it repeats
    // until the loop is switched off, and the video goes on from there.
    void aLoopRepeatsThePhraseNTimesOrUntilStopped()
    {
        openLesson(20);
        key(Qt::Key_N);
        QCOMPARE(m_screen->study->aids().loopCount(), 2);
        key(Qt::Key_Right); // the first phrase, at 1 s
        key(Qt::Key_B);
        QVERIFY(m_screen->study->aids().isLooping());
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        const QJsonObject repeat = waitForStudy(QStringLiteral("repeat"));
        QCOMPARE(repeat.value(QStringLiteral("index")).toInt(), 0);
        QVERIFY(m_screen->video->position() < 2.9);
        const QJsonObject done = waitForStudy(QStringLiteral("loop-done"));
        QVERIFY2(!done.isEmpty(), "the loop did not end after two times");
        QCOMPARE(studyEvents(QStringLiteral("repeat")).size(), 1);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Paused));
        QVERIFY(m_screen->video->position() >= 3.0 && m_screen->video->position() <= 3.15);
        QVERIFY(!m_screen->study->aids().isLooping());

        // Until stopped: the phrase just heard again and again.
        while (m_screen->study->aids().loopCount() != 0)
            key(Qt::Key_N);
        key(Qt::Key_B);
        QVERIFY(!waitForStudy(QStringLiteral("repeat"), 3).isEmpty());
        QCOMPARE(studyEvents(QStringLiteral("repeat")).back().value(QStringLiteral("index")).toInt(), 0);
        key(Qt::Key_B);
        QVERIFY(!m_screen->study->aids().isLooping());
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->video->position() > 3.3, 4000);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QCOMPARE(studyEvents(QStringLiteral("repeat")).size(), 3);
    }

    void slowReplayKeepsThePitchAndStretchesThePhrase_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("rate");
        QTest::newRow("0.5 x") << int(Qt::Key_5) << 0.5;
        QTest::newRow("0.75 x") << int(Qt::Key_7) << 0.75;
    }

    // Slow replay: the one-second tone of the first phrase lasts 1 / rate seconds and
    // keeps its frequency; the video holds at the phrase's start meanwhile.
    void slowReplayKeepsThePitchAndStretchesThePhrase()
    {
        QFETCH(int, key);
        QFETCH(double, rate);
        openLesson(23);
        this->key(Qt::Key_Right);
        QCOMPARE(int(m_screen->CurrentPhrase), 0);
        m_probe.record(100);
        this->key(key);
        const QVector<float> heard = m_probe.record(int(1000 / rate) + 2500);
        const auto [from, to] = toneHeard(heard, kToneHz);
        QVERIFY2(from >= 0, "the phrase's tone is not heard");
        const double lasted = (to - from) / 1000.0;
        QVERIFY2(std::abs(lasted - 1.0 / rate) <= 0.05 / rate,
            qPrintable(QStringLiteral("the tone lasted %1 s at %2 x").arg(lasted).arg(rate)));
        const double hz = AudioProbe::dominantFrequency(heard.mid(from * 48, (to - from) * 48), 300, 1500);
        QVERIFY2(std::abs(hz - kToneHz) <= kToneHz * 0.03, qPrintable(QStringLiteral("the tone is heard at %1 Hz").arg(hz)));
        QVERIFY(!waitForStudy(QStringLiteral("slow-end")).isEmpty());
        QVERIFY(m_screen->video->currentState() != int(VideoPlayer::Running));
        const QJsonObject slow = studyEvents(QStringLiteral("slow")).front();
        QCOMPARE(slow.value(QStringLiteral("start")).toInt(), 1000);
        QCOMPARE(slow.value(QStringLiteral("end")).toInt(), 2000);
        // Played again meanwhile, the video ends the replay.
        this->key(key);
        QTRY_VERIFY(m_screen->study->aids().slowReplay().isPlaying());
        this->key(Qt::Key_Space);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QVERIFY(!m_screen->study->aids().slowReplay().isPlaying());
    }

    /// The phase of the shadowing cycle.
    ShadowingCycle::Phase shadowPhase() const { return m_screen->study->aids().shadowing().phase(); }

    // Shadowing: the model, then a take of the phrase's length plus a second that holds
    // what the microphone heard, the take played back, the model again. The take is
    // kept: after a restart (leftovers of a killed take cleaned away) it plays from the
    // phrase list, and the map's erase button erases it.
    void aShadowingTakeIsRecordedPlayedBackKeptAndErased()
    {
        openLesson(23);
        key(Qt::Key_Right); // the tone phrase, 1 s to 2 s
        MediaPlayer learner;
        learner.render(m_course->folder() + QStringLiteral("/voz2.wav"));
        key(Qt::Key_H);
        QCOMPARE(shadowPhase(), ShadowingCycle::Phase::Model);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Recording, 4000);
        // The model holds at its end while the learner speaks.
        QVERIFY(m_screen->video->currentState() != int(VideoPlayer::Running));
        QVERIFY(m_screen->video->position() >= 2.0 && m_screen->video->position() <= 2.15);
        learner.run();
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Playback, 4000);
        learner.stop();
        const QVector<float> playedBack = m_probe.record(700);
        QVERIFY2(amplitudeDb(playedBack, kVoiceHz) > -30, qPrintable(QStringLiteral("the take is not heard: %1 dB").arg(amplitudeDb(playedBack, kVoiceHz))));
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::ModelAgain, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Idle, 4000);

        const QStringList takes = m_screen->study->aids().takesOf(0);
        QCOMPARE(takes.size(), 1);
        QVERIFY(takes.front().startsWith(TakeStore(state().UserFolder).lessonFolder(23) + QStringLiteral("/frase-1000-")));
        const QVector<float> take = waveSamples(takes.front());
        const double takeMs = take.size() * 1000.0 / 48000;
        QVERIFY2(std::abs(takeMs - 2000) <= 60, qPrintable(QStringLiteral("the take lasts %1 ms").arg(takeMs)));
        const double hz = AudioProbe::dominantFrequency(take, 300, 1500);
        QVERIFY2(std::abs(hz - kVoiceHz) <= 10, qPrintable(QStringLiteral("the take holds %1 Hz").arg(hz)));
        QVERIFY(!m_screen->conversacion->item(0)->icon().isNull());
        QVERIFY(m_screen->conversacion->item(1)->icon().isNull());

        // A kill in the middle of a take left its temporary file and a broken one.
        const QString folder = TakeStore(state().UserFolder).lessonFolder(23);
        for (const char* name : { "frase-1000-20260101-000000000.wav", "frase-1000-20260101-000000001.wav.Xa1b2C" }) {
            QFile junk(folder + QLatin1Char('/') + QString::fromLatin1(name));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("RIFF\x24\x00\x01\x00WAVEfmt ");
        }
        cleanup();
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        m_screen = static_cast<VideoLearningScreen*>(shell().window(QStringLiteral("frmva")));
        openLesson(23);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { QFileInfo(takes.front()).fileName() });
        QCOMPARE(m_screen->study->aids().takesOf(0), takes);
        // The intonation compared: the model's tone and the take's voice, one above the other.
        key(Qt::Key_Right);
        key(Qt::Key_O);
        IntonationView* view = m_screen->study->intonation();
        QVERIFY(view->isVisible());
        QVERIFY(m_screen->rect().contains(view->geometry()));
        const auto median = [](const std::vector<float>& pitch) {
            std::vector<float> voiced;
            std::copy_if(pitch.cbegin(), pitch.cend(), std::back_inserter(voiced), [](float f) { return f > 0; });
            std::sort(voiced.begin(), voiced.end());
            return voiced.empty() ? 0.0f : voiced[voiced.size() / 2];
        };
        QVERIFY2(std::abs(median(view->model().pitchHz) - kToneHz) < kToneHz * 0.03, qPrintable(QString::number(median(view->model().pitchHz))));
        QVERIFY2(std::abs(median(view->take().pitchHz) - kVoiceHz) < kVoiceHz * 0.03, qPrintable(QString::number(median(view->take().pitchHz))));
        QVERIFY(std::abs(view->model().seconds() - 1.0) < 0.02);
        QVERIFY(view->model().onsetSeconds < 0.05);
        QTest::mouseClick(view, Qt::LeftButton);
        QVERIFY(view->isHidden());
        // The phrase list plays it: its menu lists the take and the way to delete them.
        click(VideoLearningScreen::ShowPhraseList);
        QListWidget* list = m_screen->conversacion;
        QVERIFY(!list->item(0)->icon().isNull());
        emit list->customContextMenuRequested(list->visualItemRect(list->item(0)).center());
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = list->findChild<QMenu*>(QStringLiteral("takeMenu"))) && menu->isVisible());
        QCOMPARE(menu->actions().size(), 3);
        QTimer::singleShot(0, menu->actions().front(), &QAction::trigger);
        QVERIFY2(m_probe.hears(kVoiceHz, 3000), "the take is not played from the list");
        menu->close();

        leaveForTheMap();
        auto* map = static_cast<MainMapScreen*>(shell().window(QStringLiteral("frmms")));
        m_harness->answerNextQuestion(QStringLiteral("Sí"));
        map->MapButtonClick(map->buttonWithAction(16));
        QVERIFY(!QFileInfo::exists(TakeStore(state().UserFolder).root()));
        enterFromTheMap(23);
        QVERIFY(m_screen->study->aids().takesOf(0).isEmpty());
    }

    // A shadowing cycle ends on the phrase shadowed: the model heard again stops a little
    // past its end, and the screen holds there; the take just made is the phrase's.
    void aShadowingCycleEndsOnThePhraseShadowed()
    {
        openLesson(23);
        key(Qt::Key_Right); // the tone phrase, 1 s to 2 s; the next one starts at 2 s
        key(Qt::Key_H);
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::ModelAgain, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Idle, 4000);
        QVERIFY(m_screen->video->position() >= 2.0);
        QVERIFY(m_screen->study->aids().isWaiting());
        QCOMPARE(m_screen->study->aids().studyPhrase(), 0);
        QCOMPARE(m_screen->CurrentPhrase, qint16(0));
        QCOMPARE(english(), QStringLiteral("A tone"));
        QCOMPARE(m_screen->study->aids().takesOf(0).size(), 1);
        QCOMPARE(m_screen->conversacion->item(0)->toolTip(), QStringLiteral("1 grabación tuya (botón derecho para escucharlas)"));
        key(Qt::Key_J);
        QCOMPARE(studyEvents(QStringLiteral("take-play")).size(), 1);
        QCOMPARE(studyEvents(QStringLiteral("take-play")).front().value(QStringLiteral("file")).toString(), m_screen->study->aids().takesOf(0).front());
        key(Qt::Key_O);
        QTRY_VERIFY(m_screen->study->intonation()->isVisible());
        QVERIFY(m_harness->events(QStringLiteral("message")).isEmpty());
        // The chart belongs to the lesson: another one from the tree takes it away.
        clickNode(20);
        QTRY_VERIFY_WITH_TIMEOUT(state().CurrentLesson == 20 && m_screen->VideoOpened, 5000);
        QVERIFY(!m_screen->study->intonation()->isVisible());
    }

    // Leaving the screen in the middle of a shadowing take ends it: nothing is kept of the
    // take cut short, and the microphone is free.
    void leavingDuringShadowingDropsTheTake()
    {
        openLesson(23);
        key(Qt::Key_Right);
        key(Qt::Key_H);
        QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Recording, 4000);
        key(Qt::Key_Escape);
        QTRY_VERIFY(m_screen->isHidden());
        QCOMPARE(shadowPhase(), ShadowingCycle::Phase::Idle);
        QCOMPARE(m_screen->study->aids().shadowing().recorder().recorder().mode(), WaveRecorder::Mode::Closed);
        QTest::qWait(2500); // longer than the take would have lasted
        QVERIFY(m_screen->study->aids().takesOf(0).isEmpty());
        QVERIFY(studyEvents(QStringLiteral("take-saved")).isEmpty());
    }

    // A folder that takes no take: the learner is told once, the take is still played
    // back, and the cycle goes on; nothing else breaks.
    void anUnwritableTakeFolderIsToldOnce()
    {
        QFile blocker(TakeStore(state().UserFolder).root());
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        openLesson(23);
        QTimer closer;
        closeModalsWith(closer);
        for (int cycle = 0; cycle < 2; ++cycle) {
            key(Qt::Key_Right);
            if (cycle == 1)
                key(Qt::Key_Left);
            key(Qt::Key_H);
            QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Playback, 8000);
            QTRY_COMPARE_WITH_TIMEOUT(shadowPhase(), ShadowingCycle::Phase::Idle, 10000);
        }
        int told = 0;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("message")))
            told += e.value(QStringLiteral("text")).toString().startsWith(ShadowingCycle::NoSaveText);
        QCOMPARE(told, 1);
        QCOMPARE(studyEvents(QStringLiteral("take-not-saved")).size(), 2);
        QVERIFY(m_screen->study->aids().takesOf(0).isEmpty());
        QVERIFY(QFileInfo(TakeStore(state().UserFolder).root()).isFile());
        QVERIFY2(clickHeard(), "the screen's sounds are not back");
    }

    // A word of the English subtitle pointed at or clicked shows its translations from
    // the glossary, whatever its case, punctuation or ending; the note's link opens the
    // glossary on the term.
    void aSubtitleWordShowsItsTranslationsFromTheGlossary()
    {
        openLesson(23);
        key(Qt::Key_Right);
        key(Qt::Key_Right);
        QCOMPARE(english(), QStringLiteral("The HOUSES stopped."));
        QTextEdit* subtitle = m_screen->e1[0];
        const auto pointOf = [&](const QString& word) {
            QTextCursor cursor(subtitle->document());
            cursor.setPosition(int(english().indexOf(word)) + 1);
            return subtitle->cursorRect(cursor).center();
        };
        QLabel* note = m_screen->study->words()->note();
        const struct { const char* word; bool byClick; const char* shows; } cases[] = {
            { "HOUSES", false, "casa, hogar" }, { "stopped", true, "parar" }, { "The", false, "no está en el glosario" } };
        for (const auto& c : cases) {
            const QPoint at = pointOf(QString::fromLatin1(c.word));
            PointerEvents::sendMouse(subtitle->viewport(), c.byClick ? QEvent::MouseButtonPress : QEvent::MouseMove, at, c.byClick ? Qt::LeftButton : Qt::NoButton);
            QVERIFY2(note->isVisible(), c.word);
            QVERIFY2(note->text().contains(QString::fromUtf8(c.shows)), qPrintable(note->text()));
            QVERIFY(m_screen->rect().contains(note->geometry()));
        }
        PointerEvents::sendMouse(subtitle->viewport(), QEvent::MouseMove, pointOf(QStringLiteral("HOUSES")), Qt::NoButton);
        QVERIFY(note->text().contains(QLatin1String("glosario:house")));
        emit note->linkActivated(QStringLiteral("glosario:house"));
        auto* glossary = qobject_cast<GlossaryScreen*>(shell().existingWindow(QStringLiteral("frmind")));
        QVERIFY(glossary);
        QTRY_VERIFY(glossary->isVisible());
        QCOMPARE(glossary->lista[GlossaryScreen::English]->text(), QStringLiteral("house"));
        QTRY_COMPARE(glossary->entryText(GlossaryScreen::Spanish), QStringLiteral("casa, hogar"));
        glossary->Unload();
        // A new phrase takes the note away.
        QTRY_VERIFY(m_screen->isEnabled());
        key(Qt::Key_Left);
        QVERIFY(note->isHidden());
    }

    // Every key runs what its button runs: the same action reaches the screen's handler,
    // with the same effect; one key serves the two buttons that take turns.
    void everyKeyDoesWhatItsButtonDoes()
    {
        openLesson(20);
        const QList<int> leaves { VideoLearningScreen::Leave, VideoLearningScreen::ToTest, VideoLearningScreen::Help,
            VideoLearningScreen::Glossary, VideoLearningScreen::PhotoTextCards, VideoLearningScreen::PlayFullScreen,
            VideoLearningScreen::RecordButton, VideoLearningScreen::PlayTake };
        const auto lastButton = [this] {
            int accion = 0;
            for (const QJsonObject& e : m_harness->events(QStringLiteral("convo")))
                if (e.value(QStringLiteral("op")).toString() == QLatin1String("button"))
                    accion = e.value(QStringLiteral("accion")).toInt();
            return accion;
        };
        for (const StudyKeys::Key& k : StudyKeys::keys()) {
            // Adding a video of the learner's opens a file dialog (tst_ownvideoscreen).
            if (leaves.contains(k.accion) || StudyAids::isStudyAction(k.accion) || k.accion == StudyStrip::KeysAction
                || OwnVideos::isOwnAction(k.accion))
                continue;
            const bool running = m_screen->video->currentState() == int(VideoPlayer::Running);
            const bool listShown = m_screen->conversacion->isVisible();
            key(k.key, k.modifiers);
            int expected = k.accion;
            if (k.otherAccion && ((k.accion == VideoLearningScreen::Play && running) || (k.accion == VideoLearningScreen::ShowPhraseList && listShown)))
                expected = k.otherAccion;
            QCOMPARE(lastButton(), expected);
        }
        // The effects themselves, as the buttons have them.
        key(Qt::Key_Home);
        key(Qt::Key_Right);
        QCOMPARE(english(), QStringLiteral("Good morning"));
        key(Qt::Key_Right);
        QCOMPARE(english(), QStringLiteral("A coffee, please"));
        key(Qt::Key_Left);
        QCOMPARE(int(m_screen->CurrentPhrase), 0);
        const bool englishShown = m_screen->e1[0]->isVisible();
        key(Qt::Key_E);
        QCOMPARE(m_screen->e1[0]->isVisible(), !englishShown);
        key(Qt::Key_E);
        const bool listShown = m_screen->conversacion->isVisible();
        key(Qt::Key_L);
        QCOMPARE(m_screen->conversacion->isVisible(), !listShown);
        key(Qt::Key_Space);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        key(Qt::Key_Space);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Paused));
        // The list of keys, from its key and from the strip.
        key(Qt::Key_Question, Qt::ShiftModifier);
        QVERIFY(m_screen->study->keyList()->isVisible());
        QVERIFY(m_screen->study->keyList()->text().contains(QStringLiteral("pausa tras cada frase")));
        QTest::mouseClick(m_screen->study->strip(), Qt::LeftButton, {}, m_screen->study->strip()->buttonRect(int(m_screen->study->strip()->actions().size()) - 1).center());
        QVERIFY(m_screen->study->keyList()->isHidden());
        // Esc is the way out.
        key(Qt::Key_Escape);
        QTRY_VERIFY(m_screen->isHidden());
        QTRY_COMPARE(int(state().CurrentScreen), 1);
    }

    // Who holds the video, the microphone and the speakers: a use of kind WANTED started
    // while one of kind RUNNING runs ends it, keeps it, or is refused (nothing ended then).
    void mediaOwnerEndsOrRefusesWhatConflicts_data()
    {
        QTest::addColumn<int>("running");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<bool>("claimed");
        QTest::addColumn<bool>("ended");
        using U = MediaOwner::Use;
        const U all[] = { U::CourseTake, U::CoursePlayback, U::Shadowing, U::SlowReplay, U::SavedTake, U::VideoRun, U::VideoMove };
        const char* names[] = { "take", "take-playback", "shadowing", "slow", "saved-take", "video-run", "video-move" };
        for (U running : { U::CourseTake, U::CoursePlayback, U::Shadowing, U::SlowReplay, U::SavedTake }) {
            for (U wanted : all) {
                bool claimed = true;
                bool ended = running != wanted;
                if (running == U::CourseTake && wanted != U::CourseTake) {
                    // The learner's take hears nothing he did not make; the video may move.
                    claimed = wanted == U::VideoMove;
                    ended = false;
                }
                if (running == U::CoursePlayback && wanted == U::VideoMove)
                    ended = false;
                QTest::addRow("%s then %s", names[int(running)], names[int(wanted)]) << int(running) << int(wanted) << claimed << ended;
            }
        }
    }

    void mediaOwnerEndsOrRefusesWhatConflicts()
    {
        QFETCH(int, running);
        QFETCH(int, wanted);
        QFETCH(bool, claimed);
        QFETCH(bool, ended);
        MediaOwner owner(shell().trace());
        std::array<bool, size_t(MediaOwner::Use::Count)> runs {};
        for (size_t i = 0; i < runs.size(); ++i)
            owner.enrol(MediaOwner::Use(i), { [&runs, i] { return runs[i]; }, [&runs, i] { runs[i] = false; } });
        runs[size_t(running)] = true;
        QCOMPARE(owner.claim(MediaOwner::Use(wanted)), claimed);
        QCOMPARE(!runs[size_t(running)], ended);
        // An overlay or leaving ends whatever runs.
        runs.fill(true);
        owner.suspend();
        QVERIFY(std::none_of(runs.cbegin(), runs.cend(), [](bool r) { return r; }));
    }

    // The screen's uses one after the other, through the learner's keys: what conflicts is
    // ended cleanly (no take kept of a cycle cut short, no stalled cycle, one recorder) or
    // refused while the learner records his own take (nothing heard in it).
    void oneUseAtATimeOnTheScreen_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("firstRuns");
        QTest::addColumn<bool>("secondRuns");
        const struct { Start first; Start second; bool firstRuns; bool secondRuns; } rows[] = {
            { Start::Shadow, Start::Slow, false, true },
            { Start::Shadow, Start::Take, false, true },
            { Start::Shadow, Start::Video, false, true },
            { Start::Shadow, Start::Loop, false, true },
            { Start::Shadow, Start::Glossary, false, true },
            { Start::Shadow, Start::Help, false, true },
            { Start::Shadow, Start::Leave, false, true },
            { Start::Shadow, Start::Lesson, false, true },
            { Start::Slow, Start::Shadow, false, true },
            { Start::Slow, Start::Take, false, true },
            { Start::Slow, Start::Glossary, false, true },
            { Start::Take, Start::Shadow, true, false },
            { Start::Take, Start::Slow, true, false },
            { Start::Take, Start::Video, true, false },
            { Start::Take, Start::Repeat, true, false },
            { Start::Take, Start::Loop, true, false },
            { Start::Take, Start::Glossary, false, true },
            { Start::Take, Start::Help, false, true },
            { Start::Take, Start::Leave, false, true },
            { Start::Video, Start::Shadow, false, true }, // the model plays, then holds for the take
            { Start::Video, Start::Take, false, true },
        };
        for (const auto& r : rows)
            QTest::addRow("%s then %s", startName(r.first), startName(r.second)) << int(r.first) << int(r.second) << r.firstRuns << r.secondRuns;
    }

    void oneUseAtATimeOnTheScreen()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, firstRuns);
        QFETCH(bool, secondRuns);
        openLesson(23);
        key(Qt::Key_Right); // the tone phrase, 1 s to 2 s
        start(Start(first));
        QVERIFY2(runs(Start(first)), "the first use did not start");
        start(Start(second));
        QCOMPARE(runs(Start(first)), firstRuns);
        QCOMPARE(runs(Start(second)), secondRuns);
        // One recorder, one holder; a recorded take never hears the video.
        if (m_screen->voice->isRecording()) {
            QCOMPARE(m_screen->recorder->holder(), RecorderDriver::Holder::CourseTake);
            QVERIFY(m_screen->video->currentState() != int(VideoPlayer::Running));
            QVERIFY(!m_screen->study->aids().slowReplay().isPlaying());
        }
        if (Start(first) == Start::Shadow) {
            // Ended before its take was done: nothing is kept, nothing waits on.
            QTest::qWait(2500);
            QVERIFY(m_screen->study->aids().takesOf(0).isEmpty());
            QCOMPARE(shadowPhase(), ShadowingCycle::Phase::Idle);
        }
        if (Start(first) == Start::Take && !firstRuns)
            QVERIFY(m_screen->voice->hasTake()); // stopped as its button stops it, and kept
    }

    // With the pause after each phrase, the phrase just heard is the current one for the
    // subtitles, the list, ↑ and →; the course's whole seconds would show the next.
    void atAPauseThePhraseJustHeardIsTheCurrentOne()
    {
        openLesson(20);
        key(Qt::Key_L); // the phrase list
        key(Qt::Key_P);
        key(Qt::Key_Space);
        QVERIFY(!waitForStudy(QStringLiteral("paused")).isEmpty());
        QCOMPARE(english(), QStringLiteral("Good morning"));
        QCOMPARE(spanish(), QStringLiteral("Buenos días"));
        QCOMPARE(m_screen->conversacion->currentRow(), 0);
        QCOMPARE(m_screen->CurrentPhrase, qint16(0));
        QCOMPARE(m_screen->study->aids().studyPhrase(), 0);
        // ↑ hears it again and holds at its end again.
        key(Qt::Key_Up);
        QTRY_VERIFY(m_screen->video->position() < 2.5);
        QVERIFY(!waitForStudy(QStringLiteral("paused"), 2).isEmpty());
        QCOMPARE(studyEvents(QStringLiteral("paused")).at(1).value(QStringLiteral("index")).toInt(), 0);
        QCOMPARE(english(), QStringLiteral("Good morning"));
        // → goes to the next phrase, not the one after.
        key(Qt::Key_Right);
        QTRY_COMPARE(english(), QStringLiteral("A coffee, please"));
        QVERIFY(m_screen->video->position() >= 2.95 && m_screen->video->position() < 3.5);
        QCOMPARE(m_screen->conversacion->currentRow(), 1);
        // ← back to the phrase before it.
        key(Qt::Key_Left);
        QTRY_COMPARE(english(), QStringLiteral("Good morning"));
    }

    // Moved back while it holds, the video still waits for the learner: go on shows dark
    // after the move, and Enter plays the phrase and holds after it.
    void goOnAfterAMoveBackPlaysThatPhrase()
    {
        openLesson(20);
        key(Qt::Key_P);
        key(Qt::Key_Space);
        QVERIFY(!waitForStudy(QStringLiteral("paused")).isEmpty());
        key(Qt::Key_Return);
        QVERIFY(!waitForStudy(QStringLiteral("paused"), 2).isEmpty());
        QCOMPARE(studyEvents(QStringLiteral("paused")).at(1).value(QStringLiteral("index")).toInt(), 1);
        StudyStrip* strip = m_screen->study->strip();
        const std::vector<int> actions = strip->actions();
        const int goOn = int(std::find(actions.cbegin(), actions.cend(), int(StudyAids::GoOn)) - actions.cbegin());
        const auto lit = [&] {
            const QImage shot = strip->grab().toImage();
            const QRect r = strip->buttonRect(goOn);
            return shot.pixelColor(r.left() + 3, r.top() + 4) == QColor(255, 210, 90);
        };
        QVERIFY(lit());
        key(Qt::Key_Left);
        QTRY_VERIFY(m_screen->video->position() < 2.0);
        QVERIFY(!m_screen->study->aids().isWaiting());
        QVERIFY(!lit());
        key(Qt::Key_Return);
        QCOMPARE(studyEvents(QStringLiteral("go-on")).size(), 2);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        const QJsonObject paused = waitForStudy(QStringLiteral("paused"), 3);
        QVERIFY2(!paused.isEmpty(), "it did not hold after the phrase gone back to");
        QCOMPARE(paused.value(QStringLiteral("index")).toInt(), 0);
    }

    // Without the pause the course's own rule stands: the phrase shows from the whole
    // second its start rounds to.
    void withoutThePauseTheCoursesWholeSecondsStand()
    {
        openLesson(20);
        m_screen->video->setPosition(2.6);
        m_screen->VideoTimer();
        QCOMPARE(english(), QStringLiteral("A coffee, please"));
        QCOMPARE(m_screen->CurrentPhrase, qint16(1));
    }

    // The key list: its own dark-on-light colours, whole on the stage.
    void theKeyListIsReadableAndFitsTheStage()
    {
        openLesson(20);
        key(Qt::Key_Question);
        KeyList* list = m_screen->study->keyList();
        QVERIFY(list->isVisible());
        QVERIFY2(m_screen->rect().contains(list->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(list->x()).arg(list->y()).arg(list->width()).arg(list->height())));
        const QColor text = list->palette().color(QPalette::WindowText);
        const QColor back = list->palette().color(QPalette::Window);
        QVERIFY(list->autoFillBackground());
        QVERIFY2(std::abs(back.lightnessF() - text.lightnessF()) > 0.6, "the key list's text does not stand out");
        QImage shot = list->grab().toImage();
        QCOMPARE(shot.pixelColor(shot.width() / 2, 3).lightnessF() > 0.8, true);
        for (const StudyKeys::Key& k : StudyKeys::keys())
            QVERIFY2(list->text().contains(k.what.toHtmlEscaped()), qPrintable(k.what));
        // Narrow stages take more columns, never more than the stage.
        for (const QSize stage : { QSize(640, 480), QSize(640, 300) }) {
            list->fitTo(stage);
            QVERIFY(QRect(QPoint(), stage).contains(list->geometry()));
        }
        QVERIFY(list->columns() >= 2);
    }

    // J and O on a phrase without a take of the learner's tell him how to make one.
    void aPhraseWithoutATakeSaysSoToJAndO_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("J") << int(Qt::Key_J);
        QTest::newRow("O") << int(Qt::Key_O);
    }

    void aPhraseWithoutATakeSaysSoToJAndO()
    {
        QFETCH(int, key);
        openLesson(20);
        QTimer closer;
        closeModalsWith(closer);
        this->key(key);
        QTRY_VERIFY(!m_harness->events(QStringLiteral("message")).isEmpty());
        QVERIFY(m_harness->events(QStringLiteral("message")).front().value(QStringLiteral("text")).toString().startsWith(StudyAids::NoTakeText));
        QVERIFY(studyEvents(QStringLiteral("take-play")).isEmpty());
    }

    // Esc over the key list closes the list alone; the next Esc leaves.
    void escClosesTheKeyListAlone()
    {
        openLesson(20);
        key(Qt::Key_Question);
        KeyList* list = m_screen->study->keyList();
        QVERIFY(list->isVisible());
        key(Qt::Key_Escape);
        QVERIFY(list->isHidden());
        QTest::qWait(200);
        QVERIFY(m_screen->isVisible());
        QCOMPARE(int(state().CurrentScreen), 12);
        key(Qt::Key_Escape);
        QTRY_VERIFY(m_screen->isHidden());
    }

    // The strip's pause after each phrase is not the course's own pause: it says what it
    // does, whole in its button.
    void theStripsPauseAfterEachPhraseSaysWhatItDoes()
    {
        openLesson(20);
        StudyStrip* strip = m_screen->study->strip();
        QCOMPARE(strip->actions().front(), int(StudyAids::PauseAfterPhrase));
        const QFontMetrics metrics(strip->font());
        const QRect first = strip->buttonRect(0);
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("Frase a frase")) < first.width());
        const QImage shot = strip->grab().toImage();
        // Its caption is drawn: dark pixels inside the button, none beyond the strip.
        int dark = 0;
        for (int x = first.left(); x <= first.right(); ++x)
            dark += shot.pixelColor(x, first.center().y()).lightnessF() < 0.3;
        QVERIFY(dark > 0);
        QCOMPARE(strip->width(), strip->buttonRect(int(strip->actions().size()) - 1).right() + 1);
        for (int i = 1; i < int(strip->actions().size()); ++i)
            QVERIFY(!strip->buttonRect(i).intersects(strip->buttonRect(i - 1)));
    }

    // The strip covers no button and not the title; where no place is free it is the key hint.
    void theStudyStripShrinksToAKeyHintWhereNoPlaceIsFree()
    {
        openLesson(20);
        QVERIFY(!m_screen->study->strip()->geometry().intersects(m_screen->lbltit->geometry()));
        StudyStrip* strip = m_screen->study->strip();
        const QSize stage(640, 480);
        const std::vector<QRect> crowded { QRect(0, 0, 640, 400), QRect(0, 400, 560, 80) };
        QVERIFY(!StudyStrip::placeFor(strip->size(), stage, crowded, {}));
        strip->setShape(StudyStrip::Shape::KeyHint);
        const std::optional<QPoint> hint = StudyStrip::placeFor(strip->size(), stage, crowded, {});
        QVERIFY(hint);
        QVERIFY(hint->x() >= 560 && hint->y() >= 400);
        QCOMPARE(strip->actions(), std::vector<int> { StudyStrip::KeysAction });
        QTest::mouseClick(strip, Qt::LeftButton, {}, strip->buttonRect(0).center());
        QVERIFY(m_screen->study->keyList()->isVisible());
    }

    // A course with buttons for the aids: no strip, and each button shows whether its
    // aid is on as the course's own toggles do (lit picture, latched) or off (rest picture).
    void theCoursesAidButtonsShowWhetherTheirAidIsOn()
    {
        QStringList aidButtons;
        for (int accion = StudyAids::PauseAfterPhrase; accion <= StudyAids::CompareIntonation; ++accion)
            aidButtons << QStringLiteral("(12, 5, 0, %1, 250, 'rojo.bmp', 'gris.bmp', %2)").arg(20 + 31 * (accion - 50)).arg(accion);
        FixtureCourse course(rows + buttonRows()
            + QStringLiteral("insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values %1;").arg(aidButtons.join(QLatin1Char(','))));
        QDir(course.folder()).mkpath(QStringLiteral("video"));
        QVERIFY(QFile::copy(m_course->folder() + QStringLiteral("/video/cafe.avi"), course.folder() + QStringLiteral("/video/cafe.avi")));
        course.addMinimalMap();
        course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        for (const char* name : { "b.bmp", "a.bmp", "x1.bmp", "v2.bmp", "v3.bmp", "rojo.bmp", "gris.bmp", "ayuda.bmp" })
            course.addPicture(QString::fromLatin1(name), QSize(30, 30), QString::fromLatin1(name) == QLatin1String("rojo.bmp") ? Qt::red : Qt::gray);
        course.addTone(QStringLiteral("click.wav"), 0.3, int(kClickHz));
        course.addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(course);
        registerScreens(shell());
        m_screen = static_cast<VideoLearningScreen*>(shell().window(QStringLiteral("frmva")));
        openLesson(20);
        QVERIFY(!m_screen->study->strip());
        const int pause = m_screen->buttonWithAction(StudyAids::PauseAfterPhrase);
        const auto lit = [&] {
            const QImage picture = m_screen->Imagex[size_t(pause)]->pixmap().toImage();
            return !picture.isNull() && picture.pixelColor(picture.width() / 2, picture.height() / 2) == QColor(Qt::red);
        };
        key(Qt::Key_P);
        QVERIFY(m_screen->study->aids().pauseAfterPhrase());
        QCOMPARE(int(m_screen->buttons().at(size_t(pause)).state), int(FramedScreen::LatchedState));
        QVERIFY(m_screen->Imagex[size_t(pause)]->isVisible());
        QVERIFY(lit());
        // Still lit when the pointer passes over the background.
        pointAt(600, 200);
        QVERIFY(m_screen->Imagex[size_t(pause)]->isVisible() && lit());
        QCursor::setPos(m_screen->mapToGlobal(QPoint(600, 200)));
        key(Qt::Key_P);
        QCOMPARE(int(m_screen->buttons().at(size_t(pause)).state), 0);
        QVERIFY(!lit());
        // Off, it is at rest again: hidden until the pointer comes onto it.
        QVERIFY(m_screen->Imagex[size_t(pause)]->isHidden());
        // So is go on once the video no longer holds, and shadowing once its cycle ends.
        const int goOn = m_screen->buttonWithAction(StudyAids::GoOn);
        key(Qt::Key_P);
        key(Qt::Key_Space);
        QVERIFY(!waitForStudy(QStringLiteral("paused")).isEmpty());
        QVERIFY(m_screen->Imagex[size_t(goOn)]->isVisible());
        key(Qt::Key_Return);
        QVERIFY(m_screen->Imagex[size_t(goOn)]->isHidden());
        m_screen->hide();
        m_harness.reset();
    }

    // X on a course without a test says nothing and stays on the screen.
    void theTestKeyWithoutATestDoesNothing()
    {
        openLesson(20);
        key(Qt::Key_X);
        QTest::qWait(200);
        QVERIFY(m_screen->isVisible());
        QCOMPARE(int(state().CurrentScreen), 12);
        QVERIFY(!m_screen->findChild<QMessageBox*>());
        QVERIFY(convoOps().contains(QStringLiteral("no-test")));
    }

    // A course button with an aid's code among no others is decoration: it deletes nothing,
    // the strip stays, and the aid's key still works.
    void aDecorationWithAnAidsCodeDoesNothing()
    {
        openLesson(20);
        QVERIFY(m_screen->study->strip());
        click(StudyAids::DeleteTakes);
        QVERIFY(convoOps().contains(QStringLiteral("decoration")));
        QVERIFY(studyEvents(QStringLiteral("takes-deleted")).isEmpty());
        key(Qt::Key_Delete);
        QCOMPARE(studyEvents(QStringLiteral("takes-deleted")).size(), 1);
    }

    // The player's own study strip lies on the stage over none of the course's buttons.
    void theStudyStripCoversNoButton()
    {
        openLesson(20);
        QVERIFY(m_screen->study->strip() && m_screen->study->strip()->isVisible());
        const QRect strip = m_screen->study->strip()->geometry();
        QVERIFY(m_screen->rect().contains(strip));
        for (size_t i = 1; i < m_screen->Imagex.size(); ++i) {
            const ButtonRecord& b = m_screen->buttons().at(i);
            QVERIFY2(!strip.intersects(QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom))), qPrintable(QString::number(b.accion)));
        }
        QVERIFY(!strip.intersects(QRect(m_screen->videocont->pos(), m_screen->video->size())));
        const std::vector<int> actions = m_screen->study->strip()->actions();
        QTest::mouseClick(m_screen->study->strip(), Qt::LeftButton, {}, m_screen->study->strip()->buttonRect(0).center());
        QCOMPARE(actions.front(), int(StudyAids::PauseAfterPhrase));
        QVERIFY(m_screen->study->aids().pauseAfterPhrase());
    }

    void escOrAClickLeavesTheFullScreen_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("Esc") << true;
        QTest::newRow("click") << false;
    }

    // Full-screen play is left with Esc or a click; the video goes on in its place.
    void escOrAClickLeavesTheFullScreen()
    {
        QFETCH(bool, byKey);
        openLesson(20);
        click(VideoLearningScreen::PlayFullScreen);
        QTRY_VERIFY(m_screen->video->isShowingFullScreen());
        QWidget* full = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->isFullScreen())
                full = w;
        }
        QVERIFY(full);
        if (byKey)
            QTest::keyClick(full, Qt::Key_Escape);
        else
            QTest::mouseClick(full, Qt::LeftButton);
        QTRY_VERIFY(!m_screen->video->isShowingFullScreen());
        QVERIFY(m_screen->video->fullScreenMode() == VideoPlayer::FullScreenMode::Off);
        QCOMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QVERIFY(m_screen->isVisible());
    }
};

QTEST_MAIN(VideoLearningTest)
#include "tst_videolearning.moc"
