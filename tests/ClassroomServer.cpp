#include "ClassroomServer.h"

#include "CourseError.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

QString quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString identifier(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw CourseError(QStringLiteral("%1 %2 failed: %3").arg(program, arguments.join(QLatin1Char(' ')), QString::fromUtf8(p.readAllStandardError())));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString psql(const QString& database, const QStringList& arguments)
{
    return run(QStringLiteral("psql"), QStringList { QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                           QStringLiteral("-tA"), QStringLiteral("-d"), database } + arguments);
}

} // namespace

bool ClassroomServer::isAvailable()
{
    return !qEnvironmentVariableIsEmpty("TAMSEL_PG_SOCKET");
}

ClassroomServer::ClassroomServer(const QString& name, Start start)
    : m_database(name)
{
    psql(QStringLiteral("postgres"), { QStringLiteral("-c"), QStringLiteral("drop database if exists %1 with (force)").arg(identifier(name)) });
    psql(QStringLiteral("postgres"), { QStringLiteral("-c"), QStringLiteral("create database %1").arg(identifier(name)) });
    if (start == SetUp)
        setUp();
    else
        psql(name, { QStringLiteral("-f"), QStringLiteral(TAMSEL_SOURCE_DIR "/tests/classroom-before-courses.sql") });
}

void ClassroomServer::setUp(const QString& course) const
{
    QStringList arguments { QStringLiteral("-f"), QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema/classroom.sql") };
    if (!course.isEmpty())
        arguments << QStringLiteral("-v") << QStringLiteral("curso=") + course;
    psql(m_database, arguments);
}

QString ClassroomServer::schema() const
{
    // Without the random key pg_dump guards its output with (\restrict), a new one each time.
    QStringList lines = run(QStringLiteral("pg_dump"), { QStringLiteral("--schema-only"), QStringLiteral("-d"), m_database }).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.startsWith(QLatin1String("\\restrict ")) || line.startsWith(QLatin1String("\\unrestrict ")); });
    return lines.join(QLatin1Char('\n'));
}

ClassroomServer::~ClassroomServer() = default;

QString ClassroomServer::target(const QString& user) const
{
    return QStringLiteral("host=%1 dbname=%2 user=%3")
        .arg(quoted(qEnvironmentVariable("TAMSEL_PG_SOCKET")), quoted(m_database), quoted(user));
}

void ClassroomServer::addLogin(const QString& user, Role role) const
{
    const QString group = role == Teacher ? QStringLiteral("tamsel_profesor") : QStringLiteral("tamsel_alumno");
    const QString id = identifier(user);
    // Roles outlive a test in the cluster: one an earlier test revoked logs in again.
    sql(QStringLiteral("do $$ begin if not exists (select from pg_roles where rolname = %1) then create role %2 login; end if; end $$; "
                       "alter role %2 login; grant %3 to %2")
            .arg(QStringLiteral("$q$") + user + QStringLiteral("$q$"), id, group));
}

void ClassroomServer::emptyClass() const
{
    sql(QStringLiteral("do $$ declare r record; begin "
                       "for r in select m.rolname from pg_auth_members a join pg_roles m on m.oid = a.member "
                       "  where a.roleid = 'tamsel_alumno'::regrole loop "
                       "  execute format('revoke tamsel_alumno from %I', r.rolname); "
                       "end loop; end $$"));
}

QString ClassroomServer::sql(const QString& text) const
{
    return psql(m_database, { QStringLiteral("-c"), text });
}

void ClassroomServer::control(const char* what)
{
    const int status = QProcess::execute(qEnvironmentVariable("TAMSEL_PG_CTL"), { QString::fromLatin1(what) });
    if (status != 0)
        throw CourseError(QStringLiteral("the test cluster's %1 failed (%2)").arg(QString::fromLatin1(what)).arg(status));
}
