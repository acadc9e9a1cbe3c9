// The first start of a course for a user: the player sets the user up as the course's
// set-up program did, and never overwrites what the user already has.
#include "CourseCompiler.h"
#include "CourseError.h"
#include "Database.h"
#include "FirstRun.h"
#include "FixtureCourse.h"
#include "ModuleState.h"
#include "StartUp.h"
#include "Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

const QString oneLesson = QStringLiteral("insert into lecciones (N_leccion, nombre_leccion, tipo) values (1, 'Mapa', 1);");
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
        const CourseCompiler compiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"));
        compiler.buildDatabase(m_course->folder() + QStringLiteral("/USRCURSO.MDB"), QStringLiteral("learner"), QString());
        writeAll(m_course->folder() + QStringLiteral("/ejgrab.wav"), recording);
        writeAll(m_course->folder() + QStringLiteral("/inst.ini"), "[PRMS]\r\ndirdef=CURSO DE INGL\xc9S\r\n");
    }

    void setsUpANewUser()
    {
        // A course on a CD-ROM or in a system folder is read-only.
        const QString template_ = m_course->folder() + QStringLiteral("/USRCURSO.MDB");
        QVERIFY(QFile::setPermissions(template_, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        ModuleState state;
        start(state);

        const QString learner = m_data + QStringLiteral("usrcurso.mdb");
        QCOMPARE(readAll(learner), readAll(template_));
        QVERIFY(QFileInfo(learner).permissions() & QFileDevice::WriteOwner); // the learner's to change
        QCOMPARE(readAll(m_data + QStringLiteral("ejgrab.wav")), recording);
        // Both sections, in UTF-8 whatever inst.ini was written in.
        const QString program = StartUp::programSection();
        QCOMPARE(QString::fromUtf8(readAll(expertIni())),
            QStringLiteral("[CURSO DE INGLÉS]\r\nBDW=%1\r\n[%2]\r\nBDW=%1\r\n").arg(learner, program));
        QCOMPARE(state.InstallSection, learner);
        QCOMPARE(state.UserFolder, m_data);
        QVERIFY(state.UserDb && !state.UserDb->isReadOnly());

        const QList<QJsonObject> events = readTrace(m_traceFile, QStringLiteral("first_run"));
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().value(QStringLiteral("config")).toString(), m_config);
        QCOMPARE(events.first().value(QStringLiteral("data")).toString(), m_data);
    }

    void keepsWhatTheUserHas_data()
    {
        QTest::addColumn<QString>("existing"); // relative to the user's home, "config/" or "data/"
        QTest::addColumn<bool>("due");
        QTest::newRow("expert.ini") << "config/tamsel/expert.ini" << false;
        QTest::newRow("learner database") << "data/tamsel/usrcurso.mdb" << true;
        QTest::newRow("recorder template") << "data/tamsel/ejgrab.wav" << true;
    }

    void keepsWhatTheUserHas()
    {
        QFETCH(QString, existing);
        QFETCH(bool, due);
        const QString file = m_course->path(existing);
        const QByteArray own = "the learner's own";
        writeAll(file, own);
        QCOMPARE(FirstRun(CourseFolder(m_course->folder())).isDue(), due);
        if (due) {
            Trace trace;
            FirstRun(CourseFolder(m_course->folder())).run(trace);
            QVERIFY(QFileInfo::exists(expertIni()));
        }
        QCOMPARE(readAll(file), own);
    }

    void notDueForACourseWithoutLearnerDatabase()
    {
        QVERIFY(QFile::remove(m_course->folder() + QStringLiteral("/USRCURSO.MDB")));
        QVERIFY(!FirstRun(CourseFolder(m_course->folder())).isDue());
    }

    void oneSectionWhenTheCourseIsNamedAsTheProgram()
    {
        const QString program = StartUp::programSection();
        writeAll(m_course->folder() + QStringLiteral("/inst.ini"), "[PRMS]\r\ndirdef=" + program.toUpper().toUtf8() + "\r\n");
        ModuleState state;
        start(state);
        QCOMPARE(QString::fromUtf8(readAll(expertIni())),
            QStringLiteral("[%1]\r\nBDW=%2usrcurso.mdb\r\n").arg(program.toUpper(), m_data));
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
