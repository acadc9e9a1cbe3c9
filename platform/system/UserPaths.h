#pragma once

#include <QString>

/// Where the learner's own files live on this system.
namespace UserPaths {

/// The user's configuration folder for tamsel (`$XDG_CONFIG_HOME/tamsel/`), which stands
/// for the Windows folder: `expert.ini` and the component registry live there.
QString configFolder();

/// The user's data folder for tamsel (`$XDG_DATA_HOME/tamsel/`).
QString dataFolder();

/// A path as the course's settings and content write it. A Windows drive path
/// (`c:\lurva\sir.wav`) maps into the data folder (`<data>/c/lurva/sir.wav`), drive
/// letter in lower case; any other path only has its `\` turned into `/`. Throws
/// CourseError for a drive path that leads out of its drive's folder (`c:\..\x`, or
/// through a symbolic link).
QString fromWindowsPath(const QString& path);

} // namespace UserPaths
