#pragma once

#include <QString>

/// The learner folder of a course, found as the player finds it when it starts: the course
/// given, else the player's own (the build's demo course or the installed one); the folder
/// of the learner database its settings name, or the course's own folder for a classroom
/// server. A course the user has never started is set up as the player's first start sets
/// it up, so that the player then finds the same folder.
namespace CourseLearner {

/// The folder, ending in "/"; throws CourseError with the learner's words when the course
/// or its settings cannot be found.
QString folder(const QString& course);

} // namespace CourseLearner
