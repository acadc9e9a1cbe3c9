#pragma once

#include <QString>

class CourseError;
class QWidget;
class Shell;

/// Tells the learner that a file of the lesson is missing or cannot be played, naming it,
/// without ending the course: the message does not block the event loop, and the screen
/// behind it stays usable once it is closed. The trace gets a `message` event.
void reportMediaProblem(Shell& shell, QWidget* over, const CourseError& error);
