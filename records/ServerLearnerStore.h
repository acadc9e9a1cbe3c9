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
/// once when it refuses his writes, and once when the journal cannot be written (the
/// writes are then held in memory and still sent).
class ServerLearnerStore : public QObject, public LearnerStore {
    Q_OBJECT

public:
    using Tell = std::function<void(const QString& message)>;

    /// TARGET names the server (a URI or keyword string, no password); JOURNALFILE is the
    /// learner's journal on this computer; TELL shows the learner a message.
    ServerLearnerStore(const QString& target, const QString& journalFile, Trace& trace, Tell tell);
    ~ServerLearnerStore() override;

    /// The journal of TARGET in the learner's data folder.
    static QString journalFor(const QString& target);

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
    static const QString JournalFullMessage;

private:
    void write(JournalEntry entry);
    void onConnected(const QString& login);
    void onUnreachable(const QString& reason);
    void commitJournal(LearnerJournal::Commits commits);
    void onRefused(const QString& reason);
    void onSent(qint64 seq, int kind, bool added, double roundTripMs);
    void onPulled(const QSet<qint16>& visits, const std::vector<TestAttempt>& attempts, qint64 sentUpTo);
    void onJournalFailed(const QString& reason);
    void traceSync(const QString& op, QJsonObject fields = {});

    QString m_target;
    Trace& m_trace;
    Tell m_tell;
    std::unique_ptr<LearnerJournal> m_journal; ///< null once it could not be written
    std::shared_ptr<UnjournalledWrites> m_unjournalled;
    std::shared_ptr<FirstSync> m_first;
    QThread m_thread;
    ServerSync* m_sync = nullptr; ///< lives on m_thread
    QSet<qint16> m_visits;
    std::vector<TestAttempt> m_attempts; ///< the latest first
    std::vector<JournalEntry> m_unsent;
    qint64 m_lastSeq = 0;
    QString m_login;
    QString m_journalLogin; ///< the login the journal knew at start
    std::function<void()> m_changed;
    bool m_connected = false;
    bool m_firstSyncDone = false;
    bool m_toldUnreachable = false;
    bool m_toldRefused = false;
    bool m_toldJournal = false;
};
