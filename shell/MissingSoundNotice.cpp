#include "MissingSoundNotice.h"

#include <QLibrary>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// alsa/error.h, without building against it: the library GStreamer's ALSA sink and OpenAL
// load is opened here by its name and shared with them.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler handler);

QtMessageHandler qtHandler = nullptr;
std::once_flag told;

void tellOnce()
{
    std::call_once(told, [] { std::fprintf(stderr, "%s\n", MissingSoundNotice::text().toUtf8().constData()); });
}

// Where ALSA says that it cannot open an output: no card, so its configuration names no
// "default" device.
bool isOpeningFailure(const char* function)
{
    static const char* const opening[] { "parse_card", "_snd_config_evaluate", "snd_func_card_inum", "snd_func_concat", "snd_func_refer",
        "snd_config_expand", "snd_pcm_open_noupdate" };
    for (const char* name : opening) {
        if (function && std::strcmp(function, name) == 0)
            return true;
    }
    return false;
}

// Any other complaint (an underrun, a device that went away) is printed as ALSA's own
// handler prints it.
void alsaError(const char* file, int line, const char* function, int error, const char* format, ...)
{
    if (isOpeningFailure(function)) {
        tellOnce();
        return;
    }
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "ALSA lib %s:%i:(%s) %s%s%s\n", file ? file : "", line, function ? function : "", text, error ? ": " : "",
        error ? std::strerror(error < 0 ? -error : error) : "");
}

void withoutSoundServerWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && MissingSoundNotice::isSoundServerWarning(context.category, message))
        return;
    qtHandler(type, context, message);
}

} // namespace

QString MissingSoundNotice::text()
{
    return QStringLiteral("tamsel: No hay salida de sonido en este equipo (ni servidor de sonido ni tarjeta): el curso sigue sin sonido.");
}

bool MissingSoundNotice::isSoundServerWarning(const char* category, const QString& message)
{
    // Qt's own PulseAudio client, and GStreamer's PulseAudio sink as Qt's player relays it.
    if (message.startsWith(QLatin1String("PulseAudioService: pa_context_connect() failed")))
        return true;
    return category && std::strcmp(category, "qt.multimedia.player") == 0 && message.startsWith(QLatin1String("Warning: \"Failed to connect: "));
}

void MissingSoundNotice::install()
{
    // OpenAL reads its log level when GStreamer's OpenAL sink first loads it; its errors
    // repeat ALSA's. A level the user set is kept.
    if (qEnvironmentVariableIsEmpty("ALSOFT_LOGLEVEL"))
        qputenv("ALSOFT_LOGLEVEL", "0");
    static QLibrary alsa(QStringLiteral("asound"), 2);
    if (alsa.load()) {
        if (const auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(alsa.resolve("snd_lib_error_set_handler")))
            setHandler(alsaError);
    }
    if (!qtHandler)
        qtHandler = qInstallMessageHandler(withoutSoundServerWarnings);
}
