// Which phrase a conversation video shows at a position: whole seconds, halves to
// even, 100 ms of lead before the first phrase, the rounded position handed back.
#include "PhraseSpan.h"
#include "PhraseTable.h"
#include "WordLookup.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<int>)

class TestPhraseTable : public QObject {
    Q_OBJECT

private slots:
    void findPhraseIndex_data();
    void findPhraseIndex();
    void spansEndAtTheNextPhraseOrTheVideosEnd_data();
    void spansEndAtTheNextPhraseOrTheVideosEnd();
    void aWordIsLookedUpUnderItsPlainForms_data();
    void aWordIsLookedUpUnderItsPlainForms();
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

// The study aids work to the millisecond: a phrase lasts until the next one starts, the
// last one until the video ends; the phrase at a position is not rounded.
void TestPhraseTable::spansEndAtTheNextPhraseOrTheVideosEnd_data()
{
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("phraseThere");
    QTest::addColumn<QList<int>>("ends"); ///< the phrases' own ends (a cue's); none: 0
    const QList<int> three { 1000, 2400, 5000 };
    QTest::newRow("first") << three << 0 << 1000 << 2400 << 2399 << 0 << QList<int> {};
    QTest::newRow("the next one's start is its own") << three << 1 << 2400 << 5000 << 2400 << 1 << QList<int> {};
    QTest::newRow("last ends with the video") << three << 2 << 5000 << 8000 << 7999 << 2 << QList<int> {};
    QTest::newRow("before the first (an introduction)") << three << 0 << 1000 << 2400 << 999 << -1 << QList<int> {};
    QTest::newRow("out of the table") << three << 3 << 0 << 0 << 9000 << 2 << QList<int> {};
    QTest::newRow("a phrase past the video's end") << QList<int> { 1000, 9000 } << 1 << 0 << 0 << 8500 << 0 << QList<int> {};
    QTest::newRow("empty") << QList<int> {} << 0 << 0 << 0 << 100 << -1 << QList<int> {};
    // A cue's own end: the silence after it is no part of the phrase.
    const QList<int> cueEnds { 1800, 3000, 6000 };
    QTest::newRow("its cue ends before the next") << three << 0 << 1000 << 1800 << 2000 << 0 << cueEnds;
    QTest::newRow("the last one's cue ends before the video") << three << 2 << 5000 << 6000 << 7000 << 2 << cueEnds;
    QTest::newRow("a cue ending past the next start") << three << 0 << 1000 << 2400 << 2400 << 1 << QList<int> { 2600, 0, 0 };
    QTest::newRow("a cue ending past the video") << three << 2 << 5000 << 8000 << 7000 << 2 << QList<int> { 0, 0, 9000 };
    QTest::newRow("an end before its start") << three << 1 << 2400 << 5000 << 2400 << 1 << QList<int> { 0, 2000, 0 };
}

void TestPhraseTable::spansEndAtTheNextPhraseOrTheVideosEnd()
{
    QFETCH(QList<int>, starts);
    QFETCH(int, index);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, at);
    QFETCH(int, phraseThere);
    QFETCH(QList<int>, ends);
    PhraseTable table;
    for (int i = 0; i < starts.size(); ++i)
        table.push_back({ starts[i], QStringLiteral("sp"), QStringLiteral("en"), i < ends.size() ? ends[i] : 0 });
    const PhraseSpan span = phraseSpan(table, index, 8000);
    QCOMPARE(int(span.startMs), start);
    QCOMPARE(int(span.endMs), end);
    QCOMPARE(span.isValid(), end > 0);
    QCOMPARE(phraseAt(table, at), phraseThere);
}

// A subtitle's word is looked up as the glossary lists it: without the punctuation around
// it, lower case, and the plain forms behind -s, -es, -ed, -ing and 's among its
// candidates; a word with digits only whole.
void TestPhraseTable::aWordIsLookedUpUnderItsPlainForms_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("cleaned");
    QTest::addColumn<QString>("plain");
    QTest::newRow("plural -s, capitals, punctuation") << "HOUSES," << "houses" << "house";
    QTest::newRow("plural -es") << "boxes" << "boxes" << "box";
    QTest::newRow("plural -ies") << "Cities." << "cities" << "city";
    QTest::newRow("-ed") << "walked" << "walked" << "walk";
    QTest::newRow("-ed after e") << "liked" << "liked" << "like";
    QTest::newRow("-ed, doubled") << "stopped!" << "stopped" << "stop";
    QTest::newRow("-ing") << "(walking" << "walking" << "walk";
    QTest::newRow("-ing after e") << "making" << "making" << "make";
    QTest::newRow("-ing, doubled") << "running?" << "running" << "run";
    QTest::newRow("possessive") << "Tom’s" << "tom's" << "tom";
    QTest::newRow("-ss is no plural") << "glass" << "glass" << "glass";
    QTest::newRow("digits, whole") << "1990s." << "1990s" << "1990s";
}

void TestPhraseTable::aWordIsLookedUpUnderItsPlainForms()
{
    QFETCH(QString, word);
    QFETCH(QString, cleaned);
    QFETCH(QString, plain);
    QCOMPARE(WordLookup::cleaned(word), cleaned);
    const QStringList forms = WordLookup::candidates(word);
    QCOMPARE(forms.front(), cleaned);
    QVERIFY2(forms.contains(plain), qPrintable(forms.join(QLatin1Char(' '))));
    if (cleaned == plain)
        QCOMPARE(forms, QStringList { cleaned });
}

QTEST_APPLESS_MAIN(TestPhraseTable)
#include "tst_phrasetable.moc"
