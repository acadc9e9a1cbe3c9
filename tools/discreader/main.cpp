// tamsel-disc-reader PIPE IMAGE [probe]: reads the directory tree of a disc image for the
// player and tamsel-import, which start it in a process of its own (see DiscImage::tree);
// with "probe", only opens the image and reads its volume descriptors.
#include "DiscImage.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: tamsel-disc-reader PIPE IMAGE [probe]\n"
                    "Reads the directory tree of the disc image IMAGE (ISO 9660, BIN/CUE, NRG or a\n"
                    "disc's block device) for the tamsel player and tamsel-import, which start it\n"
                    "themselves and read its report on their pipe, descriptor PIPE; it is not meant\n"
                    "to be run by hand. With \"probe\", it only opens the image.\n\n"
                    "  --help     show this help and exit\n");
        return 0;
    }
    bool number = false;
    const bool probe = argc == 4 && std::strcmp(argv[3], "probe") == 0;
    const int channel = argc == 3 || probe ? QByteArray(argv[1]).toInt(&number) : -1;
    if (!number || channel < 0) {
        std::fprintf(stderr, "Usage: tamsel-disc-reader PIPE IMAGE [probe]\n");
        return 2;
    }
    return DiscImage::serve(channel, QFile::decodeName(argv[2]), probe ? DiscImage::Work::Probe : DiscImage::Work::Tree);
}
