#include "ServerLearnerStore.h"

#include "PgConnection.h"
#include "ServerSync.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <cmath>

const QString ServerLearnerStore::UnreachableMessage = QStringLiteral(
    "No se puede conectar con el servidor de la clase. Tu progreso se guarda en este ordenador "
    "hasta que el servidor vuelva; entonces se enviará solo.");
const QString ServerLearnerStore::RefusedMessage = QStringLiteral(
    "El servidor de la clase no acepta tu progreso (tu usuario no tiene permiso o el servidor es solo de lectura). "
    "El curso sigue y tu progreso se guarda en este ordenador. Avisa a tu profesor.");
const QString ServerLearnerStore::JournalFullMessage = QStringLiteral(
    "No queda espacio en este ordenador para guardar tu progreso. Se enviará al servidor mientras el curso siga abierto.");

ServerLearnerStore::ServerLearnerStore(const QString& target, const QString& journalFile, Trace& trace, Tell tell)
    : m_target(target)
    , m_trace(trace)
    , m_tell(std::move(tell))
    , m_unjournalled(std::make_shared<UnjournalledWrites>())
    , m_first(std::make_shared<FirstSync>())
{
    qRegisterMetaType<QSet<qint16>>();
    qRegisterMetaType<std::vector<TestAttempt>>();
    m_journal = std::make_unique<LearnerJournal>(journalFile);
    m_visits = m_journal->visits();
    m_attempts = m_journal->attempts();
    m_lastSeq = m_journal->lastSeq();
    m_login = m_journal->login();
    m_journalLogin = m_login;
    m_unsent = m_journal->pending();
    traceSync(QStringLiteral("open"), { { QStringLiteral("server"), PgConnection::redacted(target) }, { QStringLiteral("journal"), journalFile },
                                          { QStringLiteral("pending"), int(m_unsent.size()) } });

    m_sync = new ServerSync(target, journalFile, m_unjournalled, m_first);
    m_sync->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_sync, &QObject::deleteLater);
    connect(&m_thread, &QThread::started, m_sync, &ServerSync::start);
    connect(m_sync, &ServerSync::connected, this, &ServerLearnerStore::onConnected);
    connect(m_sync, &ServerSync::unreachable, this, &ServerLearnerStore::onUnreachable);
    connect(m_sync, &ServerSync::refused, this, &ServerLearnerStore::onRefused);
    connect(m_sync, &ServerSync::sent, this, &ServerLearnerStore::onSent);
    connect(m_sync, &ServerSync::rejected, this, [this](qint64 seq, const QString& reason) {
        traceSync(QStringLiteral("rejected"), { { QStringLiteral("seq"), seq }, { QStringLiteral("reason"), reason } });
        onSent(seq, -1, false, 0);
    });
    connect(m_sync, &ServerSync::pulled, this, &ServerLearnerStore::onPulled);
    connect(m_sync, &ServerSync::journalFailed, this, &ServerLearnerStore::onJournalFailed);
    m_thread.setObjectName(QStringLiteral("learner-sync"));
    m_thread.start();
}

ServerLearnerStore::~ServerLearnerStore()
{
    // What has not reached the server stays in the journal for the next start.
    QMetaObject::invokeMethod(m_sync, &ServerSync::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString ServerLearnerStore::journalFor(const QString& target)
{
    const QByteArray id = QCryptographicHash::hash(PgConnection::redacted(target).trimmed().toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    return UserPaths::dataFolder() + QStringLiteral("aula/") + QString::fromLatin1(id) + QStringLiteral(".sqlite");
}

bool ServerLearnerStore::waitForFirstSync(int ms)
{
    // No event loop here: start-up's own queued work must not run inside it.
    std::unique_lock lock(m_first->mutex);
    if (!m_first->ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_first->done; }))
        return false;
    if (!m_first->reached)
        return false;
    const QSet<qint16> visits = m_first->visits;
    const std::vector<TestAttempt> attempts = m_first->attempts;
    const qint64 sentUpTo = m_first->sentUpTo;
    const QString login = m_first->login;
    lock.unlock();
    if (!m_connected)
        onConnected(login);
    onPulled(visits, attempts, sentUpTo);
    return true;
}

void ServerLearnerStore::traceSync(const QString& op, QJsonObject fields)
{
    fields.insert(QStringLiteral("op"), op);
    m_trace.event("learner.sync", fields);
}

// ---------------------------------------------------------------- the screens' side

QSet<qint16> ServerLearnerStore::visitedLessons()
{
    return m_visits;
}

bool ServerLearnerStore::markVisited(qint16 lesson)
{
    if (m_visits.contains(lesson))
        return true;
    JournalEntry entry;
    entry.kind = JournalEntry::Visit;
    entry.lesson = lesson;
    write(entry);
    return false;
}

void ServerLearnerStore::eraseWork()
{
    JournalEntry entry;
    entry.kind = JournalEntry::Erase;
    write(entry);
}

void ServerLearnerStore::saveAttempt(const TestAttempt& attempt)
{
    JournalEntry entry;
    entry.kind = JournalEntry::Attempt;
    entry.attempt = attempt;
    entry.attempt.learner = learner();
    write(entry);
}

std::vector<TestAttempt> ServerLearnerStore::attempts(qint16 lesson)
{
    std::vector<TestAttempt> found;
    for (const TestAttempt& attempt : m_attempts) {
        if (attempt.lesson == lesson)
            found.push_back(attempt);
    }
    return found;
}

QString ServerLearnerStore::learner() const
{
    if (!m_login.isEmpty())
        return m_login;
    const QString user = qEnvironmentVariable("PGUSER");
    return user.isEmpty() ? qEnvironmentVariable("USER") : user;
}

void ServerLearnerStore::write(JournalEntry entry)
{
    entry.seq = ++m_lastSeq;
    // On this computer first, before the screen goes on; the network later, elsewhere.
    if (m_journal) {
        try {
            m_journal->append(entry);
        } catch (const CourseError& error) {
            m_journal.reset();
            onJournalFailed(error.message());
        }
    }
    if (!m_journal) {
        const std::lock_guard lock(m_unjournalled->mutex);
        m_unjournalled->entries.push_back(entry);
    }
    LearnerJournal::apply(entry, m_visits, m_attempts);
    m_unsent.push_back(entry);
    traceSync(QStringLiteral("queued"), { { QStringLiteral("seq"), entry.seq }, { QStringLiteral("kind"), int(entry.kind) },
                                            { QStringLiteral("lesson"), entry.kind == JournalEntry::Attempt ? entry.attempt.lesson : entry.lesson },
                                            { QStringLiteral("journal"), m_journal != nullptr } });
    QMetaObject::invokeMethod(m_sync, &ServerSync::wake, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- what the sync tells

void ServerLearnerStore::commitJournal(LearnerJournal::Commits commits)
{
    // While the server takes each write within milliseconds, a power cut can cost only the
    // write in flight, and the screens need not wait for the disc; while it is away, the
    // journal alone keeps the learner's work, and every write is on the disc when it returns.
    if (!m_journal)
        return;
    try {
        m_journal->setCommits(commits);
    } catch (const CourseError& error) {
        onJournalFailed(error.message());
    }
}

void ServerLearnerStore::onConnected(const QString& login)
{
    commitJournal(LearnerJournal::Commits::AfterACrash);
    m_connected = true;
    m_login = login;
    traceSync(QStringLiteral("connected"), { { QStringLiteral("login"), login } });
}

void ServerLearnerStore::onUnreachable(const QString& reason)
{
    commitJournal(LearnerJournal::Commits::Synced);
    const bool wasConnected = m_connected || !m_firstSyncDone;
    m_connected = false;
    m_firstSyncDone = true;
    if (wasConnected)
        traceSync(QStringLiteral("offline"), { { QStringLiteral("reason"), reason } });
    if (!m_toldUnreachable) {
        m_toldUnreachable = true;
        m_tell(UnreachableMessage);
    }
}

void ServerLearnerStore::onRefused(const QString& reason)
{
    commitJournal(LearnerJournal::Commits::Synced);
    m_connected = false;
    m_firstSyncDone = true;
    traceSync(QStringLiteral("refused"), { { QStringLiteral("reason"), reason } });
    if (!m_toldRefused) {
        m_toldRefused = true;
        m_tell(RefusedMessage);
    }
}

void ServerLearnerStore::onSent(qint64 seq, int kind, bool added, double roundTripMs)
{
    std::erase_if(m_unsent, [seq](const JournalEntry& e) { return e.seq <= seq; });
    if (kind >= 0)
        traceSync(QStringLiteral("sent"), { { QStringLiteral("seq"), seq }, { QStringLiteral("kind"), kind }, { QStringLiteral("added"), added },
                                              { QStringLiteral("ms"), std::round(roundTripMs * 100) / 100 } });
    Q_EMIT reachedServer(seq, roundTripMs);
}

void ServerLearnerStore::onPulled(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts, qint64 sentUpTo)
{
    // The server's records, with what was written here since the sync read them.
    QSet<qint16> newVisits = visits;
    std::vector<TestAttempt> newAttempts = attempts;
    for (const JournalEntry& entry : m_unsent) {
        if (entry.seq > sentUpTo)
            LearnerJournal::apply(entry, newVisits, newAttempts);
    }
    const bool changed = newVisits != m_visits || newAttempts.size() != m_attempts.size();
    m_visits = std::move(newVisits);
    m_attempts = std::move(newAttempts);
    m_firstSyncDone = true;
    if (changed && m_changed)
        m_changed();
    traceSync(QStringLiteral("pulled"), { { QStringLiteral("visits"), int(visits.size()) }, { QStringLiteral("attempts"), int(attempts.size()) } });
}

void ServerLearnerStore::onJournalFailed(const QString& reason)
{
    traceSync(QStringLiteral("journal"), { { QStringLiteral("error"), reason } });
    if (!m_toldJournal) {
        m_toldJournal = true;
        m_tell(JournalFullMessage);
    }
}
