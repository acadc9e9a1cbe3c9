#include "CourseError.h"
#include "PictureEffect.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QPixmap filled(const QColor& colour, const QSize& size = { 64, 48 })
{
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}

QColor pixel(QWidget& widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

} // namespace

class PictureEffectTest : public QObject {
    Q_OBJECT

private:
    static std::unique_ptr<PictureEffect> makeEffect()
    {
        auto effect = std::make_unique<PictureEffect>();
        effect->resize(64, 48);
        effect->show();
        if (!QTest::qWaitForWindowExposed(effect.get()))
            return nullptr;
        return effect;
    }

private Q_SLOTS:
    void pictureFileShownAtOnce()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("caja.bmp"));
        QVERIFY(filled(Qt::red, { 40, 30 }).save(file));
        const auto effect = makeEffect();
        QVERIFY(effect);
        QSignalSpy notified(effect.get(), &PictureEffect::notify);
        effect->setColour(Qt::white);

        effect->setPictureFile(file);
        QCOMPARE(pixel(*effect, 10, 10), QColor(Qt::red));
        QCOMPARE(pixel(*effect, 50, 40), QColor(Qt::white)); // own size, the colour around it
        effect->setPictureMode(PictureEffect::PictureMode::Stretched);
        QCOMPARE(pixel(*effect, 50, 40), QColor(Qt::red));

        const QString missing = dir.filePath(QStringLiteral("falta.bmp"));
        try {
            effect->setPictureFile(missing);
            QFAIL("a missing picture was accepted");
        } catch (const CourseError& e) {
            QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
        }
        QCOMPARE(pixel(*effect, 10, 10), QColor(Qt::white)); // shows nothing of the old picture
        QVERIFY(effect->picture().isNull());
        QTest::qWait(20);
        QCOMPARE(notified.count(), 0);
    }

    void transitionShowsAMixedFrame_data()
    {
        QTest::addColumn<PictureEffect::Effect>("kind");
        QTest::addColumn<PictureEffect::EffectStart>("start");
        QTest::newRow("dissolve") << PictureEffect::Effect::Dissolve << PictureEffect::EffectStart::ShownPicture;
        QTest::newRow("wipe") << PictureEffect::Effect::Wipe << PictureEffect::EffectStart::ShownPicture;
        QTest::newRow("dissolve from the colour") << PictureEffect::Effect::Dissolve << PictureEffect::EffectStart::Colour;
    }
    void transitionShowsAMixedFrame()
    {
        QFETCH(PictureEffect::Effect, kind);
        QFETCH(PictureEffect::EffectStart, start);
        const auto effect = makeEffect();
        QVERIFY(effect);
        QSignalSpy notified(effect.get(), &PictureEffect::notify);
        effect->setEffect(kind);
        effect->setEffectStart(start);
        effect->setEffectDuration(2000); // long enough to catch the middle on a busy machine

        // The first transition of a run starts from the bare colour (black).
        effect->setPicture(filled(Qt::red));
        QTest::qWait(700);
        const QImage first = effect->grab().toImage();
        QVERIFY(effect->isRunning());
        QCOMPARE(notified.count(), 0);
        if (kind == PictureEffect::Effect::Wipe) {
            QCOMPARE(first.pixelColor(2, 24), QColor(Qt::red)); // uncovered from the left
            QCOMPARE(first.pixelColor(61, 24), QColor(Qt::black));
        } else {
            const QColor mid = first.pixelColor(32, 24);
            QVERIFY2(mid.red() > 20 && mid.red() < 235 && mid.green() == 0 && mid.blue() == 0, qPrintable(mid.name()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(notified.count(), 1, 5000);
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::red));

        // The next one runs from the picture shown so far to the new one.
        effect->setPicture(filled(Qt::blue));
        QTest::qWait(700);
        const QImage second = effect->grab().toImage();
        if (kind == PictureEffect::Effect::Wipe) {
            QCOMPARE(second.pixelColor(2, 24), QColor(Qt::blue));
            QCOMPARE(second.pixelColor(61, 24), QColor(Qt::red));
        } else {
            const QColor mid = second.pixelColor(32, 24);
            const bool fromRed = start == PictureEffect::EffectStart::ShownPicture;
            QVERIFY2(mid.blue() > 20 && mid.blue() < 235 && (mid.red() > 20) == fromRed, qPrintable(mid.name()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(notified.count(), 2, 5000);
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::blue));
        QTest::qWait(100);
        QCOMPARE(notified.count(), 2);
    }

    void newPictureTakesTheEffectOver()
    {
        const auto effect = makeEffect();
        QVERIFY(effect);
        QSignalSpy notified(effect.get(), &PictureEffect::notify);
        effect->setEffectDuration(300);
        effect->setPicture(filled(Qt::green));
        effect->setPicture(filled(Qt::blue)); // the map's picture, given a second time
        QCOMPARE(notified.count(), 0);
        QTRY_COMPARE(notified.count(), 1);
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::blue));
        QTest::qWait(400);
        QCOMPARE(notified.count(), 1);

        effect->setPicture(filled(Qt::red));
        effect->finishEffect();
        QCOMPARE(notified.count(), 2);
        QVERIFY(!effect->isRunning());
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::red));
        effect->finishEffect();
        QTest::qWait(400);
        QCOMPARE(notified.count(), 2);
    }

    void cutNotifiesFromTheEventLoop()
    {
        const auto effect = makeEffect();
        QVERIFY(effect);
        QSignalSpy notified(effect.get(), &PictureEffect::notify);
        effect->setEffect(PictureEffect::Effect::Cut);
        effect->setPicture(filled(Qt::red));
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::red));
        QCOMPARE(notified.count(), 0); // the caller finishes its own work first
        effect->setPicture(filled(Qt::blue));
        QTRY_COMPARE(notified.count(), 1);
        QTest::qWait(20);
        QCOMPARE(notified.count(), 1);
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::blue));
    }

    void courseSettings()
    {
        const auto effect = makeEffect();
        QVERIFY(effect);
        QSignalSpy notified(effect.get(), &PictureEffect::notify);
        // The settings the switch makes before every transition, in its order.
        const QList<std::pair<int, QVariant>> settings = { { 52, 28 }, { 62, false }, { 6, 0 }, { 7, 9 }, { 77, 28 },
            { 78, true }, { 9, 9 }, { 8, 0 }, { 4, filled(Qt::red) }, { 150, true } };
        for (const auto& [number, value] : settings)
            QVERIFY2(effect->applyCourseSetting(number, value), qPrintable(QString::number(number)));
        QCOMPARE(effect->effect(), PictureEffect::Effect::Dissolve);
        QCOMPARE(effect->effectDuration(), 400);
        QCOMPARE(effect->effectSteps(), 0);
        QCOMPARE(effect->effectStart(), PictureEffect::EffectStart::ShownPicture);
        QVERIFY(effect->isRunning());
        QTRY_COMPARE(notified.count(), 1);
        QCOMPARE(pixel(*effect, 32, 24), QColor(Qt::red));

        // The navigation box's settings.
        QVERIFY(effect->applyCourseSetting(75, QColor(Qt::white)));
        QVERIFY(effect->applyCourseSetting(5, 1));
        QCOMPARE(effect->colour(), QColor(Qt::white));
        QCOMPARE(effect->pictureMode(), PictureEffect::PictureMode::Natural);
        QVERIFY(effect->applyCourseSetting(75, 0x0000ff)); // red + 256 × green + 65536 × blue
        QCOMPARE(effect->colour(), QColor(Qt::red));
        QVERIFY(effect->applyCourseSetting(89, {}));

        QVERIFY(!effect->applyCourseSetting(999, 1));
        QVERIFY(!effect->applyCourseSetting(52, QStringLiteral("rápido")));
        QVERIFY(!effect->applyCourseSetting(4, QStringLiteral("no es una imagen")));
        QCOMPARE(notified.count(), 1);
    }
};

QTEST_MAIN(PictureEffectTest)
#include "tst_pictureeffect.moc"
