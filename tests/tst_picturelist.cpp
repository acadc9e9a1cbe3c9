#include "CourseError.h"
#include "PictureList.h"

#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList terms = { "Nariz", "Ñandú", "ábaco", "abeja", "Casa", "casco" };

QPixmap square(int side, const QColor& colour)
{
    QPixmap picture(side, side);
    picture.fill(colour);
    return picture;
}

} // namespace

class PictureListTest : public QObject {
    Q_OBJECT

private:
    // A shown list of NAMES, 200 × HEIGHT, with 24-pixel pictures (entries 28 pixels high).
    static std::unique_ptr<PictureList> makeList(const QStringList& names, int height = 200,
        PictureList::DisplayOptions options = {})
    {
        auto list = std::make_unique<PictureList>();
        list->setDisplayOptions(options);
        list->setPictures(square(24, Qt::gray), square(24, Qt::red));
        list->setColour(QColor(255, 255, 224));
        list->resize(200, height);
        for (const QString& name : names)
            list->addItem(name);
        list->show();
        if (!QTest::qWaitForWindowExposed(list.get()))
            return nullptr;
        return list;
    }
    static QListWidget* view(PictureList& list) { return list.findChild<QListWidget*>(); }
    // Centre of entry ROW in the coordinates of the view's viewport, where the mouse goes.
    static QPoint entryCentre(PictureList& list, int row)
    {
        return view(list)->visualItemRect(view(list)->item(row)).center();
    }

private Q_SLOTS:
    void programSelectionRaisesClickOnce()
    {
        const auto list = makeList(terms);
        QVERIFY(list);
        QSignalSpy clicks(list.get(), &PictureList::click);
        QCOMPARE(list->listIndex(), -1);
        QCOMPARE(list->text(), QString());

        QVERIFY(list->setListIndex(2));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(list->text(), QStringLiteral("ábaco"));
        QVERIFY(list->setListIndex(2)); // already current: nothing new to show
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!list->setListIndex(6));
        QVERIFY(!list->setListIndex(-2));
        QCOMPARE(list->listIndex(), 2);
        QVERIFY(list->setListIndex(-1));
        QCOMPARE(list->listIndex(), -1);
        QCOMPARE(clicks.count(), 1);

        // A click handler that selects its own entry again, as the glossary's does, runs once.
        int handled = 0;
        connect(list.get(), &PictureList::click, list.get(), [&] {
            ++handled;
            list->setListIndex(list->listIndex());
        });
        list->setListIndex(4);
        QCOMPARE(handled, 1);

        // A card screen selects entry 0 of a lesson without cards.
        list->clear();
        QVERIFY(!list->setListIndex(0));
        QCOMPARE(handled, 1);
    }

    void learnerClickAndFind()
    {
        const auto list = makeList(terms);
        QVERIFY(list);
        QStringList events;
        connect(list.get(), &PictureList::click, list.get(), [&] { events << "click " + list->text(); });
        connect(list.get(), &PictureList::mouseDown, list.get(),
            [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { events << "down " + list->text(); });

        QWidget* viewport = view(*list)->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, entryCentre(*list, 4));
        QCOMPARE(events, QStringList({ "down Casa", "click Casa" }));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, entryCentre(*list, 4)); // again on the current entry
        QCOMPARE(events.size(), 4);
        QTest::mouseClick(viewport, Qt::RightButton, {}, entryCentre(*list, 1));
        QCOMPARE(events.size(), 5); // a mouse-down only; the current entry stays
        QCOMPARE(list->listIndex(), 4);

        events.clear();
        QCOMPARE(list->find(QStringLiteral("ñ")), 1);
        QCOMPARE(list->text(), QStringLiteral("Ñandú"));
        QTest::keyClick(view(*list), Qt::Key_Down);
        QCOMPARE(events, QStringList({ "click ábaco" })); // find raised nothing, the key one click
    }

    void findMatchesPrefixIgnoringCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("Ñ is not N") << "ñ" << 1;
        QTest::newRow("N is not Ñ") << "n" << 0;
        QTest::newRow("accent ignored") << "a" << 2;
        QTest::newRow("accent ignored in the text typed") << "ÁBE" << 3;
        QTest::newRow("accented prefix") << "ÁB" << 2;
        QTest::newRow("first of two") << "CAS" << 4;
        QTest::newRow("longer prefix") << "casc" << 5;
        QTest::newRow("whole text") << "casco" << 5;
        QTest::newRow("empty finds the first") << "" << 0;
        QTest::newRow("no match") << "casas" << -1;
    }
    void findMatchesPrefixIgnoringCase()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto list = makeList(terms);
        QVERIFY(list);
        list->setListIndex(3);
        QCOMPARE(list->find(text), expected);
        QCOMPARE(list->listIndex(), expected >= 0 ? expected : 3);
    }

    void findScrollsIntoView()
    {
        QStringList names;
        for (int i = 0; i < 50; ++i)
            names << QStringLiteral("entrada %1").arg(i, 2, 10, QLatin1Char('0'));
        const auto list = makeList(names, 100); // three and a half entries shown
        QVERIFY(list);
        QCOMPARE(list->topIndex(), 0);
        QCOMPARE(list->find(QStringLiteral("ENTRADA 40")), 40);
        QVERIFY(list->topIndex() > 30);
        QVERIFY(list->topIndex() <= 40);
        QCOMPARE(list->itemFromPoint(list->mapFromGlobal(view(*list)->viewport()->mapToGlobal(entryCentre(*list, 40)))), 40);

        list->setTopIndex(10);
        QCOMPARE(list->topIndex(), 10);
        list->setTopIndex(99); // not an entry
        QCOMPARE(list->topIndex(), 10);
        list->setListIndex(2);
        QCOMPARE(list->topIndex(), 2);
    }

    void itemDataStaysWithEntries()
    {
        const auto list = makeList({});
        QVERIFY(list);
        QCOMPARE(list->newIndex(), -1);
        for (int round = 0; round < 2; ++round) { // a refill starts again from 0
            list->clear();
            for (int i = 0; i < 5; ++i) {
                QCOMPARE(list->addItem(QStringLiteral("ficha %1").arg(i)), i);
                list->setItemData(list->newIndex(), 1000 * (i + 1) + round);
            }
        }
        list->setItemData(0, std::numeric_limits<qint32>::min());
        list->setListIndex(3);
        QCOMPARE(list->itemData(list->listIndex()), 4001);
        QCOMPARE(list->find(QStringLiteral("ficha 1")), 1);
        QCOMPARE(list->itemData(list->listIndex()), 2001);
        QCOMPARE(list->itemData(0), std::numeric_limits<qint32>::min());
        QCOMPARE(list->newIndex(), 4);
        QCOMPARE(list->count(), 5);

        QTest::ignoreMessage(QtWarningMsg, "PictureList: item data asked of entry 5 of 5");
        QCOMPARE(list->itemData(5), 0);
        QTest::ignoreMessage(QtWarningMsg, "PictureList: item data given to entry -1 of 5");
        list->setItemData(-1, 7);
    }

    void itemFromPoint_data()
    {
        QTest::addColumn<bool>("framed");
        QTest::newRow("no frame") << false;
        QTest::newRow("framed") << true;
    }
    void itemFromPoint()
    {
        QFETCH(bool, framed);
        const auto list = makeList(terms, 200,
            framed ? PictureList::DisplayOptions(PictureList::DisplayOption::Framed) : PictureList::DisplayOptions());
        QVERIFY(list);
        const int offset = framed ? 1 : 0;
        // Entries are 28 pixels high from the top of the list's inside.
        QCOMPARE(list->itemFromPoint(QPoint(50, offset + 0)), 0);
        QCOMPARE(list->itemFromPoint(QPoint(50, offset + 27)), 0);
        QCOMPARE(list->itemFromPoint(QPoint(50, offset + 28)), 1);
        QCOMPARE(list->itemFromPoint(QPoint(5, offset + 5 * 28 + 14)), 5);
        QCOMPARE(list->itemFromPoint(QPoint(50, offset + 6 * 28 + 1)), -1); // below the last entry
        QCOMPARE(list->itemFromPoint(QPoint(-1, 10)), -1);
        QCOMPARE(list->itemFromPoint(QPoint(50, 500)), -1);

        // The screens feed item-from-point with the mouse signals' positions.
        QPoint pressed;
        connect(list.get(), &PictureList::mouseDown, list.get(),
            [&](Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) { pressed = QPoint(x, y); });
        QTest::mousePress(view(*list)->viewport(), Qt::LeftButton, {}, QPoint(30, 60));
        QCOMPARE(pressed, QPoint(30 + offset, 60 + offset));
        QCOMPARE(list->itemFromPoint(pressed), 2);
        QCOMPARE(list->listIndex(), 2);
    }

    void hoverHighlight()
    {
        const auto list = makeList(terms);
        QVERIFY(list);
        // Moves go through the window, so that the pointer enters and leaves widgets as it would.
        QWindow* window = list->windowHandle();
        QWidget* viewport = view(*list)->viewport();
        const auto pointAt = [&](int row) { return viewport->mapTo(list.get(), entryCentre(*list, row)); };
        QSignalSpy moves(list.get(), &PictureList::mouseMove);
        const auto bandColour = [&](int row) { return list->grab().toImage().pixelColor(150, entryCentre(*list, row).y()); };
        const QColor rest = bandColour(2);

        QTest::mouseMove(window, pointAt(2));
        QTRY_COMPARE(list->hoveredIndex(), 2);
        QVERIFY(!moves.isEmpty());
        QVERIFY(bandColour(2) != rest);
        QCOMPARE(bandColour(3), rest);

        list->setHoverHighlight(false); // the pointer went over the background
        QCOMPARE(list->hoveredIndex(), -1);
        QCOMPARE(bandColour(2), rest);
        QTest::mouseMove(window, pointAt(3));
        QTest::qWait(20);
        QCOMPARE(list->hoveredIndex(), -1);

        // The pointer leaves and comes back: the highlight follows it again.
        QTest::mouseMove(window, QPoint(300, 300));
        QTest::mouseMove(window, pointAt(1));
        QTRY_COMPARE(list->hoveredIndex(), 1);
        QVERIFY(list->hoverHighlight());
        QCOMPARE(list->listIndex(), -1); // pointing chooses nothing by itself
    }

    // An entry too long for the list is cut short with "…" and shows its whole text under
    // the pointer; an entry that fits shows none.
    void longEntryElidedWithItsWholeTextUnderThePointer()
    {
        const QString longTerm = QStringLiteral("administration of the last sacraments to the dying");
        const auto list = makeList({ QStringLiteral("casa"), longTerm });
        QVERIFY(list);
        QWidget* viewport = view(*list)->viewport();
        const auto tipAt = [&](int row) {
            const QPoint at = entryCentre(*list, row);
            QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
            QCoreApplication::sendEvent(viewport, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(0), QString());
        QCOMPARE(tipAt(1), longTerm);
        tipAt(0);
        QTRY_VERIFY(!QToolTip::isVisible()); // it fades
        // The text stops short of the list's right edge: the ink ends before it, with room
        // for the "…" drawn in place of the rest.
        const QImage image = list->grab().toImage();
        const int y = entryCentre(*list, 1).y();
        const QColor paper = image.pixelColor(list->width() - 2, y);
        int lastInk = 0;
        for (int x = 0; x < list->width(); ++x) {
            if (image.pixelColor(x, y) != paper && x > 30)
                lastInk = x;
        }
        QVERIFY2(lastInk < list->width() - 3, qPrintable(QString::number(lastInk)));
        QVERIFY(lastInk > list->width() / 2);
        // Read whole by assistive technology.
        QCOMPARE(view(*list)->item(1)->text(), longTerm);
    }

    void pictureFiles()
    {
        QTemporaryDir dir;
        const QString rest = dir.filePath(QStringLiteral("reposo.bmp"));
        QVERIFY(square(30, Qt::blue).save(rest));
        PictureList list;
        list.resize(200, 200);
        list.setPictureFiles(rest, QString());
        list.addItem(QStringLiteral("uno"));
        list.addItem(QStringLiteral("dos"));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.itemFromPoint(QPoint(10, 33)), 0); // 30-pixel picture + margins
        QCOMPARE(list.itemFromPoint(QPoint(10, 35)), 1);
        const QString missing = dir.filePath(QStringLiteral("falta.bmp"));
        try {
            list.setPictureFiles(rest, missing);
            QFAIL("a missing picture was accepted");
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(PictureListTest)
#include "tst_picturelist.moc"
