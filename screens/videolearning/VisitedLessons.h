#pragma once

#include <QSet>
#include <QtGlobal>
#include <memory>

class Database;
class LearnerStore;
class Trace;

/// The learner's register of visited video-learning lessons, kept by the learner store
/// (in the learner database file: table `lecciones_usuario`, one row (id 0, leccion,
/// grabada true) per lesson). Rows are only ever appended, and each append is durable
/// before MarkLessonVisited returns, so that a program killed right after a click keeps
/// the visit and an intact file.
class VisitedLessons {
public:
    /// Reads the register of STORE; throws CourseError when it cannot be read or written
    /// (for the file: the table is missing or the database is read-only).
    VisitedLessons(LearnerStore& store, Trace& trace);
    /// The register in the learner database file USERDB.
    VisitedLessons(Database& userDb, Trace& trace);
    ~VisitedLessons();
    VisitedLessons(const VisitedLessons&) = delete;
    VisitedLessons& operator=(const VisitedLessons&) = delete;

    /// Registers LESSON: appends its row unless there is one. True when it was already there.
    bool MarkLessonVisited(qint16 lesson);
    /// True when LESSON has a row, as the register stood when last read.
    bool IsLessonVisited(qint16 lesson);

    /// Reads the register again from the store (after the learner's work was erased).
    void reload();

private:
    std::unique_ptr<LearnerStore> m_ownStore; ///< only when made over a file
    LearnerStore& m_store;
    Trace& m_trace;
    QSet<qint16> m_visited;
};
