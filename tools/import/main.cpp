// tamsel-import COURSE OUT: a course from its original disc, its Jet databases converted.
#include "CourseError.h"
#include "CourseImport.h"
#include "DiscImage.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const char* usage = "Usage: tamsel-import COURSE OUT\n"
                        "Copies the course folder COURSE (the folder that holds bbm.mdb, such as a\n"
                        "mounted disc) or the course's ISO 9660 disc image to OUT, converting its Jet\n"
                        "databases into the player's own format, and prints what it converted. The\n"
                        "image is read where it lies. OUT may be neither COURSE nor a folder\n"
                        "inside it, and COURSE may not lie inside OUT (links followed): nothing is\n"
                        "written then.\n\n"
                        "  --help     show this help and exit\n";
    if (args.size() == 2 && args.at(1) == QLatin1String("--help")) {
        out << usage;
        return 0;
    }
    if (args.size() != 3) {
        err << usage;
        return 2;
    }
    try {
        CourseImport(out, err).run(args.at(1), args.at(2));
    } catch (const DamagedDiscImage& damaged) {
        // No trace here: the reason is told beside the message.
        out.flush();
        err << "tamsel-import: " << damaged.message() << " (" << damaged.reason() << ")\n";
        return 1;
    } catch (const CourseError& error) {
        out.flush();
        err << "tamsel-import: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
