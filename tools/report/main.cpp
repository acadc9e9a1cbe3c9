// tamsel-report: the class's progress for its teacher, from the classroom server or from
// learner database files, as CSV and as one self-contained HTML page.
#include "ClassProgress.h"
#include "CourseError.h"
#include "InstallLayout.h"
#include "ProgressReport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
        throw CourseError(QStringLiteral("%1: cannot be written: %2").arg(file, out.errorString()));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a class's progress in a tamsel course: for each learner the lessons visited in each chapter, "
        "the test attempts and best score, and the last activity.\n\n"
        "Each SOURCE is the classroom server, named as in expert.ini (a postgresql:// URI or a libpq string such as "
        "service=tamsel; log in as a teacher to read every learner; the password comes from ~/.pgpass or the service "
        "file), or a learner database file (usrcurso.mdb) of one learner."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Write the CSV table to FILE (- for standard output)."), QStringLiteral("FILE"));
    const QCommandLineOption html(QStringLiteral("html"), QStringLiteral("Write the HTML page, with a chart per chapter, to FILE (- for standard output)."),
        QStringLiteral("FILE"));
    const QCommandLineOption course(QStringLiteral("course"), QStringLiteral("The course folder that holds bbm.mdb (by default the installed course)."),
        QStringLiteral("DIR"));
    const QCommandLineOption learner(QStringLiteral("learner"), QStringLiteral("The learner's name for the learner files given (by default the name "
                                                                               "their test attempts carry, else the file's folder)."),
        QStringLiteral("NAME"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("The page's title."), QStringLiteral("TEXT"),
        QStringLiteral("Progreso de la clase"));
    parser.addOptions({ csv, html, course, learner, title });
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("The classroom server or a learner database file."), QStringLiteral("SOURCE..."));
    parser.process(app);

    const QStringList sources = parser.positionalArguments();
    if (sources.isEmpty() || (!parser.isSet(csv) && !parser.isSet(html))) {
        std::fprintf(stderr, "tamsel-report: give at least one SOURCE and --csv or --html (see --help)\n");
        return 2;
    }
    try {
        const QString folder = parser.isSet(course) ? parser.value(course) : InstallLayout::courseFolder();
        ClassProgress progress(folder);
        for (const QString& source : sources)
            progress.addSource(source, parser.value(learner));
        if (parser.isSet(csv))
            write(parser.value(csv), ProgressReport::csv(progress));
        if (parser.isSet(html))
            write(parser.value(html), ProgressReport::html(progress, parser.value(title)));
    } catch (const CourseError& error) {
        std::fprintf(stderr, "tamsel-report: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
