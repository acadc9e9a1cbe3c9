// The video's picture painted as a widget: a 640 x 480 video at 25 pictures a second must
// be painted at its own rate (target: at least 24 painted a second while it plays, every
// picture the decoder gives painted), and one frame's conversion and painting must leave
// the event loop most of its 40 ms.
// Run under the platform that the player uses (QT_QPA_PLATFORM=xcb under xvfb-run), and
// with QT_SCALE_FACTOR=2 for the stage drawn twice as big; offscreen by default.
#include "MediaRecipes.h"
#include "VideoPlayer.h"
#include "VideoSurface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int VideoSeconds = 6;
constexpr int Rate = 25;

QString makeVideo(const QTemporaryDir& folder)
{
    const QString file = folder.filePath(QStringLiteral("video.avi"));
    MediaRecipes::runTool(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=640x480:rate=%1:duration=%2").arg(Rate).arg(VideoSeconds), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(VideoSeconds),
            QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("3"), QStringLiteral("-c:a"),
            QStringLiteral("pcm_s16le"), file });
    return file;
}

void waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The whole video played in a shown window: pictures painted per second of playing (from
// the first painted to the last), and how many of the pictures the decoder gave were painted.
void VideoPlaysAtItsRate(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString file = makeVideo(folder);
    VideoPlayer player;
    player.show();
    player.setFileName(file);
    waitUntil([&] { return player.readyState() == VideoPlayer::Interactive; }, 15000);
    if (player.readyState() != VideoPlayer::Interactive) {
        state.SkipWithError("the video did not open");
        return;
    }
    auto* surface = player.findChild<VideoSurface*>();
    std::atomic<qint64> given = 0;
    QObject::connect(surface->videoSink(), &QVideoSink::videoFrameChanged, surface->videoSink(), [&given] { ++given; }, Qt::DirectConnection);
    QElapsedTimer wall;
    wall.start();
    qint64 firstMs = -1;
    qint64 lastMs = 0;
    QObject::connect(surface, &VideoSurface::framePainted, surface, [&] {
        lastMs = wall.elapsed();
        if (firstMs < 0)
            firstMs = lastMs;
    });
    qint64 painted = 0;
    qint64 received = 0;
    double paintingSeconds = 0;
    for (auto _ : state) {
        const qint64 paintedBefore = surface->framesPainted();
        const qint64 givenBefore = given;
        firstMs = -1;
        QElapsedTimer clock;
        clock.start();
        player.setPosition(0);
        player.run();
        waitUntil([&] { return player.currentState() == VideoPlayer::Stopped; }, (VideoSeconds + 10) * 1000);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        // The first painted picture starts the clock: it is not counted in the rate.
        painted += surface->framesPainted() - paintedBefore - 1;
        received += given - givenBefore;
        paintingSeconds += (lastMs - firstMs) / 1000.0;
    }
    state.counters["painted_per_s"] = double(painted) / paintingSeconds;
    state.counters["video_rate"] = Rate;
    state.counters["painted_of_given"] = double(painted + state.iterations()) / double(std::max<qint64>(received, 1));
    state.counters["given_of_video"] = double(received) / double(state.iterations() * VideoSeconds * Rate);
}
BENCHMARK(VideoPlaysAtItsRate)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

// One decoded 640 x 480 frame (planar YUV, as the decoder gives it) taken, converted and
// painted on the event loop.
void FrameConvertedAndPainted(benchmark::State& state)
{
    VideoSurface surface;
    surface.resize(640, 480);
    surface.show();
    const QVideoFrameFormat format(QSize(640, 480), QVideoFrameFormat::Format_YUV420P);
    std::vector<QVideoFrame> frames;
    for (int i = 0; i < 8; ++i) {
        QVideoFrame frame(format);
        frame.map(QVideoFrame::WriteOnly);
        for (int plane = 0; plane < frame.planeCount(); ++plane)
            std::memset(frame.bits(plane), 40 + 20 * i + 60 * plane, size_t(frame.mappedBytes(plane)));
        frame.unmap();
        frames.push_back(frame);
    }
    size_t next = 0;
    for (auto _ : state) {
        const qint64 before = surface.framesPainted();
        surface.videoSink()->setVideoFrame(frames[next++ % frames.size()]);
        waitUntil([&] { return surface.framesPainted() > before; }, 2000);
    }
}
BENCHMARK(FrameConvertedAndPainted)->Unit(benchmark::kMillisecond);

} // namespace
