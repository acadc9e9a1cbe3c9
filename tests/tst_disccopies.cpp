// The copies taken out of a disc image on a slow medium: made in the background, they
// hold back while a player reads off the image or the window waits for a small file; they
// are not synced one by one, yet never trusted after a restart that may have lost them; a
// copy left unfinished by a player killed meanwhile never refuses the file; a picture the
// cache cannot hold is read off the image; a link planted in the cache is never followed.
#include "CourseError.h"
#include "CourseFolder.h"
#include "CourseImage.h"
#include "DiscCache.h"
#include "DiscImageMaker.h"
#include "DiscReadPriority.h"
#include "DiscStreams.h"
#include "PictureFile.h"
#include "Trace.h"
#include "UnsyncedCopies.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utime.h>

namespace {

constexpr qint64 kVideoBytes = 4 << 20;
// No copy of the picture fits.
constexpr qint64 kNoRoom = qint64(1) << 20;

QByteArray contentOf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray noise(const QByteArray& seed, qint64 size)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; bytes.size() < size; ++i)
        bytes += QCryptographicHash::hash(seed + QByteArray::number(i), QCryptographicHash::Sha1);
    bytes.truncate(size);
    return bytes;
}

bool put(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void age(const QString& file, int seconds)
{
    const time_t then = time(nullptr) - seconds;
    const utimbuf times { then, then };
    ::utime(QFile::encodeName(file).constData(), &times);
}

// The number of a process that has ended.
qint64 endedProcess()
{
    QProcess done;
    done.start(QStringLiteral("true"), {});
    done.waitForStarted();
    const qint64 pid = done.processId();
    done.waitForFinished();
    return pid;
}

} // namespace

class TestDiscCopies : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void backgroundCopyHoldsBackForReads_data();
    void backgroundCopyHoldsBackForReads();
    void copiesOfAnEarlierBootAreMadeAgain_data();
    void copiesOfAnEarlierBootAreMadeAgain();
    void leftoverPartsNeverRefuseACopy_data();
    void leftoverPartsNeverRefuseACopy();
    void pictureLargerThanTheCacheIsReadOffTheImage();
    void pictureTheCacheDiscCannotTakeIsReadOffTheImage();
    void linksPlantedInTheCacheAreNeverFollowed_data();
    void linksPlantedInTheCacheAreNeverFollowed();

private:
    QString cache(const QString& name) const { return m_dir.filePath(QStringLiteral("cache-%1/").arg(name).replace(QLatin1Char(' '), QLatin1Char('-'))); }

    QTemporaryDir m_dir;
    QString m_image;
    QByteArray m_video;
    QByteArray m_data;
    QImage m_picture;
};

void TestDiscCopies::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString source = m_dir.filePath(QStringLiteral("disc/"));
    m_video = noise("video", kVideoBytes);
    m_data = noise("data", 300000);
    // Larger than the cache of kNoRoom, as a period background picture can be.
    m_picture = QImage(700, 520, QImage::Format_RGB888);
    for (int y = 0; y < m_picture.height(); ++y)
        for (int x = 0; x < m_picture.width(); ++x)
            m_picture.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256));
    QVERIFY(put(source + QStringLiteral("VIDEO/CLIP.AVI"), m_video) && put(source + QStringLiteral("DATOS.MDB"), m_data));
    QVERIFY(QDir().mkpath(source + QStringLiteral("FONDOS")) && m_picture.save(source + QStringLiteral("FONDOS/GRANDE.BMP"), "BMP"));
    QVERIFY(QFileInfo(source + QStringLiteral("FONDOS/GRANDE.BMP")).size() > kNoRoom);
    m_image = m_dir.filePath(QStringLiteral("curso.iso"));
    const QString made = DiscImageMaker::make(source, m_image, DiscImageMaker::Kind::Joliet);
    QVERIFY2(made.isEmpty(), qPrintable(made));
}

void TestDiscCopies::backgroundCopyHoldsBackForReads_data()
{
    QTest::addColumn<bool>("streamed");
    QTest::newRow("a player reads off the image") << true;
    QTest::newRow("the window waits for a copy") << false;
}

void TestDiscCopies::backgroundCopyHoldsBackForReads()
{
    QFETCH(bool, streamed);
    const CourseImage disc(m_image, cache(QString::fromLatin1(QTest::currentDataTag())));
    const QString copy = disc.folder() + QStringLiteral("VIDEO/CLIP.AVI");
    const QString extents = QDir::cleanPath(disc.folder() + QStringLiteral("../extents"));
    auto partBytes = [&] {
        qint64 bytes = 0;
        for (const QFileInfo& part : QDir(extents).entryInfoList({ QStringLiteral("*.part-*") }, QDir::Files))
            bytes += part.size();
        return bytes;
    };
    {
        std::optional<DiscReadPriority::Foreground> waited;
        if (streamed)
            DiscReadPriority::noteRead();
        else
            waited.emplace();
        QCOMPARE(disc.localPath({ QStringLiteral("VIDEO"), QStringLiteral("CLIP.AVI") }, CourseImage::Unreadable::AsDamaged), copy);
        QVERIFY(DiscStreams::isStreamed(copy));
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 600) {
            if (streamed)
                DiscReadPriority::noteRead();
            QTest::qWait(20);
        }
        // A read of its own at most, then it held back.
        QVERIFY2(partBytes() <= 64 * 2048, qPrintable(QString::number(partBytes())));
        QVERIFY(!QFileInfo(copy).isFile());
        if (streamed) {
            // Waited for, it holds back no more, however much is read meanwhile.
            QTimer reads;
            connect(&reads, &QTimer::timeout, this, [] { DiscReadPriority::noteRead(); });
            reads.start(20);
            QVERIFY(DiscStreams::finish(copy));
        }
    }
    // Left alone, it ends.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(copy).isFile(), 10000);
    QCOMPARE(contentOf(copy), m_video);
}

void TestDiscCopies::copiesOfAnEarlierBootAreMadeAgain_data()
{
    QTest::addColumn<QString>("boot");
    QTest::addColumn<bool>("madeAgain");
    QTest::newRow("written out as the last player ended") << QString() << false;
    QTest::newRow("marked by this boot: still in memory") << UnsyncedCopies::bootId() << false;
    QTest::newRow("marked by an earlier boot: maybe lost") << QStringLiteral("0f0e0d0c-earlier-boot") << true;
}

void TestDiscCopies::copiesOfAnEarlierBootAreMadeAgain()
{
    QFETCH(QString, boot);
    QFETCH(bool, madeAgain);
    const QString folder = cache(QString::fromLatin1(QTest::currentDataTag()));
    QString copy;
    QString imageFolder;
    {
        const CourseImage disc(m_image, folder);
        copy = disc.localFile(QStringLiteral("DATOS.MDB"));
        imageFolder = QDir::cleanPath(disc.folder() + QStringLiteral("..")) + QLatin1Char('/');
        // Not synced: marked as not written out while the player runs.
        QVERIFY(QFileInfo::exists(imageFolder + QStringLiteral(".unsynced-") + UnsyncedCopies::bootId()));
    }
    // The last player to end wrote it out and took the mark away.
    QVERIFY(QDir(imageFolder).entryList({ QStringLiteral(".unsynced-*") }, QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(contentOf(copy), m_data);

    // What a machine stopped before writing it out may leave: the right size, no content.
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(put(copy, QByteArray(m_data.size(), '\0')));
    if (!boot.isEmpty())
        QVERIFY(put(imageFolder + QStringLiteral(".unsynced-") + boot, {}));
    const QString tracePath = m_dir.filePath(QStringLiteral("%1.jsonl").arg(QString::fromLatin1(QTest::currentDataTag())).replace(QLatin1Char(' '), QLatin1Char('-')));
    Trace trace;
    QVERIFY(trace.open(tracePath));
    const CourseImage again(m_image, folder, &trace);
    QCOMPARE(contentOf(again.localFile(QStringLiteral("DATOS.MDB"))) == m_data, madeAgain);
    QCOMPARE(contentOf(tracePath).contains("\"disc.unsynced\""), madeAgain);
    QVERIFY(!QFileInfo::exists(imageFolder + QStringLiteral(".unsynced-0f0e0d0c-earlier-boot")));
}

void TestDiscCopies::leftoverPartsNeverRefuseACopy_data()
{
    QTest::addColumn<qint64>("pid");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("removed");
    QTest::newRow("of a player killed while it copied") << endedProcess() << 0 << false << true;
    QTest::newRow("its number taken by another process, long unwritten") << qint64(1) << 600 << false << true;
    QTest::newRow("its number taken by another process, just now") << qint64(1) << 0 << false << false;
    QTest::newRow("being written by another player") << qint64(1) << 600 << true << false;
}

void TestDiscCopies::leftoverPartsNeverRefuseACopy()
{
    QFETCH(qint64, pid);
    QFETCH(int, ageSeconds);
    QFETCH(bool, locked);
    QFETCH(bool, removed);
    const QString folder = cache(QString::fromLatin1(QTest::currentDataTag()));
    CourseImage disc(m_image, folder);
    const DiscImage::Entry entry = disc.entry(QStringLiteral("DATOS.MDB"));
    const QString extents = QDir::cleanPath(disc.folder() + QStringLiteral("../extents")) + QLatin1Char('/');
    // As large as the image: were it counted as a copy, no other would fit.
    const QString part = extents + QStringLiteral("%1-%2.part-%3-7").arg(entry.sector).arg(entry.size).arg(pid);
    QVERIFY(put(part, QByteArray(disc.size(), 'x')));
    age(part, ageSeconds);
    const int writer = locked ? ::open(QFile::encodeName(part).constData(), O_RDONLY | O_CLOEXEC) : -1;
    if (locked)
        QVERIFY(::flock(writer, LOCK_EX | LOCK_NB) == 0);

    QCOMPARE(contentOf(disc.localFile(QStringLiteral("DATOS.MDB"))), m_data);
    QCOMPARE(QFileInfo::exists(part), !removed);
    QCOMPARE(DiscCache::bytesIn(extents, DiscCache::Parts::Skipped), qint64(m_data.size()));
    if (writer >= 0)
        ::close(writer);
}

void TestDiscCopies::pictureLargerThanTheCacheIsReadOffTheImage()
{
    const auto disc = std::make_shared<const CourseImage>(m_image, cache(QStringLiteral("small")), nullptr, kNoRoom);
    const CourseFolder course(disc);
    for (const QString& file : { course.require(QStringLiteral("fondos\\grande.bmp")), course.resolve(QStringLiteral("FONDOS/GRANDE.BMP")) }) {
        QVERIFY2(!QFileInfo::exists(file), "no copy fits");
        QString why;
        const QImage read = PictureFile::read(file, &why);
        QVERIFY2(!read.isNull(), qPrintable(why));
        QCOMPARE(read.convertToFormat(QImage::Format_RGB888), m_picture);
    }
    // What needs a whole file says it cannot have one, naming the setting.
    QVERIFY_THROWS_EXCEPTION(CourseError, disc->localFile(QStringLiteral("FONDOS/GRANDE.BMP")));
}

void TestDiscCopies::pictureTheCacheDiscCannotTakeIsReadOffTheImage()
{
    // A full disc, as the copy meets it: a write that fails part-way (here at 64 KiB, the
    // size the process may write a file to), the cache's own limit far away.
    const auto disc = std::make_shared<const CourseImage>(m_image, cache(QStringLiteral("full disc")), nullptr, kVideoBytes * 16);
    const CourseFolder course(disc);
    rlimit before {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = before;
    full.rlim_cur = 64 * 1024;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
    QString file, failed;
    try {
        file = course.require(QStringLiteral("FONDOS/GRANDE.BMP"));
    } catch (const CourseError& error) {
        failed = error.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QString why;
    const QImage read = PictureFile::read(file, &why);
    QVERIFY2(!read.isNull(), qPrintable(why));
    QCOMPARE(read.convertToFormat(QImage::Format_RGB888), m_picture);
    // Nothing half-written is left to be taken for the copy.
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(QDir(cache(QStringLiteral("full disc"))).entryList({ QStringLiteral("*.part*") }, QDir::Files).isEmpty());
}

void TestDiscCopies::linksPlantedInTheCacheAreNeverFollowed_data()
{
    QTest::addColumn<QString>("linked");
    QTest::addColumn<QString>("boot");
    const QString earlier = QStringLiteral("0f0e0d0c-earlier-boot");
    for (const QString& linked : { QStringLiteral("extents"), QStringLiteral("files") }) {
        QTest::addRow("%s, same boot", qPrintable(linked)) << linked << UnsyncedCopies::bootId();
        QTest::addRow("%s, copies of an earlier boot thrown away", qPrintable(linked)) << linked << earlier;
    }
}

void TestDiscCopies::linksPlantedInTheCacheAreNeverFollowed()
{
    QFETCH(QString, linked);
    QFETCH(QString, boot);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    const QString folder = cache(tag);
    QString imageFolder;
    QString extentName;
    {
        const CourseImage disc(m_image, folder);
        const DiscImage::Entry entry = disc.entry(QStringLiteral("DATOS.MDB"));
        extentName = QStringLiteral("%1-%2").arg(entry.sector).arg(entry.size);
        QCOMPARE(contentOf(disc.localFile(QStringLiteral("DATOS.MDB"))), m_data);
        imageFolder = QDir::cleanPath(disc.folder() + QStringLiteral("..")) + QLatin1Char('/');
    }
    // Another folder of the user's, holding files named as the copies are and others.
    const QString victim = m_dir.filePath(QStringLiteral("victim-%1/").arg(tag));
    const QStringList names { extentName, extentName + QStringLiteral(".part-1-1"), QStringLiteral("DATOS.MDB"), QStringLiteral("otro") };
    for (const QString& name : names)
        QVERIFY(put(victim + name, "victima"));
    const QString place = imageFolder + linked;
    for (const QString& sub : { QStringLiteral("extents"), QStringLiteral("files") }) {
        const QString gone = imageFolder + sub;
        for (const QString& copy : QDir(gone).entryList(QDir::Files))
            QFile::setPermissions(gone + QLatin1Char('/') + copy, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QDir(gone).removeRecursively());
    }
    QVERIFY(QFile::link(QDir::cleanPath(victim), place));
    QVERIFY(put(imageFolder + QStringLiteral(".unsynced-") + boot, {}));

    {
        const CourseImage again(m_image, folder);
        QCOMPARE(contentOf(again.localFile(QStringLiteral("DATOS.MDB"))), m_data);
    }
    // The link went, itself: a real folder holds the copies, and nothing it pointed at was touched.
    QVERIFY(!QFileInfo(place).isSymLink());
    QVERIFY(QFileInfo(place).isDir());
    QStringList kept = QDir(victim).entryList(QDir::Files);
    kept.sort();
    QStringList all = names;
    all.sort();
    QCOMPARE(kept, all);
    for (const QString& name : names)
        QCOMPARE(contentOf(victim + name), QByteArray("victima"));
}

QTEST_MAIN(TestDiscCopies)
#include "tst_disccopies.moc"
