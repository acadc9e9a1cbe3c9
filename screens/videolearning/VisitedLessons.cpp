#include "VisitedLessons.h"

#include "Database.h"
#include "Recordset.h"
#include "Trace.h"

#include <QJsonObject>

namespace {

const QString table = QStringLiteral("lecciones_usuario");

} // namespace

VisitedLessons::VisitedLessons(Database& userDb, Trace& trace)
    : m_userDb(userDb)
    , m_trace(trace)
{
    reload();
}

VisitedLessons::~VisitedLessons() = default;

void VisitedLessons::reload()
{
    m_rows = m_userDb.openRecordset(table, RecordsetType::Dynaset);
}

QString VisitedLessons::criterion(qint16 lesson)
{
    return QStringLiteral("id = 0 and leccion = %1").arg(lesson);
}

bool VisitedLessons::IsLessonVisited(qint16 lesson)
{
    return m_rows->findFirst(criterion(lesson));
}

bool VisitedLessons::MarkLessonVisited(qint16 lesson)
{
    // Read afresh: the learner may have erased his work on the map since the register
    // was opened, and a visit must then be written again, not taken as known.
    reload();
    const bool known = m_rows->findFirst(criterion(lesson));
    if (!known) {
        // Outside any transaction the append is its own transaction: committed (and
        // synced) by the time update() returns.
        m_rows->addNew();
        m_rows->setValue(QStringLiteral("id"), 0);
        m_rows->setValue(QStringLiteral("leccion"), lesson);
        m_rows->setValue(QStringLiteral("grabada"), true);
        m_rows->update();
    }
    m_trace.event("tree", { { QStringLiteral("op"), QStringLiteral("visited") }, { QStringLiteral("lesson"), lesson },
                              { QStringLiteral("added"), !known } });
    return known;
}
