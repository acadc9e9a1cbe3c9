#pragma once

#include <QString>

class Trace;

/// The general error report: what the program says when the course cannot go on.
namespace ErrorReport {

/// Writes an `error` trace event and the message on standard error, and shows it in a
/// message box when there is a display to show it on. The caller then ends the program.
void fatal(Trace& trace, const QString& message);

/// Writes a `notice` trace event and the message on standard error, and shows it in a
/// message box when there is a display: something the learner should know, after which
/// the course goes on.
void notice(Trace& trace, const QString& message);

/// The program's title, used as the caption of its windows and message boxes.
QString programTitle();

} // namespace ErrorReport
