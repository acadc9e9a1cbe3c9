#pragma once

#include <QString>

/// Folders of the cache made and removed without ever following a symbolic link found
/// below the cache's own folder: a link planted there (by hand, or by another program of
/// the same user) would otherwise have the player write, or delete, wherever it points.
namespace CacheFolder {

/// Makes PATH, a folder at or below ROOT (ROOT itself is made as it is asked for), one
/// component at a time: a link, or a file, in the place of a folder below ROOT is removed
/// itself (never what it points at) and a real folder made there. False when it cannot
/// be made.
bool make(const QString& root, const QString& path);

/// Removes PATH and all below it as it finds them by lstat(): a link is removed itself,
/// never followed. True when nothing is left there.
bool remove(const QString& path);

/// Whether PATH is a regular file (a link to one is not) of SIZE bytes.
bool isFileOfSize(const QString& path, qint64 size);

} // namespace CacheFolder
