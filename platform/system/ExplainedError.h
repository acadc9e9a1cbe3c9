#pragma once

#include "CourseError.h"

/// A CourseError with, beside its technical message, the words the learner is shown:
/// what start-up, or a tool, says of a course that cannot begin.
class ExplainedError : public CourseError {
public:
    ExplainedError(const QString& message, const QString& learnerText)
        : CourseError(message)
        , m_learnerText(learnerText)
    {
    }

    /// What the learner is told, in his language.
    QString learnerText() const { return m_learnerText; }

private:
    QString m_learnerText;
};
