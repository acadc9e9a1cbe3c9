// tamsel-lesson: adds, lists, removes and moves the learner's own videos, studied as
// conversation lessons of a course, from the command line.
#include "CourseError.h"
#include "CourseLearner.h"
#include "LessonCommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace {

int wrongUsage(const QString& message)
{
    std::fprintf(stderr, "tamsel-lesson: %s (vea --help)\n", qPrintable(message));
    return 2;
}

// A lesson number as the learner writes it; nullopt when it is none.
std::optional<qint16> numberOf(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 0 || number > 32767)
        return std::nullopt;
    return qint16(number);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-lesson"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    QTranslator qtWords;
    if (qtWords.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtWords);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Convierte tus propios vídeos (películas, series…) con sus subtítulos en lecciones de conversación del curso, "
        "que se estudian en la pantalla de conversación con todas sus ayudas.\n\n"
        "Órdenes:\n"
        "  add VÍDEO      Añade el vídeo. Los subtítulos que estén a su lado con los nombres de costumbre "
        "(película.en.srt, película.es.srt, película.eng.vtt, película.spa.ass…) se encuentran solos; si no, los que "
        "lleve dentro el vídeo (Matroska, WebM, MP4); --en y --es dan otros archivos.\n"
        "  list           Muestra tus vídeos del curso, con su número.\n"
        "  remove N       Quita la lección N y tus grabaciones de ella (nunca el vídeo ni los subtítulos).\n"
        "  move N VÍDEO   La lección N usa el vídeo en su nuevo sitio.\n\n"
        "Las lecciones se guardan en misvideos.db, en tu carpeta de datos del curso; en el curso no se escribe nada. "
        "Sale con 0 si lo ha hecho, 1 si no ha podido y 2 si la orden está mal escrita."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Muestra esta ayuda."));
    const QCommandLineOption version({ QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Muestra la versión."));
    const QCommandLineOption english(QStringLiteral("en"), QStringLiteral("Los subtítulos en inglés (SubRip, WebVTT o SSA/ASS)."), QStringLiteral("ARCHIVO"));
    const QCommandLineOption spanish(QStringLiteral("es"), QStringLiteral("Los subtítulos en español."), QStringLiteral("ARCHIVO"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("El título de la lección (si no, el nombre del vídeo)."),
        QStringLiteral("TÍTULO"));
    const QCommandLineOption course(QStringLiteral("course"),
        QStringLiteral("La carpeta del curso, la que tiene bbm.mdb, o su imagen de disco (si no, el curso que juega el "
                       "reproductor: el de su compilación o el instalado)."),
        QStringLiteral("CARPETA"));
    parser.addOptions({ help, version, english, spanish, title, course });
    parser.addPositionalArgument(QStringLiteral("ORDEN"), QStringLiteral("add, list, remove o move, con lo que pida."), QStringLiteral("ORDEN ..."));
    if (!parser.parse(app.arguments()))
        return wrongUsage(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tamsel-lesson %s\n", TAMSEL_VERSION);
        return 0;
    }

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const qsizetype wanted = command == QLatin1String("add") ? 2
        : command == QLatin1String("list")                   ? 1
        : command == QLatin1String("remove")                 ? 2
        : command == QLatin1String("move")                   ? 3
                                                             : -1;
    if (wanted < 0)
        return wrongUsage(command.isEmpty() ? QStringLiteral("falta la orden: add, list, remove o move") : QStringLiteral("no hay ninguna orden «%1»").arg(command));
    if (arguments.size() != wanted)
        return wrongUsage(QStringLiteral("la orden %1 lleva %2").arg(command,
            wanted == 1 ? QStringLiteral("nada más") : wanted == 2 && command == QLatin1String("add") ? QStringLiteral("un VÍDEO") : wanted == 2 ? QStringLiteral("un número N") : QStringLiteral("un número N y un VÍDEO")));
    if (command != QLatin1String("add") && (parser.isSet(english) || parser.isSet(spanish) || parser.isSet(title)))
        return wrongUsage(QStringLiteral("--en, --es y --title son de la orden add"));
    std::optional<qint16> number;
    if (wanted >= 2 && command != QLatin1String("add")) {
        number = numberOf(arguments[1]);
        if (!number)
            return wrongUsage(QStringLiteral("«%1» no es un número de lección").arg(arguments[1]));
    }

    QString learnerFolder;
    try {
        learnerFolder = CourseLearner::folder(parser.value(course));
    } catch (const CourseError& error) {
        return LessonCommands::fail(error.message());
    }
    LessonCommands commands(learnerFolder);
    if (command == QLatin1String("add"))
        return commands.add({ arguments[1], parser.value(english), parser.value(spanish), parser.value(title) });
    if (command == QLatin1String("list"))
        return commands.list();
    if (command == QLatin1String("remove"))
        return commands.remove(*number);
    return commands.move(*number, arguments[2]);
}
