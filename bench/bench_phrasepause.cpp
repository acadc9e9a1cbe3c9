// Pause after each phrase on a conversation of 51 short phrases: how long after each
// phrase's end (by the video's position) the video holds, median and worst over the 50
// phrases that end before the video does (target: 150 ms for both).
#include "MediaRecipes.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "StudyAids.h"
#include "StudyController.h"
#include "VideoLearningScreen.h"
#include "VideoPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

constexpr int Phrases = 51;
constexpr int PhraseMs = 400;
constexpr int VideoMs = Phrases * PhraseMs + 600;

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
        "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
        "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0);"
        "insert into sonidospantalla values (12, 0, null, null, null);");
    QStringList phrases;
    for (int i = 0; i < Phrases; ++i)
        phrases << QStringLiteral("(20, %1, 'Phrase %2', 'Frase %2')").arg(300 + i * PhraseMs).arg(i);
    return sql + QStringLiteral("insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values %1;").arg(phrases.join(QLatin1Char(',')));
}

void PhraseEndPause(benchmark::State& state)
{
    FixtureCourse course(rows());
    QDir(course.folder()).mkpath(QStringLiteral("video"));
    const QString seconds = QString::number(VideoMs / 1000.0);
    MediaRecipes::runTool(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=240x180:rate=10:duration=%1").arg(seconds), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"), QStringLiteral("anullsrc=r=48000:cl=mono"), QStringLiteral("-t"), seconds, QStringLiteral("-c:v"),
            QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), course.folder() + QStringLiteral("/video/cafe.avi") });
    course.addHandCursor();
    course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
    for (const char* name : { "x1.bmp", "v2.bmp", "v3.bmp" })
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
    std::vector<double> late;
    for (auto _ : state) {
        late.clear();
        screen->video->setPosition(0);
        if (!screen->study->aids().pauseAfterPhrase())
            screen->study->aids().run(StudyAids::PauseAfterPhrase);
        screen->video->run();
        waited.restart();
        // Each hold is measured by the video's position, and the video goes on at once.
        while (int(late.size()) < Phrases - 1 && waited.elapsed() < VideoMs * 3) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (!screen->study->aids().isWaiting())
                continue;
            const int index = int(late.size());
            late.push_back(screen->video->position() * 1000.0 - (300 + (index + 1) * PhraseMs));
            screen->study->aids().run(StudyAids::GoOn);
        }
        screen->video->stop();
    }
    if (int(late.size()) < Phrases - 1) {
        state.SkipWithError("the video did not hold at every phrase's end");
        return;
    }
    std::sort(late.begin(), late.end());
    state.counters["median_late_ms"] = late[late.size() / 2];
    state.counters["worst_late_ms"] = late.back();
    state.counters["earliest_ms"] = late.front();
}
BENCHMARK(PhraseEndPause)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
