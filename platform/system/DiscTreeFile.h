#pragma once

#include "DiscImage.h"

#include <QString>
#include <optional>

/// The list of an image's files kept in its cache folder (`tree.json`), so that a later
/// start of the same image need not read its tree again: what it holds is checked as it
/// is read, and one that does not add up is as none.
namespace DiscTreeFile {

/// The file in the image's folder FOLDER (ending in `/`).
QString path(const QString& folder);
/// The tree kept in FOLDER, every entry a folder before what it holds; none when there
/// is no file there, or one of another format or that does not add up.
std::optional<DiscImage::Tree> read(const QString& folder);
/// The image the tree kept in FOLDER is of; empty when there is none.
QString imageOf(const QString& folder);
/// Keeps TREE (a folder before what it holds) of IMAGE in FOLDER, readable by its owner
/// only; a file that cannot be written is left out (the tree is read again next time).
void write(const QString& folder, const QString& image, const DiscImage::Tree& tree);

} // namespace DiscTreeFile
