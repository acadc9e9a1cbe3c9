// libFuzzer entry for the Jet reader: any file, however damaged, must be converted or
// refused with a CourseError, without a crash, a hang or runaway memory in the player.
// The reading runs in the conversion's child process, as in the player: a crash or hang
// of libmdb there becomes an error, which is what the player must do with it. A memory
// error in our own code makes the child exit with the sanitizers' status (86, set by
// run-jet-fuzz.sh), and that is a finding: the entry aborts.

#include "CourseError.h"
#include "JetConverter.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir output;
    const int fd = memfd_create("jet-fuzz", 0);
    if (fd < 0)
        return 0;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0)
            break;
        written += size_t(n);
    }
    try {
        JetConverter::convert(QStringLiteral("/proc/self/fd/%1").arg(fd), output.filePath(QStringLiteral("copy.sqlite")), {}, 5000);
    } catch (const CourseError& error) {
        if (error.message().contains(QLatin1String("(exit status 86)"))) {
            std::fprintf(stderr, "jet fuzz: a sanitizer stopped the reader: %s\n", qPrintable(error.message()));
            std::abort();
        }
    }
    close(fd);
    return 0;
}
