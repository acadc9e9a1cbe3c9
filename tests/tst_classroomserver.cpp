// The classroom server's own rules (course/schema/classroom.sql) on the private cluster of
// tests/with-postgres.sh, tried as each login would: a learner, another learner, a learner
// under the group role, a teacher and an outsider; the values a learner may send; erases
// that carry their time; courses kept apart; the set-up run again and on an earlier server.
#include "ClassroomServer.h"
#include "PgConnection.h"

#include <QtTest>
#include <future>

namespace {

const QString attemptInsert = QStringLiteral(
    "insert into tamsel.intentos_test (id, curso, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
    "values (gen_random_uuid(), $1, $2, now() - $3::interval, $4, $5, $6, $7)");
const QString visitInsert = QStringLiteral(
    "insert into tamsel.lecciones_usuario (curso, leccion, fecha) values ($1, $2, now() - $3::interval) on conflict do nothing");
const QString attemptAt = QStringLiteral(
    "insert into tamsel.intentos_test (id, curso, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
    "values (gen_random_uuid(), $1, 1500, $2::timestamptz, 40, 80, 50, '1')");
const QString visitAt = QStringLiteral("insert into tamsel.lecciones_usuario (curso, leccion, fecha) values ($1, 21, $2::timestamptz) on conflict do nothing");
const QString eraseInsert = QStringLiteral("insert into tamsel.borrados (curso, hasta) values ($1, now() - $2::interval) on conflict do nothing");
const QString eraseAt = QStringLiteral("insert into tamsel.borrados (curso, hasta) values ($1, $2::timestamptz) on conflict do nothing");

} // namespace

class ClassroomServerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ClassroomServer> m_server;
    bool m_sharedByValues = false;

    QString rowsOf(const QString& sql) const { return m_server->sql(sql); }
    std::unique_ptr<PgConnection> as(const QString& login) const { return std::make_unique<PgConnection>(m_server->target(login), 5); }
    /// Expects SQL run on AS to fail with SQLSTATE.
    static void expectRefused(PgConnection& as, const QString& sql, const QVariantList& values, const QString& sqlState)
    {
        try {
            as.exec(sql, values);
            QFAIL(qPrintable(QStringLiteral("not refused: ") + sql));
        } catch (const PgError& error) {
            QVERIFY2(error.sqlState() == sqlState, qPrintable(error.sqlState() + QLatin1Char(' ') + error.message()));
        }
    }
    static void visit(PgConnection& as, const QString& course, int lesson, const QString& ago = QStringLiteral("0"))
    {
        as.exec(visitInsert, { course, lesson, ago });
    }
    static void attempt(PgConnection& as, const QString& course, const QString& ago, int points = 40)
    {
        as.exec(attemptInsert, { course, 1500, ago, points, 80, points * 100 / 80, QStringLiteral("1,2,0,4") });
    }

private Q_SLOTS:
    void init()
    {
        if (!ClassroomServer::isAvailable())
            QSKIP("needs the private PostgreSQL cluster of tests/with-postgres.sh");
        // The rows of one table of values share a database: each is a row of its own.
        if (m_server && qstrcmp(QTest::currentTestFunction(), "valuesAreChecked") == 0 && m_sharedByValues)
            return;
        m_sharedByValues = qstrcmp(QTest::currentTestFunction(), "valuesAreChecked") == 0;
        m_server = std::make_unique<ClassroomServer>(QStringLiteral("tamsel_servidor"));
        m_server->addLogin(QStringLiteral("ana"));
        m_server->addLogin(QStringLiteral("luis"));
        m_server->addLogin(QStringLiteral("profe"), ClassroomServer::Teacher);
    }
    void cleanup()
    {
        if (!m_sharedByValues)
            m_server.reset();
    }

    // ---- who reaches which rows ----

    void eachLoginReachesWhatItShould()
    {
        auto ana = as(QStringLiteral("ana"));
        visit(*ana, QStringLiteral("A"), 7);
        attempt(*ana, QStringLiteral("A"), QStringLiteral("1 hour"));
        ana->exec(eraseInsert, { QStringLiteral("B"), QStringLiteral("1 day") });
        QCOMPARE(rowsOf(QStringLiteral("select alumno from tamsel.lecciones_usuario union all select alumno from tamsel.intentos_test "
                                       "union all select alumno from tamsel.borrados")),
            QStringLiteral("ana\nana\nana"));

        // Another learner sees none of them, and can neither change, delete nor forge them.
        auto luis = as(QStringLiteral("luis"));
        for (const QString& table : { QStringLiteral("lecciones_usuario"), QStringLiteral("intentos_test"), QStringLiteral("borrados") })
            QCOMPARE(luis->exec(QStringLiteral("select * from tamsel.") + table).rows.size(), size_t(0));
        QCOMPARE(luis->exec(QStringLiteral("delete from tamsel.lecciones_usuario where alumno = 'ana'")).affected, 0);
        QCOMPARE(luis->exec(QStringLiteral("delete from tamsel.intentos_test")).affected, 0);
        expectRefused(*luis, QStringLiteral("delete from tamsel.borrados"), {}, QStringLiteral("42501")); // an erase is never undone
        expectRefused(*luis, QStringLiteral("update tamsel.intentos_test set puntos = 80"), {}, QStringLiteral("42501"));
        QCOMPARE(luis->exec(QStringLiteral("update tamsel.lecciones_usuario set fecha = now() - interval '1 year'")).affected, 0);
        expectRefused(*luis, QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion) values ('ana', 'A', 8)"), {},
            QStringLiteral("42501"));
        expectRefused(*luis, QStringLiteral("insert into tamsel.borrados (alumno, curso, hasta) values ('ana', 'A', now())"), {},
            QStringLiteral("42501"));
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.lecciones_usuario where alumno = 'ana' and leccion = 7")), QStringLiteral("1"));

        // Under the group role a learner is still himself: nothing under the group's name,
        // nothing of another's seen; what he writes is his.
        luis->exec(QStringLiteral("set role tamsel_alumno"));
        expectRefused(*luis, QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion) values ('tamsel_alumno', 'A', 9)"), {},
            QStringLiteral("42501"));
        QString underTheGroup = attemptInsert;
        underTheGroup.replace(QStringLiteral("(id, "), QStringLiteral("(alumno, id, ")).replace(QStringLiteral("values ("), QStringLiteral("values ('tamsel_alumno', "));
        expectRefused(*luis, underTheGroup, { QStringLiteral("A"), 1500, QStringLiteral("0"), 1, 80, 1, QStringLiteral("1") }, QStringLiteral("42501"));
        QCOMPARE(luis->exec(QStringLiteral("select * from tamsel.lecciones_usuario")).rows.size(), size_t(0));
        visit(*luis, QStringLiteral("A"), 9);
        expectRefused(*luis, QStringLiteral("set role tamsel_profesor"), {}, QStringLiteral("42501"));
        luis->exec(QStringLiteral("reset role"));
        QCOMPARE(rowsOf(QStringLiteral("select alumno from tamsel.lecciones_usuario where leccion = 9")), QStringLiteral("luis"));

        // The teacher reads everyone's and writes nothing; SET ROLE gives him no learner's rights.
        auto profe = as(QStringLiteral("profe"));
        QCOMPARE(profe->exec(QStringLiteral("select alumno from tamsel.lecciones_usuario order by alumno")).rows.size(), size_t(2));
        QCOMPARE(profe->exec(QStringLiteral("select * from tamsel.borrados")).rows.size(), size_t(1));
        expectRefused(*profe, QStringLiteral("insert into tamsel.lecciones_usuario (curso, leccion) values ('A', 1)"), {}, QStringLiteral("42501"));
        expectRefused(*profe, QStringLiteral("insert into tamsel.borrados (curso, hasta) values ('A', now())"), {}, QStringLiteral("42501"));
        expectRefused(*profe, QStringLiteral("delete from tamsel.intentos_test"), {}, QStringLiteral("42501"));
        expectRefused(*profe, QStringLiteral("update tamsel.lecciones_usuario set fecha = now()"), {}, QStringLiteral("42501"));
        expectRefused(*profe, QStringLiteral("set role tamsel_alumno"), {}, QStringLiteral("42501"));

        // Someone who is neither reaches nothing.
        m_server->sql(QStringLiteral("do $$ begin if not exists (select from pg_roles where rolname = 'fuera') then create role fuera login; end if; end $$"));
        auto fuera = as(QStringLiteral("fuera"));
        expectRefused(*fuera, QStringLiteral("select * from tamsel.lecciones_usuario"), {}, QStringLiteral("42501"));
        expectRefused(*fuera, QStringLiteral("insert into tamsel.borrados (curso, hasta) values ('A', now())"), {}, QStringLiteral("42501"));
    }

    // ---- what a learner may send ----

    void valuesAreChecked_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<bool>("accepted");
        const auto tried = [](const char* name, const QString& sql, const QVariantList& values, bool accepted) {
            QTest::newRow(name) << sql << values << accepted;
        };
        const QString a = QStringLiteral("A");
        const QString answers = QStringLiteral("1,2,0,4");
        const QString none = QStringLiteral(""); // empty, not SQL's null
        tried("a plain attempt", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, answers }, true);
        tried("above 100 % as the course counts it", attemptInsert, { a, 1500, QStringLiteral("0"), 90, 80, 112, answers }, true);
        tried("no maximum", attemptInsert, { a, 1500, QStringLiteral("0"), 0, 0, 0, answers }, true);
        tried("a clock a little ahead", attemptInsert, { a, 1500, QStringLiteral("-2 minutes"), 40, 80, 50, answers }, true);
        tried("negative points", attemptInsert, { a, 1500, QStringLiteral("0"), -40, 80, -50, answers }, false);
        tried("negative maximum", attemptInsert, { a, 1500, QStringLiteral("0"), 40, -80, -50, answers }, false);
        tried("a per cent its points do not make", attemptInsert, { a, 1500, QStringLiteral("0"), 8, 80, 100, answers }, false);
        tried("an attempt tomorrow", attemptInsert, { a, 1500, QStringLiteral("-1 day"), 40, 80, 50, answers }, false);
        tried("an attempt of lesson -1", attemptInsert, { a, -1, QStringLiteral("0"), 40, 80, 50, answers }, false);
        tried("an attempt of lesson 32768", attemptInsert, { a, 32768, QStringLiteral("0"), 40, 80, 50, answers }, false);
        tried("no answers", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, none }, false);
        tried("an empty answer", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("1,,2") }, false);
        tried("answers in another shape", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("1;2") }, false);
        tried("a negative answer", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("1,-2") }, false);
        tried("answers of text", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("<script>") }, false);
        tried("a thousand answers", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("1,").repeated(999) + QLatin1Char('1') }, true);
        tried("answers without end", attemptInsert, { a, 1500, QStringLiteral("0"), 40, 80, 50, QStringLiteral("1,").repeated(5000) + QLatin1Char('1') },
            false);
        tried("an attempt of no course", attemptInsert, { none, 1500, QStringLiteral("0"), 40, 80, 50, answers }, false);
        tried("an attempt of a course named without end", attemptInsert, { QString(201, QLatin1Char('c')), 1500, QStringLiteral("0"), 40, 80, 50, answers },
            false);
        tried("a plain visit", visitInsert, { a, 21, QStringLiteral("0") }, true);
        tried("a visit of lesson 0", visitInsert, { a, 0, QStringLiteral("0") }, true);
        tried("a visit of lesson -5", visitInsert, { a, -5, QStringLiteral("0") }, false);
        tried("a visit of lesson 40000", visitInsert, { a, 40000, QStringLiteral("0") }, false);
        tried("a visit next year", visitInsert, { a, 21, QStringLiteral("-1 year") }, false);
        tried("a visit of no course", visitInsert, { none, 21, QStringLiteral("0") }, false);
        for (const char* when : { "-infinity", "4713-01-01 00:00:00+00 BC", "1999-12-31 23:59:59+00" }) {
            tried(qPrintable(QStringLiteral("a visit dated %1").arg(QLatin1String(when))), visitAt, { QStringLiteral("D"), QLatin1String(when) }, false);
            tried(qPrintable(QStringLiteral("an attempt dated %1").arg(QLatin1String(when))), attemptAt, { a, QLatin1String(when) }, false);
            tried(qPrintable(QStringLiteral("an erase dated %1").arg(QLatin1String(when))), eraseAt, { a, QLatin1String(when) }, false);
        }
        tried("a visit of the first day of 2000", visitAt, { QStringLiteral("C"), QStringLiteral("2000-01-01 00:00:00+00") }, true);
        tried("a plain erase", eraseInsert, { QStringLiteral("B"), QStringLiteral("0") }, true); // of another course: the rows after it stand
        tried("an erase of the future", eraseInsert, { a, QStringLiteral("-1 hour") }, false);
        tried("an erase of no course", eraseInsert, { none, QStringLiteral("0") }, false);
    }
    void valuesAreChecked()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(bool, accepted);
        auto ana = as(QStringLiteral("ana"));
        if (accepted)
            QCOMPARE(ana->exec(sql, values).affected, 1);
        else
            expectRefused(*ana, sql, values, QStringLiteral("23514")); // a check violation: the same answer every time it is sent
    }

    // ---- erases ----

    void anEraseTakesOnlyWhatCameBeforeIt()
    {
        auto ana = as(QStringLiteral("ana"));
        auto luis = as(QStringLiteral("luis"));
        visit(*ana, QStringLiteral("A"), 21, QStringLiteral("3 hours"));
        visit(*ana, QStringLiteral("A"), 22, QStringLiteral("3 hours"));
        visit(*ana, QStringLiteral("A"), 22, QStringLiteral("30 minutes")); // seen again after the erase below
        visit(*ana, QStringLiteral("A"), 23, QStringLiteral("10 minutes"));
        attempt(*ana, QStringLiteral("A"), QStringLiteral("3 hours"));
        attempt(*ana, QStringLiteral("A"), QStringLiteral("20 minutes"), 60);
        visit(*ana, QStringLiteral("B"), 21, QStringLiteral("3 hours"));
        visit(*luis, QStringLiteral("A"), 21, QStringLiteral("3 hours"));

        // Made an hour ago on a computer that was offline, it arrives now.
        const QString anHourAgo = rowsOf(QStringLiteral("select now() - interval '1 hour'"));
        QCOMPARE(ana->exec(eraseAt, { QStringLiteral("A"), anHourAgo }).affected, 1);
        QCOMPARE(rowsOf(QStringLiteral("select alumno || curso || leccion from tamsel.lecciones_usuario order by 1")),
            QStringLiteral("anaA22\nanaA23\nanaB21\nluisA21"));
        QCOMPARE(rowsOf(QStringLiteral("select puntos from tamsel.intentos_test")), QStringLiteral("60"));

        // What another computer sends late, made before the erase, stays out; the same
        // erase sent again (from the journal, at the next start) changes nothing.
        visit(*ana, QStringLiteral("A"), 24, QStringLiteral("2 hours"));
        attempt(*ana, QStringLiteral("A"), QStringLiteral("2 hours"), 80);
        visit(*ana, QStringLiteral("A"), 25, QStringLiteral("5 minutes"));
        QCOMPARE(ana->exec(eraseAt, { QStringLiteral("A"), anHourAgo }).affected, 0);
        QCOMPARE(rowsOf(QStringLiteral("select string_agg(leccion::text, ',' order by leccion) from tamsel.lecciones_usuario where alumno = 'ana' and curso = 'A'")),
            QStringLiteral("22,23,25"));
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.intentos_test")), QStringLiteral("1"));

        // An erase now takes everything of that course, and only of that learner and course.
        ana->exec(eraseInsert, { QStringLiteral("A"), QStringLiteral("0") });
        QCOMPARE(rowsOf(QStringLiteral("select alumno || curso || leccion from tamsel.lecciones_usuario order by 1")), QStringLiteral("anaB21\nluisA21"));
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.intentos_test")), QStringLiteral("0"));
    }

    void aVisitIsKeptOnceAndDatedByItsLatest()
    {
        auto ana = as(QStringLiteral("ana"));
        visit(*ana, QStringLiteral("A"), 21, QStringLiteral("2 hours"));
        visit(*ana, QStringLiteral("A"), 21, QStringLiteral("1 hour"));
        visit(*ana, QStringLiteral("A"), 21, QStringLiteral("3 hours")); // an older one arriving late moves nothing
        visit(*ana, QStringLiteral("B"), 21, QStringLiteral("3 hours"));
        QCOMPARE(rowsOf(QStringLiteral("select curso || ':' || round(extract(epoch from now() - fecha) / 3600) from tamsel.lecciones_usuario order by curso")),
            QStringLiteral("A:1\nB:3"));
        // Without a date the server's time is the visit's.
        ana->exec(QStringLiteral("insert into tamsel.lecciones_usuario (curso, leccion) values ('A', 21) on conflict do nothing"));
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.lecciones_usuario where fecha > now() - interval '1 minute'")), QStringLiteral("1"));
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.lecciones_usuario")), QStringLiteral("2"));
    }

    // ---- writes in flight at once (two computers of one learner) ----

    void writesInFlightTakeTurns_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QVariantList>("firstValues");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QVariantList>("secondValues");
        QTest::addColumn<QString>("left");
        const QString a = QStringLiteral("A");
        const QString answers = QStringLiteral("1,2,0,4");
        const QString older = QStringLiteral("1 minute");
        QTest::newRow("an erase while an older visit is in flight")
            << visitInsert << QVariantList { a, 11, older } << eraseInsert << QVariantList { a, QStringLiteral("0") } << QStringLiteral("0|0|-");
        QTest::newRow("an older visit while an erase is in flight")
            << eraseInsert << QVariantList { a, QStringLiteral("0") } << visitInsert << QVariantList { a, 11, older } << QStringLiteral("0|0|-");
        QTest::newRow("an erase while an older attempt is in flight")
            << attemptInsert << QVariantList { a, 1500, older, 40, 80, 50, answers } << eraseInsert << QVariantList { a, QStringLiteral("0") }
            << QStringLiteral("0|0|-");
        QTest::newRow("an older attempt while an erase is in flight")
            << eraseInsert << QVariantList { a, QStringLiteral("0") } << attemptInsert << QVariantList { a, 1500, older, 40, 80, 50, answers }
            << QStringLiteral("0|0|-");
        QTest::newRow("a visit after the erase in flight stays")
            << eraseInsert << QVariantList { a, QStringLiteral("1 minute") } << visitInsert << QVariantList { a, 11, QStringLiteral("0") }
            << QStringLiteral("1|0|0");
        QTest::newRow("a later visit while an older one of the lesson is in flight")
            << visitInsert << QVariantList { a, 11, QStringLiteral("1 hour") } << visitInsert << QVariantList { a, 11, QStringLiteral("0") }
            << QStringLiteral("1|0|0");
        QTest::newRow("an older visit while a later one of the lesson is in flight")
            << visitInsert << QVariantList { a, 11, QStringLiteral("0") } << visitInsert << QVariantList { a, 11, QStringLiteral("1 hour") }
            << QStringLiteral("1|0|0");
    }
    /// FIRST is sent in a transaction left open while SECOND, from another connection of
    /// the same learner, starts; then FIRST commits. LEFT: the visits and attempts kept, and
    /// the age in minutes of the latest visit.
    void writesInFlightTakeTurns()
    {
        QFETCH(QString, first);
        QFETCH(QVariantList, firstValues);
        QFETCH(QString, second);
        QFETCH(QVariantList, secondValues);
        QFETCH(QString, left);
        auto one = as(QStringLiteral("ana"));
        auto other = as(QStringLiteral("ana"));
        one->exec(QStringLiteral("begin"));
        one->exec(first, firstValues);
        auto secondDone = std::async(std::launch::async, [&] { other->exec(second, secondValues); });
        // Given time to reach the server (and to wait there for the first, if it does).
        QTest::qWait(500);
        one->exec(QStringLiteral("commit"));
        secondDone.get();
        QCOMPARE(rowsOf(QStringLiteral("select (select count(*) || '|' from tamsel.lecciones_usuario) || (select count(*) from tamsel.intentos_test) || '|' || "
                              "(select coalesce(round(extract(epoch from now() - max(fecha)) / 60)::text, '-') from tamsel.lecciones_usuario)")),
            left);
    }

    // ---- the set-up itself ----

    void theSetUpRunAgainChangesNothing()
    {
        auto ana = as(QStringLiteral("ana"));
        visit(*ana, QStringLiteral("A"), 21);
        attempt(*ana, QStringLiteral("A"), QStringLiteral("1 hour"));
        const QString schema = m_server->schema();
        const QString rows = rowsOf(QStringLiteral("select count(*) from tamsel.lecciones_usuario union all select count(*) from tamsel.intentos_test"));
        m_server->setUp();
        m_server->setUp(QStringLiteral("otro")); // the course of rows without one: there are none
        QCOMPARE(m_server->schema(), schema);
        QCOMPARE(rowsOf(QStringLiteral("select count(*) from tamsel.lecciones_usuario union all select count(*) from tamsel.intentos_test")), rows);
        QCOMPARE(rowsOf(QStringLiteral("select distinct curso from tamsel.lecciones_usuario")), QStringLiteral("A"));
    }

    void anEarlierServerIsBroughtUpToDate()
    {
        const QString fresh = m_server->schema();
        ClassroomServer old(QStringLiteral("tamsel_anterior"), ClassroomServer::EarlierSetUp);
        old.addLogin(QStringLiteral("ana"));
        {
            PgConnection ana(old.target(QStringLiteral("ana")), 5);
            ana.exec(QStringLiteral("insert into tamsel.lecciones_usuario (leccion) values (21), (22)"));
            ana.exec(QStringLiteral("insert into tamsel.intentos_test (id, leccion, fecha, puntos, maximo, porcentaje, respuestas) "
                                    "values (gen_random_uuid(), 1500, now(), 40, 80, 50, '1,2')"));
        }
        // Rows that do not say their course: the set-up asks for it and changes nothing meanwhile.
        const QString before = old.schema();
        try {
            old.setUp();
            QFAIL("the set-up guessed the course of the rows already there");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("-v curso=")), qPrintable(error.message()));
        }
        QCOMPARE(old.schema(), before);

        old.setUp(QStringLiteral("CURSO"));
        QCOMPARE(old.schema(), fresh);
        QCOMPARE(old.sql(QStringLiteral("select alumno || curso || leccion from tamsel.lecciones_usuario order by leccion")),
            QStringLiteral("anaCURSO21\nanaCURSO22"));
        QCOMPARE(old.sql(QStringLiteral("select alumno || curso || puntos from tamsel.intentos_test")), QStringLiteral("anaCURSO40"));
        old.setUp();
        QCOMPARE(old.schema(), fresh);

        // The learner goes on under the new rules.
        PgConnection ana(old.target(QStringLiteral("ana")), 5);
        visit(ana, QStringLiteral("CURSO"), 21, QStringLiteral("0"));
        visit(ana, QStringLiteral("OTRO"), 21, QStringLiteral("0"));
        ana.exec(QStringLiteral("set role tamsel_alumno"));
        expectRefused(ana, QStringLiteral("insert into tamsel.lecciones_usuario (alumno, curso, leccion) values ('tamsel_alumno', 'CURSO', 23)"), {},
            QStringLiteral("42501"));
        QCOMPARE(old.sql(QStringLiteral("select count(*) from tamsel.lecciones_usuario")), QStringLiteral("3"));
    }
};

QTEST_GUILESS_MAIN(ClassroomServerTest)
#include "tst_classroomserver.moc"
