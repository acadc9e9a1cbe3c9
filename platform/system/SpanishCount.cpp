#include "SpanishCount.h"

QString SpanishCount::word(qint64 count, const QString& singular, const QString& plural)
{
    return count == 1 ? singular : plural;
}

QString SpanishCount::of(qint64 count, const QString& singular, const QString& plural)
{
    return QString::number(count) + QLatin1Char(' ') + word(count, singular, plural);
}
