// tamsel-report, the real program: the class read from the classroom server (as the
// teacher) and from a learner file, written as CSV and as an HTML page that a real
// headless browser (Chromium) loads with no network, showing every learner and one bar
// per learner in each chapter's chart.
#include "ClassroomServer.h"
#include "Database.h"
#include "FixtureCourse.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Two chapters of video-learning lessons (kind 12): 11 "Saludos" with 2, 12 "La familia"
// with 3; a map and a test, which the report does not count.
const char* const course =
    "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 0, 0), (21, 'Hola', 12, 1, 11), (22, 'Adiós', 12, 1, 11),"
    "  (31, 'Mi madre', 12, 1, 12), (32, 'Mi padre', 12, 1, 12), (33, 'Mis hermanos', 12, 1, 12), (1500, 'Prueba', 14, 1, 17);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Saludos'), (1, 12, 'La familia'), (1, 17, 'Evaluación');";

QString run(const QStringList& arguments, int* status = nullptr, const QString& program = QStringLiteral(REPORT_TOOL))
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return QStringLiteral("(did not finish)");
    if (status)
        *status = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

/// RFC 4180 as a spreadsheet reads it: rows end at CR LF, or at a bare CR or LF, outside quotes.
QList<QStringList> csvRows(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                cell += text.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cell += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << std::exchange(cell, QString());
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            rows << (row << std::exchange(cell, QString()));
            row.clear();
        } else {
            cell += c;
        }
    }
    return rows;
}

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theClassInCsvAndInABrowser()
    {
        if (!ClassroomServer::isAvailable())
            QSKIP("needs the private PostgreSQL cluster of tests/with-postgres.sh");
        ClassroomServer server(QStringLiteral("tamsel_informe"));
        server.emptyClass();
        const QString tricky = QStringLiteral("=HYPERLINK(\"x\") <b>Zoé</b>, \"la\"");
        for (const QString& who : { QStringLiteral("ana"), QStringLiteral("luis"), tricky })
            server.addLogin(who);
        server.addLogin(QStringLiteral("profe"), ClassroomServer::Teacher);
        server.sql(QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion, fecha) values "
                                  "('ana', 'CURSO', 21, '2026-03-01 10:00+00'), ('ana', 'CURSO', 22, '2026-03-01 10:05+00'), ('ana', 'CURSO', 31, '2026-03-02 09:00+00'),"
                                  "('luis', 'CURSO', 31, '2026-03-01 11:00+00'), ($q$%1$q$, 'CURSO', 22, '2026-03-03 08:00+00')").arg(tricky));
        server.sql(QStringLiteral("insert into tamsel.intentos_test (id, alumno, curso, leccion, fecha, puntos, maximo, porcentaje, respuestas) values "
                                  "(gen_random_uuid(), 'ana', 'CURSO', 1500, '2026-03-04 12:00+00', 40, 80, 50, '1'),"
                                  "(gen_random_uuid(), 'ana', 'CURSO', 1500, '2026-03-05 12:00+00', 70, 80, 87, '1'),"
                                  "(gen_random_uuid(), 'luis', 'CURSO', 1500, '2026-03-02 12:00+00', 20, 80, 25, '1')"));
        FixtureCourse fixture(QString::fromUtf8(course));
        {
            // One more learner, from her own file: a visit, no attempt.
            auto learner = Database::open(fixture.learnerDatabase(), ShareMode::Shared, AccessMode::ReadWrite, QStringLiteral("MS Access;PWD=vemparo41"));
            learner->execute(QStringLiteral("insert into lecciones_usuario (id, leccion, grabada) values (0, 32, -1), (1, 33, -1)"));
        }
        QTemporaryDir out;
        const QString csv = out.filePath(QStringLiteral("clase.csv"));
        const QString html = out.filePath(QStringLiteral("clase.html"));
        int status = -1;
        const QString said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), csv, QStringLiteral("--html"), html,
                                     QStringLiteral("--learner"), QStringLiteral("marta"), server.target(QStringLiteral("profe")), fixture.learnerDatabase() },
            &status);
        QVERIFY2(status == 0, qPrintable(said));

        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(table.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("Alumno,Saludos (de 2),La familia (de 3),Intentos de la prueba,Mejor %,Última actividad"));
        QCOMPARE(lines[1], QStringLiteral("\"'=HYPERLINK(\"\"x\"\") <b>Zoé</b>, \"\"la\"\"\",1,0,0,,") + QDateTime::fromString(QStringLiteral("2026-03-03T08:00:00Z"), Qt::ISODate).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        QVERIFY2(lines[2].startsWith(QStringLiteral("ana,2,1,2,87,")), qPrintable(lines[2]));
        QVERIFY2(lines[3].startsWith(QStringLiteral("luis,0,1,1,25,")), qPrintable(lines[3]));
        QCOMPARE(lines[4], QStringLiteral("marta,0,1,0,,"));

        // The page in a real browser, with no network and a profile of its own.
        QTemporaryDir profile;
        QProcess browser;
        browser.start(QStringLiteral("chromium"),
            { QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"), QUrl::fromLocalFile(html).toString() });
        if (!browser.waitForStarted())
            QSKIP("chromium is not installed (tools/setup-debian.sh)");
        QVERIFY(browser.waitForFinished(120000));
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        QVERIFY2(dom.contains(QStringLiteral("<table id=\"learners\">")), qPrintable(QString::fromUtf8(browser.readAllStandardError())));
        // Every learner, his name as text (the markup in a name stays text).
        QCOMPARE(dom.count(QStringLiteral("<tr class=\"learner\">")), 4);
        for (const QString& who : { QStringLiteral("ana"), QStringLiteral("luis"), QStringLiteral("marta"), QStringLiteral("=HYPERLINK(\"x\") &lt;b&gt;Zoé&lt;/b&gt;, \"la\"</td>") })
            QVERIFY2(dom.contains(QStringLiteral("<td>") + who), qPrintable(who));
        QVERIFY(!dom.contains(QStringLiteral("<b>Zoé</b>")));
        // One chart per chapter, one bar per learner in each.
        static const QRegularExpression section(QStringLiteral("<section class=\"chapter\"[^>]*>(.*?)</section>"), QRegularExpression::DotMatchesEverythingOption);
        int charts = 0;
        for (auto it = section.globalMatch(dom); it.hasNext(); ++charts) {
            const QString chart = it.next().captured(1);
            QCOMPARE(chart.count(QStringLiteral("<rect class=\"bar\"")), 4);
            QVERIFY(chart.contains(QStringLiteral("data-learner=\"marta\"")));
        }
        QCOMPARE(charts, 2);
        // Ana saw both lessons of greetings: a full bar; Luis none: the thinnest.
        QVERIFY(dom.contains(QStringLiteral("data-learner=\"ana\" x=\"180\" y=\"28\" width=\"360\"")));
        QVERIFY(dom.contains(QStringLiteral("data-learner=\"luis\" x=\"180\" y=\"50\" width=\"1\"")));
    }

    void everyLearnerOfTheCourseAndOnlyTheCourse()
    {
        if (!ClassroomServer::isAvailable())
            QSKIP("needs the private PostgreSQL cluster of tests/with-postgres.sh");
        ClassroomServer server(QStringLiteral("tamsel_informe"));
        server.emptyClass();
        for (const QString& who : { QStringLiteral("ana"), QStringLiteral("bea") })
            server.addLogin(who);
        server.addLogin(QStringLiteral("profe"), ClassroomServer::Teacher);
        // Carla is a learner through her class's group; the group itself is nobody.
        server.sql(QStringLiteral("drop role if exists carla; drop role if exists clase_3b; "
                                  "create role clase_3b nologin in role tamsel_alumno; create role carla login in role clase_3b"));
        server.sql(QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion) values "
                                  "('ana', 'CURSO', 21), ('ana', 'OTRO', 22), ('ana', 'OTRO', 31), ('tamsel_alumno', 'CURSO', 22), ('clase_3b', 'CURSO', 22), "
                                  "(current_user, 'CURSO', 21), ('ajeno', 'CURSO', 21)"));
        // A date of no calendar kept from before the server refused them is no activity.
        server.sql(QStringLiteral("alter table tamsel.lecciones_usuario drop constraint lecciones_usuario_fecha_desde; "
                                  "insert into tamsel.lecciones_usuario (alumno, curso, leccion, fecha) values ('bea', 'CURSO', 21, '4713-01-01 00:00:00+00 BC')"));
        // Neither the superuser nor a login outside the class is a learner, whatever rows they have.
        server.sql(QStringLiteral("drop role if exists ajeno; create role ajeno login"));
        server.sql(QStringLiteral("insert into tamsel.intentos_test (id, alumno, curso, leccion, fecha, puntos, maximo, porcentaje, respuestas) values "
                                  "(gen_random_uuid(), 'ana', 'OTRO', 1500, now(), 80, 80, 100, '1'),"
                                  "(gen_random_uuid(), 'tamsel_alumno', 'CURSO', 1500, now(), 80, 80, 100, '1')"));
        FixtureCourse fixture(QString::fromUtf8(course));
        int status = -1;
        const QString said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"), server.target(QStringLiteral("profe")) }, &status);
        QVERIFY2(status == 0, qPrintable(said));
        const QList<QStringList> rows = csvRows(said);
        QCOMPARE(rows.size(), 4);
        QVERIFY2(rows[1].join(QLatin1Char(',')).startsWith(QStringLiteral("ana,1,0,0,,")), qPrintable(rows[1].join(QLatin1Char(','))));
        QCOMPARE(rows[2].join(QLatin1Char(',')), QStringLiteral("bea,1,0,0,,"));
        QCOMPARE(rows[3].join(QLatin1Char(',')), QStringLiteral("carla,0,0,0,,"));
    }

    void namesAreWrittenAsText()
    {
        if (!ClassroomServer::isAvailable())
            QSKIP("needs the private PostgreSQL cluster of tests/with-postgres.sh");
        ClassroomServer server(QStringLiteral("tamsel_informe"));
        server.emptyClass();
        server.addLogin(QStringLiteral("profe"), ClassroomServer::Teacher);
        const QStringList names { QStringLiteral("ro\rsa"), QStringLiteral("%4 y %1 %2%3%5%6%7%8%9"), QStringLiteral("=1+1"), QStringLiteral("+34 600"),
            QStringLiteral("-2"), QStringLiteral("@suma(a1)"), QStringLiteral("\rvacío"), QStringLiteral("pepe\n=x") };
        for (const QString& who : names) {
            server.addLogin(who);
            server.sql(QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion) values ($q$%1$q$, 'CURSO', 21)").arg(who));
        }
        FixtureCourse fixture(QString::fromUtf8(course));
        QTemporaryDir out;
        const QString html = out.filePath(QStringLiteral("clase.html"));
        int status = -1;
        const QString said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"), QStringLiteral("--html"), html,
                                     server.target(QStringLiteral("profe")) },
            &status);
        QVERIFY2(status == 0, qPrintable(said));
        // One row per learner, each name whole, those a spreadsheet would compute marked as text.
        const QList<QStringList> rows = csvRows(said);
        QCOMPARE(rows.size(), names.size() + 1);
        QStringList found;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), 6);
            QCOMPARE(rows[i].mid(1, 3).join(QLatin1Char(',')), QStringLiteral("1,0,0"));
            found << rows[i].first();
        }
        for (const QString& who : names) {
            const bool computed = QStringLiteral("=+-@\r").contains(who.front());
            QVERIFY2(found.contains(computed ? QLatin1Char('\'') + who : who), qPrintable(who));
        }
        QFile page(html);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll());
        for (const QString& who : names) {
            QVERIFY2(text.contains(QStringLiteral("<tr class=\"learner\"><td>%1</td><td>1 de 5</td>").arg(who.toHtmlEscaped())), qPrintable(who));
            QVERIFY2(text.contains(QStringLiteral("data-learner=\"") + who.toHtmlEscaped() + QLatin1Char('"')), qPrintable(who));
        }
    }

    void errorsNameTheirSourceInSpanish()
    {
        FixtureCourse fixture(QString::fromUtf8(course));
        int status = 0;
        QString said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"), QStringLiteral("/no/such/usrcurso.mdb") }, &status);
        QCOMPARE(status, 1);
        QVERIFY2(said.contains(QStringLiteral("No se encuentra el archivo de alumno /no/such/usrcurso.mdb")), qPrintable(said));
        said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"),
                       QStringLiteral("postgresql://profe:secreto@/tamsel?host=/no/such/folder") }, &status);
        QCOMPARE(status, 1);
        QVERIFY2(said.contains(QStringLiteral("No se puede leer el servidor de la clase")), qPrintable(said));
        QVERIFY2(!said.contains(QStringLiteral("secreto")), qPrintable(said));
        said = run({ QStringLiteral("--course"), fixture.path(QStringLiteral("nada")), QStringLiteral("--csv"), QStringLiteral("-"), fixture.learnerDatabase() },
            &status);
        QCOMPARE(status, 1);
        QVERIFY2(said.contains(QStringLiteral("No se encuentra el curso en ") + fixture.path(QStringLiteral("nada"))), qPrintable(said));
        said = run({ QStringLiteral("--csv"), QStringLiteral("-") }, &status);
        QCOMPARE(status, 2);
        QVERIFY2(said.contains(QStringLiteral("indique al menos un ORIGEN")), qPrintable(said));
        said = run({ QStringLiteral("--no-such-option") }, &status);
        QCOMPARE(status, 2);
        QVERIFY2(said.contains(QStringLiteral("vea --help")), qPrintable(said));
        said = run({ QStringLiteral("--help") }, &status);
        QCOMPARE(status, 0);
        QVERIFY2(said.contains(QStringLiteral("Opciones:")) && said.contains(QStringLiteral("La carpeta del curso")), qPrintable(said));

        // An earlier server, not brought up to date, is named as such.
        if (ClassroomServer::isAvailable()) {
            ClassroomServer old(QStringLiteral("tamsel_informe"), ClassroomServer::EarlierSetUp);
            old.addLogin(QStringLiteral("profe"), ClassroomServer::Teacher);
            said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"), old.target(QStringLiteral("profe")) }, &status);
            QCOMPARE(status, 1);
            QVERIFY2(said.contains(QStringLiteral("es de una versión anterior")), qPrintable(said));
        }
        // A course whose inst.ini names no section: the server's rows cannot be told.
        QVERIFY(QFile::remove(fixture.folder() + QStringLiteral("/inst.ini")));
        said = run({ QStringLiteral("--course"), fixture.folder(), QStringLiteral("--csv"), QStringLiteral("-"), fixture.learnerDatabase() }, &status);
        QCOMPARE(status, 1);
        QVERIFY2(said.contains(QStringLiteral("falta el nombre del curso")), qPrintable(said));
    }

    void withoutACourseTheOneBesideTheProgram()
    {
        // A build keeps its programs beside the demo course it made (course/): the report
        // finds it there, as the player does, and says in Spanish where it looked when not.
        FixtureCourse fixture(QString::fromUtf8(course));
        QTemporaryDir build;
        const QString program = build.filePath(QStringLiteral("tamsel-report"));
        QVERIFY(QFile::copy(QStringLiteral(REPORT_TOOL), program));
        int status = -1;
        QString said = run({ QStringLiteral("--csv"), QStringLiteral("-"), fixture.learnerDatabase() }, &status, program);
        QCOMPARE(status, 1);
        QVERIFY2(said.contains(QStringLiteral("No se encuentra el curso en ")), qPrintable(said));
        QVERIFY(QFile::link(fixture.folder(), build.filePath(QStringLiteral("course"))));
        said = run({ QStringLiteral("--csv"), QStringLiteral("-"), QStringLiteral("--learner"), QStringLiteral("marta"), fixture.learnerDatabase() }, &status, program);
        QVERIFY2(status == 0, qPrintable(said));
        QVERIFY2(said.startsWith(QStringLiteral("Alumno,Saludos (de 2),La familia (de 3)")), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
