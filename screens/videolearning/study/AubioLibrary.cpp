#include "AubioLibrary.h"

#include <QLibrary>

namespace {

// The library's major version: the functions used here have not changed within it.
constexpr int kAubioVersion = 5;

struct Loaded {
    AubioLibrary functions;
    QString error;
};

template <typename F>
bool resolve(QLibrary& library, const char* name, F& function, QString& error)
{
    function = reinterpret_cast<F>(library.resolve(name));
    if (!function && error.isEmpty())
        error = QStringLiteral("%1 has no function %2").arg(library.fileName(), QLatin1String(name));
    return function != nullptr;
}

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
    const bool all = resolve(library, "new_aubio_pitch", f.newPitch, e) & resolve(library, "del_aubio_pitch", f.deletePitch, e)
        & resolve(library, "aubio_pitch_set_unit", f.pitchSetUnit, e) & resolve(library, "aubio_pitch_set_silence", f.pitchSetSilence, e)
        & resolve(library, "aubio_pitch_do", f.pitchDo, e) & resolve(library, "aubio_pitch_get_confidence", f.pitchConfidence, e)
        & resolve(library, "new_aubio_onset", f.newOnset, e) & resolve(library, "del_aubio_onset", f.deleteOnset, e)
        & resolve(library, "aubio_onset_set_silence", f.onsetSetSilence, e) & resolve(library, "aubio_onset_do", f.onsetDo, e)
        & resolve(library, "aubio_onset_get_last_s", f.onsetLastSeconds, e) & resolve(library, "new_fvec", f.newVector, e)
        & resolve(library, "del_fvec", f.deleteVector, e);
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
