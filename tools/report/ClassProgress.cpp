#include "ClassProgress.h"

#include "CourseError.h"
#include "Database.h"
#include "PgConnection.h"
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
    if (m_chapters.empty())
        throw CourseError(QStringLiteral("%1: the course has no video-learning lessons (tipo %2), whose visits the report counts")
                              .arg(file)
                              .arg(VideoLearningKind));
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
    PgConnection server(target, 10);
    const auto iso = [](const char* column) {
        return QStringLiteral("to_char(%1 at time zone 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')").arg(QLatin1String(column));
    };
    for (const auto& row : server.exec(QStringLiteral("select alumno, leccion, %1 from tamsel.lecciones_usuario").arg(iso("fecha"))).rows) {
        LearnerProgress& l = learner(row.at(0).toString());
        l.visited.insert(row.at(1).toInt());
        touch(l, utc(row.at(2).toString()));
    }
    const QString attempts =
        QStringLiteral("select alumno, count(*), max(porcentaje), %1 from tamsel.intentos_test group by alumno").arg(iso("max(fecha)"));
    for (const auto& row : server.exec(attempts).rows) {
        LearnerProgress& l = learner(row.at(0).toString());
        l.attempts += row.at(1).toInt();
        l.bestPercent = std::max(l.bestPercent.value_or(row.at(2).toInt()), row.at(2).toInt());
        touch(l, utc(row.at(3).toString()));
    }
}

void ClassProgress::addFile(const QString& file, const QString& name)
{
    auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
    if (!db->hasTable(QStringLiteral("lecciones_usuario")))
        throw CourseError(QStringLiteral("%1: not a learner database (it has no table lecciones_usuario)").arg(file));
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
