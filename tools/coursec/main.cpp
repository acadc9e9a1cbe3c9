#include "CourseCompiler.h"
#include "CourseError.h"

#include <QGuiApplication>
#include <cstdio>

// tamsel-coursec SOURCE OUTPUT --schema DIR [--password PWD]
int main(int argc, char* argv[])
{
    // Pictures are drawn with QPainter; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    args.removeFirst();
    QString schema;
    QString password = QStringLiteral("vemparo41");
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--schema") && i + 1 < args.size())
            schema = args[++i];
        else if (args[i] == QLatin1String("--password") && i + 1 < args.size())
            password = args[++i];
        else
            positional << args[i];
    }
    if (positional.size() != 2 || schema.isEmpty()) {
        std::fputs("usage: tamsel-coursec SOURCE OUTPUT --schema DIR [--password PWD]\n", stderr);
        return 2;
    }
    try {
        CourseCompiler(schema, password).compile(positional[0], positional[1]);
    } catch (const CourseError& error) {
        std::fprintf(stderr, "tamsel-coursec: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
