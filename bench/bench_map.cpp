// The map's pointer handling while the pointer stays in one region: one mask pixel read
// and a search of the colour table, nothing drawn, nothing allocated.
#include "MainMapScreen.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"

#include <QApplication>
#include <QPainter>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations { 0 };
}

// Counts every allocation of the process, so that the benchmark can show there are none.
void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void MapPointerMoveInOneRegion(benchmark::State& state)
{
    QString rows = QStringLiteral(
        "insert into lecciones (N_leccion, tipo, nombre_fichero1, nombre_fichero2) values (1, 1, 'mapa.bmp', 'mascara.bmp');"
        "insert into pantalla (codigo, objeto) values (1, 0);");
    // Eight regions, the one under the pointer last in the table.
    for (int i = 1; i <= 8; ++i)
        rows += QStringLiteral("insert into mapa_sensible values (1, %1, 0, 0, %2, 'luz.bmp', 0, 0);").arg(i * 30).arg(10 + i);
    FixtureCourse course(rows);
    course.addMinimalMap();
    course.addPicture(QStringLiteral("luz.bmp"), QSize(100, 100), Qt::white);
    QImage mask(640, 480, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter(&mask).fillRect(0, 0, 300, 300, QColor(240, 0, 0));
    mask.save(course.folder() + QStringLiteral("/mascara.bmp"));
    ShellHarness harness(course);
    registerScreens(*harness.shell);
    auto* map = static_cast<MainMapScreen*>(harness.shell->window(QStringLiteral("frmms")));
    harness.shell->showScreen(map);
    while (harness.state.CurrentScreen != 1)
        QApplication::processEvents();
    map->MapPointerMove(10, 10); // enter the region: its highlight shows once
    int x = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        map->MapPointerMove(20 + (x & 127), 40 + ((x >> 7) & 127));
        ++x;
    }
    state.counters["allocations_per_move"] = benchmark::Counter(double(allocations.load() - before) / double(state.iterations()));
}
BENCHMARK(MapPointerMoveInOneRegion)->Unit(benchmark::kNanosecond);

} // namespace
