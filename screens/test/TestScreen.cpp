#include "TestScreen.h"

#include "CourseError.h"
#include "ErrorReport.h"
#include "FrameButton.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"

#include <QDateTime>
#include <QEvent>
#include <QJsonObject>
#include <algorithm>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>

namespace {

/// The object kinds of the frame whose rows the test reads in its own way.
enum FrameObject { Button = 5, Label = 9 };

/// `identificativo` of a button row: on the panel, the result button.
enum ButtonRole { PanelButton = 5, ResultRole = 6 };
/// `identificativo` of a label row.
enum LabelRole { QuestionRole = 5, PercentRole = 6, CounterRole = 7 };

const char* const answerProperty = "tamselAnswer";

} // namespace

TestScreen::TestScreen(Shell& shell)
    : FramedScreen(shell, QStringLiteral("frmtest"), 14)
{
}

TestScreen::~TestScreen() = default;

// ---------------------------------------------------------------- loading

void TestScreen::ScreenLoad()
{
    // The panel exists before the rows: its buttons (kind 5) come before its picture (27).
    PanelCred = new PictureSurface(this);
    PanelCred->setObjectName(QStringLiteral("PanelCred"));
    PanelCred->hide();
    connect(PanelCred, &PictureSurface::moved, this, [this](int x, int y) { shell().guarded([&] { PanelMouseMove(x, y); }); });
    Imagex5.assign(1, new FrameButton(0, PanelCred));
    m_panelButtons.assign(1, ButtonRecord {});
    m_looks.assign(1, ButtonLook {});
    QuestionLabel = PercentLabel = CounterLabel = ResultButton = 0;
    AnswerLabel.fill(0);
    AnswerButton.fill(0);
    MarkerBitmap.clear();
    m_marker = QPixmap();
    ResultView = false;
    FramedScreen::ScreenLoad();
}

bool TestScreen::takeRow(int kind, const Recordset& row)
{
    switch (kind) {
    case Button:
        if (row.number(QStringLiteral("identificativo")) == PanelButton)
            buildPanelButton(row);
        else
            buildAnswerOrPlainButton(row);
        return true;
    case Label:
        buildTestLabel(row);
        return true;
    default:
        return false;
    }
}

bool TestScreen::loadObject(int kind, const Recordset& row)
{
    switch (kind) {
    case PanelPicture:
        PanelCred->setPixmap(loadPicture(row.text(QStringLiteral("bitmapreposo"))));
        PanelCred->resize(PanelCred->pixmap().size());
        PanelCred->hide();
        return true;
    case Marker:
        MarkerBitmap = row.text(QStringLiteral("bitmapreposo"));
        m_marker = pictureOrNone(MarkerBitmap);
        return true;
    default:
        return false;
    }
}

QPixmap TestScreen::pictureOrNone(const QString& name) const
{
    return name.trimmed().isEmpty() ? QPixmap() : loadPicture(name);
}

void TestScreen::buildAnswerOrPlainButton(const Recordset& row)
{
    buildButton(row);
    const int index = int(Imagex.size()) - 1;
    FrameButton* button = Imagex.back();
    ButtonLook look;
    look.lit = button->pixmap();
    look.pressed = pictureOrNone(row.text(QStringLiteral("bitmapactivo")));
    const auto role = int(row.number(QStringLiteral("identificativo")));
    if (role >= 1 && role <= 4) {
        look.tag = QString::number(role);
        AnswerButton[size_t(role)] = index;
    } else if (role == ResultRole) {
        ResultButton = index;
    }
    m_looks.push_back(look);
    connect(button, &FrameButton::pressed, this, [this](int i) { shell().guarded([&] { ButtonMouseDown(i); }); });
    connect(button, &FrameButton::released, this, [this](int i) { shell().guarded([&] { ButtonMouseUp(i); }); });
}

void TestScreen::buttonBuilt(int index, const Recordset& row)
{
    // The volume box opens with its bottom edge on the button's top.
    if (row.number(QStringLiteral("accion")) == VolumeButton)
        placeVolumePanel(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))) - volumen->height());
    Q_UNUSED(index)
}

void TestScreen::buildPanelButton(const Recordset& row)
{
    const int index = int(Imagex5.size());
    auto* button = new FrameButton(index, PanelCred);
    button->setObjectName(QStringLiteral("Imagex5_%1").arg(index));
    button->setCursor(handCursor());
    button->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
    button->setPixmap(loadPicture(row.text(QStringLiteral("bitmapactivable"))));
    button->resize(button->pixmap().size());
    connect(button, &FrameButton::clicked, this, [this](int i) {
        shell().trace().event("button",
            { { QStringLiteral("window"), windowName() }, { QStringLiteral("panel"), i },
                { QStringLiteral("accion"), m_panelButtons.at(size_t(i)).accion } });
        shell().guarded([&] { PanelClick(i); });
    });
    Imagex5.push_back(button);
    // The panel's own table, of the frame's layout, in the panel's pixels.
    m_panelButtons.push_back(ButtonRecord::of(*button, row));
}

void TestScreen::buildTestLabel(const Recordset& row)
{
    QLabel* label = buildLabel(row);
    const int index = int(Labels.size());
    const auto role = int(row.number(QStringLiteral("identificativo")));
    if (role >= 1 && role <= 4) {
        AnswerLabel[size_t(role)] = index;
        // An answer label is pressed and clicked like its button.
        label->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        label->setCursor(handCursor());
        label->setProperty(answerProperty, role);
        label->installEventFilter(this);
    } else if (role == QuestionRole) {
        QuestionLabel = index;
    } else if (role == PercentRole) {
        PercentLabel = index;
    } else if (role == CounterRole) {
        CounterLabel = index;
    }
}

// ---------------------------------------------------------------- activation

void TestScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    SoundChannels& sounds = shell().sounds();
    if (state.ExplorerOpen) {
        // Back from the explorer or glossary this screen opened over itself: as it was.
        state.ExplorerOpen = false;
        traceTest("enter", { { QStringLiteral("held"), true } });
        return;
    }
    state.CurrentScreen = number();
    sounds.PlayScreenSound();
    state.CurrentLesson = TestLesson;
    for (QLabel* label : Labels)
        label->clear();
    m_questions = state.ContentDb->openRecordset(QStringLiteral("select * from test where n_leccion =  %1").arg(state.CurrentLesson));
    m_lesson = state.ContentDb->openRecordset(QStringLiteral("select * from lecciones where n_leccion = %1").arg(state.CurrentLesson));
    if (m_lesson->isEof())
        throw CourseError(QStringLiteral("%1: lesson %2 of the test is not in lecciones").arg(state.ContentDb->fileName()).arg(state.CurrentLesson));
    m_secondSound = m_lesson->text(QStringLiteral("nombre_fichero2"));
    m_introduction = m_lesson->text(QStringLiteral("nombre_fichero1"));
    sounds.PlaySoundFile(m_introduction);
    clearMarks();
    ContarPuntos();
    ShowQuestion();
    shell().navigator().PushHistory(state.CurrentLesson, state.CurrentScreen);
    refreshNavList();
    Score = 0;
    sounds.channel(SoundChannels::Channel::Single).run();
    if (state.BackgroundSoundOn)
        sounds.startBackground();
    {
        // The volume the map's slider shows; showing it is not changing it.
        auto* map = qobject_cast<FramedScreen*>(shell().existingWindow(QStringLiteral("frmms")));
        const QSignalBlocker quiet(Slider1);
        Slider1->setValue(map && map->Slider1 ? map->Slider1->value() : -state.Volume);
    }
    Answers.assign(size_t(QuestionCount) + 1, AnswerRecord {});
    m_keptAttempt.clear(); // a new sitting
    state.HistoryCursor = state.HistoryTop;
    traceTest("enter");
}

// ---------------------------------------------------------------- questions

int TestScreen::position() const
{
    return m_questions ? m_questions->absolutePosition() : -1;
}

QLabel* TestScreen::Labelx(int index) const
{
    return index >= 1 && index <= int(Labels.size()) ? Labels[size_t(index) - 1] : nullptr;
}

QString TestScreen::tag(int index) const
{
    return index >= 0 && index < int(m_looks.size()) ? m_looks[size_t(index)].tag : QString();
}

qint32 TestScreen::points(int column) const
{
    const QString field = QStringLiteral("puntuacionrespuesta%1").arg(column);
    const QVariant value = m_questions->value(field);
    if (value.isNull())
        throw CourseError(QStringLiteral("question %1 of the test (lesson %2) has no %3").arg(position() + 1).arg(TestLesson).arg(field));
    return qint32(value.toLongLong());
}

QString TestScreen::questionText(const QString& field) const
{
    if (position() < 0)
        throw CourseError(QStringLiteral("the test (lesson %1) has no question in table test").arg(TestLesson));
    const QVariant value = m_questions->value(field);
    if (value.isNull())
        throw CourseError(QStringLiteral("question %1 of the test (lesson %2) has no %3").arg(position() + 1).arg(TestLesson).arg(field));
    return value.toString();
}

void TestScreen::setLabelText(int index, const QString& text)
{
    if (QLabel* label = Labelx(index))
        label->setText(text);
}

void TestScreen::setLabelColour(int index, const QColor& colour)
{
    QLabel* label = Labelx(index);
    if (!label)
        return;
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void TestScreen::showCounter()
{
    setLabelText(CounterLabel, QStringLiteral("%1/%2").arg(position() + 1).arg(QuestionCount));
}

void TestScreen::clearMarks()
{
    // A test taken again starts clean: no answer marked, the result view off. The points
    // of the questions stay until they are answered again, as the course counts them.
    for (int i = int(Imagex.size()) - 1; i >= 1; --i) {
        if (!tag(i).isEmpty() || i == ResultButton) {
            Imagex[size_t(i)]->clear();
            button(i).state = 0;
        }
    }
    ResultView = false;
    if (QLabel* percent = Labelx(PercentLabel))
        percent->hide();
    // The chosen answer's blue goes; a first sitting keeps the colours the rows gave.
    if (std::any_of(Answers.cbegin(), Answers.cend(), [](const AnswerRecord& answer) { return answer.Answered; }))
        ResetAnswerColours();
}

void TestScreen::ContarPuntos()
{
    m_questions->moveFirst();
    MaxPoints = 0;
    // Column 4 has no text of its own and never counts towards the maximum.
    for (; !m_questions->isEof(); m_questions->moveNext())
        MaxPoints += points(1) + points(2) + points(3);
    QuestionCount = m_questions->recordCount();
    QuestionPoints.resize(size_t(QuestionCount) + 1, 0);
    m_questions->moveFirst();
    showCounter();
}

void TestScreen::ShowQuestion()
{
    for (int k = 1; k <= 3; ++k)
        setLabelText(AnswerLabel[size_t(k)], questionText(QStringLiteral("textorespuesta%1").arg(k)));
    setLabelText(QuestionLabel, questionText(QStringLiteral("textopregunta")));
    for (int i = 1; i <= int(Labels.size()); ++i) {
        if (i != PercentLabel)
            Labelx(i)->show();
    }
}

void TestScreen::NextQuestion()
{
    moveQuestion(1);
}

void TestScreen::PreviousQuestion()
{
    moveQuestion(-1);
}

void TestScreen::moveQuestion(int step)
{
    ResetAnswerColours();
    if (QLabel* percent = Labelx(PercentLabel))
        percent->hide();
    // Past either end the cursor comes back, and the question is not shown again.
    if (step > 0) {
        m_questions->moveNext();
        if (m_questions->isEof())
            m_questions->movePrevious();
        else
            ShowQuestion();
    } else {
        m_questions->movePrevious();
        if (m_questions->isBof())
            m_questions->moveNext();
        else
            ShowQuestion();
    }
    showCounter();
    traceTest(step > 0 ? "next" : "previous");
    // The answer buttons go blank; the chosen one of an answered question stays shown.
    for (int i = int(Imagex.size()) - 1; i >= 1; --i) {
        if (!tag(i).isEmpty()) {
            Imagex[size_t(i)]->clear();
            button(i).state = 0;
        }
    }
    const int at = position();
    if (at < 0 || !Answers.at(size_t(at)).Answered)
        return;
    const int chosen = Answers[size_t(at)].ChosenButton;
    FrameButton* chosenButton = Imagex.at(size_t(chosen));
    if (ResultView)
        chosenButton->setPixmap(m_marker);
    else
        chosenButton->clear();
    chosenButton->show();
    chosenButton->raise();
    button(chosen).state = LatchedState;
    if (ResultView)
        ShowCorrectAnswer();
    MarkChosenAnswer();
}

void TestScreen::ShowCorrectAnswer()
{
    // The last of answers 1 to 3 that earns points; answer 4 is never the right one.
    int correct = 0;
    for (int k = 1; k <= 3; ++k) {
        if (points(k) > 0)
            correct = AnswerButton[size_t(k)];
    }
    // No answer earns points (or no button carries it): no button is marked.
    if (correct == 0)
        return;
    const int chosen = Answers.at(size_t(position())).ChosenButton;
    FrameButton* correctButton = Imagex.at(size_t(correct));
    correctButton->setPixmap(m_looks.at(size_t(chosen)).pressed);
    button(correct).state = LatchedState;
    correctButton->show();
    correctButton->raise();
}

void TestScreen::MarkChosenAnswer()
{
    const int at = position();
    if (at >= 0)
        MarkPressedAnswer(Answers.at(size_t(at)).ChosenButton);
}

void TestScreen::MarkPressedAnswer(int index)
{
    for (int k = 1; k <= 3; ++k) {
        if (index != 0 && index == AnswerButton[size_t(k)])
            setLabelColour(AnswerLabel[size_t(k)], QColor(0, 0, 255));
    }
}

void TestScreen::ResetAnswerColours()
{
    for (int k = 1; k <= 3; ++k)
        setLabelColour(AnswerLabel[size_t(k)], Qt::black);
}

// ---------------------------------------------------------------- answering and the result view

void TestScreen::sumScore()
{
    Score = 0;
    for (int i = 0; i <= position(); ++i)
        Score += QuestionPoints.at(size_t(i));
}

QString TestScreen::percentCaption() const
{
    // Whole per cent, truncated towards zero; an empty total gives 0 %.
    const qint64 percent = MaxPoints == 0 ? 0 : qint64(Score) * 100 / MaxPoints;
    return QStringLiteral("%1 %").arg(percent);
}

void TestScreen::AnswerClick(int index)
{
    const int at = position();
    if (at < 0)
        return; // before the first question or past the last
    if (QLabel* percent = Labelx(PercentLabel))
        percent->hide();
    Answers.at(size_t(at)) = AnswerRecord { true, index };
    if (ResultView)
        ButtonClick(ResultButton); // the result button switches the view off
    const QString answer = tag(index);
    if (answer == QLatin1String("1") || answer == QLatin1String("2") || answer == QLatin1String("3") || answer == QLatin1String("4"))
        QuestionPoints.at(size_t(at)) = points(answer.toInt());
    sumScore();
    setLabelText(PercentLabel, percentCaption());
    traceTest("answer",
        { { QStringLiteral("question"), at + 1 }, { QStringLiteral("chosen"), answer.toInt() },
            { QStringLiteral("button"), index }, { QStringLiteral("points"), QuestionPoints.at(size_t(at)) } });
    keepFinishedAttempt();
    NextQuestion();
}

void TestScreen::keepFinishedAttempt()
{
    if (!m_keptAttempt.isEmpty() || QuestionCount == 0)
        return;
    TestAttempt attempt;
    for (int i = 0; i < QuestionCount; ++i) {
        const AnswerRecord& answer = Answers.at(size_t(i));
        if (!answer.Answered)
            return; // not finished yet
        attempt.answers << tag(answer.ChosenButton).toInt();
        attempt.points += QuestionPoints.at(size_t(i));
    }
    ModuleState& state = shell().state();
    attempt.id = TestAttempt::newId();
    attempt.lesson = state.CurrentLesson;
    attempt.finished = QDateTime::currentDateTimeUtc();
    attempt.maximum = MaxPoints;
    attempt.percent = MaxPoints == 0 ? 0 : qint32(qint64(attempt.points) * 100 / MaxPoints);
    try {
        LearnerStore& store = learnerStore(state);
        attempt.learner = store.learner();
        store.saveAttempt(attempt);
        m_keptAttempt = attempt.id;
        traceTest("attempt",
            { { QStringLiteral("id"), attempt.id }, { QStringLiteral("lesson"), attempt.lesson }, { QStringLiteral("points"), attempt.points },
                { QStringLiteral("maximum"), attempt.maximum }, { QStringLiteral("attempt_percent"), attempt.percent },
                { QStringLiteral("answers"), attempt.answersText() } });
    } catch (const CourseError& error) {
        // The test goes on as it was; the learner hears of it once, the trace every time.
        traceTest("attempt", { { QStringLiteral("error"), error.message() } });
        if (!m_toldKeepFailed) {
            m_toldKeepFailed = true;
            ErrorReport::notice(shell().trace(),
                QStringLiteral("No se ha podido guardar el resultado de esta prueba. Puedes seguir con el curso."));
        }
    }
}

void TestScreen::ResultClick(int index)
{
    FrameButton* clicked = Imagex.at(size_t(index));
    QLabel* percent = Labelx(PercentLabel);
    if (!ResultView) {
        const int at = position();
        if (at >= 0 && Answers.at(size_t(at)).Answered) {
            FrameButton* chosen = Imagex.at(size_t(Answers[size_t(at)].ChosenButton));
            chosen->show();
            chosen->raise();
            chosen->setPixmap(m_marker);
            ShowCorrectAnswer();
        }
        clicked->setPixmap(m_looks.at(size_t(index)).pressed);
        sumScore();
        if (percent) {
            percent->setText(percentCaption());
            percent->show();
            percent->raise();
        }
        button(index).state = LatchedState;
        ResultView = true;
    } else {
        clicked->clear();
        if (percent)
            percent->hide();
        button(index).state = 0;
        ResultView = false;
    }
    traceTest("result", { { QStringLiteral("on"), ResultView } });
}

// ---------------------------------------------------------------- buttons

void TestScreen::ButtonClick(int index)
{
    ModuleState& state = shell().state();
    SoundChannels& sounds = shell().sounds();
    Navigator& navigator = shell().navigator();
    switch (buttons().at(size_t(index)).accion) {
    case Leave:
        sounds.channel(SoundChannels::Channel::Single).stop();
        navigator.GoBack(state.CurrentScreen);
        state.ActivationHold = false;
        // Unloaded once it has been left; with nowhere to go back to the learner stays.
        if (isHidden())
            shell().unloadWindow(this);
        break;
    case Explorer:
        openOver(QStringLiteral("frmexp"), [&] { navigator.RunNavAction(Navigator::Explorar, state.CurrentScreen); });
        break;
    case Forward:
        // Only when the lesson row has a row after it; the lesson cursor stays where it is.
        if (m_lesson && m_lesson->absolutePosition() >= 0 && m_lesson->absolutePosition() + 1 < m_lesson->recordCount())
            navigator.GoForward(state.CurrentScreen);
        break;
    case Back:
        if (m_lesson && m_lesson->absolutePosition() > 0)
            navigator.GoBack(state.CurrentScreen);
        break;
    case Answer:
        AnswerClick(index);
        break;
    case PreviousButton:
        PreviousQuestion();
        break;
    case NextButton:
        NextQuestion();
        break;
    case OpenPanel: {
        const ButtonRecord& record = buttons().at(size_t(index));
        PanelCred->move(record.left, record.bottom);
        PanelCred->show();
        PanelCred->raise();
        traceTest("panel", { { QStringLiteral("accion"), OpenPanel } });
        break;
    }
    case Result:
        ResultClick(index);
        break;
    case Glossary:
        openOver(QStringLiteral("frmind"), [&] { navigator.OpenGlossary(); });
        break;
    case Introduction:
        sounds.PlaySoundFile(m_introduction);
        sounds.channel(SoundChannels::Channel::Single).run();
        break;
    case SecondSound:
        sounds.PlaySoundFile(m_secondSound);
        sounds.channel(SoundChannels::Channel::Single).run();
        break;
    case VolumeButton:
        volumen->show();
        volumen->raise();
        break;
    case SoundOnOff:
        ToggleBackgroundSound(index);
        break;
    default:
        break;
    }
}

void TestScreen::openOver(const QString& window, const std::function<void()>& open)
{
    if (!shell().window(window)) {
        shell().trace().event("overlay", { { QStringLiteral("window"), window }, { QStringLiteral("op"), QStringLiteral("missing") } });
        return;
    }
    shell().state().ExplorerOpen = true;
    open();
}

void TestScreen::ToggleBackgroundSound(int index)
{
    ModuleState& state = shell().state();
    FrameButton* soundButton = Imagex.at(size_t(index));
    if (state.BackgroundSoundOn) {
        shell().sounds().pauseBackground();
        state.BackgroundSoundOn = false;
        button(index).state = LatchedState;
        soundButton->show();
    } else {
        shell().sounds().restartBackground();
        state.BackgroundSoundOn = true;
        button(index).state = 0;
        soundButton->hide();
    }
    shell().trace().event("sound_button", { { QStringLiteral("on"), state.BackgroundSoundOn } });
}

void TestScreen::ButtonMouseDown(int index)
{
    const ButtonLook& look = m_looks.at(size_t(index));
    if (look.pressed.isNull())
        return;
    // An answer button keeps its look: its pressed picture marks the right answer.
    if (buttons().at(size_t(index)).accion != Answer)
        Imagex.at(size_t(index))->setPixmap(look.pressed);
    MarkPressedAnswer(index);
}

void TestScreen::ButtonMouseUp(int index)
{
    // A button not held on is left transparent over the background.
    if (buttons().at(size_t(index)).state == 0)
        Imagex.at(size_t(index))->clear();
}

void TestScreen::aboutToLight(int index)
{
    // The button may have been left blank by a release or a move of question.
    Imagex.at(size_t(index))->setPixmap(m_looks.at(size_t(index)).lit);
}

void TestScreen::BackgroundMouseMove(int x, int y)
{
    volumen->hide();
    if (PanelCred->isVisible())
        PanelCred->hide();
    FramedScreen::BackgroundMouseMove(x, y);
}

// ---------------------------------------------------------------- the panel

void TestScreen::PanelMouseMove(int x, int y)
{
    for (size_t i = 1; i < m_panelButtons.size(); ++i) {
        FrameButton* panelButton = Imagex5[i];
        if (m_panelButtons[i].contains(x, y) && panelButton->isHidden()) {
            shell().sounds().startClickSound();
            panelButton->show();
            panelButton->raise();
        } else if (m_panelButtons[i].state == 0) {
            panelButton->hide();
        }
    }
}

void TestScreen::PanelClick(int index)
{
    const int accion = m_panelButtons.at(size_t(index)).accion;
    traceTest("panel", { { QStringLiteral("accion"), accion } });
    switch (accion) {
    case BigPicture:
        shell().navigator().SwitchScreen(this, QStringLiteral("frmc"));
        break;
    case EndCourse:
        shell().endProgram();
        break;
    default:
        break;
    }
    PanelCred->hide();
}

// ---------------------------------------------------------------- answer labels

void TestScreen::LabelMouseDown(int answer)
{
    setLabelColour(AnswerLabel.at(size_t(answer)), QColor(0, 0, 255));
    if (const int index = AnswerButton.at(size_t(answer)))
        Imagex.at(size_t(index))->show();
}

void TestScreen::LabelClick(int answer)
{
    ButtonClick(AnswerButton.at(size_t(answer)));
}

bool TestScreen::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    const int answer = label ? label->property(answerProperty).toInt() : 0;
    if (answer < 1 || answer > 4)
        return FramedScreen::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            shell().guarded([&] { LabelMouseDown(answer); });
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A click is a press and a release over the label.
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            shell().trace().event("label", { { QStringLiteral("window"), windowName() }, { QStringLiteral("answer"), answer } });
            shell().guarded([&] { LabelClick(answer); });
        }
        return true;
    }
    return FramedScreen::eventFilter(watched, event);
}

// ---------------------------------------------------------------- trace

void TestScreen::traceTest(const char* op, QJsonObject fields) const
{
    fields.insert(QStringLiteral("op"), QString::fromLatin1(op));
    if (!fields.contains(QStringLiteral("question")))
        fields.insert(QStringLiteral("question"), position() + 1);
    fields.insert(QStringLiteral("count"), QuestionCount);
    fields.insert(QStringLiteral("score"), Score);
    fields.insert(QStringLiteral("max"), MaxPoints);
    fields.insert(QStringLiteral("percent"), MaxPoints == 0 ? 0 : qint64(Score) * 100 / MaxPoints);
    shell().trace().event("test", fields);
}
