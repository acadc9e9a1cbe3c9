// tamsel-icon FOLDER SIZE...: draws the player's icon into FOLDER as an icon theme lays it
// out, FOLDER/<size>x<size>/apps/tamsel.png.

#include "AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Drawn with QPainter; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: tamsel-icon FOLDER SIZE...\n", stderr);
        return 2;
    }
    const QString folder = args.at(1);
    for (const QString& arg : args.mid(2)) {
        bool ok = false;
        const int size = arg.toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "tamsel-icon: %s is not a size from 8 to 1024 pixels\n", qPrintable(arg));
            return 2;
        }
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = folder + QLatin1Char('/') + sub + QStringLiteral("/tamsel.png");
        if (!QDir(folder).mkpath(sub) || !AppIcon::draw(size).save(file)) {
            std::fprintf(stderr, "tamsel-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
