// The first start of a course for a user: the player sets the user up as the course's
// set-up program did, and never overwrites what the user already has.
#include "CourseCompiler.h"
#include "CourseError.h"
#include "Database.h"
#include "ExplainedError.h"
#include "FirstRun.h"
#include "FixtureCourse.h"
#include "ModuleState.h"
#include "ProfileFile.h"
#include "StartUp.h"
#include "Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QString oneLesson = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2) values (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp');");
const QByteArray recording = QByteArray("RIFF$\0\0\0WAVEfmt ", 16);

QByteArray readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void writeAll(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    f.write(bytes);
}

// A course that carries its learner database and recorder template, as a CD-ROM and the
// installed demo course do, with DIRDEF (Windows-1252) as its section.
void carryLearnerDatabase(const FixtureCourse& course, const QByteArray& dirdef)
{
    const CourseCompiler compiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"));
    compiler.buildDatabase(course.folder() + QStringLiteral("/USRCURSO.MDB"), QStringLiteral("learner"), QString());
    writeAll(course.folder() + QStringLiteral("/ejgrab.wav"), recording);
    writeAll(course.folder() + QStringLiteral("/inst.ini"), "[PRMS]\r\ndirdef=" + dirdef + "\r\n");
}

// The learner database the player opened, once its start-up is done.
QString learnerOpened(PlayerRun& player)
{
    if (player.waitForEvent(QStringLiteral("stage")).isEmpty())
        return QStringLiteral("(no start: %1)").arg(player.waitForExit() == 1 ? player.standardError() : QString());
    return player.events(QStringLiteral("db.open")).last().value(QStringLiteral("file")).toString();
}

} // namespace

class FirstRunTest : public QObject {
    Q_OBJECT

private:
    // A course that carries its learner database and recorder template, as a CD-ROM and
    // the installed demo course do, seen by a user who has never started it.
    std::unique_ptr<FixtureCourse> m_course;
    QString m_config;
    QString m_data;
    QString m_traceFile;

    QString expertIni() const { return m_config + QStringLiteral("expert.ini"); }

    // Runs the start-up steps up to the learner database, as the player does.
    void start(ModuleState& state)
    {
        Trace trace;
        QVERIFY(trace.open(m_traceFile));
        StartUp startUp(state, trace, m_course->folder());
        try {
            startUp.ResolveProgramFolder();
            startUp.OpenContentDatabase();
            startUp.prepareFirstRun();
            startUp.ReadUserFolder();
            startUp.ReadInstallSettings();
            startUp.OpenUserDatabase();
        } catch (const CourseError& e) {
            QFAIL(qPrintable(e.message()));
        }
    }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(oneLesson);
        m_course->useHere();
        m_config = m_course->configFolder() + QLatin1Char('/');
        m_data = QFileInfo(m_course->learnerDatabase()).path() + QLatin1Char('/');
        m_traceFile = m_course->path(QStringLiteral("trace.jsonl"));
        // The fixture prepared its user; this one is new.
        QVERIFY(QDir(m_config).removeRecursively());
        QVERIFY(QDir(m_data).removeRecursively());
        carryLearnerDatabase(*m_course, "CURSO DE INGL\xc9S");
    }

    void setsUpANewUser()
    {
        // A course on a CD-ROM or in a system folder is read-only.
        const QString template_ = m_course->folder() + QStringLiteral("/USRCURSO.MDB");
        QVERIFY(QFile::setPermissions(template_, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        ModuleState state;
        start(state);

        // The learner's copy is named after the course's folder.
        const QString folder = FirstRun(CourseFolder(m_course->folder())).learnerFolder();
        QVERIFY2(QRegularExpression(QStringLiteral("^course-[0-9a-f]{8}/$")).match(folder.mid(m_data.size())).hasMatch(), qPrintable(folder));
        QVERIFY(folder.startsWith(m_data));
        const QString learner = folder + QStringLiteral("usrcurso.mdb");
        QCOMPARE(readAll(learner), readAll(template_));
        QVERIFY(QFileInfo(learner).permissions() & QFileDevice::WriteOwner); // the learner's to change
        QCOMPARE(readAll(folder + QStringLiteral("ejgrab.wav")), recording);
        // Both sections, in UTF-8 whatever inst.ini was written in.
        const QString program = StartUp::programSection();
        QCOMPARE(QString::fromUtf8(readAll(expertIni())),
            QStringLiteral("[CURSO DE INGLÉS]\r\nBDW=%1\r\n[%2]\r\nBDW=%1\r\n").arg(learner, program));
        QCOMPARE(state.InstallSection, learner);
        QCOMPARE(state.UserFolder, folder);
        QVERIFY(state.UserDb && !state.UserDb->isReadOnly());

        const QList<QJsonObject> events = readTrace(m_traceFile, QStringLiteral("first_run"));
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().value(QStringLiteral("config")).toString(), m_config);
        QCOMPARE(events.first().value(QStringLiteral("data")).toString(), m_data);
        QCOMPARE(events.first().value(QStringLiteral("learner")).toString(), learner);
    }

    void keepsWhatTheUserHas_data()
    {
        QTest::addColumn<QString>("existing"); // expert.ini, or a file of the course's learner folder
        QTest::addColumn<bool>("due");
        // Settings without the course's section: it is added after what is there.
        QTest::newRow("expert.ini") << "expert.ini" << true;
        QTest::newRow("learner database") << "usrcurso.mdb" << true;
        QTest::newRow("recorder template") << "ejgrab.wav" << true;
    }

    void keepsWhatTheUserHas()
    {
        QFETCH(QString, existing);
        QFETCH(bool, due);
        const QString file = existing == QLatin1String("expert.ini") ? expertIni()
                                                                      : FirstRun(CourseFolder(m_course->folder())).learnerFolder() + existing;
        const QByteArray own = "the learner's own";
        writeAll(file, own);
        QCOMPARE(FirstRun(CourseFolder(m_course->folder())).isDue(), due);
        if (due) {
            Trace trace;
            FirstRun(CourseFolder(m_course->folder())).run(trace);
            QVERIFY(QFileInfo::exists(expertIni()));
        }
        QCOMPARE(readAll(file).left(own.size()), own);
    }

    void notDueForACourseWithoutLearnerDatabase()
    {
        QVERIFY(QFile::remove(m_course->folder() + QStringLiteral("/USRCURSO.MDB")));
        QVERIFY(!FirstRun(CourseFolder(m_course->folder())).isDue());
    }

    // A course refused at start for its inst.ini (missing, or naming no section) gets no
    // copy and no settings, even for a user who has none yet.
    void notDueForACourseWithoutItsSection_data()
    {
        QTest::addColumn<QByteArray>("inst");
        QTest::newRow("no inst.ini") << QByteArray();
        QTest::newRow("no dirdef") << QByteArray("[PRMS]\r\notro=1\r\n");
    }

    void notDueForACourseWithoutItsSection()
    {
        QFETCH(QByteArray, inst);
        const QString file = m_course->folder() + QStringLiteral("/inst.ini");
        QVERIFY(QFile::remove(file));
        if (!inst.isEmpty())
            writeAll(file, inst);
        QVERIFY(!QFileInfo::exists(StartUp::expertIniPath()));
        QVERIFY(!FirstRun(CourseFolder(m_course->folder())).isDue());
    }

    void oneSectionWhenTheCourseIsNamedAsTheProgram()
    {
        const QString program = StartUp::programSection();
        writeAll(m_course->folder() + QStringLiteral("/inst.ini"), "[PRMS]\r\ndirdef=" + program.toUpper().toUtf8() + "\r\n");
        ModuleState state;
        start(state);
        QCOMPARE(QString::fromUtf8(readAll(expertIni())),
            QStringLiteral("[%1]\r\nBDW=%2usrcurso.mdb\r\n").arg(program.toUpper(), FirstRun(CourseFolder(m_course->folder())).learnerFolder()));
    }

    // A second course, as the same user: its own section is added at the end of the
    // settings, nothing before it changes, and it gets a learner database of its own; the
    // first course's, set up by an earlier version as usrcurso.mdb, keeps working.
    void eachCourseGetsItsOwnLearnerDatabase_data()
    {
        QTest::addColumn<bool>("earlierVersion");
        QTest::newRow("set up by an earlier version") << true;
        QTest::newRow("new user") << false;
    }

    void eachCourseGetsItsOwnLearnerDatabase()
    {
        QFETCH(bool, earlierVersion);
        m_course->addMinimalMap();
        FixtureCourse other(oneLesson);
        other.addMinimalMap();
        carryLearnerDatabase(other, "OTRO");
        QString first = FirstRun(CourseFolder(m_course->folder())).learnerFolder() + QStringLiteral("usrcurso.mdb");
        if (earlierVersion) {
            first = m_data + QStringLiteral("usrcurso.mdb");
            QVERIFY(QDir().mkpath(m_data));
            QVERIFY(QFile::copy(m_course->folder() + QStringLiteral("/USRCURSO.MDB"), first));
            writeAll(expertIni(), QStringLiteral("[CURSO DE INGLÉS]\r\nBDW=%1\r\n[tamsel]\r\nBDW=%1\r\n").arg(first).toUtf8());
        }
        const auto startAs = [&](const FixtureCourse& course, const QString& traceName) {
            PlayerRun player(*m_course, traceName);
            player.start({ QStringLiteral("--course"), course.folder() });
            const QString opened = learnerOpened(player);
            return std::make_pair(opened, int(player.events(QStringLiteral("first_run")).size()));
        };

        QCOMPARE(startAs(*m_course, QStringLiteral("first.jsonl")), std::make_pair(first, earlierVersion ? 0 : 1));
        const QByteArray settings = readAll(expertIni());

        const QString second = FirstRun(CourseFolder(other.folder())).learnerFolder() + QStringLiteral("usrcurso.mdb");
        QVERIFY(second != first && second.startsWith(m_data));
        QCOMPARE(startAs(other, QStringLiteral("second.jsonl")), std::make_pair(second, 1));
        QCOMPARE(readAll(second), readAll(other.folder() + QStringLiteral("/USRCURSO.MDB")));
        QCOMPARE(readAll(expertIni()), settings + QStringLiteral("[OTRO]\r\nBDW=%1\r\n").arg(second).toUtf8());

        // Both courses keep their own from now on.
        QCOMPARE(startAs(*m_course, QStringLiteral("third.jsonl")), std::make_pair(first, 0));
        QCOMPARE(startAs(other, QStringLiteral("fourth.jsonl")), std::make_pair(second, 0));
        QCOMPARE(readAll(expertIni()), settings + QStringLiteral("[OTRO]\r\nBDW=%1\r\n").arg(second).toUtf8());
    }

    // Settings that someone wrote by hand, or a Windows editor: the missing section is added
    // in the file's own code page and line ends, and every byte already there stays.
    void addsOnlyTheMissingSection_data()
    {
        QTest::addColumn<QByteArray>("existing"); // PROGRAM stands for the program's section
        QTest::addColumn<QByteArray>("added");    // LEARNER for the learner database
        QTest::newRow("Windows-1252, LF, no final line end")
            << QByteArray("; instalado a mano\n[Curso de Ingl\xe9s]\nBDW = \"C:\\Cursos\\Ingl\xe9s\\usrcurso.mdb\"\n[PROGRAM]\nBDW=x")
            << QByteArray("\n[INGL\xc9S AVANZADO]\nBDW=LEARNER\n");
        QTest::newRow("UTF-8 with a byte-order mark, CRLF")
            << QByteArray("\xef\xbb\xbf[Curso de Ingl\xc3\xa9s]\r\nBDW=/home/ana/usrcurso.mdb\r\n[PROGRAM]\r\nBDW=x\r\n\r\n")
            << QByteArray("[INGL\xc3\x89S AVANZADO]\r\nBDW=LEARNER\r\n");
        QTest::newRow("empty") << QByteArray()
                               << QByteArray("[INGL\xc3\x89S AVANZADO]\r\nBDW=LEARNER\r\n[PROGRAM]\r\nBDW=LEARNER\r\n");
    }

    void addsOnlyTheMissingSection()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QByteArray, added);
        carryLearnerDatabase(*m_course, "INGL\xc9S AVANZADO");
        const QByteArray program = StartUp::programSection().toUtf8();
        existing.replace("PROGRAM", program);
        writeAll(expertIni(), existing);
        const FirstRun firstRun((CourseFolder(m_course->folder())));
        QVERIFY(firstRun.isDue());
        Trace trace;
        firstRun.run(trace);
        const QString learner = firstRun.learnerFolder() + QStringLiteral("usrcurso.mdb");
        QCOMPARE(readAll(expertIni()), existing + added.replace("PROGRAM", program).replace("LEARNER", learner.toUtf8()));
        const ProfileFile settings(expertIni());
        QCOMPARE(settings.value(QStringLiteral("Inglés avanzado"), QStringLiteral("BDW")), learner);
        if (!existing.isEmpty())
            QVERIFY(settings.value(QStringLiteral("Curso de Inglés"), QStringLiteral("BDW")).endsWith(QLatin1String("usrcurso.mdb")));
        QVERIFY(!firstRun.isDue());
    }

    void leavesASectionWithoutLearnerDatabaseAlone()
    {
        // Someone took the name out on purpose, or is still writing it: the start says so.
        const QByteArray own = "[CURSO DE INGL\xc9S]\r\n; BDW=\r\n";
        writeAll(expertIni(), own);
        QVERIFY(!FirstRun(CourseFolder(m_course->folder())).isDue());
        ModuleState state;
        Trace trace;
        StartUp startUp(state, trace, m_course->folder());
        startUp.ResolveProgramFolder();
        startUp.prepareFirstRun();
        startUp.ReadInstallSettings();
        try {
            startUp.OpenUserDatabase();
            QFAIL("the learner database was opened without a name");
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(QLatin1String("no BDW")), qPrintable(e.message()));
        }
        QCOMPARE(readAll(expertIni()), own);
    }

    void aWindows1252FileThatCannotSpellTheLearnerPathStaysAsItIs()
    {
        carryLearnerDatabase(*m_course, "OTRO");
        qputenv("XDG_DATA_HOME", m_course->path(QStringLiteral("данные")).toUtf8());
        const QByteArray own = "[Curso de Ingl\xe9s]\r\nBDW=C:\\usrcurso.mdb\r\n";
        writeAll(expertIni(), own);
        try {
            Trace trace;
            FirstRun(CourseFolder(m_course->folder())).run(trace);
            QFAIL("a section that the file cannot hold was added");
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(expertIni()) && e.message().contains(QLatin1String("Windows-1252")), qPrintable(e.message()));
        }
        QCOMPARE(readAll(expertIni()), own);
    }

    // A damaged template: no copy is left that every later start would open, no settings
    // name one, the learner is told which file, and a mended course starts afresh.
    void aDamagedTemplateLeavesNoCopy()
    {
        const QString template_ = m_course->folder() + QStringLiteral("/USRCURSO.MDB");
        const QByteArray good = readAll(template_);
        writeAll(template_, QByteArray("SQLite format 3") + QByteArray(2000, '\x7f'));
        Trace trace;
        const QString copy = FirstRun(CourseFolder(m_course->folder())).learnerFolder() + QStringLiteral("usrcurso.mdb");
        try {
            FirstRun(CourseFolder(m_course->folder())).run(trace);
            QFAIL("a damaged template was copied");
        } catch (const ExplainedError& e) {
            QVERIFY2(e.learnerText().contains(QStringLiteral("USRCURSO.MDB")) && e.learnerText().contains(QStringLiteral("dañado")),
                qPrintable(e.learnerText()));
        }
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(!QFileInfo::exists(expertIni()));
        QVERIFY(FirstRun(CourseFolder(m_course->folder())).isDue());

        writeAll(template_, good);
        ModuleState state;
        start(state);
        QCOMPARE(readAll(copy), good);
    }

    void aFailedCopyWritesNoSettings()
    {
        // A file where the data folder should be: the next start must try again, so no
        // expert.ini may name a learner database that is not there.
        writeAll(m_course->path(QStringLiteral("data/tamsel")), "not a folder");
        Trace trace;
        try {
            FirstRun(CourseFolder(m_course->folder())).run(trace);
            QFAIL("the first run succeeded without a data folder");
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(m_course->path(QStringLiteral("data/tamsel"))), qPrintable(e.message()));
        }
        QVERIFY(!QFileInfo::exists(expertIni()));
        QVERIFY(FirstRun(CourseFolder(m_course->folder())).isDue());
    }
};

QTEST_GUILESS_MAIN(FirstRunTest)
#include "tst_firstrun.moc"
