#include "LessonCommands.h"
#include "CourseError.h"
#include "SpanishCount.h"

#include <QDir>
#include <QFileInfo>

namespace {

void say(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

QString durationText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Where a language's phrases came from, as the learner knows it.
QString sourceText(const QString& source, const QString& video)
{
    if (source.isEmpty())
        return QStringLiteral("no hay");
    if (source.startsWith(video + QLatin1Char('#')))
        return QStringLiteral("la pista %1 del vídeo").arg(source.mid(video.size() + 1));
    return QDir::toNativeSeparators(source);
}

} // namespace

LessonCommands::LessonCommands(const QString& learnerFolder)
    : m_lessons(learnerFolder)
{
}

int LessonCommands::fail(const QString& message, const QString& detail)
{
    std::fprintf(stderr, "tamsel-lesson: %s\n", qPrintable(message));
    if (!detail.isEmpty())
        std::fprintf(stderr, "  (%s)\n", qPrintable(detail));
    return 1;
}

int LessonCommands::add(const OwnLessons::Request& request)
{
    const OwnLessons::Added added = m_lessons.add(request);
    if (!added.lesson)
        return fail(added.error, added.detail);
    const OwnLessons::Lesson& lesson = *added.lesson;
    say(QStringLiteral("Añadida la lección %1, «%2»: %3.").arg(lesson.number).arg(lesson.title).arg(SpanishCount::of(lesson.phraseCount, QStringLiteral("frase"), QStringLiteral("frases"))));
    say(QStringLiteral("  Inglés: %1").arg(sourceText(lesson.english, lesson.video)));
    say(QStringLiteral("  Español: %1").arg(sourceText(lesson.spanish, lesson.video)));
    for (const QString& note : added.notes)
        say(QStringLiteral("  %1").arg(note));
    return 0;
}

int LessonCommands::list()
{
    QList<OwnLessons::Lesson> lessons;
    try {
        lessons = m_lessons.lessons();
    } catch (const CourseError& error) {
        return fail(error.message());
    }
    if (lessons.isEmpty()) {
        say(QStringLiteral("No tienes vídeos tuyos en este curso (se guardarían en %1).").arg(QDir::toNativeSeparators(m_lessons.databaseFile())));
        return 0;
    }
    say(QStringLiteral("Tus vídeos en este curso (%1):").arg(QDir::toNativeSeparators(m_lessons.databaseFile())));
    for (const OwnLessons::Lesson& lesson : std::as_const(lessons)) {
        // The titles stay in one column: "frase" is padded to the width of "frases".
        const QString phrases = SpanishCount::word(lesson.phraseCount, QStringLiteral("frase "), QStringLiteral("frases"));
        say(QStringLiteral("%1  %2  %3 %4  %5").arg(lesson.number).arg(durationText(lesson.durationMs)).arg(lesson.phraseCount, 4).arg(phrases, lesson.title));
        say(QStringLiteral("       %1").arg(QDir::toNativeSeparators(lesson.video)));
        if (!QFileInfo::exists(lesson.video))
            say(QStringLiteral("       %1 Quítala (tamsel-lesson remove %2) o di dónde está ahora (tamsel-lesson move %2 VÍDEO).")
                    .arg(OwnLessons::missingVideoText(lesson.video))
                    .arg(lesson.number));
    }
    return 0;
}

std::optional<OwnLessons::Lesson> LessonCommands::existing(qint16 number) const
{
    std::optional<OwnLessons::Lesson> lesson;
    try {
        lesson = m_lessons.lesson(number);
    } catch (const CourseError& error) {
        fail(error.message());
        return std::nullopt;
    }
    if (!lesson)
        fail(QStringLiteral("No tienes ninguna lección tuya con el número %1 (tamsel-lesson list las muestra).").arg(number));
    return lesson;
}

int LessonCommands::remove(qint16 number)
{
    const std::optional<OwnLessons::Lesson> lesson = existing(number);
    if (!lesson)
        return 1;
    QString error;
    if (!m_lessons.remove(number, &error))
        return fail(error.isEmpty() ? QStringLiteral("No se ha podido quitar la lección %1.").arg(number) : error);
    say(QStringLiteral("Quitada la lección %1, «%2», con tus grabaciones de ella. El vídeo y los subtítulos siguen donde estaban.")
            .arg(number)
            .arg(lesson->title));
    return 0;
}

int LessonCommands::move(qint16 number, const QString& video)
{
    const std::optional<OwnLessons::Lesson> lesson = existing(number);
    if (!lesson)
        return 1;
    QString error;
    if (!m_lessons.relocate(number, video, &error))
        return fail(error.isEmpty() ? QStringLiteral("No se ha podido cambiar el vídeo de la lección %1.").arg(number) : error);
    say(QStringLiteral("La lección %1, «%2», usa ahora el vídeo %3.").arg(number).arg(lesson->title, QDir::toNativeSeparators(QFileInfo(video).absoluteFilePath())));
    return 0;
}
