#pragma once

#include <QString>

class CourseError;
class Trace;

/// The general error report: what the program says when the course cannot go on.
namespace ErrorReport {

/// Writes an `error` trace event (`message` the technical account, `text` what the
/// learner is shown) and both on standard error, and shows the learner's text in a message
/// box when there is a display to show it on. The caller then ends the program.
void fatal(Trace& trace, const CourseError& error);

/// As above for a failure that has only its technical account: the learner is shown the
/// general text.
void fatal(Trace& trace, const QString& message);

/// Writes a `notice` trace event and the message on standard error, and shows it in a
/// message box when there is a display: something the learner should know, after which
/// the course goes on.
void notice(Trace& trace, const QString& message);

/// What the learner is told of a failure that has no words of its own for him.
QString generalText();

/// What the learner is told of the failure MESSAGE when it names a file of the course
/// that is missing ("missing file ..."); empty for any other.
QString missingFileText(const QString& message);

/// The program's title, used as the caption of its windows and message boxes.
QString programTitle();

} // namespace ErrorReport
