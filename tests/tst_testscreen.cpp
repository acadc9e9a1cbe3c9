// The test screen (frmtest, screen 14) in the player's own process: questions, answers,
// score, the result view, its panel, and the windows it opens over itself.
#include "AudioProbe.h"
#include "Database.h"
#include "SqlStatement.h"
#include "BigPictureScreen.h"
#include "ExplorerScreen.h"
#include "CourseTree.h"
#include "FrameButton.h"
#include "GlossaryScreen.h"
#include "MediaPlayer.h"
#include "MessageWindow.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "SoundChannels.h"
#include "TestScreen.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace {

/// The points of answers 1 to 4 of one question.
struct Points {
    int p1 = 0;
    int p2 = 0;
    int p3 = 0;
    int p4 = 0;
};

// Ten questions, 30 points at most (question 4's points are in column 4, which never
// counts towards the maximum; questions 5 to 10 earn nothing).
const QList<Points> tenQuestions { { 10, 0, 0, 0 }, { 0, 10, 0, 0 }, { 0, 0, 10, 0 }, { 0, 0, 0, 5 }, {}, {}, {}, {}, {}, {} };

// Where the fixture's objects lie.
const QPoint answerAt(20, 100); // answer button 1; the others 50 pixels lower each
const QPoint resultAt(400, 300);
const QPoint panelButtonAt(300, 10);

const QColor fondo(30, 60, 120);
const QColor lit(Qt::yellow);
const QColor correctColour(Qt::green);
const QColor markerColour(Qt::red);
const QColor pressedColour(Qt::blue);

QString rowsFor(const QList<Points>& questions)
{
    QString test;
    for (qsizetype i = 0; i < questions.size(); ++i) {
        const Points& p = questions.at(i);
        test += QStringLiteral("%1(1500, 'Pregunta %2', 'Uno %2', 'Dos %2', 'Tres %2', %3, %4, %5, %6)")
                    .arg(i ? QStringLiteral(", ") : QString())
                    .arg(i + 1)
                    .arg(p.p1)
                    .arg(p.p2)
                    .arg(p.p3)
                    .arg(p.p4);
    }
    QString answers;
    for (int k = 1; k <= 4; ++k)
        answers += QStringLiteral("(14, 5, %1, %2, %3, null, 'r.bmp', 'ok.bmp', 34),").arg(k).arg(answerAt.x()).arg(answerAt.y() + 50 * (k - 1));
    QString labels;
    for (int k = 1; k <= 4; ++k)
        labels += QStringLiteral("(14, 9, %1, 70, %2, 300, 30, 'DejaVu Sans', 12, %3),").arg(k).arg(105 + 50 * (k - 1)).arg(k == 2 ? 1 : 0);
    return QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
        "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0),"
        "  (1500, 'Prueba', 14, ' intro.wav ', 'segundo.wav', 1, 17);"
        "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 17, 'Evaluación');"
        "insert into test (n_leccion, textopregunta, textorespuesta1, textorespuesta2, textorespuesta3,"
        "  puntuacionrespuesta1, puntuacionrespuesta2, puntuacionrespuesta3, puntuacionrespuesta4) values %1;"
        // Another lesson's question, which is not part of the test.
        "insert into test values (1400, 'Otra', 'a', 'b', 'c', 50, 50, 50, 50);"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, bitmapactivo, accion) values"
        "  (14, 0, 0, 0, 0, 'fondo.bmp', null, null, 0),"
        "  %2"
        "  (14, 5, 6, 400, 300, null, 'res.bmp', 'res_on.bmp', 40),"
        "  (14, 5, 0, 200, 400, null, 'b.bmp', 'b_on.bmp', 35),"
        "  (14, 5, 0, 250, 400, null, 'b.bmp', 'b_on.bmp', 36),"
        "  (14, 5, 0, 10, 440, null, 'b.bmp', 'b_on.bmp', 15),"
        "  (14, 5, 0, 60, 440, null, 'b.bmp', 'b_on.bmp', 28),"
        "  (14, 5, 0, 110, 440, null, 'b.bmp', 'b_on.bmp', 30),"
        "  (14, 5, 0, 160, 440, null, 'b.bmp', 'b_on.bmp', 31),"
        "  (14, 5, 0, 300, 10, null, 'b.bmp', 'b_on.bmp', 37),"
        "  (14, 5, 0, 210, 440, null, 'b.bmp', 'b_on.bmp', 41),"
        "  (14, 5, 0, 260, 440, null, 'b.bmp', null, 42),"
        "  (14, 5, 0, 310, 440, null, 'b.bmp', null, 43),"
        "  (14, 5, 0, 360, 440, null, 'b.bmp', 'b_on.bmp', 44),"
        "  (14, 5, 0, 410, 440, null, 'b.bmp', null, 45),"
        "  (14, 5, 5, 5, 5, null, 'p.bmp', null, 38),"
        "  (14, 5, 5, 5, 30, null, 'p.bmp', null, 39),"
        "  (14, 27, 0, 0, 0, 'panel.bmp', null, null, 0),"
        "  (14, 31, 0, 0, 0, 'marca.bmp', null, null, 0),"
        // The explorer, and the map's big picture.
        "  (10, 5, 0, 262, 10, null, 'b.bmp', null, 0),"
        "  (10, 5, 0, 262, 10, null, 'b.bmp', null, 0),"
        "  (1, 0, 0, 0, 0, null, null, null, 0);"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion, bitmapgrande) values"
        "  (1, 5, 0, 10, 420, 'b.bmp', 55, 'grande.bmp');"
        "insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, Font, tamanofont) values"
        "  (10, 1, 0, 0, 300, 400, 'panel.bmp', null, null, null),"
        "  (10, 16, 14, 48, 272, 300, 'b.bmp', 'b.bmp', 'DejaVu Sans', 9);"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, Font, tamanofont, colorfont) values"
        "  %3"
        "  (14, 9, 5, 20, 20, 500, 60, 'DejaVu Sans', 14, 0),"
        "  (14, 9, 6, 300, 300, 90, 30, 'DejaVu Sans', 14, 0),"
        "  (14, 9, 7, 20, 300, 60, 30, 'DejaVu Sans', 14, 0),"
        "  (14, 9, 0, 500, 20, 100, 20, 'DejaVu Sans', 10, 0);"
        "insert into sonidospantalla values (14, 0, 'fondo.wav', 'click.wav', 'cambio.wav'), (10, 0, null, null, null),"
        "  (11, 0, null, null, null), (1, 1, null, 'click.wav', 'cambio.wav');")
        .arg(test, answers, labels);
}

/// A stand-in for the glossary: a window over the current screen that sets `GlossaryOpen`
/// while it is open and leaves `ExplorerOpen` alone, as the real one does (without the rolda library).
class GlossaryStandIn : public Screen {
public:
    explicit GlossaryStandIn(Shell& shell)
        : Screen(shell, QStringLiteral("frmind"), 8)
    {
        setFixedSize(200, 150);
    }
    bool isOverlay() const override { return true; }
    void close()
    {
        shell().state().GlossaryOpen = false;
        shell().navigator().SetScreenEnabled(shell().state().CurrentScreen, true);
        shell().closeOverlay(this);
    }

protected:
    void ScreenLoad() override { }
    void ScreenActivate() override
    {
        shell().state().GlossaryOpen = true;
        shell().navigator().SetScreenEnabled(shell().state().CurrentScreen, false);
    }
};

QColor colourOf(const QLabel* label)
{
    return label->pixmap().isNull() ? QColor() : label->pixmap().toImage().pixelColor(2, 2);
}

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

/// A press and a release at (5, 5) of WIDGET, delivered to it whether or not it is shown.
void clickOn(QWidget* widget)
{
    sendMouse(widget, QEvent::MouseButtonPress, QPoint(5, 5));
    sendMouse(widget, QEvent::MouseButtonRelease, QPoint(5, 5));
}

} // namespace

class TestScreenTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    TestScreen* m_test = nullptr;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }
    TestScreen* test() { return qobject_cast<TestScreen*>(shell().existingWindow(QStringLiteral("frmtest"))); }
    QLabel* label(int index) { return m_test->Labelx(index); }
    QString counter() { return label(m_test->CounterLabel)->text(); }
    QString question() { return label(m_test->QuestionLabel)->text(); }
    QLabel* percent() { return label(m_test->PercentLabel); }
    FrameButton* answerButton(int k) { return m_test->Imagex[size_t(m_test->AnswerButton[size_t(k)])]; }
    int actionButton(int accion) { return m_test->buttonWithAction(accion); }
    void click(int accion) { m_test->ButtonClick(actionButton(accion)); }
    void answer(int k) { m_test->ButtonClick(m_test->AnswerButton[size_t(k)]); }
    QColor textColour(int answer) { return label(m_test->AnswerLabel[size_t(answer)])->palette().color(QPalette::WindowText); }
    QList<QJsonObject> testEvents(const QString& op = {})
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("test")))
            if (op.isEmpty() || e.value(QStringLiteral("op")).toString() == op)
                found << e;
        return found;
    }

    /// Builds the course with QUESTIONS and enters the test from the home map.
    void start(const QList<Points>& questions = tenQuestions)
    {
        m_course = std::make_unique<FixtureCourse>(rowsFor(questions));
        m_course->addMinimalMap();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), fondo);
        m_course->addPicture(QStringLiteral("r.bmp"), QSize(40, 40), lit);
        m_course->addPicture(QStringLiteral("ok.bmp"), QSize(40, 40), correctColour);
        m_course->addPicture(QStringLiteral("marca.bmp"), QSize(40, 40), markerColour);
        m_course->addPicture(QStringLiteral("res.bmp"), QSize(80, 30), lit);
        m_course->addPicture(QStringLiteral("res_on.bmp"), QSize(80, 30), pressedColour);
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(40, 30), lit);
        m_course->addPicture(QStringLiteral("b_on.bmp"), QSize(40, 30), pressedColour);
        m_course->addPicture(QStringLiteral("p.bmp"), QSize(60, 20), Qt::magenta);
        m_course->addPicture(QStringLiteral("panel.bmp"), QSize(80, 60), Qt::gray);
        m_course->addPicture(QStringLiteral("grande.bmp"), QSize(640, 480), Qt::darkMagenta);
        m_course->addTone(QStringLiteral("intro.wav"), 1.5, 550);
        m_course->addTone(QStringLiteral("segundo.wav"), 1.5, 880);
        m_course->addTone(QStringLiteral("fondo.wav"), 3.0, 330);
        m_course->addTone(QStringLiteral("click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        shell().registerWindow(QStringLiteral("frmind"), [](Shell& s) { return new GlossaryStandIn(s); });
        state().BackgroundSoundOn = false; // only the test's own sounds
        enter();
    }

    /// Shows the test as a lesson of the map opens it, and waits for its activation.
    void enter()
    {
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        state().CurrentLesson = 1500;
        shell().showScreen(shell().window(QStringLiteral("frmtest")));
        QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        m_test = test();
    }

    /// Answers every question of the sitting by clicking answer labels CHOICES (1 to 4) with
    /// the pointer, one per question from the first.
    void answerAllByPointer(const QList<int>& choices)
    {
        for (int i = 0; i < 9 && counter() != QStringLiteral("1/10"); ++i)
            click(TestScreen::PreviousButton);
        for (int choice : choices) {
            QLabel* answerLabel = label(m_test->AnswerLabel[size_t(choice)]);
            QTest::mouseClick(answerLabel, Qt::LeftButton, {}, QPoint(5, 5));
        }
    }
    /// The attempts kept in the learner database file, read as another program would.
    QList<QStringList> keptAttempts()
    {
        QList<QStringList> rows;
        auto db = Database::open(m_course->learnerDatabase(), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        if (!db->hasTable(QStringLiteral("intentos_test")))
            return rows;
        SqlStatement select(*db, QStringLiteral("select id, alumno, leccion, fecha, puntos, maximo, porcentaje, respuestas from intentos_test order by fecha, rowid"));
        while (select.step()) {
            QStringList row;
            for (int c = 0; c < 8; ++c)
                row << select.value(c).toString();
            rows << row;
        }
        return rows;
    }
    /// Opens the explorer over the test with its button, as the learner does.
    ExplorerScreen* openExplorer()
    {
        clickOn(m_test->Imagex[size_t(actionButton(TestScreen::Explorer))]);
        ExplorerScreen* explorer = nullptr;
        [&] { QTRY_VERIFY((explorer = qobject_cast<ExplorerScreen*>(shell().overlay())) && explorer->isVisible()); }();
        return explorer;
    }
    /// Closes EXPLORER with its button and waits for the test to start afresh.
    void closeExplorer(ExplorerScreen* explorer)
    {
        [&] { QTRY_VERIFY(!m_test->isInputEnabled()); }(); // the explorer's activation has run
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        clickOn(explorer->Imagex[0]);
        [&] { QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1); }();
        [&] { QTRY_VERIFY(m_test->isInputEnabled()); }();
    }

private Q_SLOTS:
    void cleanup()
    {
        m_test = nullptr;
        m_harness.reset();
        m_course.reset();
    }

    void theRowsGiveEachObjectItsRole()
    {
        start();
        // Answer buttons first (tags "1" to "4"), the result button, then the others; the
        // panel's buttons in a table of their own.
        for (int k = 1; k <= 4; ++k) {
            QCOMPARE(m_test->AnswerButton[size_t(k)], k);
            QCOMPARE(m_test->tag(k), QString::number(k));
            QCOMPARE(m_test->buttons()[size_t(k)].accion, 34);
        }
        QCOMPARE(m_test->ResultButton, 5);
        QCOMPARE(m_test->tag(5), QString());
        QCOMPARE(int(m_test->Imagex.size()), 1 + 4 + 13);
        QCOMPARE(int(m_test->panelButtons().size()), 3);
        QCOMPARE(m_test->panelButtons()[2].accion, 39);
        QCOMPARE(m_test->Imagex5[1]->parentWidget(), m_test->PanelCred);
        QCOMPARE(m_test->Imagex5[1]->pos(), QPoint(5, 5));
        QCOMPARE(m_test->PanelCred->pixmap().size(), QSize(80, 60));
        QVERIFY(m_test->PanelCred->isHidden());
        QCOMPARE(m_test->MarkerBitmap, QStringLiteral("marca.bmp"));
        // Labels in the order of their rows: the answers, the question, the score, the counter, a plain one.
        QCOMPARE(int(m_test->Labels.size()), 8);
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(m_test->AnswerLabel[size_t(k)], k);
        QCOMPARE(m_test->QuestionLabel, 5);
        QCOMPARE(m_test->PercentLabel, 6);
        QCOMPARE(m_test->CounterLabel, 7);
        QCOMPARE(label(2)->palette().color(QPalette::WindowText), QColor(Qt::white)); // colorfont 1
        QVERIFY(!label(1)->testAttribute(Qt::WA_TransparentForMouseEvents)); // answers take the pointer
        QVERIFY(label(5)->testAttribute(Qt::WA_TransparentForMouseEvents));
        // The volume box: left edge at the button's X, bottom edge at its Y.
        QCOMPARE(m_test->volumen->geometry().bottomLeft() + QPoint(0, 1), QPoint(360, 440));
    }

    void entryShowsTheFirstQuestion()
    {
        start();
        QCOMPARE(state().CurrentScreen, 14);
        QCOMPARE(state().CurrentLesson, 1500);
        QCOMPARE(counter(), QStringLiteral("1/10"));
        QCOMPARE(question(), QStringLiteral("Pregunta 1"));
        QCOMPARE(label(1)->text(), QStringLiteral("Uno 1"));
        QCOMPARE(label(3)->text(), QStringLiteral("Tres 1"));
        QCOMPARE(label(4)->text(), QString()); // the fourth answer has no text
        QCOMPARE(m_test->MaxPoints, 30);
        QCOMPARE(m_test->QuestionCount, 10);
        QCOMPARE(m_test->Score, 0);
        QCOMPARE(int(m_test->Answers.size()), 11);
        QCOMPARE(int(m_test->QuestionPoints.size()), 11);
        QVERIFY(!m_test->ResultView);
        QCOMPARE(state().History.back(), (HistoryEntry { 1500, 14 }));
        QCOMPARE(state().HistoryCursor, state().HistoryTop);
        // The introduction is prepared at the volume and started.
        MediaPlayer& single = shell().sounds().channel(SoundChannels::Channel::Single);
        QVERIFY(single.file().endsWith(QStringLiteral("intro.wav")));
        QCOMPARE(single.state(), MediaPlayer::State::Running);
        const QJsonObject enter = testEvents(QStringLiteral("enter")).last();
        QCOMPARE(enter.value(QStringLiteral("question")).toInt(), 1);
        QCOMPARE(enter.value(QStringLiteral("count")).toInt(), 10);
        QCOMPARE(enter.value(QStringLiteral("max")).toInt(), 30);
    }

    void movesStopAtBothEndsWithoutShowingAgain()
    {
        start();
        m_test->PreviousQuestion();
        QCOMPARE(counter(), QStringLiteral("1/10"));
        for (int i = 0; i < 9; ++i)
            m_test->NextQuestion();
        QCOMPARE(counter(), QStringLiteral("10/10"));
        QCOMPARE(question(), QStringLiteral("Pregunta 10"));
        label(m_test->QuestionLabel)->setText(QStringLiteral("not shown again"));
        click(TestScreen::NextButton);
        QCOMPARE(counter(), QStringLiteral("10/10"));
        QCOMPARE(question(), QStringLiteral("not shown again"));
        for (int i = 0; i < 9; ++i)
            click(TestScreen::PreviousButton);
        QCOMPARE(counter(), QStringLiteral("1/10"));
        label(m_test->QuestionLabel)->setText(QStringLiteral("not shown again"));
        click(TestScreen::PreviousButton);
        QCOMPARE(counter(), QStringLiteral("1/10"));
        QCOMPARE(question(), QStringLiteral("not shown again"));
        // Answering the last question leaves the cursor on it.
        for (int i = 0; i < 9; ++i)
            m_test->NextQuestion();
        answer(2);
        QCOMPARE(counter(), QStringLiteral("10/10"));
        QVERIFY(m_test->Answers[9].Answered);
    }

    void theScoreIsAWholePercentOfTheMaximum()
    {
        start();
        answer(1); // 10 of 30
        QCOMPARE(m_test->Score, 10);
        QCOMPARE(percent()->text(), QStringLiteral("33 %"));
        QVERIFY(percent()->isHidden()); // until the result view shows it
        QCOMPARE(counter(), QStringLiteral("2/10"));
        click(TestScreen::Result);
        QVERIFY(percent()->isVisible());
        QCOMPARE(percent()->text(), QStringLiteral("33 %"));
        const QJsonObject event = testEvents(QStringLiteral("answer")).last();
        QCOMPARE(event.value(QStringLiteral("question")).toInt(), 1);
        QCOMPARE(event.value(QStringLiteral("chosen")).toInt(), 1);
        QCOMPARE(event.value(QStringLiteral("points")).toInt(), 10);
        QCOMPARE(event.value(QStringLiteral("percent")).toInt(), 33);
    }

    void theScoreCountsUpToTheCurrentQuestion()
    {
        start();
        answer(1);
        answer(2);
        answer(3);
        answer(4); // column 4: 5 points
        answer(1);
        QCOMPARE(m_test->Score, 35);
        QCOMPARE(counter(), QStringLiteral("6/10"));
        for (int i = 0; i < 4; ++i)
            m_test->PreviousQuestion();
        QCOMPARE(counter(), QStringLiteral("2/10"));
        answer(1); // question 2 again, now wrong
        QCOMPARE(m_test->Score, 10); // questions 1 and 2 only
        QCOMPARE(percent()->text(), QStringLiteral("33 %"));
        QCOMPARE(m_test->QuestionPoints[2], 10); // question 3 keeps its points
    }

    void theFourthColumnCountsForTheLearnerOnly()
    {
        start();
        for (int k : { 1, 2, 3, 4 })
            answer(k);
        QCOMPARE(m_test->MaxPoints, 30);
        QCOMPARE(m_test->Score, 35);
        QCOMPARE(percent()->text(), QStringLiteral("116 %"));
    }

    void anAnswerFirstSwitchesTheResultViewOff()
    {
        start();
        const int result = m_test->ResultButton;
        click(TestScreen::Result);
        QVERIFY(m_test->ResultView);
        QCOMPARE(colourOf(m_test->Imagex[size_t(result)]), pressedColour);
        QVERIFY(m_test->buttons()[size_t(result)].state != 0);
        answer(1);
        QVERIFY(!m_test->ResultView);
        QVERIFY(m_test->Imagex[size_t(result)]->pixmap().isNull());
        QCOMPARE(m_test->buttons()[size_t(result)].state, 0);
        QVERIFY(percent()->isHidden());
        QCOMPARE(counter(), QStringLiteral("2/10"));
        // The view went off before the answer was taken.
        const QList<QJsonObject> events = testEvents();
        QCOMPARE(events.at(events.size() - 3).value(QStringLiteral("op")).toString(), QStringLiteral("result"));
        QCOMPARE(events.at(events.size() - 3).value(QStringLiteral("on")).toBool(), false);
        QCOMPARE(events.at(events.size() - 2).value(QStringLiteral("op")).toString(), QStringLiteral("answer"));
    }

    void theResultViewMarksTheChoiceAndTheRightAnswer()
    {
        start();
        answer(1);
        answer(2);
        answer(1); // question 3: wrong; the right one is 3
        m_test->PreviousQuestion();
        QCOMPARE(counter(), QStringLiteral("3/10"));
        // Without the result view the chosen button is held, blank, and its text is blue.
        QVERIFY(answerButton(1)->isVisible());
        QVERIFY(answerButton(1)->pixmap().isNull());
        QVERIFY(m_test->buttons()[1].state != 0);
        QCOMPARE(textColour(1), QColor(0, 0, 255));
        QCOMPARE(textColour(3), QColor(Qt::black));
        click(TestScreen::Result);
        QCOMPARE(colourOf(answerButton(1)), markerColour);
        QCOMPARE(colourOf(answerButton(3)), correctColour); // the chosen button's pressed picture
        QVERIFY(answerButton(3)->isVisible());
        QVERIFY(m_test->buttons()[3].state != 0);
        QCOMPARE(percent()->text(), QStringLiteral("66 %")); // questions 1 to 3
        // Moving on with the view on marks the next answered question the same way.
        m_test->PreviousQuestion();
        QCOMPARE(colourOf(answerButton(2)), correctColour); // right: the tick over the marker
        QVERIFY(answerButton(1)->pixmap().isNull()); // the others are blank
        QVERIFY(percent()->isHidden());
        QCOMPARE(textColour(2), QColor(0, 0, 255));
        QCOMPARE(textColour(1), QColor(Qt::black));
        // A question nobody can get right marks no right answer.
        for (int i = 0; i < 3; ++i)
            m_test->NextQuestion();
        QCOMPARE(counter(), QStringLiteral("5/10"));
        answer(3); // which also puts the view off
        QVERIFY(!m_test->ResultView);
        m_test->PreviousQuestion();
        click(TestScreen::Result);
        QCOMPARE(colourOf(answerButton(3)), markerColour);
        for (int k : { 1, 2, 4 })
            QVERIFY(answerButton(k)->pixmap().isNull());
        // Off again: the button goes blank, the score hides.
        click(TestScreen::Result);
        QVERIFY(!m_test->ResultView);
        QVERIFY(m_test->Imagex[size_t(m_test->ResultButton)]->pixmap().isNull());
    }

    void laterColumnsWinATie()
    {
        start({ { 5, 0, 5, 0 }, { 0, 7, 7, 0 } });
        answer(1);
        m_test->PreviousQuestion();
        click(TestScreen::Result);
        QCOMPARE(colourOf(answerButton(3)), correctColour);
        QCOMPARE(colourOf(answerButton(1)), markerColour);
    }

    void largeTotalsGiveTheRightPercentage()
    {
        start({ { 100, 0, 0, 0 }, { 0, 100, 0, 0 }, { 0, 0, 100, 0 }, { 100, 0, 0, 0 } });
        QCOMPARE(m_test->MaxPoints, 400);
        answer(1);
        QCOMPARE(percent()->text(), QStringLiteral("25 %"));
        answer(2);
        answer(3);
        answer(1);
        QCOMPARE(m_test->Score, 400); // 40 000 per cent points: beyond 16 bits
        QCOMPARE(percent()->text(), QStringLiteral("100 %"));
    }

    void anEmptyMaximumGivesZeroPercent()
    {
        start({ { 0, 0, 0, 0 }, { 0, 0, 0, 10 } });
        QCOMPARE(m_test->MaxPoints, 0);
        answer(1);
        QCOMPARE(percent()->text(), QStringLiteral("0 %"));
        answer(4);
        QCOMPARE(m_test->Score, 10);
        QCOMPARE(percent()->text(), QStringLiteral("0 %"));
    }

    void negativePointsTruncateTowardsZero()
    {
        start({ { -1, 0, 0, 0 }, { 0, 3, 0, 0 } });
        answer(1); // -100 / 2
        QCOMPARE(percent()->text(), QStringLiteral("-50 %"));
    }

    void closingTheGlossaryKeepsTheTest()
    {
        start();
        answer(1);
        answer(2);
        click(TestScreen::Glossary);
        QVERIFY(state().ExplorerOpen);
        auto* glossary = static_cast<GlossaryStandIn*>(shell().existingWindow(QStringLiteral("frmind")));
        QVERIFY(glossary);
        QTRY_VERIFY(state().GlossaryOpen);
        QVERIFY(!m_test->isInputEnabled());
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        glossary->close();
        QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QVERIFY(testEvents(QStringLiteral("enter")).last().value(QStringLiteral("held")).toBool());
        QVERIFY(!state().ExplorerOpen);
        QVERIFY(m_test->isInputEnabled());
        QCOMPARE(counter(), QStringLiteral("3/10"));
        QCOMPARE(m_test->Score, 20);
        QVERIFY(m_test->Answers[1].Answered);
    }

    void closingTheExplorerStartsAfresh()
    {
        start();
        answer(1);
        answer(2);
        m_test->PreviousQuestion(); // question 2, answered, with the result view on
        click(TestScreen::Result);
        QVERIFY(m_test->ResultView);
        click(TestScreen::Explorer);
        QVERIFY(state().ExplorerOpen);
        ExplorerScreen* explorer = nullptr;
        QTRY_VERIFY((explorer = qobject_cast<ExplorerScreen*>(shell().overlay())) && explorer->isVisible());
        QTRY_VERIFY(!m_test->isInputEnabled());
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        // Its close button.
        clickOn(explorer->Imagex[0]);
        QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QVERIFY(!testEvents(QStringLiteral("enter")).last().value(QStringLiteral("held")).toBool());
        QCOMPARE(counter(), QStringLiteral("1/10"));
        QCOMPARE(question(), QStringLiteral("Pregunta 1"));
        QCOMPARE(m_test->Score, 0);
        QVERIFY(!m_test->Answers[0].Answered);
        QVERIFY(m_test->isInputEnabled());
        // Nothing of the sitting before is marked: no answer, no pressed result button.
        QVERIFY(!m_test->ResultView);
        for (int k = 1; k <= 3; ++k) {
            QVERIFY2(answerButton(k)->pixmap().isNull() || answerButton(k)->isHidden(), qPrintable(QString::number(k)));
            QCOMPARE(m_test->buttons()[size_t(m_test->AnswerButton[size_t(k)])].state, 0);
        }
        const int result = actionButton(TestScreen::Result);
        QVERIFY(m_test->Imagex[size_t(result)]->pixmap().isNull() || m_test->Imagex[size_t(result)]->isHidden());
        QCOMPARE(m_test->buttons()[size_t(result)].state, 0);
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(textColour(k), QColor(Qt::black));
    }

    void theTestChosenInTheExplorerEntersOnce()
    {
        start();
        answer(1);
        clickOn(m_test->Imagex[size_t(actionButton(TestScreen::Explorer))]);
        ExplorerScreen* explorer = nullptr;
        QTRY_VERIFY((explorer = qobject_cast<ExplorerScreen*>(shell().overlay())) && explorer->isVisible());
        QTRY_VERIFY(!m_test->isInputEnabled()); // the explorer's activation has run
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        CourseTree* tree = explorer->arbol;
        QTreeWidgetItem* lesson = tree->node(QStringLiteral("N 1500"));
        QVERIFY(lesson);
        tree->scrollToItem(lesson);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(lesson).center());
        QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QTRY_VERIFY(!shell().overlay());
        QTest::qWait(500); // long enough for the transition to end and a second entry to come
        QCOMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QVERIFY(!testEvents(QStringLiteral("enter")).last().value(QStringLiteral("held")).toBool());
        QCOMPARE(counter(), QStringLiteral("1/10"));
        QVERIFY(!state().ExplorerOpen);
        QVERIFY(m_test->isInputEnabled());
    }

    void aGlossaryThatCannotOpenKeepsTheTest()
    {
        // No registration of the entry boxes' library anywhere: the real glossary cannot open.
        QTemporaryDir noSystemRegistry;
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(noSystemRegistry.path()));
        start();
        shell().registerWindow(QStringLiteral("frmind"), [](Shell& s) { return new GlossaryScreen(s); });
        answer(1);
        answer(2);
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        QString shown;
        int shownWidth = 0;
        bool glossaryShown = false;
        QTimer::singleShot(0, this, [&] {
            auto* message = qobject_cast<MessageWindow*>(QApplication::activeModalWidget());
            QVERIFY(message);
            shown = message->textLabel()->text();
            shownWidth = message->width();
            const QWidget* glossary = shell().existingWindow(QStringLiteral("frmind"));
            glossaryShown = glossary && glossary->isVisible();
            QTest::mouseClick(message->acceptButton(), Qt::LeftButton);
        });
        clickOn(m_test->Imagex[size_t(actionButton(TestScreen::Glossary))]);
        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(shown.remove(QChar(0x200B)), GlossaryScreen::UnregisteredMessage); // the box may break a path after its slashes
        QVERIFY(shownWidth <= 640);
        QVERIFY(!glossaryShown);
        const QList<QJsonObject> opens = m_harness->events(QStringLiteral("glossary"));
        QVERIFY(!opens.isEmpty());
        QVERIFY2(opens.last().value(QStringLiteral("result")).toString().contains(QStringLiteral("rolda.etidesp2")),
            qPrintable(opens.last().value(QStringLiteral("result")).toString()));

        // The test comes back once, as it was.
        QTRY_VERIFY(!state().ExplorerOpen);
        QTest::qWait(200);
        QCOMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QVERIFY(testEvents(QStringLiteral("enter")).last().value(QStringLiteral("held")).toBool());
        QCOMPARE(counter(), QStringLiteral("3/10"));
        QCOMPARE(m_test->Score, 20);
        QVERIFY(m_test->Answers[1].Answered);
        QVERIFY(m_test->isInputEnabled());
        QVERIFY(!shell().existingWindow(QStringLiteral("frmind")));
        qunsetenv("XDG_CONFIG_DIRS");
    }

    void aWindowThisPlayerLacksOpensNothing()
    {
        start();
        shell().registerWindow(QStringLiteral("frmind"), [](Shell&) { return nullptr; });
        click(TestScreen::Glossary);
        QVERIFY(!state().ExplorerOpen); // or the next entry would be skipped
    }

    void theSingleLessonRowGoesNowhere()
    {
        start();
        const auto history = state().History;
        const int cursor = state().HistoryCursor;
        click(TestScreen::Forward);
        click(TestScreen::Back);
        QTest::qWait(50);
        QCOMPARE(state().History, history);
        QCOMPARE(state().HistoryCursor, cursor);
        QCOMPARE(shell().currentScreen(), m_test);
        QVERIFY(m_test->isVisible());
        QVERIFY(m_harness->events(QStringLiteral("switch")).isEmpty());
    }

    void pointsOutliveAnActivationButNotAnUnload()
    {
        start();
        answer(1);
        QCOMPARE(m_test->QuestionPoints[0], 10);
        enter(); // activated again: a fresh start, the points stay
        QCOMPARE(counter(), QStringLiteral("1/10"));
        QVERIFY(!m_test->Answers[0].Answered);
        QCOMPARE(m_test->QuestionPoints[0], 10);
        m_test->NextQuestion();
        answer(2);
        QCOMPARE(m_test->Score, 20); // question 1's earlier points count

        // Leaving unloads the screen: back on the map, and the next entry starts from nothing.
        QPointer<TestScreen> left = m_test;
        click(TestScreen::Leave);
        QVERIFY(!state().ActivationHold);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QTRY_VERIFY(!left);
        QVERIFY(!shell().existingWindow(QStringLiteral("frmtest")));
        enter();
        QCOMPARE(m_test->QuestionPoints[0], 0);
        m_test->NextQuestion();
        answer(2);
        QCOMPARE(m_test->Score, 10);
    }

    void pressingAndReleasingButtons()
    {
        start();
        const int result = m_test->ResultButton;
        FrameButton* resultButton = m_test->Imagex[size_t(result)];
        // The pointer lights the button over the background.
        sendMouse(m_test->Picture1, QEvent::MouseMove, resultAt + QPoint(5, 5));
        QVERIFY(resultButton->isVisible());
        QCOMPARE(colourOf(resultButton), lit);
        sendMouse(resultButton, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(colourOf(resultButton), pressedColour);
        sendMouse(resultButton, QEvent::MouseButtonRelease, QPoint(5, 5));
        QVERIFY(m_test->ResultView); // the click
        QCOMPARE(colourOf(resultButton), pressedColour); // held on
        // An answer button keeps its look when pressed, and its text turns blue.
        sendMouse(m_test->Picture1, QEvent::MouseMove, answerAt + QPoint(50, 5)); // beside it
        sendMouse(m_test->Picture1, QEvent::MouseMove, answerAt + QPoint(50 + 5, 5 + 50));
        sendMouse(m_test->Picture1, QEvent::MouseMove, answerAt + QPoint(5, 5 + 50));
        FrameButton* second = answerButton(2);
        QVERIFY(second->isVisible());
        sendMouse(second, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(colourOf(second), lit);
        QCOMPARE(textColour(2), QColor(0, 0, 255));
        sendMouse(second, QEvent::MouseButtonRelease, QPoint(5, 5));
        QVERIFY(!m_test->ResultView); // answering switched it off
        QCOMPARE(counter(), QStringLiteral("2/10"));
        QVERIFY(second->pixmap().isNull());
        QCOMPARE(textColour(2), QColor(Qt::black));

        // A blank button gets its lit picture back when the pointer comes again.
        FrameButton* next = m_test->Imagex[size_t(actionButton(TestScreen::NextButton))];
        sendMouse(m_test->Picture1, QEvent::MouseMove, QPoint(255, 405));
        sendMouse(next, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(colourOf(next), pressedColour);
        sendMouse(next, QEvent::MouseButtonRelease, QPoint(5, 5));
        QCOMPARE(counter(), QStringLiteral("3/10"));
        QVERIFY(next->pixmap().isNull());
        sendMouse(m_test->Picture1, QEvent::MouseMove, QPoint(600, 200));
        QVERIFY(next->isHidden());
        sendMouse(m_test->Picture1, QEvent::MouseMove, QPoint(255, 405));
        QVERIFY(next->isVisible());
        QCOMPARE(colourOf(next), lit);
    }

    void answerLabelsActLikeTheirButtons()
    {
        start();
        QLabel* second = label(m_test->AnswerLabel[2]);
        QCOMPARE(second->cursor().shape(), Qt::BitmapCursor);
        sendMouse(second, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(textColour(2), QColor(0, 0, 255));
        QVERIFY(answerButton(2)->isVisible());
        sendMouse(second, QEvent::MouseButtonRelease, QPoint(5, 5));
        QCOMPARE(counter(), QStringLiteral("2/10"));
        QCOMPARE(m_test->Answers[0].ChosenButton, m_test->AnswerButton[2]);
        QCOMPARE(m_test->QuestionPoints[0], 0);
        // The fourth label has no text but answers all the same.
        clickOn(label(m_test->AnswerLabel[4]));
        QCOMPARE(counter(), QStringLiteral("3/10"));
        QCOMPARE(m_test->Answers[1].ChosenButton, m_test->AnswerButton[4]);
    }

    // ---- the finished attempts kept ----

    void aFinishedSittingIsKeptOnce()
    {
        start();
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        // 10 + 10 + 0 + 5 (column 4) of 30: 25 points, 83 %.
        answerAllByPointer({ 1, 2, 1, 4, 1, 1, 1, 1, 1 });
        QVERIFY(keptAttempts().isEmpty()); // nine of ten answered: not finished
        QTest::mouseClick(label(m_test->AnswerLabel[3]), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(counter(), QStringLiteral("10/10"));
        QList<QStringList> kept = keptAttempts();
        QCOMPARE(kept.size(), 1);
        const QStringList& row = kept.first();
        QVERIFY(!QUuid::fromString(row[0]).isNull());
        QVERIFY(!row[1].isEmpty());
        QCOMPARE(row[2], QStringLiteral("1500"));
        const QDateTime finished = QDateTime::fromString(row[3], Qt::ISODate);
        QVERIFY2(finished >= before && finished <= QDateTime::currentDateTimeUtc().addSecs(1), qPrintable(row[3]));
        QCOMPARE(row.mid(4), (QStringList { QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("83"), QStringLiteral("1,2,1,4,1,1,1,1,1,3") }));
        QCOMPARE(testEvents(QStringLiteral("attempt")).last().value(QStringLiteral("id")).toString(), row[0]);

        // The result view reads as it always did.
        clickOn(m_test->Imagex[size_t(m_test->ResultButton)]);
        QVERIFY(m_test->ResultView);
        QCOMPARE(percent()->text(), QStringLiteral("83 %"));
        // Answering again in the same sitting keeps no second attempt.
        QTest::mouseClick(label(m_test->AnswerLabel[1]), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(keptAttempts().size(), 1);
    }

    void theExplorerShowsTheBestAndEarlierAttempts()
    {
        start();
        ExplorerScreen* explorer = openExplorer();
        QTreeWidgetItem* lesson = explorer->arbol->node(QStringLiteral("N 1500"));
        QVERIFY(lesson);
        QCOMPARE(lesson->text(0), QStringLiteral("Prueba")); // no attempt yet: the name alone
        QCOMPARE(lesson->toolTip(0), QStringLiteral("Aún no has hecho esta prueba."));
        closeExplorer(explorer); // closing the explorer starts the test afresh

        answerAllByPointer({ 1, 2, 3, 4, 1, 1, 1, 1, 1, 1 }); // 35 points: 116 %
        closeExplorer(openExplorer());
        answerAllByPointer({ 2, 1, 1, 1, 1, 1, 1, 1, 1, 1 }); // nothing: 0 %
        QCOMPARE(keptAttempts().size(), 2);
        QVERIFY(keptAttempts()[0][0] != keptAttempts()[1][0]);

        explorer = openExplorer();
        lesson = explorer->arbol->node(QStringLiteral("N 1500"));
        QCOMPARE(lesson->text(0), QStringLiteral("Prueba — mejor: 116 %"));
        const QStringList lines = lesson->toolTip(0).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].endsWith(QStringLiteral("0 de 30 puntos (0 %)")), qPrintable(lines[1])); // the latest first
        QVERIFY2(lines[2].endsWith(QStringLiteral("35 de 30 puntos (116 %)")), qPrintable(lines[2]));
        // Other lessons carry nothing of the test.
        QCOMPARE(explorer->arbol->node(QStringLiteral("R 1"))->text(0), QStringLiteral("Mapa"));
    }

    void anAttemptThatCannotBeKeptIsToldOnce()
    {
        start();
        state().UserDb = Database::open(m_course->learnerDatabase(), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        answerAllByPointer({ 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 });
        QCOMPARE(counter(), QStringLiteral("10/10")); // the test went on
        QVERIFY(testEvents(QStringLiteral("attempt")).last().value(QStringLiteral("error")).toString().contains(QStringLiteral("read-only")));
        QCOMPARE(m_harness->events(QStringLiteral("notice")).size(), 1);
        enter(); // a second sitting fails the same way, and says nothing more
        answerAllByPointer({ 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 });
        QCOMPARE(testEvents(QStringLiteral("attempt")).size(), 2);
        QCOMPARE(m_harness->events(QStringLiteral("notice")).size(), 1);
        QVERIFY(keptAttempts().isEmpty());
    }

    void thePanelOpensUnderItsButton()
    {
        start();
        click(TestScreen::OpenPanel);
        QVERIFY(m_test->PanelCred->isVisible());
        QCOMPARE(m_test->PanelCred->pos(), QPoint(panelButtonAt.x(), panelButtonAt.y() + 30)); // left edge, bottom edge
        // Its buttons light from its own table.
        sendMouse(m_test->PanelCred, QEvent::MouseMove, QPoint(10, 35));
        QVERIFY(m_test->Imagex5[2]->isVisible());
        QVERIFY(m_test->Imagex5[1]->isHidden());
        sendMouse(m_test->PanelCred, QEvent::MouseMove, QPoint(10, 10));
        QVERIFY(m_test->Imagex5[1]->isVisible());
        QVERIFY(m_test->Imagex5[2]->isHidden());
        // The background puts it away.
        sendMouse(m_test->Picture1, QEvent::MouseMove, QPoint(600, 200));
        QVERIFY(m_test->PanelCred->isHidden());
    }

    void thePanelsLeaveButtonEndsTheProgram()
    {
        start();
        click(TestScreen::OpenPanel);
        QVERIFY(!m_harness->endStatus);
        clickOn(m_test->Imagex5[2]);
        QCOMPARE(m_harness->endStatus, std::optional<int>(0));
        QCOMPARE(m_harness->events(QStringLiteral("quit")).size(), 1);
        QCOMPARE(m_harness->events(QStringLiteral("quit")).last().value(QStringLiteral("status")).toInt(), 0);
    }

    void theBigPictureReturnsToTheTest()
    {
        start();
        answer(1);
        click(TestScreen::OpenPanel);
        m_test->PanelClick(1);
        QVERIFY(m_test->PanelCred->isHidden());
        QTRY_COMPARE(state().CurrentScreen, 11);
        auto* big = static_cast<BigPictureScreen*>(shell().existingWindow(QStringLiteral("frmc")));
        QVERIFY(big && big->isVisible());
        const int entries = int(testEvents(QStringLiteral("enter")).size());
        big->BigPictureClick();
        QTRY_COMPARE(int(testEvents(QStringLiteral("enter")).size()), entries + 1);
        QCOMPARE(state().CurrentScreen, 14);
        QCOMPARE(counter(), QStringLiteral("1/10"));
    }

    void volumeAndBackgroundSoundButtons()
    {
        start();
        click(TestScreen::VolumeButton);
        QVERIFY(m_test->volumen->isVisible());
        sendMouse(m_test->Picture1, QEvent::MouseMove, QPoint(600, 200));
        QVERIFY(m_test->volumen->isHidden());

        state().BackgroundSoundOn = true;
        const int sound = actionButton(TestScreen::SoundOnOff);
        click(TestScreen::SoundOnOff);
        QVERIFY(!state().BackgroundSoundOn);
        QVERIFY(m_test->buttons()[size_t(sound)].state != 0);
        QVERIFY(m_test->Imagex[size_t(sound)]->isVisible());
        click(TestScreen::SoundOnOff);
        QVERIFY(state().BackgroundSoundOn);
        QCOMPARE(m_test->buttons()[size_t(sound)].state, 0);
        QVERIFY(m_test->Imagex[size_t(sound)]->isHidden());
        QCOMPARE(shell().sounds().channel(SoundChannels::Channel::Background).state(), MediaPlayer::State::Running);
    }

    void theSliderShowsTheMapsVolume()
    {
        start();
        auto* map = qobject_cast<FramedScreen*>(shell().window(QStringLiteral("frmms")));
        state().CurrentLesson = 1; // the map loads on its own lesson
        map->ensureLoaded();
        map->Slider1->setValue(700);
        enter();
        QCOMPARE(m_test->Slider1->value(), 700);
    }

    void theIntroductionIsHeardOnEntryAndTheButtonsReplayTheSounds()
    {
        AudioProbe probe;
        QVERIFY2(probe.start(), qPrintable(probe.errorString()));
        start();
        const QVector<float> intro = probe.record(600);
        QVERIFY2(AudioProbe::rmsDb(intro) > -40, qPrintable(QString::number(AudioProbe::rmsDb(intro))));
        QVERIFY(qAbs(AudioProbe::dominantFrequency(intro) - 550) < 15);
        click(TestScreen::SecondSound);
        QTest::qWait(200);
        QVERIFY(qAbs(AudioProbe::dominantFrequency(probe.record(500)) - 880) < 15);
        click(TestScreen::Introduction);
        QTest::qWait(200);
        QVERIFY(qAbs(AudioProbe::dominantFrequency(probe.record(500)) - 550) < 15);
        // Leaving stops it.
        click(TestScreen::Leave);
        QTRY_COMPARE(state().CurrentScreen, 1);
        QTest::qWait(200);
        QVERIFY(AudioProbe::rmsDb(probe.record(400)) < -60);
    }
};

QTEST_MAIN(TestScreenTest)
#include "tst_testscreen.moc"
