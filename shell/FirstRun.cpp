#include "FirstRun.h"

#include "CourseError.h"
#include "ProfileFile.h"
#include "StartUp.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>

namespace {

const QString learnerFile = QStringLiteral("usrcurso.mdb");
const QString recorderTemplate = QStringLiteral("ejgrab.wav");

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw CourseError(QStringLiteral("cannot create the folder %1").arg(folder));
}

} // namespace

FirstRun::FirstRun(const CourseFolder& course)
    : m_course(course)
{
}

bool FirstRun::isDue() const
{
    return !QFileInfo::exists(StartUp::expertIniPath()) && QFileInfo(m_course.resolve(learnerFile)).isFile();
}

void FirstRun::run(Trace& trace) const
{
    const QString config = UserPaths::configFolder();
    const QString data = UserPaths::dataFolder();
    makeFolder(config);
    makeFolder(data);
    copyOnce(learnerFile, data);
    // The recorder's template lives beside the learner database, as an installed course had it.
    if (QFileInfo::exists(m_course.resolve(recorderTemplate)))
        copyOnce(recorderTemplate, data);
    writeExpertIni(data + learnerFile);
    trace.event("first_run", { { QStringLiteral("config"), config }, { QStringLiteral("data"), data } });
}

void FirstRun::copyOnce(const QString& name, const QString& into) const
{
    const QString target = into + name;
    if (QFileInfo::exists(target))
        return;
    const QString source = m_course.resolve(name);
    QFile file(source);
    if (!file.copy(target))
        throw CourseError(QStringLiteral("cannot copy %1 to %2: %3").arg(source, target, file.errorString()));
    // A course on a CD-ROM or in a system folder is read-only; the learner's copy is his to change.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void FirstRun::writeExpertIni(const QString& learnerDatabase) const
{
    // inst.ini is Windows-1252 and the learner's path is spelt as this system spells file
    // names: the section is read into Unicode and the whole file written as UTF-8, which
    // the player reads back as UTF-8 (see ProfileFile).
    const QString course = ProfileFile(m_course.resolve(QStringLiteral("inst.ini"))).value(QStringLiteral("PRMS"), QStringLiteral("dirdef"));
    const QString program = StartUp::programSection();
    QStringList sections;
    if (!course.isEmpty())
        sections << course;
    if (course.compare(program, Qt::CaseInsensitive) != 0)
        sections << program;
    QString text;
    for (const QString& section : std::as_const(sections))
        text += QStringLiteral("[%1]\r\nBDW=%2\r\n").arg(section, learnerDatabase);
    const QString expert = StartUp::expertIniPath();
    QSaveFile file(expert);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw CourseError(QStringLiteral("cannot write %1: %2").arg(expert, file.errorString()));
}
