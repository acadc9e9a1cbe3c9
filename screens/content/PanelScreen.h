#pragma once

#include "FramedScreen.h"

#include <memory>

class ControlPanel;
class CourseError;
class Recordset;

/// What the carousel and the video screen share beside the frame: the movable control
/// panel `VidControl` (row kind 7) with its minimise icon `Minimizar` (dressed by the
/// button of action 25), a `Timer1` that only rewinds the click sound, the lesson's
/// title in `Label1`, and the leave, help and minimise buttons.
class PanelScreen : public FramedScreen {
    Q_OBJECT

public:
    /// Button actions both screens know.
    enum SharedAction { Leave = 15, Help = 23, MinimisePanel = 25 };
    /// The row kind that places the control panel.
    static constexpr int PanelKind = 7;

    PanelScreen(Shell& shell, const QString& windowName, qint16 number);

    ControlPanel* VidControl = nullptr;

    /// The click-channel upkeep of `Timer1`: a click sound that has played to its end is
    /// paused and rewound so that the next click plays it again. Errors are ignored.
    void ClickUpkeep();

protected:
    bool loadObject(int kind, const Recordset& row) override;
    void loadFinished() override;
    bool buttonMayLight(int index) const override;
    /// A screen that is left falls silent, however it is left.
    void screenLeft() override;
    /// Starts the click sound, then acts on the button's `accion`: the shared actions
    /// here, the others in screenAction().
    void ButtonClick(int index) override;

    /// The screen's own action ACCION (button INDEX); the click sound has been started.
    virtual void screenAction(int accion, int index) = 0;
    /// Silences the screen's own sound or video before it is left or covered by the help.
    virtual void stopMedia() = 0;

    /// The row of `CurrentLesson` in `lecciones`; throws CourseError when there is none.
    std::unique_ptr<Recordset> currentLessonRow() const;
    /// Shows TITLE in `Label1`, when the screen has one.
    void showTitle(const QString& title);
    /// Tells the learner about a missing or unplayable file without leaving the screen.
    void reportProblem(const CourseError& error);
};
