#include "CommandLine.h"

#include "SpanishCommandLine.h"

namespace {

// Qt's own options (QGuiApplication's, its X11 platform's and QApplication's), "-name" or
// "--name": the number of values each takes.
int qtOptionValues(const QString& arg)
{
    static const QStringList withValue { "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
        "qwindowtitle", "title", "qwindowicon", "icon", "session", "display", "name", "style", "stylesheet" };
    static const QStringList flags { "reverse", "nograb", "dograb", "sync", "widgetcount", "testability" };
    QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : arg.mid(1);
    if (name.startsWith(QLatin1String("qmljsdebugger=")) || name.startsWith(QLatin1String("style=")) || name.startsWith(QLatin1String("stylesheet=")))
        return 0;
    if (withValue.contains(name))
        return 1;
    return flags.contains(name) ? 0 : -1;
}

// "-hv": the short options written together, as the other programs take them.
bool compactedShortOptions(const QString& arg)
{
    if (arg.size() < 3 || arg.at(0) != QLatin1Char('-') || arg.at(1) == QLatin1Char('-'))
        return false;
    for (qsizetype i = 1; i < arg.size(); ++i) {
        if (arg.at(i) != QLatin1Char('h') && arg.at(i) != QLatin1Char('v'))
            return false;
    }
    return true;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, Unknown unknown)
{
    CommandLine options;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        // The player takes no plain argument: the likeliest meaning is a course.
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            options.error = QStringLiteral("Sobra el argumento «%1». ¿Quería decir --course %1?").arg(arg);
            break;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        auto takeValue = [&](QString& into) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("Falta valor tras «%1».").arg(arg);
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
                    options.error = QStringLiteral("--scale lleva un factor entero de 1 a 16 o «fit», no «%1».").arg(value);
            }
        } else if (arg == QLatin1String("--window"))
            options.window = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.help = true;
        else if (arg == QLatin1String("--version") || arg == QLatin1String("-v"))
            options.version = true;
        else if (compactedShortOptions(arg)) {
            options.help = options.help || arg.contains(QLatin1Char('h'));
            options.version = options.version || arg.contains(QLatin1Char('v'));
        } else if (const int values = unknown == Unknown::Skip ? qtOptionValues(arg) : -1; values >= 0) {
            if (i + values >= arguments.size())
                options.error = QStringLiteral("Falta valor tras «%1».").arg(arg);
            i += values;
        } else
            options.error = QStringLiteral("Opción desconocida «%1».").arg(arg);
        if (options.error.isEmpty() && arg.startsWith(QLatin1String("--course")) && options.course.trimmed().isEmpty())
            options.error = QStringLiteral("--course lleva la carpeta o la imagen del curso, no un texto vacío.");
        if (!options.error.isEmpty())
            break;
    }
    return options;
}

QString CommandLine::usage()
{
    // Worded as the other programs' help (SpanishCommandLine), for the same manual pages.
    return SpanishCommandLine::usageLine(QStringLiteral("tamsel"),
               QStringLiteral("[--course CURSO] [--scale N|fit] [--window] [--trace ARCHIVO] [--help] [--version]"))
        + QStringLiteral(
            "\nReproduce un curso interactivo de inglés.\n\n"
            "Opciones:\n"
            "  --course CURSO    reproduce el curso de la carpeta CURSO (la que tiene\n"
            "                    bbm.mdb), o directamente la imagen del disco del curso si\n"
            "                    CURSO es una (ISO 9660, BIN/CUE o Nero .nrg), o el disco en\n"
            "                    su unidad (como /dev/sr0); sin esta opción, el curso que\n"
            "                    está junto al programa o el instalado\n"
            "  --scale N         dibuja el escenario de 640 x 480 N veces más grande (de 1 a\n"
            "                    16); si no, el mayor factor entero que cabe en la pantalla\n"
            "  --scale fit       llena la pantalla sin deformar el escenario (imágenes\n"
            "                    suavizadas)\n"
            "  --window          reproduce en una ventana del tamaño del escenario en vez de a\n"
            "                    pantalla completa\n"
            "  --trace ARCHIVO   escribe una traza de diagnóstico, un objeto JSON por línea\n"
            "                    («-»: la salida de errores)\n"
            "  -h, --help        muestra esta ayuda y termina\n"
            "  -v, --version     muestra la versión y termina\n");
}
