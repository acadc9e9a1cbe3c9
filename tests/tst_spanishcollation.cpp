// Spanish text order and the picture list's find, on hand-picked words and on the demo
// course's imported FreeDict lists.
#include "Database.h"
#include "PictureList.h"
#include "Recordset.h"
#include "SpanishCollation.h"

#include <QCollator>
#include <QtTest>

class SpanishCollationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void order_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("accent second") << "ábaco" << "abeja";
        QTest::newRow("unaccented first") << "papa" << "papá";
        QTest::newRow("ñ after n") << "nube" << "ñandú";
        QTest::newRow("ñ before o") << "ñandú" << "oso";
        QTest::newRow("case mixes") << "Casa" << "casco";
        QTest::newRow("lower before upper") << "casa" << "Casa";
        QTest::newRow("blank before letters") << "a la" << "abad";
        QTest::newRow("decomposed ñ") << QString::fromUtf8("nz") << QStringLiteral("n\u0303a");
    }
    void order()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QVERIFY(SpanishCollation::compare(before, after) < 0);
        QVERIFY(SpanishCollation::compare(after, before) > 0);
    }

    void demoListsAreInSpanishOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("Spanish") << "glosesp";
        QTest::newRow("English") << "glosing";
    }
    void demoListsAreInSpanishOrder()
    {
        QFETCH(QString, table);
        const QString file = QStringLiteral(TAMSEL_BINARY_DIR "/course/bbm.mdb");
        if (!QFile::exists(file))
            QSKIP("the demo course has not been built");
        auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        auto rows = db->openRecordset(QStringLiteral("select * from %1 order by termino").arg(table));
        QStringList terms;
        for (; !rows->isEof(); rows->moveNext())
            terms << rows->text(QStringLiteral("termino"));
        QVERIFY2(terms.size() > 4000, qPrintable(QString::number(terms.size())));
        QCollator spanish(QLocale(QLocale::Spanish, QLocale::Spain));
        int disagreements = 0;
        QStringList shown;
        for (qsizetype i = 1; i < terms.size(); ++i) {
            if (spanish.compare(terms[i - 1], terms[i]) > 0) {
                ++disagreements;
                if (shown.size() < 10)
                    shown << terms[i - 1] + QStringLiteral(" > ") + terms[i];
            }
        }
        QVERIFY2(disagreements == 0, qPrintable(shown.join(QStringLiteral("; "))));

        // Find on the same list: with and without accents, "ñ" kept apart.
        PictureList list;
        for (const QString& term : terms)
            list.addItem(term);
        for (const QString& term : terms) {
            if (term.size() < 3)
                continue;
            QString plain = term.normalized(QString::NormalizationForm_D);
            plain.remove(QRegularExpression(QStringLiteral("[\\x{0300}-\\x{0302}\\x{0304}-\\x{036f}]")));
            const int found = list.find(plain);
            QVERIFY2(found >= 0 && SpanishCollation::startsWith(list.itemText(found), term), qPrintable(term));
            QVERIFY2(found <= terms.indexOf(term), qPrintable(term));
        }
    }
};

QTEST_MAIN(SpanishCollationTest)
#include "tst_spanishcollation.moc"
