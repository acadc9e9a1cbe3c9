#include "ServerLearnerStore.h"

#include "PgConnection.h"
#include "ServerSync.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>
#include <cmath>

const QString ServerLearnerStore::UnreachableMessage = QStringLiteral(
    "No se puede conectar con el servidor de la clase. Tu progreso se guarda en este ordenador "
    "hasta que el servidor vuelva; entonces se enviará solo.");
const QString ServerLearnerStore::RefusedMessage = QStringLiteral(
    "El servidor de la clase no acepta tu progreso (no acepta tu usuario o tu contraseña, tu usuario no tiene permiso "
    "o el servidor es solo de lectura). El curso sigue y tu progreso se guarda en este ordenador. Avisa a tu profesor.");
const QString ServerLearnerStore::FailedMessage = QStringLiteral(
    "El servidor de la clase no puede guardar tu progreso en este momento. El curso sigue, tu progreso se guarda "
    "en este ordenador y se enviará solo en cuanto el servidor pueda.");
const QString ServerLearnerStore::RejectedMessage = QStringLiteral(
    "El servidor de la clase no ha aceptado parte de tu progreso. Se guarda en este ordenador y se volverá a enviar "
    "la próxima vez que abras el curso. Avisa a tu profesor.");
const QString ServerLearnerStore::JournalFullMessage = QStringLiteral(
    "No se puede guardar tu progreso en este ordenador (el disco está lleno o la carpeta no admite escritura). "
    "Se enviará al servidor mientras el curso siga abierto, y se guardará aquí en cuanto se pueda.");

ServerLearnerStore::ServerLearnerStore(const QString& target, const QString& course, const QString& journalFile, Trace& trace, Tell tell)
    : m_target(target)
    , m_journalFile(journalFile)
    , m_trace(trace)
    , m_tell(std::move(tell))
    , m_unjournalled(std::make_shared<UnjournalledWrites>())
    , m_first(std::make_shared<FirstSync>())
{
    qRegisterMetaType<QSet<qint16>>();
    qRegisterMetaType<std::vector<TestAttempt>>();
    // A journal that cannot be opened (a full disc, a data folder that cannot be written)
    // leaves the course playing: the writes are held in memory until it can.
    try {
        m_journal = std::make_unique<LearnerJournal>(journalFile);
        m_visits = m_journal->visits();
        m_attempts = m_journal->attempts();
        m_lastSeq = m_journal->lastSeq();
        m_login = m_journal->login();
        m_journalLogin = m_login;
        m_unsent = m_journal->pending();
    } catch (const CourseError& error) {
        m_journal.reset();
        onJournalFailed(error.message());
    }
    traceSync(QStringLiteral("open"), { { QStringLiteral("server"), PgConnection::redacted(target) }, { QStringLiteral("journal"), journalFile },
                                          { QStringLiteral("course"), course }, { QStringLiteral("pending"), int(m_unsent.size()) } });

    m_thread = new QThread;
    m_sync = new ServerSync(target, course, journalFile, m_unjournalled, m_first);
    m_sync->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_sync, &QObject::deleteLater);
    connect(m_thread, &QThread::started, m_sync, &ServerSync::start);
    connect(m_sync, &ServerSync::connected, this, &ServerLearnerStore::onConnected);
    connect(m_sync, &ServerSync::unreachable, this, &ServerLearnerStore::onUnreachable);
    connect(m_sync, &ServerSync::refused, this, &ServerLearnerStore::onRefused);
    connect(m_sync, &ServerSync::sent, this, &ServerLearnerStore::onSent);
    connect(m_sync, &ServerSync::rejected, this, &ServerLearnerStore::onRejected);
    connect(m_sync, &ServerSync::failed, this, &ServerLearnerStore::onFailed);
    connect(m_sync, &ServerSync::pulled, this, &ServerLearnerStore::onPulled);
    connect(m_sync, &ServerSync::journalFailed, this, &ServerLearnerStore::onJournalFailed);
    m_thread->setObjectName(QStringLiteral("learner-sync"));
    m_thread->start();
}

ServerLearnerStore::~ServerLearnerStore()
{
    // What has not reached the server stays in the journal for the next start. A server
    // call in flight (a lock, a server that stopped answering) may hold the sync for as long
    // as its time-outs allow: the program does not wait for it. The thread is then left to
    // the process's end, with the sync and its journal handle (SQLite keeps the journal
    // whole when a process ends in the middle of a write).
    const int waitMs = m_sync->isBusy() ? BusyStopWaitMs : StopWaitMs;
    m_thread->requestInterruption();
    QMetaObject::invokeMethod(m_sync, &ServerSync::stop, Qt::QueuedConnection);
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(waitMs))) {
        delete m_thread;
        return;
    }
    traceSync(QStringLiteral("left"), { { QStringLiteral("unsent"), unsentCount() } });
    disconnect(m_sync, nullptr, this, nullptr);
}

QString ServerLearnerStore::journalFor(const QString& target, const QString& course)
{
    // One journal per learner (his data folder; the login, in the target or his account's),
    // server and course.
    const QString key = course + QLatin1Char('\n') + PgConnection::redacted(target).trimmed();
    const QByteArray id = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    return UserPaths::dataFolder() + QStringLiteral("aula/") + QString::fromLatin1(id) + QStringLiteral(".sqlite");
}

bool ServerLearnerStore::adoptEarlierJournal(const QString& target, const QString& journalFile)
{
    // Its name came from the target as QUrl rewrote a URI.
    const QString t = target.trimmed();
    const QString earlierKey = t.startsWith(QLatin1String("postgres"), Qt::CaseInsensitive) ? QUrl(t).toString() : t;
    const QString earlier = QFileInfo(journalFile).absolutePath() + QLatin1Char('/')
        + QString::fromLatin1(QCryptographicHash::hash(earlierKey.trimmed().toUtf8(), QCryptographicHash::Sha256).toHex().left(12))
        + QStringLiteral(".sqlite");
    if (!QFileInfo::exists(earlier) || QFileInfo::exists(journalFile) || earlier == journalFile)
        return false;
    try {
        LearnerJournal journal(earlier); // its log copied into the file as its last handle closes
    } catch (const CourseError&) {
        return false;
    }
    for (const QString& suffix : { QStringLiteral("-wal"), QStringLiteral("-shm"), QString() }) {
        if (QFileInfo::exists(earlier + suffix) && !QFile::rename(earlier + suffix, journalFile + suffix))
            return false;
    }
    return true;
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
    // Sent even when known: the learner may have erased his work on another computer since
    // this one last heard from the server, and the visit dates the lesson for a later erase.
    const bool known = m_visits.contains(lesson);
    JournalEntry entry;
    entry.kind = JournalEntry::Visit;
    entry.lesson = lesson;
    entry.made = QDateTime::currentDateTimeUtc();
    write(entry);
    return known;
}

void ServerLearnerStore::eraseWork()
{
    // It takes what is older than itself, wherever and whenever it reaches the server.
    JournalEntry entry;
    entry.kind = JournalEntry::Erase;
    entry.made = QDateTime::currentDateTimeUtc();
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
    return user.isEmpty() ? accountName() : user;
}

void ServerLearnerStore::reopenJournal()
{
    std::unique_ptr<LearnerJournal> journal;
    try {
        journal = std::make_unique<LearnerJournal>(m_journalFile);
        // The held writes go in, in their order, each out of memory once it is journalled.
        const std::lock_guard lock(m_unjournalled->mutex);
        while (!m_unjournalled->entries.empty()) {
            journal->append(m_unjournalled->entries.front());
            m_unjournalled->entries.pop_front();
        }
        journal->replaceMirror(m_visits, m_attempts);
        if (!m_login.isEmpty())
            journal->setLogin(m_login);
        journal->setCommits(m_connected ? LearnerJournal::Commits::AfterACrash : LearnerJournal::Commits::Synced);
    } catch (const CourseError& error) {
        traceSync(QStringLiteral("journal"), { { QStringLiteral("error"), error.message() } });
        return;
    }
    m_journal = std::move(journal);
    traceSync(QStringLiteral("journal"), { { QStringLiteral("reopened"), m_journalFile } });
}

void ServerLearnerStore::write(JournalEntry entry)
{
    entry.seq = ++m_lastSeq;
    // Within a run the times of visits and erases never go back, and an erase is later than
    // every write made here before it, so that it takes them all (a clock set back meanwhile,
    // or two writes within a millisecond).
    if (entry.kind != JournalEntry::Attempt && m_lastMade.isValid())
        entry.made = std::max(entry.made, entry.kind == JournalEntry::Erase ? m_lastMade.addMSecs(1) : m_lastMade);
    m_lastMade = std::max(m_lastMade.isValid() ? m_lastMade : entry.time(), entry.time());
    if (!m_journal)
        reopenJournal();
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

void ServerLearnerStore::onFailed(const QString& reason)
{
    commitJournal(LearnerJournal::Commits::Synced);
    m_connected = false;
    m_firstSyncDone = true;
    traceSync(QStringLiteral("failed"), { { QStringLiteral("reason"), reason } });
    if (!m_toldFailed) {
        m_toldFailed = true;
        m_tell(FailedMessage);
    }
}

void ServerLearnerStore::onRejected(qint64 seq, const QString& reason)
{
    m_rejected.insert(seq);
    traceSync(QStringLiteral("rejected"), { { QStringLiteral("seq"), seq }, { QStringLiteral("reason"), reason } });
    if (!m_toldRejected) {
        m_toldRejected = true;
        m_tell(RejectedMessage);
    }
}

void ServerLearnerStore::onSent(qint64 seq, int kind, bool added, double roundTripMs)
{
    // Sent in order: what came before is on the server too, but for what it refused.
    std::erase_if(m_unsent, [&](const JournalEntry& e) { return e.seq <= seq && !m_rejected.contains(e.seq); });
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
        if (entry.seq > sentUpTo || m_rejected.contains(entry.seq))
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
