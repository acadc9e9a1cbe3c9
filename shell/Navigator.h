#pragma once

#include <QString>

class QListWidget;
class Screen;
class Shell;

/// Which screen comes next: lessons open the screen their `tipo` names, every change of
/// screen goes through the transition window, and the visit history gives the
/// navigation lists their back, forward and home entries.
class Navigator {
public:
    /// The actions stored with the entries of a navigation list.
    enum NavAction { Anterior = 0, Siguiente = 1, Principal = 2, Buscar = 3, Glosario = 4, Explorar = 5 };

    explicit Navigator(Shell& shell);

    /// The window name of screen NUMBER, "" when no window serves it.
    static QString ScreenWindow(int number);

    /// Leaves FROM for TO through the transition window. Each step that fails is skipped;
    /// without a target nothing happens and the learner stays where he is.
    /// Returns false when there was no target.
    bool SwitchScreen(Screen* from, Screen* to);
    /// SwitchScreen by window names, creating the target window when needed.
    bool SwitchScreen(Screen* from, const QString& toWindow);

    /// Opens LESSON from FROM: it becomes the current lesson and its screen is entered.
    /// When no window serves the lesson's kind nothing changes and false is returned.
    bool OpenLesson(qint16 lesson, Screen* from);
    /// The "up" of a screen: SelectParentLesson, then the parent's screen is entered.
    /// When no window serves the parent's kind nothing changes and false is returned.
    bool OpenParentLesson(Screen* from);

    void PushHistory(qint16 lesson, qint16 screen);
    void GoBack(int currentScreen);
    void GoForward(int currentScreen);
    void GoHome(int currentScreen);
    void RunNavAction(int action, int currentScreen);
    /// Rebuilds a navigation list from the history and sets `NavListHeight`.
    void FillNavList(QListWidget& list);
    void OpenGlossary();
    void OpenExplorer();
    /// Moves `CurrentLesson` up to the lesson it is reached from, when it has one.
    void SelectParentLesson();
    void SetScreenEnabled(int number, bool enabled);
    void ResetCarouselPicture(int number);

    /// The kind of the conversation lessons, the learner's own videos among them.
    static constexpr qint16 ConversationKind = 12;

    /// The `tipo` of LESSON (ConversationKind for the learner's own videos, which no
    /// course table lists); throws CourseError when the lesson is missing.
    qint16 lessonTipo(qint16 lesson) const;

private:
    void moveThroughHistory(int currentScreen);
    void traceNoWindow(Screen* from, int screen) const;
    void openOverlay(const QString& name);
    Screen* windowOf(int number) const;

    Shell& m_shell;
};
