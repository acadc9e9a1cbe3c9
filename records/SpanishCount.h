#pragma once

#include <QString>
#include <QtGlobal>

/// Counts as the learner reads them: the noun (and whatever agrees with it) in the
/// singular for exactly one, "1 frase", "3 frases", "0 frases".
namespace SpanishCount {

/// ONE for a count of 1, MANY otherwise.
inline QString agreeing(qint64 count, const QString& one, const QString& many)
{
    return count == 1 ? one : many;
}

/// COUNT followed by its noun: "1 frase", "2 frases".
inline QString of(qint64 count, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(count).arg(agreeing(count, one, many));
}

} // namespace SpanishCount
