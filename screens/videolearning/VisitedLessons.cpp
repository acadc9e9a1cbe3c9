#include "VisitedLessons.h"

#include "FileLearnerStore.h"
#include "Trace.h"

#include <QJsonObject>

VisitedLessons::VisitedLessons(LearnerStore& store, Trace& trace)
    : m_store(store)
    , m_trace(trace)
{
    reload();
}

VisitedLessons::VisitedLessons(Database& userDb, Trace& trace)
    : m_ownStore(std::make_unique<FileLearnerStore>([&userDb] { return &userDb; }))
    , m_store(*m_ownStore)
    , m_trace(trace)
{
    reload();
}

VisitedLessons::~VisitedLessons() = default;

void VisitedLessons::reload()
{
    m_visited = m_store.visitedLessons();
}

bool VisitedLessons::IsLessonVisited(qint16 lesson)
{
    return m_visited.contains(lesson);
}

bool VisitedLessons::MarkLessonVisited(qint16 lesson)
{
    // The store reads afresh: the learner may have erased his work on the map since the
    // register was read, and a visit must then be written again, not taken as known.
    const bool known = m_store.markVisited(lesson);
    reload();
    m_trace.event("tree", { { QStringLiteral("op"), QStringLiteral("visited") }, { QStringLiteral("lesson"), lesson },
                              { QStringLiteral("added"), !known } });
    return known;
}
