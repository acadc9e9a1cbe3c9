// The intonation comparison of a 10 s phrase: analysing a take (pitch and start of speech
// by aubio; target 100 ms) and drawing both waveforms and contours (target 16 ms, a frame).
#include "Intonation.h"
#include "IntonationView.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int Rate = 48000;
constexpr int Seconds = 10;

// A voice-like sound: a fundamental gliding between 120 and 240 Hz with two harmonics,
// in phrases of 1.5 s with pauses between them.
std::vector<float> speech()
{
    std::vector<float> samples(size_t(Rate) * Seconds);
    double phase = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / Rate;
        const double hz = 180 + 60 * std::sin(2 * M_PI * 0.4 * t);
        phase += 2 * M_PI * hz / Rate;
        const bool voiced = std::fmod(t, 2.0) < 1.5;
        samples[i] = voiced ? float(0.4 * std::sin(phase) + 0.2 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase)) : 0.0f;
    }
    return samples;
}

void AnalyseTake(benchmark::State& state)
{
    const std::vector<float> take = speech();
    for (auto _ : state) {
        Intonation analysed = Intonation::analyse(take, Rate);
        benchmark::DoNotOptimize(analysed.pitchHz.data());
    }
}
BENCHMARK(AnalyseTake)->Unit(benchmark::kMillisecond);

void DrawComparison(benchmark::State& state)
{
    IntonationView view;
    view.setUtterances(Intonation::analyse(speech(), Rate), Intonation::analyse(speech(), Rate));
    QImage image(600, 260, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        view.draw(painter, image.rect());
    }
}
BENCHMARK(DrawComparison)->Unit(benchmark::kMillisecond);

} // namespace
