// The voice recorder, measured on the test sound server: a tone played into the null
// sink reaches the virtual microphone, is recorded, and what the recorder plays back
// is recorded again and analysed, so these tests prove sound, not calls.
#include "AudioProbe.h"
#include "MediaPlayer.h"
#include "Trace.h"
#include "WaveRecorder.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

namespace {

constexpr double kHeardDb = -30.0;
constexpr double kSilentDb = -70.0;
const QString kTakeFile = QStringLiteral("c:\\lurva\\sir2.wav");

} // namespace

class TestWaveRecorder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void recordsWhatTheMicrophoneHearsAndPlaysItBack_data();
    void recordsWhatTheMicrophoneHearsAndPlaysItBack();
    void aSecondTakeDiscardsTheFirst();
    void waitingPlayReturnsWhenHeardAndNotifiesOnce();
    void playWithoutATakeIsSilent();
    void closeDiscardsTheTake();
    void withoutAnInputDeviceNoTakeIsClaimed();
    void commandsOnAClosedDeviceFail_data();
    void commandsOnAClosedDeviceFail();
    void flagsApplyToTheNextCommandOnly();
    void openMapsTheFixedNameIntoTheDataFolder();
    void aStoppedTakeIsWrittenToTheOpenFile();

private:
    QString makeTone(int hz, double seconds);
    /// Records a take of TAKE_MS while a tone of HZ sounds into the microphone.
    void recordTone(WaveRecorder& recorder, int hz, int takeMs);
    QVector<float> listen(int windowMs = 400);
    void verifyTone(const QVector<float>& samples, double hz);
    void verifySilence(const QVector<float>& samples);

    QTemporaryDir m_dir;
    AudioProbe m_probe;
};

void TestWaveRecorder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The fixed recorder folder is made under this test's own data folder.
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
    QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
}

QString TestWaveRecorder::makeTone(int hz, double seconds)
{
    const QString path = m_dir.filePath(QStringLiteral("tone%1.wav").arg(hz));
    QProcess sox;
    sox.start(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-c"),
                                      QStringLiteral("1"), path, QStringLiteral("synth"), QString::number(seconds),
                                      QStringLiteral("sine"), QString::number(hz), QStringLiteral("vol"), QStringLiteral("0.5")});
    if (!sox.waitForFinished(30000) || sox.exitCode() != 0)
        qFatal("sox failed: %s", sox.readAllStandardError().constData());
    return path;
}

void TestWaveRecorder::recordTone(WaveRecorder& recorder, int hz, int takeMs)
{
    MediaPlayer tone;
    tone.render(makeTone(hz, takeMs / 1000.0 + 2.0));
    tone.run();
    m_probe.record(400); // the tone is sounding before the take starts
    recorder.setCommand(QStringLiteral("close"));
    recorder.setFileName(kTakeFile);
    recorder.setCommand(QStringLiteral("open"));
    recorder.setCommand(QStringLiteral("record"));
    QCOMPARE(recorder.error(), 0);
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Recording);
    m_probe.record(takeMs);
    recorder.setWait(true);
    recorder.setCommand(QStringLiteral("stop"));
    recorder.setFileName(QStringLiteral("c:\\lurva\\sir.wav"));
    tone.stop();
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Stopped);
    QVERIFY2(recorder.lengthMs() > takeMs / 2, qPrintable(QStringLiteral("take of %1 ms").arg(recorder.lengthMs())));
    verifySilence(listen(300));
}

QVector<float> TestWaveRecorder::listen(int windowMs)
{
    m_probe.record(250);
    return m_probe.record(windowMs);
}

void TestWaveRecorder::verifyTone(const QVector<float>& samples, double hz)
{
    QVERIFY2(AudioProbe::rmsDb(samples) > kHeardDb, qPrintable(QStringLiteral("level %1 dB").arg(AudioProbe::rmsDb(samples))));
    const double found = AudioProbe::dominantFrequency(samples);
    QVERIFY2(std::abs(found - hz) <= 3.0, qPrintable(QStringLiteral("heard %1 Hz, expected %2 Hz").arg(found).arg(hz)));
}

void TestWaveRecorder::verifySilence(const QVector<float>& samples)
{
    QVERIFY2(AudioProbe::rmsDb(samples) < kSilentDb,
             qPrintable(QStringLiteral("level %1 dB at %2 Hz").arg(AudioProbe::rmsDb(samples)).arg(AudioProbe::dominantFrequency(samples))));
}

void TestWaveRecorder::recordsWhatTheMicrophoneHearsAndPlaysItBack_data()
{
    QTest::addColumn<int>("hz");
    QTest::newRow("440 Hz") << 440;
    QTest::newRow("700 Hz") << 700;
}

void TestWaveRecorder::recordsWhatTheMicrophoneHearsAndPlaysItBack()
{
    QFETCH(int, hz);
    WaveRecorder recorder;
    recordTone(recorder, hz, 2000);

    recorder.setCommand(QStringLiteral("Prev"));
    recorder.setCommand(QStringLiteral("Play"));
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Playing);
    verifyTone(listen(), hz);
    // Played to its end it falls silent and stays at the end: playing again sounds nothing...
    QTRY_COMPARE_WITH_TIMEOUT(recorder.mode(), WaveRecorder::Mode::Stopped, 5000);
    verifySilence(listen(300));
    recorder.setCommand(QStringLiteral("Play"));
    verifySilence(listen(300));
    // ...until it is rewound.
    recorder.setCommand(QStringLiteral("Prev"));
    recorder.setCommand(QStringLiteral("Play"));
    verifyTone(listen(), hz);
    recorder.setCommand(QStringLiteral("stop"));
    verifySilence(listen(300));
}

void TestWaveRecorder::aSecondTakeDiscardsTheFirst()
{
    WaveRecorder recorder;
    recordTone(recorder, 500, 1500);
    recordTone(recorder, 900, 1500);
    recorder.setCommand(QStringLiteral("Prev"));
    recorder.setCommand(QStringLiteral("Play"));
    const QVector<float> heard = listen(800);
    verifyTone(heard, 900);
    QVERIFY2(AudioProbe::amplitudeAt(heard, 500) < 0.01, "the first take is still heard");
    recorder.setCommand(QStringLiteral("stop"));
}

void TestWaveRecorder::waitingPlayReturnsWhenHeardAndNotifiesOnce()
{
    Trace trace;
    WaveRecorder recorder;
    recordTone(recorder, 600, 1500);
    const qint64 length = recorder.lengthMs();
    QSignalSpy done(&recorder, &WaveRecorder::done);

    recorder.setCommand(QStringLiteral("Prev"));
    recorder.setNotify(true);
    recorder.setWait(true);
    QElapsedTimer clock;
    clock.start();
    recorder.setCommand(QStringLiteral("Play"));
    QVERIFY2(clock.elapsed() >= length - 100, qPrintable(QStringLiteral("returned after %1 ms of a %2 ms take").arg(clock.elapsed()).arg(length)));
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Stopped);
    // The done event comes through the event loop, once.
    QCOMPARE(done.count(), 0);
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), int(WaveRecorder::Successful));
    QTest::qWait(300);
    QCOMPARE(done.count(), 1);
}

void TestWaveRecorder::playWithoutATakeIsSilent()
{
    WaveRecorder recorder;
    recorder.setFileName(kTakeFile);
    recorder.setCommand(QStringLiteral("open"));
    recorder.setCommand(QStringLiteral("Prev"));
    recorder.setCommand(QStringLiteral("Play"));
    QCOMPARE(recorder.error(), 0);
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Stopped);
    verifySilence(listen(300));
}

void TestWaveRecorder::closeDiscardsTheTake()
{
    WaveRecorder recorder;
    recordTone(recorder, 800, 1000);
    recorder.setCommand(QStringLiteral("close"));
    QCOMPARE(recorder.lengthMs(), 0);
    recorder.setFileName(kTakeFile);
    recorder.setCommand(QStringLiteral("open"));
    recorder.setCommand(QStringLiteral("Play"));
    verifySilence(listen(300));
}

void TestWaveRecorder::withoutAnInputDeviceNoTakeIsClaimed()
{
    WaveRecorder recorder;
    recorder.setInputDevice(QAudioDevice());
    QSignalSpy done(&recorder, &WaveRecorder::done);
    recorder.setFileName(kTakeFile);
    recorder.setCommand(QStringLiteral("open"));
    recorder.setNotify(true);
    recorder.setCommand(QStringLiteral("record"));
    QVERIFY(recorder.error() != 0);
    QVERIFY2(recorder.errorString().contains(QLatin1String("no sound input")), qPrintable(recorder.errorString()));
    QVERIFY(recorder.mode() != WaveRecorder::Mode::Recording);
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), int(WaveRecorder::Failure));
    recorder.setCommand(QStringLiteral("stop"));
    QCOMPARE(recorder.lengthMs(), 0);
}

void TestWaveRecorder::commandsOnAClosedDeviceFail_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reason");
    QTest::newRow("record") << "record" << "not open";
    QTest::newRow("Play") << "Play" << "not open";
    QTest::newRow("Prev") << "Prev" << "not open";
    QTest::newRow("unknown") << "rewind" << "unknown command";
}

void TestWaveRecorder::commandsOnAClosedDeviceFail()
{
    QFETCH(QString, command);
    QFETCH(QString, reason);
    WaveRecorder recorder;
    recorder.setCommand(command);
    QVERIFY(recorder.error() != 0);
    QVERIFY2(recorder.errorString().contains(reason), qPrintable(recorder.errorString()));
    QCOMPARE(recorder.mode(), WaveRecorder::Mode::Closed);
    // The next command that can succeed clears the error.
    recorder.setCommand(QStringLiteral("close"));
    QCOMPARE(recorder.error(), 0);
}

void TestWaveRecorder::flagsApplyToTheNextCommandOnly()
{
    WaveRecorder recorder;
    QSignalSpy done(&recorder, &WaveRecorder::done);
    recorder.setWait(true);
    recorder.setNotify(true);
    recorder.setCommand(QStringLiteral("close"));
    QVERIFY(!recorder.wait());
    QVERIFY(!recorder.notify());
    recorder.setCommand(QStringLiteral("close"));
    QTRY_COMPARE(done.count(), 1);
    QTest::qWait(100);
    QCOMPARE(done.count(), 1);
}

void TestWaveRecorder::openMapsTheFixedNameIntoTheDataFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("data/tamsel/c/lurva"));
    QDir(folder).removeRecursively();
    WaveRecorder recorder;
    recorder.setFileName(QStringLiteral("  c:\\lurva\\sir2.wav "));
    recorder.setCommand(QStringLiteral("open"));
    QCOMPARE(recorder.error(), 0);
    QCOMPARE(recorder.openPath(), folder + QStringLiteral("/sir2.wav"));
    // Opening alone makes nothing: the folder comes with the first take written.
    QVERIFY(!QDir(folder).exists());
    recorder.setCommand(QStringLiteral("close"));
    QVERIFY(!QDir(folder).exists());

    WaveRecorder outside;
    outside.setFileName(QStringLiteral("c:\\..\\sir.wav"));
    outside.setCommand(QStringLiteral("open"));
    QVERIFY(outside.error() != 0);
    QCOMPARE(outside.mode(), WaveRecorder::Mode::Closed);
}

// The take that "stop" ends is in the open file, a WAV file of the take's own samples that
// any player plays: the tone recorded is heard from it. The next take replaces it.
void TestWaveRecorder::aStoppedTakeIsWrittenToTheOpenFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("data/tamsel/c/lurva"));
    QDir(folder).removeRecursively();
    WaveRecorder recorder;
    recordTone(recorder, 900, 1500);
    const QString file = folder + QStringLiteral("/sir2.wav");
    QFile wave(file);
    QVERIFY2(wave.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = wave.readAll();
    QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 8) == "WAVEfmt ");
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));
    QCOMPARE(bytes.mid(36, 4), QByteArray("data"));
    const quint32 rate = qFromLittleEndian<quint32>(bytes.constData() + 24);
    const quint16 blockAlign = qFromLittleEndian<quint16>(bytes.constData() + 32);
    const qint64 dataMs = qint64(bytes.size() - 44) * 1000 / (qint64(rate) * blockAlign);
    QVERIFY2(std::abs(dataMs - recorder.lengthMs()) <= 1, qPrintable(QStringLiteral("%1 ms in the file, %2 in the take").arg(dataMs).arg(recorder.lengthMs())));

    MediaPlayer fromFile;
    fromFile.render(file);
    fromFile.run();
    m_probe.record(300);
    verifyTone(m_probe.record(500), 900);
    fromFile.stop();

    recordTone(recorder, 600, 600);
    QVERIFY(QFileInfo(file).size() < bytes.size());
}

QTEST_MAIN(TestWaveRecorder)
#include "tst_waverecorder.moc"
