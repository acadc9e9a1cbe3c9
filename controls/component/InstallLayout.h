#pragma once

#include <QString>

/// Where an installation keeps its shared files. They are found from the running
/// program's own folder (<prefix>/bin/../share/tamsel/), never from the prefix the build
/// was configured with, so that an installation staged under DESTDIR, or moved whole to
/// another prefix, finds its own course and registrations.
namespace InstallLayout {

/// The installation's data folder, `<prefix>/share/tamsel/`, ending with `/`.
QString dataFolder();

/// The course a program plays or reports on when none is named: the demo course its build
/// made beside it (`course/` in the build folder, which holds the programs), otherwise the
/// installed course, `<prefix>/share/tamsel/course`.
QString courseFolder();

} // namespace InstallLayout
