#pragma once

#include "OwnLessons.h"
#include "PhraseTable.h"

#include <QList>
#include <optional>

class Trace;

/// The learner's own lessons as the trees and the conversation screen read them, from the
/// store of the learner folder. A store that cannot be read is told in the trace
/// (`ownvideo` {op: "unreadable"}) and counts as empty: the course's own lessons never
/// go with it.
class OwnLessonSource {
public:
    OwnLessonSource(const QString& learnerFolder, Trace& trace);

    QList<OwnLessons::Lesson> lessons() const;
    std::optional<OwnLessons::Lesson> lesson(qint16 number) const;
    /// The lesson's phrases as the screen lists them, in start order.
    PhraseTable phrases(qint16 number) const;

    OwnLessons& store() { return m_store; }

private:
    void traceUnreadable(const QString& message) const;

    mutable OwnLessons m_store;
    Trace& m_trace;
};
