#include "LearnerJournal.h"

#include "CourseError.h"
#include "Database.h"
#include "SqlStatement.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <mutex>

namespace {

const char* const schema =
    "create table if not exists visitas (leccion integer primary key);"
    "create table if not exists intentos (id text primary key, alumno text, leccion integer, fecha text,"
    "  puntos integer, maximo integer, porcentaje integer, respuestas text);"
    "create table if not exists pendientes (seq integer primary key, tipo integer not null, id text, alumno text,"
    "  leccion integer, fecha text, puntos integer, maximo integer, porcentaje integer, respuestas text);"
    "create table if not exists ajustes (clave text primary key, valor text)";
// A journal of an earlier version lacks the refusal's column.
const char* const rejectionColumn = "alter table pendientes add column rechazo text";

const QString attemptColumns = QStringLiteral("id, alumno, leccion, fecha, puntos, maximo, porcentaje, respuestas");

void bindAttempt(SqlStatement& statement, int first, const TestAttempt& a)
{
    statement.bind(first, a.id);
    statement.bind(first + 1, a.learner);
    statement.bind(first + 2, int(a.lesson));
    statement.bind(first + 3, a.finished.toUTC().toString(Qt::ISODateWithMs));
    statement.bind(first + 4, a.points);
    statement.bind(first + 5, a.maximum);
    statement.bind(first + 6, a.percent);
    statement.bind(first + 7, a.answersText());
}

TestAttempt readAttempt(const SqlStatement& statement, int first)
{
    TestAttempt a;
    a.id = statement.value(first).toString();
    a.learner = statement.value(first + 1).toString();
    a.lesson = qint16(statement.value(first + 2).toInt());
    a.finished = QDateTime::fromString(statement.value(first + 3).toString(), Qt::ISODateWithMs).toUTC();
    a.points = statement.value(first + 4).toInt();
    a.maximum = statement.value(first + 5).toInt();
    a.percent = statement.value(first + 6).toInt();
    a.answers = TestAttempt::answersFromText(statement.value(first + 7).toString());
    return a;
}

/// One lock per journal file for the handles of this process. A write waits for the other
/// thread's and goes the moment it ends, where SQLite's own wait for a busy file sleeps in
/// steps of milliseconds: under load those sleeps were most of the time a write took.
std::shared_ptr<std::mutex> writeLockFor(const QString& file)
{
    static std::mutex registryMutex;
    static std::map<QString, std::weak_ptr<std::mutex>> registry;
    const std::lock_guard lock(registryMutex);
    std::weak_ptr<std::mutex>& slot = registry[QFileInfo(file).absoluteFilePath()];
    std::shared_ptr<std::mutex> found = slot.lock();
    if (!found) {
        found = std::make_shared<std::mutex>();
        slot = found;
    }
    return found;
}

} // namespace

LearnerJournal::LearnerJournal(const QString& file, Commits commits)
    : m_file(file)
    , m_writeLock(writeLockFor(file))
{
    const std::lock_guard lock(*m_writeLock);
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        throw CourseError(QStringLiteral("%1: cannot make the folder of the learner's journal").arg(info.absolutePath()));
    // A file that never got past its creation (killed then) holds nothing: made again.
    if (!info.exists() || info.size() == 0)
        m_db = Database::create(file, QString());
    else
        m_db = Database::open(file, ShareMode::Shared, AccessMode::ReadWrite, QString());
    // WAL: the sending thread reads while the screens write. The log is written in order,
    // so a synced commit makes every earlier one safe too, and what is lost at a power cut
    // is only the latest unsynced bookkeeping.
    m_db->execute(QStringLiteral("pragma journal_mode = wal"));
    // The log is copied back into the file by checkpoint() alone, which takes no write
    // lock: neither a screen's write nor the sync's bookkeeping waits for that copy.
    m_db->execute(QStringLiteral("pragma wal_autocheckpoint = 0"));
    m_db->execute(QString::fromLatin1(schema));
    if (!SqlStatement(*m_db, QStringLiteral("select 1 from pragma_table_info('pendientes') where name = 'rechazo'")).step())
        m_db->execute(QString::fromLatin1(rejectionColumn));
    m_db->execute(commits == Commits::Synced ? QStringLiteral("pragma synchronous = full") : QStringLiteral("pragma synchronous = normal"));
    m_commits = commits;
}

void LearnerJournal::setCommits(Commits commits)
{
    if (commits == m_commits)
        return;
    m_db->execute(commits == Commits::Synced ? QStringLiteral("pragma synchronous = full") : QStringLiteral("pragma synchronous = normal"));
    m_commits = commits;
    if (commits != Commits::Synced)
        return;
    // One synced commit: the log is written in order, so every commit before it is safe too.
    const std::lock_guard lock(*m_writeLock);
    m_db->execute(QStringLiteral("insert or replace into ajustes values ('sincronizado', datetime('now'))"));
}

void LearnerJournal::checkpoint()
{
    // Passive: it copies what no reader still needs and waits for nobody.
    m_db->execute(QStringLiteral("pragma wal_checkpoint(passive)"));
}

LearnerJournal::~LearnerJournal() = default;

void LearnerJournal::transaction(const std::function<void()>& work)
{
    const std::lock_guard lock(*m_writeLock);
    m_db->execute(QStringLiteral("begin immediate"));
    try {
        work();
        m_db->execute(QStringLiteral("commit"));
    } catch (...) {
        try {
            m_db->execute(QStringLiteral("rollback"));
        } catch (const CourseError&) {
            // the failed commit ended the transaction already
        }
        throw;
    }
}

QSet<qint16> LearnerJournal::visits() const
{
    SqlStatement select(*m_db, QStringLiteral("select leccion from visitas"));
    QSet<qint16> found;
    while (select.step())
        found.insert(qint16(select.value(0).toInt()));
    return found;
}

std::vector<TestAttempt> LearnerJournal::attempts() const
{
    SqlStatement select(*m_db, QStringLiteral("select %1 from intentos order by fecha desc, rowid desc").arg(attemptColumns));
    std::vector<TestAttempt> found;
    while (select.step())
        found.push_back(readAttempt(select, 0));
    return found;
}

void LearnerJournal::applyToMirror(const JournalEntry& entry)
{
    switch (entry.kind) {
    case JournalEntry::Visit: {
        SqlStatement insert(*m_db, QStringLiteral("insert or ignore into visitas (leccion) values (?)"));
        insert.bind(1, int(entry.lesson));
        insert.run();
        break;
    }
    case JournalEntry::Attempt: {
        SqlStatement insert(*m_db, QStringLiteral("insert or ignore into intentos (%1) values (?, ?, ?, ?, ?, ?, ?, ?)").arg(attemptColumns));
        bindAttempt(insert, 1, entry.attempt);
        insert.run();
        break;
    }
    case JournalEntry::Erase: {
        m_db->execute(QStringLiteral("delete from visitas"));
        SqlStatement del(*m_db, QStringLiteral("delete from intentos where fecha < ?"));
        del.bind(1, entry.made.toUTC().toString(Qt::ISODateWithMs));
        del.run();
        break;
    }
    }
}

void LearnerJournal::append(const JournalEntry& entry)
{
    transaction([&] {
        SqlStatement insert(*m_db,
            QStringLiteral("insert into pendientes (seq, tipo, %1) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(attemptColumns));
        insert.bind(1, entry.seq);
        insert.bind(2, int(entry.kind));
        // One lesson and one time column: the visit's (the erase's), or the attempt's.
        TestAttempt row = entry.attempt;
        if (entry.kind != JournalEntry::Attempt) {
            row.lesson = entry.lesson;
            row.finished = entry.made;
        }
        bindAttempt(insert, 3, row);
        insert.run();
        applyToMirror(entry);
    });
}

std::vector<JournalEntry> LearnerJournal::pending() const
{
    SqlStatement select(*m_db, QStringLiteral("select seq, tipo, %1, coalesce(rechazo, '') from pendientes order by seq").arg(attemptColumns));
    std::vector<JournalEntry> found;
    while (select.step()) {
        JournalEntry entry;
        entry.seq = select.value(0).toLongLong();
        entry.kind = JournalEntry::Kind(select.value(1).toInt());
        entry.attempt = readAttempt(select, 2);
        entry.lesson = entry.attempt.lesson;
        entry.made = entry.attempt.finished;
        // A visit or an erase journalled by an earlier version has no time: the time it is
        // read is the nearest to its own that is known.
        if (entry.kind != JournalEntry::Attempt && !entry.made.isValid())
            entry.made = QDateTime::currentDateTimeUtc();
        entry.rejection = select.value(10).toString();
        found.push_back(std::move(entry));
    }
    return found;
}

void LearnerJournal::remove(qint64 seq)
{
    SqlStatement del(*m_db, QStringLiteral("delete from pendientes where seq = ?"));
    del.bind(1, seq);
    const std::lock_guard lock(*m_writeLock);
    del.run();
}

void LearnerJournal::markRejected(qint64 seq, const QString& reason)
{
    SqlStatement mark(*m_db, QStringLiteral("update pendientes set rechazo = ? where seq = ?"));
    mark.bind(1, reason);
    mark.bind(2, seq);
    const std::lock_guard lock(*m_writeLock);
    mark.run();
}

qint64 LearnerJournal::lastSeq() const
{
    SqlStatement select(*m_db, QStringLiteral("select coalesce(max(seq), 0), (select valor from ajustes where clave = 'seq') from pendientes"));
    select.step();
    return std::max(select.value(0).toLongLong(), select.value(1).toLongLong());
}

void LearnerJournal::replaceMirror(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts)
{
    transaction([&] {
        // The numbering goes on after the writes the server has had.
        SqlStatement keepSeq(*m_db, QStringLiteral("insert or replace into ajustes values ('seq', ?)"));
        keepSeq.bind(1, lastSeq());
        keepSeq.run();
        m_db->execute(QStringLiteral("delete from visitas; delete from intentos"));
        for (qint16 lesson : visits) {
            JournalEntry visit;
            visit.lesson = lesson;
            applyToMirror(visit);
        }
        for (const TestAttempt& attempt : attempts) {
            JournalEntry kept;
            kept.kind = JournalEntry::Attempt;
            kept.attempt = attempt;
            applyToMirror(kept);
        }
        for (const JournalEntry& entry : pending())
            applyToMirror(entry);
    });
}

QString LearnerJournal::login() const
{
    SqlStatement select(*m_db, QStringLiteral("select valor from ajustes where clave = 'login'"));
    return select.step() ? select.value(0).toString() : QString();
}

void LearnerJournal::setLogin(const QString& login)
{
    SqlStatement set(*m_db, QStringLiteral("insert or replace into ajustes values ('login', ?)"));
    set.bind(1, login);
    const std::lock_guard lock(*m_writeLock);
    set.run();
}

void LearnerJournal::apply(const JournalEntry& entry, QSet<qint16>& visits, std::vector<TestAttempt>& attempts)
{
    switch (entry.kind) {
    case JournalEntry::Visit:
        visits.insert(entry.lesson);
        break;
    case JournalEntry::Attempt:
        if (std::none_of(attempts.begin(), attempts.end(), [&](const TestAttempt& a) { return a.id == entry.attempt.id; }))
            attempts.insert(attempts.begin(), entry.attempt);
        break;
    case JournalEntry::Erase:
        visits.clear();
        std::erase_if(attempts, [&](const TestAttempt& a) { return a.finished < entry.made; });
        break;
    }
}
