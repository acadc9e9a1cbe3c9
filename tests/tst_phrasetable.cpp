// Which phrase a conversation video shows at a position: whole seconds, halves to
// even, 100 ms of lead before the first phrase, the rounded position handed back.
#include "PhraseTable.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<int>)

class TestPhraseTable : public QObject {
    Q_OBJECT

private slots:
    void findPhraseIndex_data();
    void findPhraseIndex();
};

void TestPhraseTable::findPhraseIndex_data()
{
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("writtenBack");

    const QList<int> three { 1000, 2400, 5000 };
    QTest::newRow("more than 100 ms before the first") << QList<int> { 5000 } << 4.85 << -1 << 4.85;
    QTest::newRow("exactly 100 ms before the first") << QList<int> { 5000 } << 4.9 << 0 << 5.0;
    QTest::newRow("2400 ms shown from 1.5 s") << three << 1.5 << 1 << 2.0;
    QTest::newRow("1.4 s still the first") << three << 1.4 << 0 << 1.0;
    QTest::newRow("after the last") << three << 60.2 << 2 << 60.0;
    QTest::newRow("single entry, long after") << QList<int> { 3000 } << 10.0 << 0 << 10.0;
    QTest::newRow("single entry, just reached") << QList<int> { 3000 } << 2.95 << 0 << 3.0;
    QTest::newRow("half rounds down to even") << QList<int> { 1000, 2500, 3500 } << 2.5 << 1 << 2.0;
    QTest::newRow("half rounds up to even") << QList<int> { 1000, 2500, 3500 } << 3.5 << 2 << 4.0;
    QTest::newRow("a start at 3.5 s waits for 4 s") << QList<int> { 1000, 2500, 3500 } << 3.4 << 1 << 3.0;
    QTest::newRow("lead reached, no start rounded yet") << QList<int> { 1501, 4000 } << 1.45 << 0 << 1.0;
    QTest::newRow("empty table") << QList<int> {} << 3.3 << -1 << 3.3;
}

void TestPhraseTable::findPhraseIndex()
{
    QFETCH(QList<int>, starts);
    QFETCH(double, position);
    QFETCH(int, index);
    QFETCH(double, writtenBack);
    PhraseTable table;
    for (int mseg : starts)
        table.push_back({ mseg, QStringLiteral("sp"), QStringLiteral("en") });
    double p = position;
    QCOMPARE(int(FindPhraseIndex(table, p)), index);
    QCOMPARE(p, writtenBack);
}

QTEST_APPLESS_MAIN(TestPhraseTable)
#include "tst_phrasetable.moc"
