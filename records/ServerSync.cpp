#include "ServerSync.h"

#include "PgConnection.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

const QString visitInsert = QStringLiteral(
    "insert into tamsel.lecciones_usuario (alumno, leccion) values (current_user, $1) on conflict do nothing");
const QString attemptInsert = QStringLiteral(
    "insert into tamsel.intentos_test (id, alumno, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
    "values ($1::uuid, current_user, $2, $3::timestamptz, $4, $5, $6, $7) on conflict (id) do nothing");
// One statement, so that the erase is whole or not at all.
const QString eraseAll = QStringLiteral(
    "with visitas as (delete from tamsel.lecciones_usuario where alumno = current_user) "
    "delete from tamsel.intentos_test where alumno = current_user");

} // namespace

ServerSync::ServerSync(const QString& target, const QString& journalFile, std::shared_ptr<UnjournalledWrites> unjournalled,
    std::shared_ptr<FirstSync> first)
    : m_target(target)
    , m_journalFile(journalFile)
    , m_unjournalled(std::move(unjournalled))
    , m_first(std::move(first))
{
}

void ServerSync::endFirstSync(bool reached, const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts)
{
    const std::lock_guard lock(m_first->mutex);
    if (m_first->done)
        return;
    m_first->done = true;
    m_first->reached = reached;
    m_first->visits = visits;
    m_first->attempts = attempts;
    m_first->sentUpTo = m_sentUpTo;
    m_first->login = m_login;
    m_first->ended.notify_all();
}

ServerSync::~ServerSync() = default;

void ServerSync::start()
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    QObject::connect(m_timer, &QTimer::timeout, this, &ServerSync::sync);
    try {
        m_journal = std::make_unique<LearnerJournal>(m_journalFile, LearnerJournal::Commits::AfterACrash);
    } catch (const CourseError& error) {
        Q_EMIT journalFailed(error.message());
    }
    sync();
}

void ServerSync::wake()
{
    // A write while the server is away waits for the next try; otherwise it goes now.
    if (m_connection)
        sync();
}

void ServerSync::stop()
{
    if (m_timer)
        m_timer->stop();
    m_connection.reset();
    checkpoint();
}

void ServerSync::checkpoint()
{
    if (!m_journal)
        return;
    try {
        m_journal->checkpoint();
    } catch (const CourseError& error) {
        Q_EMIT journalFailed(error.message());
    }
}

void ServerSync::schedule(int ms)
{
    if (m_timer && (!m_timer->isActive() || m_timer->remainingTime() > ms))
        m_timer->start(ms);
}

void ServerSync::disconnectFrom(const QString& reason, bool refusedWrites)
{
    m_connection.reset();
    m_pullDue = true;
    endFirstSync(false);
    if (refusedWrites) {
        Q_EMIT refused(reason);
        schedule(RefusedRetryMs);
    } else {
        Q_EMIT unreachable(reason);
        schedule(RetryMs);
    }
}

bool ServerSync::connect()
{
    if (m_connection && m_connection->isOpen())
        return true;
    m_connection.reset();
    try {
        auto connection = std::make_unique<PgConnection>(m_target, 3);
        const PgConnection::Result who = connection->exec(QStringLiteral("select current_user, pg_is_in_recovery()"));
        m_connection = std::move(connection);
        const QString login = who.rows.at(0).at(0).toString();
        // A journal holds one learner's writes: never sent under another's login.
        const QString owner = m_journal ? m_journal->login() : QString();
        if (!owner.isEmpty() && owner != login) {
            disconnectFrom(QStringLiteral("%1: logged in as %2, but the journal %3 holds the records of %4")
                               .arg(PgConnection::redacted(m_target), login, m_journalFile, owner),
                true);
            return false;
        }
        m_login = login;
        if (m_journal) {
            try {
                m_journal->setLogin(login);
            } catch (const CourseError& error) {
                Q_EMIT journalFailed(error.message());
            }
        }
        Q_EMIT connected(login);
        if (who.rows.at(0).at(1).toString() == QLatin1String("t")) {
            disconnectFrom(QStringLiteral("%1: a read-only server (a replica): it cannot keep the learner's work")
                               .arg(PgConnection::redacted(m_target)), true);
            return false;
        }
        return true;
    } catch (const PgError& error) {
        disconnectFrom(error.message(), error.kind() == PgError::Refused);
        return false;
    }
}

bool ServerSync::send(const JournalEntry& entry)
{
    QElapsedTimer roundTrip;
    roundTrip.start();
    try {
        PgConnection::Result result;
        switch (entry.kind) {
        case JournalEntry::Visit:
            result = m_connection->exec(visitInsert, { int(entry.lesson) });
            break;
        case JournalEntry::Attempt: {
            const TestAttempt& a = entry.attempt;
            result = m_connection->exec(attemptInsert,
                { a.id, int(a.lesson), a.finished.toUTC().toString(Qt::ISODateWithMs), a.points, a.maximum, a.percent, a.answersText() });
            break;
        }
        case JournalEntry::Erase:
            result = m_connection->exec(eraseAll);
            break;
        }
        m_sentUpTo = entry.seq;
        Q_EMIT sent(entry.seq, int(entry.kind), result.affected > 0, double(roundTrip.nsecsElapsed()) / 1e6);
        return true;
    } catch (const PgError& error) {
        if (error.kind() == PgError::Rejected) {
            // Wrong in itself: sending it again would block every later write.
            m_sentUpTo = entry.seq;
            Q_EMIT rejected(entry.seq, error.message());
            return true;
        }
        disconnectFrom(error.message(), error.kind() == PgError::Refused);
        return false;
    }
}

void ServerSync::pull()
{
    try {
        QSet<qint16> visits;
        for (const auto& row : m_connection->exec(QStringLiteral("select leccion from tamsel.lecciones_usuario where alumno = current_user")).rows)
            visits.insert(qint16(row.at(0).toInt()));
        std::vector<TestAttempt> attempts;
        const PgConnection::Result rows = m_connection->exec(QStringLiteral(
            "select id, alumno, leccion, to_char(fecha at time zone 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), puntos, maximo, porcentaje, respuestas "
            "from tamsel.intentos_test where alumno = current_user order by fecha desc"));
        for (const auto& row : rows.rows) {
            TestAttempt a;
            a.id = row.at(0).toString();
            a.learner = row.at(1).toString();
            a.lesson = qint16(row.at(2).toInt());
            a.finished = QDateTime::fromString(row.at(3).toString(), Qt::ISODateWithMs);
            a.points = row.at(4).toInt();
            a.maximum = row.at(5).toInt();
            a.percent = row.at(6).toInt();
            a.answers = TestAttempt::answersFromText(row.at(7).toString());
            attempts.push_back(std::move(a));
        }
        if (m_journal) {
            try {
                m_journal->replaceMirror(visits, attempts);
            } catch (const CourseError& error) {
                Q_EMIT journalFailed(error.message());
            }
        }
        m_pullDue = false;
        endFirstSync(true, visits, attempts);
        Q_EMIT pulled(visits, attempts, m_sentUpTo);
    } catch (const PgError& error) {
        disconnectFrom(error.message(), error.kind() == PgError::Refused);
    }
}

std::optional<std::vector<JournalEntry>> ServerSync::waiting()
{
    // Memory first: a write is held there only once every earlier one is journalled, so
    // the journal read after it holds all that comes before.
    std::vector<JournalEntry> entries;
    {
        const std::lock_guard lock(m_unjournalled->mutex);
        entries.assign(m_unjournalled->entries.begin(), m_unjournalled->entries.end());
    }
    if (m_journal) {
        try {
            std::vector<JournalEntry> journalled = m_journal->pending();
            entries.insert(entries.end(), journalled.begin(), journalled.end());
        } catch (const CourseError& error) {
            Q_EMIT journalFailed(error.message());
            return std::nullopt;
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const JournalEntry& a, const JournalEntry& b) { return a.seq < b.seq; });
    return entries;
}

bool ServerSync::forget(qint64 seq, bool fromJournal)
{
    {
        const std::lock_guard lock(m_unjournalled->mutex);
        while (!m_unjournalled->entries.empty() && m_unjournalled->entries.front().seq <= seq)
            m_unjournalled->entries.pop_front();
    }
    if (!m_journal || !fromJournal)
        return true;
    try {
        m_journal->remove(seq);
        return true;
    } catch (const CourseError& error) {
        // Left in the journal, it goes again only at a later start, with every later write
        // after it (those are left too), so in its order.
        Q_EMIT journalFailed(error.message());
        return false;
    }
}

void ServerSync::sync()
{
    if (!connect())
        return;
    // One order for every write, journalled or held in memory: an attempt sent after the
    // erase that followed it would outlive the erase.
    const std::optional<std::vector<JournalEntry>> entries = waiting();
    if (!entries) {
        // What the journal holds comes before what memory holds: nothing goes until it is read.
        schedule(RetryMs);
        return;
    }
    bool removing = true;
    for (const JournalEntry& entry : *entries) {
        // Sent already, but not yet taken out of the journal: never sent twice.
        if (entry.seq > m_sentUpTo && !send(entry))
            return;
        removing = forget(entry.seq, removing);
        if (++m_forgottenSinceCheckpoint >= CheckpointEvery) {
            m_forgottenSinceCheckpoint = 0;
            checkpoint();
        }
    }
    if (m_pullDue)
        pull();
}
