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

// The environment as the test gives it, with these variables set (an empty value: taken away).
using Variables = QList<std::pair<QString, QString>>;

Run run(const QString& program, const QStringList& arguments, const QString& locale = QStringLiteral("C"), const Variables& variables = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Whatever the system's language: the learner's is Spanish.
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("LANGUAGE"), locale == QLatin1String("C") ? QStringLiteral("en") : locale.left(5));
    // As a session without a runtime folder starts them: Qt's word on it is no concern of the user's.
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // Qt then keeps its runtime folder under the temporary one: this test's own, so that a
    // player open on this machine is not the one these copies hand over to.
    static const QTemporaryDir temporary;
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    for (const auto& [name, value] : variables) {
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
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

QByteArray readAll(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

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
        for (const QString& option : { QStringLiteral("--version"), QStringLiteral("-v") }) {
            const Run version = run(program, { option });
            QCOMPARE(version.status, 0);
            QCOMPARE(version.out, QStringLiteral("%1 %2\n").arg(name, QStringLiteral(TAMSEL_VERSION)));
            QCOMPARE(version.err, QString());
        }
    }

    void mistakesAreSpanish_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        for (const QString& program : programs()) {
            const QString name = QFileInfo(program).fileName();
            QTest::newRow(qPrintable(name + QStringLiteral(": unknown option"))) << program << QStringList { "--bogus" } << "Opción desconocida «--bogus».";
            QTest::newRow(qPrintable(name + QStringLiteral(": unknown short option"))) << program << QStringList { "-x" } << "Opción desconocida «-x».";
        }
        QTest::newRow("tamsel: no value") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--course" } << "Falta valor tras «--course»";
        QTest::newRow("tamsel: bad scale") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--scale", "grande" }
                                           << "--scale lleva un factor entero de 1 a 16 o «fit», no «grande»";
        QTest::newRow("tamsel: a plain argument") << QStringLiteral(TAMSEL_TOOL) << QStringList { "/ruta/curso" }
                                                 << "Sobra el argumento «/ruta/curso». ¿Quería decir --course /ruta/curso?";
        QTest::newRow("tamsel: after --") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--", "--x" } << "Sobra el argumento «--x».";
        QTest::newRow("tamsel: empty course") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--course", "" } << "no un texto vacío";
        QTest::newRow("tamsel: empty course=") << QStringLiteral(TAMSEL_TOOL) << QStringList { "--course=" } << "no un texto vacío";
        QTest::newRow("tamsel: unknown beside Qt's own") << QStringLiteral(TAMSEL_TOOL) << QStringList { "-platform", "offscreen", "--x" }
                                                         << "Opción desconocida «--x».";
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

    // Without a display the mistakes are still the user's to mend, and the lack of a display
    // is said in one line: Qt would abort, in English.
    void noDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QString unset = QStringLiteral("no hay pantalla (DISPLAY no está definida)");
        QTest::newRow("unknown option") << QStringList { "--x" } << QString() << 2 << "Opción desconocida «--x».";
        QTest::newRow("plain argument") << QStringList { "/x" } << QString() << 2 << "¿Quería decir --course /x?";
        QTest::newRow("help") << QStringList { "-vh" } << QString() << 0 << QString();
        QTest::newRow("no course") << QStringList { "--course", "/no/existe" } << QString() << 1 << unset;
        QTest::newRow("nothing") << QStringList {} << QString() << 1 << unset;
        QTest::newRow("display nowhere") << QStringList {} << QStringLiteral(":97") << 1 << QStringLiteral("no hay pantalla (DISPLAY) en «:97»");
    }

    void noDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(int, status);
        QFETCH(QString, said);
        const Run result = run(QStringLiteral(TAMSEL_TOOL), arguments, QStringLiteral("C"),
            { { QStringLiteral("QT_QPA_PLATFORM"), QString() }, { QStringLiteral("WAYLAND_DISPLAY"), QString() },
                { QStringLiteral("XDG_SESSION_TYPE"), QString() }, { QStringLiteral("DISPLAY"), display } });
        QCOMPARE(result.status, status);
        if (status == 0) {
            QVERIFY(result.out.startsWith(QLatin1String("Modo de empleo: tamsel ")));
            return;
        }
        QCOMPARE(result.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(result.err.contains(said), qPrintable(result.err));
        if (status == 1)
            QVERIFY2(result.err.startsWith(QLatin1String("tamsel: No se puede abrir la ventana: ")), qPrintable(result.err));
        verifySpanish(result.err);
    }

    void mistakesAreSpanish()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const Run mistake = run(program, arguments);
        QCOMPARE(mistake.status, 2);
        QVERIFY(mistake.out.isEmpty());
        // One line, nothing else: the program, what is wrong, and where to look.
        QCOMPARE(mistake.err.count(QLatin1Char('\n')), 1);
        const QString line = QStringLiteral("%1: ").arg(QFileInfo(program).fileName());
        QVERIFY2(mistake.err.startsWith(line) && mistake.err.contains(said) && mistake.err.trimmed().endsWith(QLatin1String("(vea --help)")),
            qPrintable(mistake.err));
        verifySpanish(mistake.err);
    }

    // What a program says when it cannot do what it was asked: first line the user's words
    // naming the file, whatever the system's language; the technical account may follow.
    void failuresAreSpanish_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("locale");
        const QString dir = m_files.path();
        const QString picture = m_files.filePath(QStringLiteral("foto.bmp"));
        const QString text = m_files.filePath(QStringLiteral("texto.txt"));
        const QString none = m_files.filePath(QStringLiteral("no hay"));
        const QString output = m_files.filePath(QStringLiteral("salida"));
        const QList<std::tuple<const char*, QString, QStringList, QString>> cases {
            { "rtfcat: no file", QStringLiteral(RTFCAT_TOOL), { none }, QStringLiteral("No se encuentra la ficha %1: el archivo no existe.").arg(none) },
            { "rtfcat: a picture", QStringLiteral(RTFCAT_TOOL), { picture }, QStringLiteral("%1 no es una ficha: no es RTF ni texto.").arg(picture) },
            { "rtfcat: a folder", QStringLiteral(RTFCAT_TOOL), { dir }, QStringLiteral("%1 no es una ficha: es una carpeta.").arg(dir) },
            { "regcontrol: no library", QStringLiteral(REGCONTROL_TOOL), { none },
                QStringLiteral("No se encuentra la biblioteca de controles %1: el archivo no existe.").arg(none) },
            { "regcontrol: a text", QStringLiteral(REGCONTROL_TOOL), { text },
                QStringLiteral("No se puede cargar la biblioteca de controles %1: no es una biblioteca o le falta otra que necesita.").arg(text) },
            { "coursec: no sources", QStringLiteral(COURSEC_TOOL), { none, output, QStringLiteral("--schema"), dir },
                QStringLiteral("No se encuentra la carpeta de fuentes del curso %1: esa carpeta no existe.").arg(none) },
            { "coursec: no schema", QStringLiteral(COURSEC_TOOL), { dir, output, QStringLiteral("--schema"), none },
                QStringLiteral("No se encuentra el archivo %1/content.sql.").arg(none) },
            { "import: no course", QStringLiteral(IMPORT_TOOL), { none, output }, QStringLiteral("No se encuentra el curso en %1: esa carpeta no existe.").arg(none) },
            { "import: a folder without bbm.mdb", QStringLiteral(IMPORT_TOOL), { dir, output },
                QStringLiteral("No se encuentra el curso en %1: falta el archivo bbm.mdb.").arg(dir) },
            { "import: a damaged bbm.mdb", QStringLiteral(IMPORT_TOOL), { m_damaged.path(), output },
                QStringLiteral("No se puede abrir el curso de %1: su archivo bbm.mdb está dañado o no es de este programa.").arg(m_damaged.path()) },
            { "import: no inst.ini", QStringLiteral(IMPORT_TOOL), { m_noSettings.path(), output },
                QStringLiteral("Falta el archivo inst.ini en %1.").arg(m_noSettings.path()) },
            { "import: output is a file", QStringLiteral(IMPORT_TOOL), { m_noSettings.path(), text },
                QStringLiteral("No se puede copiar el curso en %1: es un archivo, no una carpeta.").arg(text) },
            { "import: a picture", QStringLiteral(IMPORT_TOOL), { picture, output }, QStringLiteral("%1 no es un curso ni la imagen de un disco.").arg(picture) },
            { "report: no course", QStringLiteral(REPORT_TOOL), { QStringLiteral("--course"), none, QStringLiteral("--csv"), QStringLiteral("-"), text },
                QStringLiteral("No se encuentra el curso en %1: esa carpeta no existe. Indique la carpeta del curso con --course.").arg(none) },
            { "report: no course database", QStringLiteral(REPORT_TOOL), { QStringLiteral("--course"), m_damaged.path(), QStringLiteral("--csv"), QStringLiteral("-"), text },
                QStringLiteral("No se puede abrir el curso de %1: su archivo bbm.mdb está dañado o no es de este programa.").arg(m_damaged.path()) },
            { "tamsel: no course", QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--course"), none },
                QStringLiteral("No se encuentra el curso en %1: esa carpeta no existe.").arg(none) },
            { "tamsel: a device", QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--course"), QStringLiteral("/dev/null") },
                QStringLiteral("/dev/null no es un curso ni la imagen de un disco.") },
            { "tamsel: links in a loop", QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--course"), m_files.filePath(QStringLiteral("bucle")) },
                QStringLiteral("No se encuentra el curso en %1: su camino da vueltas por enlaces sin fin.").arg(m_files.filePath(QStringLiteral("bucle"))) },
            { "tamsel: trace in no folder", QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--trace"), none + QStringLiteral("/t.json") },
                QStringLiteral("No se puede escribir la traza en %1/t.json: la carpeta %1 no existe.").arg(none) },
            { "tamsel: a picture", QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--course"), picture },
                QStringLiteral("%1 no es un curso ni la imagen de un disco.").arg(picture) },
        };
        for (const QString& locale : { QStringLiteral("C"), QStringLiteral("es_ES.UTF-8") }) {
            for (const auto& [name, program, arguments, expected] : cases)
                QTest::addRow("%s, %s", name, qPrintable(locale)) << program << arguments << expected << locale;
        }
    }

    void failuresAreSpanish()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QFETCH(QString, locale);
        const Run failure = run(program, arguments, locale);
        QCOMPARE(failure.status, 1);
        QVERIFY(failure.out.isEmpty());
        const QString name = QFileInfo(program).fileName();
        QCOMPARE(failure.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("%1: %2").arg(name, said));
        QVERIFY2(!failure.err.contains(QLatin1String("QStandardPaths")), qPrintable(failure.err));
        // Nothing is left of an output that was not made.
        QVERIFY(!QFileInfo::exists(m_files.filePath(QStringLiteral("salida"))));
    }

    // tamsel-import's report of a good copy, whatever the system's language: each database
    // converted and what it held, then where the course is, every count in its number.
    void importReportIsSpanish_data()
    {
        QTest::addColumn<QStringList>("files"); // the course's files: its name, then the fixture copied there
        QTest::addColumn<QStringList>("said");
        QTest::newRow("one database, one table, one row") << QStringList { "bbm.mdb", "jet4-numeric.mdb", "inst.ini", "" }
                                                          << QStringList { "Convirtiendo bbm.mdb", "  Jet 4: 1 tabla, 1 fila, sin consultas guardadas, # ms",
                                                                 "Curso copiado en OUT: 1 base de datos convertida." };
        QTest::newRow("an empty database") << QStringList { "bbm.mdb", "jet4-empty.mdb", "inst.ini", "" }
                                           << QStringList { "Convirtiendo bbm.mdb", "  Jet 4: 0 tablas, 0 filas, sin consultas guardadas, # ms",
                                                  "Curso copiado en OUT: 1 base de datos convertida." };
        QTest::newRow("two databases") << QStringList { "bbm.mdb", "jet4-types.mdb", "sub/usrcurso.mdb", "jet3-types.mdb", "inst.ini", "" }
                                       << QStringList { "Convirtiendo bbm.mdb", "  Jet 4: 4 tablas, 2 filas, sin consultas guardadas, # ms",
                                              "Convirtiendo sub/usrcurso.mdb", "  Jet 3: 4 tablas, 2 filas, sin consultas guardadas, # ms",
                                              "Curso copiado en OUT: 2 bases de datos convertidas." };
        QTest::newRow("nothing to convert") << QStringList { "bbm.mdb", "", "inst.ini", "" }
                                            << QStringList { "Curso copiado en OUT, sin bases de datos que convertir." };
    }

    void importReportIsSpanish()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, said);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString course = dir.filePath(QStringLiteral("curso"));
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
            const QString target = course + QLatin1Char('/') + files.at(i);
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            if (files.at(i + 1).isEmpty()) {
                // No Jet file: copied as it is.
                QFile plain(target);
                QVERIFY(plain.open(QIODevice::WriteOnly));
                plain.write("SQLite format 3");
            } else {
                QVERIFY(QFile::copy(QStringLiteral(TAMSEL_SOURCE_DIR "/../shared/testdata/jet/") + files.at(i + 1), target));
            }
        }
        const QString output = dir.filePath(QStringLiteral("copia"));
        for (const QString& locale : { QStringLiteral("C"), QStringLiteral("es_ES.UTF-8") }) {
            const Run report = run(QStringLiteral(IMPORT_TOOL), { course, output }, locale);
            QCOMPARE(report.status, 0);
            QCOMPARE(report.err, QString());
            static const QRegularExpression milliseconds(QStringLiteral("\\d+ ms$"), QRegularExpression::MultilineOption);
            QStringList lines = QString(report.out).replace(milliseconds, QStringLiteral("# ms")).replace(output, QStringLiteral("OUT")).split(QLatin1Char('\n'));
            QCOMPARE(lines.takeLast(), QString()); // every line ends
            // The databases in the order the folder lists them, each with its line; the
            // course's place last.
            QCOMPARE(lines.last(), said.last());
            for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
                QCOMPARE(said.indexOf(lines.at(i + 1)), said.indexOf(lines.at(i)) + 1);
            QStringList expected = said;
            expected.sort();
            lines.sort();
            QCOMPARE(lines, expected);
            for (const char* word : { "converting", "converted", "database", "table", " rows", "query", "queries", "rebuilt" })
                QVERIFY2(!report.out.contains(QLatin1String(word), Qt::CaseInsensitive), qPrintable(report.out));
        }
    }

    // The player's good start on a machine without sound: standard output stays empty, and
    // standard error holds at most the one Spanish line saying so, never the sound
    // libraries' own complaints.
    void playerWithoutSoundSaysSoOnce()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("run")));
        QFile::setPermissions(home.filePath(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
        for (const char* folder : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            environment.remove(QLatin1String(folder));
        // No sound server, whatever the machine runs.
        environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + home.filePath(QStringLiteral("none")));
        environment.remove(QStringLiteral("ALSOFT_LOGLEVEL"));
        QProcess player;
        player.setProcessEnvironment(environment);
        const QString trace = home.filePath(QStringLiteral("trace.jsonl"));
        player.start(QStringLiteral(TAMSEL_TOOL), { QStringLiteral("--window"), QStringLiteral("--trace"), trace });
        QVERIFY(player.waitForStarted());
        // The first screen shown, its sounds started.
        QTRY_VERIFY_WITH_TIMEOUT(QFile(trace).size() > 0 && readAll(trace).contains("\"screen\""), 30000);
        QTest::qWait(2000);
        player.terminate();
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(player.readAllStandardOutput()), QString());
        const QString error = QString::fromUtf8(player.readAllStandardError());
        QVERIFY2(error.isEmpty()
                || error == QStringLiteral("tamsel: No hay salida de sonido en este equipo (ni servidor de sonido ni tarjeta): el curso sigue sin sonido.\n"),
            qPrintable(error));
    }

    void initTestCase()
    {
        QVERIFY(m_files.isValid() && m_damaged.isValid());
        QFile picture(m_files.filePath(QStringLiteral("foto.bmp")));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.write(QByteArray("BM\x36\x00\x0c\x00\x00\x00\x00\x00\x36\x00\x00\x00", 16) + QByteArray(256, '\x7f'));
        QFile text(m_files.filePath(QStringLiteral("texto.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Hola.\n");
        QFile content(m_damaged.filePath(QStringLiteral("bbm.mdb")));
        QVERIFY(content.open(QIODevice::WriteOnly));
        content.write(QByteArray(4096, 'x'));
        QFile settings(m_damaged.filePath(QStringLiteral("inst.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[PRMS]\r\ndirdef=prueba\r\n");
        QVERIFY(QFile::link(m_files.filePath(QStringLiteral("bucle")), m_files.filePath(QStringLiteral("bucle"))));
        QVERIFY(QFile::copy(QStringLiteral(TAMSEL_SOURCE_DIR "/../shared/testdata/jet/jet4-empty.mdb"), m_noSettings.filePath(QStringLiteral("bbm.mdb"))));
    }

private:
    QTemporaryDir m_files;
    QTemporaryDir m_damaged;
    QTemporaryDir m_noSettings; // a course's database and no inst.ini
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
