#include "AttemptSummary.h"

#include <QStringList>

QString AttemptSummary::bestCaption(const std::optional<qint32>& best)
{
    return best ? QStringLiteral(" — mejor: %1 %").arg(*best) : QString();
}

QString AttemptSummary::history(const std::vector<TestAttempt>& attempts)
{
    if (attempts.empty())
        return QStringLiteral("Aún no has hecho esta prueba.");
    QStringList lines { QStringLiteral("Tus intentos:") };
    for (size_t i = 0; i < attempts.size() && i < size_t(ListedAttempts); ++i) {
        const TestAttempt& a = attempts[i];
        lines << QStringLiteral("%1 — %2 de %3 puntos (%4 %)")
                     .arg(a.finished.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")))
                     .arg(a.points)
                     .arg(a.maximum)
                     .arg(a.percent);
    }
    if (attempts.size() > size_t(ListedAttempts))
        lines << QStringLiteral("… y %1 más").arg(attempts.size() - size_t(ListedAttempts));
    return lines.join(QLatin1Char('\n'));
}
