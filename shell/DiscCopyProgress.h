#pragma once

#include <QString>

class Trace;

/// Shows how far a long copy out of the course's disc image has gone (see DiscCopy): a
/// small window with the file's name and a bar, over the player's, gone when the copy
/// ends; each shown copy is traced once (`disc.progress`).
namespace DiscCopyProgress {

/// Makes the player's copies out of disc images show their progress here.
void install(Trace& trace);

} // namespace DiscCopyProgress
