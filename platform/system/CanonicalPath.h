#pragma once

#include <QString>

/// Paths with their symbolic links followed, for deciding whether a file really lies
/// inside a folder: a name can stay inside by its spelling and still lead elsewhere
/// through a link (a disc with Rock Ridge links can hold one).
namespace CanonicalPath {

/// The absolute PATH with `.` and `..` removed and every symbolic link along it followed,
/// as far as it exists; the components that do not exist yet follow as written. A link
/// whose target is missing is followed too. Empty when links loop.
QString of(const QString& path);

/// Whether PATH, so resolved, is FOLDER (so resolved) or lies inside it.
bool liesInside(const QString& path, const QString& folder);

} // namespace CanonicalPath
