// Opening a large screen description and searching the lesson table, the two
// database operations every screen change makes.
#include "CourseCompiler.h"
#include "Database.h"
#include "Recordset.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString connectString = QStringLiteral("MS Access;PWD=vemparo41");

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("bbm.mdb"));

    Fixture()
    {
        QString rows = QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 9999) "
                                      "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, accion) "
                                      "select i % 15, i % 18, i, i % 640, i % 480, 'fondos\\boton' || i || '.bmp', i % 30 from n;"
                                      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
                                      "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) "
                                      "select i, 'Lección ' || i, i % 15, 1, i % 7 from n;");
        CourseCompiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"))
            .buildDatabase(file, QStringLiteral("content"), rows);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void OpenPantalla10000(benchmark::State& state)
{
    auto db = Database::open(fixture().file, ShareMode::Shared, AccessMode::ReadOnly, connectString);
    for (auto _ : state) {
        auto rs = db->openRecordset(QStringLiteral("pantalla"));
        benchmark::DoNotOptimize(rs->recordCount());
    }
}
BENCHMARK(OpenPantalla10000)->Unit(benchmark::kMillisecond);

void FindFirstAmong2000Lessons(benchmark::State& state)
{
    auto db = Database::open(fixture().file, ShareMode::Shared, AccessMode::ReadOnly, connectString);
    auto rs = db->openRecordset(QStringLiteral("lecciones"));
    int lesson = 1;
    for (auto _ : state) {
        // A new criterion text each time, as the screens build them, so parsing is counted.
        benchmark::DoNotOptimize(rs->findFirst(QStringLiteral("N_leccion = ") + QString::number(lesson)));
        lesson = lesson % 2000 + 1;
    }
}
BENCHMARK(FindFirstAmong2000Lessons)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
