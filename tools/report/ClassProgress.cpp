#include "ClassProgress.h"

#include "CourseError.h"
#include "CourseTexts.h"
#include "ExplainedError.h"
#include "Database.h"
#include "PgConnection.h"
#include "ProfileFile.h"
#include "SqlStatement.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int VideoLearningKind = 12;

QDateTime utc(const QString& text)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        when = QDateTime::fromString(text, Qt::ISODate);
    return when.toUTC();
}

} // namespace

int LearnerProgress::visitedIn(const ReportChapter& chapter) const
{
    int n = 0;
    for (int lesson : chapter.lessons)
        n += visited.contains(lesson) ? 1 : 0;
    return n;
}

ClassProgress::ClassProgress(const QString& courseFolder)
{
    const QString file = QDir(courseFolder).filePath(QStringLiteral("bbm.mdb"));
    const QString folder = QDir::cleanPath(courseFolder);
    if (!QFileInfo(courseFolder).isDir())
        throw CourseError(CourseTexts::folderMissing(folder) + QStringLiteral(" Indique la carpeta del curso con --course."));
    if (!QFileInfo(file).isFile())
        throw CourseError(CourseTexts::contentMissing(folder) + QStringLiteral(" Indique la carpeta del curso con --course."));
    m_course = courseIdentifier(courseFolder);
    try {
        auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        SqlStatement chapters(*db, QStringLiteral("select N_capitulo, min(nombre_capitulo) from capitulo group by N_capitulo order by N_capitulo"));
        QMap<int, QString> names;
        while (chapters.step())
            names.insert(chapters.value(0).toInt(), chapters.value(1).toString());
        SqlStatement lessons(*db, QStringLiteral("select N_leccion, N_capitulo_viene from lecciones where tipo = ? order by N_leccion"));
        lessons.bind(1, VideoLearningKind);
        QMap<int, QSet<int>> byChapter;
        while (lessons.step())
            byChapter[lessons.value(1).toInt()].insert(lessons.value(0).toInt());
        for (auto it = byChapter.cbegin(); it != byChapter.cend(); ++it) {
            const QString name = names.value(it.key(), QStringLiteral("Capítulo %1").arg(it.key()));
            m_chapters.push_back(ReportChapter { it.key(), name.trimmed(), it.value() });
        }
    } catch (const CourseError& error) {
        throw ExplainedError(QStringLiteral("%1: %2").arg(file, error.message()), CourseTexts::contentDamaged(folder));
    }
    if (m_chapters.empty())
        throw CourseError(QStringLiteral("%1: el curso no tiene lecciones de vídeo (tipo %2), cuyas visitas cuenta el informe")
                              .arg(file, QString::number(VideoLearningKind)));
}

QString ClassProgress::courseIdentifier(const QString& courseFolder)
{
    const ProfileFile inst(QDir(courseFolder).filePath(QStringLiteral("inst.ini")));
    const QString section = inst.value(QStringLiteral("PRMS"), QStringLiteral("dirdef"));
    if (section.isEmpty())
        throw CourseError(QStringLiteral("%1: falta el nombre del curso (dirdef en la sección [PRMS]), con el que el servidor guarda sus filas")
                              .arg(inst.fileName()));
    return section;
}

LearnerProgress& ClassProgress::learner(const QString& name)
{
    auto it = m_learners.find(name);
    if (it == m_learners.end()) {
        it = m_learners.insert(name, LearnerProgress {});
        it->name = name;
    }
    return *it;
}

void ClassProgress::touch(LearnerProgress& learner, const QDateTime& when)
{
    if (when.isValid() && (!learner.lastActivity.isValid() || when > learner.lastActivity))
        learner.lastActivity = when;
}

void ClassProgress::addSource(const QString& source, const QString& name)
{
    if (PgConnection::isServerTarget(source))
        addServer(source);
    else
        addFile(source, name);
}

void ClassProgress::addServer(const QString& target)
{
    try {
        readServer(target);
    } catch (const PgError& error) {
        // What a teacher can act on, in his words; the server's own words after it.
        QString what = QStringLiteral("No se puede leer el servidor de la clase");
        if (error.sqlState() == QLatin1String("42501"))
            what = QStringLiteral("El servidor de la clase no deja leer a este usuario (entre como profesor, miembro de tamsel_profesor)");
        else if (error.sqlState() == QLatin1String("42P01") || error.sqlState() == QLatin1String("3F000"))
            what = QStringLiteral("El servidor de la clase no tiene sus tablas (ejecute classroom.sql en él)");
        else if (error.sqlState() == QLatin1String("42703"))
            what = QStringLiteral("El servidor de la clase es de una versión anterior (ejecute en él el classroom.sql de esta)");
        throw ExplainedError(error.message(), what + QLatin1Char('.'));
    }
}

void ClassProgress::readServer(const QString& target)
{
    PgConnection server(target, 10);
    const auto iso = [](const char* column) {
        // A date of no calendar kept from before the server checked them (-infinity, a year
        // BC, written without its era) is no activity.
        return QStringLiteral("to_char(case when isfinite(%1) and %1 >= '2000-01-01 00:00:00+00' then %1 end at time zone 'UTC', "
                              "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')")
            .arg(QLatin1String(column));
    };
    // Every learner of the classroom, directly or through a group of his class, also one
    // who has done nothing yet in this course.
    const QString members = QStringLiteral(
        "with recursive miembros(rol) as ("
        "  select member from pg_auth_members where roleid = (select oid from pg_roles where rolname = 'tamsel_alumno')"
        "  union select m.member from pg_auth_members m join miembros on m.roleid = miembros.rol) "
        "select rolname from pg_roles join miembros on oid = rol where rolcanlogin");
    // Only they are listed: rows under any other name (a group's, forged before the server
    // tied rows to the login; the superuser's; a login taken out of the class) are no learner's.
    QSet<QString> classMembers;
    for (const auto& row : server.exec(members).rows) {
        classMembers.insert(row.at(0).toString());
        learner(row.at(0).toString());
    }
    const QVariantList course { m_course };
    for (const auto& row : server.exec(QStringLiteral("select alumno, leccion, %1 from tamsel.lecciones_usuario where curso = $1").arg(iso("fecha")), course).rows) {
        if (!classMembers.contains(row.at(0).toString()))
            continue;
        LearnerProgress& l = learner(row.at(0).toString());
        l.visited.insert(row.at(1).toInt());
        touch(l, utc(row.at(2).toString()));
    }
    const QString attempts = QStringLiteral("select alumno, count(*), max(porcentaje), %1 from tamsel.intentos_test where curso = $1 group by alumno")
                                 .arg(iso("max(fecha)"));
    for (const auto& row : server.exec(attempts, course).rows) {
        if (!classMembers.contains(row.at(0).toString()))
            continue;
        LearnerProgress& l = learner(row.at(0).toString());
        l.attempts += row.at(1).toInt();
        l.bestPercent = std::max(l.bestPercent.value_or(row.at(2).toInt()), row.at(2).toInt());
        touch(l, utc(row.at(3).toString()));
    }
}

void ClassProgress::addFile(const QString& file, const QString& name)
{
    if (!QFileInfo(file).isFile())
        throw CourseError(QStringLiteral("No se encuentra el archivo de alumno %1").arg(file));
    try {
        readFile(file, name);
    } catch (const CourseError& error) {
        throw ExplainedError(QStringLiteral("%1: %2").arg(file, error.message()),
            QStringLiteral("No se puede leer el archivo de alumno %1: está dañado o no es un archivo de alumno.").arg(QDir::toNativeSeparators(file)));
    }
}

void ClassProgress::readFile(const QString& file, const QString& name)
{
    auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
    if (!db->hasTable(QStringLiteral("lecciones_usuario")))
        throw CourseError(QStringLiteral("no es un archivo de alumno (no tiene la tabla lecciones_usuario)"));
    QString who = name;
    const bool hasAttempts = db->hasTable(QStringLiteral("intentos_test"));
    if (who.isEmpty() && hasAttempts) {
        SqlStatement named(*db, QStringLiteral("select alumno from intentos_test where alumno <> '' order by fecha desc limit 1"));
        if (named.step())
            who = named.value(0).toString();
    }
    if (who.isEmpty())
        who = QFileInfo(file).absoluteDir().dirName();
    LearnerProgress& l = learner(who);
    SqlStatement visits(*db, QStringLiteral("select leccion from lecciones_usuario where id = 0"));
    while (visits.step())
        l.visited.insert(visits.value(0).toInt());
    if (hasAttempts) {
        SqlStatement attempts(*db, QStringLiteral("select count(*), max(porcentaje), max(fecha) from intentos_test"));
        if (attempts.step() && attempts.value(0).toInt() > 0) {
            l.attempts += attempts.value(0).toInt();
            l.bestPercent = std::max(l.bestPercent.value_or(attempts.value(1).toInt()), attempts.value(1).toInt());
            touch(l, utc(attempts.value(2).toString()));
        }
    }
}

std::vector<LearnerProgress> ClassProgress::learners() const
{
    std::vector<LearnerProgress> all(m_learners.cbegin(), m_learners.cend());
    return all;
}
