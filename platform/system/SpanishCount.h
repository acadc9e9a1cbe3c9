#pragma once

#include <QString>

/// A number with its noun (and whatever agrees with it) in Spanish: "1 tabla", "0 tablas",
/// "3 tablas". Spanish takes the singular for one alone.
namespace SpanishCount {

/// COUNT, a space, and SINGULAR when COUNT is 1, PLURAL otherwise.
QString of(qint64 count, const QString& singular, const QString& plural);

/// SINGULAR when COUNT is 1, PLURAL otherwise, without the number.
QString word(qint64 count, const QString& singular, const QString& plural);

} // namespace SpanishCount
