// The frame's pointer handling over a screen full of buttons, and a whole change of
// screen up to the target's activation (the effect's own duration left out).
#include "FramedScreen.h"
#include "Navigator.h"
#include "PictureEffect.h"
#include "ShellHarness.h"
#include "TransitionWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

class BenchScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    int activations = 0;

protected:
    void activated() override { ++activations; }
};

QString fortyButtons()
{
    QString sql = QStringLiteral("insert into lecciones (N_leccion, tipo) values (1, 1), (7, 3);"
                                 "insert into pantalla (codigo, objeto, bitmapreposo) values (3, 0, 'fondo.bmp'), (1, 0, 'fondo.bmp');");
    for (int i = 0; i < 40; ++i)
        sql += QStringLiteral("insert into pantalla (codigo, objeto, X, Y, bitmapactivable, accion) values (3, 5, %1, %2, 'b.bmp', %3);")
                   .arg(20 + (i % 8) * 75)
                   .arg(20 + (i / 8) * 60)
                   .arg(i + 30);
    return sql;
}

struct Bench {
    FixtureCourse course { fortyButtons() };
    std::unique_ptr<ShellHarness> harness;
    Bench()
    {
        course.addHandCursor();
        course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkBlue);
        course.addPicture(QStringLiteral("b.bmp"), QSize(50, 30), Qt::yellow);
        harness = std::make_unique<ShellHarness>(course);
        for (auto [name, number] : { std::pair { "frmsa", 3 }, std::pair { "frmms", 1 } }) {
            const QString window = QLatin1String(name);
            harness->shell->registerWindow(window, [window, number = number](Shell& s) { return new BenchScreen(s, window, qint16(number)); });
        }
    }
};

void BackgroundMouseMoveOver40Buttons(benchmark::State& state)
{
    Bench bench;
    auto* screen = static_cast<BenchScreen*>(bench.harness->shell->window(QStringLiteral("frmsa")));
    screen->ensureLoaded();
    int x = 0;
    for (auto _ : state) {
        // Over bare background between the buttons: every button is tested, none lights.
        screen->BackgroundMouseMove(5 + (x++ % 10), 470);
    }
}
BENCHMARK(BackgroundMouseMoveOver40Buttons)->Unit(benchmark::kMicrosecond);

void SwitchScreenToActivation(benchmark::State& state)
{
    Bench bench;
    Shell& shell = *bench.harness->shell;
    auto* map = static_cast<BenchScreen*>(shell.window(QStringLiteral("frmms")));
    auto* video = static_cast<BenchScreen*>(shell.window(QStringLiteral("frmsa")));
    shell.showScreen(map);
    QApplication::processEvents();
    BenchScreen* from = map;
    BenchScreen* to = video;
    for (auto _ : state) {
        const int before = to->activations;
        shell.navigator().SwitchScreen(from, to);
        // The effect runs for its own time; leave that out by ending it at once.
        shell.transition().transicion->finishEffect();
        while (to->activations == before)
            QApplication::processEvents();
        std::swap(from, to);
    }
}
BENCHMARK(SwitchScreenToActivation)->Unit(benchmark::kMillisecond);

} // namespace
