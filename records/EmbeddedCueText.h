#pragma once

#include <QByteArray>
#include <QString>

/// The text of one cue of a subtitle track inside a video, as its demuxer hands it over:
/// on one line, without formatting, at most MaxLength characters.
namespace EmbeddedCueText {

/// The longest text kept (as from a subtitle file).
constexpr int MaxLength = 1000;

enum class Kind {
    Tagged, ///< plain or tagged text: SubRip's and WebVTT's tags, Pango markup, entities
    Ssa,    ///< an SSA/ASS event: "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"
    Unknown, ///< a codec the demuxer does not name (WebM's WebVTT): text only when it is text
};

/// The kind of a track by the media type of its stream: Ssa for SSA and ASS, Unknown for a
/// subtitle codec the demuxer does not know, Tagged for the other text types.
Kind kindOf(const QByteArray& mediaType);
/// Whether the stream of that media type is one of subtitles we read.
bool isText(const QByteArray& mediaType);

QString text(Kind kind, const QByteArray& payload);

} // namespace EmbeddedCueText
