// tamsel-jet-reader PIPE JETFILE COPY: the reading half of a Jet conversion, started by
// the player and tamsel-import in a process of its own (see JetChildProcess).
#include "JetChildProcess.h"
#include "JetConverter.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: tamsel-jet-reader PIPE JETFILE COPY\n"
                    "Reads the legacy Jet database JETFILE into the new file COPY for the tamsel\n"
                    "player and tamsel-import, which start it themselves and read its report on\n"
                    "their pipe, descriptor PIPE; it is not meant to be run by hand.\n\n"
                    "  --help     show this help and exit\n");
        return 0;
    }
    bool number = false;
    const int channel = argc == 4 ? QByteArray(argv[1]).toInt(&number) : -1;
    if (!number || channel < 0) {
        std::fprintf(stderr, "Usage: tamsel-jet-reader PIPE JETFILE COPY\n");
        return 2;
    }
    const QString jetFile = QFile::decodeName(argv[2]);
    const QString copy = QFile::decodeName(argv[3]);
    return JetChildProcess::serve(channel, [&](const JetChildProcess::Send& send) { JetConverter::convertHere(jetFile, copy, send); });
}
