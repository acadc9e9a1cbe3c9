#pragma once

#include <QLibrary>
#include <QString>

/// Looks up NAME in LIBRARY (opened at first use rather than linked) as FUNCTION. A missing
/// function leaves FUNCTION null and, when ERROR is still empty, names the library and the
/// function there, so that a caller resolving several reports the first one missing.
template <typename F>
bool resolveFunction(QLibrary& library, const char* name, F& function, QString& error)
{
    function = reinterpret_cast<F>(library.resolve(name));
    if (!function && error.isEmpty())
        error = QStringLiteral("%1 has no function %2").arg(library.fileName(), QLatin1String(name));
    return function != nullptr;
}
