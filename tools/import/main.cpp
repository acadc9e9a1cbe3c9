// tamsel-import CURSO SALIDA: a course from its original disc, its Jet databases converted.
#include "CourseError.h"
#include "CourseImport.h"
#include "DiscImage.h"
#include "ExplainedError.h"
#include "SpanishCommandLine.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    SpanishCommandLine::hideQtNoise();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    SpanishCommandLine line(QStringLiteral("tamsel-import"),
        QStringLiteral("Copia la carpeta del curso CURSO (la que tiene bbm.mdb, como un disco montado) o la imagen ISO 9660 "
                       "del disco del curso en SALIDA, convierte sus bases de datos Jet al formato del reproductor y dice qué "
                       "ha convertido. La imagen se lee donde está. SALIDA no puede ser CURSO ni una carpeta dentro de él, "
                       "ni CURSO estar dentro de SALIDA (siguiendo los enlaces): entonces no se escribe nada."));
    line.parser().addPositionalArgument(QStringLiteral("CURSO"), QStringLiteral("La carpeta del curso o la imagen de su disco."));
    line.parser().addPositionalArgument(QStringLiteral("SALIDA"), QStringLiteral("La carpeta donde copiar el curso."));
    if (const auto status = line.read(app.arguments()))
        return *status;
    const QStringList args = line.parser().positionalArguments();
    if (args.size() != 2)
        return line.mistake(QStringLiteral("indique un CURSO y una SALIDA"));
    // What was said of the copy so far comes before why it stopped.
    const auto fail = [&](const QString& text, const QString& detail) {
        out.flush();
        err.flush();
        return line.failure(text, detail);
    };
    try {
        CourseImport(out, err).run(args.at(0), args.at(1));
    } catch (const DamagedDiscImage& damaged) {
        // No trace here: the reason is told beside the message.
        return fail(damaged.message(), damaged.reason());
    } catch (const ExplainedError& error) {
        return fail(error.learnerText(), error.message());
    } catch (const CourseError& error) {
        // A database that cannot be converted, a file that cannot be copied off the disc.
        return fail(QStringLiteral("No se ha podido copiar el curso de %1 en %2.").arg(args.at(0), args.at(1)), error.message());
    }
    return 0;
}
