// Start-up of the real player on a small course: up to its decision of the first screen,
// and up to its map shown with the background sound playing, against the floor of a bare
// Qt program that does only that (startup_floor). The second needs an X server and the
// test sound server:
//   tests/with-audio.sh xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" build/bench/bench_startup
// (-noreset: a server that resets when its last client leaves refuses the next one meanwhile)
#include "FixtureCourse.h"
#include "PlayerClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>

namespace {

void StartUpToFirstScreen(benchmark::State& state)
{
    FixtureCourse course(QStringLiteral("insert into lecciones (N_leccion, nombre_leccion, tipo) values (1, 'Mapa', 1), (5, 'Uno', 4);"));
    int run = 0;
    for (auto _ : state) {
        PlayerRun player(course, QStringLiteral("trace%1.jsonl").arg(run++));
        player.start();
        const QJsonObject first = player.waitForEvent(QStringLiteral("first_screen"));
        state.PauseTiming();
        if (first.isEmpty())
            state.SkipWithError("the player wrote no first_screen event");
        // The player's own clock: milliseconds from its start to the decision.
        state.counters["player_ms"] = first.value(QStringLiteral("t")).toDouble();
        player.stop();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpToFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(10);

// The map of a course whose first screen it is, with its picture and background sound.
void MapFirstStartUpAgainstTheFloor(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("needs an X server: run under xvfb-run");
        return;
    }
    FixtureCourse course(QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp');"
        "insert into sonidospantalla values (1, 1, 'fondo.wav', null, null);"));
    course.addMinimalMap();
    course.addTone(QStringLiteral("fondo.wav"), 3.0, 440);
    QProcessEnvironment environment = course.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QStringList playerArguments { QStringLiteral("--course"), course.folder(), QStringLiteral("--trace"), QStringLiteral("-") };
    QStringList floorArguments { course.folder() + QStringLiteral("/mapa.bmp"), course.folder() + QStringLiteral("/fondo.wav") };
    if (state.range(0) > 0) {
        playerArguments << QStringLiteral("--scale") << QString::number(state.range(0));
        floorArguments << QString::number(state.range(0));
    }
    const Marker backgroundRuns = [](const QJsonObject& e) {
        return e.value(QStringLiteral("ev")) == QLatin1String("sound") && e.value(QStringLiteral("channel")) == QLatin1String("background")
            && e.value(QStringLiteral("op")) == QLatin1String("run");
    };
    const Marker floorReady = [](const QJsonObject& e) { return e.value(QStringLiteral("ev")) == QLatin1String("ready"); };

    const QString floorProgram = QStringLiteral(TAMSEL_BINARY_DIR "/bench/startup_floor");
    const QString playerProgram = QStringLiteral(TAMSEL_BINARY_DIR "/tamsel");
    // Once each untimed: the first client of a fresh X server, and cold files, would be
    // counted against whichever ran first.
    msUntil(floorProgram, floorArguments, environment, floorReady);
    msUntil(playerProgram, playerArguments, environment, backgroundRuns);
    // In turn, so that whatever else the machine does weighs on both alike.
    double playerTotal = 0;
    double floorTotal = 0;
    for (auto _ : state) {
        const double floor = msUntil(floorProgram, floorArguments, environment, floorReady);
        const double player = msUntil(playerProgram, playerArguments, environment, backgroundRuns);
        if (floor < 0 || player < 0) {
            state.SkipWithError(floor < 0 ? "the floor program never got ready" : "the player never played the map's sound");
            return;
        }
        state.SetIterationTime(player / 1000.0);
        playerTotal += player;
        floorTotal += floor;
    }
    state.counters["player_ms"] = benchmark::Counter(playerTotal, benchmark::Counter::kAvgIterations);
    state.counters["floor_ms"] = benchmark::Counter(floorTotal, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = playerTotal / floorTotal;
}
// 0: the default scale, the largest that fits the display.
BENCHMARK(MapFirstStartUpAgainstTheFloor)->ArgName("scale")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace
