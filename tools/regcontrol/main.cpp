// tamsel-regcontrol [--system] [--unregister] BIBLIOTECA: registers a self-registering control
// library in the user's component registry (or removes it) by calling its own entry
// points; with --system, in the registry of the installation this tool belongs to.

#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"

#include "SpanishCommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

enum class Change { Register, Unregister };

// A library only knows how to register itself in the user's registry. For the
// installation's registry its self-registration is caught in a scratch configuration
// folder, and the classes it wrote are recorded there, their library path relative to
// the registry: the same files then serve from a DESTDIR staging folder and once installed.
void changeInstallation(ComponentLibrary& library, Change change)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw ComponentError(
            QStringLiteral("No se puede crear una carpeta temporal donde registrar %1: %2").arg(library.path(), scratch.errorString()));
    QList<ComponentClass> classes;
    {
        const bool userConfigSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        const QByteArray userConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            if (userConfigSet)
                qputenv("XDG_CONFIG_HOME", userConfig);
            else
                qunsetenv("XDG_CONFIG_HOME");
        });
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
        library.registerServer();
        classes = ComponentRegistry().classes();
    }
    if (classes.isEmpty())
        throw ComponentError(QStringLiteral("La biblioteca %1 no registró ninguna clase").arg(library.path()));
    const ComponentRegistry installation(ComponentRegistry::installationFilePath(), ComponentRegistry::LibraryPaths::RelativeToRegistry);
    for (const ComponentClass& entry : classes) {
        if (change == Change::Register)
            installation.add(entry);
        else
            installation.remove(entry.programmaticId, entry.classId);
    }
}

}

int main(int argc, char* argv[])
{
    SpanishCommandLine::hideQtNoise();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-regcontrol"));

    // The help names the registries as a user finds them, not as this machine places them:
    // it is also the manual page.
    SpanishCommandLine line(QStringLiteral("tamsel-regcontrol"),
        QStringLiteral("Registra una biblioteca de controles en el registro de componentes del usuario "
                       "(~/.config/tamsel/components.json)."));
    QCommandLineParser& parser = line.parser();
    const QCommandLineOption unregister(QStringLiteral("unregister"), QStringLiteral("Quita del registro las clases de la biblioteca."));
    const QCommandLineOption system(QStringLiteral("system"),
        QStringLiteral("Usa el registro de esta instalación (<prefijo>/share/tamsel/components.json), para todos los usuarios."));
    parser.addOption(unregister);
    parser.addOption(system);
    parser.addPositionalArgument(QStringLiteral("BIBLIOTECA"), QStringLiteral("El archivo de la biblioteca de controles."));
    if (const auto status = line.read(app.arguments()))
        return *status;

    const QStringList libraries = parser.positionalArguments();
    if (libraries.size() != 1)
        return line.mistake(QStringLiteral("indique una sola BIBLIOTECA"));
    const QString named = QDir::toNativeSeparators(libraries.first());
    const QFileInfo file(libraries.first());
    if (!file.isFile())
        return line.failure(file.exists() ? QStringLiteral("%1 no es una biblioteca de controles: es una carpeta.").arg(named)
                                          : QStringLiteral("No se encuentra la biblioteca de controles %1: el archivo no existe.").arg(named));
    ComponentLibrary library(libraries.first());
    try {
        library.load();
    } catch (const ComponentError& e) {
        return line.failure(QStringLiteral("No se puede cargar la biblioteca de controles %1: no es una biblioteca o le falta otra que necesita.").arg(named),
            e.message());
    }
    const Change change = parser.isSet(unregister) ? Change::Unregister : Change::Register;
    try {
        if (parser.isSet(system))
            changeInstallation(library, change);
        else if (change == Change::Unregister)
            library.unregisterServer();
        else
            library.registerServer();
        QTextStream(stdout) << (change == Change::Unregister ? "Quitada del registro: " : "Registrada: ") << library.path()
                            << (parser.isSet(system) ? " en " + ComponentRegistry::installationFilePath() : QString()) << '\n';
        return 0;
    } catch (const ComponentError& e) {
        return line.failure((change == Change::Unregister ? QStringLiteral("No se ha podido quitar del registro la biblioteca de controles %1.")
                                                          : QStringLiteral("No se ha podido registrar la biblioteca de controles %1."))
                                .arg(named),
            e.message());
    }
}
