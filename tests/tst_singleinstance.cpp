// A second copy of the player asks the running one to come to the front and learns which
// course it plays; what an earlier version answers, or a copy that never stops talking,
// still lets it end.
#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

// The running copy's side of the socket, answering every request with ANSWER.
class RunningCopy : public QThread {
public:
    RunningCopy(const QString& socketPath, const QByteArray& answer)
        : m_socketPath(socketPath)
        , m_answer(answer)
    {
    }

    void waitUntilListening() { m_listening.acquire(); }

protected:
    void run() override
    {
        QLocalServer server;
        server.listen(m_socketPath);
        QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, this] {
            QLocalSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, this] {
                if (socket->canReadLine() && socket->readLine() == "restore\n") {
                    socket->write(m_answer);
                    socket->flush();
                }
            });
        });
        m_listening.release();
        exec();
    }

private:
    QString m_socketPath;
    QByteArray m_answer;
    QSemaphore m_listening;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondCopyLearnsTheRunningCourse_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("course");
        QTest::newRow("this version") << QByteArray("course /cursos/ingl%C3%A9s%20b%C3%A1sico\nrestored\n") << QStringLiteral("/cursos/inglés básico");
        QTest::newRow("a course with a line break") << QByteArray("course /a%0Ab\nrestored\n") << QStringLiteral("/a\nb");
        QTest::newRow("an earlier version") << QByteArray("restored\n") << QString();
        QTest::newRow("lines of no kind known") << QByteArray("hello\ncourse\nrestored\n") << QString();
        QTest::newRow("talks on without end") << QByteArray("x\n").repeated(100) << QString();
        QTest::newRow("one endless line") << QByteArray(1 << 20, 'x') << QString();
    }

    void aSecondCopyLearnsTheRunningCourse()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, course);
        QTemporaryDir folder;
        QLockFile held(folder.filePath(QStringLiteral("tamsel.lock")));
        QVERIFY(held.tryLock(0));
        RunningCopy running(folder.filePath(QStringLiteral("tamsel.socket")), answer);
        running.start();
        running.waitUntilListening();

        SingleInstance second(folder.path());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(second.claim(), SingleInstance::Claim::HandedOver);
        QVERIFY2(timer.elapsed() < 10000, "the second copy waited too long");
        QCOMPARE(second.runningCourse(), course);
        running.quit();
        running.wait();
    }

    void aCourseIsTheSameHoweverItIsSpelt_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("itself") << "curso" << "curso" << true;
        QTest::newRow("trailing slash") << "curso/" << "curso" << true;
        QTest::newRow("dot and dot-dot") << "curso/./sub/.." << "curso" << true;
        QTest::newRow("through a link") << "enlace" << "curso" << true;
        QTest::newRow("another folder") << "otro" << "curso" << false;
        QTest::newRow("not there, same words") << "falta/" << "falta" << true;
        QTest::newRow("not there, other words") << "falta" << "curso" << false;
    }

    void aCourseIsTheSameHoweverItIsSpelt()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("curso/sub")) && QDir(dir.path()).mkpath(QStringLiteral("otro")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("curso")), dir.filePath(QStringLiteral("enlace"))));
        QCOMPARE(SingleInstance::sameCourse(dir.filePath(a), dir.filePath(b)), same);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
