// tamsel-lesson, the real program: the learner's own videos added, listed, moved and
// removed in the learner folder the player uses for the course (found as the player finds
// it, and made as its first start makes it), with its exit statuses and Spanish words,
// and the course never written.
#include "CourseFolder.h"
#include "FirstRun.h"
#include "FixtureCourse.h"
#include "OwnLessons.h"
#include "OwnVideoFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

namespace {

const char* const content = "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values"
                            "  (1, 'Mapa', 1, 0, 0), (21, 'Hola', 12, 1, 11);"
                            "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Saludos');";

struct Ran {
    int status = -1;
    QString out;
    QString err;
};

// Every file of FOLDER with its size and time: what "untouched" means.
QStringList stateOf(const QString& folder)
{
    QStringList state;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    state.sort();
    return state;
}

} // namespace

class TestLessonCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void addListMoveRemove();
    void aSinglePhraseIsCountedInTheSingular();
    void theLearnerFolderOfTheSettings();
    void aFirstStartMadeAsThePlayerMakesIt();
    void withoutACourseThePlayersOwn();
    void wrongUsage_data();
    void wrongUsage();
    void refused_data();
    void refused();
    void twoAddsAtOnce();

private:
    QProcess* start(const QStringList& arguments, const QString& program = QStringLiteral(LESSON_TOOL)) const;
    Ran run(const QStringList& arguments, const QString& program = QStringLiteral(LESSON_TOOL)) const;
    QString file(const QString& name) const { return m_files.filePath(name); }

    QTemporaryDir m_files;
    std::unique_ptr<FixtureCourse> m_course;
};

void TestLessonCli::initTestCase()
{
    if (const QString missing = OwnVideoFiles::missingEncoder({ QStringLiteral("libx264"), QStringLiteral("aac") }); !missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("ffmpeg cannot make the videos: no %1").arg(missing)));
    // The learner's film, with accents and spaces, and its subtitles beside it.
    OwnVideoFiles::makeMp4(file(QStringLiteral("Mis pelis/El año pasado.mp4")));
    OwnVideoFiles::write(file(QStringLiteral("Mis pelis/El año pasado.en.srt")),
        OwnVideoFiles::subRip({ QStringLiteral("100-900 Last year."), QStringLiteral("1000-1900 In the snow.") }));
    OwnVideoFiles::write(file(QStringLiteral("Mis pelis/El año pasado.es.srt")),
        OwnVideoFiles::subRip({ QStringLiteral("100-900 El año pasado."), QStringLiteral("1000-1900 En la nieve.") }));
}

void TestLessonCli::init()
{
    m_course = std::make_unique<FixtureCourse>(QString::fromUtf8(content));
}

QProcess* TestLessonCli::start(const QStringList& arguments, const QString& program) const
{
    auto* process = new QProcess;
    process->setProcessEnvironment(m_course->environment());
    process->start(program, arguments);
    return process;
}

Ran TestLessonCli::run(const QStringList& arguments, const QString& program) const
{
    std::unique_ptr<QProcess> process(start(arguments, program));
    Ran ran;
    if (!process->waitForFinished(60000))
        return ran;
    ran.status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    ran.out = QString::fromUtf8(process->readAllStandardOutput());
    ran.err = QString::fromUtf8(process->readAllStandardError());
    return ran;
}

void TestLessonCli::addListMoveRemove()
{
    const QStringList course { QStringLiteral("--course"), m_course->folder() };
    const QStringList before = stateOf(m_course->folder());
    const QString video = file(QStringLiteral("Mis pelis/El año pasado.mp4"));
    Ran ran = run(QStringList { QStringLiteral("add"), video, QStringLiteral("--title"), QStringLiteral("Nieve") } + course);
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QCOMPARE(ran.out.section(QLatin1Char('\n'), 0, 0), QStringLiteral("Añadida la lección 30001, «Nieve»: 2 frases."));
    QVERIFY2(ran.out.contains(QStringLiteral("Español: %1").arg(file(QStringLiteral("Mis pelis/El año pasado.es.srt")))), qPrintable(ran.out));

    ran = run(QStringList { QStringLiteral("list") } + course);
    QCOMPARE(ran.status, 0);
    QVERIFY2(ran.out.contains(QStringLiteral("30001  0:00:03     2 frases  Nieve\n       %1\n").arg(video)), qPrintable(ran.out));

    // The video moved: the list says so by name, and the lesson follows it.
    const QString moved = file(QStringLiteral("Otra carpeta/año.mp4"));
    QVERIFY(QDir().mkpath(QFileInfo(moved).absolutePath()));
    QVERIFY(QFile::rename(video, moved));
    ran = run(QStringList { QStringLiteral("list") } + course);
    QVERIFY2(ran.out.contains(QStringLiteral("No se encuentra el vídeo «%1».").arg(video)), qPrintable(ran.out));
    ran = run(QStringList { QStringLiteral("move"), QStringLiteral("30001"), moved } + course);
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QCOMPARE(OwnLessons(m_course->path(QStringLiteral("data/tamsel"))).lesson(30001)->video, moved);
    QVERIFY(QFile::rename(moved, video));

    ran = run(QStringList { QStringLiteral("remove"), QStringLiteral("30001") } + course);
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QVERIFY(ran.out.startsWith(QStringLiteral("Quitada la lección 30001, «Nieve»")));
    QVERIFY(QFile::exists(video));
    ran = run(QStringList { QStringLiteral("remove"), QStringLiteral("30001") } + course);
    QCOMPARE(ran.status, 1);
    QCOMPARE(ran.err, QStringLiteral("tamsel-lesson: No tienes ninguna lección tuya con el número 30001 (tamsel-lesson list las muestra).\n"));
    ran = run(QStringList { QStringLiteral("list") } + course);
    QVERIFY2(ran.out.startsWith(QStringLiteral("No tienes vídeos tuyos en este curso")), qPrintable(ran.out));
    QCOMPARE(stateOf(m_course->folder()), before);
}

void TestLessonCli::aSinglePhraseIsCountedInTheSingular()
{
    const QStringList course { QStringLiteral("--course"), m_course->folder() };
    const QString one = file(QStringLiteral("Mis pelis/una.en.srt"));
    QFile srt(one);
    QVERIFY(srt.open(QIODevice::WriteOnly));
    srt.write("1\n00:00:00,500 --> 00:00:01,500\nJust one.\n");
    srt.close();
    Ran ran = run(QStringList { QStringLiteral("add"), file(QStringLiteral("Mis pelis/El año pasado.mp4")), QStringLiteral("--en"), one,
                      QStringLiteral("--title"), QStringLiteral("Una") }
        + course);
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QVERIFY2(ran.out.startsWith(QStringLiteral("Añadida la lección ")) && ran.out.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral("«Una»: 1 frase.")),
        qPrintable(ran.out));
    ran = run(QStringList { QStringLiteral("list") } + course);
    QVERIFY2(ran.out.contains(QStringLiteral("  0:00:03     1 frase   Una\n")), qPrintable(ran.out));
    QVERIFY(!ran.out.contains(QStringLiteral("1 frases")));
}

void TestLessonCli::theLearnerFolderOfTheSettings()
{
    // expert.ini names the learner database elsewhere, in the Windows way: the videos go beside it.
    const QString elsewhere = m_course->path(QStringLiteral("otro sitio"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QFile::copy(m_course->learnerDatabase(), elsewhere + QStringLiteral("/usrcurso.mdb")));
    m_course->writeExpertIni(QStringLiteral("[CURSO]\nBDW=%1/usrcurso.mdb\n[tamsel]\nBDW=%1/usrcurso.mdb\n").arg(elsewhere));
    const Ran ran = run({ QStringLiteral("add"), file(QStringLiteral("Mis pelis/El año pasado.mp4")), QStringLiteral("--course"), m_course->folder() });
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QCOMPARE(OwnLessons(elsewhere).lessons().size(), 1);
    QVERIFY(!QFile::exists(m_course->path(QStringLiteral("data/tamsel/misvideos.db"))));
}

void TestLessonCli::aFirstStartMadeAsThePlayerMakesIt()
{
    // A course that carries its learner database, never started by this user.
    QVERIFY(QFile::copy(m_course->learnerDatabase(), m_course->folder() + QStringLiteral("/usrcurso.mdb")));
    QVERIFY(QFile::remove(m_course->configFolder() + QStringLiteral("/expert.ini")));
    const Ran ran = run({ QStringLiteral("add"), file(QStringLiteral("Mis pelis/El año pasado.mp4")), QStringLiteral("--course"), m_course->folder() });
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    m_course->useHere();
    const QString learner = FirstRun(CourseFolder(m_course->folder())).learnerFolder();
    QVERIFY(QFile::exists(learner + QStringLiteral("usrcurso.mdb")));
    QCOMPARE(OwnLessons(learner).lessons().size(), 1);
    // The player's own sections, never one named after this program.
    QFile expert(m_course->configFolder() + QStringLiteral("/expert.ini"));
    QVERIFY(expert.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(expert.readAll()), QStringLiteral("[CURSO]\r\nBDW=%1usrcurso.mdb\r\n[tamsel]\r\nBDW=%1usrcurso.mdb\r\n").arg(learner));
}

void TestLessonCli::withoutACourseThePlayersOwn()
{
    // A build keeps its programs beside the demo course it made (course/), as the player finds it.
    QTemporaryDir build;
    const QString program = build.filePath(QStringLiteral("tamsel-lesson"));
    QVERIFY(QFile::copy(QStringLiteral(LESSON_TOOL), program));
    QVERIFY(QFile::link(m_course->folder(), build.filePath(QStringLiteral("course"))));
    const Ran ran = run({ QStringLiteral("add"), file(QStringLiteral("Mis pelis/El año pasado.mp4")) }, program);
    QVERIFY2(ran.status == 0, qPrintable(ran.err));
    QCOMPARE(OwnLessons(m_course->path(QStringLiteral("data/tamsel"))).lessons().size(), 1);
}

void TestLessonCli::wrongUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList() << QStringLiteral("falta la orden: add, list, remove o move");
    QTest::newRow("unknown") << QStringList { QStringLiteral("borrar") } << QStringLiteral("no hay ninguna orden «borrar»");
    QTest::newRow("add without a video") << QStringList { QStringLiteral("add") } << QStringLiteral("la orden add lleva un VÍDEO");
    QTest::newRow("remove a word") << QStringList { QStringLiteral("remove"), QStringLiteral("uno") } << QStringLiteral("«uno» no es un número de lección");
    QTest::newRow("remove too big") << QStringList { QStringLiteral("remove"), QStringLiteral("99999") } << QStringLiteral("«99999» no es un número de lección");
    QTest::newRow("move without a video") << QStringList { QStringLiteral("move"), QStringLiteral("30001") } << QStringLiteral("la orden move lleva un número N y un VÍDEO");
    QTest::newRow("list with --en") << QStringList { QStringLiteral("list"), QStringLiteral("--en"), QStringLiteral("a.srt") } << QStringLiteral("--en, --es y --title son de la orden add");
    QTest::newRow("an unknown option") << QStringList { QStringLiteral("list"), QStringLiteral("--todo") } << QStringLiteral("Opción desconocida «--todo».");
}

void TestLessonCli::wrongUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Ran ran = run(arguments);
    QCOMPARE(ran.status, 2);
    QCOMPARE(ran.err, QStringLiteral("tamsel-lesson: %1 (vea --help)\n").arg(message));
    QVERIFY(ran.out.isEmpty());
}

void TestLessonCli::refused_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" is the film, "%" a file of this test's folder
    QTest::addColumn<QString>("message");
    QTest::newRow("no such video") << QStringList { QStringLiteral("add"), QStringLiteral("%no está.mp4") }
                                   << QStringLiteral("No se encuentra el vídeo «%1».").arg(file(QStringLiteral("no está.mp4")));
    QTest::newRow("subtitles that are not") << QStringList { QStringLiteral("add"), QStringLiteral("@"), QStringLiteral("--en"), QStringLiteral("%Mis pelis/El año pasado.mp4") }
                                            << QStringLiteral("El archivo El año pasado.mp4 no es un archivo de subtítulos (SubRip, WebVTT o SSA/ASS).");
    QTest::newRow("missing subtitles") << QStringList { QStringLiteral("add"), QStringLiteral("@"), QStringLiteral("--es"), QStringLiteral("%nada.srt") }
                                       << QStringLiteral("No se encuentra el archivo de subtítulos nada.srt.");
    QTest::newRow("a video that is not") << QStringList { QStringLiteral("add"), QStringLiteral("%Mis pelis/El año pasado.en.srt") }
                                         << QStringLiteral("No se puede reproducir el vídeo «El año pasado.en.srt»: no es un vídeo o está en un formato que este ordenador no sabe leer.");
    QTest::newRow("no such course") << QStringList { QStringLiteral("list"), QStringLiteral("--course"), QStringLiteral("%sin curso") }
                                    << QStringLiteral("No se encuentra el curso en %1: esa carpeta no existe.").arg(file(QStringLiteral("sin curso")));
}

void TestLessonCli::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    for (QString& argument : arguments) {
        if (argument == QLatin1String("@"))
            argument = file(QStringLiteral("Mis pelis/El año pasado.mp4"));
        else if (argument.startsWith(QLatin1Char('%')))
            argument = file(argument.mid(1));
    }
    if (!arguments.contains(QStringLiteral("--course")))
        arguments << QStringLiteral("--course") << m_course->folder();
    const QStringList before = stateOf(m_course->folder());
    const Ran ran = run(arguments);
    QCOMPARE(ran.status, 1);
    QVERIFY2(ran.err.startsWith(QStringLiteral("tamsel-lesson: %1\n").arg(message)), qPrintable(ran.err));
    QVERIFY(ran.out.isEmpty());
    QCOMPARE(stateOf(m_course->folder()), before);
    QVERIFY(OwnLessons(m_course->path(QStringLiteral("data/tamsel"))).lessons().isEmpty());
}

void TestLessonCli::twoAddsAtOnce()
{
    const QStringList arguments { QStringLiteral("add"), file(QStringLiteral("Mis pelis/El año pasado.mp4")), QStringLiteral("--course"), m_course->folder() };
    std::unique_ptr<QProcess> first(start(arguments));
    std::unique_ptr<QProcess> second(start(arguments));
    QVERIFY(first->waitForFinished(60000) && second->waitForFinished(60000));
    QCOMPARE(first->exitCode(), 0);
    QCOMPARE(second->exitCode(), 0);
    const QList<OwnLessons::Lesson> lessons = OwnLessons(m_course->path(QStringLiteral("data/tamsel"))).lessons();
    QCOMPARE(lessons.size(), 2);
    QCOMPARE(lessons[0].number, qint16(30001));
    QCOMPARE(lessons[1].number, qint16(30002));
    QCOMPARE(lessons[1].phraseCount, 2);
}

QTEST_GUILESS_MAIN(TestLessonCli)
#include "tst_lessoncli.moc"
