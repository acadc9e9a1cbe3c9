#pragma once

#include <QImage>
#include <QString>

/// Reads a course picture as its file holds it, told by its bytes, not its name: BMP of
/// 1, 4, 8, 24 or 32 bits, RLE4 or RLE8, OS/2 and top-down bitmaps (Qt's reader), icons
/// and cursors (IconFile, with their transparency), and whatever else Qt reads. Nothing
/// is scaled, smoothed or converted: a palette picture keeps its palette, so a mask's
/// colours are exactly the file's.
namespace PictureFile {

/// The picture in FILE; a null image, with the reason in ERROR when given, when it cannot be read.
QImage read(const QString& file, QString* error = nullptr);

} // namespace PictureFile
