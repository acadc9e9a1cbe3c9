#pragma once

#include <QString>
#include <aubio/aubio.h>

/// aubio, opened the first time an intonation is analysed rather than linked into the
/// player: linked, it would bring in some 140 libraries (every codec of ffmpeg) at each
/// start of the program, for an aid that most sessions never use.
struct AubioLibrary {
    decltype(&new_aubio_pitch) newPitch = nullptr;
    decltype(&del_aubio_pitch) deletePitch = nullptr;
    decltype(&aubio_pitch_set_unit) pitchSetUnit = nullptr;
    decltype(&aubio_pitch_set_silence) pitchSetSilence = nullptr;
    decltype(&aubio_pitch_do) pitchDo = nullptr;
    decltype(&aubio_pitch_get_confidence) pitchConfidence = nullptr;
    decltype(&new_aubio_onset) newOnset = nullptr;
    decltype(&del_aubio_onset) deleteOnset = nullptr;
    decltype(&aubio_onset_set_silence) onsetSetSilence = nullptr;
    decltype(&aubio_onset_do) onsetDo = nullptr;
    decltype(&aubio_onset_get_last_s) onsetLastSeconds = nullptr;
    decltype(&new_fvec) newVector = nullptr;
    decltype(&del_fvec) deleteVector = nullptr;

    /// The library, loaded once; null when it cannot be, with the reason in ERROR.
    static const AubioLibrary* instance(QString* error);
};
