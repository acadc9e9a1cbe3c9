#include "CourseCompiler.h"
#include "CourseError.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString schemaFolder = QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema");

void writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    f.write(bytes);
}

QByteArray readFile(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class CourseCompilerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copiesFilesWhereverTheSourceIsNamed_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::newRow("relative") << "src" << "out";
        QTest::newRow("relative two deep") << "cursos/src" << "out";
        QTest::newRow("absolute") << "@/src" << "@/out";
    }

    void copiesFilesWhereverTheSourceIsNamed()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QTemporaryDir dir;
        source.replace(QLatin1Char('@'), dir.path());
        output.replace(QLatin1Char('@'), dir.path());
        const QString sourceFolder = QDir(dir.path()).filePath(source);
        writeFile(sourceFolder + QStringLiteral("/inst.ini"), "[PRMS]\ndirdef=CURSO\n");
        writeFile(sourceFolder + QStringLiteral("/files/x.txt"), "x");
        writeFile(sourceFolder + QStringLiteral("/files/fondos/y.txt"), "y");

        // As a course author runs it, from the folder that holds the sources.
        QProcess compiler;
        compiler.setWorkingDirectory(dir.path());
        compiler.start(QStringLiteral(COURSEC_TOOL), { source, output, QStringLiteral("--schema"), schemaFolder });
        QVERIFY(compiler.waitForFinished(60000));
        QVERIFY2(compiler.exitCode() == 0, compiler.readAllStandardError().constData());
        const QDir out(QDir(dir.path()).filePath(output));
        QCOMPARE(readFile(out.filePath(QStringLiteral("x.txt"))), QByteArray("x"));
        QCOMPARE(readFile(out.filePath(QStringLiteral("fondos/y.txt"))), QByteArray("y"));
        QVERIFY(out.exists(QStringLiteral("bbm.mdb")));
        QVERIFY(!out.exists(QStringLiteral("src")));
    }

    void installSettingsInWindows1252_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::newRow("euro") << QStringLiteral("5 €") << QByteArray("5 \x80");
        QTest::newRow("quotes, dashes, Œ, Ž") << QStringLiteral("‘a’ “b” – — Œ Ž") << QByteArray("\x91" "a\x92 \x93" "b\x94 \x96 \x97 \x8c \x8e");
        QTest::newRow("C1 control") << QStringLiteral("a\u0080b") << QByteArray();
        QTest::newRow("C1 control of an unassigned byte") << QStringLiteral("a\u0081b") << QByteArray();
        QTest::newRow("letter outside") << QStringLiteral("Łódź") << QByteArray();
        QTest::newRow("beyond 16 bits") << QStringLiteral("a\U0001F600") << QByteArray();
    }

    void installSettingsInWindows1252()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("src"));
        const QString output = dir.filePath(QStringLiteral("out"));
        writeFile(source + QStringLiteral("/inst.ini"), "[PRMS]\n\ndirdef=" + value.toUtf8() + "\n");
        const CourseCompiler compiler(schemaFolder, QStringLiteral("vemparo41"));
        if (bytes.isEmpty()) {
            try {
                compiler.compile(source, output);
                QFAIL("the value was written");
            } catch (const CourseError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("inst.ini, line 3")) && e.message().contains(QStringLiteral("Windows-1252")),
                    qPrintable(e.message()));
            }
            return;
        }
        try {
            compiler.compile(source, output);
        } catch (const CourseError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(readFile(output + QStringLiteral("/inst.ini")), "[PRMS]\r\n\r\ndirdef=" + bytes + "\r\n");
        // The player reads back what was written.
        QCOMPARE(ProfileFile(output + QStringLiteral("/inst.ini")).value(QStringLiteral("PRMS"), QStringLiteral("dirdef")), value);
    }

    // A build that fails part way (a wrong schema, a row that cannot be written) leaves the
    // output folder as it was: a course built before plays on, no half-made one is left.
    void aFailedBuildLeavesTheOutputAsItWas_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QByteArray>("rows");
        QTest::newRow("wrong schema") << QStringLiteral("no-such-schema") << QByteArray();
        QTest::newRow("a row of no table") << schemaFolder << QByteArray("insert into no_such_table values (1);\n");
    }

    void aFailedBuildLeavesTheOutputAsItWas()
    {
        QFETCH(QString, schema);
        QFETCH(QByteArray, rows);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("src"));
        const QString output = dir.filePath(QStringLiteral("out"));
        writeFile(source + QStringLiteral("/inst.ini"), "[PRMS]\ndirdef=CURSO\n");
        writeFile(source + QStringLiteral("/files/x.txt"), "nuevo");
        writeFile(source + QStringLiteral("/content-z.sql"), rows);
        const auto compile = [&](const QString& into) {
            QProcess compiler;
            compiler.start(QStringLiteral(COURSEC_TOOL), { source, into, QStringLiteral("--schema"), schema });
            return compiler.waitForFinished(60000) ? compiler.exitCode() : -1;
        };

        // No output before: none after.
        QCOMPARE(compile(output), 1);
        QVERIFY(!QFileInfo::exists(output));

        // A course built before: kept whole, nothing added.
        writeFile(output + QStringLiteral("/bbm.mdb"), "antes");
        writeFile(output + QStringLiteral("/x.txt"), "antes");
        QCOMPARE(compile(output), 1);
        QCOMPARE(QDir(output).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({ "bbm.mdb", "x.txt" }));
        QCOMPARE(readFile(output + QStringLiteral("/bbm.mdb")), QByteArray("antes"));
        QCOMPARE(readFile(output + QStringLiteral("/x.txt")), QByteArray("antes"));

        // Mended, the build replaces what it makes and leaves no scratch folder.
        schema = schemaFolder;
        writeFile(source + QStringLiteral("/content-z.sql"), QByteArray());
        QCOMPARE(compile(output), 0);
        QCOMPARE(readFile(output + QStringLiteral("/x.txt")), QByteArray("nuevo"));
        QVERIFY(readFile(output + QStringLiteral("/bbm.mdb")).startsWith("SQLite format 3"));
        QVERIFY(QDir(output).entryList({ QStringLiteral(".*") }, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(CourseCompilerTest)
#include "tst_coursec.moc"
