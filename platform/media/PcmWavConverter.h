#pragma once

#include <QString>
#include <QtGlobal>

class WavHeader;

/// Decodes a sound file of any coding the sound-file library reads (PCM of any width,
/// MS and IMA ADPCM, A-law, mu-law, MPEG, GSM...) into a 16-bit PCM WAVE file of the same
/// rate and channels. The source is only read. The result is written under a name of its
/// own beside TARGET and takes TARGET's name only once it is whole, so that a reader never
/// sees half a file and a conversion cut short leaves nothing under TARGET.
class PcmWavConverter {
public:
    struct Result {
        QString error;     ///< why nothing was made; empty when TARGET was made
        qint64 frames = 0; ///< sample frames written
        int sampleRate = 0; ///< their rate, the decoder's
    };

    /// Converts SOURCE, whose header is HEADER, into TARGET. The length is what the
    /// decoder gives, but for ADPCM the one the header tells (the coder pads the last
    /// block, which the `fact` chunk does not count); a truncated file gives what it holds.
    /// Rates beyond WavHeader::kMaxSampleRate, more than 64 channels and a decoder that
    /// gives more sound than the file's bytes can code are refused.
    static Result convert(const QString& source, const WavHeader& header, const QString& target);
};
