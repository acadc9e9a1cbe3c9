// The stage drawn bigger than 640 x 480: the factor chosen for a display, the options
// that choose it, and pictures that keep whole pixels. This test runs at factor 2, as
// the player does on a 1920 x 1080 display.
#include "CenterWindow.h"
#include "CommandLine.h"
#include "PictureEffect.h"
#include "PixelLabel.h"
#include "ScreenHost.h"
#include "StageScale.h"
#include "Trace.h"

#include <QApplication>
#include <QJsonDocument>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

/// A 4 x 4 board of black and white pixels: any smoothing shows as grey.
QPixmap board()
{
    QImage image(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return QPixmap::fromImage(image);
}

/// Whether IMAGE shows the board scaled by FACTOR with whole pixels from (LEFT, TOP) of
/// the device, and names the first pixel that does not.
QString boardMismatch(const QImage& image, int left, int top, int factor)
{
    for (int y = 0; y < 4 * factor; ++y)
        for (int x = 0; x < 4 * factor; ++x) {
            const QRgb expected = ((x / factor) + (y / factor)) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            const QRgb shown = image.pixel(left + x, top + y) & 0xffffff;
            if (shown != (expected & 0xffffff))
                return QStringLiteral("device pixel (%1, %2) is #%3").arg(left + x).arg(top + y).arg(shown, 6, 16, QLatin1Char('0'));
        }
    return {};
}

} // namespace

class StageScaleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void factorForDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<double>("factor");
        QTest::newRow("800 x 600") << QString() << QSize(800, 600) << 1.0;
        QTest::newRow("1920 x 1080") << QString() << QSize(1920, 1080) << 2.0;
        QTest::newRow("3840 x 2160") << QString() << QSize(3840, 2160) << 4.0;
        QTest::newRow("1280 x 1024: the height is the limit") << QString() << QSize(1280, 1024) << 2.0;
        QTest::newRow("2560 x 1080: the height is the limit") << QString() << QSize(2560, 1080) << 2.0;
        QTest::newRow("smaller than the stage") << QString() << QSize(600, 400) << 1.0;
        QTest::newRow("fit 1920 x 1080") << QStringLiteral("fit") << QSize(1920, 1080) << 2.25;
        QTest::newRow("fit 1280 x 960") << QStringLiteral("FIT") << QSize(1280, 960) << 2.0;
        QTest::newRow("fit smaller than the stage") << QStringLiteral("fit") << QSize(600, 400) << 1.0;
        QTest::newRow("forced 3 whatever the display") << QStringLiteral("3") << QSize(800, 600) << 3.0;
        QTest::newRow("forced 1 on a big display") << QStringLiteral("1") << QSize(3840, 2160) << 1.0;
    }

    void factorForDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QSize, display);
        QFETCH(double, factor);
        const std::optional<StageScale> scale = option.isEmpty() ? StageScale() : StageScale::parse(option);
        QVERIFY(scale);
        QCOMPARE(scale->factorFor(display), factor);
        QCOMPARE(scale->needsDisplay(), option.isEmpty() || option.toLower() == QLatin1String("fit"));
    }

    void scaleOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("window");
        QTest::newRow("a factor") << QStringList { "--scale", "2" } << QString() << false;
        QTest::newRow("fit, joined") << QStringList { "--scale=fit", "--window" } << QString() << true;
        QTest::newRow("no value") << QStringList { "--scale" } << QStringLiteral("Falta valor tras «--scale».") << false;
        QTest::newRow("zero") << QStringList { "--scale", "0" } << QStringLiteral("no «0»") << false;
        QTest::newRow("too big") << QStringList { "--scale=17" } << QStringLiteral("no «17»") << false;
        QTest::newRow("a fraction") << QStringList { "--scale", "1.5" } << QStringLiteral("no «1.5»") << false;
        QTest::newRow("a word") << QStringList { "--scale", "big" } << QStringLiteral("un factor entero de 1 a 16 o «fit»") << false;
    }

    void scaleOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QFETCH(bool, window);
        const CommandLine options = CommandLine::parse(QStringList { QStringLiteral("tamsel") } + arguments);
        QVERIFY2(error.isEmpty() ? options.error.isEmpty() : options.error.contains(error), qPrintable(options.error));
        QCOMPARE(options.window, window);
    }

    // Read before Qt takes its own options out, the arguments hold them still.
    void earlyReadSkipsQtsOwnOptions()
    {
        const QStringList arguments { "tamsel", "-platform", "offscreen", "--scale", "3", "--course", "/cd" };
        QVERIFY(CommandLine::parse(arguments).error.contains(QStringLiteral("-platform")));
        const CommandLine early = CommandLine::parse(arguments, CommandLine::Unknown::Skip);
        QVERIFY2(early.error.isEmpty(), qPrintable(early.error));
        QCOMPARE(early.scale.mode(), StageScale::Mode::Fixed);
        QCOMPARE(early.scale.factorFor(QSize(800, 600)), 3.0);
        QCOMPARE(early.course, QStringLiteral("/cd"));
    }

    // QLabel would smooth the picture and stretch it over the whole label.
    void pictureKeepsWholePixelsAndItsSize()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        QWidget window;
        window.resize(40, 20);
        auto* label = new PixelLabel(&window);
        label->setGeometry(2, 3, 12, 8); // bigger than its picture
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setPixmap(board());
        auto* text = new PixelLabel(QStringLiteral("Hola"), &window);
        text->setGeometry(20, 0, 20, 20);
        const QImage shown = window.grab().toImage();
        QCOMPARE(shown.size(), QSize(80, 40));
        const QString mismatch = boardMismatch(shown, 4, 6, 2);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        // Beside the picture the label shows the window, not a stretched picture.
        QCOMPARE(shown.pixelColor(4 + 10, 6 + 2), window.palette().color(QPalette::Window));
    }

    // A stretched picture (a card's picture in its box) fills its label at this factor as
    // at factor 1, still in whole pixels.
    void stretchedPictureFillsItsLabel()
    {
        QWidget window;
        window.resize(40, 20);
        auto* label = new PixelLabel(&window);
        label->setGeometry(2, 3, 8, 8); // twice its picture
        label->setScaledContents(true);
        label->setPixmap(board());
        const QString mismatch = boardMismatch(window.grab().toImage(), 4, 6, 4);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void transitionPictureKeepsWholePixels()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("board.bmp"));
        QVERIFY(board().save(file));
        PictureEffect effect;
        effect.resize(4, 4);
        effect.setPictureFile(file);
        const QString mismatch = boardMismatch(effect.grab().toImage(), 0, 0, 2);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    // Played in a window, the window is the stage; the trace gives display pixels.
    void windowIsTheStage()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(file));
        ScreenHost host(trace, ScreenHost::Presentation::Window);
        host.showOnDisplay();
        QCOMPARE(host.size(), QSize(640, 480));
        QCOMPARE(host.stage()->pos(), QPoint(0, 0));
        // A picture a screen centres lands in the middle of the window, not of the display.
        QWidget area(host.stage());
        area.resize(100, 60);
        CenterWindow(area);
        QCOMPARE(area.pos(), QPoint(270, 210));

        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QJsonObject stage = QJsonDocument::fromJson(written.readLine()).object();
        QCOMPARE(stage.value(QStringLiteral("ev")).toString(), QStringLiteral("stage"));
        QCOMPARE(stage.value(QStringLiteral("factor")).toDouble(), 2.0);
        QCOMPARE(stage.value(QStringLiteral("w")).toInt(), 1280);
        QCOMPARE(stage.value(QStringLiteral("h")).toInt(), 960);
        const QPoint origin = host.mapToGlobal(QPoint(0, 0));
        QCOMPARE(stage.value(QStringLiteral("x")).toInt(), origin.x() * 2);
    }
};

int main(int argc, char* argv[])
{
    // As the player sets itself up with --scale 2.
    StageScale::parse(QStringLiteral("2"))->applyBeforeApplication(argc, argv);
    QApplication app(argc, argv);
    StageScaleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stagescale.moc"
