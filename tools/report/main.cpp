// tamsel-report: the class's progress for its teacher, from the classroom server or from
// learner database files, as CSV and as one self-contained HTML page.
#include "ClassProgress.h"
#include "CourseError.h"
#include "ExplainedError.h"
#include "InstallLayout.h"
#include "ProgressReport.h"
#include "SpanishCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

void write(const QString& file, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (file == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw CourseError(QStringLiteral("No se puede escribir %1: %2").arg(file, out.errorString()));
}

} // namespace

int main(int argc, char* argv[])
{
    SpanishCommandLine::hideQtNoise();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));

    SpanishCommandLine line(QStringLiteral("tamsel-report"),
        QStringLiteral(
            "Escribe el progreso de una clase en un curso de tamsel: por alumno, las lecciones vistas de cada capítulo, "
            "los intentos de la prueba y su mejor resultado, y la última actividad.\n\n"
            "Cada ORIGEN es el servidor de la clase, escrito como en expert.ini (un URI postgresql:// o una cadena de libpq "
            "como service=tamsel; entre como profesor para leer a todos los alumnos; la contraseña sale de ~/.pgpass o del "
            "archivo de servicios), o el archivo de un alumno (usrcurso.mdb)."));
    QCommandLineParser& parser = line.parser();
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Escribe la tabla CSV en ARCHIVO (- para la salida estándar)."),
        QStringLiteral("ARCHIVO"));
    const QCommandLineOption html(QStringLiteral("html"),
        QStringLiteral("Escribe la página HTML, con un gráfico por capítulo, en ARCHIVO (- para la salida estándar)."), QStringLiteral("ARCHIVO"));
    const QCommandLineOption course(QStringLiteral("course"),
        QStringLiteral("La carpeta del curso, la que tiene bbm.mdb (si no, el curso que juega el reproductor: el de su "
                       "compilación o el instalado). El informe es de ese curso."),
        QStringLiteral("CARPETA"));
    const QCommandLineOption learner(QStringLiteral("learner"),
        QStringLiteral("El nombre del alumno de los archivos dados (si no, el que llevan sus intentos de la prueba, o "
                       "el de la carpeta del archivo)."),
        QStringLiteral("NOMBRE"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("El título de la página."), QStringLiteral("TEXTO"),
        QStringLiteral("Progreso de la clase"));
    parser.addOptions({ csv, html, course, learner, title });
    parser.addPositionalArgument(QStringLiteral("ORIGEN"), QStringLiteral("El servidor de la clase o el archivo de un alumno."),
        QStringLiteral("ORIGEN..."));
    if (const auto status = line.read(app.arguments()))
        return *status;

    const QStringList sources = parser.positionalArguments();
    if (sources.isEmpty() || (!parser.isSet(csv) && !parser.isSet(html)))
        return line.mistake(QStringLiteral("indique al menos un ORIGEN y --csv o --html"));
    try {
        ClassProgress progress(parser.isSet(course) ? parser.value(course) : InstallLayout::courseFolder());
        for (const QString& source : sources)
            progress.addSource(source, parser.value(learner));
        if (parser.isSet(csv))
            write(parser.value(csv), ProgressReport::csv(progress));
        if (parser.isSet(html))
            write(parser.value(html), ProgressReport::html(progress, parser.value(title)));
    } catch (const ExplainedError& error) {
        return line.failure(error.learnerText(), error.message());
    } catch (const CourseError& error) {
        return line.failure(error.message());
    }
    return 0;
}
