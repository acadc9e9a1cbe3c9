#pragma once

#include <QString>
#include <QStringList>

/// A classroom database on the private PostgreSQL cluster of tests/with-postgres.sh: made
/// afresh with the installed set-up (course/schema/classroom.sql), with learner and
/// teacher logins. Tests skip when they run outside the harness.
class ClassroomServer {
public:
    /// True inside tests/with-postgres.sh.
    static bool isAvailable();
    /// Makes database NAME afresh and runs the set-up in it, or the set-up of the version
    /// before courses were told apart (tests/classroom-before-courses.sql). Throws CourseError.
    enum Start { SetUp, EarlierSetUp };
    explicit ClassroomServer(const QString& name, Start start = SetUp);
    ~ClassroomServer();

    QString database() const { return m_database; }
    /// The BDW= value of the learner (or teacher) USER: a keyword string, quoted as libpq wants.
    QString target(const QString& user) const;
    /// Makes login USER a learner (or, with TEACHER, a teacher); an existing one is kept.
    enum Role { Learner, Teacher };
    void addLogin(const QString& user, Role role = Learner) const;
    /// Takes every login out of the learners' group (roles are the cluster's, shared by
    /// every test), so that the class is the learners a test adds next.
    void emptyClass() const;
    /// Runs SQL as the cluster's superuser; the rows, one per line, columns by "|".
    QString sql(const QString& sql) const;
    /// Runs the set-up (course/schema/classroom.sql) as the database's owner, with
    /// -v curso=COURSE when given. Throws CourseError with what psql said.
    void setUp(const QString& course = {}) const;
    /// The database's schema as pg_dump writes it.
    QString schema() const;
    /// Stops, starts or kills the whole cluster.
    static void control(const char* what);

private:
    QString m_database;
};
