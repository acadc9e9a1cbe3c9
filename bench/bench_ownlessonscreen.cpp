// A lesson of the learner's own on the conversation screen. Targets: opened to its first
// painted frame in at most 1.2 times what a course lesson of the same film takes, and its
// phrase list of 1 500 phrases filled in at most 50 ms.
#include "MediaRecipes.h"
#include "ModuleState.h"
#include "OwnLessons.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "VideoLearningScreen.h"
#include "VideoPlayer.h"
#include "VideoSurface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

namespace {

constexpr int VideoSeconds = 30;
constexpr int ManyPhrases = 1500;

const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null, null, 0), (20, 'En el café', 12, 'video\\\\cafe.mp4', 1, 11, 20, 30, 0);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
    "insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values (20, 500, 'Good morning', 'Buenos días');"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
    "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
    "  (12, 3, 0, 0, 0, 320, 180, null, null, null, 0, null, null, 0),"
    "  (12, 9, 1, 20, 300, 300, 40, null, null, '255255200', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 2, 20, 350, 300, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
    "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
    "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0);"
    "insert into sonidospantalla values (12, 0, null, null, null);");

void waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString timestamp(int ms)
{
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

/// A SubRip file of COUNT cues spread over the film.
void writeCues(const QString& path, int count, const QString& text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const int step = VideoSeconds * 1000 / count;
    for (int i = 0; i < count; ++i)
        file.write(QStringLiteral("%1\n%2 --> %3\n%4 %1 of the long talk in the film\n\n")
                       .arg(i + 1)
                       .arg(timestamp(i * step), timestamp(i * step + step - 5), text)
                       .toUtf8());
}

/// The course with lesson 20 and the same film as one of the learner's own lessons.
struct Fixture {
    FixtureCourse course { rows };
    std::unique_ptr<ShellHarness> harness;
    VideoLearningScreen* screen = nullptr;
    qint16 own = 0;
    qint16 many = 0;

    Fixture()
    {
        QDir(course.folder()).mkpath(QStringLiteral("video"));
        const QString film = course.folder() + QStringLiteral("/video/cafe.mp4");
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=640x360:rate=25:duration=%1").arg(VideoSeconds), QStringLiteral("-f"), QStringLiteral("lavfi"),
                QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(VideoSeconds), QStringLiteral("-c:v"),
                QStringLiteral("libx264"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"), film });
        course.addHandCursor();
        course.addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        for (const char* name : { "x1.bmp", "v2.bmp", "v3.bmp" })
            course.addPicture(QString::fromLatin1(name), QSize(16, 16), Qt::gray);
        harness = std::make_unique<ShellHarness>(course);
        registerScreens(*harness->shell);
        screen = static_cast<VideoLearningScreen*>(harness->shell->window(QStringLiteral("frmva")));

        // The learner's copy of the film, outside the course, with a short and a long talk.
        const QString films = course.path(QStringLiteral("películas"));
        QDir().mkpath(films);
        QFile::copy(film, films + QStringLiteral("/corta.mp4"));
        QFile::copy(film, films + QStringLiteral("/larga.mp4"));
        writeCues(films + QStringLiteral("/corta.en.srt"), 10, QStringLiteral("Phrase"));
        writeCues(films + QStringLiteral("/larga.en.srt"), ManyPhrases, QStringLiteral("Phrase"));
        writeCues(films + QStringLiteral("/larga.es.srt"), ManyPhrases, QStringLiteral("Frase"));
        OwnLessons store(harness->state.UserFolder);
        own = add(store, films + QStringLiteral("/corta.mp4"));
        many = add(store, films + QStringLiteral("/larga.mp4"));
    }

    static qint16 add(OwnLessons& store, const QString& video)
    {
        OwnLessons::Request request;
        request.video = video;
        const OwnLessons::Added added = store.add(request);
        return added.lesson ? added.lesson->number : 0;
    }

    /// Shows LESSON from the tree and waits for its first painted frame; false on time-out.
    bool open(qint16 lesson)
    {
        auto* surface = screen->video->findChild<VideoSurface*>();
        const qint64 painted = surface ? surface->framesPainted() : 0;
        screen->playLesson(lesson);
        waitUntil([&] { return surface && surface->framesPainted() > painted && screen->VideoOpened; }, 15000);
        return surface && surface->framesPainted() > painted;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

bool shown(Fixture& f)
{
    if (f.screen->isVisible())
        return true;
    f.harness->state.CurrentLesson = 20;
    f.harness->shell->showScreen(f.screen);
    waitUntil([&] { return f.screen->VideoOpened; }, 15000);
    return f.screen->VideoOpened;
}

// The same film opened as a course lesson (0) and as the learner's own (1), each time after
// the other, to its first frame painted.
void OpenToFirstFrame(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.own || !shown(f)) {
        state.SkipWithError("the fixture did not open");
        return;
    }
    const bool own = state.range(0) == 1;
    for (auto _ : state) {
        state.PauseTiming();
        f.open(own ? 20 : f.own);
        state.ResumeTiming();
        if (!f.open(own ? f.own : 20)) {
            state.SkipWithError("no frame was painted");
            return;
        }
    }
}
BENCHMARK(OpenToFirstFrame)->ArgName("own")->Arg(0)->Arg(1)->Iterations(12)->Unit(benchmark::kMillisecond);

// The phrase list of a lesson of 1 500 phrases read and filled.
void PhraseListFilled(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.many || !shown(f)) {
        state.SkipWithError("the fixture did not open");
        return;
    }
    f.harness->state.CurrentLesson = f.many;
    for (auto _ : state)
        f.screen->LoadPhrases();
    state.counters["phrases"] = f.screen->conversacion->count();
}
BENCHMARK(PhraseListFilled)->Unit(benchmark::kMillisecond);

} // namespace
