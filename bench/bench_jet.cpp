// A course from its original disc: converting its Jet 4 content database of 20 MB the
// first time (target: 5 s), and opening the cached copy at every later start (20 ms).
#include "Database.h"
#include "JetConverter.h"
#include "JetFixture.h"
#include "JetStandIn.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr qint64 targetSize = 20 * 1024 * 1024;

// jet4-no-password's Table1 (ID Long, Data Text 255), its data page filled through
// libmdb's writer with lesson-like text of several lengths, then copied to 20 MB.
struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("bbm.mdb"));

    Fixture()
    {
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(missing));
            std::exit(1);
        }
        qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        JetFixture::growTable(file, QStringLiteral("Table1"), targetSize, [](int n) {
            const QString text = QStringLiteral("Lección %1: ¿dónde está la estación? ").arg(n).repeated(1 + n % 6).left(255);
            return QList<JetFixture::Value> { JetFixture::int32(100 + n), JetFixture::jet4Text(text) };
        });
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void ConvertJet4Of20MB(benchmark::State& state)
{
    const QString target = fixture().dir.filePath(QStringLiteral("converted.sqlite"));
    JetConversion conversion;
    for (auto _ : state)
        conversion = JetConverter::convert(fixture().file, target);
    state.counters["rows"] = double(conversion.rows);
    state.counters["MB"] = double(QFileInfo(fixture().file).size()) / (1024 * 1024);
}
BENCHMARK(ConvertJet4Of20MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void OpenCachedCopy(benchmark::State& state)
{
    // The first open converts; the ones measured find the copy in the cache.
    JetStandIn::open(fixture().file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
    for (auto _ : state) {
        auto db = JetStandIn::open(fixture().file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        benchmark::DoNotOptimize(db->hasTable(QStringLiteral("Table1")));
    }
}
BENCHMARK(OpenCachedCopy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
