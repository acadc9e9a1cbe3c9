#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

/// Keeps one copy of the player running per user: a lock file claims the right to run,
/// and a local socket beside it lets a later copy ask the running one to come to the front.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    /// FOLDER holds the lock and the socket (the user's runtime folder).
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        Claimed, ///< this is the only copy, which from now on listens for later copies
        HandedOver, ///< a live copy holds the lock and was asked to restore its window
        Failed, ///< the lock could not be taken for any other reason; see errorString()
    };

    /// Takes the right to run. When a live copy holds it, asks that copy to restore its
    /// window and waits until it has answered (at most a few seconds).
    Claim claim();

    /// Why the last claim() failed, naming the lock file.
    QString errorString() const { return m_errorString; }

    /// The course this copy plays (its folder or disc image), told to later copies.
    void setCourse(const QString& course) { m_course = course; }

    /// After a claim() that handed over: the course the running copy plays, as it told;
    /// empty when it told none (it is still starting, or older than this one).
    QString runningCourse() const { return m_runningCourse; }

    /// Whether the courses A and B are the same folder or image, links followed.
    static bool sameCourse(const QString& a, const QString& b);

Q_SIGNALS:
    /// A later copy asked this one to restore its window and come to the front.
    void restoreRequested();

private:
    void answer(QLocalSocket* socket);
    bool heldByLiveCopy();
    void askToRestore();

    QString m_folder;
    QString m_socketPath;
    QString m_errorString;
    QString m_course;
    QString m_runningCourse;
    QLockFile m_lock;
    QLocalServer m_server;
};
