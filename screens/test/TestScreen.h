#pragma once

#include "FramedScreen.h"

#include <QJsonObject>
#include <QPixmap>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class FrameButton;
class PictureSurface;
class QLabel;
class Recordset;

/// `frmtest`, screen 14: the multiple-choice test of lesson 1500. One question at a time
/// with up to four answer buttons, the counter (3/10), the score in per cent shown by the
/// result view, which also marks the learner's choice and the right answer, the test's two
/// spoken files, and a pop-up panel `PanelCred` with buttons of its own (the big picture,
/// leaving the course). The answers live while the screen does; once every question of a
/// sitting has its answer, the finished attempt is kept in the learner store.
class TestScreen : public FramedScreen {
    Q_OBJECT

public:
    /// What the screen's buttons do (`accion`).
    enum TestAction {
        Leave = 15,
        Explorer = 28,
        Forward = 30,
        Back = 31,
        Answer = 34,
        PreviousButton = 35,
        NextButton = 36,
        OpenPanel = 37,
        BigPicture = 38,
        EndCourse = 39,
        Result = 40,
        Glossary = 41,
        Introduction = 42,
        SecondSound = 43,
        VolumeButton = 44,
        SoundOnOff = 45,
    };
    /// The kinds of row the test adds to the frame's.
    enum TestObject { PanelPicture = 27, Marker = 31 };
    /// The lesson whose questions make the test.
    static constexpr qint16 TestLesson = 1500;

    /// One question's answer: whether it was answered, and the `Imagex` index chosen.
    struct AnswerRecord {
        bool Answered = false;
        int ChosenButton = 0;
    };

    explicit TestScreen(Shell& shell);
    ~TestScreen() override;

    // The test's own objects.
    PictureSurface* PanelCred = nullptr;
    std::vector<FrameButton*> Imagex5; ///< the panel's buttons; element 0 is the hidden template
    /// The panel's button table, of the frame's layout; index = `Imagex5` index.
    const std::vector<ButtonRecord>& panelButtons() const { return m_panelButtons; }

    // Roles of the labels (`Labelx` indices from 1, 0 when none) and of the buttons (`Imagex` indices).
    int QuestionLabel = 0;
    std::array<int, 5> AnswerLabel {}; ///< [1] to [4]
    int PercentLabel = 0;
    int CounterLabel = 0;
    std::array<int, 5> AnswerButton {}; ///< [1] to [4]
    int ResultButton = 0;
    QString MarkerBitmap;

    // The test's state. Points and totals are 32-bit.
    qint32 MaxPoints = 0;
    qint32 Score = 0;
    qint32 QuestionCount = 0;
    std::vector<qint32> QuestionPoints; ///< 0 … QuestionCount; kept until the screen is unloaded
    std::vector<AnswerRecord> Answers; ///< 0 … QuestionCount; cleared at every activation
    bool ResultView = false;

    /// Label INDEX of `Labelx` (from 1), nullptr for 0 or an index no row made.
    QLabel* Labelx(int index) const;
    /// The `Tag` of `Imagex` button INDEX: "1" to "4" for the answer buttons, else "".
    QString tag(int index) const;
    /// The 0-based position of the current question, -1 when the cursor is on none.
    int position() const;
    /// The caption the percentage label gets now.
    QString percentCaption() const;

    // Routines and handlers, public so that tests can drive them as events do.
    /// Every answer mark and the result view of an earlier sitting gone.
    void clearMarks();
    void ContarPuntos();
    void ShowQuestion();
    void NextQuestion();
    void PreviousQuestion();
    void ShowCorrectAnswer();
    void MarkChosenAnswer();
    void ResetAnswerColours();
    void MarkPressedAnswer(int index);
    void AnswerClick(int index);
    void ResultClick(int index);
    void ButtonClick(int index) override;
    void ButtonMouseDown(int index);
    void ButtonMouseUp(int index);
    void PanelClick(int index);
    void PanelMouseMove(int x, int y);
    void LabelMouseDown(int answer);
    void LabelClick(int answer);
    void BackgroundMouseMove(int x, int y) override;

protected:
    void ScreenLoad() override;
    bool takeRow(int kind, const Recordset& row) override;
    bool loadObject(int kind, const Recordset& row) override;
    void buttonBuilt(int index, const Recordset& row) override;
    void aboutToLight(int index) override;
    /// The test decides by `ExplorerOpen` alone, in its activation: closing the glossary
    /// keeps the test, closing the explorer (which clears the flag) starts it afresh.
    bool activationHeld(Activation cause) const override
    {
        Q_UNUSED(cause)
        return false;
    }
    void ScreenActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// What the test keeps of each `Imagex` button beside the frame's record.
    struct ButtonLook {
        QString tag;
        QPixmap lit; ///< `bitmapactivable`
        QPixmap pressed; ///< `bitmapactivo`, null when the row names none
    };

    void buildAnswerOrPlainButton(const Recordset& row);
    void buildPanelButton(const Recordset& row);
    void buildTestLabel(const Recordset& row);
    /// The picture NAME of the course, or none for an empty name.
    QPixmap pictureOrNone(const QString& name) const;

    /// Moves one question on (STEP 1) or back (-1); the common part of NextQuestion and PreviousQuestion.
    void moveQuestion(int step);
    void showCounter();
    /// Score := the points of the first question up to the current one.
    void sumScore();
    /// Points of answer COLUMN (1 to 4) of the current question; throws CourseError when empty.
    qint32 points(int column) const;
    /// Text FIELD of the current question; throws CourseError when empty (null).
    QString questionText(const QString& field) const;
    void setLabelText(int index, const QString& text);
    void setLabelColour(int index, const QColor& colour);
    /// Sets `ExplorerOpen` and opens WINDOW over the test with OPEN; a window this player
    /// lacks opens nothing and leaves `ExplorerOpen` alone.
    void openOver(const QString& window, const std::function<void()>& open);
    void ToggleBackgroundSound(int index);
    void traceTest(const char* op, QJsonObject fields = {}) const;
    /// Keeps the sitting's attempt once every question has its answer (once per sitting).
    void keepFinishedAttempt();

    std::vector<ButtonLook> m_looks; ///< index = `Imagex` index
    std::vector<ButtonRecord> m_panelButtons;
    QPixmap m_marker;
    std::unique_ptr<Recordset> m_questions; ///< the test cursor
    std::unique_ptr<Recordset> m_lesson;
    QString m_introduction; ///< `nombre_fichero1`
    QString m_secondSound; ///< `nombre_fichero2`
    QString m_keptAttempt; ///< id of the sitting's attempt once kept; empty before
    bool m_toldKeepFailed = false; ///< the learner was told an attempt could not be kept
};
