#include "FileLearnerStore.h"

#include "CourseError.h"
#include "Database.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "SqlStatement.h"


namespace {

const QString visitsTable = QStringLiteral("lecciones_usuario");

QString visitCriterion(qint16 lesson)
{
    return QStringLiteral("id = 0 and leccion = %1").arg(lesson);
}

} // namespace

const QString FileLearnerStore::AttemptsTable = QStringLiteral("intentos_test");
const QString FileLearnerStore::AttemptsSchema = QStringLiteral(
    "create table if not exists intentos_test (\n"
    "  id         text primary key,     -- the attempt's own id (a UUID)\n"
    "  alumno     text not null,        -- the learner\n"
    "  leccion    integer not null,     -- the test's lesson\n"
    "  fecha      text not null,        -- when it finished, UTC, ISO 8601 with milliseconds\n"
    "  puntos     integer not null,     -- points earned\n"
    "  maximo     integer not null,     -- the test's maximum\n"
    "  porcentaje integer not null,     -- whole per cent, as the result view shows it\n"
    "  respuestas text not null         -- answer chosen per question: 1 to 4, 0 none\n"
    ")");

FileLearnerStore::FileLearnerStore(std::function<Database*()> database)
    : m_database(std::move(database))
{
}

Database& FileLearnerStore::database() const
{
    Database* db = m_database ? m_database() : nullptr;
    if (!db)
        throw CourseError(QStringLiteral("the learner database is not open: the learner's work cannot be read or kept"));
    return *db;
}

QSet<qint16> FileLearnerStore::visitedLessons()
{
    // A dynaset, as the register is opened to be written: a read-only file or a missing
    // table is found here, before the screen relies on it.
    auto rows = database().openRecordset(visitsTable, RecordsetType::Dynaset);
    QSet<qint16> lessons;
    for (bool found = rows->findFirst(QStringLiteral("id = 0")); found; found = rows->findNext(QStringLiteral("id = 0")))
        lessons.insert(qint16(rows->number(QStringLiteral("leccion"))));
    return lessons;
}

bool FileLearnerStore::markVisited(qint16 lesson)
{
    // Read afresh: the learner may have erased his work since the register was last read.
    auto rows = database().openRecordset(visitsTable, RecordsetType::Dynaset);
    const bool known = rows->findFirst(visitCriterion(lesson));
    if (!known) {
        // Outside any transaction the append is its own transaction: committed (and
        // synced) by the time update() returns.
        rows->addNew();
        rows->setValue(QStringLiteral("id"), 0);
        rows->setValue(QStringLiteral("leccion"), lesson);
        rows->setValue(QStringLiteral("grabada"), true);
        rows->update();
    }
    return known;
}

void FileLearnerStore::eraseWork()
{
    Database& db = database();
    // The file's own query says what the learner's register is; the attempts are ours.
    db.queryDef(QStringLiteral("borrar")).execute();
    if (db.hasTable(AttemptsTable))
        db.execute(QStringLiteral("delete from intentos_test"));
}

void FileLearnerStore::saveAttempt(const TestAttempt& attempt)
{
    Database& db = database();
    if (db.isReadOnly())
        throw CourseError(QStringLiteral("%1: the learner database is read-only: the test attempt %2 cannot be kept").arg(db.fileName(), attempt.id));
    if (!db.hasTable(AttemptsTable))
        db.execute(AttemptsSchema);
    SqlStatement insert(db,
        QStringLiteral("insert or ignore into intentos_test (id, alumno, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?)"));
    insert.bind(1, attempt.id);
    insert.bind(2, attempt.learner);
    insert.bind(3, int(attempt.lesson));
    insert.bind(4, attempt.finished.toUTC().toString(Qt::ISODateWithMs));
    insert.bind(5, attempt.points);
    insert.bind(6, attempt.maximum);
    insert.bind(7, attempt.percent);
    insert.bind(8, attempt.answersText());
    insert.run();
}

std::vector<TestAttempt> FileLearnerStore::attempts(qint16 lesson)
{
    Database& db = database();
    std::vector<TestAttempt> found;
    if (!db.hasTable(AttemptsTable))
        return found; // a file that has never kept an attempt
    SqlStatement select(db,
        QStringLiteral("select id, alumno, leccion, fecha, puntos, maximo, porcentaje, respuestas from intentos_test "
                       "where leccion = ? order by fecha desc, rowid desc"));
    select.bind(1, int(lesson));
    while (select.step()) {
        TestAttempt a;
        a.id = select.value(0).toString();
        a.learner = select.value(1).toString();
        a.lesson = qint16(select.value(2).toInt());
        a.finished = QDateTime::fromString(select.value(3).toString(), Qt::ISODate).toUTC();
        a.points = select.value(4).toInt();
        a.maximum = select.value(5).toInt();
        a.percent = select.value(6).toInt();
        a.answers = TestAttempt::answersFromText(select.value(7).toString());
        found.push_back(std::move(a));
    }
    return found;
}

QString FileLearnerStore::learner() const
{
    // The file is one learner's: he is the person logged in.
    return accountName();
}
