// The conversation screen's video tick with 500 phrases: the phrase under the video's
// position, the subtitles when it changes, the saved position (target: 50 µs a tick).
#include "MediaRecipes.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "VideoLearningScreen.h"
#include "VideoPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

constexpr int Phrases = 500;
constexpr int VideoSeconds = 8;

QString rows()
{
    QString sql = QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
        "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null, null, 0), (20, 'En el café', 12, 'video\\\\cafe.avi', 1, 11, 20, 30, 0);"
        "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
        "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
        "  (12, 3, 0, 0, 0, 240, 180, null, null, null, 0, null, null, 0),"
        "  (12, 9, 1, 20, 300, 300, 40, null, null, '255255200', 0, 'DejaVu Sans', 12, 0),"
        "  (12, 9, 2, 20, 350, 300, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
        "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
        "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
        "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0),"
        "  (12, 22, 0, 400, 30, 100, 24, null, null, '255255255', 0, 'DejaVu Sans', 10, 0),"
        "  (12, 24, 0, 0, 0, 0, 0, 'rojo.bmp', 'gris.bmp', null, 0, null, null, 0);"
        "insert into sonidospantalla values (12, 0, null, null, null);");
    QStringList phrases;
    for (int i = 0; i < Phrases; ++i)
        phrases << QStringLiteral("(20, %1, 'Phrase number %2 of the talk', 'Frase número %2 de la charla')").arg(i * VideoSeconds * 1000 / Phrases).arg(i);
    return sql + QStringLiteral("insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values %1;").arg(phrases.join(QLatin1Char(',')));
}

void VideoTimerTick(benchmark::State& state)
{
    FixtureCourse course(rows());
    QDir(course.folder()).mkpath(QStringLiteral("video"));
    MediaRecipes::runTool(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=240x180:rate=10:duration=%1").arg(VideoSeconds), QStringLiteral("-c:v"), QStringLiteral("mpeg4"),
            course.folder() + QStringLiteral("/video/cafe.avi") });
    course.addHandCursor();
    course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
    for (const char* name : { "x1.bmp", "v2.bmp", "v3.bmp", "rojo.bmp", "gris.bmp" })
        course.addPicture(QString::fromLatin1(name), QSize(16, 16), Qt::gray);
    ShellHarness harness(course);
    registerScreens(*harness.shell);
    auto* screen = static_cast<VideoLearningScreen*>(harness.shell->window(QStringLiteral("frmva")));
    harness.state.CurrentLesson = 20;
    harness.shell->showScreen(screen);
    QElapsedTimer waited;
    waited.start();
    while (!screen->VideoOpened && waited.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!screen->VideoOpened) {
        state.SkipWithError("the fixture video did not open");
        return;
    }
    screen->video->pause();
    // Positions over the whole video, so that the subtitles change at most ticks.
    double at = 0;
    for (auto _ : state) {
        state.PauseTiming();
        screen->video->setPosition(at);
        at = at + 0.37 > VideoSeconds ? 0 : at + 0.37;
        state.ResumeTiming();
        screen->VideoTimer();
    }
}
BENCHMARK(VideoTimerTick)->Unit(benchmark::kMicrosecond);

} // namespace
