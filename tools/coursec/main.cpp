#include "CourseCompiler.h"
#include "CourseError.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

// Also the manual page's text: it is made from --help.
const char* const usage =
    "Usage: tamsel-coursec SOURCE OUTPUT --schema DIR [--password PWD]\n"
    "Compiles a course source folder into a course folder that tamsel plays.\n\n"
    "  SOURCE          the source folder: content.sql and content-*.sql (rows of the content\n"
    "                  database), learner.sql, inst.ini, media.txt and media-*.txt (recipes for\n"
    "                  pictures, sounds, videos and dictionary imports), files/ (copied as they are)\n"
    "  OUTPUT          the course folder to write\n"
    "  --schema DIR    the folder of both databases' tables and saved queries\n"
    "  --password PWD  the password the databases are locked with (default: the course's own)\n"
    "  --help          show this help and exit\n";

} // namespace

// tamsel-coursec SOURCE OUTPUT --schema DIR [--password PWD]
int main(int argc, char* argv[])
{
    // Pictures are drawn with QPainter; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    args.removeFirst();
    QString schema;
    QString password = QStringLiteral("vemparo41");
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--schema") && i + 1 < args.size())
            schema = args[++i];
        else if (args[i] == QLatin1String("--password") && i + 1 < args.size())
            password = args[++i];
        else
            positional << args[i];
    }
    if (positional == QStringList { QStringLiteral("--help") }) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (positional.size() != 2 || schema.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        CourseCompiler(schema, password).compile(positional[0], positional[1]);
    } catch (const CourseError& error) {
        std::fprintf(stderr, "tamsel-coursec: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
