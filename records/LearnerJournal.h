#pragma once

#include "LearnerStore.h"

#include <functional>
#include <memory>
#include <mutex>

class Database;

/// One write of the learner's, as it waits to reach the server.
struct JournalEntry {
    enum Kind { Visit, Attempt, Erase };
    qint64 seq = 0;     ///< the order the learner made them in
    Kind kind = Visit;
    qint16 lesson = 0;  ///< Visit
    QDateTime made;     ///< Visit, Erase: when, UTC (an erase takes only what is older)
    TestAttempt attempt; ///< Attempt
    QString rejection;  ///< why the server refused it last time ("" when it did not)

    /// When the learner made it: an attempt when it finished.
    QDateTime time() const { return kind == Attempt ? attempt.finished : made; }
};

/// The learner's records on this computer while they belong to a server: a SQLite file in
/// the learner's data folder holding what the server last said plus every write made since
/// (the mirror the screens read), and the writes still to be sent, in order. A write is
/// committed to the file before append() returns, so a program killed at any moment keeps
/// every write it made but the one in flight. Each thread opens the file for itself.
class LearnerJournal {
public:
    /// How far a commit of this handle's is on the disc when it returns.
    enum class Commits {
        Synced,       ///< through a power loss: the learner's writes while no server has them
        AfterACrash,  ///< through the program's end (kill -9 included), and synced with the
                      ///< next synced commit: the learner's writes while the server takes
                      ///< them within milliseconds, and the sync's bookkeeping, which at
                      ///< worst sends a write again
    };
    /// Opens FILE, making it (and its folder) when missing. Throws CourseError.
    explicit LearnerJournal(const QString& file, Commits commits = Commits::Synced);
    /// From now on; going to Synced makes every earlier commit synced too.
    void setCommits(Commits commits);
    Commits commits() const { return m_commits; }
    /// Copies the log's committed writes into the file, waiting for no one.
    void checkpoint();
    ~LearnerJournal();
    LearnerJournal(const LearnerJournal&) = delete;
    LearnerJournal& operator=(const LearnerJournal&) = delete;

    QSet<qint16> visits() const;
    std::vector<TestAttempt> attempts() const; ///< the latest first
    /// Keeps ENTRY to be sent and applies it to the mirror, in one transaction.
    void append(const JournalEntry& entry);
    /// The writes still to be sent, the oldest first.
    std::vector<JournalEntry> pending() const;
    /// ENTRY reached the server: forgets it.
    void remove(qint64 seq);
    /// The server refused write SEQ for REASON: it stays, marked, and goes again at a later start.
    void markRejected(qint64 seq, const QString& reason);
    /// The last write's number (0 before any).
    qint64 lastSeq() const;
    /// The mirror becomes what the server holds (VISITS, ATTEMPTS) with the writes still
    /// to be sent applied over it.
    void replaceMirror(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts);

    /// The server login the records belong to, as last known ("" before the first connection).
    QString login() const;
    void setLogin(const QString& login);

    QString fileName() const { return m_file; }

    /// Applies ENTRY to VISITS and ATTEMPTS as the server will (an erase takes the visits,
    /// and the attempts older than itself).
    static void apply(const JournalEntry& entry, QSet<qint16>& visits, std::vector<TestAttempt>& attempts);

private:
    void applyToMirror(const JournalEntry& entry);
    void transaction(const std::function<void()>& work);

    QString m_file;
    std::shared_ptr<std::mutex> m_writeLock; ///< shared by this process's handles on the file
    Commits m_commits = Commits::Synced;
    std::unique_ptr<Database> m_db;
};
