#include "CommandLine.h"

#include "SpanishCommandLine.h"

CommandLine CommandLine::parse(const QStringList& arguments, Unknown unknown)
{
    CommandLine options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
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
        else if (unknown == Unknown::Refuse)
            options.error = QStringLiteral("Opción desconocida «%1».").arg(arg);
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
