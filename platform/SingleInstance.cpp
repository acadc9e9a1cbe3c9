#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>

namespace {
const QByteArray restoreRequest = "restore\n";
const QByteArray restoredAnswer = "restored\n";
constexpr int answerTimeoutMs = 3000;
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_socketPath(QDir(folder).filePath(QStringLiteral("tamsel.socket")))
    , m_lock(QDir(folder).filePath(QStringLiteral("tamsel.lock")))
{
    QDir().mkpath(folder);
    // A lock left by a copy that died is stale however young it is.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (m_lock.tryLock(0)) {
        QLocalServer::removeServer(m_socketPath);
        m_server.listen(m_socketPath);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(answerTimeoutMs)) {
        socket.write(restoreRequest);
        socket.waitForBytesWritten(answerTimeoutMs);
        // Wait until the running copy has processed the request, as the restore keystrokes were waited for.
        while (!socket.canReadLine() && socket.waitForReadyRead(answerTimeoutMs)) {
        }
    }
    return false;
}

void SingleInstance::answer(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() == restoreRequest) {
            Q_EMIT restoreRequested();
            socket->write(restoredAnswer);
            socket->flush();
        }
    }
}
