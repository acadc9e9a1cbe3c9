#include "FirstRun.h"

#include "Cp1252.h"
#include "CourseError.h"
#include "ExplainedError.h"
#include "JetStandIn.h"
#include "ProfileFile.h"
#include "StartUp.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <optional>

namespace {

const QString learnerFile = QStringLiteral("usrcurso.mdb");
const QString recorderTemplate = QStringLiteral("ejgrab.wav");
// Room for the hash and whatever a file system allows in one name.
constexpr qsizetype LongestCourseName = 64;

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw CourseError(QStringLiteral("cannot create the folder %1").arg(folder));
}

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // The decoder only decodes when its result is taken.
    [[maybe_unused]] const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

std::optional<QByteArray> toCp1252(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const int byte = cp1252Byte(c.unicode());
        if (byte < 0)
            return std::nullopt;
        bytes += char(byte);
    }
    return bytes;
}

} // namespace

FirstRun::FirstRun(const CourseFolder& course)
    : m_course(course)
{
}

bool FirstRun::isDue() const
{
    if (!QFileInfo(m_course.resolve(learnerFile)).isFile())
        return false;
    // A course whose inst.ini names no section of its own is refused at start: nothing is
    // copied or written for it.
    const QString section = courseSection();
    if (section.isEmpty())
        return false;
    const QString expert = StartUp::expertIniPath();
    if (!QFileInfo::exists(expert))
        return true;
    return !ProfileFile(expert).containsSection(section);
}

void FirstRun::run(Trace& trace) const
{
    const QString config = UserPaths::configFolder();
    const QString data = UserPaths::dataFolder();
    const QString learner = learnerFolder();
    makeFolder(config);
    makeFolder(learner);
    const bool firstCopy = !QFileInfo::exists(learner + learnerFile);
    copyOnce(learnerFile, learner);
    if (firstCopy)
        keepOnlyIfItOpens(learner + learnerFile, trace);
    // The recorder's template lives beside the learner database, as an installed course had it.
    if (QFileInfo::exists(m_course.resolve(recorderTemplate)))
        copyOnce(recorderTemplate, learner);
    addSections(learner + learnerFile);
    trace.event("first_run",
        { { QStringLiteral("config"), config }, { QStringLiteral("data"), data }, { QStringLiteral("learner"), learner + learnerFile } });
}

QString FirstRun::learnerFolder() const
{
    // A course on a disc image is named after the image file.
    const QFileInfo folder(m_course.origin());
    const QString canonical = folder.canonicalFilePath();
    const QString path = canonical.isEmpty() ? folder.absoluteFilePath() : canonical;
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    QString name = QDir(path).dirName().left(LongestCourseName);
    // A course at the root of its disc has no name of its own; a dot would hide the folder.
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("curso"));
    return UserPaths::dataFolder() + name + QLatin1Char('-') + hash + QLatin1Char('/');
}

QString FirstRun::courseSection() const
{
    return ProfileFile(m_course.resolve(QStringLiteral("inst.ini"))).value(QStringLiteral("PRMS"), QStringLiteral("dirdef"));
}

void FirstRun::keepOnlyIfItOpens(const QString& copy, Trace& trace) const
{
    // A damaged template would leave a damaged copy that every later start opens (a first
    // run is not due again): no copy, no settings, and the learner told which file it is.
    try {
        // Opened as the player opens it next, so that a Jet template is converted once, here.
        JetStandIn::open(copy, ShareMode::Shared, AccessMode::ReadWrite, StartUp::connectString(), &trace);
    } catch (const CourseError& error) {
        QFile::remove(copy);
        const QString source = m_course.resolve(learnerFile);
        throw ExplainedError(QStringLiteral("%1 cannot be opened, so no copy of it is kept: %2").arg(source, error.message()),
            QStringLiteral("El archivo %1 del curso está dañado: no se pueden preparar tus datos del curso.")
                .arg(QDir::toNativeSeparators(source)));
    }
}

void FirstRun::copyOnce(const QString& name, const QString& into) const
{
    const QString target = into + name;
    if (QFileInfo::exists(target))
        return;
    copyFile(m_course.resolve(name), target);
}

void FirstRun::copyFile(const QString& source, const QString& target)
{
    QFile file(source);
    if (!file.copy(target))
        throw CourseError(QStringLiteral("cannot copy %1 to %2: %3").arg(source, target, file.errorString()));
    // A course on a CD-ROM or in a system folder is read-only; the learner's copy is his to change.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool FirstRun::restoreLearnerDatabase(const QString& file, Trace& trace) const
{
    const QString source = m_course.resolve(learnerFile);
    if (QFileInfo::exists(file) || !QFileInfo(source).isFile())
        return false;
    makeFolder(QFileInfo(file).path());
    copyFile(source, file);
    keepOnlyIfItOpens(file, trace);
    trace.event("learner_restored", { { QStringLiteral("file"), file } });
    return true;
}

void FirstRun::addSections(const QString& learnerDatabase) const
{
    const QString expertPath = StartUp::expertIniPath();
    QByteArray existing;
    QFile current(expertPath);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            throw CourseError(QStringLiteral("cannot read %1: %2").arg(expertPath, current.errorString()));
        existing = current.readAll();
        current.close();
    }
    const ProfileFile expert(expertPath);
    QStringList sections;
    for (const QString& section : { courseSection(), StartUp::programSection() }) {
        if (!section.isEmpty() && !expert.containsSection(section) && !sections.contains(section, Qt::CaseInsensitive))
            sections << section;
    }
    if (sections.isEmpty())
        return;

    // The new lines follow the file's own line ends, on a line of their own.
    const QString end = existing.contains('\n') && !existing.contains("\r\n") ? QStringLiteral("\n") : QStringLiteral("\r\n");
    QString text = existing.isEmpty() || existing.endsWith('\n') ? QString() : end;
    for (const QString& section : std::as_const(sections))
        text += QStringLiteral("[%1]%3BDW=%2%3").arg(section, learnerDatabase, end);
    // The learner's path is spelt as this system spells file names, in UTF-8, unless the file
    // is Windows-1252 already: a file of both would read as neither (see ProfileFile).
    std::optional<QByteArray> added = text.toUtf8();
    if (!isUtf8(existing))
        added = toCp1252(text);
    if (!added)
        throw CourseError(QStringLiteral("cannot add the section [%1] to %2: it is written in Windows-1252, which cannot spell %3")
                              .arg(sections.first(), expertPath, learnerDatabase));
    QSaveFile file(expertPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(existing + *added) < 0 || !file.commit())
        throw CourseError(QStringLiteral("cannot write %1: %2").arg(expertPath, file.errorString()));
}
