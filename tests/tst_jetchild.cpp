// The conversion's reader process: it dies with the program that started it, and it
// starts cleanly from a program whose other threads are busy with locks of their own
// (text converters, the environment) at the moment of the fork.
#include "CourseError.h"
#include "JetConverter.h"
#include "JetFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <thread>
#include <vector>

namespace {

const char* const convertOption = "--convert-and-wait";

// The helper mode of this program: converts FILE, whose reading never ends, as the
// player would, until the test kills it.
int convertAndWait(const char* file, const char* target)
{
    std::printf("converting\n");
    std::fflush(stdout);
    try {
        JetConverter::convert(QFile::decodeName(file), QFile::decodeName(target), {}, 120000);
    } catch (const CourseError& error) {
        std::printf("%s\n", qPrintable(error.message()));
    }
    return 0;
}

// The children of PARENT, from the process table.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid …": the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent)
            children << pid;
    }
    return children;
}

// A process runs while it is in the table and not a zombie waiting to be reaped.
bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const QByteArray state = line.mid(line.lastIndexOf(')') + 2, 1);
    return state != "Z" && state != "X";
}

} // namespace

class TestJetChild : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    // A program killed while its reader is busy (here on a file whose catalog libmdb
    // reads for ever) takes the reader with it.
    void readerDiesWithItsParent()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("loop.mdb"));
        QVERIFY(QFile::copy(QStringLiteral(TAMSEL_SOURCE_DIR "/tests/fuzz/jet-crashers/catalog-properties-loop"), file));
        QProcess helper;
        helper.start(QCoreApplication::applicationFilePath(), { QString::fromLatin1(convertOption), file, dir.filePath(QStringLiteral("copy.sqlite")) });
        QVERIFY(helper.waitForReadyRead(20000));
        QCOMPARE(helper.readLine().trimmed(), QByteArray("converting"));
        QList<qint64> readers;
        QElapsedTimer clock;
        clock.start();
        while (readers.isEmpty() && clock.elapsed() < 10000) {
            readers = childrenOf(helper.processId());
            QTest::qWait(20);
        }
        QCOMPARE(readers.size(), 1);
        const qint64 reader = readers.first();
        QTest::qWait(300);
        QVERIFY2(isRunning(reader), "the reader ended on its own: the file no longer keeps it busy");

        helper.kill();
        QVERIFY(helper.waitForFinished(10000));
        clock.restart();
        while (isRunning(reader) && clock.elapsed() < 5000)
            QTest::qWait(20);
        const bool orphaned = isRunning(reader);
        if (orphaned)
            ::kill(pid_t(reader), SIGKILL);
        QVERIFY2(!orphaned, "the reader outlived the program that started it");
    }

    // Other threads take and give back the locks of iconv and of the environment all the
    // time; the conversions started meanwhile end as they should, none stuck on a lock.
    void convertsWhileOtherThreadsHoldLocks()
    {
        std::atomic<bool> stop = false;
        std::vector<std::thread> threads;
        for (int i = 0; i < 3; ++i) {
            threads.emplace_back([&stop, i] {
                while (!stop) {
                    const iconv_t converter = iconv_open("UTF-16LE", i == 0 ? "CP1251" : "CP1253");
                    if (converter != reinterpret_cast<iconv_t>(-1))
                        iconv_close(converter);
                    qEnvironmentVariableIsEmpty("TAMSEL_JET_STDERR");
                    QString text = QString::number(i).repeated(64);
                    text.replace(QLatin1Char('1'), QLatin1Char('2'));
                }
            });
        }
        QTemporaryDir dir;
        QStringList failures;
        for (int run = 0; run < 12; ++run) {
            const QString copy = dir.filePath(QStringLiteral("copy%1.sqlite").arg(run));
            try {
                const JetConversion conversion = JetConverter::convert(JetFixture::folder() + QStringLiteral("/jet3-types.mdb"), copy, {}, 5000);
                if (conversion.tables != 4 || !QFile::exists(copy))
                    failures << QStringLiteral("run %1: %2 tables").arg(run).arg(conversion.tables);
            } catch (const CourseError& error) {
                failures << QStringLiteral("run %1: %2").arg(run).arg(error.message());
            }
        }
        stop = true;
        for (std::thread& thread : threads)
            thread.join();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], convertOption) == 0)
        return convertAndWait(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestJetChild test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jetchild.moc"
