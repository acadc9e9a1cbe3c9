#include "LearnerStore.h"

#include <QStringList>
#include <QUuid>
#include <algorithm>

QString TestAttempt::newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString TestAttempt::answersText() const
{
    QStringList parts;
    for (int answer : answers)
        parts << QString::number(answer);
    return parts.join(QLatin1Char(','));
}

QList<int> TestAttempt::answersFromText(const QString& text)
{
    QList<int> answers;
    if (text.isEmpty())
        return answers;
    for (const QString& part : text.split(QLatin1Char(',')))
        answers << part.trimmed().toInt();
    return answers;
}

std::optional<qint32> LearnerStore::bestOf(const std::vector<TestAttempt>& attempts)
{
    std::optional<qint32> best;
    for (const TestAttempt& attempt : attempts)
        best = std::max(best.value_or(attempt.percent), attempt.percent);
    return best;
}

std::optional<qint32> LearnerStore::bestPercent(qint16 lesson)
{
    return bestOf(attempts(lesson));
}
