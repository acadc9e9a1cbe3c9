// Which phrase a conversation video shows: looked up at every tick of the video, so
// it must stay far below the tick (target: 2 µs a call on 500 phrases).
#include "PhraseTable.h"

#include <benchmark/benchmark.h>

namespace {

PhraseTable phrases(int count)
{
    PhraseTable table;
    for (int i = 0; i < count; ++i)
        table.push_back({ 1000 + i * 2300, QStringLiteral("frase %1").arg(i), QStringLiteral("phrase %1").arg(i) });
    return table;
}

void findPhraseIndex(benchmark::State& state)
{
    const PhraseTable table = phrases(int(state.range(0)));
    const double length = table.back().mseg / 1000.0 + 3;
    double at = 0;
    for (auto _ : state) {
        // Positions over the whole video: the scan runs from the end, so early ones cost most.
        double p = at;
        benchmark::DoNotOptimize(FindPhraseIndex(table, p));
        at += 0.37;
        if (at > length)
            at = 0;
    }
}
BENCHMARK(findPhraseIndex)->Arg(20)->Arg(500);

} // namespace

BENCHMARK_MAIN();
