#include "CourseError.h"
#include "Criterion.h"
#include "Database.h"
#include "LikePattern.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "SqlStatement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString connectString = QStringLiteral("MS Access;PWD=vemparo41");
}

class DatabaseTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

    std::unique_ptr<Database> openReadOnly() { return Database::open(m_file, ShareMode::Shared, AccessMode::ReadOnly, connectString); }

    static void expectError(const std::function<void()>& action, const QString& mustName)
    {
        try {
            action();
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(mustName), qPrintable(e.message()));
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no error; expected one naming '%1'").arg(mustName)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("bbm.mdb"));
        auto db = Database::create(m_file, QStringLiteral("vemparo41"));
        db->execute(QStringLiteral(
            "create table lecciones (N_leccion integer, N_capitulo integer, nombre_leccion text, tipo integer);"
            "insert into lecciones values (1, 0, 'Mapa', 1), (5, 2, 'Canción', 4), (7, 2, NULL, 3), (9, 3, '', 6);"
            "create table pantalla (codigo integer, objeto integer, identificativo integer);"
            "insert into pantalla values (4, 2, 30), (3, 5, 10), (3, 2, 20), (3, 2, 21);"
            "create index ayuda on pantalla (codigo, objeto, identificativo);"
            "create table lecciones_usuario (id integer, leccion integer, grabada integer default -1);"
            "insert into lecciones_usuario (id, leccion) values (0, 3);"));
        db->saveQuery(QStringLiteral("clecciones"), QStringLiteral("select N_leccion, nombre_leccion from lecciones where N_capitulo = :codigol order by N_leccion"));
        db->saveQuery(QStringLiteral("borrar"), QStringLiteral("delete from lecciones_usuario"));
        db->saveQuery(QStringLiteral("consulta-esp-ing"), QStringLiteral("select nombre_leccion as termino from lecciones where tipo > 3"));
    }

    void movesAtBothEnds()
    {
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("select * from lecciones order by N_leccion"));
        QCOMPARE(rs->recordCount(), 4);
        QVERIFY(!rs->isBof() && !rs->isEof());
        QCOMPARE(rs->absolutePosition(), 0);
        rs->movePrevious();
        QVERIFY(rs->isBof());
        QCOMPARE(rs->absolutePosition(), -1);
        rs->movePrevious(); // stays at BOF
        rs->moveNext();
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 1);
        rs->moveLast();
        QCOMPARE(rs->number(QStringLiteral("n_leccion")), 9);
        rs->moveNext();
        QVERIFY(rs->isEof());
        rs->moveNext(); // stays at EOF
        QVERIFY(rs->isEof());
        expectError([&] { rs->value(QStringLiteral("tipo")); }, QStringLiteral("no current row"));
        rs->setAbsolutePosition(2);
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 7);
        QCOMPARE(rs->absolutePosition(), 2);
        expectError([&] { rs->setAbsolutePosition(4); }, QStringLiteral("no row 4"));

        auto empty = db->openRecordset(QStringLiteral("select * from lecciones where tipo = 99"));
        QCOMPARE(empty->recordCount(), 0);
        QVERIFY(empty->isBof() && empty->isEof());
    }

    void nullIsNotEmptyText()
    {
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("lecciones"));
        QVERIFY(rs->findFirst(QStringLiteral("N_leccion = 7")));
        QVERIFY(rs->value(QStringLiteral("nombre_leccion")).isNull());
        QVERIFY(rs->findFirst(QStringLiteral("N_leccion = 9")));
        const QVariant empty = rs->value(QStringLiteral("nombre_leccion"));
        QVERIFY(!empty.isNull());
        QCOMPARE(empty.toString(), QString());
        QVERIFY(rs->findFirst(QStringLiteral("nombre_leccion is null")));
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 7);
        QVERIFY(rs->findFirst(QStringLiteral("nombre_leccion = ''")));
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 9);
        QVERIFY(rs->findFirst(QStringLiteral("nombre_leccion = 'canción'"))); // text ignores case
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 5);
    }

    void findCriteria_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QList<int>>("lessons"); // find-first then find-next until no match

        QTest::newRow("number") << "N_leccion = 5" << QList<int> { 5 };
        QTest::newRow("and") << "N_capitulo = 2 and tipo = 3" << QList<int> { 7 };
        QTest::newRow("or") << "tipo = 1 or tipo = 6" << QList<int> { 1, 9 };
        QTest::newRow("parentheses") << "(tipo = 4 or tipo = 3) and not N_leccion = 5" << QList<int> { 7 };
        QTest::newRow("next walks all matches") << "N_capitulo = 2" << QList<int> { 5, 7 };
        QTest::newRow("comparisons") << "N_leccion >= 5 and N_leccion < 9 and tipo <> 4" << QList<int> { 7 };
        QTest::newRow("quoted text") << "nombre_leccion = \"Mapa\"" << QList<int> { 1 };
        QTest::newRow("doubled quote") << "nombre_leccion = 'it''s'" << QList<int> {};
        QTest::newRow("like") << "nombre_leccion like 'ma*'" << QList<int> { 1 };
        QTest::newRow("like with one character and a list") << "nombre_leccion like '[b-d]?nci?n'" << QList<int> { 5 };
        QTest::newRow("like on a number") << "N_leccion like '[!1]'" << QList<int> { 5, 7, 9 };
        QTest::newRow("SQL wildcards are characters") << "nombre_leccion like 'ma%' or nombre_leccion like '_apa'" << QList<int> {};
        QTest::newRow("bracketed field") << "[N_leccion] > 6" << QList<int> { 7, 9 };
        QTest::newRow("negative") << "N_leccion > -1 and tipo = 4" << QList<int> { 5 };
        QTest::newRow("no match") << "N_leccion = 2" << QList<int> {};
        QTest::newRow("null never equals") << "nombre_leccion <> 'Mapa'" << QList<int> { 5, 9 };
    }

    void findCriteria()
    {
        QFETCH(QString, criterion);
        QFETCH(QList<int>, lessons);
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("select * from lecciones order by N_leccion"));
        rs->moveLast();
        QList<int> found;
        for (bool hit = rs->findFirst(criterion); hit; hit = rs->findNext(criterion))
            found << int(rs->number(QStringLiteral("N_leccion")));
        QCOMPARE(found, lessons);
        QVERIFY(rs->noMatch());
        if (lessons.isEmpty())
            QCOMPARE(rs->absolutePosition(), 3); // a failed find leaves the current row alone
    }

    void badCriteriaAndFieldsAreErrors_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown field") << "leccion = 5" << "leccion";
        QTest::newRow("dangling and") << "N_leccion = 5 and" << "malformed";
        QTest::newRow("unclosed text") << "nombre_leccion = 'abc" << "unterminated";
        QTest::newRow("unclosed parenthesis") << "(tipo = 1" << "')' expected";
        QTest::newRow("stray symbol") << "tipo = 1 ;" << "unexpected";
        QTest::newRow("empty") << "  " << "empty";
        QTest::newRow("unclosed list in like") << "nombre_leccion like 'a[bc'" << "never closed";
        QTest::newRow("backwards range in like") << "nombre_leccion like '[z-a]*'" << "backwards";
        QTest::newRow("parentheses too deep") << QString(5000, u'(') + QStringLiteral("tipo = 1") + QString(5000, u')') << "nested deeper";
        QTest::newRow("not too deep") << QStringLiteral("not ").repeated(100000) + QStringLiteral("tipo = 1") << "nested deeper";
    }

    void longChainsAreNotDeep()
    {
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("select * from lecciones order by N_leccion"));
        QString criterion = QStringLiteral("tipo = 6");
        criterion += QStringLiteral(" or tipo = 99").repeated(200000);
        QVERIFY(rs->findFirst(criterion));
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 9);
        const QString nested = QString(Criterion::MaxDepth - 1, u'(') + QStringLiteral("tipo = 4") + QString(Criterion::MaxDepth - 1, u')');
        QVERIFY(rs->findFirst(nested));
        QCOMPARE(rs->number(QStringLiteral("N_leccion")), 5);
    }

    void likePatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("any runs") << "*an**ón" << "Canción" << true;
        QTest::newRow("one character, not none") << "?mapa" << "mapa" << false;
        QTest::newRow("digits") << "lección ##" << "Lección 12" << true;
        QTest::newRow("range, either case") << "[A-C]*" << "bar" << true;
        QTest::newRow("negated list") << "[!cm]apa" << "mapa" << false;
        QTest::newRow("dash first is a dash") << "a[-x]b" << "a-b" << true;
        QTest::newRow("star in a list is a star") << "a[*]" << "abc" << false;
        QTest::newRow("bracket in a list") << "[[]x]" << "[x]" << true;
        QTest::newRow("empty list is nothing") << "a[]b" << "ab" << true;
        QTest::newRow("percent is no run") << "1%" << "100" << false;
        QTest::newRow("whole text") << "ma" << "mapa" << false;
        QTest::newRow("character beyond 16 bits") << "a?b" << QStringLiteral("a\U0001F600b") << true;
        QTest::newRow("many runs fail quickly") << QStringLiteral("*a").repeated(50) + QStringLiteral("b") << QString(5000, u'a') << false;
    }

    void likePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QTEST(LikePattern(pattern).matches(text), "matches");
    }

    void likePatternCheckedBeforeAnyRow()
    {
        auto db = openReadOnly();
        auto empty = db->openRecordset(QStringLiteral("select * from lecciones where tipo = 99"));
        expectError([&] { empty->findFirst(QStringLiteral("nombre_leccion like '[ab'")); }, QStringLiteral("'[ab'"));
    }

    void badCriteriaAndFieldsAreErrors()
    {
        QFETCH(QString, criterion);
        QFETCH(QString, named);
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("lecciones"));
        expectError([&] { rs->findFirst(criterion); }, named);
        expectError([&] { rs->value(QStringLiteral("no_such_column")); }, QStringLiteral("no_such_column"));
        expectError([&] { db->openRecordset(QStringLiteral("exclusiones")); }, QStringLiteral("exclusiones"));
        expectError([&] { db->openRecordset(QStringLiteral("select * from mapa_sensible")); }, QStringLiteral("mapa_sensible"));
    }

    void seekOnIndex()
    {
        auto db = openReadOnly();
        auto rs = db->openRecordset(QStringLiteral("pantalla"));
        QVERIFY(rs->seek(QStringLiteral("ayuda"), { 3, 2 }));
        QCOMPARE(rs->number(QStringLiteral("identificativo")), 20); // lowest remaining key first
        QVERIFY(!rs->seek(QStringLiteral("ayuda"), { 5, 2 }));
        QVERIFY(rs->noMatch());
        expectError([&] { rs->seek(QStringLiteral("nombre"), { 1 }); }, QStringLiteral("nombre"));
    }

    void savedQueries()
    {
        auto db = openReadOnly();
        QueryDef query = db->queryDef(QStringLiteral("CLecciones")); // names ignore case
        QCOMPARE(query.parameterNames(), QStringList { QStringLiteral("codigol") });
        expectError([&] { query.openRecordset(); }, QStringLiteral("codigol"));
        expectError([&] { query.setParameter(QStringLiteral("codesp"), 1); }, QStringLiteral("codesp"));
        query.setParameter(QStringLiteral("codigol"), 2);
        auto rs = query.openRecordset();
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->fieldNames(), (QStringList { QStringLiteral("N_leccion"), QStringLiteral("nombre_leccion") }));
        QCOMPARE(rs->text(QStringLiteral("nombre_leccion")), QStringLiteral("Canción"));
        // A saved query without parameters opens by name like a table.
        QCOMPARE(db->openRecordset(QStringLiteral("consulta-esp-ing"))->recordCount(), 2);
        expectError([&] { db->queryDef(QStringLiteral("capitulos")); }, QStringLiteral("capitulos"));
        expectError([&] { db->queryDef(QStringLiteral("borrar")).execute(); }, QStringLiteral("read-only"));
    }

    // One statement is one statement: a second one after it is refused, naming it, and is
    // never run; blanks and comments after the first are fine.
    void statementWithATail()
    {
        auto db = openReadOnly();
        const QStringList fine { QStringLiteral("select 1;"), QStringLiteral("select 1 ;  \n\t"), QStringLiteral("select 1; -- the end"),
            QStringLiteral("select 1 /* one */ ; /* and no more */ -- really"), QStringLiteral("select 1; /* unclosed") };
        for (const QString& sql : fine) {
            SqlStatement statement(*db, sql);
            QVERIFY2(statement.step(), qPrintable(sql));
            QCOMPARE(statement.value(0).toInt(), 1);
        }
        expectError([&] { SqlStatement(*db, QStringLiteral("select 1; delete from lecciones")); },
            QStringLiteral("\"delete from lecciones\" after the first is refused"));
        expectError([&] { SqlStatement(*db, QStringLiteral("select 1 -- one\n; /* two */ select 2")); }, QStringLiteral("\"select 2\""));
        expectError([&] { db->saveQuery(QStringLiteral("mas"), QStringLiteral("select 1; attach database 'x' as y")); },
            QStringLiteral("attach database"));
    }

    void dynasetAppendUpdateAndActionQuery()
    {
        QTemporaryDir dir;
        const QString learner = dir.filePath(QStringLiteral("usrcurso.mdb"));
        QVERIFY(QFile::copy(m_file, learner));
        {
            auto db = Database::open(learner, ShareMode::Shared, AccessMode::ReadWrite, connectString);
            auto rs = db->openRecordset(QStringLiteral("lecciones_usuario"), RecordsetType::Dynaset);
            QCOMPARE(rs->recordCount(), 1);
            rs->addNew();
            rs->setValue(QStringLiteral("id"), 0);
            rs->setValue(QStringLiteral("leccion"), 12);
            rs->update();
            QCOMPARE(rs->recordCount(), 2);
            rs->moveLast();
            QCOMPARE(rs->number(QStringLiteral("grabada")), -1); // the table's default shows at once
            rs->edit();
            rs->setValue(QStringLiteral("grabada"), 0);
            rs->update();
            expectError([&] { rs->setValue(QStringLiteral("leccion"), 1); }, QStringLiteral("outside addNew"));
            auto snapshot = db->openRecordset(QStringLiteral("lecciones"));
            expectError([&] { snapshot->addNew(); }, QStringLiteral("snapshot"));
        }
        {
            auto db = Database::open(learner, ShareMode::Shared, AccessMode::ReadWrite, connectString);
            auto rs = db->openRecordset(QStringLiteral("lecciones_usuario"));
            QVERIFY(rs->findFirst(QStringLiteral("id = 0 and leccion = 12")));
            QCOMPARE(rs->number(QStringLiteral("grabada")), 0);
            QCOMPARE(db->queryDef(QStringLiteral("borrar")).execute(), 2);
            QCOMPARE(db->openRecordset(QStringLiteral("lecciones_usuario"))->recordCount(), 0);
        }
    }

    void moveCancelsPendingEdit_data()
    {
        QTest::addColumn<bool>("adding"); // addNew, or edit of the last row
        QTest::addColumn<QString>("move");
        QTest::newRow("edit, move next to EOF") << false << "next";
        QTest::newRow("edit, find that fails") << false << "find";
        QTest::newRow("add, move first") << true << "first";
    }

    void moveCancelsPendingEdit()
    {
        QFETCH(bool, adding);
        QFETCH(QString, move);
        QTemporaryDir dir;
        const QString learner = dir.filePath(QStringLiteral("usrcurso.mdb"));
        QVERIFY(QFile::copy(m_file, learner));
        auto db = Database::open(learner, ShareMode::Shared, AccessMode::ReadWrite, connectString);
        db->execute(QStringLiteral("insert into lecciones_usuario (id, leccion) values (1, 4), (2, 5)"));
        auto rs = db->openRecordset(QStringLiteral("lecciones_usuario"), RecordsetType::Dynaset);
        rs->moveLast();
        adding ? rs->addNew() : rs->edit();
        rs->setValue(QStringLiteral("leccion"), 99);
        if (move == QLatin1String("next"))
            rs->moveNext();
        else if (move == QLatin1String("first"))
            rs->moveFirst();
        else
            QVERIFY(!rs->findFirst(QStringLiteral("leccion = 77")));
        expectError([&] { rs->update(); }, QStringLiteral("without addNew or edit"));
        // Nothing was written, neither to the row the edit began on nor to the one now current.
        auto check = db->openRecordset(QStringLiteral("select leccion from lecciones_usuario order by id"));
        QList<int> lessons;
        for (; !check->isEof(); check->moveNext())
            lessons << int(check->number(QStringLiteral("leccion")));
        QCOMPARE(lessons, (QList<int> { 3, 4, 5 }));
    }

    void passwordAndFormat()
    {
        expectError([&] { Database::open(m_file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=otra")); },
            QStringLiteral("wrong password"));
        expectError([&] { Database::open(m_file, ShareMode::Shared, AccessMode::ReadOnly, QString()); }, m_file);

        QTemporaryDir dir;
        const QString text = dir.filePath(QStringLiteral("bbm.mdb"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[PRMS]\r\ndirdef=CURSO\r\n");
        f.close();
        expectError([&] { Database::open(text, ShareMode::Shared, AccessMode::ReadOnly, connectString); }, QStringLiteral("not a course database"));

        const QString jet = dir.filePath(QStringLiteral("viejo.mdb"));
        QFile j(jet);
        QVERIFY(j.open(QIODevice::WriteOnly));
        j.write(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\0'));
        j.close();
        expectError([&] { Database::open(jet, ShareMode::Shared, AccessMode::ReadOnly, connectString); }, QStringLiteral("Jet"));
        expectError([&] { Database::open(dir.filePath(QStringLiteral("falta.mdb")), ShareMode::Shared, AccessMode::ReadOnly, connectString); },
            QStringLiteral("falta.mdb"));

        const QString open = dir.filePath(QStringLiteral("abierta.mdb"));
        Database::create(open, QString())->execute(QStringLiteral("create table t (a)"));
        QVERIFY(Database::open(open, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=cualquiera"))->hasTable(QStringLiteral("T")));
    }

    void readOnlyAndImmutableRefuseWrites()
    {
        for (ShareMode share : { ShareMode::Shared, ShareMode::Exclusive }) {
            auto db = Database::open(m_file, share, AccessMode::ReadOnly, connectString);
            expectError([&] { db->execute(QStringLiteral("insert into lecciones values (2, 0, 'x', 1)")); }, QStringLiteral("readonly"));
            expectError([&] { db->openRecordset(QStringLiteral("lecciones_usuario"), RecordsetType::Dynaset); },
                QStringLiteral("read-only"));
            QCOMPARE(db->openRecordset(QStringLiteral("lecciones"))->recordCount(), 4);
        }
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
