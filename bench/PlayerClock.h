#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

/// Which line of a program's trace (`--trace -`, one JSON object a line on standard error)
/// a start-up is timed to.
using Marker = std::function<bool(const QJsonObject&)>;

/// Milliseconds from starting PROGRAM until it writes a line on standard error that MARKER
/// accepts; -1 when it never does (what it wrote is printed then). The program is ended.
double msUntil(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment, const Marker& marker);

/// A marker for the trace event named NAME.
Marker traceEvent(const QString& name);
