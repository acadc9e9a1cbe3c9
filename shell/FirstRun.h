#pragma once

#include "CourseFolder.h"

#include <QString>

class Trace;

/// What a course's set-up program did on the learner's machine, done by the player at its
/// first start for this user, so that a player chosen from the desktop's menu just works:
/// the course's learner database (`usrcurso.mdb`) and the recorder's template
/// (`ejgrab.wav`) are copied into the user's data folder, and `expert.ini` is written in
/// the user's configuration folder, naming that database under the course's section
/// (`dirdef` of `inst.ini`) and under the program's own. Nothing that exists is overwritten.
class FirstRun {
public:
    explicit FirstRun(const CourseFolder& course);

    /// Whether this start is a first one: there is no `expert.ini` yet and the course
    /// carries a learner database to start from. A course without one has no set-up to
    /// repeat; its start fails naming the missing `expert.ini`, as it always did.
    bool isDue() const;

    /// Prepares the user's folders and writes the `first_run` {config, data} event.
    /// Throws CourseError naming the file that could not be copied or written.
    void run(Trace& trace) const;

private:
    void copyOnce(const QString& name, const QString& into) const;
    void writeExpertIni(const QString& learnerDatabase) const;

    CourseFolder m_course;
};
