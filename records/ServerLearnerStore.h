#pragma once

#include "LearnerJournal.h"
#include "LearnerStore.h"

#include <QJsonObject>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>

class ServerSync;
class Trace;
struct FirstSync;
struct UnjournalledWrites;

/// The learner store of a classroom: the learner's records on a PostgreSQL server, the
/// learner being the server login. The screens read and write a journal on this computer
/// (LearnerJournal), never the network; a sync on a thread of its own (ServerSync) sends
/// the writes in order when the server can be reached and brings the learner's records
/// back on every connection. The learner is told once when the server cannot be reached,
/// once when it refuses his login or his writes, once when it fails them for a while, and
/// once when the journal cannot be written (the writes are then held in memory, still
/// sent, and journalled as soon as the disc allows). Leaving never waits on the network:
/// what has not reached the server by then stays in the journal for the next start.
class ServerLearnerStore : public QObject, public LearnerStore {
    Q_OBJECT

public:
    using Tell = std::function<void(const QString& message)>;

    /// TARGET names the server (a URI or keyword string, no password); COURSE identifies
    /// the course on it; JOURNALFILE is the learner's journal of both on this computer; TELL
    /// shows the learner a message.
    ServerLearnerStore(const QString& target, const QString& course, const QString& journalFile, Trace& trace, Tell tell);
    ~ServerLearnerStore() override;

    /// The journal of TARGET and COURSE in the learner's data folder.
    static QString journalFor(const QString& target, const QString& course);
    /// A journal of TARGET kept before courses were told apart becomes JOURNALFILE's, the
    /// course now starting (the first to start with it), when that has none yet: its writes
    /// still go. True when one was taken over.
    static bool adoptEarlierJournal(const QString& target, const QString& journalFile);
    /// How long leaving waits for the sync to end (a server that holds a call holds the
    /// sync, never the program's end).
    static constexpr int StopWaitMs = 1000;
    /// How long, when the sync is in a round with the server: a healthy server ends its
    /// call by then; one that answers nothing would only hold the program's end.
    static constexpr int BusyStopWaitMs = 200;

    /// Waits up to MS for the first connection to end one way or the other (records read
    /// back, or the server found unreachable), without running any event; true when the
    /// records came back (they are then what the screens read).
    bool waitForFirstSync(int ms);

    QSet<qint16> visitedLessons() override;
    bool markVisited(qint16 lesson) override;
    void eraseWork() override;
    void saveAttempt(const TestAttempt& attempt) override;
    std::vector<TestAttempt> attempts(qint16 lesson) override;
    QString learner() const override;
    void setChangeListener(std::function<void()> listener) override { m_changed = std::move(listener); }

    /// Writes made here that the server has not confirmed yet.
    int unsentCount() const { return int(m_unsent.size()); }
    /// Those of them whose values the server refused in this run.
    int rejectedCount() const { return int(m_rejected.size()); }
    /// True while the writes are journalled (false while they are held in memory).
    bool isJournalling() const { return m_journal != nullptr; }
    bool isConnected() const { return m_connected; }
    /// Whether the screens' writes are synced to the disc (while the server is away) or not.
    std::optional<LearnerJournal::Commits> journalCommits() const
    {
        return m_journal ? std::optional(m_journal->commits()) : std::nullopt;
    }
    /// True when the journal holds the learner's records from an earlier connection.
    bool hasEarlierRecords() const { return !m_journalLogin.isEmpty(); }
    /// The number of the latest write made here.
    qint64 lastWrite() const { return m_lastSeq; }

Q_SIGNALS:
    /// The server has every write up to SEQ; the last took ROUNDTRIPMS from its sending to
    /// the server's answer.
    void reachedServer(qint64 seq, double roundTripMs);

public:

    // What the learner is told.
    static const QString UnreachableMessage;
    static const QString RefusedMessage;
    static const QString FailedMessage;
    static const QString RejectedMessage;
    static const QString JournalFullMessage;

private:
    void write(JournalEntry entry);
    /// Opens the journal again after it failed, and moves the writes held in memory into it.
    void reopenJournal();
    void onConnected(const QString& login);
    void onUnreachable(const QString& reason);
    void commitJournal(LearnerJournal::Commits commits);
    void onRefused(const QString& reason);
    void onFailed(const QString& reason);
    void onRejected(qint64 seq, const QString& reason);
    void onSent(qint64 seq, int kind, bool added, double roundTripMs);
    void onPulled(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts, qint64 sentUpTo);
    void onJournalFailed(const QString& reason);
    void traceSync(const QString& op, QJsonObject fields = {});

    QString m_target;
    QString m_journalFile;
    Trace& m_trace;
    Tell m_tell;
    std::unique_ptr<LearnerJournal> m_journal; ///< null once it could not be written
    std::shared_ptr<UnjournalledWrites> m_unjournalled;
    std::shared_ptr<FirstSync> m_first;
    QThread* m_thread = nullptr;  ///< left running at the end when a server call holds it
    ServerSync* m_sync = nullptr; ///< lives on m_thread
    QSet<qint16> m_visits;
    std::vector<TestAttempt> m_attempts; ///< the latest first
    std::vector<JournalEntry> m_unsent;
    QSet<qint64> m_rejected; ///< writes of m_unsent the server refused in this run
    qint64 m_lastSeq = 0;
    QDateTime m_lastMade; ///< the time of the latest write made here
    QString m_login;
    QString m_journalLogin; ///< the login the journal knew at start
    std::function<void()> m_changed;
    bool m_connected = false;
    bool m_firstSyncDone = false;
    bool m_toldUnreachable = false;
    bool m_toldRefused = false;
    bool m_toldFailed = false;
    bool m_toldRejected = false;
    bool m_toldJournal = false;
};
