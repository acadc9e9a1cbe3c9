// The sound player, measured on the test sound server: what it plays is recorded
// from the null sink's monitor and analysed, so these tests prove sound, not calls.
#include "AudioProbe.h"
#include "CourseError.h"
#include "MediaPlayer.h"
#include "Trace.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

// A tone is heard when its frequency dominates and it is far above the silence
// of the null sink (exactly 0 between sounds).
constexpr double kHeardDb = -30.0;
constexpr double kSilentDb = -70.0;

double amplitudeDb(const QVector<float>& samples, double hz)
{
    const double amplitude = AudioProbe::amplitudeAt(samples, hz);
    return amplitude > 1e-10 ? 20.0 * std::log10(amplitude) : -200.0;
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void playsWhatWasRendered_data();
    void playsWhatWasRendered();
    void completionIsReportedOnceAndRewindPlaysAgain();
    void seekingToTheEndCompletes();
    void pauseKeepsThePositionAndStopReturnsToStart();
    void stopAndRunAgainKeepsSounding();
    void volumeLowersTheLevel_data();
    void volumeLowersTheLevel();
    void aVolumeSetBeforeTheFirstFileHolds();
    void unrenderableFileIsACourseError_data();
    void unrenderableFileIsACourseError();
    void renderLoadsAnotherFileIntoTheSamePlayer();
    void aFileLeftLoadedPlaysAtOnce();
    void renderingTheSameFileAgainStartsAfresh();
    void traceRecordsTheOperations();

private:
    static void runTool(const QString& program, const QStringList& arguments);
    QString makeTone(const QString& name, int hz, double seconds);
    /// Lets the player get going, then records WINDOW_MS of what it plays.
    QVector<float> listen(int windowMs = 300);
    void verifyTone(const QVector<float>& samples, double hz);
    /// Waits until the tone at HZ is heard: a player gets going within tens of
    /// milliseconds when the machine is idle, later when it is busy.
    void verifyHeard(double hz);
    void verifySilence(const QVector<float>& samples);

    QTemporaryDir m_dir;
    AudioProbe m_probe;
    QString m_long440;
    QString m_long880;
    QString m_short880;
};

void TestMediaPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
    m_long440 = makeTone(QStringLiteral("long440.wav"), 440, 3.0);
    m_long880 = makeTone(QStringLiteral("long880.wav"), 880, 3.0);
    m_short880 = makeTone(QStringLiteral("short880.wav"), 880, 0.6);
}

void TestMediaPlayer::runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), tool.readAllStandardError().constData());
}

QString TestMediaPlayer::makeTone(const QString& name, int hz, double seconds)
{
    const QString path = m_dir.filePath(name);
    const QString wav = path.endsWith(QLatin1String(".wav")) ? path : path + QLatin1String(".wav");
    runTool(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"), QStringLiteral("1"), wav,
                                    QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"), QString::number(hz),
                                    QStringLiteral("vol"), QStringLiteral("0.5")});
    // Other formats are encoded from the WAV; ffmpeg's MP3s carry the header that
    // tells GStreamer their length at loading.
    if (wav != path)
        runTool(QStringLiteral("ffmpeg"), {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), wav, path});
    return path;
}

QVector<float> TestMediaPlayer::listen(int windowMs)
{
    // A run is heard within the sound server's latency, some 50-200 ms here.
    m_probe.record(250);
    return m_probe.record(windowMs);
}

void TestMediaPlayer::verifyTone(const QVector<float>& samples, double hz)
{
    QVERIFY2(AudioProbe::rmsDb(samples) > kHeardDb, qPrintable(QStringLiteral("level %1 dB").arg(AudioProbe::rmsDb(samples))));
    const double found = AudioProbe::dominantFrequency(samples);
    QVERIFY2(std::abs(found - hz) <= 3.0, qPrintable(QStringLiteral("heard %1 Hz, expected %2 Hz").arg(found).arg(hz)));
}

void TestMediaPlayer::verifyHeard(double hz)
{
    QVERIFY2(m_probe.hears(hz), qPrintable(QStringLiteral("no %1 Hz tone within 2 s").arg(hz)));
}

void TestMediaPlayer::verifySilence(const QVector<float>& samples)
{
    QVERIFY2(AudioProbe::rmsDb(samples) < kSilentDb, qPrintable(QStringLiteral("level %1 dB").arg(AudioProbe::rmsDb(samples))));
}

void TestMediaPlayer::playsWhatWasRendered_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("hz");
    QTest::addColumn<QString>("extension");
    QTest::newRow("440 Hz wav") << "a" << 440 << "wav";
    QTest::newRow("880 Hz wav") << "b" << 880 << "wav";
    QTest::newRow("660 Hz mp3") << "c" << 660 << "mp3";
}

void TestMediaPlayer::playsWhatWasRendered()
{
    QFETCH(QString, name);
    QFETCH(int, hz);
    QFETCH(QString, extension);
    const QString file = makeTone(name + QLatin1Char('.') + extension, hz, 2.0);

    MediaPlayer player;
    player.render(file);
    QCOMPARE(player.state(), MediaPlayer::State::Stopped);
    QVERIFY2(std::abs(player.duration() - 2.0) < 0.06, qPrintable(QString::number(player.duration())));
    // Rendering prepares, it never starts.
    verifySilence(listen());

    player.run();
    QCOMPARE(player.state(), MediaPlayer::State::Running);
    verifyHeard(hz);
    verifyTone(m_probe.record(200), hz);
    player.stop();
}

void TestMediaPlayer::completionIsReportedOnceAndRewindPlaysAgain()
{
    MediaPlayer player;
    player.render(m_short880);
    player.run();
    QVERIFY(!player.completed(0));
    QVERIFY(player.completed(3000));
    QVERIFY(!player.completed(0));

    // At the end it still counts as running, positioned exactly at its end, silent.
    QCOMPARE(player.state(), MediaPlayer::State::Running);
    QCOMPARE(player.position(), player.duration());
    verifySilence(listen(200));
    QVERIFY(!player.completed(0));

    // Setting the position back plays it again: this is how a background loops,
    // and it keeps doing so, completion after completion.
    for (int round = 0; round < 3; ++round) {
        player.setPosition(0);
        verifyHeard(880);
        QVERIFY(player.completed(3000));
        QVERIFY(!player.completed(0));
        QCOMPARE(player.position(), player.duration());
    }
}

void TestMediaPlayer::seekingToTheEndCompletes()
{
    MediaPlayer player;
    player.render(m_long440);
    player.run();
    verifyHeard(440);

    player.setPosition(player.duration() + 5);
    QVERIFY(player.completed(0));
    QCOMPARE(player.position(), player.duration());
    QCOMPARE(player.state(), MediaPlayer::State::Running);
    verifySilence(listen(200));
    QVERIFY(!player.completed(0));

    player.setPosition(1.0);
    verifyHeard(440);
    QVERIFY(player.position() >= 1.0);
}

void TestMediaPlayer::pauseKeepsThePositionAndStopReturnsToStart()
{
    MediaPlayer player;
    player.render(m_long440);
    player.run();
    verifyHeard(440);
    m_probe.record(600);
    player.pause();
    QCOMPARE(player.state(), MediaPlayer::State::Paused);
    const double pausedAt = player.position();
    QVERIFY2(pausedAt > 0.5 && pausedAt < 1.5, qPrintable(QString::number(pausedAt)));
    verifySilence(listen());
    QVERIFY(std::abs(player.position() - pausedAt) < 0.02);

    // Running again continues where it was held, it does not start over.
    player.run();
    verifyHeard(440);
    verifyTone(m_probe.record(300), 440);
    QVERIFY2(player.position() > pausedAt + 0.2, qPrintable(QString::number(player.position())));

    player.stop();
    QCOMPARE(player.state(), MediaPlayer::State::Stopped);
    QVERIFY(player.position() < 0.01);
    verifySilence(listen());
    QVERIFY(!player.completed(0));
}

void TestMediaPlayer::stopAndRunAgainKeepsSounding()
{
    // GStreamer's sink can fall silent for good after a stop and a play; every
    // round must still be heard, from the start.
    MediaPlayer player;
    player.render(m_long440);
    for (int round = 0; round < 4; ++round) {
        player.run();
        verifyHeard(440);
        QVERIFY(player.position() < 1.0);
        player.stop();
        verifySilence(listen(200));
    }
}

void TestMediaPlayer::volumeLowersTheLevel_data()
{
    QTest::addColumn<int>("volume");
    QTest::addColumn<double>("expectedDropDb");
    QTest::newRow("-6 dB") << -600 << 6.0;
    QTest::newRow("-20 dB") << -2000 << 20.0;
    QTest::newRow("silent") << MediaPlayer::kSilentVolume << qInf();
}

void TestMediaPlayer::volumeLowersTheLevel()
{
    QFETCH(int, volume);
    QFETCH(double, expectedDropDb);

    MediaPlayer player;
    player.render(m_long880);
    player.run();
    verifyHeard(880);
    const double full = amplitudeDb(m_probe.record(300), 880);
    player.stop();

    player.setVolume(volume);
    QCOMPARE(player.volume(), volume);
    player.run();
    if (!std::isinf(expectedDropDb))
        verifyHeard(880);
    const double lowered = amplitudeDb(std::isinf(expectedDropDb) ? listen() : m_probe.record(300), 880);
    player.stop();

    if (std::isinf(expectedDropDb)) {
        QVERIFY2(lowered < kSilentDb, qPrintable(QString::number(lowered)));
    } else {
        const double drop = full - lowered;
        QVERIFY2(std::abs(drop - expectedDropDb) <= 3.0,
                 qPrintable(QStringLiteral("full %1 dB, lowered %2 dB").arg(full).arg(lowered)));
    }
}

void TestMediaPlayer::aVolumeSetBeforeTheFirstFileHolds()
{
    // A channel's sound output is made with its first file; a volume given before is kept for it.
    MediaPlayer player;
    player.setVolume(MediaPlayer::kSilentVolume);
    player.render(m_long880);
    player.run();
    verifySilence(listen());
    player.setVolume(MediaPlayer::kFullVolume);
    verifyHeard(880);
    player.stop();
}

void TestMediaPlayer::unrenderableFileIsACourseError_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.wav")) << QByteArray();
    QTest::newRow("not a sound") << m_dir.filePath(QStringLiteral("text.wav")) << QByteArray("these are words, not sound\n");
    QTest::newRow("a folder") << m_dir.path() << QByteArray();
}

void TestMediaPlayer::unrenderableFileIsACourseError()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    if (!contents.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }

    MediaPlayer player;
    player.render(m_long440);
    QString message;
    try {
        player.render(file);
    } catch (const CourseError& error) {
        message = error.message();
    }
    QVERIFY2(message.contains(file), qPrintable(message));
    QVERIFY(player.file().isEmpty());
    QCOMPARE(player.duration(), 0.0);

    // The failure leaves nothing behind: the same player plays the next file.
    player.render(m_long880);
    player.run();
    verifyHeard(880);
}

void TestMediaPlayer::renderLoadsAnotherFileIntoTheSamePlayer()
{
    MediaPlayer player;
    player.render(m_long440);
    player.run();
    verifyHeard(440);

    player.render(m_long880);
    QCOMPARE(player.file(), m_long880);
    QCOMPARE(player.state(), MediaPlayer::State::Stopped);
    verifySilence(listen(200));
    player.run();
    // Where the player is when nothing is heard tells a pipeline that runs silent from
    // one that never started.
    const bool heard = m_probe.hears(880);
    QVERIFY2(heard, qPrintable(QStringLiteral("no 880 Hz tone within 2 s; the player is at %1 s of %2 s, %3")
                                   .arg(player.position()).arg(player.duration())
                                   .arg(player.completed(0) ? QStringLiteral("completed") : QStringLiteral("not completed"))));
    verifyTone(m_probe.record(200), 880);
}

void TestMediaPlayer::aFileLeftLoadedPlaysAtOnce()
{
    // GStreamer's sink keeps its clock from the loading: a first play seconds later would
    // start as late, after the two seconds the probe listens.
    MediaPlayer player;
    player.render(m_long440);
    QTest::qWait(2500);
    player.run();
    verifyHeard(440);
    QVERIFY2(player.position() < 2.0, qPrintable(QString::number(player.position())));
    player.stop();

    // And so for a file loaded into a player that has played.
    player.render(m_long880);
    QTest::qWait(2500);
    player.run();
    verifyHeard(880);
    verifyTone(m_probe.record(200), 880);
}

void TestMediaPlayer::renderingTheSameFileAgainStartsAfresh()
{
    MediaPlayer player;
    player.render(m_short880);
    player.run();
    QVERIFY(player.completed(3000));
    QVERIFY(!player.completed(0));
    player.run();

    player.render(m_short880);
    QCOMPARE(player.state(), MediaPlayer::State::Stopped);
    QVERIFY(player.position() < 0.01);
    QVERIFY(!player.completed(0));
    player.run();
    QVERIFY2(m_probe.hears(880), "the file rendered again was not heard");
    QVERIFY(player.completed(3000));
}

void TestMediaPlayer::traceRecordsTheOperations()
{
    const QString tracePath = m_dir.filePath(QStringLiteral("trace.jsonl"));
    {
        Trace trace;
        QVERIFY(trace.open(tracePath));
        MediaPlayer player;
        player.setTrace(&trace, QStringLiteral("click"));
        player.render(m_short880);
        player.run();
        player.setVolume(-500);
        player.pause();
        player.setPosition(0);
        player.stop();
        QVERIFY_THROWS_EXCEPTION(CourseError, player.render(m_dir.filePath(QStringLiteral("gone.wav"))));
    }
    QFile in(tracePath);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QStringList ops;
    QList<QJsonObject> events;
    while (!in.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(in.readLine()).object();
        QCOMPARE(event.value(QStringLiteral("ev")).toString(), QStringLiteral("sound"));
        QCOMPARE(event.value(QStringLiteral("channel")).toString(), QStringLiteral("click"));
        ops << event.value(QStringLiteral("op")).toString();
        events << event;
    }
    QCOMPARE(ops, QStringList({"render", "run", "volume", "pause", "rewind", "stop", "render"}));
    QCOMPARE(events[0].value(QStringLiteral("file")).toString(), m_short880);
    QCOMPARE(events[2].value(QStringLiteral("value")).toInt(), -500);
    QCOMPARE(events[4].value(QStringLiteral("value")).toDouble(), 0.0);
    QVERIFY(events[6].value(QStringLiteral("file")).toString().endsWith(QLatin1String("gone.wav")));
    QVERIFY(!events[6].value(QStringLiteral("error")).toString().isEmpty());
}

QTEST_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
