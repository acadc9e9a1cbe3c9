// The disc tree reader on arbitrary images: any input ends in a tree or a refusal, never a
// fault, within the budgets (kept small here, so that each input is quick).
#include "CourseError.h"
#include "DiscTree.h"

#include <QStringList>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto read = [data, size](quint32 lsn, int count, char* out) {
        const quint64 from = quint64(lsn) * DiscTree::SectorSize;
        const quint64 bytes = quint64(count) * DiscTree::SectorSize;
        if (count <= 0 || from + bytes > size)
            return false;
        std::memcpy(out, data + from, bytes);
        return true;
    };
    DiscTree::Budget budget;
    budget.entries = 20000;
    budget.recordBytes = qint64(4) << 20;
    qsizetype listed = 0;
    try {
        DiscTree tree(read, budget);
        tree.open();
        tree.list([&](const DiscTree::Entry& entry) {
            // What is listed can be named on any file system.
            for (const QString& part : entry.path.split(QLatin1Char('/')))
                if (!DiscTree::isPlainName(part))
                    __builtin_trap();
            ++listed;
        });
    } catch (const CourseError&) {
    }
    if (listed > budget.entries)
        __builtin_trap();
    return 0;
}
