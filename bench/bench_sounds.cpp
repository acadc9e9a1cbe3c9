// One tick of the sound upkeep with every channel loaded: it asks each channel without
// waiting, so it must stay far below the 100 ms tick.
#include "ShellHarness.h"
#include "SoundChannels.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

void SoundTimerTick(benchmark::State& state)
{
    FixtureCourse course(QStringLiteral("insert into sonidospantalla values (1, 1, 'fondo.wav', 'click.wav', 'cambio.wav');"));
    course.addTone(QStringLiteral("fondo.wav"), 2.0, 440);
    course.addTone(QStringLiteral("click.wav"), 0.1, 1200);
    course.addTone(QStringLiteral("cambio.wav"), 0.2, 660);
    ShellHarness harness(course);
    harness.state.CurrentScreen = 1;
    SoundChannels& sounds = harness.shell->sounds();
    sounds.PlayScreenSound();
    sounds.startBackground();
    for (auto _ : state)
        sounds.SoundTimer();
    sounds.StopBackgroundSound();
}
BENCHMARK(SoundTimerTick)->Unit(benchmark::kMicrosecond);

} // namespace
