// A learner's player reduced to its writes, for tests that kill it or load the server.
// Its course on the server is "curso" (the fixture course's section), or $TAMSEL_WRITER_COURSE.
//   tamsel-classroom-writer TARGET JOURNAL FIRST COUNT
//     marks visits of lessons FIRST to FIRST+COUNT-1 through the classroom store, telling on
//     standard output each one that has returned ("visited N"), then runs until killed.
//   tamsel-classroom-writer --steps TARGET JOURNAL
//     marks a visit of each lesson read from standard input (one number a line), telling
//     each one that has returned ("visited N"); ends at the end of its input.
//   tamsel-classroom-writer --load TARGET JOURNAL SECONDS
//     says "ready" once connected and waits for a line on standard input; then for SECONDS
//     marks a visit every 100 ms and keeps a test attempt every fifth, then waits for the
//     server to have them all and prints one JSON line: the writes made, the
//     milliseconds each took from the call to the server's confirmation on the screens'
//     thread, the server's own part (from the sending to its answer) and the call's own
//     time (what the screen waits for).
#include "ServerLearnerStore.h"
#include "Trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QString course()
{
    const QString named = qEnvironmentVariable("TAMSEL_WRITER_COURSE");
    return named.isEmpty() ? QStringLiteral("curso") : named;
}

void tell(const QString& message)
{
    std::fprintf(stderr, "told: %s\n", qPrintable(message));
}

int load(QCoreApplication& app, const QString& target, const QString& journal, int seconds)
{
    Trace trace;
    ServerLearnerStore store(target, course(), journal, trace, tell);
    store.waitForFirstSync(10000);
    std::printf("ready\n");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;
    QElapsedTimer clock;
    clock.start();
    QMap<qint64, qint64> started; // write -> when, in ns
    std::vector<double> ms;
    int visits = 0;
    int attempts = 0;
    std::vector<double> serverMs;
    std::vector<double> callMs; // what the screen waits for: the journal's write
    QObject::connect(&store, &ServerLearnerStore::reachedServer, &app, [&](qint64 seq, double roundTripMs) {
        const qint64 now = clock.nsecsElapsed();
        serverMs.push_back(roundTripMs);
        for (auto it = started.begin(); it != started.end() && it.key() <= seq;) {
            ms.push_back(double(now - it.value()) / 1e6);
            it = started.erase(it);
        }
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        if (clock.elapsed() >= seconds * 1000LL) {
            tick.stop();
            return;
        }
        const qint64 at = clock.nsecsElapsed();
        store.markVisited(qint16(1 + visits));
        callMs.push_back(double(clock.nsecsElapsed() - at) / 1e6);
        started.insert(store.lastWrite(), at);
        ++visits;
        if (visits % 5 == 0) {
            TestAttempt attempt;
            attempt.id = TestAttempt::newId();
            attempt.lesson = 1500;
            attempt.finished = QDateTime::currentDateTimeUtc();
            attempt.points = visits % 80;
            attempt.maximum = 80;
            attempt.percent = attempt.points * 100 / 80;
            attempt.answers = { 1, 3, 0, 4 };
            const qint64 atAttempt = clock.nsecsElapsed();
            store.saveAttempt(attempt);
            callMs.push_back(double(clock.nsecsElapsed() - atAttempt) / 1e6);
            started.insert(store.lastWrite(), atAttempt);
            ++attempts;
        }
    });
    // Learners do not click in step: each begins at a moment of its own within the period.
    QTimer::singleShot(QRandomGenerator::global()->bounded(100), &app, [&] { tick.start(100); });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, &app, [&] {
        const bool writing = clock.elapsed() < seconds * 1000LL || tick.isActive();
        if ((writing || store.unsentCount() > 0) && clock.elapsed() < (seconds + 60) * 1000LL)
            return;
        app.quit();
    });
    done.start(50);
    app.exec();
    std::sort(ms.begin(), ms.end());
    std::sort(serverMs.begin(), serverMs.end());
    std::sort(callMs.begin(), callMs.end());
    QJsonObject result { { QStringLiteral("visits"), visits }, { QStringLiteral("attempts"), attempts },
        { QStringLiteral("unsent"), store.unsentCount() }, { QStringLiteral("confirmed"), int(ms.size()) },
        { QStringLiteral("median_ms"), ms.empty() ? -1 : ms[ms.size() / 2] }, { QStringLiteral("max_ms"), ms.empty() ? -1 : ms.back() },
        { QStringLiteral("server_median_ms"), serverMs.empty() ? -1 : serverMs[serverMs.size() / 2] },
        { QStringLiteral("server_max_ms"), serverMs.empty() ? -1 : serverMs.back() },
        { QStringLiteral("call_median_ms"), callMs.empty() ? -1 : callMs[callMs.size() / 2] },
        { QStringLiteral("call_max_ms"), callMs.empty() ? -1 : callMs.back() } };
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    return store.unsentCount() == 0 ? 0 : 1;
}

int steps(QCoreApplication& app, const QString& target, const QString& journal)
{
    Trace trace;
    ServerLearnerStore store(target, course(), journal, trace, tell);
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[32];
        if (!std::fgets(line, sizeof line, stdin)) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        const int lesson = std::atoi(line);
        store.markVisited(qint16(lesson));
        std::printf("visited %d\n", lesson);
        std::fflush(stdout);
    });
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--steps"))
        return steps(app, args[2], args[3]);
    if (args.size() == 5 && args[1] == QLatin1String("--load"))
        return load(app, args[2], args[3], args[4].toInt());
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: %s TARGET JOURNAL FIRST COUNT | --steps TARGET JOURNAL | --load TARGET JOURNAL SECONDS\n", argv[0]);
        return 2;
    }
    Trace trace;
    ServerLearnerStore store(args[1], course(), args[2], trace, tell);
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
