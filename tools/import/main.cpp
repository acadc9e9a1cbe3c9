// tamsel-import COURSE OUT: a course from its original disc, its Jet databases converted.
#include "CourseError.h"
#include "CourseImport.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "usage: tamsel-import COURSE OUT\n"
               "  copies the course folder COURSE to OUT, converting its Jet databases\n";
        return 2;
    }
    try {
        CourseImport(out, err).run(args.at(1), args.at(2));
    } catch (const CourseError& error) {
        out.flush();
        err << "tamsel-import: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
