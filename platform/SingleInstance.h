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

    /// True when this is the only copy, which from now on listens for later copies.
    /// Otherwise asks the running copy to restore its window, waits until it has
    /// answered (at most a few seconds) and returns false.
    bool claim();

Q_SIGNALS:
    /// A later copy asked this one to restore its window and come to the front.
    void restoreRequested();

private:
    void answer(QLocalSocket* socket);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};
