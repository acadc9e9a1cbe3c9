#include "CommandLine.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const CommandLine options = CommandLine::parse(app.arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "tamsel: %s\n%s", qPrintable(options.error), qPrintable(CommandLine::usage()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("tamsel %s\n", TAMSEL_VERSION);
        return 0;
    }
    return 0;
}
