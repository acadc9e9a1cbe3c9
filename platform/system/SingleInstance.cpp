#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QUrl>

namespace {
const QByteArray restoreRequest = "restore\n";
const QByteArray restoredAnswer = "restored\n";
// Before its answer a copy says which course it plays, percent-encoded on one line. A copy
// of an earlier version stops reading at the first line, whatever it says.
const QByteArray courseLine = "course ";
constexpr int answerTimeoutMs = 3000;
// An answer is a few short lines; a copy that says more is not listened to further.
constexpr int answerLines = 8;
constexpr qint64 answerLineBytes = 16384;
// A copy starting at the same moment creates its lock file a moment before it writes
// who it is into it.
constexpr int lockInfoAttempts = 10;
constexpr int lockInfoPauseMs = 20;
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
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

SingleInstance::Claim SingleInstance::claim()
{
    m_errorString.clear();
    if (m_lock.tryLock(0)) {
        QLocalServer::removeServer(m_socketPath);
        m_server.listen(m_socketPath);
        return Claim::Claimed;
    }
    if (m_lock.error() == QLockFile::LockFailedError && heldByLiveCopy()) {
        askToRestore();
        return Claim::HandedOver;
    }
    const QString lockFile = QDir(m_folder).filePath(QStringLiteral("tamsel.lock"));
    QString why;
    if (!QFileInfo(m_folder).isDir())
        why = QStringLiteral("the folder %1 does not exist and cannot be made").arg(m_folder);
    else if (m_lock.error() == QLockFile::LockFailedError)
        why = QStringLiteral("it names no running copy, yet it cannot be replaced");
    else if (m_lock.error() == QLockFile::PermissionError)
        why = QStringLiteral("the folder %1 cannot be written").arg(m_folder);
    else
        why = QStringLiteral("the folder %1 refuses new files").arg(m_folder);
    m_errorString = QStringLiteral("cannot take the lock %1 that keeps the player to one copy: %2").arg(lockFile, why);
    return Claim::Failed;
}

bool SingleInstance::heldByLiveCopy()
{
    // QLockFile reports a lock it could not take as failed both when a running copy holds
    // it and when the file cannot be read as a lock at all; only the first names a copy
    // (whose life QLockFile has already checked).
    for (int attempt = 0; attempt < lockInfoAttempts; ++attempt) {
        qint64 pid = 0;
        QString hostName;
        QString appName;
        if (m_lock.getLockInfo(&pid, &hostName, &appName) && pid > 0)
            return true;
        QThread::msleep(lockInfoPauseMs);
    }
    return false;
}

void SingleInstance::askToRestore()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(answerTimeoutMs)) {
        socket.write(restoreRequest);
        socket.waitForBytesWritten(answerTimeoutMs);
        // Wait until the running copy has processed the request, as the restore keystrokes were waited for.
        int lines = 0;
        while (lines < answerLines && (socket.canReadLine() || socket.waitForReadyRead(answerTimeoutMs))) {
            if (!socket.canReadLine() && socket.bytesAvailable() < answerLineBytes)
                continue;
            ++lines;
            const QByteArray line = socket.readLine(answerLineBytes);
            if (line == restoredAnswer)
                break;
            if (line.startsWith(courseLine) && line.endsWith('\n'))
                m_runningCourse = QUrl::fromPercentEncoding(line.mid(courseLine.size()).chopped(1));
        }
    }
}

void SingleInstance::answer(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() == restoreRequest) {
            Q_EMIT restoreRequested();
            if (!m_course.isEmpty())
                socket->write(courseLine + QUrl::toPercentEncoding(m_course) + '\n');
            socket->write(restoredAnswer);
            socket->flush();
        }
    }
}

bool SingleInstance::sameCourse(const QString& a, const QString& b)
{
    const auto where = [](const QString& course) {
        const QFileInfo info(course.trimmed());
        const QString real = info.canonicalFilePath();
        return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
    };
    return where(a) == where(b);
}
