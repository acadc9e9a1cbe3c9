#pragma once

#include <QtGlobal>
#include <memory>

class Database;
class Recordset;
class Trace;

/// The learner's register of visited video-learning lessons: table `lecciones_usuario`
/// of the learner database, one row (id 0, leccion, grabada true) per lesson. Rows are
/// only ever appended, and each append is committed before MarkLessonVisited returns,
/// so that a program killed right after a click keeps the visit and an intact file.
class VisitedLessons {
public:
    /// Opens `lecciones_usuario` of USERDB as a dynaset; throws CourseError when the
    /// table is missing or the database is read-only.
    VisitedLessons(Database& userDb, Trace& trace);
    ~VisitedLessons();
    VisitedLessons(const VisitedLessons&) = delete;
    VisitedLessons& operator=(const VisitedLessons&) = delete;

    /// Registers LESSON: appends its row unless there is one. True when it was already there.
    bool MarkLessonVisited(qint16 lesson);
    /// True when LESSON has a row, as the register stood when last read.
    bool IsLessonVisited(qint16 lesson);

    /// Reads the register again from the database (after the learner's work was erased).
    void reload();

private:
    static QString criterion(qint16 lesson);

    Database& m_userDb;
    Trace& m_trace;
    std::unique_ptr<Recordset> m_rows;
};
