// Sound files as old discs hold them, made here by sox and ffmpeg: every coding must
// report its true length, play whole and be heard on the test sound server, and the
// course's own files must stay as they were.
#include "AudioProbe.h"
#include "CourseError.h"
#include "MediaPlayer.h"
#include "SoundCache.h"
#include "Trace.h"
#include "WavHeader.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

constexpr double kLengthToleranceS = 0.050;
// lame's encoder delay, which ffmpeg counts into the fact chunk of an MPEG WAVE file.
constexpr double kLameDelayFrames = 1105;

QByteArray digestOf(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

QList<QJsonObject> traceEvents(const QString& path, const char* name)
{
    QList<QJsonObject> events;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return events;
    while (!in.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(in.readLine()).object();
        if (event.value(QStringLiteral("ev")).toString() == QLatin1String(name))
            events << event;
    }
    return events;
}

} // namespace

class TestSoundFormats : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyCodingPlaysWholeAtItsTrueLength_data();
    void everyCodingPlaysWholeAtItsTrueLength();
    void aChangedFileIsConvertedAgain();
    void aBrokenWaveFileIsRefusedByName_data();
    void aBrokenWaveFileIsRefusedByName();
    void anMp3BehindAWaveNamePlays();

private:
    static void run(const QString& program, const QStringList& arguments);
    /// A SECONDS long tone at HZ, written by sox with ARGUMENTS giving its coding.
    QString soxTone(const QString& name, const QStringList& coding, double seconds, int hz);
    /// The same coded by ffmpeg with CODEC from a 16-bit tone at RATE.
    QString ffmpegTone(const QString& name, const QString& codec, int rate, double seconds, int hz);
    /// FILE without its fact chunk.
    QString withoutFact(const QString& file);
    /// FILE with the SIZE-byte field at AT in its format chunk set to VALUE, as period
    /// writers left block sizes and byte rates.
    QString withFormatField(const QString& file, const char* name, int at, int size, const std::function<quint32(quint32)>& change);
    /// The first BYTES of FILE, as a copy cut short holds them.
    QString cutShort(const QString& file, qint64 bytes);

    QTemporaryDir m_dir;
    AudioProbe m_probe;
};

void TestSoundFormats::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toLocal8Bit());
    QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
}

void TestSoundFormats::run(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(program), qPrintable(arguments.join(' ')), tool.readAllStandardError().constData());
}

QString TestSoundFormats::soxTone(const QString& name, const QStringList& coding, double seconds, int hz)
{
    const QString path = m_dir.filePath(name);
    run(QStringLiteral("sox"), QStringList { QStringLiteral("-n") } + coding
            + QStringList { path, QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"), QString::number(hz),
                QStringLiteral("vol"), QStringLiteral("0.5") });
    return path;
}

QString TestSoundFormats::ffmpegTone(const QString& name, const QString& codec, int rate, double seconds, int hz)
{
    const QString source = soxTone(name + QStringLiteral(".src.wav"),
        { QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16") },
        seconds, hz);
    const QString path = m_dir.filePath(name);
    run(QStringLiteral("ffmpeg"), { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), source,
                                      QStringLiteral("-c:a"), codec, QStringLiteral("-f"), QStringLiteral("wav"), path });
    return path;
}

QString TestSoundFormats::withoutFact(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file));
    const QByteArray bytes = in.readAll();
    QByteArray out = bytes.left(12);
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qsizetype whole = 8 + size + (size & 1);
        if (bytes.mid(at, 4) != "fact")
            out += bytes.mid(at, whole);
        at += whole;
    }
    qToLittleEndian<quint32>(quint32(out.size() - 8), out.data() + 4);
    const QString path = file + QStringLiteral(".nofact.wav");
    QFile dest(path);
    if (!dest.open(QIODevice::WriteOnly) || dest.write(out) != out.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString TestSoundFormats::withFormatField(const QString& file, const char* name, int at, int size, const std::function<quint32(quint32)>& change)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file));
    QByteArray bytes = in.readAll();
    const qsizetype format = bytes.indexOf("fmt ", 12);
    if (format < 0)
        qFatal("%s has no format chunk", qPrintable(file));
    char field[4] = {};
    memcpy(field, bytes.constData() + format + 8 + at, size_t(size));
    qToLittleEndian(change(qFromLittleEndian<quint32>(field)), field);
    bytes.replace(format + 8 + at, size, field, size);
    const QString path = file + QStringLiteral(".%1.wav").arg(QLatin1String(name));
    QFile dest(path);
    if (!dest.open(QIODevice::WriteOnly) || dest.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString TestSoundFormats::cutShort(const QString& file, qint64 bytes)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file));
    const QString path = file + QStringLiteral(".cut.wav");
    QFile dest(path);
    if (!dest.open(QIODevice::WriteOnly) || dest.write(in.read(bytes)) != bytes)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestSoundFormats::everyCodingPlaysWholeAtItsTrueLength_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("hz");
    QTest::addColumn<bool>("converted");
    QTest::addColumn<bool>("headerKnows"); // the header alone tells the length

    const double s = 1.3;
    const auto pcm = [](int rate, int channels, int bits) {
        return QStringList { QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"), QString::number(channels), QStringLiteral("-b"),
            QString::number(bits), QStringLiteral("-e"), bits == 8 ? QStringLiteral("unsigned") : QStringLiteral("signed") };
    };
    const auto coded = [](int rate, int channels, const char* coding) {
        return QStringList { QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"), QString::number(channels), QStringLiteral("-e"),
            QString::fromLatin1(coding) };
    };
    struct Pcm { int rate; int channels; int bits; };
    int hz = 300;
    for (const Pcm& p : { Pcm { 8000, 1, 8 }, Pcm { 11025, 1, 8 }, Pcm { 11025, 2, 8 }, Pcm { 22050, 1, 8 }, Pcm { 44100, 2, 8 },
             Pcm { 8000, 1, 16 }, Pcm { 11025, 1, 16 }, Pcm { 22050, 2, 16 }, Pcm { 44100, 1, 16 }, Pcm { 44100, 2, 16 } }) {
        const QString name = QStringLiteral("pcm%1-%2-%3ch.wav").arg(p.bits).arg(p.rate).arg(p.channels);
        hz += 40;
        QTest::newRow(qPrintable(name)) << soxTone(name, pcm(p.rate, p.channels, p.bits), s, hz) << s << hz << (p.bits != 16) << true;
    }
    QTest::newRow("float 32-bit") << soxTone("float32.wav", { "-r", "22050", "-c", "1", "-b", "32", "-e", "float" }, s, 760) << s << 760 << false << true;
    QTest::newRow("MS ADPCM 22 kHz") << soxTone("msadpcm-22050.wav", coded(22050, 1, "ms-adpcm"), s, 440) << s << 440 << true << true;
    // A block of 1012 frames is 92 ms long at 11 kHz: only the fact chunk gives the length within 50 ms.
    QTest::newRow("MS ADPCM 11 kHz") << soxTone("msadpcm-11025.wav", coded(11025, 1, "ms-adpcm"), s, 460) << s << 460 << true << true;
    QTest::newRow("MS ADPCM stereo") << soxTone("msadpcm-st.wav", coded(22050, 2, "ms-adpcm"), s, 480) << s << 480 << true << true;
    // ffmpeg's fact chunk counts its last block whole, silence included.
    const auto wholeBlocks = [](double seconds, int rate, int perBlock) {
        return std::ceil(seconds * rate / perBlock) * perBlock / rate;
    };
    QTest::newRow("MS ADPCM by ffmpeg") << ffmpegTone("msadpcm-ff.wav", "adpcm_ms", 22050, s, 500) << wholeBlocks(s, 22050, 2036) << 500 << true << true;
    QTest::newRow("IMA ADPCM 22 kHz") << soxTone("ima-22050.wav", coded(22050, 1, "ima-adpcm"), s, 520) << s << 520 << true << true;
    QTest::newRow("IMA ADPCM 11 kHz") << soxTone("ima-11025.wav", coded(11025, 1, "ima-adpcm"), s, 540) << s << 540 << true << true;
    QTest::newRow("IMA ADPCM by ffmpeg") << ffmpegTone("ima-ff.wav", "adpcm_ima_wav", 22050, s, 560) << wholeBlocks(s, 22050, 2041) << 560 << true << true;
    QTest::newRow("mu-law") << soxTone("ulaw.wav", coded(22050, 1, "u-law"), s, 580) << s << 580 << true << true;
    QTest::newRow("A-law") << soxTone("alaw.wav", coded(11025, 1, "a-law"), s, 600) << s << 600 << true << true;
    // More than two channels: the copy says where they go, or players take it for none.
    QTest::newRow("A-law 3 channels") << soxTone("alaw3.wav", coded(11025, 3, "a-law"), s, 610) << s << 610 << true << true;
    QTest::newRow("MPEG layer 3 in WAVE") << ffmpegTone("mp3.wav", "libmp3lame", 22050, s, 620) << s + kLameDelayFrames / 22050 << 620 << true << true;

    const QString msNoFact = withoutFact(soxTone("msadpcm-nofact.wav", coded(22050, 1, "ms-adpcm"), s, 640));
    QTest::newRow("MS ADPCM without fact") << msNoFact << s << 640 << true << true;
    const QString imaNoFact = withoutFact(soxTone("ima-nofact.wav", coded(11025, 1, "ima-adpcm"), s, 660));
    QTest::newRow("IMA ADPCM without fact") << imaNoFact << s << 660 << true << true;

    // Copies cut short: the data chunk claims more than the file holds. Half the bytes
    // hold about half the sound.
    const auto half = [&](const QString& name, const QStringList& coding, int tone) {
        const QString whole = soxTone(name, coding, 2 * s, tone);
        return cutShort(whole, QFileInfo(whole).size() / 2);
    };
    QTest::newRow("PCM 16-bit cut short") << half("cut16.wav", pcm(22050, 1, 16), 680) << s << 680 << true << true;
    QTest::newRow("PCM 8-bit cut short") << half("cut8.wav", pcm(11025, 1, 8), 700) << s << 700 << true << true;
    QTest::newRow("MS ADPCM cut short") << half("cutms.wav", coded(22050, 1, "ms-adpcm"), 720) << s << 720 << true << true;
    QTest::newRow("IMA ADPCM cut short") << half("cutima.wav", coded(22050, 1, "ima-adpcm"), 740) << s << 740 << true << true;

    // Format chunks written wrong. The block size of a PCM file follows from its channels
    // and bits, whatever it says; one that says 0 plays too.
    constexpr int kByteRate = 8, kBlockAlign = 12, kFieldBytes16 = 2, kFieldBytes32 = 4;
    const auto to = [](quint32 value) { return [value](quint32) { return value; }; };
    const auto doubled = [](quint32 value) { return 2 * value; };
    QTest::newRow("PCM 16-bit, block size doubled")
        << withFormatField(soxTone("align4.wav", pcm(22050, 1, 16), s, 880), "align", kBlockAlign, kFieldBytes16, to(4)) << s << 880 << true << true;
    QTest::newRow("PCM 16-bit stereo, block size halved")
        << withFormatField(soxTone("align2.wav", pcm(22050, 2, 16), s, 900), "align", kBlockAlign, kFieldBytes16, to(2)) << s << 900 << true << true;
    QTest::newRow("PCM 16-bit, block size 0")
        << withFormatField(soxTone("align0.wav", pcm(11025, 1, 16), s, 920), "align", kBlockAlign, kFieldBytes16, to(0)) << s << 920 << true << true;
    QTest::newRow("PCM 8-bit, block size 0")
        << withFormatField(soxTone("align0-8.wav", pcm(11025, 1, 8), s, 940), "align", kBlockAlign, kFieldBytes16, to(0)) << s << 940 << true << true;
    QTest::newRow("PCM 16-bit, byte rate doubled")
        << withFormatField(soxTone("rate16.wav", pcm(22050, 1, 16), s, 950), "rate", kByteRate, kFieldBytes32, doubled) << s << 950 << true << true;
    // Without a fact chunk, the byte rate is all the header has to go by: twice the real
    // one (ffmpeg writes none), it gives half the length, but the decoder plays the whole.
    const QString mp3NoFact = withoutFact(ffmpegTone("mp3-nofact.wav", "libmp3lame", 22050, s, 960));
    const quint32 twiceItsRate = quint32(2 * QFileInfo(mp3NoFact).size() / (s + kLameDelayFrames / 22050));
    QTest::newRow("MPEG layer 3, no fact, byte rate doubled")
        << withFormatField(mp3NoFact, "rate", kByteRate, kFieldBytes32, to(twiceItsRate)) << s + kLameDelayFrames / 22050 << 960 << true << false;
    QTest::newRow("MS ADPCM, byte rate doubled")
        << withFormatField(soxTone("msrate.wav", coded(22050, 1, "ms-adpcm"), s, 980), "rate", kByteRate, kFieldBytes32, doubled) << s << 980 << true << true;
}

void TestSoundFormats::everyCodingPlaysWholeAtItsTrueLength()
{
    QFETCH(QString, file);
    QFETCH(double, seconds);
    QFETCH(int, hz);
    QFETCH(bool, converted);
    QFETCH(bool, headerKnows);

    const QByteArray before = digestOf(file);
    const QDateTime modified = QFileInfo(file).lastModified();
    if (headerKnows) {
        QVERIFY2(std::abs(WavHeader::read(file).seconds() - seconds) <= kLengthToleranceS,
                 qPrintable(QStringLiteral("the header gives %1 s").arg(WavHeader::read(file).seconds())));
    }

    const QString tracePath = m_dir.filePath(QStringLiteral("trace-%1.jsonl").arg(QTest::currentDataTag()));
    Trace trace;
    QVERIFY(trace.open(tracePath));
    MediaPlayer player;
    player.setTrace(&trace, QStringLiteral("background"));
    player.render(file);
    QVERIFY2(std::abs(player.duration() - seconds) <= kLengthToleranceS,
             qPrintable(QStringLiteral("reported %1 s, the file holds %2 s").arg(player.duration()).arg(seconds)));

    // Played whole: heard, and ended no sooner than its length allows.
    QElapsedTimer clock;
    clock.start();
    player.run();
    QVERIFY2(m_probe.hears(hz, 3000), qPrintable(QStringLiteral("no %1 Hz tone was heard").arg(hz)));
    QVERIFY(player.completed(int(seconds * 1000) + 8000));
    QVERIFY2(clock.elapsed() >= (seconds - 0.15) * 1000, qPrintable(QStringLiteral("ended after %1 ms").arg(clock.elapsed())));
    QCOMPARE(player.position(), player.duration());
    const double reported = player.duration();
    player.release();

    QCOMPARE(digestOf(file), before);
    QCOMPARE(QFileInfo(file).lastModified(), modified);

    // The render event tells the length; a conversion is traced once and then served from the cache.
    MediaPlayer again;
    again.setTrace(&trace, QStringLiteral("single"));
    again.render(file);
    QVERIFY(std::abs(again.duration() - reported) < 0.002);
    const QList<QJsonObject> sounds = traceEvents(tracePath, "sound");
    QVERIFY(!sounds.isEmpty());
    QCOMPARE(sounds.first().value(QStringLiteral("op")).toString(), QStringLiteral("render"));
    QVERIFY(std::abs(sounds.first().value(QStringLiteral("value")).toDouble() - seconds) <= kLengthToleranceS);
    const QList<QJsonObject> conversions = traceEvents(tracePath, "sound.convert");
    if (!converted) {
        QVERIFY(conversions.isEmpty());
        return;
    }
    QCOMPARE(conversions.size(), 2);
    QCOMPARE(conversions[0].value(QStringLiteral("file")).toString(), QFileInfo(file).absoluteFilePath());
    QVERIFY2(!conversions[0].contains(QStringLiteral("error")), qPrintable(conversions[0].value(QStringLiteral("error")).toString()));
    QCOMPARE(conversions[0].value(QStringLiteral("cached")).toBool(), false);
    QCOMPARE(conversions[1].value(QStringLiteral("cached")).toBool(), true);
    const QString copy = conversions[0].value(QStringLiteral("copy")).toString();
    QVERIFY2(copy.startsWith(m_dir.filePath(QStringLiteral("cache/tamsel/"))), qPrintable(copy));
    QCOMPARE(conversions[1].value(QStringLiteral("copy")).toString(), copy);
    QVERIFY(WavHeader::read(copy).isPlainPcm16());
}

void TestSoundFormats::aChangedFileIsConvertedAgain()
{
    const QString file = soxTone(QStringLiteral("changing.wav"), { "-r", "22050", "-c", "1", "-e", "ms-adpcm" }, 1.0, 440);
    MediaPlayer player;
    player.render(file);
    QVERIFY(std::abs(player.duration() - 1.0) <= kLengthToleranceS);
    const QString first = SoundCache::copyFor(file);
    QVERIFY(QFileInfo::exists(first));

    // Same name, another sound: the next render converts it again and plays the new one.
    soxTone(QStringLiteral("changing.wav"), { "-r", "22050", "-c", "1", "-e", "ms-adpcm" }, 2.0, 880);
    const QString second = SoundCache::copyFor(file);
    QVERIFY(second != first);
    player.render(file);
    QVERIFY2(std::abs(player.duration() - 2.0) <= kLengthToleranceS, qPrintable(QString::number(player.duration())));
    QVERIFY(QFileInfo::exists(second));
    QVERIFY2(!QFileInfo::exists(first), "the copy of the earlier version was left in the cache");
    player.run();
    QVERIFY(m_probe.hears(880, 3000));
}

void TestSoundFormats::aBrokenWaveFileIsRefusedByName_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");
    const QByteArray riff = QByteArray("RIFF\x24\x00\x00\x00WAVE", 12);
    const QByteArray fmt = QByteArray("fmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00", 24);
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("words") << QByteArray("these are words, not sound\n") << QString();
    QTest::newRow("only the RIFF header") << riff << QStringLiteral("no format chunk");
    QTest::newRow("no data chunk") << riff + fmt << QStringLiteral("no data chunk");
    QTest::newRow("format cut short") << riff + fmt.left(14) << QStringLiteral("format chunk is too short");
    QTest::newRow("data cut off") << riff + fmt + QByteArray("data\x00\x10\x00\x00", 8) << QStringLiteral("data chunk is missing");
    QTest::newRow("no channels") << riff + QByteArray(fmt).replace(10, 2, QByteArray(2, '\0')) + QByteArray("data\x02\x00\x00\x00\x01\x02", 10)
                                 << QStringLiteral("0 channels");
    // Rates no sound has, where rate × channels × bytes no longer fits 32 bits.
    const QByteArray data = QByteArray("data\x02\x00\x00\x00\x01\x02", 10);
    QTest::newRow("rate of 3 GHz") << riff + QByteArray(fmt).replace(12, 4, QByteArray("\x00\x5e\xd0\xb2", 4)) + data
                                   << QStringLiteral("a rate of 3000000000 Hz");
    QTest::newRow("rate of 1 MHz") << riff + QByteArray(fmt).replace(12, 4, QByteArray("\x40\x42\x0f\x00", 4)) + data
                                   << QStringLiteral("a rate of 1000000 Hz");
}

void TestSoundFormats::aBrokenWaveFileIsRefusedByName()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    const QString file = m_dir.filePath(QStringLiteral("broken-%1.wav").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(contents);
    out.close();

    MediaPlayer player;
    QString message;
    try {
        player.render(file);
    } catch (const CourseError& error) {
        message = error.message();
    }
    QVERIFY2(message.contains(file), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(player.duration(), 0.0);

    // Nothing is left behind: the same player plays the next file.
    player.render(soxTone(QStringLiteral("after.wav"), { "-r", "22050", "-c", "1", "-b", "16" }, 1.0, 990));
    player.run();
    QVERIFY(m_probe.hears(990, 3000));
}

void TestSoundFormats::anMp3BehindAWaveNamePlays()
{
    // Files are told by their bytes: an MP3 that was given a WAVE name plays as the MP3 it is.
    const QString source = soxTone(QStringLiteral("mp3src.wav"), { "-r", "22050", "-c", "1", "-b", "16" }, 1.5, 770);
    const QString file = m_dir.filePath(QStringLiteral("reallyanmp3.wav"));
    run(QStringLiteral("ffmpeg"), { "-loglevel", "error", "-y", "-i", source, "-f", "mp3", file });
    MediaPlayer player;
    player.render(file);
    QVERIFY2(std::abs(player.duration() - 1.5) <= 0.08, qPrintable(QString::number(player.duration())));
    player.run();
    QVERIFY(m_probe.hears(770, 3000));
    QVERIFY(player.completed(10000));
}

QTEST_MAIN(TestSoundFormats)
#include "tst_soundformats.moc"
