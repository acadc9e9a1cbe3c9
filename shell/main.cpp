#include "CommandLine.h"
#include "CourseError.h"
#include "CourseImage.h"
#include "ErrorReport.h"
#include "ExplainedError.h"
#include "MediaWarmUp.h"
#include "MissingSoundNotice.h"
#include "ModuleState.h"
#include "QtTranslations.h"
#include "QuitOnSignal.h"
#include "ScreenCatalog.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "SingleInstance.h"
#include "SpanishCommandLine.h"
#include "StartUp.h"
#include "Trace.h"
#include "X11Display.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <optional>

int main(int argc, char* argv[])
{
    // First of all: the stage's scale reads the screen through an application object of its
    // own before the program makes its one.
    SpanishCommandLine::hideQtNoise();
    MissingSoundNotice::install();
    // Sound and video go through GStreamer: the other backend needs an audio device to live.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");

    const auto usageError = [](const CommandLine& options) {
        std::fprintf(stderr, "tamsel: %s (vea --help)\n", options.error.toUtf8().constData());
        return 2;
    };
    // Help and version need no display; the stage's scale must be set before Qt starts.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = CommandLine::parse(rawArguments, CommandLine::Unknown::Skip);
    if (!early.error.isEmpty())
        return usageError(early);
    if (early.help) {
        std::fputs(CommandLine::usage().toUtf8().constData(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("tamsel %s\n", TAMSEL_VERSION);
        return 0;
    }
    // Qt aborts, in English, when its X11 platform finds no display: said first, in one line.
    if (X11Display::chosenByQt(argc, argv)) {
        const QByteArray display = X11Display::displayName(argc, argv);
        const QByteArray name = display.isEmpty() ? qgetenv("DISPLAY") : display;
        if (!X11Display::reachable(display.isEmpty() ? nullptr : display.constData())) {
            const QString why = name.isEmpty() ? QStringLiteral("no hay pantalla (DISPLAY no está definida)")
                                               : QStringLiteral("no hay pantalla (DISPLAY) en «%1»").arg(QString::fromLocal8Bit(name));
            std::fprintf(stderr, "tamsel: No se puede abrir la ventana: %s.\n", why.toUtf8().constData());
            return 1;
        }
    }
    early.scale.applyBeforeApplication(argc, argv);
    // No widget draws through OpenGL; without this, the first video frame shown makes an
    // OpenGL context on the interface thread to convert it (loading the GL driver: 0.3 s
    // and more, the window frozen meanwhile). The period's small frames convert as fast
    // on the processor.
    QApplication::setAttribute(Qt::AA_ForceRasterWidgets);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tamsel"));
    QApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    // Sound's first steps go on beside the course's own (measured: a map-first start is
    // about 20 ms sooner on two cores).
    std::optional<MediaWarmUp> mediaWarmUp;
    if (qgetenv("QT_MEDIA_BACKEND") == "gstreamer")
        mediaWarmUp.emplace();

    // Read again without Qt's own options: anything else unknown is a mistake.
    const CommandLine options = CommandLine::parse(QApplication::arguments());
    if (!options.error.isEmpty())
        return usageError(options);

    // A second copy hands over to the running one before it opens anything, its trace
    // included: given the same trace file, it would cut the running copy's trace short.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    const SingleInstance::Claim claim = instance.claim();
    if (claim == SingleInstance::Claim::HandedOver) {
        // Asked for another course than the running copy plays: the learner hears why
        // nothing new opens (a running copy that does not say its course is simply shown).
        const QString running = instance.runningCourse();
        if (options.course.isEmpty() || running.isEmpty() || SingleInstance::sameCourse(options.course, running))
            return 0;
        QtTranslations::install(app);
        Trace untraced;
        ErrorReport::fatal(untraced,
            ExplainedError(QStringLiteral("a running copy plays %1, not %2").arg(running, options.course),
                QStringLiteral("El reproductor ya está abierto con otro curso, el de %1. Ciérralo antes de abrir el curso de %2.")
                    .arg(QDir::toNativeSeparators(QDir::cleanPath(running)), QDir::toNativeSeparators(options.course.trimmed()))));
        return 1;
    }

    Trace trace;
    if (!options.trace.isEmpty() && !trace.open(options.trace)) {
        const QFileInfo folder(QFileInfo(options.trace).absolutePath());
        const QString why = !folder.isDir() ? QStringLiteral("la carpeta %1 no existe").arg(QDir::toNativeSeparators(folder.filePath()))
                                            : QStringLiteral("falta permiso o espacio");
        std::fprintf(stderr, "tamsel: No se puede escribir la traza en %s: %s.\n", qPrintable(QDir::toNativeSeparators(options.trace)),
            why.toUtf8().constData());
        return 1;
    }
    // Before anything may be said: Qt's own buttons in the learner's language.
    const QString catalogue = QtTranslations::install(app);
    if (claim == SingleInstance::Claim::Failed) {
        ErrorReport::fatal(trace,
            ExplainedError(instance.errorString(), QStringLiteral("No se puede comprobar si el curso ya está abierto: falta permiso en la carpeta %1.")
                                                     .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))));
        return 1;
    }

    ModuleState state;
    ScreenHost host(trace, options.window ? ScreenHost::Presentation::Window : ScreenHost::Presentation::FullScreen);
    QObject::connect(&instance, &SingleInstance::restoreRequested, &host, &ScreenHost::restore);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&trace] { trace.event("quit"); });
    // Logout and shutdown end the player as closing its window does.
    QuitOnSignal quitOnSignal;
    QObject::connect(&quitOnSignal, &QuitOnSignal::received, &app, [&trace](int signal) { trace.event("signal", { { QStringLiteral("number"), signal } }); });

    Shell shell(state, trace, host);
    registerScreens(shell);
    try {
        StartUp startUp(state, trace, options.course, &shell);
        startUp.run();
        instance.setCourse(state.Folder.image() ? state.Folder.image()->image() : state.ProgramFolder);
        host.showOnDisplay();
        startUp.showFirstScreen();
        QtTranslations::trace(trace, catalogue);
    } catch (const CourseError& error) {
        ErrorReport::fatal(trace, error);
        return 1;
    }
    return app.exec();
}
