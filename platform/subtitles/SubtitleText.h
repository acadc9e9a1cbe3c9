#pragma once

#include <QByteArray>
#include <QString>

/// The text of a subtitle file, whatever the editor that wrote it: UTF-16 (little or big
/// endian, with its byte-order mark or without one when every other byte of the start is
/// zero), UTF-8 with or without its mark, and Windows-1252 for the rest (accented text in
/// Windows-1252 is practically never valid UTF-8). Line ends are "\n" in the result.
namespace SubtitleText {

QString decode(const QByteArray& bytes);

} // namespace SubtitleText
