#include "CourseCompiler.h"
#include "FixtureCourse.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

namespace {

const QString twoLessons = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values"
    " (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp'), (5, 'Canción', 4, null, null);");

QString exclusionRows(int count)
{
    QString sql;
    for (int i = 0; i < count; ++i)
        sql += QStringLiteral("insert into exclusiones values (%1, %2);").arg(i + 1).arg(100 + i);
    return sql;
}

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

    void firstScreen_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("window");
        QTest::newRow("lesson 0 opens the introduction")
            << twoLessons + QStringLiteral("insert into lecciones (N_leccion, tipo) values (0, 0);") << "frmintro";
        QTest::newRow("lowest lesson above 0 opens the map") << twoLessons << "frmms";
    }

    void firstScreen()
    {
        QFETCH(QString, rows);
        QFETCH(QString, window);
        FixtureCourse course(rows);
        course.addMinimalMap();
        PlayerRun player(course);
        player.start();
        QCOMPARE(player.waitForEvent(QStringLiteral("first_screen")).value(QStringLiteral("window")).toString(), window);
        const QJsonObject stage = player.waitForEvent(QStringLiteral("stage"));
        QCOMPARE(stage.value(QStringLiteral("w")).toInt(), 640);
        QCOMPARE(stage.value(QStringLiteral("h")).toInt(), 480);
        // The order of start-up: content database, the first screen decided and built,
        // exclusions, settings, learner database; the screen is activated only afterwards.
        QVERIFY(!player.waitForEvent(QStringLiteral("screen.activate")).isEmpty());
        QStringList order;
        const QList<QJsonObject> events = player.events();
        for (const QJsonObject& e : events)
            order << e.value(QStringLiteral("ev")).toString();
        QCOMPARE(order.mid(0, 8),
            (QStringList { "start", "db.open", "first_screen", "screen.load", "exclusions", "settings", "db.open", "stage" }));
        QVERIFY(order.indexOf(QStringLiteral("screen.activate")) > order.indexOf(QStringLiteral("stage")));
        const QJsonObject settings = player.events(QStringLiteral("settings")).first();
        QCOMPARE(settings.value(QStringLiteral("inst_section")).toString(), QStringLiteral("CURSO"));
        QCOMPARE(settings.value(QStringLiteral("user_folder")).toString(), course.path(QStringLiteral("data/tamsel/")));
    }

    void exclusionTable_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("ignored");
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("full") << 31 << 31 << 0;
        QTest::newRow("one too many") << 32 << 31 << 1;
    }

    void exclusionTable()
    {
        QFETCH(int, rows);
        QFETCH(int, count);
        QFETCH(int, ignored);
        FixtureCourse course(twoLessons + exclusionRows(rows));
        course.addMinimalMap();
        PlayerRun player(course);
        player.start();
        const QJsonObject e = player.waitForEvent(QStringLiteral("exclusions"));
        QCOMPARE(e.value(QStringLiteral("count")).toInt(), count);
        QCOMPARE(e.value(QStringLiteral("ignored")).toInt(), ignored);
        QVERIFY(!player.waitForEvent(QStringLiteral("stage")).isEmpty()); // and the program goes on
    }

    void failuresEndWithStatusOne_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("told");
        QTest::newRow("missing bbm.mdb") << "remove-content" << "bbm.mdb" << "No se encuentra el curso en %1: falta el archivo bbm.mdb.";
        QTest::newRow("wrong password") << "wrong-password" << "wrong password"
                                        << "No se puede abrir el curso de %1: su archivo bbm.mdb está dañado o no es de este programa.";
        QTest::newRow("empty BDW") << "empty-bdw" << "BDW" << "no dice dónde se guardan tus datos del curso (falta BDW en la sección [CURSO]).";
        QTest::newRow("missing expert.ini") << "no-expert" << "expert.ini" << "Falta el archivo ";
        QTest::newRow("missing table") << "no-exclusiones" << "exclusiones" << "El curso de %1 está incompleto o dañado: no se puede empezar.";
        QTest::newRow("missing course folder") << "no-folder" << "does not exist" << "No se encuentra el curso en %2: esa carpeta no existe.";
        QTest::newRow("missing inst.ini") << "no-inst" << "inst.ini" << "Falta el archivo inst.ini en %1.";
        QTest::newRow("inst.ini without dirdef") << "empty-inst" << "dirdef" << "no dice dónde se guardan tus datos del curso: está dañado o incompleto.";
        QTest::newRow("a picture as the course") << "picture" << "no ISO 9660" << "%2 no es un curso ni la imagen de un disco.";
        QTest::newRow("an empty file as the course") << "empty-file" << "no ISO 9660" << "%2 no es un curso ni la imagen de un disco.";
        QTest::newRow("a damaged learner file") << "damaged-learner" << "usrcurso.mdb"
                                                << "/usrcurso.mdb están dañados: no se pueden abrir. Si apartas ese archivo (muévelo a otra carpeta), el curso empezará tu registro de nuevo.";
        QTest::newRow("a learner file missing, no template") << "no-learner" << "usrcurso.mdb" << "No se encuentran tus datos del curso: falta el archivo ";
        QTest::newRow("a picture the map lacks") << "no-picture" << "mapa.bmp" << "El curso no puede continuar: falta su archivo mapa.bmp.";
    }

    // Each failure is told the learner in his words, naming the file and what is wrong;
    // the technical account goes to the trace and standard error beside it.
    void failuresEndWithStatusOne()
    {
        QFETCH(QString, breakage);
        QFETCH(QString, named);
        QFETCH(QString, told);
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        QString given;
        if (breakage == QLatin1String("remove-content")) {
            QVERIFY(QFile::remove(course.folder() + QStringLiteral("/bbm.mdb")));
        } else if (breakage == QLatin1String("wrong-password")) {
            const CourseCompiler other(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("otra"));
            other.buildDatabase(course.folder() + QStringLiteral("/bbm.mdb"), QStringLiteral("content"), twoLessons);
        } else if (breakage == QLatin1String("empty-bdw")) {
            course.writeExpertIni(QStringLiteral("[CURSO]\nBDW=\n"));
        } else if (breakage == QLatin1String("no-expert")) {
            QVERIFY(QFile::remove(course.configFolder() + QStringLiteral("/expert.ini")));
        } else if (breakage == QLatin1String("no-exclusiones")) {
            const CourseCompiler compiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"));
            compiler.buildDatabase(course.folder() + QStringLiteral("/bbm.mdb"), QStringLiteral("content"),
                twoLessons + QStringLiteral("drop table exclusiones;"));
        } else if (breakage == QLatin1String("damaged-learner")) {
            QFile learner(course.learnerDatabase());
            QVERIFY(learner.open(QIODevice::WriteOnly | QIODevice::Truncate));
            learner.write(QByteArray(4096, 'x'));
        } else if (breakage == QLatin1String("no-learner")) {
            QVERIFY(QFile::remove(course.learnerDatabase()));
        } else if (breakage == QLatin1String("no-inst")) {
            QVERIFY(QFile::remove(course.folder() + QStringLiteral("/inst.ini")));
        } else if (breakage == QLatin1String("empty-inst")) {
            QFile inst(course.folder() + QStringLiteral("/inst.ini"));
            QVERIFY(inst.open(QIODevice::WriteOnly | QIODevice::Truncate));
            inst.write("[PRMS]\r\n");
        } else if (breakage == QLatin1String("no-picture")) {
            QVERIFY(QFile::remove(course.folder() + QStringLiteral("/mapa.bmp")));
        } else if (breakage == QLatin1String("no-folder")) {
            given = course.path(QStringLiteral("nowhere"));
        } else if (breakage == QLatin1String("picture")) {
            given = course.folder() + QStringLiteral("/mapa.bmp");
        } else if (breakage == QLatin1String("empty-file")) {
            given = course.path(QStringLiteral("vacio.iso"));
            QFile empty(given);
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        PlayerRun player(course);
        QStringList extra;
        if (!given.isEmpty())
            extra << QStringLiteral("--course") << given;
        player.start(extra);
        QCOMPARE(player.waitForExit(), 1);
        const QList<QJsonObject> errors = player.events(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        const QString message = errors.first().value(QStringLiteral("message")).toString();
        QVERIFY2(message.contains(named), qPrintable(message));
        const QString text = errors.first().value(QStringLiteral("text")).toString();
        const QString expected = QString(told).replace(QLatin1String("%1"), course.folder() + QLatin1Char('/')).replace(QLatin1String("%2"), given);
        QVERIFY2(text.contains(expected), qPrintable(text + QStringLiteral(" / ") + expected));
        QVERIFY2(player.standardError().contains(named), qPrintable(player.standardError()));
        QVERIFY2(player.standardError().contains(expected), qPrintable(player.standardError()));
        if (breakage != QLatin1String("no-picture")) // the map's picture is read when it is first shown
            QVERIFY(player.events(QStringLiteral("stage")).isEmpty());
    }

    // A learner database gone from its folder is made afresh from the course's, as a first
    // start makes it: there is nothing of the learner's to lose. A damaged one is never
    // replaced (failuresEndWithStatusOne).
    void missingLearnerFileIsMadeAfresh()
    {
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        QVERIFY(QFile::copy(course.learnerDatabase(), course.folder() + QStringLiteral("/usrcurso.mdb")));
        QVERIFY(QFile::remove(course.learnerDatabase()));
        PlayerRun player(course);
        player.start();
        QVERIFY(!player.waitForEvent(QStringLiteral("stage")).isEmpty());
        const QList<QJsonObject> restored = player.events(QStringLiteral("learner_restored"));
        QCOMPARE(restored.size(), 1);
        QCOMPARE(restored.first().value(QStringLiteral("file")).toString(), course.learnerDatabase());
        QVERIFY(QFileInfo(course.learnerDatabase()).isFile());
    }

    void secondStartRestoresTheFirst()
    {
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        PlayerRun first(course, QStringLiteral("first.jsonl"));
        first.start();
        QVERIFY(!first.waitForEvent(QStringLiteral("stage")).isEmpty());

        PlayerRun second(course, QStringLiteral("second.jsonl"));
        second.start();
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(!first.waitForEvent(QStringLiteral("instance.restore"), 5000).isEmpty());
        QVERIFY(second.events(QStringLiteral("db.open")).isEmpty());
        QVERIFY(second.events(QStringLiteral("stage")).isEmpty());

        // Once the first copy has gone, a new start runs normally.
        first.stop();
        PlayerRun third(course, QStringLiteral("third.jsonl"));
        third.start();
        QVERIFY(!third.waitForEvent(QStringLiteral("stage")).isEmpty());
    }

    // Asked for another course, a second copy brings the running one to the front and
    // says which course it plays; it opens nothing.
    void secondStartForAnotherCourseIsTold()
    {
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        PlayerRun first(course, QStringLiteral("first.jsonl"));
        first.start();
        QVERIFY(!first.waitForEvent(QStringLiteral("stage")).isEmpty());

        const QString other = course.path(QStringLiteral("otro curso"));
        QVERIFY(QDir().mkpath(other));
        PlayerRun second(course, QStringLiteral("second.jsonl"));
        second.setCourse(other);
        second.start();
        QCOMPARE(second.waitForExit(), 1);
        QVERIFY(!first.waitForEvent(QStringLiteral("instance.restore"), 5000).isEmpty());
        const QString said = second.standardError();
        QVERIFY2(said.contains(QStringLiteral("tamsel: El reproductor ya está abierto con otro curso, el de %1. Ciérralo antes de abrir el curso de %2.")
                                   .arg(course.folder(), other)),
            qPrintable(said));
        QVERIFY(second.events().isEmpty());

        // The same course, however it is spelt, is handed over as before.
        PlayerRun third(course, QStringLiteral("third.jsonl"));
        third.setCourse(course.folder() + QStringLiteral("/./"));
        third.start();
        QCOMPARE(third.waitForExit(), 0);
        QVERIFY2(third.standardError().isEmpty(), qPrintable(third.standardError()));
    }

    void secondStartKeepsTheFirstTrace()
    {
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        PlayerRun first(course, QStringLiteral("same.jsonl"));
        first.start();
        QVERIFY(!first.waitForEvent(QStringLiteral("stage")).isEmpty());
        const qsizetype before = first.events().size();

        PlayerRun second(course, QStringLiteral("same.jsonl"));
        second.start();
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(!first.waitForEvent(QStringLiteral("instance.restore"), 5000).isEmpty());
        // The running copy's trace goes on from where it was, whole.
        const QList<QJsonObject> events = first.events();
        QVERIFY(events.size() > before);
        QCOMPARE(events.first().value(QStringLiteral("ev")).toString(), QStringLiteral("start"));
        for (const QJsonObject& e : events)
            QVERIFY(!e.value(QStringLiteral("ev")).toString().isEmpty());
    }

    void lockFailuresAreErrors_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("named");
        QTest::newRow("lock is a folder") << "lock-folder" << "names no running copy";
        QTest::newRow("runtime folder refuses new files") << "immutable" << "refuses new files";
    }

    void lockFailuresAreErrors()
    {
        QFETCH(QString, breakage);
        QFETCH(QString, named);
        FixtureCourse course(twoLessons);
        course.addMinimalMap();
        const QString runtime = course.path(QStringLiteral("runtime"));
        const auto mutableAgain = qScopeGuard([&] {
            if (breakage == QLatin1String("immutable"))
                QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), runtime });
        });
        if (breakage == QLatin1String("lock-folder")) {
            QVERIFY(QDir().mkpath(runtime + QStringLiteral("/tamsel.lock")));
        } else if (QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), runtime }) != 0) {
            // Permissions alone do not do it: Qt replaces a runtime folder without them by one of its own.
            QSKIP("making a folder refuse new files needs chattr +i (root, on ext4 or the like)");
        }
        PlayerRun player(course);
        player.start();
        QCOMPARE(player.waitForExit(), 1);
        const QList<QJsonObject> errors = player.events(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        const QString message = errors.first().value(QStringLiteral("message")).toString();
        QVERIFY2(message.contains(runtime + QStringLiteral("/tamsel.lock")) && message.contains(named), qPrintable(message));
        QVERIFY2(player.standardError().contains(QStringLiteral("tamsel.lock")), qPrintable(player.standardError()));
        QVERIFY(player.events(QStringLiteral("db.open")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "tst_startup.moc"
