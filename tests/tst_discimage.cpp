// Courses straight from their disc image: images of every kind made by genisoimage and
// xorriso, the course's name rules inside them, each file read once into the cache and
// never again, the image never written; damaged, cut short and course-less images refused
// naming the image and what is missing, by the real player and by tamsel-import.
#include "CourseError.h"
#include "CourseFolder.h"
#include "CourseImage.h"
#include "Database.h"
#include "DiscImageMaker.h"
#include "FixtureCourse.h"
#include "JetFixture.h"
#include "Recordset.h"
#include "Trace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <utime.h>

using DiscImageMaker::Kind;

Q_DECLARE_METATYPE(DiscImageMaker::Kind)
Q_DECLARE_METATYPE(DiscImage::Names)

namespace {

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(), qPrintable(file));
}

// Bytes no other file of a test holds, so that where they lie in an image can be found.
QByteArray pattern(const QByteArray& seed, int size)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += QCryptographicHash::hash(seed + QByteArray::number(i), QCryptographicHash::Sha256);
    bytes.truncate(size);
    return bytes;
}

struct Fingerprint {
    QByteArray hash;
    QDateTime modified;
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

Fingerprint fingerprintOf(const QString& file)
{
    return { QCryptographicHash::hash(fileBytes(file), QCryptographicHash::Sha256), QFileInfo(file).lastModified() };
}

// A disc's files: upper-case 8.3 names as the period's discs have them, and one long
// mixed-case name with accents that only Joliet and Rock Ridge can keep.
struct DiscFolder {
    QTemporaryDir dir;
    QString source() const { return dir.filePath(QStringLiteral("disc")); }
    QString image() const { return dir.filePath(QStringLiteral("curso.iso")); }
    QString cache() const { return dir.filePath(QStringLiteral("cache/")); }

    DiscFolder()
    {
        writeFile(source() + QStringLiteral("/BBM.MDB"), pattern("content", 70000));
        writeFile(source() + QStringLiteral("/INST.INI"), "[PRMS]\r\ndirdef=CURSO\r\n");
        writeFile(source() + QStringLiteral("/SONIDOS/FONDO.WAV"), pattern("fondo", 300000));
        writeFile(source() + QStringLiteral("/FOTOS/MAPA.BMP"), pattern("mapa", 5000));
        writeFile(source() + QStringLiteral("/LEEME"), "sin extensión"); // "LEEME.;1" on a plain disc
        writeFile(source() + QStringLiteral("/Sonidos largos/Música de fondo.wav"), pattern("larga", 3000));
    }
};

} // namespace

class DiscImageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    // Every kind of disc: the course's names (any case, `\`, blanks) find the disc's files,
    // whose copies hold the disc's bytes; plain names lose their version; a name the disc
    // does not hold, or one that leaves the disc, is no file.
    void namesOfEveryKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<DiscImage::Names>("names");
        QTest::newRow("ISO 9660 level 1, 8.3 names with ;1") << Kind::Level1 << DiscImage::Names::Iso9660;
        QTest::newRow("ISO 9660 level 2") << Kind::Level2 << DiscImage::Names::Iso9660;
        QTest::newRow("ISO 9660 level 3") << Kind::Level3 << DiscImage::Names::Iso9660;
        QTest::newRow("Joliet") << Kind::Joliet << DiscImage::Names::Joliet;
        QTest::newRow("Rock Ridge") << Kind::RockRidge << DiscImage::Names::RockRidge;
        QTest::newRow("Rock Ridge and Joliet (xorriso)") << Kind::RockRidgeJoliet << DiscImage::Names::RockRidge;
    }
    void namesOfEveryKind()
    {
        QFETCH(Kind, kind);
        QFETCH(DiscImage::Names, names);
        DiscFolder disc;
        const QString made = DiscImageMaker::make(disc.source(), disc.image(), kind);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        auto image = std::make_shared<const CourseImage>(disc.image(), disc.cache());
        QCOMPARE(image->names(), names);
        const CourseFolder course(image);
        QCOMPARE(course.origin(), disc.image());

        const QStringList files = image->files();
        QVERIFY2(files.contains(QStringLiteral("BBM.MDB")), qPrintable(files.join(QLatin1Char(' '))));
        for (const QString& file : files)
            QVERIFY2(!file.contains(QLatin1Char(';')), qPrintable(file));

        const QString sound = course.resolve(QStringLiteral(" sonidos\\Fondo.wav "));
        QCOMPARE(fileBytes(sound), fileBytes(disc.source() + QStringLiteral("/SONIDOS/FONDO.WAV")));
        QCOMPARE(QFileInfo(sound).fileName(), QStringLiteral("FONDO.WAV")); // named as on the disc
        QCOMPARE(fileBytes(course.require(QStringLiteral("bbm.mdb"))), fileBytes(disc.source() + QStringLiteral("/BBM.MDB")));
        QCOMPARE(fileBytes(course.require(QStringLiteral("leeme"))), QByteArray("sin extensión"));
        QCOMPARE(fileBytes(course.require(QStringLiteral("fotos/../Fotos/./mapa.bmp"))), fileBytes(disc.source() + QStringLiteral("/FOTOS/MAPA.BMP")));
        if (names != DiscImage::Names::Iso9660) {
            const QString longName = course.require(QStringLiteral("SONIDOS LARGOS/música DE FONDO.WAV"));
            QCOMPARE(fileBytes(longName), fileBytes(disc.source() + QStringLiteral("/Sonidos largos/Música de fondo.wav")));
            QCOMPARE(QFileInfo(longName).fileName(), QStringLiteral("Música de fondo.wav"));
        }

        QVERIFY(!QFileInfo::exists(course.resolve(QStringLiteral("sonidos/nada.wav"))));
        QVERIFY(!QFileInfo::exists(course.resolve(QStringLiteral("nada/fondo.wav"))));
        QVERIFY(!QFileInfo::exists(course.resolve(QStringLiteral("bbm.mdb/fondo.wav"))));
        try {
            course.require(QStringLiteral("sonidos\\nada.wav"));
            QFAIL("a file the disc does not hold was found");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(QLatin1String("sonidos\\nada.wav")) && error.message().contains(disc.image()), qPrintable(error.message()));
        }
        QVERIFY_THROWS_EXCEPTION(CourseError, course.resolve(QStringLiteral("..\\curso.iso")));
        QVERIFY_THROWS_EXCEPTION(CourseError, course.resolve(QStringLiteral("c:\\lurva\\sir.wav")));
    }

    // Each file is read out of the image once: again in the same run, and in a later one,
    // its copy serves. A copy changed by hand is made again; a changed image gets a tree
    // and copies of its own. The image is never written.
    void readsNothingTwice()
    {
        DiscFolder disc;
        const QString made = DiscImageMaker::make(disc.source(), disc.image(), Kind::RockRidge);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const Fingerprint before = fingerprintOf(disc.image());
        const QString traceFile = disc.dir.filePath(QStringLiteral("trace.jsonl"));
        const auto reads = [&] { return readTrace(traceFile, QStringLiteral("disc.read")); };
        {
            Trace trace;
            QVERIFY(trace.open(traceFile));
            for (int run = 0; run < 2; ++run) {
                const CourseFolder course(std::make_shared<const CourseImage>(disc.image(), disc.cache(), &trace));
                for (int again = 0; again < 2; ++again) {
                    course.require(QStringLiteral("BBM.MDB"));
                    course.require(QStringLiteral("sonidos/fondo.wav"));
                }
            }
        }
        QList<QJsonObject> events = reads();
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[0].value(QStringLiteral("entry")).toString(), QString()); // the tree
        QCOMPARE(events[0].value(QStringLiteral("names")).toString(), QStringLiteral("Rock Ridge"));
        QCOMPARE(events[0].value(QStringLiteral("files")).toInt(), 6);
        QCOMPARE(events[1].value(QStringLiteral("entry")).toString(), QStringLiteral("BBM.MDB"));
        QCOMPARE(events[2].value(QStringLiteral("entry")).toString(), QStringLiteral("SONIDOS/FONDO.WAV"));
        QCOMPARE(events[2].value(QStringLiteral("bytes")).toInt(), 300000);
        QCOMPARE(events[2].value(QStringLiteral("image")).toString(), disc.image());
        const QString copy = events[2].value(QStringLiteral("copy")).toString();
        QVERIFY2(copy.startsWith(disc.cache() + QStringLiteral("discs/curso.iso-")), qPrintable(copy));
        // Only read from; nothing half-made is left beside it.
        QCOMPARE(QFileInfo(copy).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther | QFile::ReadOther), QFile::Permissions());
        QCOMPARE(QDir(QFileInfo(copy).path()).entryList(QDir::Files), QStringList { QStringLiteral("FONDO.WAV") });
        QCOMPARE(fingerprintOf(disc.image()), before);

        // A copy cut short by hand holds less than the disc: it is read again.
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::resize(copy, 1000));
        {
            Trace trace;
            QVERIFY(trace.open(traceFile));
            const CourseFolder course(std::make_shared<const CourseImage>(disc.image(), disc.cache(), &trace));
            QCOMPARE(fileBytes(course.require(QStringLiteral("sonidos/fondo.wav"))).size(), 300000);
        }
        events = reads();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].value(QStringLiteral("entry")).toString(), QStringLiteral("SONIDOS/FONDO.WAV"));

        // The same image changed (here only its time): read again, into a folder of its
        // own; what it held before goes, while another image's folder stays.
        const QString other = disc.dir.filePath(QStringLiteral("otro.iso"));
        QVERIFY(QFile::copy(disc.image(), other));
        CourseImage(other, disc.cache()).localFile(QStringLiteral("BBM.MDB"));
        const struct utimbuf later { 1000000000, 1000000000 };
        QVERIFY(::utime(QFile::encodeName(disc.image()).constData(), &later) == 0);
        {
            Trace trace;
            QVERIFY(trace.open(traceFile));
            const CourseFolder course(std::make_shared<const CourseImage>(disc.image(), disc.cache(), &trace));
            QVERIFY(course.require(QStringLiteral("sonidos/fondo.wav")) != copy);
        }
        QCOMPARE(reads().size(), 2);
        const QStringList folders = QDir(disc.cache() + QStringLiteral("discs")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(folders.size(), 2);
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(folders.first().startsWith(QLatin1String("curso.iso-")) && folders.last().startsWith(QLatin1String("otro.iso-")));
    }

    // A disc that goes bad while it plays (here: cut short under the open image): a file
    // that can no longer be read is, to a screen, a damaged file (empty, there), tried once
    // and the trace saying why once; require() names the image and the file. What was
    // read before still serves.
    void fileUnreadableWhilePlaying()
    {
        DiscFolder disc;
        const QString made = DiscImageMaker::make(disc.source(), disc.image(), Kind::Joliet);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const QString traceFile = disc.dir.filePath(QStringLiteral("trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        const CourseFolder course(std::make_shared<const CourseImage>(disc.image(), disc.cache(), &trace));
        const QString content = course.require(QStringLiteral("bbm.mdb"));
        const qsizetype at = fileBytes(disc.image()).indexOf(pattern("fondo", 300000).left(4096));
        QVERIFY(at > 0);
        QVERIFY(QFile::resize(disc.image(), at + 1000));

        const QString sound = course.resolve(QStringLiteral("sonidos\\fondo.wav"));
        QVERIFY2(QFileInfo(sound).isFile() && QFileInfo(sound).size() == 0, qPrintable(sound));
        QCOMPARE(course.resolve(QStringLiteral("SONIDOS/FONDO.WAV")), sound);
        const QString copies = QFileInfo(course.resolve(QStringLiteral("bbm.mdb"))).path();
        QCOMPARE(QDir(copies + QStringLiteral("/SONIDOS")).entryList(QDir::Files).join(QLatin1Char(' ')), QString()); // no part left
        QCOMPARE(QDir(copies + QStringLiteral("/../extents")).entryList(QDir::Files).size(), 1);
        const QList<QJsonObject> reads = readTrace(traceFile, QStringLiteral("disc.read"));
        QCOMPARE(reads.size(), 3);
        QCOMPARE(reads[2].value(QStringLiteral("entry")).toString(), QStringLiteral("SONIDOS/FONDO.WAV"));
        const QString why = reads[2].value(QStringLiteral("error")).toString();
        // What the image still holds of it, not what was read before the failing read.
        QVERIFY2(why.contains(disc.image()) && why.contains(QLatin1String("cannot be read whole (1000 of its 300000 bytes are there)")), qPrintable(why));
        try {
            course.require(QStringLiteral("sonidos/fondo.wav"));
            QFAIL("a file cut off the disc was given");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(disc.image()) && error.message().contains(QLatin1String("\"SONIDOS/FONDO.WAV\"")),
                qPrintable(error.message()));
        }
        QCOMPARE(course.require(QStringLiteral("BBM.MDB")), content);
    }

    // Images that cannot serve are refused when opened, naming the image and what is wrong.
    void refusedImages_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("cut short in a file") << "cut in SONIDOS/FONDO.WAV" << QStringList { "is cut short", "\"SONIDOS/FONDO.WAV\"", "lie past its end" };
        QTest::newRow("cut short before its tree") << "cut at 40000" << QStringList { "La imagen del disco está dañada", "root folder" };
        QTest::newRow("cut in its volume descriptors") << "cut at 35500" << QStringList { "cut short", "terminator" };
        QTest::newRow("cut before its volume descriptors") << "cut at 20000" << QStringList { "or one cut short", "20000 bytes" };
        QTest::newRow("another kind of file") << "text" << QStringList { "is no ISO 9660 disc image" };
        QTest::newRow("root folder damaged") << "root" << QStringList { "La imagen del disco está dañada", "root folder" };
    }
    void refusedImages()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, named);
        DiscFolder disc;
        const QString made = DiscImageMaker::make(disc.source(), disc.image(), Kind::Level1);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        QFile image(disc.image());
        if (damage == QLatin1String("cut in SONIDOS/FONDO.WAV")) {
            const qsizetype at = fileBytes(disc.image()).indexOf(pattern("fondo", 300000).left(4096));
            QVERIFY(at > 0);
            QVERIFY(image.resize(at + 150000));
        } else if (damage.startsWith(QLatin1String("cut at "))) {
            QVERIFY(image.resize(damage.mid(7).toInt()));
        } else if (damage == QLatin1String("text")) {
            writeFile(disc.image(), QByteArray("[PRMS]\r\n").repeated(10000));
        } else {
            // The root folder's record in the primary volume descriptor, made nonsense.
            QVERIFY(image.open(QIODevice::ReadWrite) && image.seek(16 * 2048 + 156));
            image.write(QByteArray(34, '\xff'));
            image.close();
        }
        try {
            CourseImage opened(disc.image(), disc.cache());
            QFAIL("a damaged image was opened");
        } catch (const CourseError& error) {
            // A damaged tree: the learner is told which image, the trace why.
            const auto* damaged = dynamic_cast<const DamagedDiscImage*>(&error);
            const QString said = error.message() + (damaged ? QStringLiteral(" / ") + damaged->reason() : QString());
            QVERIFY2(error.message().contains(disc.image()), qPrintable(said));
            for (const QString& part : std::as_const(named))
                QVERIFY2(said.contains(part), qPrintable(said));
        }
        // Nothing of a refused image is kept.
        QVERIFY(QDir(disc.cache() + QStringLiteral("discs")).isEmpty());
    }

    // The real player on images that are no course: refused, the message naming the image
    // and what is missing, nothing converted.
    void playerRefusesImage_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("no bbm.mdb") << "no content database" << QStringList { "\"bbm.mdb\"", "holds none" };
        QTest::newRow("cut short") << "cut" << QStringList { "cut short", "USRCURSO.MDB" };
    }
    void playerRefusesImage()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, named);
        FixtureCourse course(QStringLiteral("insert into lecciones (N_leccion, nombre_leccion, tipo) values (1, 'Mapa', 1);"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), course.folder() + QStringLiteral("/USRCURSO.MDB"));
        if (damage == QLatin1String("no content database"))
            QVERIFY(QFile::remove(course.folder() + QStringLiteral("/bbm.mdb")));
        const QString image = course.path(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(course.folder(), image, Kind::Level1);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        if (damage == QLatin1String("cut")) {
            // Up to the start of the learner database, which genisoimage writes after the content's.
            const qsizetype at = fileBytes(image).indexOf(fileBytes(course.folder() + QStringLiteral("/USRCURSO.MDB")).left(2048));
            QVERIFY(at > 0);
            QVERIFY(QFile::resize(image, at + 100));
        }
        PlayerRun player(course);
        player.setCourse(image);
        player.start();
        QCOMPARE(player.waitForExit(), 1);
        const QList<QJsonObject> errors = player.events(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        const QString message = errors.first().value(QStringLiteral("message")).toString();
        QVERIFY2(message.contains(image), qPrintable(message));
        for (const QString& part : std::as_const(named))
            QVERIFY2(message.contains(part), qPrintable(message));
        QCOMPARE(player.events(QStringLiteral("db.convert")).size(), 0);
        QCOMPARE(player.events(QStringLiteral("db.open")).size(), 0);
    }

    // A Jet content database on a plain disc (upper-case names, versions): converted into
    // the cache from its copy the first time, and then neither read from the image nor
    // converted again; refused naming the table the course needs.
    void jetContentDatabase()
    {
        FixtureCourse course(QString {});
        QVERIFY(QFile::remove(course.folder() + QStringLiteral("/bbm.mdb")));
        JetFixture::copy(QStringLiteral("jet3-types.mdb"), course.folder() + QStringLiteral("/BBM.MDB"));
        const QString image = course.path(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(course.folder(), image, Kind::Level1);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        for (int run = 0; run < 2; ++run) {
            PlayerRun player(course, QStringLiteral("trace%1.jsonl").arg(run));
            player.setCourse(image);
            player.start();
            QCOMPARE(player.waitForExit(), 1);
            const QList<QJsonObject> reads = player.events(QStringLiteral("disc.read"));
            QCOMPARE(reads.size(), run == 0 ? 2 : 0); // the tree, then BBM.MDB
            const QList<QJsonObject> conversions = player.events(QStringLiteral("db.convert"));
            QCOMPARE(conversions.size(), run == 0 ? 1 : 0);
            if (run == 0) {
                QCOMPARE(reads[1].value(QStringLiteral("entry")).toString(), QStringLiteral("BBM.MDB"));
                QCOMPARE(conversions[0].value(QStringLiteral("format")).toString(), QStringLiteral("Jet 3"));
                QCOMPARE(conversions[0].value(QStringLiteral("file")).toString(), reads[1].value(QStringLiteral("copy")).toString());
            }
            const QString message = player.events(QStringLiteral("error")).value(0).value(QStringLiteral("message")).toString();
            QVERIFY2(message.contains(QLatin1String("lecciones")) && message.contains(QLatin1String("curso.iso")), qPrintable(message));
        }
    }

    // tamsel-import converts straight from the image: the Jet databases into the player's
    // format, the rest as the disc holds it; a course-less or cut short image is refused
    // with nothing written.
    void importFromImage()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("cd"));
        QDir().mkpath(source + QStringLiteral("/SUB"));
        JetFixture::copy(QStringLiteral("jet4-with-password.mdb"), source + QStringLiteral("/BBM.MDB"));
        JetFixture::copy(QStringLiteral("jet3-types.mdb"), source + QStringLiteral("/SUB/USRCURSO.MDB"));
        writeFile(source + QStringLiteral("/INST.INI"), "[PRMS]\r\n");
        const QString image = dir.filePath(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(source, image, Kind::Joliet);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const Fingerprint before = fingerprintOf(image);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
        const auto import = [&](const QString& from, const QString& to, QString* printed, QString* error) {
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.start(QStringLiteral(IMPORT_TOOL), { from, to });
            if (!tool.waitForFinished(60000))
                return -1;
            *printed = QString::fromUtf8(tool.readAllStandardOutput());
            *error = QString::fromUtf8(tool.readAllStandardError());
            return tool.exitCode();
        };
        QString printed;
        QString error;
        const QString out = dir.filePath(QStringLiteral("out"));
        QCOMPARE(import(image, out, &printed, &error), 0);
        QVERIFY2(printed.contains(QLatin1String("Convirtiendo BBM.MDB")) && printed.contains(QLatin1String("Convirtiendo SUB/USRCURSO.MDB"))
                && printed.contains(QLatin1String(": 2 bases de datos convertidas.\n")), qPrintable(printed + error));
        auto content = Database::open(out + QStringLiteral("/BBM.MDB"), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=password"));
        QCOMPARE(content->openRecordset(QStringLiteral("Table1"))->recordCount(), 3);
        auto learner = Database::open(out + QStringLiteral("/SUB/USRCURSO.MDB"), ShareMode::Shared, AccessMode::ReadWrite, {});
        QCOMPARE(learner->openRecordset(QStringLiteral("Table1"))->recordCount(), 2);
        QCOMPARE(fileBytes(out + QStringLiteral("/INST.INI")), QByteArray("[PRMS]\r\n"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3); // no part left behind
        QCOMPARE(fingerprintOf(image), before);

        // Without the content database, and cut short: refused, nothing written.
        QVERIFY(QFile::remove(source + QStringLiteral("/BBM.MDB")));
        const QString noCourse = dir.filePath(QStringLiteral("nada.iso"));
        QVERIFY(DiscImageMaker::make(source, noCourse, Kind::Joliet).isEmpty());
        QFile::copy(image, dir.filePath(QStringLiteral("corto.iso")));
        QVERIFY(QFile::resize(dir.filePath(QStringLiteral("corto.iso")), fileBytes(image).indexOf(fileBytes(source + QStringLiteral("/SUB/USRCURSO.MDB")).left(2048)) + 10));
        const QList<std::pair<QString, QString>> refused { { noCourse, QStringLiteral("\"bbm.mdb\"") }, { dir.filePath(QStringLiteral("corto.iso")), QStringLiteral("cut short") } };
        for (const auto& [from, named] : refused) {
            const QString target = dir.filePath(QStringLiteral("refused"));
            QCOMPARE(import(from, target, &printed, &error), 1);
            QVERIFY2(error.startsWith(QLatin1String("tamsel-import: ")) && error.contains(from) && error.contains(named), qPrintable(error));
            QVERIFY(printed.isEmpty());
            QVERIFY(!QFileInfo::exists(target));
        }
    }
};

QTEST_GUILESS_MAIN(DiscImageTest)
#include "tst_discimage.moc"
