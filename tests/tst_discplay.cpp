// Videos and sounds played straight off a disc image while their copies are still being
// made, or when no copy can be kept: they start, seek and sound as from a folder, and a
// part of the image that cannot be read ends them as a damaged file, told once.
#include "AudioProbe.h"
#include "CourseImage.h"
#include "DiscImageMaker.h"
#include "DiscStreams.h"
#include "MediaPlayer.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kOpenTimeoutMs = 8000;
constexpr int kVideoHz = 660;
constexpr int kSoundHz = 440;
constexpr int kAdpcmHz = 520;
// Smaller than either file: no copy can be kept, both are read off the image at every use.
constexpr qint64 kNoRoom = qint64(1) << 20;

void ffmpeg(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("ffmpeg"), QStringList { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y") } + arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        qFatal("ffmpeg failed: %s", tool.readAllStandardError().constData());
}

QByteArray bytesOf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QJsonObject> eventsIn(const QString& trace, const QString& name)
{
    QList<QJsonObject> found;
    QFile in(trace);
    if (!in.open(QIODevice::ReadOnly))
        return found;
    while (!in.atEnd()) {
        const QJsonObject event = QJsonDocument::fromJson(in.readLine()).object();
        if (event.value(QStringLiteral("ev")).toString() == name)
            found << event;
    }
    return found;
}

} // namespace

class TestDiscPlay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void playsWhileItIsRead_data();
    void playsWhileItIsRead();
    void aSoundToConvertWaitsForItsCopy();
    void imageCutShortWhilePlaying();
    void imageClosedWhilePlaying();

private:
    QTemporaryDir m_dir;
    AudioProbe m_probe;
    QString m_image;
    QByteArray m_video;
    QByteArray m_sound;
};

void TestDiscPlay::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
    const QString source = m_dir.filePath(QStringLiteral("disc"));
    QVERIFY(QDir().mkpath(source + QStringLiteral("/VIDEO")) && QDir().mkpath(source + QStringLiteral("/SONIDO")));
    // A video of the period's size per second, and a long sound: both over the size
    // that plays while copied.
    ffmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc=size=320x240:rate=25"),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=%1:sample_rate=44100").arg(kVideoHz),
        QStringLiteral("-t"), QStringLiteral("8"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("1"), QStringLiteral("-g"), QStringLiteral("1"),
        QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), source + QStringLiteral("/VIDEO/CLIP.AVI") });
    ffmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=%1:sample_rate=44100").arg(kSoundHz),
        QStringLiteral("-t"), QStringLiteral("12"), QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
        source + QStringLiteral("/SONIDO/LARGO.WAV") });
    // A period coding that plays from a converted copy only.
    ffmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=%1:sample_rate=22050").arg(kAdpcmHz),
        QStringLiteral("-t"), QStringLiteral("100"), QStringLiteral("-c:a"), QStringLiteral("adpcm_ms"), source + QStringLiteral("/SONIDO/ADPCM.WAV") });
    QVERIFY(QFileInfo(source + QStringLiteral("/SONIDO/ADPCM.WAV")).size() > kNoRoom);
    m_video = bytesOf(source + QStringLiteral("/VIDEO/CLIP.AVI"));
    m_sound = bytesOf(source + QStringLiteral("/SONIDO/LARGO.WAV"));
    QVERIFY(m_video.size() > kNoRoom && m_sound.size() > kNoRoom);
    m_image = m_dir.filePath(QStringLiteral("curso.iso"));
    const QString made = DiscImageMaker::make(source, m_image, DiscImageMaker::Kind::Joliet);
    QVERIFY2(made.isEmpty(), qPrintable(made));
}

void TestDiscPlay::playsWhileItIsRead_data()
{
    QTest::addColumn<qint64>("cacheLimit");
    QTest::newRow("copied in the background") << qint64(CourseImage::cacheLimit(QString()));
    QTest::newRow("no room for a copy: read off the image") << kNoRoom;
}

void TestDiscPlay::playsWhileItIsRead()
{
    QFETCH(qint64, cacheLimit);
    const QString cache = m_dir.filePath(QStringLiteral("cache-%1/").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
    const CourseImage disc(m_image, cache, nullptr, cacheLimit);
    const bool kept = cacheLimit != kNoRoom;

    const QString video = disc.localPath({ QStringLiteral("VIDEO"), QStringLiteral("CLIP.AVI") }, CourseImage::Unreadable::AsDamaged);
    QCOMPARE(video, disc.folder() + QStringLiteral("VIDEO/CLIP.AVI"));
    // Given without waiting for its copy.
    QVERIFY(QFileInfo(video).isFile() || DiscStreams::isStreamed(video));
    VideoPlayer player;
    player.resize(80, 60);
    player.show();
    player.setFileName(video);
    QTRY_COMPARE_WITH_TIMEOUT(player.readyState(), int(VideoPlayer::Interactive), kOpenTimeoutMs);
    QCOMPARE(player.naturalWidth(), 320);
    QVERIFY2(std::abs(player.duration() - 8.0) < 0.2, qPrintable(QString::number(player.duration())));
    player.run();
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0.5, kOpenTimeoutMs);
    QVERIFY(m_probe.hears(kVideoHz, 5000));
    if (!kept)
        QVERIFY2(!QFileInfo::exists(video), "played while no copy of it is there");
    // Seeking while playing, forward and back.
    player.setPosition(5.0);
    QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 5.0 && player.position() < 7.0, kOpenTimeoutMs);
    player.setPosition(1.0);
    QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 1.0 && player.position() < 3.0, kOpenTimeoutMs);
    QVERIFY(player.message().isEmpty());
    player.stop();

    const QString sound = disc.localPath({ QStringLiteral("SONIDO"), QStringLiteral("LARGO.WAV") }, CourseImage::Unreadable::AsDamaged);
    MediaPlayer channel;
    channel.render(sound);
    QVERIFY2(std::abs(channel.duration() - 12.0) < 0.1, qPrintable(QString::number(channel.duration())));
    channel.run();
    QVERIFY(m_probe.hears(kSoundHz, 5000));
    // Seeks are told by the position: whether the sound is heard at once after a seek
    // is the player's own matter, the same for a file as for the image.
    channel.setPosition(9.0);
    QTRY_VERIFY_WITH_TIMEOUT(channel.position() >= 9.0 && channel.position() < 11.0, kOpenTimeoutMs);
    if (!kept)
        QVERIFY2(!QFileInfo::exists(sound), "played while no copy of it is there");
    channel.release();

    if (kept) {
        // The copies end as the disc holds them, and are what later uses get.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(video).isFile() && QFileInfo(sound).isFile(), 10000);
        QCOMPARE(bytesOf(video), m_video);
        QCOMPARE(bytesOf(sound), m_sound);
        QVERIFY(!DiscStreams::isStreamed(video));
        QCOMPARE(disc.localFile(QStringLiteral("VIDEO/CLIP.AVI")), video);
    }
}

void TestDiscPlay::aSoundToConvertWaitsForItsCopy()
{
    const CourseImage disc(m_image, m_dir.filePath(QStringLiteral("cache-adpcm/")));
    const QString sound = disc.localPath({ QStringLiteral("SONIDO"), QStringLiteral("ADPCM.WAV") }, CourseImage::Unreadable::AsDamaged);
    QVERIFY(QFileInfo(sound).isFile() || DiscStreams::isStreamed(sound));
    MediaPlayer channel;
    channel.render(sound);
    // Converted from the whole copy, which is there once the sound is ready.
    QVERIFY(QFileInfo(sound).isFile());
    QVERIFY(!DiscStreams::isStreamed(sound));
    QVERIFY2(std::abs(channel.duration() - 100.0) < 0.1, qPrintable(QString::number(channel.duration())));
    channel.run();
    QVERIFY(m_probe.hears(kAdpcmHz, 5000));
    channel.release();
}

void TestDiscPlay::imageCutShortWhilePlaying()
{
    const QString image = m_dir.filePath(QStringLiteral("cortado.iso"));
    QFile::remove(image);
    QVERIFY(QFile::copy(m_image, image));
    QVERIFY(QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner));
    const QString tracePath = m_dir.filePath(QStringLiteral("cut.jsonl"));
    Trace trace;
    QVERIFY(trace.open(tracePath));
    const CourseImage disc(image, m_dir.filePath(QStringLiteral("cache-cut/")), &trace, kNoRoom);
    const QString video = disc.localPath({ QStringLiteral("VIDEO"), QStringLiteral("CLIP.AVI") }, CourseImage::Unreadable::AsDamaged);
    VideoPlayer player;
    player.setTrace(&trace);
    player.setFileName(video);
    QTRY_COMPARE_WITH_TIMEOUT(player.readyState(), int(VideoPlayer::Interactive), kOpenTimeoutMs);
    player.run();
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0.3, kOpenTimeoutMs);

    // The image loses all but the first half of the video while it plays.
    const DiscImage::Entry entry = disc.entry(QStringLiteral("VIDEO/CLIP.AVI"));
    const qint64 kept = entry.size / 2;
    QVERIFY(QFile::resize(image, qint64(entry.sector) * DiscImage::SectorSize + kept));
    QTRY_COMPARE_WITH_TIMEOUT(player.message(), QStringLiteral("No se puede reproducir el vídeo CLIP.AVI."), 15000);
    QCOMPARE(player.currentState(), int(VideoPlayer::Stopped));
    QTest::qWait(500);
    // Told once, by name and with what the image still holds of it.
    QList<QJsonObject> failures;
    for (const QJsonObject& event : eventsIn(tracePath, QStringLiteral("video")))
        if (!event.value(QStringLiteral("error")).toString().isEmpty())
            failures << event;
    QCOMPARE(failures.size(), 1);
    const QString error = failures.first().value(QStringLiteral("error")).toString();
    QVERIFY2(error.contains(QStringLiteral("\"VIDEO/CLIP.AVI\"")) && error.contains(QStringLiteral("(%1 of its %2 bytes are there)").arg(kept).arg(entry.size)),
        qPrintable(error));

    // The player goes on: another file plays.
    player.setFileName(disc.localPath({ QStringLiteral("SONIDO"), QStringLiteral("LARGO.WAV") }, CourseImage::Unreadable::AsDamaged));
    QVERIFY(player.message().isEmpty() || player.message() != QStringLiteral("No se puede reproducir el vídeo CLIP.AVI."));
}

void TestDiscPlay::imageClosedWhilePlaying()
{
    auto disc = std::make_unique<CourseImage>(m_image, m_dir.filePath(QStringLiteral("cache-closed/")), nullptr, kNoRoom);
    const QString sound = disc->localPath({ QStringLiteral("SONIDO"), QStringLiteral("LARGO.WAV") }, CourseImage::Unreadable::AsDamaged);
    MediaPlayer channel;
    channel.render(sound);
    channel.run();
    QVERIFY(m_probe.hears(kSoundHz, 5000));
    // Closed under the player: what it reads it reads on its own, seeks included.
    disc.reset();
    QVERIFY(!DiscStreams::isStreamed(sound));
    QVERIFY(m_probe.hears(kSoundHz, 5000));
    channel.setPosition(10.0);
    QTRY_VERIFY_WITH_TIMEOUT(channel.position() >= 10.0, kOpenTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(channel.position(), channel.duration(), 5000);
    channel.release();

    // A copy under way when the image is closed is given up, leaving nothing behind.
    const QString cache = m_dir.filePath(QStringLiteral("cache-given-up/"));
    disc = std::make_unique<CourseImage>(m_image, cache, nullptr, CourseImage::cacheLimit(QString()));
    disc->localPath({ QStringLiteral("VIDEO"), QStringLiteral("CLIP.AVI") }, CourseImage::Unreadable::AsDamaged);
    disc.reset();
    QDirIterator left(cache, { QStringLiteral("*.part-*") }, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(!left.hasNext());
}

QTEST_MAIN(TestDiscPlay)
#include "tst_discplay.moc"
