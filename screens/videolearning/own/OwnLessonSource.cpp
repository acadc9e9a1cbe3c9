#include "OwnLessonSource.h"

#include "CourseError.h"
#include "Trace.h"

#include <QJsonObject>

OwnLessonSource::OwnLessonSource(const QString& learnerFolder, Trace& trace)
    : m_store(learnerFolder)
    , m_trace(trace)
{
}

void OwnLessonSource::traceUnreadable(const QString& message) const
{
    m_trace.event("ownvideo", { { QStringLiteral("op"), QStringLiteral("unreadable") }, { QStringLiteral("message"), message } });
}

QList<OwnLessons::Lesson> OwnLessonSource::lessons() const
{
    try {
        return m_store.lessons();
    } catch (const CourseError& error) {
        traceUnreadable(error.message());
        return {};
    }
}

std::optional<OwnLessons::Lesson> OwnLessonSource::lesson(qint16 number) const
{
    try {
        return m_store.lesson(number);
    } catch (const CourseError& error) {
        traceUnreadable(error.message());
        return std::nullopt;
    }
}

PhraseTable OwnLessonSource::phrases(qint16 number) const
{
    PhraseTable table;
    try {
        const QList<OwnLessons::Phrase> rows = m_store.phrases(number);
        table.reserve(size_t(rows.size()));
        for (const OwnLessons::Phrase& row : rows)
            table.push_back({ row.mseg, row.frase_sp, row.frase_en, row.endMs });
    } catch (const CourseError& error) {
        traceUnreadable(error.message());
    }
    return table;
}
