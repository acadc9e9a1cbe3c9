// Disc images made record by record to hurt whoever reads them: a Rock Ridge name entry
// too short for its fields, folders by the thousand, trees past the budgets, loops,
// associated files, names sharing and overlapping one extent. Each is read by the reader
// process and refused with the image named, or read as far as it holds up; copies never
// take more than the image, and all images' copies stay within the cache's limit.
#include "CourseError.h"
#include "CourseFolder.h"
#include "CourseImage.h"
#include "DiscImageMaker.h"
#include "DiscStreams.h"
#include "FixtureCourse.h"
#include "Trace.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Record = CraftedDisc::Record;

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Record named(const QByteArray& name, int data, quint8 flags = 0)
{
    Record r = CraftedDisc::file(name, data);
    r.flags = flags;
    return r;
}

// A disc of the shape SHAPE, written to IMAGE.
void craft(const QString& shape, const QString& image)
{
    if (shape.startsWith(QLatin1String("short Rock Ridge name"))) {
        CraftedDisc disc(true);
        const int data = disc.addData("contenido");
        Record bad = CraftedDisc::file("BBM.MDB;1", data);
        // Its length byte (4 unless the shape says), then the rest of a good entry.
        const int length = shape.section(QLatin1Char(' '), 4, 4).isEmpty() ? 4 : shape.section(QLatin1Char(' '), 4, 4).toInt();
        bad.systemUse = CraftedDisc::nm("bbm.mdb", length);
        disc.addFolder({ bad });
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("Rock Ridge names")) {
        CraftedDisc disc(true);
        const int data = disc.addData("contenido");
        Record good = CraftedDisc::file("BBM.MDB;1", data);
        good.systemUse = CraftedDisc::nm("bbm.mdb") + CraftedDisc::nm("");
        disc.addFolder({ good });
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("8000 empty folders")) {
        CraftedDisc disc;
        QList<Record> root;
        for (int i = 0; i < 8000; ++i)
            root << CraftedDisc::folder(QByteArray::number(i), i + 1);
        disc.addFolder(root);
        for (int i = 0; i < 8000; ++i)
            disc.addFolder({});
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("over 100000 entries")) {
        CraftedDisc disc;
        const int data = disc.addData("x");
        QList<Record> root;
        for (int i = 0; i <= 100000; ++i)
            root << CraftedDisc::file("F" + QByteArray::number(i) + ";1", data);
        disc.addFolder(root);
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("folder of 65 MiB")) {
        CraftedDisc disc;
        Record huge = CraftedDisc::folder("HUGE", -1);
        huge.sector = 1000; // past the end: the budget refuses it before it is read
        huge.size = 65u << 20;
        disc.addFolder({ huge });
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("65 folders deep")) {
        CraftedDisc disc;
        for (int depth = 0; depth <= 65; ++depth)
            disc.addFolder(depth < 65 ? QList<Record> { CraftedDisc::folder("D", depth + 1) } : QList<Record> {});
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("folder looping to the root")) {
        CraftedDisc disc;
        const int data = disc.addData("contenido");
        disc.addFolder({ CraftedDisc::file("BBM.MDB;1", data), CraftedDisc::folder("SUB", 1) });
        disc.addFolder({ CraftedDisc::folder("ARRIBA", 0), CraftedDisc::folder("AQUI", 1) });
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("associated file first")) {
        CraftedDisc disc;
        const int fork = disc.addData("recurso");
        const int data = disc.addData("contenido");
        disc.addFolder({ named("BBM.MDB;1", fork, 0x04), named("BBM.MDB;1", data) });
        QVERIFY(disc.writeTo(image));
    } else if (shape == QLatin1String("file in two extents")) {
        CraftedDisc disc;
        const int first = disc.addData(QByteArray(2048, 'a'));
        disc.addData(QByteArray("bc"));
        Record head = named("BBM.MDB;1", first, 0x80);
        Record tail = named("BBM.MDB;1", first + 1);
        disc.addFolder({ head, tail });
        QVERIFY(disc.writeTo(image));
    } else {
        QFAIL(qPrintable(shape));
    }
}

} // namespace

class DiscTreeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

    // Each shape: refused as a damaged image naming the image (the reason in the trace),
    // or read with the files it holds up to.
    void craftedTrees_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("NM entry of 4 bytes") << "short Rock Ridge name" << "NM entry of 4 bytes" << QStringList() << QByteArray();
        for (int length = 0; length < 4; ++length)
            QTest::addRow("NM entry of %d bytes", length) << QStringLiteral("short Rock Ridge name %1").arg(length)
                                                         << QStringLiteral("NM entry of %1 bytes").arg(length) << QStringList() << QByteArray();
        QTest::newRow("Rock Ridge name in two entries") << "Rock Ridge names" << "" << QStringList { "bbm.mdb" } << QByteArray("contenido");
        QTest::newRow("8000 sibling folders") << "8000 empty folders" << "" << QStringList() << QByteArray();
        QTest::newRow("100001 entries") << "over 100000 entries" << "more than 100000 entries" << QStringList() << QByteArray();
        QTest::newRow("65 MiB of records") << "folder of 65 MiB" << "more than 64 MiB" << QStringList() << QByteArray();
        QTest::newRow("65 deep") << "65 folders deep" << "more than 64 deep" << QStringList() << QByteArray();
        QTest::newRow("loop") << "folder looping to the root" << "" << QStringList { "BBM.MDB" } << QByteArray("contenido");
        QTest::newRow("associated file") << "associated file first" << "" << QStringList { "BBM.MDB" } << QByteArray("contenido");
        QTest::newRow("two extents") << "file in two extents" << "" << QStringList { "BBM.MDB" } << QByteArray(2048, 'a') + "bc";
    }
    void craftedTrees()
    {
        QFETCH(QString, shape);
        QFETCH(QString, refusal);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("evil.iso"));
        craft(shape, image);
        const QString traceFile = dir.filePath(QStringLiteral("trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        try {
            const CourseImage opened(image, dir.filePath(QStringLiteral("cache/")), &trace);
            QVERIFY2(refusal.isEmpty(), qPrintable(QStringLiteral("opened, where it is refused for: ") + refusal));
            QCOMPARE(opened.files(), files);
            if (!content.isEmpty())
                QCOMPARE(fileBytes(opened.localFile(files.first())), content);
            if (shape == QLatin1String("8000 empty folders"))
                QVERIFY(!opened.find({ QStringLiteral("7999") }).isEmpty());
            if (shape == QLatin1String("folder looping to the root")) {
                QCOMPARE(opened.find({ QStringLiteral("SUB"), QStringLiteral("ARRIBA") }), QStringLiteral("SUB/ARRIBA"));
                QVERIFY(opened.find({ QStringLiteral("SUB"), QStringLiteral("ARRIBA"), QStringLiteral("BBM.MDB") }).isEmpty());
            }
        } catch (const DamagedDiscImage& damaged) {
            QVERIFY2(!refusal.isEmpty(), qPrintable(damaged.reason()));
            QCOMPARE(damaged.message(), QStringLiteral("La imagen del disco está dañada: ") + image);
            QVERIFY2(damaged.reason().contains(refusal), qPrintable(damaged.reason()));
            const QList<QJsonObject> events = readTrace(traceFile, QStringLiteral("disc.damaged"));
            QCOMPARE(events.size(), 1);
            QCOMPARE(events.first().value(QStringLiteral("image")).toString(), image);
            QCOMPARE(events.first().value(QStringLiteral("reason")).toString(), damaged.reason());
        }
    }

    // tamsel-import on the image that overflows a reader trusting its Rock Ridge entries:
    // refused, the image named and the reason told, never ended by a signal.
    void importRefusesCraftedImage()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("evil.iso"));
        craft(QStringLiteral("short Rock Ridge name"), image);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("xdg")));
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(IMPORT_TOOL), { image, dir.filePath(QStringLiteral("out")) });
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(error.contains(QStringLiteral("La imagen del disco está dañada: ") + image) && error.contains(QLatin1String("NM entry of 4 bytes")),
            qPrintable(error));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out"))));
    }

    // A player killed while it copied leaves its unfinished copy behind: the next player
    // neither counts it as a copy of the image (which would make every later copy seem to
    // overflow the image) nor keeps it; a copy of a player still running stays.
    void aCopyCutByAKillIsNotTakenForOne()
    {
        QTemporaryDir dir;
        CraftedDisc disc;
        const QList<Record> root { CraftedDisc::file("BBM.MDB;1", disc.addData("contenido")),
            CraftedDisc::file("A.BMP;1", disc.addData(QByteArray(40000, 'a'))), CraftedDisc::file("B.BMP;1", disc.addData(QByteArray(40000, 'b'))) };
        disc.addFolder(root);
        const QString image = dir.filePath(QStringLiteral("curso.iso"));
        disc.writeTo(image);
        const QString cache = dir.filePath(QStringLiteral("cache/"));
        QString extents;
        {
            const CourseFolder course(std::make_shared<const CourseImage>(image, cache));
            course.require(QStringLiteral("a.bmp"));
        }
        QDirIterator folders(cache, { QStringLiteral("extents") }, QDir::Dirs, QDirIterator::Subdirectories);
        QVERIFY(folders.hasNext());
        extents = folders.next();
        QProcess gone;
        gone.start(QStringLiteral("true"), QStringList());
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString stale = extents + QStringLiteral("/99-%1.part-%2-1").arg(QFileInfo(image).size() * 2).arg(deadPid);
        const QString running = extents + QStringLiteral("/98-10.part-%1-1").arg(QCoreApplication::applicationPid());
        for (const QString& part : { stale, running }) {
            QFile out(part);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QVERIFY(out.resize(part == stale ? QFileInfo(image).size() * 2 : 10));
        }
        const CourseFolder course(std::make_shared<const CourseImage>(image, cache));
        QCOMPARE(QFileInfo(course.require(QStringLiteral("b.bmp"))).size(), 40000);
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(running));
    }

    // 200 names of one extent: copied once, the names links to it, for the player and for
    // tamsel-import alike. Names on overlapping extents: refused once their copies would
    // take more than the image (by tamsel-import before it writes anything).
    void sharedAndOverlappingExtents()
    {
        QTemporaryDir dir;
        const QByteArray bytes = QByteArray(1 << 20, 'm');
        const auto imageOf = [&](const QString& name, int overlaps) {
            CraftedDisc disc;
            const int data = disc.addData(bytes);
            QList<Record> root { CraftedDisc::file("BBM.MDB;1", disc.addData("contenido")) };
            for (int i = 0; i < 200; ++i)
                root << CraftedDisc::file("M" + QByteArray::number(i) + ".WAV;1", data);
            const qsizetype records = root.size();
            for (int i = 1; i <= overlaps; ++i)
                root << CraftedDisc::file("O" + QByteArray::number(i) + ".WAV;1", data);
            disc.addFolder(root);
            // Where the big extent lies is known once laid out: the overlapping names
            // start inside it and run to its end.
            const quint32 start = quint32(disc.bytes().indexOf(bytes.left(4096)) / 2048);
            for (int i = 1; i <= overlaps; ++i) {
                root[records + i - 1].data = -1;
                root[records + i - 1].sector = start + quint32(i);
                root[records + i - 1].size = quint32(bytes.size() - i * 2048);
            }
            CraftedDisc laid;
            laid.addData(bytes);
            laid.addData("contenido");
            laid.addFolder(root);
            const QString image = dir.filePath(name);
            laid.writeTo(image);
            return image;
        };
        const QString shared = imageOf(QStringLiteral("mismo.iso"), 0);
        const QString overlapping = imageOf(QStringLiteral("solapado.iso"), 3);
        const QString cache = dir.filePath(QStringLiteral("cache/"));
        {
            const CourseFolder course(std::make_shared<const CourseImage>(overlapping, cache));
            // Sounds this large are played while copied: their copies are waited for here.
            for (int i = 0; i < 200; ++i) {
                const QString copy = course.require(QStringLiteral("m%1.wav").arg(i));
                QVERIFY(DiscStreams::finish(copy));
                QCOMPARE(QFileInfo(copy).size(), bytes.size());
            }
            QVERIFY(DiscCache::bytesIn(cache) < 2 * bytes.size());
            // The image holds 1 MiB and a little: no second copy of that size fits.
            try {
                course.require(QStringLiteral("o1.wav"));
                QFAIL("a copy past the image's size was made");
            } catch (const CourseError& error) {
                QVERIFY2(error.message().contains(overlapping) && error.message().contains(QLatin1String("overlap")), qPrintable(error.message()));
            }
            QVERIFY(DiscCache::bytesIn(cache) <= QFileInfo(overlapping).size());
        }

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("xdg")));
        const auto import = [&](const QString& image, const QString& out) {
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.start(QStringLiteral(IMPORT_TOOL), { image, out });
            return tool.waitForFinished(60000) ? tool.exitCode() : -1;
        };
        const QString out = dir.filePath(QStringLiteral("out"));
        QCOMPARE(import(shared, out), 0);
        QCOMPARE(fileBytes(out + QStringLiteral("/M199.WAV")), bytes);
        QVERIFY(DiscCache::bytesIn(out) < 2 * bytes.size());
        QCOMPARE(import(overlapping, dir.filePath(QStringLiteral("out2"))), 1);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out2"))));
    }

    // All images' copies within the limit: a later image's copy takes the place of the
    // oldest image's, never of one a running player holds; what does not fit is refused.
    void cacheLimit()
    {
        QTemporaryDir dir;
        const QString cache = dir.filePath(QStringLiteral("cache/"));
        const auto imageOf = [&](const QString& name, char fill) {
            CraftedDisc disc;
            disc.addFolder({ CraftedDisc::file("FONDO.WAV;1", disc.addData(QByteArray(300000, fill))) });
            const QString image = dir.filePath(name);
            disc.writeTo(image);
            return image;
        };
        const QString first = imageOf(QStringLiteral("uno.iso"), '1');
        const QString second = imageOf(QStringLiteral("dos.iso"), '2');
        const qint64 limit = 500000;
        const auto folders = [&] { return QDir(cache + QStringLiteral("discs")).entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
        {
            const CourseImage held(first, cache, nullptr, limit);
            held.localFile(QStringLiteral("FONDO.WAV"));
            const CourseImage other(second, cache, nullptr, limit);
            QVERIFY_THROWS_EXCEPTION(CourseError, other.localFile(QStringLiteral("FONDO.WAV")));
            QCOMPARE(folders().size(), 2);
        }
        const CourseImage later(second, cache, nullptr, limit);
        QCOMPARE(fileBytes(later.localFile(QStringLiteral("FONDO.WAV"))), QByteArray(300000, '2'));
        QCOMPARE(folders().size(), 1);
        QVERIFY(folders().first().startsWith(QLatin1String("dos.iso-")));
        QVERIFY(DiscCache::bytesIn(cache) <= limit);
        QCOMPARE(CourseImage::cacheLimit(QStringLiteral(" 10 ")), qint64(10) << 20);
        QCOMPARE(CourseImage::cacheLimit(QStringLiteral("mucho")), DiscCache::DefaultLimitMiB << 20);
    }
};

QTEST_GUILESS_MAIN(DiscTreeTest)
#include "tst_disctree.moc"
