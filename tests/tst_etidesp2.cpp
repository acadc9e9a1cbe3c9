#include "MapPropertyBag.h"
#include "TextBox.h"
#include "Twips.h"
#include "etidesp2.h"

#include <QFontMetrics>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int SurfaceWidth = 200;
constexpr int SurfaceHeight = 24;
const QString LongText = QStringLiteral("una traducción bastante larga que no cabe de ninguna manera en la caja visible");

// A shown control in a host window, as a form holds it.
struct Host {
    QWidget window;
    etidesp2* control = new etidesp2(&window);
    TextBox* box = control->findChild<TextBox*>(QStringLiteral("Text1"));

    Host()
    {
        window.resize(400, 100);
        control->setGeometry(10, 10, SurfaceWidth, SurfaceHeight);
        window.show();
    }

    float measured(const QString& text) const
    {
        return float(QFontMetrics(control->font()).horizontalAdvance(text)) * Twips::perPixelX(*control);
    }

    // Calls derecha until nothing moves; the number of steps taken.
    int stepRightToTheEnd() const
    {
        int steps = 0;
        for (float before = box->leftTwips() + 1; before != box->leftTwips() && steps < 10000;) {
            before = box->leftTwips();
            control->derecha();
            if (box->leftTwips() != before)
                ++steps;
        }
        return steps;
    }
};

// Types text into widget, characters beyond ASCII included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

}

class tst_etidesp2 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void derechaStopsAtTheEdge_data();
    void derechaStopsAtTheEdge();
    void narrowTextDoesNotScroll();
    void shortTextAfterLongKeepsWideBoxAndScroll();
    void measuresWithTheSurfaceFont();
    void resizeBringsBoxBackToControlWidth();
    void widthPouredWhileHiddenSurvivesShow();
    void reiniciaKeepsTheWidth();
    void textStopsInsideTheBorder_data();
    void textStopsInsideTheBorder();

    void keyPressSeenByHost_data();
    void keyPressSeenByHost();
    void keyDownSeenByHost_data();
    void keyDownSeenByHost();
    void keyArguments();
    void mouseUpOnlyOverBareSurface_data();
    void mouseUpOnlyOverBareSurface();
    void mouseDownOverTheBox();
    void changeOnEveryNewText();
    void pressOnBareSurfaceStaysWithTheControl();

    void writeAccessorsNotify_data();
    void writeAccessorsNotify();
    void colorsReachTheBox();
    void invalidValuesRefused_data();
    void invalidValuesRefused();
    void interfaceForHosts();

    void persistenceRoundTrip();
    void missingEntryDefaults_data();
    void missingEntryDefaults();
    void writeStoresOnlyNonDefaults_data();
    void writeStoresOnlyNonDefaults();
    void storedNameAndSizeOverrideTheFont();
    void unusableEntryRefused_data();
    void unusableEntryRefused();
};

void tst_etidesp2::initTestCase()
{
    Host host;
    qInfo("logical dpi %d x %d: %g twips per pixel", host.control->logicalDpiX(), host.control->logicalDpiY(),
          double(Twips::perPixelX(*host.control)));
}

void tst_etidesp2::derechaStopsAtTheEdge_data()
{
    QTest::addColumn<float>("beyond"); // twips of inner box beyond the surface's right edge
    QTest::addColumn<int>("steps");
    QTest::addColumn<float>("bare"); // twips of bare surface at the right afterwards

    QTest::newRow("edges coincide") << 0.0f << 0 << 0.0f;
    QTest::newRow("one twip beyond") << 1.0f << 1 << 179.0f;
    QTest::newRow("one step beyond") << 180.0f << 1 << 0.0f;
    QTest::newRow("edges coincide after two steps") << 360.0f << 2 << 0.0f;
    QTest::newRow("179 beyond two steps") << 539.0f << 3 << 1.0f;
    QTest::newRow("long text") << 5000.0f << 28 << 40.0f;
}

void tst_etidesp2::derechaStopsAtTheEdge()
{
    QFETCH(float, beyond);
    QFETCH(int, steps);
    QFETCH(float, bare);
    Host host;
    host.box->setWidthTwips(host.control->widthTwips() + beyond);

    QCOMPARE(host.stepRightToTheEnd(), steps);
    QCOMPARE(host.box->leftTwips(), -180.0f * float(steps));
    QCOMPARE(host.control->widthTwips() - (host.box->leftTwips() + host.box->widthTwips()), bare);

    for (int i = 0; i < steps; ++i)
        host.control->izquierda();
    QCOMPARE(host.box->leftTwips(), 0.0f);
    host.control->izquierda();
    QCOMPARE(host.box->leftTwips(), 0.0f);
}

void tst_etidesp2::narrowTextDoesNotScroll()
{
    Host host;
    host.control->MeterTexto(QStringLiteral("sí"));
    QCOMPARE(host.box->widthTwips(), host.control->widthTwips());
    host.control->derecha();
    QCOMPARE(host.box->leftTwips(), 0.0f);
}

void tst_etidesp2::shortTextAfterLongKeepsWideBoxAndScroll()
{
    Host host;
    host.control->MeterTexto(LongText);
    const float wide = host.measured(LongText);
    QVERIFY(wide > host.control->widthTwips());
    QCOMPARE(host.box->widthTwips(), wide);
    host.control->derecha();
    host.control->derecha();

    host.control->MeterTexto(QStringLiteral("casa"));
    QCOMPARE(host.box->widthTwips(), wide);
    QCOMPARE(host.box->leftTwips(), -360.0f);
    QCOMPARE(host.control->Text(), QStringLiteral("casa"));
    // The caret at the start keeps the line edit from scrolling its own content.
    QCOMPARE(host.box->cursorPosition(), 0);
}

void tst_etidesp2::measuresWithTheSurfaceFont()
{
    Host host;
    host.control->setFontSize(40); // the inner box's font only
    host.control->MeterTexto(LongText);
    QCOMPARE(host.box->widthTwips(), host.measured(LongText));

    QFont surface = host.control->font();
    surface.setPointSize(surface.pointSize() * 2);
    host.control->setFont(surface); // a host may change the surface's font; the control never does
    host.control->MeterTexto(LongText + LongText);
    QCOMPARE(host.box->widthTwips(), host.measured(LongText + LongText));
}

void tst_etidesp2::resizeBringsBoxBackToControlWidth()
{
    Host host;
    host.control->MeterTexto(LongText);
    host.control->derecha();
    host.control->resize(300, 30);
    QCOMPARE(host.box->widthTwips(), host.control->widthTwips());
    QCOMPARE(host.box->heightTwips(), host.control->heightTwips());
    QCOMPARE(host.box->leftTwips(), -180.0f);
    // In pixels, a left edge that falls on half a pixel may cost the width one pixel.
    QVERIFY2(qAbs(host.box->width() - 300) <= 1 && host.box->height() == 30, qPrintable(QString::number(host.box->width())));
}

void tst_etidesp2::textStopsInsideTheBorder_data()
{
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("steps");
    QTest::newRow("factor 1") << 1 << 0;
    QTest::newRow("factor 2") << 2 << 0;
    QTest::newRow("factor 1, scrolled") << 1 << 3;
    QTest::newRow("factor 2, scrolled") << 2 << 3;
}

// A text wider than the control, poured in as the glossary does: the control's edges show
// the box's border and margin, never the text running under them; scrolled, on both sides.
void tst_etidesp2::textStopsInsideTheBorder()
{
    QFETCH(int, factor);
    QFETCH(int, steps);
    Host host;
    host.control->setGeometry(10, 10, SurfaceWidth * factor, SurfaceHeight * factor);
    host.control->setFontName(QStringLiteral("DejaVu Sans"));
    host.control->setFontSize(9.0f * float(factor));
    // A narrow text first: the box shows its own border, which the wide one must match.
    host.control->MeterTexto(QStringLiteral("sí"));
    const QImage narrow = host.control->grab().toImage();
    host.control->MeterTexto(LongText);
    for (int i = 0; i < steps; ++i)
        host.control->derecha();
    QVERIFY(host.box->geometry().right() > host.control->rect().right());
    const QImage wide = host.control->grab().toImage();
    QCOMPARE(wide.size(), narrow.size());
    // The border and the blank before the text: the frame and a line edit's 2 px.
    const int blank = host.box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
    for (int x = wide.width() - blank; x < wide.width(); ++x) {
        for (int y = 0; y < wide.height(); ++y)
            QVERIFY2(wide.pixel(x, y) == narrow.pixel(x, y), qPrintable(QStringLiteral("right, at %1, %2").arg(x).arg(y)));
    }
    if (steps > 0) {
        for (int x = 0; x < blank; ++x) {
            for (int y = 0; y < wide.height(); ++y)
                QVERIFY2(wide.pixel(x, y) == narrow.pixel(x, y), qPrintable(QStringLiteral("left, at %1, %2").arg(x).arg(y)));
        }
    }
}

void tst_etidesp2::widthPouredWhileHiddenSurvivesShow()
{
    QWidget window;
    auto* control = new etidesp2(&window);
    control->setGeometry(0, 0, SurfaceWidth, SurfaceHeight);
    control->MeterTexto(LongText);
    const float wide = control->findChild<TextBox*>()->widthTwips();
    QVERIFY(wide > control->widthTwips());
    window.show(); // the pending resize event of the first placement arrives now
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(control->findChild<TextBox*>()->widthTwips(), wide);
}

void tst_etidesp2::reiniciaKeepsTheWidth()
{
    Host host;
    host.control->MeterTexto(LongText);
    for (int i = 0; i < 3; ++i)
        host.control->derecha();
    host.box->setTopTwips(60);
    const float width = host.box->widthTwips();

    host.control->reinicia();
    QCOMPARE(host.box->leftTwips(), 0.0f);
    QCOMPARE(host.box->topTwips(), 0.0f);
    QCOMPARE(host.box->widthTwips(), width);
    QCOMPARE(host.box->pos(), QPoint(0, 0));
}

void tst_etidesp2::keyPressSeenByHost_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");

    QTest::newRow("left alone") << "gato" << 0 << 0 << "gato";
    QTest::newRow("character swallowed") << "gxaxto" << int('x') << 0 << "gato";
    QTest::newRow("character replaced") << "gaao" << int('a') << int('t') << "gtto";
    QTest::newRow("accented character replaced") << "cañón" << int(u'ñ') << int('n') << "canón";
    QTest::newRow("euro arrives as 128") << "5€" << 128 << int('E') << "5E";
    QTest::newRow("Windows-1252 letter arrives as its byte") << "œuvre" << 0x9C << int('o') << "ouvre";
    QTest::newRow("128 set by the host is the euro") << "5x" << int('x') << 128 << "5€";
    QTest::newRow("character outside the code page arrives as ?") << "a語b" << int('?') << 0 << "ab";
    QTest::newRow("character outside the code page left alone") << "a語b" << 0 << 0 << "a語b";
    QTest::newRow("backspace swallowed") << "ab\b" << 8 << 0 << "ab";
    QTest::newRow("letter turned into backspace") << "abz" << int('z') << 8 << "a";
}

void tst_etidesp2::keyPressSeenByHost()
{
    QFETCH(QString, typed);
    QFETCH(int, from);
    QFETCH(int, to);
    Host host;
    connect(host.control, &etidesp2::KeyPress, this, [&](qint16& KeyAscii) {
        if (KeyAscii == from)
            KeyAscii = qint16(to);
    });
    host.box->setFocus();
    typeText(host.box, typed);
    QTEST(host.control->Text(), "expected");
}

void tst_etidesp2::keyDownSeenByHost_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("expected");

    QTest::newRow("left alone") << int(Qt::Key_Left) << 0 << 0 << 5 << "abcdef";
    QTest::newRow("left becomes home") << int(Qt::Key_Left) << 37 << 36 << 0 << "abcdef";
    QTest::newRow("left dropped") << int(Qt::Key_Left) << 37 << 0 << 6 << "abcdef";
    QTest::newRow("home dropped") << int(Qt::Key_Home) << 36 << 0 << 6 << "abcdef";
    // As with key-down and character messages, the character still arrives.
    QTest::newRow("backspace key-down dropped") << int(Qt::Key_Backspace) << 8 << 0 << 5 << "abcde";
    QTest::newRow("letter becomes left, keeps its character") << int(Qt::Key_X) << int('X') << 37 << 6 << "abcdexf";
}

void tst_etidesp2::keyDownSeenByHost()
{
    QFETCH(int, key);
    QFETCH(int, from);
    QFETCH(int, to);
    Host host;
    host.box->setFocus();
    QTest::keyClicks(host.box, QStringLiteral("abcdef"));
    connect(host.control, &etidesp2::KeyDown, this, [&](qint16& KeyCode, qint16&) {
        if (KeyCode == from)
            KeyCode = qint16(to);
    });
    QTest::keyClick(host.box, Qt::Key(key));
    QTEST(host.box->cursorPosition(), "cursor");
    QTEST(host.control->Text(), "expected");
}

void tst_etidesp2::keyArguments()
{
    Host host;
    QList<QList<int>> seen;
    connect(host.control, &etidesp2::KeyDown, this, [&](qint16& KeyCode, qint16& Shift) { seen.append(QList<int>{KeyCode, Shift}); });
    connect(host.control, &etidesp2::KeyPress, this, [&](qint16& KeyAscii) { seen.append(QList<int>{KeyAscii}); });
    QTest::keyClick(host.box, 'A', Qt::ShiftModifier);
    QTest::keyClick(host.box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(host.box, Qt::Key_F5, Qt::AltModifier);
    // The modifier keys go down first, each with its own code.
    const QList<QList<int>> expected{{16, 1}, {65, 1}, {int('A')}, {17, 2}, {35, 2}, {18, 4}, {116, 4}};
    QCOMPARE(seen, expected);
}

void tst_etidesp2::mouseUpOnlyOverBareSurface_data()
{
    QTest::addColumn<bool>("onBox"); // the release is delivered to the inner box, not the surface
    QTest::addColumn<bool>("overBox"); // the release point lies over the inner box
    QTest::addColumn<int>("raised");

    QTest::newRow("released on the box") << true << true << 0;
    QTest::newRow("released on bare surface") << false << false << 1;
    QTest::newRow("surface grabbed, released over the box") << false << true << 0;
}

void tst_etidesp2::mouseUpOnlyOverBareSurface()
{
    QFETCH(bool, onBox);
    QFETCH(bool, overBox);
    Host host;
    // One step right with 20 twips beyond the edge leaves 160 twips of bare surface.
    host.box->setWidthTwips(host.control->widthTwips() + 20);
    host.control->derecha();
    QVERIFY(host.box->geometry().right() < SurfaceWidth - 3);

    QList<QList<float>> raised;
    connect(host.control, &etidesp2::MouseUp, this, [&](qint16& Button, qint16& Shift, float& X, float& Y) {
        raised.append({float(Button), float(Shift), X, Y});
    });
    const QPoint surfacePoint = overBox ? QPoint(40, 10) : QPoint(SurfaceWidth - 2, 10);
    if (onBox)
        QTest::mouseRelease(host.box, Qt::LeftButton, {}, host.box->mapFrom(host.control, surfacePoint));
    else
        QTest::mouseRelease(host.control, Qt::LeftButton, Qt::ShiftModifier, surfacePoint);

    QTEST(int(raised.size()), "raised");
    if (!raised.isEmpty()) {
        const float perPixel = Twips::perPixelX(*host.control);
        QCOMPARE(raised.first(), (QList<float>{1, 1, float(SurfaceWidth - 2) * perPixel, 10 * Twips::perPixelY(*host.control)}));
    }
}

void tst_etidesp2::mouseDownOverTheBox()
{
    Host host;
    host.control->MeterTexto(LongText);
    host.control->derecha();
    QList<QList<float>> raised;
    connect(host.control, &etidesp2::MouseDown, this, [&](qint16& Button, qint16& Shift, float& X, float& Y) {
        raised.append({float(Button), float(Shift), X, Y});
    });
    QTest::mousePress(host.box, Qt::RightButton, Qt::ControlModifier, QPoint(30, 4));
    QTest::mouseRelease(host.box, Qt::RightButton, Qt::ControlModifier, QPoint(30, 4));
    // X and Y are the box's own, in twips.
    const QList<QList<float>> expected{{2, 2, 30 * Twips::perPixelX(*host.box), 4 * Twips::perPixelY(*host.box)}};
    QCOMPARE(raised, expected);
}

void tst_etidesp2::changeOnEveryNewText()
{
    Host host;
    QSignalSpy change(host.control, &etidesp2::Change);
    host.control->MeterTexto(QStringLiteral("uno"));
    host.control->setText(QStringLiteral("dos"));
    QTest::keyClick(host.box, Qt::Key_S);
    QCOMPARE(change.count(), 3);
    // Writing the text it already has is a change all the same, by either way in.
    host.control->MeterTexto(host.control->Text());
    host.control->setText(host.control->Text());
    host.control->setProperty("Text", host.control->Text());
    QCOMPARE(change.count(), 6);
    QCOMPARE(host.control->Text(), QStringLiteral("sdos")); // the caret stays at the start of a text set
}

void tst_etidesp2::pressOnBareSurfaceStaysWithTheControl()
{
    Host host;
    host.box->setWidthTwips(host.control->widthTwips() + 20);
    host.control->derecha();
    int hostPresses = 0;
    struct PressCounter : QObject {
        int& count;
        explicit PressCounter(int& c) : count(c) { }
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::MouseButtonPress;
            return false;
        }
    } counter(hostPresses);
    host.window.installEventFilter(&counter);
    QTest::mousePress(host.control, Qt::LeftButton, {}, QPoint(SurfaceWidth - 2, 10));
    QTest::mouseRelease(host.control, Qt::LeftButton, {}, QPoint(SurfaceWidth - 2, 10));
    // A press the control took is never passed on to the window holding it.
    QCOMPARE(hostPresses, 0);
}

void tst_etidesp2::writeAccessorsNotify_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("BackColor RGB") << QByteArray("BackColor") << QVariant(0x00FF8040u);
    QTest::newRow("BackColor system") << QByteArray("BackColor") << QVariant(0x8000000Fu);
    QTest::newRow("Font") << QByteArray("Font") << QVariant(QFont(QStringLiteral("Serif"), 14));
    QTest::newRow("FontName") << QByteArray("FontName") << QVariant(QStringLiteral("MS Sans Serif"));
    QTest::newRow("FontSize") << QByteArray("FontSize") << QVariant(8.25f);
    QTest::newRow("ForeColor") << QByteArray("ForeColor") << QVariant(0x00000080u);
    QTest::newRow("Enabled") << QByteArray("Enabled") << QVariant(false);
    QTest::newRow("Text") << QByteArray("Text") << QVariant(QStringLiteral("hola"));
    QTest::newRow("Locked") << QByteArray("Locked") << QVariant(true);
}

void tst_etidesp2::writeAccessorsNotify()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    Host host;
    QSignalSpy notified(host.control, &etidesp2::propertyChanged);

    QVERIFY(host.control->setProperty(property, value));
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.first().first().toString(), QString::fromLatin1(property));
    QCOMPARE(host.control->property(property), value);
    // The inner box carries it; the surface stays as it was.
    QCOMPARE(host.box->isEnabled(), host.control->Enabled());
    QCOMPARE(host.box->isReadOnly(), host.control->Locked());
    QVERIFY(host.control->isEnabled());
}

void tst_etidesp2::colorsReachTheBox()
{
    Host host;
    host.control->setBackColor(0x000000FFu); // red, as 0x00BBGGRR
    host.control->setForeColor(0x00FF0000u); // blue
    QCOMPARE(host.box->palette().color(QPalette::Base), QColor(255, 0, 0));
    QCOMPARE(host.box->palette().color(QPalette::Text), QColor(0, 0, 255));
    host.control->setBackColor(0x8000000Fu); // the button face of the surface's palette
    QCOMPARE(host.box->palette().color(QPalette::Base), host.control->palette().color(QPalette::Button));
}

void tst_etidesp2::invalidValuesRefused_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("BackColor palette index") << QByteArray("BackColor") << QVariant(0x01000005u);
    QTest::newRow("BackColor unknown system colour") << QByteArray("BackColor") << QVariant(0x80000040u);
    QTest::newRow("ForeColor top byte") << QByteArray("ForeColor") << QVariant(0xFF000000u);
    QTest::newRow("FontSize zero") << QByteArray("FontSize") << QVariant(0.0f);
    QTest::newRow("FontSize negative") << QByteArray("FontSize") << QVariant(-3.0f);
    QTest::newRow("FontSize not a number") << QByteArray("FontSize") << QVariant(std::nanf(""));
    QTest::newRow("FontSize huge") << QByteArray("FontSize") << QVariant(3000.0f);
}

void tst_etidesp2::invalidValuesRefused()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    Host host;
    const QVariant before = host.control->property(property);
    QSignalSpy notified(host.control, &etidesp2::propertyChanged);
    QSignalSpy refused(host.control, &etidesp2::propertyRefused);

    // Written by name, as hosts write: no exception may come out of Qt's property system.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("etidesp2: Invalid value .* for ") + QString::fromLatin1(property)));
    try {
        host.control->setProperty(property, value);
    } catch (...) {
        QFAIL("an exception left the property write");
    }
    QCOMPARE(host.control->property(property), before);
    QCOMPARE(notified.count(), 0);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().at(0).toString(), QString::fromLatin1(property));
    QVERIFY2(refused.first().at(1).toString().contains(QStringLiteral("expected")), qPrintable(refused.first().at(1).toString()));
}

void tst_etidesp2::interfaceForHosts()
{
    // Hosts reach the control only through its meta-object, by these names.
    const QMetaObject& meta = etidesp2::staticMetaObject;
    QStringList properties;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty p = meta.property(i);
        properties << QString::fromLatin1(p.name());
        QCOMPARE(p.isWritable(), p.name() != QByteArray("MultiLine") && p.name() != QByteArray("ScrollBars"));
        QVERIFY2(meta.indexOfClassInfo(QByteArray("Help:") + p.name()) >= 0, p.name());
    }
    QCOMPARE(properties, QStringList({"BackColor", "Font", "FontName", "FontSize", "ForeColor", "MultiLine", "Enabled",
                                      "Text", "Locked", "ScrollBars"}));
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(signatures.mid(0, 5), QStringList({"KeyDown(qint16&,qint16&)", "KeyPress(qint16&)", "Change()",
                                                "MouseDown(qint16&,qint16&,float&,float&)",
                                                "MouseUp(qint16&,qint16&,float&,float&)"}));
    for (const char* method : {"derecha()", "izquierda()", "reinicia()", "MeterTexto(QString)"})
        QVERIFY2(meta.indexOfMethod(method) >= 0, method);
    QCOMPARE(QString::fromUtf8(meta.classInfo(meta.indexOfClassInfo("Help:Text")).value()),
             QStringLiteral("Devuelve o establece el texto contenido en el control."));
}

void tst_etidesp2::persistenceRoundTrip()
{
    Host saved;
    saved.control->setBackColor(0x00C0FFEEu);
    saved.control->setInnerFont(QFont(QStringLiteral("Serif"), 12, QFont::Bold));
    saved.control->setFontName(QStringLiteral("MS Sans Serif"));
    saved.control->setFontSize(8.25f);
    saved.control->setForeColor(0x80000012u);
    saved.control->setText(QStringLiteral("pájaro"));
    saved.control->setLocked(true);
    MapPropertyBag bag;
    saved.control->WriteProperties(&bag);

    Host loaded;
    loaded.control->ReadProperties(&bag);
    for (const char* property : {"BackColor", "Font", "FontName", "FontSize", "ForeColor", "Enabled", "Text", "Locked"})
        QVERIFY2(loaded.control->property(property) == saved.control->property(property), property);
    QVERIFY(loaded.control->Font().bold());
}

void tst_etidesp2::missingEntryDefaults_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("BackColor") << "BackColor" << QVariant(0x80000005u);
    QTest::newRow("FontName") << "FontName" << QVariant(QStringLiteral("Arial"));
    QTest::newRow("FontSize") << "FontSize" << QVariant(10.0f);
    QTest::newRow("ForeColor") << "ForeColor" << QVariant(0x80000008u);
    QTest::newRow("Enabled") << "Enabled" << QVariant(false);
    QTest::newRow("Text") << "Text" << QVariant(QString());
    QTest::newRow("Locked") << "Locked" << QVariant(false);
}

void tst_etidesp2::missingEntryDefaults()
{
    QFETCH(QString, missing);
    QVariantMap stored{
        {"BackColor", 0x000000FFu}, {"Font", QFont(QStringLiteral("Serif"), 20)},
        {"FontName", QStringLiteral("Courier")}, {"FontSize", 14.0f}, {"ForeColor", 0x00FF0000u},
        {"Enabled", true}, {"Text", QStringLiteral("hola")}, {"Locked", true},
    };
    stored.remove(missing);
    const MapPropertyBag bag(stored);
    Host host;
    host.control->ReadProperties(&bag);
    QTEST(host.control->property(missing.toLatin1()), "expected");
}

void tst_etidesp2::writeStoresOnlyNonDefaults_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("stored");

    // Name and size are always stored (their write defaults are empty and 0), True is.
    QTest::newRow("fresh") << false << QStringList({"FontName", "FontSize", "Enabled"});
    QTest::newRow("all changed") << true
                                 << QStringList({"BackColor", "Font", "FontName", "FontSize", "ForeColor", "Text",
                                                 "Locked"});
}

void tst_etidesp2::writeStoresOnlyNonDefaults()
{
    QFETCH(bool, changed);
    Host host;
    if (changed) {
        host.control->setBackColor(0x00123456u);
        host.control->setFontName(QStringLiteral("Courier"));
        host.control->setForeColor(0x8000000Du);
        host.control->setInnerEnabled(false);
        host.control->setText(QStringLiteral("x"));
        host.control->setLocked(true);
    }
    MapPropertyBag bag;
    host.control->WriteProperties(&bag);
    QTEST(bag.names(), "stored");
}

void tst_etidesp2::storedNameAndSizeOverrideTheFont()
{
    QFont font(QStringLiteral("Serif"), 30);
    font.setItalic(true);
    const MapPropertyBag bag(
        {{"Font", font}, {"FontName", QStringLiteral("MS Sans Serif")}, {"FontSize", 8.25f}, {"Enabled", true}});
    Host host;
    host.control->ReadProperties(&bag);
    QCOMPARE(host.control->FontName(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(host.control->FontSize(), 8.25f);
    QVERIFY(host.control->Font().italic());
    QVERIFY(host.control->Enabled());
}

void tst_etidesp2::unusableEntryRefused_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("FontSize not a number") << "FontSize" << QVariant(QStringLiteral("grande"));
    QTest::newRow("FontSize zero") << "FontSize" << QVariant(0.0f);
    QTest::newRow("BackColor not a colour") << "BackColor" << QVariant(0x7F000000u);
    QTest::newRow("ForeColor a text") << "ForeColor" << QVariant(QStringLiteral("azul"));
}

void tst_etidesp2::unusableEntryRefused()
{
    QFETCH(QString, entry);
    QFETCH(QVariant, value);
    const MapPropertyBag bag({{entry, value}});
    Host host;
    try {
        host.control->ReadProperties(&bag);
        QFAIL("the entry was accepted");
    } catch (const std::invalid_argument& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(entry), e.what());
    }
}

QTEST_MAIN(tst_etidesp2)
#include "tst_etidesp2.moc"
