// The real player on a disc image under an X server, as a learner who keeps the disc as
// an image file starts it: the course folder itself is gone, only the image is there.
// Driven with real pointer events (xdotool), read back through its trace.
#include "DiscImageMaker.h"
#include "FixtureCourse.h"
#include "JetFixture.h"
#include "PointerEvents.h"

#include <QCryptographicHash>
#include <QPainter>
#include <QtTest>
#include <csignal>

using DiscImageMaker::Kind;

namespace {

const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 'mapas\\mapa.bmp', 'mapas\\mascara.bmp', 0, 0),"
    "  (20, 'Ciudad', 1, 'Mapas\\Ciudad.bmp', 'mapas/MASCARA.BMP', 1, 12);"
    "insert into mapa_sensible (N_leccion, R, g, b, N_capitulo, bitmap_activable, X, Y) values"
    "  (1, 255, 0, 0, 11, 'luz.bmp', 0, 0), (1, 0, 255, 0, 12, 'luz.bmp', 200, 0),"
    "  (20, 255, 0, 0, 21, 'luz.bmp', 0, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, accion, bitmapgrande) values"
    "  (1, 0, 0, 0, 0, null, 0, null),"
    "  (1, 5, 0, 10, 420, 'b.bmp', 2, null), (1, 5, 0, 190, 420, 'b.bmp', 15, null),"
    "  (1, 5, 0, 310, 420, 'b.bmp', 55, 'grande.bmp');"
    "insert into sonidospantalla values (1, 1, 'sonidos\\fondo.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav'),"
    "  (1, 20, 'sonidos\\fondo.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav');");

QStringList entriesRead(const PlayerRun& player)
{
    QStringList entries;
    const QList<QJsonObject> reads = player.events(QStringLiteral("disc.read"));
    for (const QJsonObject& read : reads)
        entries << read.value(QStringLiteral("entry")).toString();
    return entries;
}

// The map screen's pictures but its mask, and the screen's sounds, the background one
// of SECONDS.
void addMapScreen(const FixtureCourse& course, double seconds)
{
    course.addHandCursor();
    course.addPicture(QStringLiteral("MAPAS/MAPA.BMP"), QSize(640, 480), Qt::darkCyan);
    course.addPicture(QStringLiteral("LUZ.BMP"), QSize(200, 300), Qt::white);
    course.addPicture(QStringLiteral("B.BMP"), QSize(50, 40), Qt::yellow);
    course.addTone(QStringLiteral("SONIDOS/FONDO.WAV"), seconds, 440);
    course.addTone(QStringLiteral("SONIDOS/CLICK.WAV"), 0.05, 1200);
    course.addTone(QStringLiteral("SONIDOS/CAMBIO.WAV"), 0.1, 660);
}

} // namespace

class EndToEndDiscTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    // A plain ISO 9660 disc (upper-case 8.3 names with versions) whose learner database is
    // a Jet file: the first start sets the learner up in his data folder, converts his
    // database there and copies out only what the map shows; the city's picture is read
    // when the learner opens the city. The second start reads nothing from the image.
    void learnerPlaysFromAPlainDisc()
    {
        FixtureCourse course(rows);
        addMapScreen(course, 2.0);
        course.addPicture(QStringLiteral("MAPAS/CIUDAD.BMP"), QSize(640, 480), Qt::darkYellow);
        course.addPicture(QStringLiteral("GRANDE.BMP"), QSize(640, 480), Qt::darkMagenta);
        QImage mask(640, 480, QImage::Format_RGB32);
        mask.fill(Qt::black);
        QPainter(&mask).fillRect(0, 0, 200, 300, QColor(255, 0, 0));
        QPainter(&mask).fillRect(200, 0, 200, 300, QColor(0, 255, 0));
        QVERIFY(mask.save(course.folder() + QStringLiteral("/MAPAS/MASCARA.BMP")));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), course.folder() + QStringLiteral("/USRCURSO.MDB"));
        const QString image = course.path(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(course.folder(), image, Kind::Level1);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        QVERIFY(QDir(course.folder()).removeRecursively());
        // A new learner: no settings yet, so the first start sets him up from the disc.
        QVERIFY(QFile::remove(course.configFolder() + QStringLiteral("/expert.ini")));
        QFile imageFile(image);
        QVERIFY(imageFile.open(QIODevice::ReadOnly));
        const QByteArray before = QCryptographicHash::hash(imageFile.readAll(), QCryptographicHash::Sha256);
        imageFile.close();

        PlayerRun player(course);
        player.setCourse(image);
        const PointerEvents::StageOnDisplay stage = player.startOnDisplay({ QStringLiteral("--scale"), QStringLiteral("1") });
        QVERIFY2(stage.isValid(), qPrintable(player.standardError()));
        const QJsonObject start = player.events(QStringLiteral("start")).first();
        QCOMPARE(start.value(QStringLiteral("image")).toString(), image);
        QCOMPARE(start.value(QStringLiteral("cdrom")).toBool(), true);
        const QString learner = player.events(QStringLiteral("first_run")).value(0).value(QStringLiteral("learner")).toString();
        QVERIFY2(learner.startsWith(course.path(QStringLiteral("data/tamsel/curso.iso-"))), qPrintable(learner));
        const QList<QJsonObject> conversions = player.events(QStringLiteral("db.convert"));
        QCOMPARE(conversions.size(), 1);
        QCOMPARE(conversions[0].value(QStringLiteral("file")).toString(), learner);
        QCOMPARE(conversions[0].value(QStringLiteral("rows")).toInt(), 3);
        QStringList read = entriesRead(player);
        for (const char* entry : { "BBM.MDB", "USRCURSO.MDB", "INST.INI", "MAPAS/MAPA.BMP", "MAPAS/MASCARA.BMP" })
            QVERIFY2(read.contains(QLatin1String(entry)), qPrintable(read.join(QLatin1Char(' '))));
        QVERIFY2(!read.contains(QStringLiteral("MAPAS/CIUDAD.BMP")), "a picture no screen shows yet was read");

        // Into the green region and a click on its highlight: the city, read now.
        PointerEvents::pointAt(stage, 50, 50);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 1);
        PointerEvents::pointAt(stage, 250, 60);
        QTRY_COMPARE(player.events(QStringLiteral("region")).size(), 2);
        PointerEvents::clickAt(stage, 260, 70);
        QTRY_COMPARE(player.events(QStringLiteral("screen.activate")).size(), 2);
        QCOMPARE(player.events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 20);
        read = entriesRead(player);
        QCOMPARE(read.count(QStringLiteral("MAPAS/CIUDAD.BMP")), 1);
        QCOMPARE(read.count(QStringLiteral("MAPAS/MASCARA.BMP")), 1); // the city's mask is the map's: read once
        player.stop();

        // Again: everything the first start read is there, the learner's copy too.
        PlayerRun again(course, QStringLiteral("trace2.jsonl"));
        again.setCourse(image);
        QVERIFY2(again.startOnDisplay({ QStringLiteral("--scale"), QStringLiteral("1") }).isValid(), qPrintable(again.standardError()));
        QCOMPARE(entriesRead(again), QStringList());
        QCOMPARE(again.events(QStringLiteral("db.convert")).size(), 0);
        QCOMPARE(again.events(QStringLiteral("first_run")).size(), 0);
        again.stop();

        QVERIFY(imageFile.open(QIODevice::ReadOnly));
        QCOMPARE(QCryptographicHash::hash(imageFile.readAll(), QCryptographicHash::Sha256), before);
    }

    // An image crafted against its reader (a Rock Ridge name entry too short for its
    // fields, which overflows a reader that trusts it): refused, naming the image, the
    // reason in the trace; the player ends as on any refused course, never by a signal.
    void craftedImageRefused()
    {
        FixtureCourse course(rows);
        CraftedDisc disc(true);
        CraftedDisc::Record content = CraftedDisc::file("BBM.MDB;1", disc.addData(QByteArray(4096, 'x')));
        content.systemUse = CraftedDisc::nm("bbm.mdb", 4);
        disc.addFolder({ content });
        const QString image = course.path(QStringLiteral("evil.iso"));
        QVERIFY(disc.writeTo(image));
        PlayerRun player(course);
        player.setCourse(image);
        player.start();
        QCOMPARE(player.waitForExit(), 1);
        QCOMPARE(player.events(QStringLiteral("error")).value(0).value(QStringLiteral("message")).toString(),
            QStringLiteral("La imagen del disco está dañada: ") + image);
        const QString reason = player.events(QStringLiteral("disc.damaged")).value(0).value(QStringLiteral("reason")).toString();
        QVERIFY2(reason.contains(QLatin1String("NM entry of 4 bytes")), qPrintable(reason));
    }

    // A sound the image holds but that cannot be copied out (here: past the cache's limit
    // in the settings) is played straight off the image, at every use: the trace says once
    // which file cannot be copied and why, the channel plays it all the same (its whole
    // length known, no error), and no copy of it is left in the cache.
    void soundPlayedOffTheImageWhenItCannotBeCopied()
    {
        FixtureCourse course(rows);
        addMapScreen(course, 80.0); // a background sound of 3.5 MB
        course.addPicture(QStringLiteral("MAPAS/MASCARA.BMP"), QSize(640, 480), Qt::black);
        const QString image = course.path(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(course.folder(), image, Kind::Joliet);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        course.writeExpertIni(QStringLiteral("[CURSO]\nBDW=%1\n[tamsel]\nBDW=%1\nDiscCacheMB=3\n").arg(course.learnerDatabase()));
        PlayerRun player(course);
        player.setCourse(image);
        QVERIFY2(player.startOnDisplay({ QStringLiteral("--scale"), QStringLiteral("1") }).isValid(), qPrintable(player.standardError()));
        const auto rendered = [&] {
            QList<QJsonObject> found;
            for (const QJsonObject& sound : player.events(QStringLiteral("sound")))
                if (sound.value(QStringLiteral("op")).toString() == QLatin1String("render")
                    && sound.value(QStringLiteral("file")).toString().endsWith(QLatin1String("SONIDOS/FONDO.WAV")))
                    found << sound;
            return found;
        };
        QTRY_VERIFY(!rendered().isEmpty());
        QCOMPARE(player.waitForExit(1500), -1); // still playing
        const QJsonObject render = rendered().first();
        QVERIFY2(!render.contains(QStringLiteral("error")) && std::abs(render.value(QStringLiteral("value")).toDouble() - 80.0) < 0.1,
            qPrintable(QJsonDocument(render).toJson()));
        QVERIFY(!QFileInfo::exists(render.value(QStringLiteral("file")).toString()));
        QStringList uncopied;
        for (const QJsonObject& read : player.events(QStringLiteral("disc.read"))) {
            if (read.contains(QStringLiteral("error"))) {
                uncopied << read.value(QStringLiteral("entry")).toString();
                QVERIFY2(read.value(QStringLiteral("error")).toString().contains(QLatin1String("DiscCacheMB")), qPrintable(read.value(QStringLiteral("error")).toString()));
            }
        }
        QCOMPARE(uncopied, QStringList { QStringLiteral("SONIDOS/FONDO.WAV") });
        QVERIFY(player.events(QStringLiteral("error")).isEmpty());
        QVERIFY(player.events(QStringLiteral("disc.progress")).isEmpty());
        player.stop();
    }

    // Ended by the session (SIGTERM at logout or shutdown) it ends as a closed window does:
    // the copies it made are written out and kept, not thrown away at the next start.
    void endedByTheSessionKeepsItsCopies()
    {
        FixtureCourse course(rows);
        addMapScreen(course, 2.0);
        course.addPicture(QStringLiteral("MAPAS/MASCARA.BMP"), QSize(640, 480), Qt::black);
        course.addTone(QStringLiteral("SONIDOS/CLICK.WAV"), 0.1, 880);
        const QString image = course.path(QStringLiteral("curso.iso"));
        const QString made = DiscImageMaker::make(course.folder(), image, Kind::Joliet);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const auto marks = [&] {
            QStringList found;
            QDirIterator files(course.path(QStringLiteral("cache")), { QStringLiteral(".unsynced-*") }, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (files.hasNext())
                found << files.next();
            return found;
        };
        PlayerRun player(course);
        player.setCourse(image);
        QVERIFY2(player.startOnDisplay({ QStringLiteral("--scale"), QStringLiteral("1") }).isValid(), qPrintable(player.standardError()));
        QTRY_VERIFY(!marks().isEmpty());
        player.terminate();
        const int ended = player.waitForExit();
        QVERIFY2(ended == 0, qPrintable(player.standardError() + QString::number(ended)));
        QCOMPARE(player.events(QStringLiteral("signal")).size(), 1);
        QCOMPARE(player.events(QStringLiteral("signal")).first().value(QStringLiteral("number")).toInt(), int(SIGTERM));
        QCOMPARE(player.events(QStringLiteral("quit")).size(), 1);
        QCOMPARE(marks(), QStringList());
    }

    // The demo course the build makes, as a Rock Ridge and Joliet disc: it starts on the
    // screen it starts on from its folder, having read only what that screen needs.
    void demoCourseFromItsImage()
    {
        const QString demo = QStringLiteral(TAMSEL_BINARY_DIR "/course");
        if (!QFileInfo::exists(demo + QStringLiteral("/bbm.mdb")))
            QFAIL("the demo course is not built (target demo_course)");
        FixtureCourse home(QString {});
        QVERIFY(QFile::remove(home.configFolder() + QStringLiteral("/expert.ini")));
        const QString image = home.path(QStringLiteral("demo.iso"));
        const QString made = DiscImageMaker::make(demo, image, Kind::RockRidgeJoliet);
        QVERIFY2(made.isEmpty(), qPrintable(made));

        QString fromFolder;
        {
            PlayerRun player(home, QStringLiteral("folder.jsonl"));
            player.setCourse(demo);
            player.start();
            fromFolder = player.waitForEvent(QStringLiteral("screen.activate")).value(QStringLiteral("window")).toString();
            QVERIFY2(!fromFolder.isEmpty(), qPrintable(player.standardError()));
        }
        QVERIFY(QFile::remove(home.configFolder() + QStringLiteral("/expert.ini")));
        PlayerRun player(home, QStringLiteral("image.jsonl"));
        player.setCourse(image);
        QVERIFY2(player.startOnDisplay().isValid(), qPrintable(player.standardError()));
        QCOMPARE(player.events(QStringLiteral("screen.activate")).first().value(QStringLiteral("window")).toString(), fromFolder);
        const QList<QJsonObject> reads = player.events(QStringLiteral("disc.read"));
        QVERIFY(!reads.isEmpty());
        QCOMPARE(reads.first().value(QStringLiteral("names")).toString(), QStringLiteral("Rock Ridge"));
        const int files = reads.first().value(QStringLiteral("files")).toInt();
        QVERIFY2(files > 100, qPrintable(QString::number(files)));
        QVERIFY2(reads.size() < files / 4, qPrintable(entriesRead(player).join(QLatin1Char(' '))));
        QVERIFY(player.events(QStringLiteral("error")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(EndToEndDiscTest)
#include "tst_e2e_disc.moc"
