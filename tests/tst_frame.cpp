#include "FrameButton.h"
#include "FramedScreen.h"
#include "MessageWindow.h"
#include "Navigator.h"
#include "PictureEffect.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "ShellHarness.h"
#include "TransitionWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene) values"
    "  (1, 'Mapa', 1, 0), (5, 'Carrusel', 4, 1), (7, 'Vídeo', 3, 1), (9, 'Sin pantalla', 2, 1);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont, colorfont) values"
    "  (3, 0, 1, 0, 0, 0, 0, 'fondos\\SA.bmp', null, 0, null, null, 0),"
    "  (3, 5, 0, 10, 10, 0, 0, null, 'botones\\b1.bmp', 23, null, null, 0),"
    "  (3, 5, 0, 100, 10, 0, 0, null, 'botones\\b2.bmp', 14, null, null, 0),"
    "  (3, 5, 0, 200, 10, 0, 0, null, 'botones\\b3.bmp', 3, null, null, 0),"
    "  (3, 8, 0, 5, 5, 120, 0, '255255255', null, 0, 'DejaVu Sans', 10, 0),"
    "  (3, 9, 0, 20, 440, 300, 30, null, null, 0, 'DejaVu Sans', 14, 1),"
    "  (3, 17, 0, 100, 40, 0, 0, 'fondos\\caja.bmp', null, 0, null, null, 0),"
    "  (3, 99, 0, 0, 0, 0, 0, 'no\\existe.bmp', null, 0, null, null, 0),"
    "  (4, 0, 0, 0, 0, 0, 0, 'fondos\\ct.bmp', null, 0, null, null, 0),"
    "  (1, 0, 0, 0, 0, 0, 0, 'fondos\\ms.bmp', null, 0, null, null, 0);"
    "insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, Font, tamanofont) values"
    "  (3, 6, 400, 100, 200, 300, 'botones\\b1.bmp', 'botones\\b2.bmp', '000128255', 'DejaVu Sans', 9);"
    "insert into sonidospantalla values (3, 0, 'sonidos\\fondo.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav'),"
    "  (4, 0, null, 'sonidos\\click.wav', 'sonidos\\cambio.wav'), (1, 1, 'sonidos\\fondo.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav');");

/// A screen with nothing of its own but the frame, recording its button clicks.
class PlainScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    QList<int> clicked;

protected:
    void ButtonClick(int index) override { clicked << index; }
};

} // namespace

class FrameTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;

    Shell& shell() { return *m_harness->shell; }
    PlainScreen* screen(const char* name) { return static_cast<PlainScreen*>(shell().window(QLatin1String(name))); }

    /// Moves the pointer to POS of the stage with a real event to whatever lies there.
    void pointTo(const QPoint& pos)
    {
        QWidget* stage = m_harness->host->stage();
        QWidget* target = stage->childAt(pos);
        QVERIFY(target);
        QMouseEvent move(QEvent::MouseMove, target->mapFrom(stage, QPointF(pos)), stage->mapToGlobal(QPointF(pos)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("fondos/sa.bmp"), QSize(640, 480), Qt::darkBlue);
        m_course->addPicture(QStringLiteral("fondos/ct.bmp"), QSize(640, 480), Qt::darkGreen);
        m_course->addPicture(QStringLiteral("fondos/ms.bmp"), QSize(640, 480), Qt::darkRed);
        m_course->addPicture(QStringLiteral("fondos/caja.bmp"), QSize(150, 120), Qt::gray);
        for (const char* b : { "botones/b1.bmp", "botones/b2.bmp", "botones/b3.bmp" })
            m_course->addPicture(QLatin1String(b), QSize(40, 20), Qt::yellow);
        m_course->addTone(QStringLiteral("sonidos/fondo.wav"), 2.0, 440);
        m_course->addTone(QStringLiteral("sonidos/click.wav"), 0.05, 1200);
        m_course->addTone(QStringLiteral("sonidos/cambio.wav"), 0.1, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        for (auto [name, number] : { std::pair { "frmsa", 3 }, std::pair { "frmct", 4 }, std::pair { "frmms", 1 } }) {
            const QString window = QLatin1String(name);
            shell().registerWindow(window, [window, number = number](Shell& s) { return new PlainScreen(s, window, qint16(number)); });
        }
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void loadBuildsTheFrameFromRows()
    {
        PlainScreen* sa = screen("frmsa");
        sa->ensureLoaded();
        QCOMPARE(int(sa->buttons().size()), 4); // the unused 0 and three buttons
        QCOMPARE(sa->backdrop(), QColor(Qt::white)); // identificativo 1
        QCOMPARE(screen("frmct")->backdrop(), QColor(Qt::black));
        const ButtonRecord& first = sa->buttons()[1];
        // The rectangle includes its right and bottom edges.
        QCOMPARE(first.left, 10);
        QCOMPARE(first.right, 50);
        QVERIFY(first.contains(50, 30));
        QVERIFY(!first.contains(51, 30));
        QCOMPARE(sa->buttons()[2].accion, 14);
        QVERIFY(sa->CajaNav && sa->listanav && sa->listanav->parentWidget() == sa->CajaNav);
        QCOMPARE(sa->listanav->frameShape(), QFrame::NoFrame);
        QCOMPARE(int(sa->Labels.size()), 1);
        QCOMPARE(sa->Labels[0]->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(sa->pictureList);
        QCOMPARE(sa->pictureList->geometry(), QRect(400, 100, 200, 300));
        for (const FrameButton* b : sa->Imagex)
            QVERIFY(b->isHidden());
    }

    void buttonsLightWithOneClickSoundEach()
    {
        PlainScreen* sa = screen("frmsa");
        shell().showScreen(sa);
        QTRY_VERIFY(!m_harness->events(QStringLiteral("screen.activate")).isEmpty());
        const int before = m_harness->soundCount(QStringLiteral("click"), QStringLiteral("run"));

        pointTo({ 15, 15 });
        QVERIFY(sa->Imagex[1]->isVisible());
        pointTo({ 20, 18 }); // now over the lit button itself
        pointTo({ 49, 29 });
        QVERIFY(sa->Imagex[1]->isVisible());
        QCOMPARE(m_harness->soundCount(QStringLiteral("click"), QStringLiteral("run")), before + 1);

        pointTo({ 300, 300 });
        QVERIFY(sa->Imagex[1]->isHidden());
        pointTo({ 210, 15 });
        QVERIFY(sa->Imagex[3]->isVisible());
        QCOMPARE(m_harness->soundCount(QStringLiteral("click"), QStringLiteral("run")), before + 2);

        // A latched button stays lit when the pointer leaves it.
        sa->button(3).state = FramedScreen::LatchedState;
        pointTo({ 300, 300 });
        QVERIFY(sa->Imagex[3]->isVisible());

        // Pointing at the navigation button opens the navigation box.
        QVERIFY(sa->CajaNav->isHidden());
        pointTo({ 110, 15 });
        pointTo({ 111, 16 });
        QVERIFY(sa->CajaNav->isVisible());
        QVERIFY(sa->listanav->isVisible()); // its row came before the box's
        pointTo({ 300, 420 });
        QVERIFY(sa->CajaNav->isHidden());

        QTest::mouseClick(sa->Imagex[3], Qt::LeftButton);
        QCOMPARE(sa->clicked, QList<int> { 3 });
    }

    void navListFollowsTheHistory()
    {
        ModuleState& state = m_harness->state;
        Navigator& nav = shell().navigator();
        QListWidget list;
        const auto entries = [&] {
            nav.FillNavList(list);
            QStringList texts;
            for (int i = 0; i < list.count(); ++i)
                texts << list.item(i)->text();
            return texts;
        };
        // At the start, on the home lesson: no back, no forward, no home.
        QCOMPARE(entries(), (QStringList { "Buscar", "Explorar", "Glosario" }));

        nav.PushHistory(5, 4);
        nav.PushHistory(5, 4); // a repeated visit adds one entry
        QCOMPARE(int(state.History.size()), 2);
        state.CurrentLesson = 5;
        QCOMPARE(entries(), (QStringList { "Anterior", "Buscar", "Explorar", "Glosario", "Principal" }));
        QCOMPARE(list.item(0)->data(Qt::UserRole).toInt(), int(Navigator::Anterior));
        QCOMPARE(state.NavListHeight, list.sizeHintForRow(0) * 5 + 3);

        nav.PushHistory(7, 3);
        // Back, then forward is offered up to the furthest point reached.
        state.HistoryMoving = true;
        state.HistoryCursor = 0;
        QCOMPARE(entries(), (QStringList { "Siguiente", "Buscar", "Explorar", "Glosario", "Principal" }));
        state.HistoryCursor = 2;
        QVERIFY(!entries().contains(QStringLiteral("Siguiente")));
        // A visit while moving is recorded without moving the cursor or the furthest point.
        state.HistoryCursor = 1;
        nav.PushHistory(1, 1);
        QCOMPARE(state.HistoryTop, 3);
        QCOMPARE(state.HistoryCursor, 1);
        QCOMPARE(state.HistoryFurthest, 2);
        // Opening a lesson any other way puts both at the end again.
        state.HistoryMoving = false;
        nav.PushHistory(7, 3);
        QCOMPARE(state.HistoryCursor, 4);
        QCOMPARE(state.HistoryFurthest, 4);
    }

    void switchShowsTheTargetAfterOneNotify()
    {
        PlainScreen* ms = screen("frmms");
        shell().showScreen(ms);
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).size(), 1);
        PlainScreen* sa = screen("frmsa");
        shell().navigator().OpenLesson(7, ms);
        TransitionWindow& transition = shell().transition();
        QSignalSpy notified(transition.transicion, &PictureEffect::notify);
        QVERIFY(transition.isVisible());
        QVERIFY(ms->isHidden());
        QVERIFY(sa->isHidden());
        QTRY_VERIFY(sa->isVisible());
        QCOMPARE(notified.size(), 1);
        QVERIFY(transition.isHidden());
        QCOMPARE(m_harness->state.ToScreenName, QStringLiteral("frmsa"));
        QTRY_COMPARE(m_harness->state.CurrentScreen, 3);
        QCOMPARE(m_harness->state.History.back(), (HistoryEntry { 7, 3 }));
        QCOMPARE(m_harness->host->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void lessonWithoutWindowStaysPut()
    {
        PlainScreen* ms = screen("frmms");
        shell().showScreen(ms);
        QTRY_VERIFY(!m_harness->events(QStringLiteral("screen.activate")).isEmpty());
        shell().navigator().OpenLesson(9, ms);
        QVERIFY(ms->isVisible());
        const QJsonObject sw = m_harness->events(QStringLiteral("switch")).last();
        QVERIFY(sw.value(QStringLiteral("reason")).toString().contains(QStringLiteral("2")));
    }

    void backFromTheCarouselRestoresItsBackground()
    {
        ModuleState& state = m_harness->state;
        PlainScreen* ct = screen("frmct");
        ct->ensureLoaded();
        state.CarouselBackground = QStringLiteral("fondos\\ct.bmp");
        m_course->addPicture(QStringLiteral("otra.bmp"), QSize(640, 480), Qt::magenta);
        ct->showBackground(QStringLiteral("otra.bmp")); // as the carousel's pictures do
        shell().showScreen(ct);
        state.CurrentLesson = 5;
        QTRY_COMPARE(state.CurrentScreen, 4);
        QCOMPARE(state.HistoryCursor, 1);
        shell().navigator().GoBack(4);
        QCOMPARE(ct->Picture1->pixmap().toImage().pixelColor(5, 5), QColor(Qt::darkGreen));
        QCOMPARE(state.CurrentLesson, 1);
        QTRY_VERIFY(screen("frmms")->isVisible());
    }

    void messageWindowWidensForLongText()
    {
        MessageWindow small(QStringLiteral("Hecho"));
        MessageWindow large(QStringLiteral("La imagen se ha enviado al portapapeles y puede pegarse en otro programa"));
        QCOMPARE(small.height(), 102);
        QVERIFY(large.width() > small.width());
        for (MessageWindow* w : { &small, &large }) {
            QCOMPARE(w->width(), w->fontMetrics().horizontalAdvance(w->textLabel()->text()) + 40);
            QPushButton* button = w->acceptButton();
            QCOMPARE(button->text(), QStringLiteral("&Aceptar"));
            QCOMPARE(button->y(), 50);
            QVERIFY(qAbs(button->x() + button->width() / 2 - w->width() / 2) <= 1);
            QCOMPARE(w->textLabel()->pos(), QPoint(17, 17));
        }
    }
};

QTEST_MAIN(FrameTest)
#include "tst_frame.moc"
