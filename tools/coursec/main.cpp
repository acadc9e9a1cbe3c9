#include "CourseCompiler.h"
#include "CourseError.h"
#include "ExplainedError.h"
#include "SpanishCommandLine.h"

#include <QDir>
#include <QGuiApplication>

// tamsel-coursec SOURCE OUTPUT --schema DIR [--password PWD]
int main(int argc, char* argv[])
{
    // Pictures are drawn with QPainter; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    SpanishCommandLine::hideQtNoise();
    QGuiApplication app(argc, argv);
    // Also the manual page's text: it is made from --help.
    SpanishCommandLine line(QStringLiteral("tamsel-coursec"),
        QStringLiteral("Compila la carpeta de fuentes de un curso en una carpeta de curso que tamsel reproduce."));
    QCommandLineParser& parser = line.parser();
    const QCommandLineOption schema(QStringLiteral("schema"), QStringLiteral("La carpeta de las tablas y consultas guardadas de ambas bases de datos."),
        QStringLiteral("CARPETA"));
    const QCommandLineOption password(QStringLiteral("password"),
        QStringLiteral("La contraseña con que se cierran las bases de datos (si no, la del curso)."), QStringLiteral("CLAVE"),
        QStringLiteral("vemparo41"));
    parser.addOptions({ schema, password });
    parser.addPositionalArgument(QStringLiteral("FUENTE"),
        QStringLiteral("La carpeta de fuentes: content.sql y content-*.sql (filas de la base de datos del contenido), learner.sql, "
                       "inst.ini, media.txt y media-*.txt (recetas de imágenes, sonidos, vídeos e importaciones de diccionarios), "
                       "files/ (se copia tal cual)."));
    parser.addPositionalArgument(QStringLiteral("SALIDA"), QStringLiteral("La carpeta del curso que escribir."));
    if (const auto status = line.read(app.arguments()))
        return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return line.mistake(QStringLiteral("indique una FUENTE y una SALIDA"));
    if (parser.value(schema).isEmpty())
        return line.mistake(QStringLiteral("falta --schema CARPETA"));
    try {
        CourseCompiler(parser.value(schema), parser.value(password)).compile(positional[0], positional[1]);
    } catch (const ExplainedError& error) {
        return line.failure(error.learnerText(), error.message());
    } catch (const CourseError& error) {
        // A row, a recipe or a setting of the sources that cannot be made: the author reads
        // which in the detail.
        return line.failure(QStringLiteral("No se ha podido compilar el curso de %1: sus fuentes tienen un error.")
                                .arg(QDir::toNativeSeparators(positional[0])),
            error.message());
    }
    return 0;
}
