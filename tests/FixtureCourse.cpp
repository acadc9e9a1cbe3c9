#include "FixtureCourse.h"

#include "CourseCompiler.h"
#include "MediaRecipes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

FixtureCourse::FixtureCourse(const QString& contentRows)
{
    for (const char* sub : { "course", "config/tamsel", "data/tamsel", "runtime" })
        QDir(m_root.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(path(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const CourseCompiler compiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), QStringLiteral("vemparo41"));
    compiler.buildDatabase(folder() + QStringLiteral("/bbm.mdb"), QStringLiteral("content"), contentRows);
    compiler.buildDatabase(learnerDatabase(), QStringLiteral("learner"), QString());
    QFile inst(folder() + QStringLiteral("/inst.ini"));
    inst.open(QIODevice::WriteOnly);
    inst.write("[PRMS]\r\ndirdef=CURSO\r\n");
    writeExpertIni(QStringLiteral("[CURSO]\nBDW=%1\n[tamsel]\nBDW=%1\n").arg(learnerDatabase()));
}

void FixtureCourse::addPicture(const QString& name, const QSize& size, const QColor& colour) const
{
    const QString file = folder() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(file).path());
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    QVERIFY2(image.save(file), qPrintable(file));
}

void FixtureCourse::addMinimalMap() const
{
    addPicture(QStringLiteral("mapa.bmp"), QSize(640, 480), Qt::darkCyan);
    addPicture(QStringLiteral("mascara.bmp"), QSize(640, 480), Qt::black);
    addHandCursor();
}

void FixtureCourse::addTone(const QString& name, double seconds, int frequency) const
{
    const QString file = folder() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(file).path());
    MediaRecipes::runTool(QStringLiteral("sox"),
        { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"),
            QStringLiteral("1"), file, QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"), QString::number(frequency),
            QStringLiteral("gain"), QStringLiteral("-6") });
}

void FixtureCourse::writeExpertIni(const QString& text) const
{
    QFile expert(configFolder() + QStringLiteral("/expert.ini"));
    expert.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QString crlf = text;
    expert.write(crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n")).toLatin1());
}

QProcessEnvironment FixtureCourse::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
    return env;
}

void FixtureCourse::useHere() const
{
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", path(QStringLiteral("runtime")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", path(QStringLiteral("cache")).toLocal8Bit());
}

PlayerRun::PlayerRun(const FixtureCourse& course, const QString& traceName)
    : PlayerRun(QStringLiteral(TAMSEL_BINARY_DIR "/tamsel"), course.environment(), course.path(traceName))
{
    m_courseArguments = QStringList { QStringLiteral("--course"), course.folder() };
}

PlayerRun::PlayerRun(const QString& program, const QProcessEnvironment& environment, const QString& traceFile)
    : m_program(program)
    , m_traceFile(traceFile)
    , m_process(new QProcess)
{
    m_process->setProcessEnvironment(environment);
}

PlayerRun::~PlayerRun()
{
    stop();
    delete m_process;
}

void PlayerRun::useDisplay()
{
    QProcessEnvironment env = m_process->processEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_process->setProcessEnvironment(env);
}

void PlayerRun::start(const QStringList& extra)
{
    m_process->start(m_program, m_courseArguments + QStringList { QStringLiteral("--trace"), m_traceFile } + extra);
    QVERIFY2(m_process->waitForStarted(), "the player did not start");
}

int PlayerRun::waitForExit(int timeoutMs)
{
    if (!m_process->waitForFinished(timeoutMs))
        return -1;
    m_stderr = QString::fromLocal8Bit(m_process->readAllStandardError());
    return m_process->exitCode();
}

QList<QJsonObject> readTrace(const QString& file, const QString& name)
{
    QList<QJsonObject> events;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return events;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (name.isEmpty() || event.value(QStringLiteral("ev")).toString() == name)
            events << event;
    }
    return events;
}

QList<QJsonObject> PlayerRun::events() const
{
    return readTrace(m_traceFile);
}

QList<QJsonObject> PlayerRun::events(const QString& name) const
{
    return readTrace(m_traceFile, name);
}

PointerEvents::StageOnDisplay PlayerRun::startOnDisplay(const QStringList& extra)
{
    useDisplay();
    start(extra);
    const QJsonObject stage = waitForEvent(QStringLiteral("stage"));
    if (stage.isEmpty() || waitForEvent(QStringLiteral("screen.activate")).isEmpty())
        return {};
    QTest::qWait(300); // the window manager places and shows the window
    return { { stage.value(QStringLiteral("x")).toInt(), stage.value(QStringLiteral("y")).toInt() },
        stage.value(QStringLiteral("factor")).toDouble(1) };
}

QJsonObject PlayerRun::waitForEvent(const QString& name, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QList<QJsonObject> found = events(name);
        if (!found.isEmpty())
            return found.first();
        if (m_process->state() == QProcess::NotRunning)
            break;
        QTest::qWait(50);
    }
    const QList<QJsonObject> found = events(name);
    return found.isEmpty() ? QJsonObject() : found.first();
}

void PlayerRun::terminate()
{
    m_process->terminate();
}

void PlayerRun::stop()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(3000)) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}
