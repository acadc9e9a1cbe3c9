#include "NineDigitColour.h"

#include <QtTest>

class NineDigitColourTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("nine digits") << "255128007" << QColor(255, 128, 7);
        QTest::newRow("black") << "000000000" << QColor(0, 0, 0);
        QTest::newRow("blanks around") << " 255255255 " << QColor(255, 255, 255);
        QTest::newRow("seven: pieces overlap, held at 255") << "1234567" << QColor(123, 255, 255);
        QTest::newRow("four: short green, blue overlaps") << "1234" << QColor(123, 4, 234);
        QTest::newRow("two: empty green") << "12" << QColor(12, 0, 12);
        QTest::newRow("three: one piece read three times") << "200" << QColor(200, 0, 200);
        QTest::newRow("empty") << "" << QColor(0, 0, 0);
        QTest::newRow("above 255 held") << "999000300" << QColor(255, 0, 255);
        QTest::newRow("letters stop a piece") << "1a2b03x9z" << QColor(1, 0, 0);
        QTest::newRow("twelve: ends from the right") << "001002003004" << QColor(1, 2, 4);
    }
    void reads()
    {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        QCOMPARE(nineDigitColour(text), expected);
    }
};

QTEST_GUILESS_MAIN(NineDigitColourTest)
#include "tst_ninedigitcolour.moc"
