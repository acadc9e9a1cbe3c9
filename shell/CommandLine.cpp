#include "CommandLine.h"

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        auto takeValue = [&](QString& into) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("option %1 needs a value").arg(arg);
                return;
            }
            into = arguments.at(++i);
        };
        if (arg == QLatin1String("--course"))
            takeValue(options.course);
        else if (arg.startsWith(QLatin1String("--course=")))
            options.course = arg.mid(9);
        else if (arg == QLatin1String("--trace"))
            takeValue(options.trace);
        else if (arg.startsWith(QLatin1String("--trace=")))
            options.trace = arg.mid(8);
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.help = true;
        else if (arg == QLatin1String("--version"))
            options.version = true;
        else
            options.error = QStringLiteral("unknown argument '%1'").arg(arg);
        if (!options.error.isEmpty())
            break;
    }
    return options;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: tamsel [--course DIR] [--trace FILE] [--help] [--version]\n"
        "Plays an interactive English course.\n\n"
        "  --course DIR   play the course in DIR (the folder that holds bbm.mdb)\n"
        "  --trace FILE   write a diagnostics trace, one JSON object per line ('-': standard error)\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n");
}
