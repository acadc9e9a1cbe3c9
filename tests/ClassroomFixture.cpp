#include "ClassroomFixture.h"

#include <QFile>
#include <QFileInfo>
#include <csignal>

const QString ClassroomFixture::kCourse = QStringLiteral("CURSO");

pid_t ClassroomFixture::postmaster()
{
    QFile pidFile(QFileInfo(qEnvironmentVariable("TAMSEL_PG_CTL")).absolutePath() + QStringLiteral("/data/postmaster.pid"));
    return pidFile.open(QIODevice::ReadOnly) ? pid_t(pidFile.readLine().trimmed().toInt()) : 0;
}

void ClassroomFixture::openTraceWhenAsked()
{
    if (qEnvironmentVariableIsSet("CLASSROOM_TRACE"))
        m_trace.open(QStringLiteral("-"));
}

void ClassroomFixture::setUpServer(const QString& name)
{
    m_told.clear();
    m_server = std::make_unique<ClassroomServer>(name);
    m_server->addLogin(QStringLiteral("ana"));
    m_server->addLogin(QStringLiteral("luis"));
}

void ClassroomFixture::tearDownServer()
{
    if (ClassroomServer::isAvailable()) {
        if (const pid_t pid = postmaster())
            ::kill(pid, SIGCONT);
        ClassroomServer::control("start");
    }
    m_server.reset();
}

QString ClassroomFixture::newJournal()
{
    return m_home.filePath(QStringLiteral("journal-%1.sqlite").arg(++m_journals));
}

QString ClassroomFixture::lastJournal() const
{
    return m_home.filePath(QStringLiteral("journal-%1.sqlite").arg(m_journals));
}

std::unique_ptr<ServerLearnerStore> ClassroomFixture::storeOf(const QString& user, QString journal, const QString& course)
{
    if (journal.isEmpty())
        journal = newJournal();
    return std::make_unique<ServerLearnerStore>(m_server->target(user), course, journal, m_trace, [this](const QString& m) { m_told << m; });
}

QString ClassroomFixture::count(const QString& table, const QString& where) const
{
    return m_server->sql(QStringLiteral("select count(*) from tamsel.%1 where %2").arg(table, where));
}

TestAttempt ClassroomFixture::attemptAt(qint16 lesson, int points, int maximum, const QDateTime& finished)
{
    TestAttempt a;
    a.id = TestAttempt::newId();
    a.lesson = lesson;
    a.finished = finished;
    a.points = points;
    a.maximum = maximum;
    a.percent = maximum ? points * 100 / maximum : 0;
    a.answers = { 1, 2, 0, 4 };
    return a;
}
