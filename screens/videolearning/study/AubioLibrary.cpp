#include "AubioLibrary.h"

#include "LibraryFunction.h"

#include <QLibrary>

namespace {

// The library's major version: the functions used here have not changed within it.
constexpr int kAubioVersion = 5;

struct Loaded {
    AubioLibrary functions;
    QString error;
};

Loaded load()
{
    Loaded loaded;
    QLibrary library(QStringLiteral("aubio"), kAubioVersion);
    if (!library.load()) {
        loaded.error = QStringLiteral("the pitch library cannot be loaded: %1").arg(library.errorString());
        return loaded;
    }
    AubioLibrary& f = loaded.functions;
    QString& e = loaded.error;
    const bool all = resolveFunction(library, "new_aubio_pitch", f.newPitch, e) & resolveFunction(library, "del_aubio_pitch", f.deletePitch, e)
        & resolveFunction(library, "aubio_pitch_set_unit", f.pitchSetUnit, e) & resolveFunction(library, "aubio_pitch_set_silence", f.pitchSetSilence, e)
        & resolveFunction(library, "aubio_pitch_do", f.pitchDo, e) & resolveFunction(library, "aubio_pitch_get_confidence", f.pitchConfidence, e)
        & resolveFunction(library, "new_aubio_onset", f.newOnset, e) & resolveFunction(library, "del_aubio_onset", f.deleteOnset, e)
        & resolveFunction(library, "aubio_onset_set_silence", f.onsetSetSilence, e) & resolveFunction(library, "aubio_onset_do", f.onsetDo, e)
        & resolveFunction(library, "aubio_onset_get_last_s", f.onsetLastSeconds, e) & resolveFunction(library, "new_fvec", f.newVector, e)
        & resolveFunction(library, "del_fvec", f.deleteVector, e);
    if (!all)
        library.unload();
    // Loaded for good otherwise: QLibrary leaves a library loaded when it goes.
    return loaded;
}

} // namespace

const AubioLibrary* AubioLibrary::instance(QString* error)
{
    static const Loaded loaded = load();
    if (!loaded.error.isEmpty()) {
        if (error)
            *error = loaded.error;
        return nullptr;
    }
    return &loaded.functions;
}
