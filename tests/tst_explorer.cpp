// The explorer over a content screen, driven with pointer events as the learner would.
#include "CourseTree.h"
#include "ExplorerScreen.h"
#include "FrameButton.h"
#include "FramedScreen.h"
#include "Navigator.h"
#include "PictureSurface.h"
#include "PointerEvents.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"

#include <QLabel>
#include <QScrollBar>
#include <QtTest>

namespace {

// Home map 1 with chapter 11 (a video, a carousel) and chapter 12 (a kind with no window,
// then thirty carousels, so that the tree scrolls). The explorer is 300 x 400 with its
// tree from (14, 48) to (286, 348) and its close button at (262, 10).
QString rows()
{
    QString many;
    for (int lesson = 100; lesson < 130; ++lesson)
        many += QStringLiteral(", (%1, 'Carrusel %1', 4, 1, 12)").arg(lesson);
    return QStringLiteral(
        "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values"
        "  (1, 'Mapa', 1, 0, 0), (5, 'Carrusel', 4, 1, 11), (7, 'Vídeo', 3, 1, 11), (9, 'Sin pantalla', 2, 1, 12)%1;"
        "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Once'), (1, 12, 'Doce');"
        "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
        "  (10, 1, 0, 0, 0, 300, 400, 'explorador.bmp', null, null, 0, null, null),"
        "  (10, 5, 0, 262, 10, 0, 0, null, 'cerrar.bmp', null, 0, null, null),"
        "  (10, 5, 0, 262, 10, 0, 0, null, 'cerrar_luz.bmp', null, 0, null, null),"
        "  (10, 12, 0, 0, 0, 0, 0, 'icono.bmp', '3', null, 0, null, null),"
        "  (10, 12, 0, 0, 0, 0, 0, 'icono.bmp', '4', null, 0, null, null),"
        "  (10, 16, 0, 14, 48, 272, 300, 'icono.bmp', 'icono.bmp', null, 0, 'DejaVu Sans', 9),"
        "  (10, 20, 0, 14, 12, 236, 26, 'Explorador del curso', null, '244228196', 0, 'DejaVu Sans', 12),"
        "  (3, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null),"
        "  (3, 5, 0, 20, 400, 0, 0, null, 'boton.bmp', null, 23, null, null),"
        "  (4, 0, 0, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null);"
        "insert into sonidospantalla values (3, 0, null, null, null), (4, 0, null, null, null);")
        .arg(many);
}

const QColor fondo(30, 60, 120);

/// A content screen with nothing of its own, recording its button clicks.
class LessonScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    QList<int> clicked;

protected:
    void ButtonClick(int index) override { clicked << index; }
};

using PointerEvents::drag;
using PointerEvents::sendMouse;

} // namespace

class ExplorerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }
    LessonScreen* screen(const char* name) { return static_cast<LessonScreen*>(shell().window(QLatin1String(name))); }
    ExplorerScreen* explorer() { return qobject_cast<ExplorerScreen*>(shell().existingWindow(QStringLiteral("frmexp"))); }
    int events(const char* name, const char* op = nullptr)
    {
        int count = 0;
        for (const QJsonObject& e : m_harness->events(QLatin1String(name)))
            count += !op || e.value(QStringLiteral("op")).toString() == QLatin1String(op);
        return count;
    }

    /// Shows WINDOW on LESSON, then opens the explorer from its navigation list's action.
    ExplorerScreen* openOver(const char* window, qint16 lesson)
    {
        LessonScreen* beneath = screen(window);
        state().CurrentLesson = lesson;
        shell().showScreen(beneath);
        [&] { QTRY_COMPARE(state().CurrentScreen, beneath->number()); }();
        shell().navigator().RunNavAction(Navigator::Explorar, state().CurrentScreen);
        [&] { QTRY_VERIFY(state().ExplorerOpen); }();
        return explorer();
    }

    /// Clicks the node KEY with the pointer.
    void clickNode(const QString& key)
    {
        CourseTree* tree = explorer()->arbol;
        QTreeWidgetItem* node = tree->node(key);
        QVERIFY2(node, qPrintable(key));
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows());
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("explorador.bmp"), QSize(300, 400), QColor(250, 240, 220));
        m_course->addPicture(QStringLiteral("cerrar.bmp"), QSize(24, 24), Qt::darkRed);
        m_course->addPicture(QStringLiteral("cerrar_luz.bmp"), QSize(24, 24), Qt::red);
        m_course->addPicture(QStringLiteral("icono.bmp"), QSize(16, 16), Qt::darkGreen);
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), fondo);
        m_course->addPicture(QStringLiteral("boton.bmp"), QSize(40, 40), Qt::yellow);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        for (auto [name, number] : { std::pair { "frmsa", 3 }, std::pair { "frmct", 4 } }) {
            const QString window = QLatin1String(name);
            shell().registerWindow(window, [window, number = number](Shell& s) { return new LessonScreen(s, window, qint16(number)); });
        }
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void itLiesOverTheScreenWhichKeepsItsLookAndTakesNoInput()
    {
        ExplorerScreen* exp = openOver("frmsa", 7);
        LessonScreen* beneath = screen("frmsa");
        QVERIFY(exp && exp->isVisible());
        QCOMPARE(exp->size(), QSize(300, 400));
        QCOMPARE(exp->pos(), QPoint(170, 40)); // centred over the stage
        QCOMPARE(exp->eti->text(), QStringLiteral("Explorador del curso"));
        // The screen beneath stays the current one, in sight and in colour.
        QCOMPARE(shell().currentScreen(), beneath);
        QCOMPARE(state().CurrentScreen, 3);
        QVERIFY(beneath->isVisible());
        QVERIFY(beneath->isEnabled());
        QCOMPARE(beneath->grab().toImage().pixelColor(5, 5), fondo);
        QCOMPARE(m_harness->host->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(exp->arbol->currentItem() && CourseTree::key(exp->arbol->currentItem()) == QStringLiteral("N 7"));
        QCOMPARE(events("explorer", "open"), 1);

        // Pointing at and clicking the screen's button does nothing while the explorer is open.
        sendMouse(beneath->Picture1, QEvent::MouseMove, QPoint(30, 410), Qt::NoButton);
        QVERIFY(beneath->Imagex[1]->isHidden());
        sendMouse(beneath->Imagex[1], QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        sendMouse(beneath->Imagex[1], QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QVERIFY(beneath->clicked.isEmpty());

        // The close button lights under the pointer and goes dark over the body.
        sendMouse(exp->Imagex[0], QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
        QVERIFY(exp->Imagex[1]->isVisible());
        sendMouse(exp, QEvent::MouseMove, QPoint(150, 380), Qt::NoButton);
        QVERIFY(exp->Imagex[1]->isHidden());
    }

    void itIsDraggedByItsBodyOnly()
    {
        ExplorerScreen* exp = openOver("frmsa", 7);
        const QPoint start = exp->pos();
        drag(exp, QPoint(150, 380), QPoint(-60, 25));
        QCOMPARE(exp->pos(), start + QPoint(-60, 25));
        QCOMPARE(events("explorer", "drag"), 1);
        // Pressing on the tree selects there; the window stays.
        drag(exp->arbol->viewport(), QPoint(50, 50), QPoint(40, 40));
        QCOMPARE(exp->pos(), start + QPoint(-60, 25));
        // Never beyond the stage.
        drag(exp, QPoint(150, 380), QPoint(-1000, -1000));
        QCOMPARE(exp->pos(), QPoint(0, 0));
    }

    void aCollapseOpensNothingAndTheNextClickOpensItsLesson()
    {
        openOver("frmct", 5);
        ExplorerScreen* exp = explorer();
        CourseTree* tree = exp->arbol;
        QTreeWidgetItem* chapter = tree->node(QStringLiteral("C 12"));
        QVERIFY(chapter);
        tree->scrollToItem(chapter);
        // Open the chapter by its sign and close it again, as the learner does.
        const auto toggle = [&] {
            const QRect row = tree->visualItemRect(chapter);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.left() - tree->indentation() / 2, row.center().y()));
        };
        toggle();
        QVERIFY(chapter->isExpanded());
        toggle();
        QVERIFY(!chapter->isExpanded());
        QCOMPARE(explorer(), exp); // nothing opened
        QCOMPARE(state().CurrentLesson, 5);

        // The learner's next click opens the lesson he clicks.
        clickNode(QStringLiteral("N 7"));
        QTRY_VERIFY(screen("frmsa")->isVisible());
        QTRY_VERIFY(!explorer()); // unloaded
        QTRY_COMPARE(state().CurrentScreen, 3);
        QCOMPARE(state().CurrentLesson, 7);
        QVERIFY(!state().ExplorerOpen);
        QVERIFY(!state().HistoryMoving);
        // The screen it lay over has been left, and takes input again when it comes back.
        QVERIFY(screen("frmct")->isHidden());
        QVERIFY(screen("frmct")->isInputEnabled());
        QCOMPARE(events("explorer", "close"), 1);
    }

    void aClickThatComesWithTheCollapseOpensNothing()
    {
        openOver("frmct", 5);
        ExplorerScreen* exp = explorer();
        // A tree that reports a click on the node it collapses, on the same press.
        QTreeWidgetItem* map = exp->arbol->node(QStringLiteral("R 1"));
        QVERIFY(map);
        exp->arbol->expandItem(map);
        exp->arbol->collapseItem(map);
        QVERIFY(exp->collapsed());
        exp->NodeClick(map);
        QCOMPARE(explorer(), exp);
        QCOMPARE(state().CurrentLesson, 5);
        QVERIFY(!exp->collapsed());
    }

    void chaptersAndLessonsNoScreenServesStayInTheExplorer()
    {
        ExplorerScreen* exp = openOver("frmsa", 7);
        clickNode(QStringLiteral("C 11"));
        clickNode(QStringLiteral("N 9")); // kind 2: no window
        QCOMPARE(explorer(), exp);
        QCOMPARE(state().CurrentLesson, 7);
        QCOMPARE(state().CurrentTipo, 0);
        QCOMPARE(m_harness->events(QStringLiteral("switch")).last().value(QStringLiteral("reason")).toString(),
            QStringLiteral("no window serves screen 2"));
        QVERIFY(screen("frmsa")->isVisible());

        // A node whose lesson has gone from the course is told by name.
        auto* stray = new QTreeWidgetItem(exp->arbol, QStringList { QStringLiteral("Perdida") });
        stray->setData(0, Qt::UserRole, QStringLiteral("N 999"));
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        exp->NodeClick(stray);
        QCOMPARE(m_harness->events(QStringLiteral("message")).last().value(QStringLiteral("text")).toString(),
            QStringLiteral("La lección \"Perdida\" no está en el curso."));
        QCOMPARE(state().CurrentLesson, 7);
        QVERIFY(explorer());
    }

    void aLessonClickedBeforeTheFirstActivationOpens()
    {
        // The learner can click the tree as soon as it is drawn, before the activation
        // that opens the lesson table has come out of the event loop.
        LessonScreen* beneath = screen("frmsa");
        state().CurrentLesson = 7;
        shell().showScreen(beneath);
        QTRY_COMPARE(state().CurrentScreen, beneath->number());
        shell().navigator().RunNavAction(Navigator::Explorar, state().CurrentScreen);
        QVERIFY(explorer() && explorer()->isVisible());
        QVERIFY(!state().ExplorerOpen);
        clickNode(QStringLiteral("N 5"));
        QTRY_COMPARE(state().CurrentLesson, 5);
        QTRY_VERIFY(!explorer());
        QTRY_VERIFY(screen("frmct")->isVisible());
    }

    // Esc closes it as the close button does, wherever the keys are in it.
    void escGivesTheScreenBack()
    {
        ExplorerScreen* exp = openOver("frmsa", 7);
        LessonScreen* beneath = screen("frmsa");
        exp->arbol->setFocus();
        QTest::keyClick(exp->arbol, Qt::Key_Escape);
        QTRY_VERIFY(!explorer());
        QVERIFY(beneath->isInputEnabled());
        QVERIFY(!state().ExplorerOpen);
        QCOMPARE(events("explorer", "close"), 1);
    }

    void theCloseButtonGivesTheScreenBack()
    {
        ExplorerScreen* exp = openOver("frmsa", 7);
        LessonScreen* beneath = screen("frmsa");
        QVERIFY(!beneath->isInputEnabled());
        // Activated again while open (a dialog closed over it), it leaves the tree where it is.
        exp->arbol->expandAll();
        exp->arbol->scrollToBottom();
        const int scrolled = exp->arbol->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        shell().reactivate();
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).last().value(QStringLiteral("window")).toString(), QStringLiteral("frmexp"));
        QCOMPARE(exp->arbol->verticalScrollBar()->value(), scrolled);
        QCOMPARE(events("explorer", "open"), 1);

        const int activations = m_harness->events(QStringLiteral("screen.activate")).size();
        const int visits = m_harness->events(QStringLiteral("history")).size();
        QTest::mouseClick(exp->Imagex[0], Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(!explorer());
        QVERIFY(beneath->isInputEnabled());
        QVERIFY(!state().ExplorerOpen);
        // The screen beneath is activated again, and goes on as it was.
        QTRY_COMPARE(m_harness->events(QStringLiteral("screen.activate")).size(), activations + 1);
        const QJsonObject back = m_harness->events(QStringLiteral("screen.activate")).last();
        QCOMPARE(back.value(QStringLiteral("window")).toString(), QStringLiteral("frmsa"));
        QCOMPARE(back.value(QStringLiteral("after")).toString(), QStringLiteral("overlay"));
        QVERIFY(back.value(QStringLiteral("held")).toBool());
        QCOMPARE(m_harness->events(QStringLiteral("history")).size(), visits);
        sendMouse(beneath->Picture1, QEvent::MouseMove, QPoint(30, 410), Qt::NoButton);
        QVERIFY(beneath->Imagex[1]->isVisible());
    }
};

QTEST_MAIN(ExplorerTest)
#include "tst_explorer.moc"
