#pragma once

#include "LearnerJournal.h"

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

class PgConnection;

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

/// Sends the learner's journalled writes to the server, in order, each exactly once, and
/// reads back his records on every (re)connection. Lives on a thread of its own, so that
/// the screens never wait on the network: it owns the only server connection and its own
/// handle on the journal. What happens is told by signals, received on the screens' thread.
class ServerSync : public QObject {
    Q_OBJECT

public:
    /// TARGET names the server (see PgConnection); JOURNALFILE is the learner's journal.
    ServerSync(const QString& target, const QString& journalFile, std::shared_ptr<UnjournalledWrites> unjournalled,
        std::shared_ptr<FirstSync> first);
    ~ServerSync() override;

    /// Between tries while the server cannot be reached, and while it refuses the writes.
    static constexpr int RetryMs = 500;
    static constexpr int RefusedRetryMs = 5000;

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
    /// Write SEQ was wrong in itself (REASON) and is set aside, so that later writes still go.
    void rejected(qint64 seq, const QString& reason);
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
    /// Write SEQ and those before it are on the server: out of memory, and out of the
    /// journal when FROMJOURNAL; false when the journal could not be written.
    bool forget(qint64 seq, bool fromJournal);
    void schedule(int ms);
    bool connect();
    /// Sends ENTRY; false when it must wait (the connection dropped, or the server refuses).
    bool send(const JournalEntry& entry);
    void pull();
    void disconnectFrom(const QString& reason, bool refusedWrites);
    void endFirstSync(bool reached, const QSet<qint16>& visits = {}, const std::vector<TestAttempt>& attempts = {});

    QString m_target;
    QString m_journalFile;
    std::shared_ptr<UnjournalledWrites> m_unjournalled;
    std::shared_ptr<FirstSync> m_first;
    std::unique_ptr<LearnerJournal> m_journal;
    std::unique_ptr<PgConnection> m_connection;
    QTimer* m_timer = nullptr;
    bool m_pullDue = true;
    qint64 m_sentUpTo = 0;
    int m_forgottenSinceCheckpoint = 0;
    QString m_login;
};
