// Start-up of the real player on a small course, up to its decision of the first screen.
#include "FixtureCourse.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

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

} // namespace
