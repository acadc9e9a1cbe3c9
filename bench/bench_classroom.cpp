// The classroom server against the learner file, and under load. Needs the private
// PostgreSQL cluster of the tests:
//   tests/with-postgres.sh build/bench/bench_classroom
// StartUpServerAgainstFile: the real player up to its first screen's activation (start-up
//   done, learner records open) with BDW= naming the server, against the same start with a
//   learner file; the target is a ratio of at most 1.1.
// SixtyLearners: sixty learner processes, connected first and then let go together, each
//   marking visits and keeping attempts at its own pace for 60 s (TAMSEL_LOAD_SECONDS to
//   change it). Three times are given: call_* what the screen waits for (the journal's
//   write; the network is another thread's; targets: median 1 ms, worst 50 ms), server_*
//   from the sending to the server's answer (median 5 ms, worst 100 ms), and the plain ones
//   from the screen's call to the confirmation back on its thread, which on one machine
//   running all sixty players adds their own waits for the processor (no target). Nothing
//   may be lost (made, not on the server) or duplicated (taken by the server twice).
// A missed target is said on standard error and the program ends with status 1.
#include "ClassroomLoad.h"
#include "ClassroomServer.h"
#include "FixtureCourse.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

int missedTargets = 0;

/// A target of this benchmark: VALUE (negative: never measured) must be at most LIMIT.
void expectAtMost(const char* name, const char* what, double value, double limit)
{
    if (value >= 0 && value <= limit)
        return;
    ++missedTargets;
    std::fprintf(stderr, "%s: target missed: %s is %.3f, at most %.3f\n", name, what, value, limit);
}

double firstActivationMs(const FixtureCourse& course, int run)
{
    PlayerRun player(course, QStringLiteral("trace%1.jsonl").arg(run));
    player.start();
    const QJsonObject activated = player.waitForEvent(QStringLiteral("screen.activate"));
    player.stop();
    if (activated.isEmpty()) {
        for (const QJsonObject& e : player.events())
            std::fprintf(stderr, "%s\n", QJsonDocument(e).toJson(QJsonDocument::Compact).constData());
        std::fprintf(stderr, "%s\n", qPrintable(player.standardError()));
        return -1;
    }
    return activated.value(QStringLiteral("t")).toDouble();
}

void StartUpServerAgainstFile(benchmark::State& state)
{
    if (!ClassroomServer::isAvailable()) {
        state.SkipWithError("run under tests/with-postgres.sh");
        return;
    }
    ClassroomServer server(QStringLiteral("tamsel_bench"));
    server.addLogin(QStringLiteral("medido"));
    FixtureCourse course(QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp');"));
    course.addMinimalMap();
    const QString fileLine = QStringLiteral("[curso]\nBDW=%1\n").arg(course.learnerDatabase());
    const QString serverLine = QStringLiteral("[curso]\nBDW=%1\n").arg(server.target(QStringLiteral("medido")));
    int run = 0;
    // Once each untimed: cold files, and the journal's first making.
    course.writeExpertIni(fileLine);
    firstActivationMs(course, run++);
    course.writeExpertIni(serverLine);
    firstActivationMs(course, run++);
    double fileTotal = 0;
    double serverTotal = 0;
    for (auto _ : state) {
        // In turn, so that whatever else the machine does weighs on both alike.
        course.writeExpertIni(fileLine);
        const double file = firstActivationMs(course, run++);
        course.writeExpertIni(serverLine);
        const double onServer = firstActivationMs(course, run++);
        if (file < 0 || onServer < 0) {
            state.SkipWithError("the player never activated its first screen");
            return;
        }
        state.SetIterationTime(onServer / 1000.0);
        fileTotal += file;
        serverTotal += onServer;
    }
    state.counters["file_ms"] = benchmark::Counter(fileTotal, benchmark::Counter::kAvgIterations);
    state.counters["server_ms"] = benchmark::Counter(serverTotal, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = serverTotal / fileTotal;
}
BENCHMARK(StartUpServerAgainstFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void SixtyLearners(benchmark::State& state)
{
    if (!ClassroomServer::isAvailable()) {
        state.SkipWithError("run under tests/with-postgres.sh");
        return;
    }
    const int seconds = qEnvironmentVariableIntValue("TAMSEL_LOAD_SECONDS") > 0 ? qEnvironmentVariableIntValue("TAMSEL_LOAD_SECONDS") : 60;
    for (auto _ : state) {
        ClassroomServer server(QStringLiteral("tamsel_carga"));
        QTemporaryDir journals;
        const ClassroomLoad load = ClassroomLoad::run(server, QStringLiteral(CLASSROOM_WRITER), 60, seconds, journals.path());
        if (!load.error.isEmpty()) {
            ++missedTargets;
            state.SkipWithError(qPrintable(load.error));
            return;
        }
        state.counters["writes"] = load.writes;
        state.counters["lost"] = load.lost;
        state.counters["duplicated"] = load.duplicated;
        state.counters["median_ms"] = load.medianMs;
        state.counters["worst_ms"] = load.worstMs;
        state.counters["server_median_ms"] = load.serverMedianMs;
        state.counters["server_worst_ms"] = load.serverWorstMs;
        state.counters["call_median_ms"] = load.callMedianMs;
        state.counters["call_worst_ms"] = load.callWorstMs;
        expectAtMost("SixtyLearners", "lost", load.lost, 0);
        expectAtMost("SixtyLearners", "duplicated", load.duplicated, 0);
        expectAtMost("SixtyLearners", "call_median_ms", load.callMedianMs, 1);
        expectAtMost("SixtyLearners", "call_worst_ms", load.callWorstMs, 50);
        expectAtMost("SixtyLearners", "server_median_ms", load.serverMedianMs, 5);
        expectAtMost("SixtyLearners", "server_worst_ms", load.serverWorstMs, 100);
    }
}
BENCHMARK(SixtyLearners)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    // The players run headless, as in the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return missedTargets == 0 ? 0 : 1;
}
