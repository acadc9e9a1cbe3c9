#include "FrameButton.h"
#include "FramedScreen.h"
#include "MessageWindow.h"
#include "Navigator.h"
#include "PictureEffect.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "ShellHarness.h"
#include "TransitionWindow.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene) values"
    "  (1, 'Mapa', 1, 0), (5, 'Carrusel', 4, 1), (7, 'Vídeo', 3, 1), (9, 'Sin pantalla', 2, 1), (11, 'Desconocida', 9, 1),"
    "  (12, 'Fichas', 5, 7);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, accion, Font, tamanofont, colorfont) values"
    "  (3, 0, 1, 0, 0, 0, 0, 'fondos\\SA.bmp', null, 0, null, null, 0),"
    "  (3, 5, 0, 10, 10, 0, 0, null, 'botones\\b1.bmp', 23, null, null, 0),"
    "  (3, 5, 0, 100, 10, 0, 0, null, 'botones\\b2.bmp', 14, null, null, 0),"
    "  (3, 5, 0, 200, 10, 0, 0, null, 'botones\\b3.bmp', 3, null, null, 0),"
    "  (3, 5, 0, 300, 200, 0, 0, null, 'botones\\b1.bmp', 4, null, null, 0),"
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

/// A screen with nothing of its own but the frame, recording its button clicks and the
/// keys that reach it.
class PlainScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    QList<int> clicked;
    QList<int> keys;

protected:
    void ButtonClick(int index) override { clicked << index; }
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

/// A window of its own size over the stage, as the glossary is, whose field takes the keys.
class FieldOverlay : public Screen {
public:
    explicit FieldOverlay(Shell& shell)
        : Screen(shell, QStringLiteral("frmcampo"), 8)
    {
    }
    QLineEdit* field = nullptr;
    bool isOverlay() const override { return true; }

protected:
    void ScreenLoad() override { field = new QLineEdit(this); }
    void ScreenActivate() override { field->setFocus(); }
};

/// A screen that takes its label rows and its buttons of action 14 itself, and lights
/// its buttons with a picture of its own; it records every row it was asked about.
class TakingScreen : public PlainScreen {
public:
    using PlainScreen::PlainScreen;
    QList<int> asked;
    QList<int> taken;
    QList<int> lit;

protected:
    bool takeRow(int kind, const Recordset& row) override
    {
        asked << kind;
        if (kind == 9 || (kind == 5 && row.number(QStringLiteral("accion")) == 14)) {
            taken << kind;
            if (kind == 9)
                buildLabel(row)->setText(QStringLiteral("mine"));
            return true;
        }
        return false;
    }
    void aboutToLight(int index) override { lit << index; }
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

    /// The learner reads the message about to be shown and presses its button.
    void acceptMessageWhenShown()
    {
        QTimer::singleShot(0, this, [] {
            auto* message = qobject_cast<MessageWindow*>(QApplication::activeModalWidget());
            QVERIFY(message);
            QTest::mouseClick(message->acceptButton(), Qt::LeftButton);
        });
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
        QCOMPARE(int(sa->buttons().size()), 5); // the unused 0 and four buttons
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

        // Pointing at the navigation button opens the navigation box, on the move that
        // lights it (one step onto it, as a tap arrives).
        QVERIFY(sa->CajaNav->isHidden());
        pointTo({ 110, 15 });
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
        const auto entries = [&](PlainScreen*) {
            nav.FillNavList(list);
            QStringList texts;
            for (int i = 0; i < list.count(); ++i)
                texts << list.item(i)->text();
            return texts;
        };
        const auto arriveAt = [&](const char* window, qint16 lesson) {
            QTRY_VERIFY(screen(window)->isVisible());
            QTRY_COMPARE(state.CurrentScreen, screen(window)->number());
            QCOMPARE(state.CurrentLesson, lesson);
        };
        PlainScreen* ms = screen("frmms");
        shell().showScreen(ms);
        arriveAt("frmms", 1);
        QCOMPARE(state.HistoryTop, 0); // the first visit is the seeded one

        QVERIFY(nav.OpenLesson(7, ms));
        arriveAt("frmsa", 7);
        // At the start there was no back; now there is, and a home.
        QCOMPARE(entries(screen("frmsa")), (QStringList { "Anterior", "Buscar", "Explorar", "Glosario", "Principal" }));
        QCOMPARE(screen("frmsa")->listanav->item(0)->text(), QStringLiteral("Anterior")); // the screen's own list too
        QCOMPARE(screen("frmsa")->listanav->item(0)->data(Qt::UserRole).toInt(), int(Navigator::Anterior));
        QCOMPARE(state.NavListHeight, list.sizeHintForRow(0) * 5 + 3);
        QVERIFY(nav.OpenLesson(5, screen("frmsa")));
        arriveAt("frmct", 5);
        QCOMPARE(int(state.History.size()), 3);

        nav.GoBack(4);
        arriveAt("frmsa", 7);
        QCOMPARE(state.HistoryCursor, 1);
        QCOMPARE(entries(screen("frmsa")), (QStringList { "Anterior", "Siguiente", "Buscar", "Explorar", "Glosario", "Principal" }));
        nav.GoBack(3);
        arriveAt("frmms", 1);
        QCOMPARE(entries(screen("frmms")), (QStringList { "Siguiente", "Buscar", "Explorar", "Glosario" }));
        // The visits while moving are recorded without moving the cursor or the furthest point.
        QCOMPARE(state.HistoryTop, 4);
        QCOMPARE(state.HistoryCursor, 0);
        QCOMPARE(state.HistoryFurthest, 2);

        // Back then forward returns to the same lesson and screen, and no further than reached.
        nav.GoForward(1);
        arriveAt("frmsa", 7);
        nav.GoForward(3);
        arriveAt("frmct", 5);
        QCOMPARE(state.HistoryCursor, 2);
        QVERIFY(!entries(screen("frmct")).contains(QStringLiteral("Siguiente")));
        const int switches = m_harness->events(QStringLiteral("switch")).size();
        nav.GoForward(4); // nothing beyond the furthest point
        QCOMPARE(m_harness->events(QStringLiteral("switch")).size(), switches);

        nav.GoHome(4);
        arriveAt("frmms", 1);
        QCOMPARE(state.HistoryCursor, 0);

        // Opening a lesson any other way puts the cursor and the furthest point at the end again.
        QVERIFY(nav.OpenLesson(7, ms));
        arriveAt("frmsa", 7);
        QVERIFY(!state.HistoryMoving);
        QCOMPARE(state.HistoryCursor, state.HistoryTop);
        QCOMPARE(state.HistoryFurthest, state.HistoryTop);
        // A repeated visit adds no entry.
        const int size = int(state.History.size());
        nav.PushHistory(7, 3);
        QCOMPARE(int(state.History.size()), size);
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

    void lessonWithoutWindowStaysPut_data()
    {
        QTest::addColumn<int>("lesson");
        QTest::addColumn<int>("kind");
        QTest::newRow("a kind with no window") << 9 << 2;
        QTest::newRow("a kind the player does not know") << 11 << 9;
        QTest::newRow("a kind whose window is not built in") << 12 << 5;
    }

    void lessonWithoutWindowStaysPut()
    {
        QFETCH(int, lesson);
        QFETCH(int, kind);
        ModuleState& state = m_harness->state;
        PlainScreen* ms = screen("frmms");
        shell().showScreen(ms);
        QTRY_COMPARE(state.CurrentScreen, 1);
        QVERIFY(shell().navigator().OpenLesson(7, ms));
        QTRY_COMPARE(state.CurrentScreen, 3);
        shell().navigator().GoBack(3);
        QTRY_COMPARE(state.CurrentScreen, 1);
        const qint16 lessonBefore = state.CurrentLesson;
        const qint16 tipoBefore = state.CurrentTipo;
        const qint16 cursorBefore = state.HistoryCursor;
        const bool movingBefore = state.HistoryMoving;
        const auto history = state.History;

        QVERIFY(!shell().navigator().OpenLesson(qint16(lesson), ms));
        QVERIFY(ms->isVisible());
        QCOMPARE(state.CurrentLesson, lessonBefore);
        QCOMPARE(state.CurrentTipo, tipoBefore);
        QCOMPARE(state.HistoryMoving, movingBefore);
        QCOMPARE(state.HistoryCursor, cursorBefore);
        QVERIFY(state.History == history);
        const QJsonObject sw = m_harness->events(QStringLiteral("switch")).last();
        QCOMPARE(sw.value(QStringLiteral("reason")).toString(), QStringLiteral("no window serves screen %1").arg(kind));

        // The screen in front goes on with its own lesson, and the next lesson opens.
        shell().reactivate();
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("lesson")).toInt(), 1);
        QVERIFY(shell().navigator().OpenLesson(5, ms));
        QTRY_VERIFY(screen("frmct")->isVisible());
        QTRY_COMPARE(state.CurrentScreen, 4);
        QCOMPARE(state.CurrentLesson, 5);
    }

    void heldActivationsDoNothingAndSaySo()
    {
        ModuleState& state = m_harness->state;
        PlainScreen* sa = screen("frmsa");
        shell().showScreen(sa);
        QTRY_COMPARE(state.CurrentScreen, 3);
        const int visits = m_harness->events(QStringLiteral("history")).size();
        state.ExplorerOpen = true;
        state.CurrentScreen = 10;
        shell().showScreen(sa);
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).size(), 2);
        QVERIFY(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("held")).toBool());
        QCOMPARE(state.CurrentScreen, 10);
        QCOMPARE(m_harness->events(QStringLiteral("history")).size(), visits);
        state.ExplorerOpen = false;
        shell().showScreen(sa);
        QTRY_COMPARE(state.CurrentScreen, 3);
        QVERIFY(!m_harness->events(QStringLiteral("screen.activate")).last().contains(QStringLiteral("held")));
    }

    void closingAModalWindowChangesNothingBeneath_data()
    {
        QTest::addColumn<bool>("holding");
        QTest::newRow("no hold") << false;
        // As a card screen holds its activation while its window is open.
        QTest::newRow("held while open") << true;
    }
    void closingAModalWindowChangesNothingBeneath()
    {
        QFETCH(bool, holding);
        ModuleState& state = m_harness->state;
        PlainScreen* sa = screen("frmsa");
        shell().showScreen(sa);
        QTRY_COMPARE(state.CurrentScreen, 3);
        const int activations = m_harness->events(QStringLiteral("screen.activate")).size();
        const int visits = m_harness->events(QStringLiteral("history")).size();
        const int backgrounds = m_harness->soundCount(QStringLiteral("background"), QStringLiteral("run"));
        const int screenSounds = m_harness->events(QStringLiteral("sound")).size();

        acceptMessageWhenShown();
        state.ActivationHold = holding;
        shell().showMessage(QStringLiteral("El texto se ha enviado al portapapeles"));
        state.ActivationHold = false;

        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).size(), activations + 1);
        const QJsonObject back = m_harness->events(QStringLiteral("screen.activate")).last();
        QCOMPARE(back.value(QStringLiteral("window")).toString(), QStringLiteral("frmsa"));
        QCOMPARE(back.value(QStringLiteral("after")).toString(), QStringLiteral("modal"));
        QVERIFY(back.value(QStringLiteral("held")).toBool());
        // No visit recorded, no sound loaded or started again.
        QCOMPARE(m_harness->events(QStringLiteral("history")).size(), visits);
        QCOMPARE(m_harness->soundCount(QStringLiteral("background"), QStringLiteral("run")), backgrounds);
        QCOMPARE(m_harness->events(QStringLiteral("sound")).size(), screenSounds);
        QVERIFY(sa->isVisible());
    }

    // Whatever had the keys while it lay over the screen, once it has gone a key pressed in
    // the window reaches the screen, its hold or not: an overlay whose field had them (and
    // was deleted with it), a message that held the activation, a dialog the shell knows
    // nothing of (as a card's print dialog). Keys lost some other way come back at a click.
    void keysComeBackToTheScreenInFront_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("overlay") << "overlay";
        QTest::newRow("message, held") << "message";
        QTest::newRow("dialog of a screen's own") << "dialog";
        QTest::newRow("the keys lost, a click on the screen") << "click";
    }
    void keysComeBackToTheScreenInFront()
    {
        QFETCH(QString, window);
        ModuleState& state = m_harness->state;
        QWidget& host = *m_harness->host;
        host.show();
        PlainScreen* sa = screen("frmsa");
        shell().showScreen(sa);
        QTRY_COMPARE(state.CurrentScreen, 3);
        // A key that no list or field of the screen keeps for itself.
        const auto keysReachTheScreen = [&] {
            const qsizetype before = sa->keys.size();
            QTest::keyClick(host.windowHandle(), Qt::Key_F5);
            return sa->keys.size() == before + 1;
        };
        QTRY_VERIFY(keysReachTheScreen());

        if (window == QLatin1String("overlay")) {
            shell().registerWindow(QStringLiteral("frmcampo"), [](Shell& s) { return new FieldOverlay(s); });
            auto* overlay = static_cast<FieldOverlay*>(shell().window(QStringLiteral("frmcampo")));
            shell().showOverlay(overlay);
            QTRY_COMPARE(host.focusWidget(), overlay->field);
            QTest::keyClick(host.windowHandle(), Qt::Key_A);
            QCOMPARE(overlay->field->text(), QStringLiteral("a"));
            shell().closeOverlay(overlay);
        } else if (window == QLatin1String("message")) {
            acceptMessageWhenShown();
            state.ExplorerOpen = true;
            shell().showMessage(QStringLiteral("Todavía no has grabado esta frase."));
        } else if (window == QLatin1String("click")) {
            host.focusWidget()->clearFocus();
            QVERIFY(!keysReachTheScreen());
            QTest::mouseClick(sa->Picture1, Qt::LeftButton, Qt::NoModifier, QPoint(320, 240));
        } else {
            QDialog dialog(sa);
            auto* field = new QLineEdit(&dialog);
            QTimer::singleShot(0, &dialog, [&] {
                field->setFocus();
                dialog.accept();
            });
            dialog.exec();
        }
        QTRY_VERIFY(keysReachTheScreen());
        state.ExplorerOpen = false;
    }

    void aScreenTakesItsRowsBeforeTheFrame()
    {
        shell().registerWindow(QStringLiteral("frmsa"), [](Shell& s) { return new TakingScreen(s, QStringLiteral("frmsa"), 3); });
        auto* sa = static_cast<TakingScreen*>(screen("frmsa"));
        sa->ensureLoaded();
        // Asked about every row, in the order of their kinds; the frame builds the rest.
        QCOMPARE(sa->asked, (QList<int> { 0, 5, 5, 5, 5, 6, 8, 9, 17, 99 }));
        QCOMPARE(sa->taken, (QList<int> { 5, 9 }));
        QCOMPARE(int(sa->buttons().size()), 4); // the unused 0 and three buttons
        QCOMPARE(sa->buttonWithAction(14), 0);
        QCOMPARE(int(sa->Labels.size()), 1);
        QCOMPARE(sa->Labels[0]->text(), QStringLiteral("mine"));
        QVERIFY(sa->pictureList && sa->CajaNav && sa->listanav);
        // A hidden button is announced just before the pointer lights it, and only then.
        shell().showScreen(sa);
        QTRY_VERIFY(!m_harness->events(QStringLiteral("screen.activate")).isEmpty());
        pointTo({ 15, 15 });
        pointTo({ 300, 300 });
        pointTo({ 210, 15 });
        QCOMPARE(sa->lit, (QList<int> { 1, 2 }));
    }

    void onlyTheMapPlacesTheVolumePanelByItsButton()
    {
        // A content screen places its panel by a row of its own or by another button.
        PlainScreen* sa = screen("frmsa");
        sa->ensureLoaded();
        const int volume = sa->buttonWithAction(4);
        QVERIFY(volume > 0);
        QCOMPARE(sa->volumen->pos(), QPoint(0, 0));
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

        // A carousel whose background row names no picture keeps what it shows.
        state.CarouselBackground = QStringLiteral("  ");
        shell().navigator().GoForward(1);
        QTRY_COMPARE(state.CurrentScreen, 4);
        ct->showBackground(QStringLiteral("otra.bmp"));
        shell().navigator().GoHome(4);
        QTRY_COMPARE(state.CurrentScreen, 1);
        QCOMPARE(ct->Picture1->pixmap().toImage().pixelColor(5, 5), QColor(Qt::magenta));
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
        // A text too long for the stage (a file name in it) breaks into lines: the window
        // stays on the stage, grows down, and shows every word.
        const QString path = QStringLiteral("/home/aprendiz/Documentos/tamsel/una carpeta con nombre largo/otra más/Este epígrafe (2).pdf");
        MessageWindow longest(QStringLiteral("No hay impresora: se ha guardado en ") + path);
        QCOMPARE(longest.width(), MessageWindow::MaximumWidth);
        QVERIFY(longest.height() > 102);
        QLabel* label = longest.textLabel();
        QVERIFY(label->geometry().right() < longest.width());
        QVERIFY(label->geometry().bottom() < longest.acceptButton()->y());
        QCOMPARE(longest.acceptButton()->y(), 50 + longest.height() - 102);
        QCOMPARE(label->text().remove(QChar(0x200B)), QStringLiteral("No hay impresora: se ha guardado en ") + path);
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }
};

QTEST_MAIN(FrameTest)
#include "tst_frame.moc"
