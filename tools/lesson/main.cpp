// tamsel-lesson: adds, lists, removes and moves the learner's own videos, studied as
// conversation lessons of a course, from the command line.
#include "CourseError.h"
#include "CourseLearner.h"
#include "LessonCommands.h"
#include "SpanishCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

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
    SpanishCommandLine::hideQtNoise();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-lesson"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));

    SpanishCommandLine line(QStringLiteral("tamsel-lesson"), QStringLiteral(
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
    QCommandLineParser& parser = line.parser();
    const QCommandLineOption english(QStringLiteral("en"), QStringLiteral("Los subtítulos en inglés (SubRip, WebVTT o SSA/ASS)."), QStringLiteral("ARCHIVO"));
    const QCommandLineOption spanish(QStringLiteral("es"), QStringLiteral("Los subtítulos en español."), QStringLiteral("ARCHIVO"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("El título de la lección (si no, el nombre del vídeo)."),
        QStringLiteral("TÍTULO"));
    const QCommandLineOption course(QStringLiteral("course"),
        QStringLiteral("La carpeta del curso, la que tiene bbm.mdb, o su imagen de disco (si no, el curso que juega el "
                       "reproductor: el de su compilación o el instalado)."),
        QStringLiteral("CARPETA"));
    parser.addOptions({ english, spanish, title, course });
    parser.addPositionalArgument(QStringLiteral("ORDEN"), QStringLiteral("add, list, remove o move, con lo que pida."), QStringLiteral("ORDEN ..."));
    if (const auto status = line.read(app.arguments()))
        return *status;

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const qsizetype wanted = command == QLatin1String("add") ? 2
        : command == QLatin1String("list")                   ? 1
        : command == QLatin1String("remove")                 ? 2
        : command == QLatin1String("move")                   ? 3
                                                             : -1;
    if (wanted < 0)
        return line.mistake(command.isEmpty() ? QStringLiteral("falta la orden: add, list, remove o move") : QStringLiteral("no hay ninguna orden «%1»").arg(command));
    if (arguments.size() != wanted)
        return line.mistake(QStringLiteral("la orden %1 lleva %2").arg(command,
            wanted == 1 ? QStringLiteral("nada más") : wanted == 2 && command == QLatin1String("add") ? QStringLiteral("un VÍDEO") : wanted == 2 ? QStringLiteral("un número N") : QStringLiteral("un número N y un VÍDEO")));
    if (command != QLatin1String("add") && (parser.isSet(english) || parser.isSet(spanish) || parser.isSet(title)))
        return line.mistake(QStringLiteral("--en, --es y --title son de la orden add"));
    std::optional<qint16> number;
    if (wanted >= 2 && command != QLatin1String("add")) {
        number = numberOf(arguments[1]);
        if (!number)
            return line.mistake(QStringLiteral("«%1» no es un número de lección").arg(arguments[1]));
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
