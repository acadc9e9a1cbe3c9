#pragma once

#include "LearnerJournal.h"
#include "PgConnection.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>


/// How the sync's first try ended, for a start-up that waits a moment for it.
struct FirstSync {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool reached = false; ///< the records were read back
    QString login;
    QSet<qint16> visits;
    std::vector<TestAttempt> attempts;
    qint64 sentUpTo = 0;
};

/// The writes that could not be journalled (the disc is full), held in memory until sent.
struct UnjournalledWrites {
    std::mutex mutex;
    std::deque<JournalEntry> entries;
};

/// Sends the learner's journalled writes of one course to the server, in order, and reads
/// back his records of that course on every (re)connection. The server keeps each write
/// once however often it comes (a visit moves its date on, an attempt has its id, an erase
/// takes only what is older than itself), so a write that may not have arrived is simply
/// sent again. Lives on a thread of its own, so that the screens never wait on the network:
/// it owns the only server connection and its own handle on the journal. What happens is
/// told by signals, received on the screens' thread.
class ServerSync : public QObject {
    Q_OBJECT

public:
    /// TARGET names the server (see PgConnection); COURSE is the course's identifier on it;
    /// JOURNALFILE is the learner's journal.
    ServerSync(const QString& target, const QString& course, const QString& journalFile,
        std::shared_ptr<UnjournalledWrites> unjournalled, std::shared_ptr<FirstSync> first);
    ~ServerSync() override;

    /// The first wait before another try, doubled at each failure in a row up to its limit:
    /// while the server cannot be reached, while it fails the writes, while it refuses them.
    static constexpr int RetryMs = 500;
    static constexpr int RetryLimitMs = 8000;
    static constexpr int FailedRetryMs = 1000;
    static constexpr int FailedRetryLimitMs = 30000;
    static constexpr int RefusedRetryMs = 5000;
    static constexpr int RefusedRetryLimitMs = 60000;
    /// How long one statement, or the wait for a lock, may take on the server.
    static constexpr const char* StatementTimeout = "10s";
    static constexpr const char* LockTimeout = "2s";
    /// The connection's own limit for being made.
    static constexpr int ConnectTimeoutSeconds = 3;

    /// True while a round of sending and reading back runs (a server call may hold it for
    /// as long as its time-outs allow); read from any thread.
    bool isBusy() const { return m_busy.load(); }

public Q_SLOTS:
    /// On the sync's thread: opens the journal and makes the first connection.
    void start();
    /// Something new is waiting to be sent.
    void wake();
    /// Closes the connection (on the sync's thread, before it ends).
    void stop();

Q_SIGNALS:
    /// Connected as LOGIN; whether the server is a read-only one.
    void connected(const QString& login);
    /// The server cannot be reached (REASON for the trace).
    void unreachable(const QString& reason);
    /// The server answers but will not keep the learner's writes.
    void refused(const QString& reason);
    /// Write SEQ reached the server (ADDED: it changed a row; false for a write it had
    /// already), ROUNDTRIPMS after it was sent.
    void sent(qint64 seq, int kind, bool added, double roundTripMs);
    /// The server refused the values of write SEQ (REASON): it stays in the journal, marked,
    /// to go again at the next start, and later writes still go.
    void rejected(qint64 seq, const QString& reason);
    /// The server failed a write or a read for a reason that may pass (REASON): tried again later.
    void failed(const QString& reason);
    /// The server's records of the learner, once every earlier write had reached it.
    void pulled(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts, qint64 sentUpTo);
    /// The journal on this computer could not be read or written by the sync.
    void journalFailed(const QString& reason);

private:
    void sync();
    /// The journal's log copied into its file, now and then, off the screens' thread.
    void checkpoint();
    static constexpr int CheckpointEvery = 50; ///< writes sent
    /// Every write not yet sent, journalled or held in memory, in the order written;
    /// nothing when the journal could not be read.
    std::optional<std::vector<JournalEntry>> waiting();
    /// Write SEQ is on the server: out of memory, and out of the journal when FROMJOURNAL;
    /// false when the journal could not be written.
    bool forget(qint64 seq, bool fromJournal);
    /// Opens the journal when it is not (it could not be made at start, or its disc was full).
    void openJournal();
    void schedule(int ms);
    bool connect();
    enum class Sent { Yes, SetAside, Wait };
    /// Sends ENTRY: Wait when the connection dropped or the server refuses or fails it.
    Sent send(const JournalEntry& entry);
    /// TIME on the server's clock.
    QString serverTime(const QDateTime& time) const;
    void pull();
    void disconnectFrom(const PgError& error);
    void disconnectFrom(const QString& reason, PgError::Kind kind);
    void endFirstSync(bool reached, const QSet<qint16>& visits = {}, const std::vector<TestAttempt>& attempts = {});

    QString m_target;
    QString m_course;
    QString m_journalFile;
    std::shared_ptr<UnjournalledWrites> m_unjournalled;
    std::shared_ptr<FirstSync> m_first;
    std::unique_ptr<LearnerJournal> m_journal;
    std::unique_ptr<PgConnection> m_connection;
    QTimer* m_timer = nullptr;
    bool m_pullDue = true;
    qint64 m_sentUpTo = 0;
    int m_forgottenSinceCheckpoint = 0;
    int m_failuresInARow = 0;
    bool m_journalFailedTold = false;
    qint64 m_clockOffsetMs = 0; ///< the server's clock less this computer's
    QSet<qint64> m_setAside;    ///< writes whose values the server refused in this run
    QString m_login;
    std::atomic<bool> m_busy = false;
};
