#pragma once

#include "OwnLessons.h"

#include <QString>
#include <QStringList>

/// Videos and subtitle files as learners keep them, made by ffmpeg at test time: tiny
/// (160x120, a few seconds) so that a test makes several in a second.
namespace OwnVideoFiles {

/// Three cues of a film in each language, as "START-END TEXT" (see subRip()).
extern const QStringList englishCues;
extern const QStringList spanishCues;
/// A lesson's phrases as "MSEG ENGLISH / SPANISH", joined by "|".
QString written(const QList<OwnLessons::Phrase>& phrases);

/// The first of ENCODERS ffmpeg lacks (empty when it has them all, "ffmpeg" without it).
QString missingEncoder(const QStringList& encoders);

/// Writes BYTES to PATH, making its folder.
void write(const QString& path, const QByteArray& bytes);
/// A SubRip file of the cues "START-END TEXT" (milliseconds), one per entry.
QByteArray subRip(const QStringList& cues);

/// A video of SECONDS with a test picture and a tone, coded with VIDEO_CODEC and
/// AUDIO_CODEC into PATH's container; EXTRA are more ffmpeg arguments after the inputs
/// (subtitle inputs with their -map, -c:s and -metadata options). Fails the test
/// (QFAIL-style, by throwing) when ffmpeg fails.
void makeVideo(const QString& path, const QString& videoCodec, const QString& audioCodec, double seconds = 3,
    const QStringList& subtitleInputs = {}, const QStringList& extra = {});

/// An H.264/AAC MP4 of three seconds.
void makeMp4(const QString& path);

} // namespace OwnVideoFiles
