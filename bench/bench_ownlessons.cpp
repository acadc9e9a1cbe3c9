// The learner's own videos: adding a two-hour film with two subtitle files of 1 500 cues
// each (target: 300 ms, the video's own probing left out: it is GStreamer's, and a stand-in
// answers here), and reading its 1 500 phrases back as the phrase list does.
#include "OwnLessons.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Cues = 1500;
constexpr qint64 FilmMs = 2 * 3600 * 1000;

QString time(qint64 ms)
{
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// A film's subtitles: a cue every 4.8 s over two hours, two lines of tagged text each; the
// Spanish cues start a little later and end a little earlier, as a translator times them.
void writeSubtitles(const QString& file, bool spanish)
{
    QByteArray out;
    const qint64 step = FilmMs / Cues;
    for (int i = 0; i < Cues; ++i) {
        const qint64 start = i * step + (spanish ? 150 : 0);
        const qint64 end = start + step - (spanish ? 900 : 600);
        out += QStringLiteral("%1\r\n%2 --> %3\r\n<i>%4 %1,</i> with a second\r\nline of text.\r\n\r\n")
                   .arg(i + 1)
                   .arg(time(start), time(end), spanish ? QStringLiteral("Frase en español número") : QStringLiteral("English phrase number"))
                   .toUtf8();
    }
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        qFatal("cannot write %s", qPrintable(file));
}

VideoProbe::Facts film(const QString&)
{
    VideoProbe::Facts facts;
    facts.decodes = true;
    facts.durationMs = FilmMs;
    facts.width = 1920;
    facts.height = 800;
    facts.sound = true;
    return facts;
}

struct Film {
    QTemporaryDir dir;
    QString video = dir.filePath(QStringLiteral("Película larga.mkv"));
    Film()
    {
        QFile(video).open(QIODevice::WriteOnly);
        writeSubtitles(dir.filePath(QStringLiteral("Película larga.en.srt")), false);
        writeSubtitles(dir.filePath(QStringLiteral("Película larga.es.srt")), true);
    }
};

void addAFilm(benchmark::State& state)
{
    const Film source;
    for (auto _ : state) {
        state.PauseTiming();
        auto learner = std::make_unique<QTemporaryDir>();
        OwnLessons lessons(learner->path());
        lessons.setVideoProbe(film);
        state.ResumeTiming();
        const OwnLessons::Added added = lessons.add({ source.video, {}, {}, {} });
        if (!added.lesson || added.lesson->phraseCount != Cues)
            state.SkipWithError(qPrintable(added.error));
        state.PauseTiming();
        learner.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(addAFilm)->Unit(benchmark::kMillisecond)->Iterations(20);

void readItsPhrases(benchmark::State& state)
{
    const Film source;
    QTemporaryDir learner;
    OwnLessons lessons(learner.path());
    lessons.setVideoProbe(film);
    const OwnLessons::Added added = lessons.add({ source.video, {}, {}, {} });
    if (!added.lesson) {
        state.SkipWithError(qPrintable(added.error));
        return;
    }
    for (auto _ : state) {
        const QList<OwnLessons::Phrase> phrases = lessons.phrases(added.lesson->number);
        if (phrases.size() != Cues)
            state.SkipWithError("phrases missing");
        benchmark::DoNotOptimize(phrases.data());
    }
}
BENCHMARK(readItsPhrases)->Unit(benchmark::kMillisecond);

// The list of a learner with a hundred videos, as the trees ask for it.
void listAHundred(benchmark::State& state)
{
    const Film source;
    QTemporaryDir learner;
    OwnLessons lessons(learner.path());
    lessons.setVideoProbe(film);
    for (int i = 0; i < 100; ++i)
        lessons.add({ source.video, {}, {}, {} });
    for (auto _ : state) {
        const QList<OwnLessons::Lesson> all = lessons.lessons();
        if (all.size() != 100)
            state.SkipWithError("lessons missing");
        benchmark::DoNotOptimize(all.data());
    }
}
BENCHMARK(listAHundred)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
