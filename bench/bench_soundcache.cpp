// Opening a 60 s sound in a coding GStreamer mis-times, as a period disc holds them: the
// first time it is decoded into the cache (target: 50 ms), every later time the copy is
// found there (5 ms). Both for MS ADPCM and IMA ADPCM at 22 050 Hz, as sox writes them.
#include "SoundCache.h"
#include "WavHeader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString msAdpcm = make(QStringLiteral("ms-adpcm"));
    QString imaAdpcm = make(QStringLiteral("ima-adpcm"));

    QString make(const QString& coding)
    {
        qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());
        const QString file = dir.filePath(coding + QStringLiteral(".wav"));
        QProcess sox;
        sox.start(QStringLiteral("sox"), { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"), QStringLiteral("1"),
                                             QStringLiteral("-e"), coding, file, QStringLiteral("synth"), QStringLiteral("60"), QStringLiteral("pinknoise"),
                                             QStringLiteral("vol"), QStringLiteral("0.3") });
        if (!sox.waitForFinished(60000) || sox.exitCode() != 0) {
            std::fprintf(stderr, "sox cannot make %s: %s\n", qPrintable(file), sox.readAllStandardError().constData());
            std::exit(1);
        }
        return file;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void open(benchmark::State& state, const QString& file, bool fromCache)
{
    SoundCache::Playable playable = SoundCache::playable(file);
    for (auto _ : state) {
        if (!fromCache) {
            state.PauseTiming();
            QFile::remove(SoundCache::copyFor(file));
            state.ResumeTiming();
        }
        playable = SoundCache::playable(file);
        benchmark::DoNotOptimize(playable.file.data());
    }
    if (!playable.converted || playable.seconds < 59.9) {
        state.SkipWithError("the sound was not converted to its whole length");
        return;
    }
    state.counters["s"] = playable.seconds;
}

void OpenMsAdpcm60sFirstTime(benchmark::State& state) { open(state, fixture().msAdpcm, false); }
void OpenMsAdpcm60sFromCache(benchmark::State& state) { open(state, fixture().msAdpcm, true); }
void OpenImaAdpcm60sFirstTime(benchmark::State& state) { open(state, fixture().imaAdpcm, false); }
void OpenImaAdpcm60sFromCache(benchmark::State& state) { open(state, fixture().imaAdpcm, true); }
BENCHMARK(OpenMsAdpcm60sFirstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenMsAdpcm60sFromCache)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenImaAdpcm60sFirstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenImaAdpcm60sFromCache)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
