#include "LearnerStore.h"

#include <QStringList>
#include <QUuid>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

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

QString LearnerStore::accountName()
{
    QString name = qEnvironmentVariable("USER");
    if (!name.isEmpty())
        return name;
#ifdef Q_OS_UNIX
    passwd entry {};
    passwd* found = nullptr;
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(suggested > 0 ? suggested : 16384));
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    // An account the system cannot name: its number is what is known of it.
    return QString::number(geteuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}
