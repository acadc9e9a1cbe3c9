// A learner's player reduced to its writes, for tests that kill it: marks visits of lessons
// FIRST to FIRST+COUNT-1 through the classroom store, telling on standard output each one
// that has returned ("visited N"), then keeps running until it is killed.
#include "ServerLearnerStore.h"
#include "Trace.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: %s TARGET JOURNAL FIRST COUNT\n", argv[0]);
        return 2;
    }
    Trace trace;
    ServerLearnerStore store(args[1], args[2], trace, [](const QString& message) { std::fprintf(stderr, "told: %s\n", qPrintable(message)); });
    const int first = args[3].toInt();
    const int count = args[4].toInt();
    for (int lesson = first; lesson < first + count; ++lesson) {
        store.markVisited(qint16(lesson));
        std::printf("visited %d\n", lesson);
        std::fflush(stdout);
    }
    std::printf("done\n");
    std::fflush(stdout);
    return app.exec();
}
