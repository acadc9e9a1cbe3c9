#include "CenterWindow.h"
#include "CommandLine.h"
#include "ComponentRegistry.h"
#include "CourseCompiler.h"
#include "CourseError.h"
#include "Database.h"
#include "CourseFolder.h"
#include "FixtureCourse.h"
#include "ModuleState.h"
#include "ProfileFile.h"
#include "StartUp.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class SettingsTest : public QObject {
    Q_OBJECT

private:
    static void writeBytes(const QString& file, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private Q_SLOTS:
    void profileFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("expert.ini"));
        writeBytes(file,
            "; comment\r\n[Curso]\r\nBDW = C:\\Cursos\\Ingl\xe9s\\usrcurso.mdb \r\nvacio=\r\ncomillas=\"a;b, c\"\r\n"
            "bdw=segunda\r\n[PRMS]\r\ndirdef=CURSO\r\nlargo=" + QByteArray(300, 'x') + "\r\n\x80uro=\x80\r\n");
        const ProfileFile ini(file);
        QVERIFY(ini.exists());
        QCOMPARE(ini.value(QStringLiteral("CURSO"), QStringLiteral("bdw")), QStringLiteral("C:\\Cursos\\Inglés\\usrcurso.mdb"));
        QCOMPARE(ini.value(QStringLiteral("curso"), QStringLiteral("comillas")), QStringLiteral("a;b, c")); // no splitting
        QCOMPARE(ini.value(QStringLiteral("prms"), QStringLiteral("DIRDEF")), QStringLiteral("CURSO"));
        QCOMPARE(ini.value(QStringLiteral("PRMS"), QStringLiteral("largo")).size(), ProfileFile::maxValueLength);
        QCOMPARE(ini.value(QStringLiteral("PRMS"), QStringLiteral("€uro")), QStringLiteral("€"));
        QVERIFY(ini.contains(QStringLiteral("Curso"), QStringLiteral("vacio")));
        QCOMPARE(ini.value(QStringLiteral("Curso"), QStringLiteral("vacio")), QString());
        QCOMPARE(ini.value(QStringLiteral("Curso"), QStringLiteral("falta")), QString());
        QCOMPARE(ini.value(QStringLiteral("Otra"), QStringLiteral("BDW")), QString());
        QVERIFY(!ProfileFile(dir.filePath(QStringLiteral("no.ini"))).exists());
    }

    void profileFileEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("value");
        QTest::newRow("Windows-1252") << QByteArray("[Curso]\r\nBDW=/home/Jos\xe9 N\xfa\xf1" "ez/x\x80") << QStringLiteral("/home/José Núñez/x€");
        QTest::newRow("UTF-8") << QByteArray("[Curso]\r\nBDW=/home/Jos\xc3\xa9 N\xc3\xba\xc3\xb1" "ez/x\xe2\x82\xac") << QStringLiteral("/home/José Núñez/x€");
        QTest::newRow("UTF-8 outside Windows-1252") << QByteArray("[Curso]\r\nBDW=/home/\xc5\x81\xc3\xb3" "d\xc5\xba") << QStringLiteral("/home/Łódź");
        QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xef\xbb\xbf" "[Curso]\r\nBDW=Jos\xc3\xa9") << QStringLiteral("José");
        QTest::newRow("one stray byte makes it Windows-1252") << QByteArray("[Curso]\r\nBDW=Jos\xc3\xa9 \xe9") << QStringLiteral("JosÃ© é");
    }

    void profileFileEncodings()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("expert.ini"));
        writeBytes(file, bytes + "\r\n");
        QTEST(ProfileFile(file).value(QStringLiteral("curso"), QStringLiteral("BDW")), "value");
    }

    // `make run`'s first-run step registers rolda; the player's own first start writes
    // expert.ini for a learner whose home folder may have any name, and must then find
    // the learner database it names.
    void firstRunWritesWhatThePlayerReads_data()
    {
        QTest::addColumn<QString>("home");
        QTest::newRow("accented") << QStringLiteral("José Núñez");
        QTest::newRow("outside Windows-1252") << QStringLiteral("Łukasz Żółć");
    }

    void firstRunWritesWhatThePlayerReads()
    {
        QFETCH(QString, home);
        QTemporaryDir root;
        const QString build = root.filePath(QStringLiteral("build"));
        const QString course = build + QStringLiteral("/course");
        // Just what the step needs of a build: the course's settings and learner database, and the control library with its registration tool.
        writeBytes(course + QStringLiteral("/inst.ini"), "[PRMS]\r\ndirdef=CURSO DE INGL\xc9S\r\n");
        const CourseCompiler compiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"));
        compiler.buildDatabase(course + QStringLiteral("/usrcurso.mdb"), QStringLiteral("learner"), QString());
        QVERIFY(QDir().mkpath(build + QStringLiteral("/tools/regcontrol")));
        QVERIFY(QDir().mkpath(build + QStringLiteral("/controls/etidesp2")));
        QVERIFY(QFile::link(QStringLiteral(REGCONTROL_TOOL), build + QStringLiteral("/tools/regcontrol/tamsel-regcontrol")));
        QVERIFY(QFile::link(QStringLiteral(ROLDA_LIBRARY), build + QStringLiteral("/controls/etidesp2/librolda.so")));

        const QString user = root.filePath(home);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), user + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), user + QStringLiteral("/.local/share"));
        QProcess firstRun;
        firstRun.setProcessEnvironment(env);
        firstRun.start(QStringLiteral("bash"), { QStringLiteral(TAMSEL_SOURCE_DIR "/tools/first-run.sh"), build });
        QVERIFY(firstRun.waitForFinished(30000));
        QVERIFY2(firstRun.exitCode() == 0, firstRun.readAllStandardError().constData());

        qputenv("XDG_CONFIG_HOME", (user + QStringLiteral("/.config")).toUtf8());
        qputenv("XDG_DATA_HOME", (user + QStringLiteral("/.local/share")).toUtf8());
        QVERIFY(ComponentRegistry().find(QStringLiteral("rolda.etidesp2")));
        Trace trace;
        ModuleState state;
        StartUp startUp(state, trace, course);
        startUp.ResolveProgramFolder();
        startUp.prepareFirstRun();
        startUp.ReadInstallSettings();
        QCOMPARE(state.InstallSection, QStringLiteral("CURSO DE INGLÉS"));
        try {
            startUp.OpenUserDatabase();
        } catch (const CourseError& e) {
            QFAIL(qPrintable(e.message()));
        }
        // The course's own folder in the user's data folder.
        QCOMPARE(QFileInfo(state.UserFolder + QStringLiteral("..")).canonicalFilePath(), user + QStringLiteral("/.local/share/tamsel"));
        QVERIFY(QFileInfo::exists(state.UserFolder + QStringLiteral("usrcurso.mdb")));
        QVERIFY(state.UserDb && !state.UserDb->isReadOnly());
    }

    void courseFolderResolves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // relative to the folder; "!" = refused
        QTest::newRow("backslashes and blanks") << "  Fondos\\Mapa.BMP  " << "fondos/mapa.bmp";
        QTest::newRow("case of every component") << "FONDOS\\SUB\\Boton.bmp" << "fondos/Sub/boton.BMP";
        QTest::newRow("missing file kept as written") << "fondos\\nuevo.bmp" << "fondos/nuevo.bmp";
        QTest::newRow("dot dot inside") << "fondos\\sub\\..\\mapa.bmp" << "fondos/mapa.bmp";
        QTest::newRow("leaves the folder") << "..\\..\\etc\\passwd" << "!";
        QTest::newRow("absolute") << "/etc/passwd" << "!";
        QTest::newRow("drive") << "c:\\windows\\win.ini" << "!";
        QTest::newRow("root of a drive") << "D:\\" << "!";
        QTest::newRow("empty") << "   " << "!";
        QTest::newRow("link to a folder outside, other case") << "ENLACE\\Secreto.TXT" << "!";
        QTest::newRow("link to a file outside") << "atajo.bmp" << "!";
        QTest::newRow("link to a missing file outside") << "roto.wav" << "!";
        QTest::newRow("missing file behind a link outside") << "enlace\\nuevo.wav" << "!";
        QTest::newRow("link that stays inside") << "dentro\\MAPA.bmp" << "dentro/mapa.bmp";
    }

    void courseFolderResolves()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("fondos/mapa.bmp")), "BM");
        writeBytes(dir.filePath(QStringLiteral("fondos/Sub/boton.BMP")), "BM");
        QTemporaryDir outside;
        writeBytes(outside.filePath(QStringLiteral("secreto.txt")), "x");
        QVERIFY(QFile::link(outside.path(), dir.filePath(QStringLiteral("enlace"))));
        QVERIFY(QFile::link(outside.filePath(QStringLiteral("secreto.txt")), dir.filePath(QStringLiteral("atajo.bmp"))));
        QVERIFY(QFile::link(outside.filePath(QStringLiteral("falta.wav")), dir.filePath(QStringLiteral("roto.wav"))));
        QVERIFY(QFile::link(QStringLiteral("fondos"), dir.filePath(QStringLiteral("dentro"))));
        const CourseFolder folder(dir.path() + QStringLiteral("/"));
        QCOMPARE(folder.path(), dir.path() + QLatin1Char('/')); // one slash, not two
        if (expected == QLatin1String("!")) {
            QVERIFY_THROWS_EXCEPTION(CourseError, folder.resolve(name));
            return;
        }
        QCOMPARE(folder.resolve(name), dir.path() + QLatin1Char('/') + expected);
        // A course folder reached through a link of its own is still the course folder.
        const QString alias = outside.filePath(QStringLiteral("curso"));
        QVERIFY(QFile::link(dir.path(), alias));
        QCOMPARE(CourseFolder(alias).resolve(name), alias + QLatin1Char('/') + expected);
    }

    void requireNamesTheMissingFile()
    {
        QTemporaryDir dir;
        const CourseFolder folder(dir.path());
        try {
            folder.require(QStringLiteral("sonidos\\falta.wav"));
            QFAIL("no error");
        } catch (const CourseError& e) {
            QVERIFY(e.message().contains(QStringLiteral("sonidos\\falta.wav")));
        }
    }

    void windowsPathsMapIntoTheDataFolder()
    {
        qputenv("XDG_DATA_HOME", "/home/ana/.local/share");
        QCOMPARE(UserPaths::fromWindowsPath(QStringLiteral("c:\\lurva\\sir.wav")), QStringLiteral("/home/ana/.local/share/tamsel/c/lurva/sir.wav"));
        QCOMPARE(UserPaths::fromWindowsPath(QStringLiteral("D:/Curso/usrcurso.mdb")), QStringLiteral("/home/ana/.local/share/tamsel/d/Curso/usrcurso.mdb"));
        QCOMPARE(UserPaths::fromWindowsPath(QStringLiteral("/var/lib/curso/usrcurso.mdb")), QStringLiteral("/var/lib/curso/usrcurso.mdb"));
        QCOMPARE(folderOf(QStringLiteral("C:\\Archivos de programa\\Curso de inglés\\usrcurso.mdb")),
            QStringLiteral("C:\\Archivos de programa\\Curso de inglés\\"));
        QCOMPARE(folderOf(QStringLiteral("usrcurso.mdb")), QString());
    }

    void windowsPathsStayOnTheirDrive_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // relative to the data folder; "!" = refused
        QTest::newRow("dot dot inside the drive") << "c:\\lurva\\..\\sir.wav" << "c/sir.wav";
        QTest::newRow("folder keeps its slash") << "C:\\lurva\\" << "c/lurva/";
        QTest::newRow("climbs out of the drive") << "C:\\..\\..\\x" << "!";
        QTest::newRow("through a link out of the drive") << "c:\\salida\\grabacion.wav" << "!";
    }

    void windowsPathsStayOnTheirDrive()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QTemporaryDir home;
        QTemporaryDir outside;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        const QString data = UserPaths::dataFolder();
        QVERIFY(QDir().mkpath(data + QStringLiteral("c/lurva")));
        QVERIFY(QFile::link(outside.path(), data + QStringLiteral("c/salida")));
        if (expected == QLatin1String("!")) {
            try {
                UserPaths::fromWindowsPath(path);
                QFAIL("the path was accepted");
            } catch (const CourseError& e) {
                QVERIFY2(e.message().contains(path) && e.message().contains(QStringLiteral("outside")), qPrintable(e.message()));
            }
            return;
        }
        QCOMPARE(UserPaths::fromWindowsPath(path), data + expected);
    }

    void userFolderFromTheProgramSection()
    {
        FixtureCourse course(QStringLiteral("insert into lecciones (N_leccion, tipo) values (1, 1);"));
        course.useHere();
        const QString section = StartUp::programSection();
        Trace trace;
        ModuleState state;
        StartUp startUp(state, trace, course.folder());

        // A long path: the whole folder, not its first 11 characters.
        course.writeExpertIni(QStringLiteral("[%1]\nBDW=/srv/cursos/ingles basico/usrcurso.mdb\n").arg(section));
        startUp.ReadUserFolder();
        QCOMPARE(state.UserFolder, QStringLiteral("/srv/cursos/ingles basico/"));

        // A value that does not name the learner database leaves the folder alone.
        course.writeExpertIni(QStringLiteral("[%1]\nBDW=/otra/cosa.mdb\n").arg(section));
        startUp.ReadUserFolder();
        QCOMPARE(state.UserFolder, QStringLiteral("/srv/cursos/ingles basico/"));

        // The install section's value wins and becomes InstallSection.
        startUp.ResolveProgramFolder();
        startUp.ReadInstallSettings();
        QCOMPARE(state.InstallSection, QStringLiteral("CURSO"));
        course.writeExpertIni(QStringLiteral("[curso]\nbdw=%1\n").arg(course.learnerDatabase()));
        startUp.OpenUserDatabase();
        QCOMPARE(state.InstallSection, course.learnerDatabase());
        QCOMPARE(state.UserFolder, course.path(QStringLiteral("data/tamsel/")));
        QVERIFY(state.UserDb && !state.UserDb->isReadOnly());
    }

    void roundingHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("363.5") << 363.5 << 364;
        QTest::newRow("362.5") << 362.5 << 362;
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("80.4") << 80.4 << 80;
        QTest::newRow("80.6") << 80.6 << 81;
    }

    void roundingHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(roundHalfEven(value), rounded);
    }

    void commandLine()
    {
        const CommandLine a = CommandLine::parse({ "tamsel", "--course", "/cd", "--trace=-" });
        QCOMPARE(a.course, QStringLiteral("/cd"));
        QCOMPARE(a.trace, QStringLiteral("-"));
        QVERIFY(a.error.isEmpty());
        QVERIFY(CommandLine::parse({ "tamsel", "--version" }).version);
        QVERIFY(CommandLine::parse({ "tamsel", "-h" }).help);
        QVERIFY(CommandLine::parse({ "tamsel", "--course" }).error.contains(QStringLiteral("--course")));
        QVERIFY(CommandLine::parse({ "tamsel", "--bogus" }).error.contains(QStringLiteral("--bogus")));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
