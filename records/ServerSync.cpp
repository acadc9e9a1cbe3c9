#include "ServerSync.h"

#include "PgConnection.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>

namespace {

// The learner is the login (the server fills alumno in); $1 is always the course. A visit
// kept already only moves its date on, an attempt is kept once under its id, and an erase
// is kept once under its time, taking the learner's visits and attempts older than it.
const QString visitInsert = QStringLiteral(
    "insert into tamsel.lecciones_usuario (curso, leccion, fecha) values ($1, $2, $3::timestamptz) on conflict do nothing");
const QString attemptInsert = QStringLiteral(
    "insert into tamsel.intentos_test (curso, id, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
    "values ($1, $2::uuid, $3, $4::timestamptz, $5, $6, $7, $8) on conflict do nothing");
const QString eraseInsert = QStringLiteral(
    "insert into tamsel.borrados (curso, hasta) values ($1, $2::timestamptz) on conflict do nothing");

int backOff(int first, int limit, int failuresInARow)
{
    return int(std::min<qint64>(limit, qint64(first) << std::min(failuresInARow, 16)));
}

} // namespace

ServerSync::ServerSync(const QString& target, const QString& course, const QString& journalFile,
    std::shared_ptr<UnjournalledWrites> unjournalled, std::shared_ptr<FirstSync> first)
    : m_target(target)
    , m_course(course)
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
    openJournal();
    sync();
}

void ServerSync::openJournal()
{
    if (m_journal)
        return;
    try {
        m_journal = std::make_unique<LearnerJournal>(m_journalFile, LearnerJournal::Commits::AfterACrash);
    } catch (const CourseError& error) {
        if (!m_journalFailedTold)
            Q_EMIT journalFailed(error.message());
        m_journalFailedTold = true;
    }
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

void ServerSync::disconnectFrom(const PgError& error)
{
    disconnectFrom(error.message(), error.kind());
}

void ServerSync::disconnectFrom(const QString& reason, PgError::Kind kind)
{
    // A new connection for the next try: whatever the failure left behind goes with this one.
    m_connection.reset();
    m_pullDue = true;
    endFirstSync(false);
    const int failures = m_failuresInARow++;
    switch (kind) {
    case PgError::Refused:
        Q_EMIT refused(reason);
        schedule(backOff(RefusedRetryMs, RefusedRetryLimitMs, failures));
        break;
    case PgError::Rejected: // not for a connection: taken as a failure that may pass
    case PgError::Failed:
        Q_EMIT failed(reason);
        schedule(backOff(FailedRetryMs, FailedRetryLimitMs, failures));
        break;
    case PgError::Unreachable:
        Q_EMIT unreachable(reason);
        schedule(backOff(RetryMs, RetryLimitMs, failures));
        break;
    }
}

bool ServerSync::connect()
{
    if (m_connection && m_connection->isOpen())
        return true;
    m_connection.reset();
    try {
        auto connection = std::make_unique<PgConnection>(m_target, ConnectTimeoutSeconds);
        // The login (session_user: what the server files the rows under, whatever role is
        // set), the server's clock, and the bounds of every later statement, in one exchange.
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const PgConnection::Result who = connection->exec(QStringLiteral(
            "select session_user, pg_is_in_recovery(), (extract(epoch from clock_timestamp()) * 1000)::bigint, "
            "set_config('statement_timeout', $1, false), set_config('lock_timeout', $2, false)"),
            { QString::fromLatin1(StatementTimeout), QString::fromLatin1(LockTimeout) });
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        m_connection = std::move(connection);
        // Times go to the server on its own clock: an erase is compared with the writes of
        // other computers, and the server takes no time from the future.
        m_clockOffsetMs = who.rows.at(0).at(2).toLongLong() - (before + after) / 2;
        const QString login = who.rows.at(0).at(0).toString();
        // A journal holds one learner's writes: never sent under another's login.
        const QString owner = m_journal ? m_journal->login() : QString();
        if (!owner.isEmpty() && owner != login) {
            disconnectFrom(QStringLiteral("%1: logged in as %2, but the journal %3 holds the records of %4")
                               .arg(PgConnection::redacted(m_target), login, m_journalFile, owner),
                PgError::Refused);
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
                               .arg(PgConnection::redacted(m_target)), PgError::Refused);
            return false;
        }
        return true;
    } catch (const PgError& error) {
        disconnectFrom(error);
        return false;
    }
}

QString ServerSync::serverTime(const QDateTime& time) const
{
    return time.toUTC().addMSecs(m_clockOffsetMs).toString(Qt::ISODateWithMs);
}

ServerSync::Sent ServerSync::send(const JournalEntry& entry)
{
    QElapsedTimer roundTrip;
    roundTrip.start();
    try {
        PgConnection::Result result;
        switch (entry.kind) {
        case JournalEntry::Visit:
            result = m_connection->exec(visitInsert, { m_course, int(entry.lesson), serverTime(entry.made) });
            break;
        case JournalEntry::Attempt: {
            const TestAttempt& a = entry.attempt;
            result = m_connection->exec(attemptInsert,
                { m_course, a.id, int(a.lesson), serverTime(a.finished), a.points, a.maximum, a.percent, a.answersText() });
            break;
        }
        case JournalEntry::Erase:
            result = m_connection->exec(eraseInsert, { m_course, serverTime(entry.made) });
            break;
        }
        m_sentUpTo = entry.seq;
        m_failuresInARow = 0;
        Q_EMIT sent(entry.seq, int(entry.kind), result.affected > 0, double(roundTrip.nsecsElapsed()) / 1e6);
        return Sent::Yes;
    } catch (const PgError& error) {
        if (error.kind() != PgError::Rejected) {
            disconnectFrom(error);
            return Sent::Wait;
        }
        // Its values will not do, and waiting will not change them: later writes go on, and
        // this one stays in the journal, marked, for the next start (a server whose rules
        // were wrong may have been mended by then).
        m_setAside.insert(entry.seq);
        m_sentUpTo = entry.seq;
        if (m_journal) {
            try {
                m_journal->markRejected(entry.seq, error.message());
            } catch (const CourseError& journalError) {
                Q_EMIT journalFailed(journalError.message());
            }
        }
        Q_EMIT rejected(entry.seq, error.message());
        return Sent::SetAside;
    }
}

void ServerSync::pull()
{
    try {
        QSet<qint16> visits;
        for (const auto& row : m_connection->exec(QStringLiteral("select leccion from tamsel.lecciones_usuario where alumno = session_user and curso = $1"),
                 { m_course }).rows)
            visits.insert(qint16(row.at(0).toInt()));
        std::vector<TestAttempt> attempts;
        const PgConnection::Result rows = m_connection->exec(QStringLiteral(
            "select id, alumno, leccion, to_char(fecha at time zone 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), puntos, maximo, porcentaje, respuestas "
            "from tamsel.intentos_test where alumno = session_user and curso = $1 order by fecha desc"), { m_course });
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
        m_failuresInARow = 0;
        endFirstSync(true, visits, attempts);
        Q_EMIT pulled(visits, attempts, m_sentUpTo);
    } catch (const PgError& error) {
        disconnectFrom(error);
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
        std::erase_if(m_unjournalled->entries, [seq](const JournalEntry& e) { return e.seq == seq; });
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
    // The program is leaving: a call that held the sync past that sends nothing more.
    const auto leaving = [] { return QThread::currentThread()->isInterruptionRequested(); };
    if (leaving())
        return;
    m_busy = true;
    const auto idle = qScopeGuard([this] { m_busy = false; });
    openJournal();
    if (!connect() || leaving())
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
        if (m_setAside.contains(entry.seq))
            continue; // refused in this run: it goes again at the next start
        if (leaving())
            return;
        // Sent already, but not yet taken out of the journal: not sent again now.
        if (entry.seq > m_sentUpTo) {
            const Sent sent = send(entry);
            if (sent == Sent::Wait)
                return;
            if (sent == Sent::SetAside)
                continue;
        }
        removing = forget(entry.seq, removing);
        if (++m_forgottenSinceCheckpoint >= CheckpointEvery) {
            m_forgottenSinceCheckpoint = 0;
            checkpoint();
        }
    }
    if (m_pullDue && !leaving())
        pull();
}
