#pragma once

#include <QString>

class CourseError;
class QWidget;
class Shell;

/// Tells the learner in Spanish that a file of the lesson is missing or cannot be played,
/// without ending the course: the message does not block the event loop, and the screen
/// behind it stays usable once it is closed. The trace gets a `message` event whose
/// `detail` names the file and the cause.
void reportMediaProblem(Shell& shell, QWidget* over, const CourseError& error);
