#pragma once

#include "FixtureCourse.h"
#include "ModuleState.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <memory>
#include <optional>

/// The shell of a running player, in the test's own process, on a fixture course:
/// state with the content database open, a trace to a file, the host window, the shell.
class ShellHarness {
public:
    explicit ShellHarness(const FixtureCourse& course);
    ~ShellHarness();

    ModuleState state;
    Trace trace;
    std::unique_ptr<ScreenHost> host;
    std::unique_ptr<Shell> shell;
    /// The status the program was ended with (Shell::endProgram), which here ends nothing.
    std::optional<int> endStatus;

    /// The trace's events so far, optionally only those named NAME.
    QList<QJsonObject> events(const QString& name = {}) const;
    /// How many `sound` events of CHANNEL with operation OP were written.
    int soundCount(const QString& channel, const QString& op) const;

    /// Answers the next question the shell asks (Shell::ask) by clicking its button
    /// CAPTION ("Sí", "No") or, with an empty caption, by pressing Esc; what the box held
    /// is kept in askedText and the caption of its default button in askedDefault.
    void answerNextQuestion(const QString& caption);
    QString askedText;
    QString askedDefault;

private:
    QString m_traceFile;
};
