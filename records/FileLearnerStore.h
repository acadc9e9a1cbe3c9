#pragma once

#include "LearnerStore.h"

#include <functional>

class Database;

/// The learner store in the learner database file (`usrcurso.mdb`, or the SQLite copy of
/// a Jet file): visits in `lecciones_usuario` (id 0, leccion, grabada true), the erase by
/// the file's own saved query "borrar", and test attempts in `intentos_test`, a table made
/// when the first attempt is kept in a file that predates it.
class FileLearnerStore : public LearnerStore {
public:
    /// DATABASE gives the open learner database at each call (it may be reopened between
    /// calls), or nullptr when none is open.
    explicit FileLearnerStore(std::function<Database*()> database);

    QSet<qint16> visitedLessons() override;
    bool markVisited(qint16 lesson) override;
    void eraseWork() override;
    void saveAttempt(const TestAttempt& attempt) override;
    std::vector<TestAttempt> attempts(qint16 lesson) override;
    QString learner() const override;

    /// The table of test attempts and the SQL that makes it.
    static const QString AttemptsTable;
    static const QString AttemptsSchema;

private:
    Database& database() const;

    std::function<Database*()> m_database;
};
