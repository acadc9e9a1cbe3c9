#pragma once

#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Database;

/// A chapter of the course as the report counts it: the video-learning lessons under it,
/// the lessons whose visits the player registers.
struct ReportChapter {
    int number = 0;
    QString name;
    QSet<int> lessons;
};

/// One learner's progress: the lessons visited (by chapter), his test attempts and his
/// latest activity that the records date.
struct LearnerProgress {
    QString name;
    QSet<int> visited;
    int attempts = 0;
    std::optional<int> bestPercent;
    QDateTime lastActivity; ///< UTC; invalid when nothing is dated

    int visitedIn(const ReportChapter& chapter) const;
};

/// The class's progress in one course, read from the course's content database (its
/// chapters) and from any number of learner sources: a classroom server (that course's
/// rows the login may read, a teacher's reads all, and every learner of the classroom,
/// also one with no rows yet) or a learner database file (one learner).
class ClassProgress {
public:
    /// Reads the chapters of the course in COURSEFOLDER (its bbm.mdb) and the course's
    /// identifier on the server. Throws CourseError, in Spanish.
    explicit ClassProgress(const QString& courseFolder);

    /// The identifier under which the classroom server keeps a course's rows: the section
    /// its inst.ini names (PRMS, dirdef). Throws CourseError when there is none.
    static QString courseIdentifier(const QString& courseFolder);

    /// Adds the learners of SOURCE: a `postgresql://…` URI or libpq keyword string, or a
    /// learner database file, whose learner is NAME (or, without it, the name its attempts
    /// carry, else the file's folder). Throws CourseError naming the source.
    void addSource(const QString& source, const QString& name = {});

    QString course() const { return m_course; }
    const std::vector<ReportChapter>& chapters() const { return m_chapters; }
    /// The learners, by name.
    std::vector<LearnerProgress> learners() const;

private:
    void addServer(const QString& target);
    void readServer(const QString& target);
    void addFile(const QString& file, const QString& name);
    void readFile(const QString& file, const QString& name);
    LearnerProgress& learner(const QString& name);
    static void touch(LearnerProgress& learner, const QDateTime& when);

    QString m_course;
    std::vector<ReportChapter> m_chapters;
    QMap<QString, LearnerProgress> m_learners;
};
