#pragma once

#include <QString>

/// ISO 9660 disc images for tests, made from a folder by genisoimage or xorriso as a disc
/// of each kind was mastered.
namespace DiscImageMaker {

/// Which names the disc carries.
enum class Kind {
    Level1,          ///< ISO 9660 only, 8.3 upper-case names with their `;1` version
    Level2,          ///< ISO 9660 only, level 2 (names up to 31 characters)
    Level3,          ///< ISO 9660 only, level 3 (level 2, files in several sections allowed)
    Joliet,          ///< ISO 9660 and Joliet
    RockRidge,       ///< ISO 9660 and Rock Ridge
    RockRidgeJoliet, ///< both, as xorriso writes them
};

/// Makes IMAGE from the folder SOURCE; returns "" or what the tool said when it failed.
QString make(const QString& source, const QString& image, Kind kind);

} // namespace DiscImageMaker
