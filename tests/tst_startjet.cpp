// The real player started on courses whose databases are legacy Jet files: the content
// database converted into the cache once, the learner database converted beside itself
// with its rows, a wrong password and a course without the player's tables refused with
// the file and table named.
#include "CourseError.h"
#include "Database.h"
#include "FixtureCourse.h"
#include "JetFixture.h"
#include "JetStandIn.h"
#include "Recordset.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString twoLessons = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values"
    " (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp'), (5, 'Canción', 4, null, null);");

QByteArray fileHash(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class StartJetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    // The learner's Jet database is converted once, beside itself; its rows come along and
    // the next start opens the copy without converting again.
    void learnerDatabaseConvertedOnce()
    {
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        QVERIFY(QFile::remove(course.learnerDatabase()));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), course.learnerDatabase());
        const QByteArray original = fileHash(course.learnerDatabase());
        for (int run = 0; run < 2; ++run) {
            PlayerRun player(course, QStringLiteral("trace%1.jsonl").arg(run));
            player.start();
            QVERIFY2(!player.waitForEvent(QStringLiteral("screen.activate")).isEmpty(), qPrintable(player.standardError()));
            const QList<QJsonObject> conversions = player.events(QStringLiteral("db.convert"));
            QCOMPARE(conversions.size(), run == 0 ? 1 : 0);
            if (run == 0) {
                const QJsonObject c = conversions.first();
                QCOMPARE(c.value(QStringLiteral("file")).toString(), course.learnerDatabase());
                QCOMPARE(c.value(QStringLiteral("format")).toString(), QStringLiteral("Jet 4"));
                QCOMPARE(c.value(QStringLiteral("tables")).toInt(), 1);
                QCOMPARE(c.value(QStringLiteral("rows")).toInt(), 3);
                QVERIFY(c.contains(QStringLiteral("ms")) && c.contains(QStringLiteral("queries")) && c.contains(QStringLiteral("fallback")));
            }
            const QList<QJsonObject> opened = player.events(QStringLiteral("db.open"));
            QCOMPARE(opened.size(), 2);
            // The trace names the copy really open beside the course's own file.
            QCOMPARE(opened[1].value(QStringLiteral("file")).toString(), course.learnerDatabase());
            QCOMPARE(opened[1].value(QStringLiteral("copy")).toString(), JetStandIn::learnerCopy(course.learnerDatabase()));
            player.stop();
        }
        auto copy = Database::open(JetStandIn::learnerCopy(course.learnerDatabase()), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=vemparo41"));
        QCOMPARE(copy->openRecordset(QStringLiteral("Table1"))->recordCount(), 3);
        QCOMPARE(fileHash(course.learnerDatabase()), original);
    }

    // A Jet content database without the player's tables: converted (once), then refused
    // naming the table, never a crash; a wrong password is refused before converting.
    void contentDatabase_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("named");
        QTest::addColumn<int>("conversions");
        QTest::newRow("tables of another program") << QStringLiteral("jet4-no-password.mdb") << QStringLiteral("lecciones") << 1;
        QTest::newRow("Jet 3") << QStringLiteral("jet3-types.mdb") << QStringLiteral("lecciones") << 1;
        QTest::newRow("wrong password") << QStringLiteral("jet4-with-password.mdb") << QStringLiteral("wrong password") << 0;
    }
    void contentDatabase()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, named);
        QFETCH(int, conversions);
        FixtureCourse course(twoLessons);
        const QString content = course.folder() + QStringLiteral("/bbm.mdb");
        JetFixture::copy(fixture, content);
        for (int run = 0; run < 2; ++run) {
            PlayerRun player(course, QStringLiteral("trace%1.jsonl").arg(run));
            player.start();
            QCOMPARE(player.waitForExit(), 1);
            QCOMPARE(player.events(QStringLiteral("db.convert")).size(), run == 0 ? conversions : 0);
            const QList<QJsonObject> errors = player.events(QStringLiteral("error"));
            QCOMPARE(errors.size(), 1);
            const QString message = errors.first().value(QStringLiteral("message")).toString();
            QVERIFY2(message.contains(named), qPrintable(message));
            // The course's own file, never the converted copy in the cache.
            QVERIFY2(message.startsWith(content + QLatin1Char(':')), qPrintable(message));
        }
    }

    // A cache folder that cannot be made (a file stands where it should be) gives way to
    // one in the data folder, both named in the trace.
    void unwritableCache()
    {
        FixtureCourse course(twoLessons);
        const QString content = course.folder() + QStringLiteral("/bbm.mdb");
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), content);
        QDir(course.path(QStringLiteral("cache"))).removeRecursively();
        QFile blocker(course.path(QStringLiteral("cache")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        PlayerRun player(course);
        player.start();
        QCOMPARE(player.waitForExit(), 1); // the file has none of the course's tables
        const QList<QJsonObject> cache = player.events(QStringLiteral("db.cache"));
        QCOMPARE(cache.size(), 1);
        const QString used = course.path(QStringLiteral("data")) + QStringLiteral("/tamsel/cache/");
        QCOMPARE(cache[0].value(QStringLiteral("refused")).toString(), course.path(QStringLiteral("cache")) + QStringLiteral("/tamsel/"));
        QCOMPARE(cache[0].value(QStringLiteral("used")).toString(), used);
        QCOMPARE(player.events(QStringLiteral("db.convert")).size(), 1);
        QCOMPARE(QDir(used).entryList({ QStringLiteral("*.sqlite") }, QDir::Files).size(), 1);
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(used).permissions() & others, QFile::Permissions());
    }

    // tamsel-import converts a course by hand: the copy's databases are the player's own.
    void importCourse()
    {
        QTemporaryDir dir;
        const QString course = dir.filePath(QStringLiteral("cd"));
        QDir().mkpath(course + QStringLiteral("/sub"));
        JetFixture::copy(QStringLiteral("jet4-with-password.mdb"), course + QStringLiteral("/bbm.mdb"));
        JetFixture::copy(QStringLiteral("jet3-types.mdb"), course + QStringLiteral("/sub/usrcurso.mdb"));
        QFile other(course + QStringLiteral("/inst.ini"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("[PRMS]\r\n") > 0);
        other.close();
        const QByteArray original = fileHash(course + QStringLiteral("/bbm.mdb"));
        QProcess tool;
        tool.start(QStringLiteral(IMPORT_TOOL), { course, dir.filePath(QStringLiteral("out")) });
        QVERIFY(tool.waitForFinished(30000));
        const QString printed = QString::fromUtf8(tool.readAllStandardOutput());
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY2(printed.contains(QLatin1String("Convirtiendo bbm.mdb")) && printed.contains(QLatin1String("Convirtiendo sub/usrcurso.mdb"))
                && printed.contains(QLatin1String(": 2 bases de datos convertidas.\n")), qPrintable(printed));
        auto content = Database::open(dir.filePath(QStringLiteral("out/bbm.mdb")), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=password"));
        QCOMPARE(content->openRecordset(QStringLiteral("Table1"))->recordCount(), 3);
        QVERIFY_THROWS_EXCEPTION(CourseError, Database::open(dir.filePath(QStringLiteral("out/bbm.mdb")), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=x")));
        auto learner = Database::open(dir.filePath(QStringLiteral("out/sub/usrcurso.mdb")), ShareMode::Shared, AccessMode::ReadWrite, {});
        QCOMPARE(learner->openRecordset(QStringLiteral("Table1"))->recordCount(), 2);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out/inst.ini"))));
        QCOMPARE(fileHash(course + QStringLiteral("/bbm.mdb")), original);
    }

    // A copy that stops half-way (a database that cannot be converted, after others were)
    // leaves the output as it was: what it held before, nothing new.
    void importFailureLeavesTheOutputAsItWas()
    {
        QTemporaryDir dir;
        const QString course = dir.filePath(QStringLiteral("cd"));
        const QString output = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(course + QStringLiteral("/zz")) && QDir().mkpath(output));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), course + QStringLiteral("/bbm.mdb"));
        QFile settings(course + QStringLiteral("/inst.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[PRMS]\r\n") > 0);
        settings.close();
        // A Jet file's first bytes and nothing after them.
        QFile source(course + QStringLiteral("/bbm.mdb"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile broken(course + QStringLiteral("/zz/usrcurso.mdb"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(source.read(4096)) == 4096);
        broken.close();
        QFile kept(output + QStringLiteral("/inst.ini"));
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("antes") == 5);
        kept.close();
        QProcess tool;
        tool.start(QStringLiteral(IMPORT_TOOL), { course, output });
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(QDir(output).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList { QStringLiteral("inst.ini") });
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("antes"));
    }

    // An output folder in the course (or the course in the output), however it is spelt,
    // links followed and the output not there yet: refused before anything is written.
    void importRefusesNestedFolders_data()
    {
        QTest::addColumn<QString>("output"); // relative to the temporary folder; the course is "top/cd"
        QTest::addColumn<QString>("named");
        QTest::newRow("the course itself") << "top/cd/." << "must not be the course folder";
        QTest::newRow("a folder of the course") << "top/cd/sub" << "must not be the course folder";
        QTest::newRow("a new folder in the course") << "top/cd/new/deeper" << "must not be the course folder";
        QTest::newRow("through a link into the course") << "link-to-sub/out" << "must not be the course folder";
        QTest::newRow("through .. and a link") << "top/elsewhere/../link-to-cd" << "must not be the course folder";
        QTest::newRow("the folder holding the course") << "top" << "must not lie inside the output folder";
        QTest::newRow("a link to the course's parent") << "link-to-top" << "must not lie inside the output folder";
    }
    // A folder without the course's content database (empty, or holding other files) is
    // no course: refused by name, nothing written.
    void importRefusesAFolderWithoutItsCourse_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("empty") << QStringList();
        QTest::newRow("other files") << QStringList { QStringLiteral("inst.ini"), QStringLiteral("sub/usrcurso.mdb") };
    }
    void importRefusesAFolderWithoutItsCourse()
    {
        QFETCH(QStringList, files);
        QTemporaryDir dir;
        const QString course = dir.filePath(QStringLiteral("cd"));
        QVERIFY(QDir().mkpath(course + QStringLiteral("/sub")));
        for (const QString& file : std::as_const(files)) {
            QFile made(course + QLatin1Char('/') + file);
            QVERIFY(made.open(QIODevice::WriteOnly));
        }
        QProcess tool;
        tool.start(QStringLiteral(IMPORT_TOOL), { course, dir.filePath(QStringLiteral("out")) });
        QVERIFY(tool.waitForFinished(30000));
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY2(error.contains(QLatin1String("missing file \"bbm.mdb\"")) && error.contains(course), qPrintable(error));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out"))));
    }

    void importRefusesNestedFolders()
    {
        QFETCH(QString, output);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString course = dir.filePath(QStringLiteral("top/cd"));
        QVERIFY(QDir().mkpath(course + QStringLiteral("/sub")) && QDir().mkpath(dir.filePath(QStringLiteral("top/elsewhere"))));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), course + QStringLiteral("/bbm.mdb"));
        JetFixture::copy(QStringLiteral("jet3-types.mdb"), course + QStringLiteral("/sub/usrcurso.mdb"));
        QFile settings(course + QStringLiteral("/inst.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[PRMS]\r\n") > 0);
        settings.close();
        QVERIFY(QFile::link(course + QStringLiteral("/sub"), dir.filePath(QStringLiteral("link-to-sub"))));
        QVERIFY(QFile::link(course, dir.filePath(QStringLiteral("top/link-to-cd"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("top")), dir.filePath(QStringLiteral("link-to-top"))));
        const auto everything = [&] {
            QStringList files;
            QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                files << file + QLatin1Char(' ') + QString::fromLatin1(fileHash(file).toHex());
            }
            files.sort();
            return files;
        };
        const QStringList before = everything();
        QProcess tool;
        tool.start(QStringLiteral(IMPORT_TOOL), { course, dir.filePath(output) });
        QVERIFY(tool.waitForFinished(30000));
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY2(error.startsWith(QLatin1String("tamsel-import: ")) && error.contains(named), qPrintable(error));
        QVERIFY2(tool.readAllStandardOutput().isEmpty(), "tamsel-import printed a conversion");
        QCOMPARE(everything(), before);
    }
};

QTEST_GUILESS_MAIN(StartJetTest)
#include "tst_startjet.moc"
