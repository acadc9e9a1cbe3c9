#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "Screen.h"
#include <QString>
#include <functional>
#include <memory>

class CourseError;
class Navigator;
class QDialog;
class ScreenHost;
class SoundChannels;
class Trace;
class TransitionWindow;
struct ModuleState;

/// What every screen is handed: the shared state, the trace, the host window, the sound
/// channels, navigation, and the screens themselves, created on first use by name.
class Shell : public QObject {
    Q_OBJECT

public:
    using Factory = std::function<Screen*(Shell&)>;

    Shell(ModuleState& state, Trace& trace, ScreenHost& host);
    ~Shell() override;

    ModuleState& state() const { return m_state; }
    Trace& trace() const { return m_trace; }
    ScreenHost& host() const { return m_host; }
    SoundChannels& sounds() const { return *m_sounds; }
    Navigator& navigator() const { return *m_navigator; }
    TransitionWindow& transition();

    /// Makes window NAME known, built by FACTORY the first time it is needed.
    void registerWindow(const QString& name, Factory factory);
    /// The window NAME, created (not yet loaded) on first use; nullptr when no such window exists.
    Screen* window(const QString& name);
    /// The window NAME when it has been created, without creating it.
    Screen* existingWindow(const QString& name) const;

    /// Unloads SCREEN: it is destroyed once the current event is over and built anew
    /// the next time it is needed.
    void unloadWindow(Screen* screen);

    /// Brings SCREEN to the front of the stage, colours the window around it, and
    /// queues its activation.
    void showScreen(Screen* screen);
    /// The screen shown in front, if any. An overlay over it does not change it.
    Screen* currentScreen() const { return m_current; }
    /// Activates the window in front again because a modal window over it has closed:
    /// the open overlay when there is one, otherwise the current screen. Such an
    /// activation does nothing but let the screen take back a hold it set for the window.
    void reactivate();
    /// Runs DIALOG modally over the window in front, then re-activates that window.
    /// Returns the dialog's result.
    int runModal(QDialog& dialog);

    /// A change of screen towards TARGET has begun. Until TARGET is activated, a window
    /// that closes over the screen being left (the explorer that chose a lesson) does
    /// not re-activate anything: TARGET's own activation is the one that counts.
    void beginSwitch(Screen& target);

    /// Shows OVERLAY (a window of its own size, such as the explorer) over the current
    /// screen, which stays the current screen and keeps the window's colour, and queues
    /// the overlay's activation.
    void showOverlay(Screen* overlay);
    /// The overlay open over the current screen, if any.
    Screen* overlay() const { return m_overlay; }
    /// Closes OVERLAY and unloads it; the screen beneath, when it is still shown and no
    /// change of screen is under way, is activated again, as coming back from an overlay.
    /// Also what becomes of an overlay that refuses to open.
    void closeOverlay(Screen* overlay);

    /// Shows the modal message window with TEXT, then re-activates the screen below it.
    void showMessage(const QString& text);

    /// Runs ACTION; a CourseError becomes the general error report and ends the program.
    void guarded(const std::function<void()>& action);
    /// Shows QUESTION in a modal box with the buttons "Sí" and "No" ("No" the default, and
    /// what Esc and closing the box answer), then re-activates the screen below it. True
    /// only for "Sí". Trace: `question` with the `text` and the `answer`.
    bool ask(const QString& question);

    /// Reports ERROR (its learner's text, or the general one) and ends the program with status 1.
    [[noreturn]] void fatal(const CourseError& error);

    /// Ends the program at once with status 0, as a screen's "leave the course" button
    /// does: the `quit` event is written, and nothing else runs. Nothing is lost: the
    /// learner database is written as the learner goes and the screens keep nothing else.
    void endProgram();
    /// How endProgram() leaves, given the status; by default the process ends there and
    /// then. A test in the player's own process puts something that returns in its place.
    void setProgramEnd(std::function<void(int status)> end);

signals:
    /// OVERLAY has been shown over the current screen, which stays shown beneath it.
    void overlayShown(Screen* overlay);

private:
    void queueActivation(Screen* screen, Screen::Activation cause);

    ModuleState& m_state;
    Trace& m_trace;
    ScreenHost& m_host;
    std::unique_ptr<SoundChannels> m_sounds;
    std::unique_ptr<Navigator> m_navigator;
    TransitionWindow* m_transition = nullptr;
    QHash<QString, Factory> m_factories;
    QHash<QString, Screen*> m_windows;
    QPointer<Screen> m_current;
    QPointer<Screen> m_overlay;
    QPointer<Screen> m_entering; ///< the target of the change of screen under way, until it is activated
    std::function<void(int)> m_programEnd;
};
