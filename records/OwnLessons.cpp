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

namespace {

// Without a learner folder every path would fall in the working folder, wherever the
// program was started: nothing is read or written there.
const QString kNoFolder = QStringLiteral("No hay carpeta de datos del alumno donde guardar sus vídeos.");

} // namespace

QList<OwnLessons::Lesson> OwnLessons::lessons() const
{
    if (m_learnerFolder.isEmpty())
        return {};
    return OwnLessonDatabase(databaseFile()).lessons();
}

std::optional<OwnLessons::Lesson> OwnLessons::lesson(qint16 number) const
{
    if (!isOwnLesson(number) || m_learnerFolder.isEmpty())
        return std::nullopt;
    return OwnLessonDatabase(databaseFile()).lesson(number);
}

QList<OwnLessons::Phrase> OwnLessons::phrases(qint16 number) const
{
    if (!isOwnLesson(number) || m_learnerFolder.isEmpty())
        return {};
    return OwnLessonDatabase(databaseFile()).phrases(number);
}

OwnLessons::Added OwnLessons::add(const Request& request)
{
    if (m_learnerFolder.isEmpty())
        return { std::nullopt, kNoFolder, QStringLiteral("no learner folder"), {} };
    return OwnLessonAdder(databaseFile(), m_probe).add(request);
}

namespace {

bool refused(const QString& text, QString* error)
{
    if (error)
        *error = text;
    return false;
}

bool succeeded(const OwnLessonDatabase::Written& written, QString* error)
{
    if (error)
        *error = written.error;
    return written.ok;
}

} // namespace

bool OwnLessons::remove(qint16 number, QString* error)
{
    if (m_learnerFolder.isEmpty())
        return refused(kNoFolder, error);
    if (!isOwnLesson(number) || !succeeded(OwnLessonDatabase(databaseFile()).remove(number), error))
        return false;
    // The takes go after the rows: a take left by a failure is never shown without its lesson.
    TakeStore(m_learnerFolder).removeLesson(number);
    return true;
}

QList<std::pair<qint16, qint16>> OwnLessons::renumberColliding()
{
    if (m_learnerFolder.isEmpty())
        return {};
    const QList<std::pair<qint16, qint16>> moved = OwnLessonDatabase(databaseFile()).renumberBelow(firstNumber());
    // The takes follow their lesson; a folder already there for the new number (left by
    // hand) is never overwritten: the takes then stay under the old number.
    const TakeStore takes(m_learnerFolder);
    for (const auto& [from, to] : moved) {
        const QFileInfo folder(takes.lessonFolder(from));
        if (folder.isDir() && !folder.isSymLink() && !QFileInfo::exists(takes.lessonFolder(to)))
            QDir().rename(folder.absoluteFilePath(), takes.lessonFolder(to));
    }
    return moved;
}

bool OwnLessons::relocate(qint16 number, const QString& video, QString* error)
{
    if (m_learnerFolder.isEmpty())
        return refused(kNoFolder, error);
    const QFileInfo info(video);
    if (!info.isFile())
        return refused(notAVideoFileText(video), error);
    // The new place must hold a video this computer plays, as an added one must.
    if (!m_probe(info.absoluteFilePath()).decodes)
        return refused(QStringLiteral("No se puede reproducir el vídeo «%1»: no es un vídeo o está en un formato que este "
                                      "ordenador no sabe leer.")
                           .arg(QDir::toNativeSeparators(info.absoluteFilePath())),
            error);
    return isOwnLesson(number) && succeeded(OwnLessonDatabase(databaseFile()).relocate(number, info.absoluteFilePath()), error);
}

QString OwnLessons::notAVideoFileText(const QString& video)
{
    if (!QFileInfo::exists(video))
        return missingVideoText(video);
    return QStringLiteral("«%1» no es un archivo de vídeo.").arg(QDir::toNativeSeparators(video));
}

QString OwnLessons::missingVideoText(const QString& video)
{
    return QStringLiteral("No se encuentra el vídeo «%1».").arg(QDir::toNativeSeparators(video));
}
