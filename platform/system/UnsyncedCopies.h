#pragma once

#include <QString>

/// The copies of a disc image's files are written to the cache without waiting for the
/// disc to hold them: on ext4 a sync of the smallest copy waits for all that the copies
/// under way have written, for seconds on a slow disc. A machine stopped before it wrote
/// them out may then leave, after its restart, copies that look whole and are not. So
/// while such copies may be about, the image's folder holds a mark naming the boot that
/// wrote them (`.unsynced-<boot id>`, made before a copy is given its name); a folder
/// found with the mark of another boot has all its copies made again. The last player
/// that lets go of the folder writes its copies out and takes the mark away, so that a
/// machine shut down as usual keeps them.
namespace UnsyncedCopies {

/// Marks FOLDER (an image's folder, ending in `/`) as holding copies of this boot not yet
/// written out. False when the mark cannot be made (the copy is then written out itself).
bool mark(const QString& folder);

/// Removes the copies in FOLDER (its `extents/` and `files/`) when it holds the mark of
/// an earlier boot, and that mark; true when it did.
bool dropAfterRestart(const QString& folder);

/// Writes out what the file system holds unwritten and takes this boot's mark away from
/// FOLDER: for the last player holding the folder, as it ends.
void settle(const QString& folder);

/// The kernel's identifier of this boot.
QString bootId();

} // namespace UnsyncedCopies
