#pragma once

#include <QString>

/// On a machine without sound output (no sound server, no sound card) the libraries under
/// Qt's sound each complain on standard error, in English and many times over: the ALSA
/// library through its error handler, OpenAL through its log, Qt when it cannot reach the
/// PulseAudio server (and when GStreamer's sink cannot). None of it is GStreamer's own
/// debug log. The player keeps those complaints off standard error and says once, in
/// Spanish, that the course goes on without sound (text()), when ALSA too has found no
/// output. Call install() first thing in main, before the application object.
class MissingSoundNotice {
public:
    static void install();

    /// The one line said: "tamsel: No hay salida de sonido …".
    static QString text();

    /// Whether Qt's warning with CATEGORY and MESSAGE is one of the sound server's
    /// complaints install() keeps off standard error.
    static bool isSoundServerWarning(const char* category, const QString& message);
};
