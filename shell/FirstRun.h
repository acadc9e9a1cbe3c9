#pragma once

#include "CourseFolder.h"

#include <QString>

class Trace;

/// What a course's set-up program did on the learner's machine, done by the player at the
/// first start of each course for this user, so that a player chosen from the desktop's
/// menu just works: the course's learner database (`usrcurso.mdb`) and the recorder's
/// template (`ejgrab.wav`) are copied into a folder of the user's data folder named after
/// the course, and `expert.ini` in the user's configuration folder gets the course's
/// section (`dirdef` of `inst.ini`) naming that database, and the program's own section
/// when it has none. What exists is never changed: sections are only added at the end of
/// `expert.ini`, every byte already there stays, and files already copied are kept.
class FirstRun {
public:
    explicit FirstRun(const CourseFolder& course);

    /// Whether this start is a first one for the course: it carries a learner database to
    /// start from, and `expert.ini` is missing or has no section for the course. A section
    /// that is there, even one without `BDW`, is the user's and is left as it is. A course
    /// without a learner database has no set-up to repeat; its start fails naming what is
    /// missing, as it always did.
    bool isDue() const;

    /// Prepares the user's folders and writes the `first_run` {config, data, learner} event.
    /// Throws CourseError naming the file that could not be read, copied or written.
    void run(Trace& trace) const;

    /// The folder of the data folder that holds this course's learner copy: the course
    /// folder's name (or the disc image's) and a short hash of its path, so that two
    /// courses never share one and the learner can tell them apart ("curso-1a2b3c4d/").
    QString learnerFolder() const;

    /// Makes the learner database FILE afresh from the course's, as a first start does,
    /// when FILE is missing (nothing of the learner's is lost: there is nothing), and writes
    /// the `learner_restored` {file} event. Returns false when the course carries no
    /// learner database to start from. Throws CourseError as run().
    bool restoreLearnerDatabase(const QString& file, Trace& trace) const;

private:
    QString courseSection() const;
    void copyOnce(const QString& name, const QString& into) const;
    /// Copies the course's file SOURCE to TARGET, left writable by its owner.
    static void copyFile(const QString& source, const QString& target);
    /// Removes the learner database COPY just made when it cannot be opened, and throws
    /// ExplainedError naming the course's file.
    void keepOnlyIfItOpens(const QString& copy, Trace& trace) const;
    void addSections(const QString& learnerDatabase) const;

    CourseFolder m_course;
};
