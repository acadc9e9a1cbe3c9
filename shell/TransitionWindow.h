#pragma once

#include <QWidget>

class PictureEffect;
class Screen;
class Shell;

/// `frmt`: every change of screen passes through it. It lies over the stage, runs its
/// picture effect from the screen left to the background of the screen entered, and at
/// the effect's end shows that screen and hides itself.
class TransitionWindow : public QWidget {
    Q_OBJECT

public:
    explicit TransitionWindow(Shell& shell);

    /// Starts the effect towards TARGET's background and shows the window over the stage.
    void run(Screen& target);
    /// Shows TARGET straight away, for when the effect cannot run.
    void finishAt(Screen& target);

    PictureEffect* transicion = nullptr;

private:
    void TransitionLoad();
    void TransitionDone();

    Shell& m_shell;
};
