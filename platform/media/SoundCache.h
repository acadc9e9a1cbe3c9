#pragma once

#include <QString>

class Trace;

/// Finds the file to hand the sound player for one of the course's sound files.
/// GStreamer times only whole PCM WAVE files of 16 bits or more (and float) right: it
/// gives ADPCM files half their length, 8-bit, A-law or mu-law files with an odd number
/// of bytes no length at all, and refuses MPEG in a WAVE file. Every other WAVE file
/// is therefore decoded once into 16-bit PCM in the cache folder of converted copies
/// (JetStandIn::cacheFolder()), under a name made from the file's path and a hash of its
/// size, modification time and first bytes, so that a changed file is converted again
/// and an unchanged one never. The course's own file is never written. Files that are
/// not WAVE files (MP3...) are played as they are.
class SoundCache {
public:
    struct Playable {
        QString file;          ///< what to play: the course's file or its converted copy
        double seconds = 0.0;  ///< the length its header tells (0 for files not WAVE)
        bool converted = false;
        QString error;         ///< why the file cannot be played at all; the rest is then empty
    };

    /// The file to play for FILE (an existing, readable file). A conversion, or a copy
    /// taken from the cache, is traced as `sound.convert` on TRACE when given; a WAVE
    /// file that cannot be decoded is played as it is, and that is traced too.
    static Playable playable(const QString& file, Trace* trace = nullptr);

    /// Where the converted copy of FILE, as it is now, lives; empty for a file that
    /// is played as it is or cannot be read.
    static QString copyFor(const QString& file);
};
