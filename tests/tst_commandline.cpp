// Every program's help, version and mistakes of its command line speak Spanish, and its
// help reads as help2man makes a Spanish manual page of it.
#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Whatever the system's language: the learner's is Spanish.
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

const QStringList& programs()
{
    static const QStringList all { QStringLiteral(TAMSEL_TOOL), QStringLiteral(IMPORT_TOOL), QStringLiteral(REPORT_TOOL),
        QStringLiteral(COURSEC_TOOL), QStringLiteral(REGCONTROL_TOOL), QStringLiteral(RTFCAT_TOOL), QStringLiteral(LESSON_TOOL) };
    return all;
}

// Qt's and our own English words, that none of the texts may hold.
const QStringList kEnglish { QStringLiteral("Usage"), QStringLiteral("Options"), QStringLiteral("Arguments"), QStringLiteral("Displays"),
    QStringLiteral("Unknown option"), QStringLiteral("Missing value"), QStringLiteral("needs a value"), QStringLiteral("show this help"),
    QStringLiteral("unknown argument"), QStringLiteral("give exactly") };

void verifySpanish(const QString& text)
{
    for (const QString& word : kEnglish)
        QVERIFY2(!text.contains(word, Qt::CaseInsensitive), qPrintable(text));
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void helpIsSpanishAndReadsAsAManualPage_data()
    {
        QTest::addColumn<QString>("program");
        for (const QString& program : programs())
            QTest::newRow(qPrintable(QFileInfo(program).fileName())) << program;
    }

    void helpIsSpanishAndReadsAsAManualPage()
    {
        QFETCH(QString, program);
        const QString name = QFileInfo(program).fileName();
        for (const QString& option : { QStringLiteral("--help"), QStringLiteral("-h") }) {
            const Run help = run(program, { option });
            QCOMPARE(help.status, 0);
            // help2man's Spanish words for the synopsis and the options, the program's own
            // name (no path), and every line of the options indented.
            QVERIFY2(help.out.startsWith(QStringLiteral("Modo de empleo: %1 ").arg(name)), qPrintable(help.out));
            QVERIFY2(help.out.contains(QLatin1String("\nOpciones:\n  ")), qPrintable(help.out));
            QVERIFY2(help.out.contains(QLatin1String("--help")) && help.out.contains(QLatin1String("termina")), qPrintable(help.out));
            verifySpanish(help.out);
        }
        const Run version = run(program, { QStringLiteral("--version") });
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QStringLiteral("%1 %2\n").arg(name, QStringLiteral(TAMSEL_VERSION)));
    }

    void mistakesAreSpanish_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        for (const QString& program : programs()) {
            const QString name = QFileInfo(program).fileName();
            QTest::newRow(qPrintable(name + QStringLiteral(": unknown option"))) << program << QStringList { "--bogus" } << "Opción desconocida";
        }
        QTest::newRow("tamsel: no value") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--course" } << "Falta valor tras «--course»";
        QTest::newRow("tamsel: bad scale") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--scale", "grande" }
                                           << "--scale lleva un factor entero de 1 a 16 o «fit», no «grande»";
        QTest::newRow("tamsel: scale too big") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--scale=17" } << "no «17»";
        QTest::newRow("report: no value") << QStringLiteral(REPORT_TOOL) << QStringList { "x", "--csv" } << "Falta valor tras «--csv»";
        QTest::newRow("report: no output") << QStringLiteral(REPORT_TOOL) << QStringList { "x" } << "indique al menos un ORIGEN y --csv o --html";
        QTest::newRow("coursec: no schema") << QStringLiteral(COURSEC_TOOL) << QStringList { "a", "b" } << "falta --schema CARPETA";
        QTest::newRow("coursec: no value") << QStringLiteral(COURSEC_TOOL) << QStringList { "a", "b", "--schema" } << "Falta valor tras «--schema»";
        QTest::newRow("coursec: one folder") << QStringLiteral(COURSEC_TOOL) << QStringList { "a", "--schema", "s" } << "indique una FUENTE y una SALIDA";
        QTest::newRow("import: one folder") << QStringLiteral(IMPORT_TOOL) << QStringList { "a" } << "indique un CURSO y una SALIDA";
        QTest::newRow("regcontrol: no library") << QStringLiteral(REGCONTROL_TOOL) << QStringList {} << "indique una sola BIBLIOTECA";
        QTest::newRow("rtfcat: two files") << QStringLiteral(RTFCAT_TOOL) << QStringList { "a", "b" } << "indique un solo ARCHIVO";
    }

    void mistakesAreSpanish()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const Run mistake = run(program, arguments);
        QCOMPARE(mistake.status, 2);
        QVERIFY(mistake.out.isEmpty());
        // One line: the program, what is wrong, and where to look.
        const QString line = QStringLiteral("%1: ").arg(QFileInfo(program).fileName());
        QVERIFY2(mistake.err.contains(line) && mistake.err.contains(said) && mistake.err.trimmed().endsWith(QLatin1String("(vea --help)")),
            qPrintable(mistake.err));
        verifySpanish(mistake.err);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
