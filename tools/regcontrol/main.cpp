// tamsel-regcontrol [--system] [--unregister] LIBRARY: registers a self-registering control
// library in the user's component registry (or removes it) by calling its own entry
// points; with --system, in the registry of the installation this tool belongs to.

#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
        throw ComponentError(QStringLiteral("Cannot create a scratch folder to register %1 in: %2").arg(library.path(), scratch.errorString()));
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
        throw ComponentError(QStringLiteral("The library %1 registered no class").arg(library.path()));
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
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-regcontrol"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Registers a control library in the component registry %1.")
                                         .arg(ComponentRegistry::defaultFilePath()));
    parser.addHelpOption();
    const QCommandLineOption unregister(QStringLiteral("unregister"), QStringLiteral("Remove the library's classes instead."));
    const QCommandLineOption system(QStringLiteral("system"),
        QStringLiteral("Use the registry of this installation, %1, for every user.").arg(ComponentRegistry::installationFilePath()));
    parser.addOption(unregister);
    parser.addOption(system);
    parser.addPositionalArgument(QStringLiteral("LIBRARY"), QStringLiteral("The control library file."));
    parser.process(app);

    QTextStream err(stderr);
    const QStringList libraries = parser.positionalArguments();
    if (libraries.size() != 1) {
        err << "tamsel-regcontrol: give exactly one LIBRARY (see --help)\n";
        return 2;
    }
    try {
        ComponentLibrary library(libraries.first());
        const Change change = parser.isSet(unregister) ? Change::Unregister : Change::Register;
        if (parser.isSet(system))
            changeInstallation(library, change);
        else if (change == Change::Unregister)
            library.unregisterServer();
        else
            library.registerServer();
        QTextStream(stdout) << (change == Change::Unregister ? "Unregistered " : "Registered ") << library.path()
                            << (parser.isSet(system) ? " in " + ComponentRegistry::installationFilePath() : QString()) << '\n';
        return 0;
    } catch (const ComponentError& e) {
        err << "tamsel-regcontrol: " << e.message() << '\n';
        return 1;
    }
}
