#pragma once

#include "OwnLessons.h"

#include <QString>
#include <cstdio>

/// What tamsel-lesson does with the learner's own videos of one course, in Spanish on
/// standard output, and on standard error with the technical reason when it cannot.
/// Each command returns the program's exit status: 0 done, 1 not done.
class LessonCommands {
public:
    explicit LessonCommands(const QString& learnerFolder);

    int add(const OwnLessons::Request& request);
    int list();
    int remove(qint16 number);
    int move(qint16 number, const QString& video);

    /// Writes "tamsel-lesson: MESSAGE" (and the DETAIL in brackets) to standard error; returns 1.
    static int fail(const QString& message, const QString& detail = {});

private:
    /// The lesson NUMBER, or nullopt after saying there is none.
    std::optional<OwnLessons::Lesson> existing(qint16 number) const;

    OwnLessons m_lessons;
};
