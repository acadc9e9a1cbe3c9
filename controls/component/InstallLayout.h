#pragma once

#include <QString>

/// Where an installation keeps its shared files. They are found from the running
/// program's own folder (<prefix>/bin/../share/tamsel/), never from the prefix the build
/// was configured with, so that an installation staged under DESTDIR, or moved whole to
/// another prefix, finds its own course and registrations.
namespace InstallLayout {

/// The installation's data folder, `<prefix>/share/tamsel/`, ending with `/`.
QString dataFolder();

} // namespace InstallLayout
