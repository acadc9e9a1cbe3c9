// The video control on generated videos: it opens them, reports their natural
// size, plays their sound (recorded from the test sound server) and reports their
// end; a file it cannot open never makes it ready.
#include "AudioProbe.h"
#include "MediaPlayerCore.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMediaPlayer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

constexpr int kOpenTimeoutMs = 5000;
constexpr int kSoundHz = 660;

bool reachedReady(const QSignalSpy& spy)
{
    for (const QList<QVariant>& arguments : spy) {
        if (arguments.at(0).toInt() == VideoPlayer::Interactive)
            return true;
    }
    return false;
}

} // namespace

class TestVideoPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensPlaysAndEnds_data();
    void opensPlaysAndEnds();
    void runsAgainAfterItsEnd();
    void pauseKeepsThePositionAndPositionIsKeptWithinTheVideo();
    void fullScreenOnlyWhileRunningInFullScreenMode();
    void namingTheSameFileAgainOpensItAgain();
    void unopenableFileNeverBecomesReady_data();
    void unopenableFileNeverBecomesReady();
    void undecodablePictureIsToldByName();
    void aPipelineThatRunsAwayFromItsPrimingIsHeldAgain();

private:
    QString makeVideo(const QString& name, const QStringList& codecArguments, int seconds = 2);
    /// True when the video's tone is heard now; says what was heard otherwise.
    bool verifySound();
    /// Opens FILE in PLAYER and waits until it is ready.
    void open(VideoPlayer& player, const QString& file);

    QTemporaryDir m_dir;
    AudioProbe m_probe;
    QString m_mpeg4;
};

void TestVideoPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
    m_mpeg4 = makeVideo(QStringLiteral("mpeg4.avi"), {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")});
}

QString TestVideoPlayer::makeVideo(const QString& name, const QStringList& codecArguments, int seconds)
{
    const QString path = m_dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                             QStringLiteral("-i"), QStringLiteral("testsrc=size=160x120:rate=25"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                             QStringLiteral("-i"), QStringLiteral("sine=frequency=%1:sample_rate=44100").arg(kSoundHz), QStringLiteral("-t"),
                             QString::number(seconds)}
                     + codecArguments + QStringList{path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        qFatal("ffmpeg cannot make %s: %s", qPrintable(path), ffmpeg.readAllStandardError().constData());
    return path;
}

bool TestVideoPlayer::verifySound()
{
    m_probe.record(250);
    const QVector<float> heard = m_probe.record(300);
    const double level = AudioProbe::rmsDb(heard);
    const double frequency = AudioProbe::dominantFrequency(heard);
    if (level > -30 && std::abs(frequency - kSoundHz) <= 3)
        return true;
    qWarning("heard %.1f dB at %.1f Hz, expected %d Hz", level, frequency, kSoundHz);
    return false;
}

void TestVideoPlayer::open(VideoPlayer& player, const QString& file)
{
    QSignalSpy ready(&player, &VideoPlayer::readyStateChange);
    player.setFileName(file);
    QTRY_VERIFY_WITH_TIMEOUT(reachedReady(ready), kOpenTimeoutMs);
}

void TestVideoPlayer::opensPlaysAndEnds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codec");
    QTest::newRow("MPEG-4 in AVI") << "a.avi" << QStringList{"-c:v", "mpeg4", "-c:a", "pcm_s16le"};
    QTest::newRow("MPEG-1 system stream") << "b.mpg" << QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"};
    // What period discs hold: Microsoft Video 1 and Cinepak pictures with PCM, ADPCM or MP3 sound.
    QTest::newRow("MS Video 1, 8-bit PCM") << "c.avi" << QStringList{"-c:v", "msvideo1", "-c:a", "pcm_u8", "-ar", "22050"};
    QTest::newRow("MS Video 1, MS ADPCM") << "d.avi" << QStringList{"-c:v", "msvideo1", "-c:a", "adpcm_ms", "-ar", "22050"};
    QTest::newRow("MS Video 1, MP3") << "e.avi" << QStringList{"-c:v", "msvideo1", "-c:a", "libmp3lame", "-ar", "22050"};
    QTest::newRow("Cinepak, IMA ADPCM") << "f.avi" << QStringList{"-c:v", "cinepak", "-c:a", "adpcm_ima_wav", "-ar", "22050"};
    QTest::newRow("Cinepak, 16-bit PCM") << "g.avi" << QStringList{"-c:v", "cinepak", "-c:a", "pcm_s16le", "-ar", "11025"};
    QTest::newRow("MPEG-1 system stream, MP3") << "h.mpg" << QStringList{"-c:v", "mpeg1video", "-c:a", "libmp3lame", "-f", "mpeg"};
}

void TestVideoPlayer::opensPlaysAndEnds()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    const QString file = makeVideo(name, codec);

    VideoPlayer player;
    player.resize(50, 50);
    player.show();
    QSignalSpy ready(&player, &VideoPlayer::readyStateChange);
    QSignalSpy opened(&player, &VideoPlayer::openComplete);
    QSignalSpy states(&player, &VideoPlayer::stateChange);
    QSignalSpy ticks(&player, &VideoPlayer::timer);

    player.setFileName(file);
    QCOMPARE(player.fileName(), file);
    QCOMPARE(player.readyState(), int(VideoPlayer::Loading));
    QTRY_COMPARE_WITH_TIMEOUT(player.readyState(), int(VideoPlayer::Interactive), kOpenTimeoutMs);
    QVERIFY(reachedReady(ready));
    QCOMPARE(opened.count(), 1);
    QCOMPARE(player.naturalWidth(), 160);
    QCOMPARE(player.naturalHeight(), 120);
    QCOMPARE(player.size(), QSize(160, 120));
    QVERIFY2(std::abs(player.duration() - 2.0) < 0.1, qPrintable(QString::number(player.duration())));
    QCOMPARE(player.currentState(), int(VideoPlayer::Stopped));

    player.setPosition(0);
    player.run();
    QTRY_COMPARE(player.currentState(), int(VideoPlayer::Running));
    QCOMPARE(states.first(), QVariantList({int(VideoPlayer::Stopped), int(VideoPlayer::Running)}));
    QVERIFY(verifySound());

    // The end is a stop: new play state 0, reported once, and the ticks end with it.
    QTRY_COMPARE_WITH_TIMEOUT(player.currentState(), int(VideoPlayer::Stopped), 5000);
    QCOMPARE(states.last(), QVariantList({int(VideoPlayer::Running), int(VideoPlayer::Stopped)}));
    QCOMPARE(states.count(), 2);
    QVERIFY(ticks.count() >= 5);
    const qsizetype ticksAtEnd = ticks.count();
    QTest::qWait(3 * VideoPlayer::kTimerIntervalMs);
    QCOMPARE(ticks.count(), ticksAtEnd);
    QCOMPARE(opened.count(), 1);
}

void TestVideoPlayer::runsAgainAfterItsEnd()
{
    VideoPlayer player;
    open(player, m_mpeg4);
    for (int round = 0; round < 2; ++round) {
        player.run();
        QCOMPARE(player.currentState(), int(VideoPlayer::Running));
        QVERIFY(verifySound());
        QTRY_COMPARE_WITH_TIMEOUT(player.currentState(), int(VideoPlayer::Stopped), 5000);
        QCOMPARE(player.position(), player.duration());
    }
    // Positioned after its end, it plays from there.
    player.setPosition(1.0);
    QVERIFY(std::abs(player.position() - 1.0) < 0.05);
    player.run();
    QVERIFY(verifySound());
    QVERIFY2(player.position() > 1.0, qPrintable(QString::number(player.position())));
    player.stop();
}

void TestVideoPlayer::pauseKeepsThePositionAndPositionIsKeptWithinTheVideo()
{
    VideoPlayer player;
    open(player, m_mpeg4);
    player.run();
    QTRY_COMPARE(player.currentState(), int(VideoPlayer::Running));
    QTest::qWait(500);
    player.pause();
    QTRY_COMPARE(player.currentState(), int(VideoPlayer::Paused));
    const double pausedAt = player.position();
    QVERIFY(pausedAt > 0.2);
    QTest::qWait(300);
    QVERIFY(std::abs(player.position() - pausedAt) < 0.05);

    player.setPosition(1.25);
    QTRY_VERIFY(std::abs(player.position() - 1.25) < 0.05);
    player.setPosition(-3);
    QTRY_VERIFY(player.position() < 0.05);
    player.setPosition(player.duration() + 10);
    QTRY_VERIFY(player.position() <= player.duration());

    player.setVolume(-2000);
    QCOMPARE(player.volume(), -2000);
    player.setVolume(500);
    QCOMPARE(player.volume(), 0);
    player.stop();
    QTRY_COMPARE(player.currentState(), int(VideoPlayer::Stopped));
}

void TestVideoPlayer::fullScreenOnlyWhileRunningInFullScreenMode()
{
    QWidget window;
    auto* player = new VideoPlayer(&window);
    window.show();
    open(*player, m_mpeg4);

    player->setFullScreenMode(VideoPlayer::FullScreenMode::On);
    QVERIFY(!player->isShowingFullScreen());
    player->run();
    QTRY_VERIFY(player->isShowingFullScreen());
    player->pause();
    QTRY_VERIFY(!player->isShowingFullScreen());

    // Playing in a window after playing full screen stays in the window.
    player->setFullScreenMode(VideoPlayer::FullScreenMode::Off);
    player->run();
    QTRY_COMPARE(player->currentState(), int(VideoPlayer::Running));
    QVERIFY(!player->isShowingFullScreen());
    player->stop();
}

void TestVideoPlayer::namingTheSameFileAgainOpensItAgain()
{
    VideoPlayer player;
    open(player, m_mpeg4);
    player.run();
    QTRY_COMPARE(player.currentState(), int(VideoPlayer::Running));
    QTest::qWait(300);

    QSignalSpy opened(&player, &VideoPlayer::openComplete);
    open(player, m_mpeg4);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(player.currentState(), int(VideoPlayer::Stopped));
    QVERIFY(player.position() < 0.05);
}

void TestVideoPlayer::unopenableFileNeverBecomesReady_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.avi")) << QByteArray();
    QTest::newRow("not a video") << m_dir.filePath(QStringLiteral("text.avi")) << QByteArray("RIFF but not really a video\n");
    QTest::newRow("empty") << m_dir.filePath(QStringLiteral("empty.avi")) << QByteArray("");
    QTest::newRow("cut off in its header") << m_dir.filePath(QStringLiteral("cut.avi")) << QByteArray("RIFF\x00\x10\x00\x00AVI LIST\x00\x04\x00\x00hdrlavih", 28);
}

void TestVideoPlayer::unopenableFileNeverBecomesReady()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    if (!file.contains(QLatin1String("missing"))) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }
    const QString tracePath = m_dir.filePath(QStringLiteral("trace.jsonl"));
    Trace trace;
    QVERIFY(trace.open(tracePath));

    VideoPlayer player;
    player.setTrace(&trace);
    QSignalSpy ready(&player, &VideoPlayer::readyStateChange);
    QSignalSpy opened(&player, &VideoPlayer::openComplete);
    player.setFileName(file);
    QTRY_COMPARE(player.readyState(), int(VideoPlayer::Uninitialized));
    QTest::qWait(1000);
    QVERIFY(!reachedReady(ready));
    QCOMPARE(opened.count(), 0);
    QCOMPARE(player.naturalWidth(), 0);
    // The learner is told which video cannot be played, in place of a black picture.
    QVERIFY2(player.message().startsWith(QStringLiteral("No se puede reproducir")), qPrintable(player.message()));
    QVERIFY(player.message().contains(QFileInfo(file).fileName()));
    player.run();
    QTest::qWait(200);
    QCOMPARE(player.currentState(), int(VideoPlayer::Stopped));

    // The trace says which file failed and why.
    QFile in(tracePath);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QJsonObject failure;
    while (!in.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(in.readLine()).object();
        if (event.value(QStringLiteral("ev")).toString() == QLatin1String("video") && event.contains(QStringLiteral("error")))
            failure = event;
    }
    QCOMPARE(failure.value(QStringLiteral("op")).toString(), QStringLiteral("open"));
    QCOMPARE(failure.value(QStringLiteral("file")).toString(), file);
    QCOMPARE(failure.value(QStringLiteral("state")).toInt(), int(VideoPlayer::Uninitialized));
    QVERIFY(!failure.value(QStringLiteral("error")).toString().isEmpty());

    // The same control opens a good file afterwards.
    open(player, m_mpeg4);
    QCOMPARE(player.naturalWidth(), 160);
}

void TestVideoPlayer::undecodablePictureIsToldByName()
{
    // A Microsoft Video 1 file whose picture names a coding no decoder knows: GStreamer
    // would play its sound behind a black picture.
    const QString source = makeVideo(QStringLiteral("known.avi"), {"-c:v", "msvideo1", "-c:a", "pcm_s16le"});
    QFile in(source);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const qsizetype movi = bytes.indexOf("movi");
    QVERIFY(movi > 0);
    QByteArray head = bytes.left(movi);
    QVERIFY(head.count("MSVC") + head.count("CRAM") + head.count("msvc") >= 1);
    head.replace("MSVC", "ZQZQ").replace("CRAM", "ZQZQ").replace("msvc", "ZQZQ");
    const QString file = m_dir.filePath(QStringLiteral("EXOTICO.AVI"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(head + bytes.mid(movi));
    out.close();

    const QString tracePath = m_dir.filePath(QStringLiteral("trace-exotic.jsonl"));
    Trace trace;
    QVERIFY(trace.open(tracePath));
    QWidget screen;
    auto* player = new VideoPlayer(&screen);
    auto* next = new QPushButton(QStringLiteral("Siguiente"), &screen);
    next->move(0, 200);
    QSignalSpy clicked(next, &QPushButton::clicked);
    player->setTrace(&trace);
    player->resize(160, 120);
    screen.resize(320, 240);
    screen.show();
    QSignalSpy ready(player, &VideoPlayer::readyStateChange);
    player->setFileName(file);
    QTRY_VERIFY_WITH_TIMEOUT(!player->message().isEmpty(), kOpenTimeoutMs);
    QVERIFY2(player->message().startsWith(QStringLiteral("No se puede reproducir")), qPrintable(player->message()));
    QVERIFY2(player->message().contains(QStringLiteral("EXOTICO.AVI")), qPrintable(player->message()));
    QCOMPARE(player->readyState(), int(VideoPlayer::Uninitialized));
    QVERIFY(!reachedReady(ready));
    // The message is on show where the picture would be, and nothing plays.
    auto* label = player->findChild<QLabel*>();
    QVERIFY(label && label->isVisible() && label->text() == player->message());
    player->run();
    QCOMPARE(player->currentState(), int(VideoPlayer::Stopped));
    m_probe.record(250);
    QVERIFY(AudioProbe::rmsDb(m_probe.record(300)) < -70);

    // The screen goes on: its other controls still take the learner's clicks.
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    QFile traced(tracePath);
    QVERIFY(traced.open(QIODevice::ReadOnly));
    QJsonObject failure;
    while (!traced.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(traced.readLine()).object();
        if (event.value(QStringLiteral("ev")).toString() == QLatin1String("video") && event.contains(QStringLiteral("error")))
            failure = event;
    }
    QCOMPARE(failure.value(QStringLiteral("file")).toString(), file);
    QVERIFY2(failure.value(QStringLiteral("error")).toString().contains(QStringLiteral("ZQZQ")), qPrintable(failure.value(QStringLiteral("error")).toString()));

    // A good file afterwards opens and plays, and the message is gone.
    open(*player, m_mpeg4);
    QVERIFY(player->message().isEmpty());
    QVERIFY(!label->isVisible());
    player->run();
    QVERIFY(verifySound());
    player->stop();
}

void TestVideoPlayer::aPipelineThatRunsAwayFromItsPrimingIsHeldAgain()
{
    // Under load the priming pause sometimes leaves the pipeline running: its picture went on
    // while its owner held it stopped, until the next play. Here the pipeline is set running
    // behind the core's back, as that fault leaves it.
    const QString file = makeVideo(QStringLiteral("long.avi"), {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}, 8);
    MediaPlayerCore core(MediaPlayerCore::ReloadAfterEnd::WhenNeeded);
    QSignalSpy loaded(&core, &MediaPlayerCore::loaded);
    core.load(file);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kOpenTimeoutMs);
    core.player()->play();
    QTest::qWait(1500);
    const qint64 first = core.player()->position();
    QTest::qWait(600);
    QVERIFY2(core.player()->position() - first < 150,
             qPrintable(QStringLiteral("the held pipeline moved from %1 ms to %2 ms").arg(first).arg(core.player()->position())));
    QVERIFY(core.position() < 0.3);
    // Still the core's to play: it plays from where it was held.
    core.play();
    QTRY_VERIFY_WITH_TIMEOUT(core.position() > 0.5, kOpenTimeoutMs);
    QVERIFY(core.position() < 3.0);
}

QTEST_MAIN(TestVideoPlayer)
#include "tst_videoplayer.moc"
