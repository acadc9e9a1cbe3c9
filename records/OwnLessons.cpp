#include "OwnLessons.h"
#include "OwnLessonAdder.h"
#include "OwnLessonDatabase.h"
#include "TakeStore.h"

#include <QDir>
#include <QFileInfo>

OwnLessons::OwnLessons(QString learnerFolder)
    : m_learnerFolder(std::move(learnerFolder))
{
}

OwnLessons::~OwnLessons() = default;

QString OwnLessons::databaseFile() const
{
    return QDir(m_learnerFolder).filePath(FileName);
}

QList<OwnLessons::Lesson> OwnLessons::lessons() const
{
    return OwnLessonDatabase(databaseFile()).lessons();
}

std::optional<OwnLessons::Lesson> OwnLessons::lesson(qint16 number) const
{
    if (!isOwnLesson(number))
        return std::nullopt;
    return OwnLessonDatabase(databaseFile()).lesson(number);
}

QList<OwnLessons::Phrase> OwnLessons::phrases(qint16 number) const
{
    if (!isOwnLesson(number))
        return {};
    return OwnLessonDatabase(databaseFile()).phrases(number);
}

OwnLessons::Added OwnLessons::add(const Request& request)
{
    return OwnLessonAdder(databaseFile(), m_probe).add(request);
}

namespace {

bool succeeded(const OwnLessonDatabase::Written& written, QString* error)
{
    if (error)
        *error = written.error;
    return written.ok;
}

} // namespace

bool OwnLessons::remove(qint16 number, QString* error)
{
    if (!isOwnLesson(number) || !succeeded(OwnLessonDatabase(databaseFile()).remove(number), error))
        return false;
    // The takes go after the rows: a take left by a failure is never shown without its lesson.
    QDir(TakeStore(m_learnerFolder).lessonFolder(number)).removeRecursively();
    return true;
}

bool OwnLessons::relocate(qint16 number, const QString& video, QString* error)
{
    const QFileInfo info(video);
    if (!info.isFile()) {
        if (error)
            *error = missingVideoText(video);
        return false;
    }
    return isOwnLesson(number) && succeeded(OwnLessonDatabase(databaseFile()).relocate(number, info.absoluteFilePath()), error);
}

QString OwnLessons::missingVideoText(const QString& video)
{
    return QStringLiteral("No se encuentra el vídeo «%1».").arg(QDir::toNativeSeparators(video));
}
