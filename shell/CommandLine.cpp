#include "CommandLine.h"

CommandLine CommandLine::parse(const QStringList& arguments, Unknown unknown)
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
        else if (arg == QLatin1String("--scale") || arg.startsWith(QLatin1String("--scale="))) {
            QString value = arg.mid(8);
            if (arg == QLatin1String("--scale"))
                takeValue(value);
            if (options.error.isEmpty()) {
                if (const auto scale = StageScale::parse(value))
                    options.scale = *scale;
                else
                    options.error = QStringLiteral("--scale takes a whole factor from 1 to 16 or 'fit', not '%1'").arg(value);
            }
        } else if (arg == QLatin1String("--window"))
            options.window = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.help = true;
        else if (arg == QLatin1String("--version"))
            options.version = true;
        else if (unknown == Unknown::Refuse)
            options.error = QStringLiteral("unknown argument '%1'").arg(arg);
        if (!options.error.isEmpty())
            break;
    }
    return options;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: tamsel [--course DIR] [--scale N|fit] [--window] [--trace FILE] [--help] [--version]\n"
        "Plays an interactive English course.\n\n"
        "  --course DIR   play the course in DIR (the folder that holds bbm.mdb), or\n"
        "                 straight from the course's ISO 9660 disc image when DIR is one;\n"
        "                 without it, the course beside the program or the installed one\n"
        "  --scale N      draw the 640 x 480 stage N times bigger (1 to 16); by default the\n"
        "                 largest whole factor that fits the display\n"
        "  --scale fit    fill the display, keeping the stage's shape (pictures smoothed)\n"
        "  --window       play in a window of the stage's size instead of the full screen\n"
        "  --trace FILE   write a diagnostics trace, one JSON object per line ('-': standard error)\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n");
}
