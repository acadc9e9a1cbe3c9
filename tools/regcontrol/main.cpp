// tamsel-regcontrol [--unregister] LIBRARY: registers a self-registering control library
// in the user's component registry (or removes it) by calling its own entry points.

#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-regcontrol"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Registers a control library in the component registry %1.")
                                         .arg(ComponentRegistry::defaultFilePath()));
    parser.addHelpOption();
    const QCommandLineOption unregister(QStringLiteral("unregister"), QStringLiteral("Remove the library's classes instead."));
    parser.addOption(unregister);
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
        if (parser.isSet(unregister))
            library.unregisterServer();
        else
            library.registerServer();
        QTextStream(stdout) << (parser.isSet(unregister) ? "Unregistered " : "Registered ") << library.path() << '\n';
        return 0;
    } catch (const ComponentError& e) {
        err << "tamsel-regcontrol: " << e.message() << '\n';
        return 1;
    }
}
