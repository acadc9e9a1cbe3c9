// The glossary over a content screen, driven with pointer and key events as the learner would.
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"
#include "FrameButton.h"
#include "FramedScreen.h"
#include "GlossaryScreen.h"
#include "Navigator.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "PointerEvents.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

namespace {

// A glossary of 400 x 300 with its close button drawn at the top right, the Spanish list
// at (10, 70) and the English one at (210, 70), their boxes above them, the letters at
// (10, 270). "casa" has two translations, "perro" one, "ñandú" none.
const char* rows =
    "insert into glosesp (id_esp, termino) values (1, 'casa'), (2, 'perro'), (3, 'ñandú'), (4, 'nube'), (5, 'árbol'), (6, 'oso'), (7, 'Sin');"
    "insert into glosing (id_ing, termino) values (1, 'house'), (2, 'home'), (3, 'dog'), (4, 'cloud'), (5, 'tree'), (6, 'bear'), (7, 'o''clock');"
    "insert into glosario (id_esp, id_ing) values (1, 1), (1, 2), (2, 3), (4, 4), (5, 5), (6, 6);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
    "  (8, 1, 0, 0, 0, 400, 300, null, null, '200220240', 0, null, null),"
    "  (8, 5, 0, 378, 4, 0, 0, null, 'cerrar_luz.bmp', null, 0, null, null),"
    "  (8, 6, 1, 10, 70, 180, 190, 'reposo.bmp', 'activo.bmp', '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 6, 2, 210, 70, 180, 190, 'reposo.bmp', 'activo.bmp', '255255255', 0, 'DejaVu Sans', 9),"
    "  (8, 9, 0, 10, 270, 0, 0, null, null, '200000000', 0, 'DejaVu Sans', 8),"
    "  (8, 15, 1, 10, 40, 180, 22, null, null, '255255200', 0, 'DejaVu Sans', 9),"
    "  (8, 15, 2, 210, 40, 180, 22, null, null, '255', 0, 'DejaVu Sans', 9),"
    "  (8, 20, 1, 10, 8, 300, 24, 'Glosario', null, '100100200', 0, 'DejaVu Sans', 12),"
    "  (3, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null),"
    "  (3, 5, 0, 20, 400, 0, 0, null, 'boton.bmp', null, 23, null, null);"
    "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values (1, 'Mapa', 1, 0, 0), (7, 'Vídeo', 3, 1, 11);"
    "insert into sonidospantalla values (3, 0, null, null, null);";

const QColor fondo(30, 60, 120);

class LessonScreen : public FramedScreen {
public:
    using FramedScreen::FramedScreen;
    QList<int> clicked;

protected:
    void ButtonClick(int index) override { clicked << index; }
};

using PointerEvents::drag;
using PointerEvents::sendMouse;

QStringList entries(PictureList& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.itemText(i);
    return texts;
}

} // namespace

class GlossaryTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    QTemporaryDir m_systemConfig;

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }
    LessonScreen* beneath() { return static_cast<LessonScreen*>(shell().window(QStringLiteral("frmsa"))); }
    GlossaryScreen* glossary() { return qobject_cast<GlossaryScreen*>(shell().existingWindow(QStringLiteral("frmind"))); }
    QList<QJsonObject> events(const char* op)
    {
        QList<QJsonObject> found;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("glossary")))
            if (e.value(QStringLiteral("op")).toString() == QLatin1String(op))
                found << e;
        return found;
    }

    /// The fixture course, with EXTRA rows (SQL) after its own.
    void makeCourse(bool registerRolda, const QString& extra = {})
    {
        m_course = std::make_unique<FixtureCourse>(QString::fromUtf8(rows) + extra);
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("cerrar_luz.bmp"), QSize(18, 18), Qt::red);
        m_course->addPicture(QStringLiteral("reposo.bmp"), QSize(8, 8), Qt::gray);
        m_course->addPicture(QStringLiteral("activo.bmp"), QSize(8, 8), Qt::blue);
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), fondo);
        m_course->addPicture(QStringLiteral("boton.bmp"), QSize(40, 40), Qt::yellow);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        if (registerRolda)
            ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        registerScreens(shell());
        shell().registerWindow(QStringLiteral("frmsa"), [](Shell& s) { return new LessonScreen(s, QStringLiteral("frmsa"), 3); });
    }

    /// Shows the video screen, then opens the glossary from its navigation list's "Buscar".
    GlossaryScreen* open()
    {
        state().CurrentLesson = 7;
        shell().showScreen(beneath());
        [&] { QTRY_COMPARE(state().CurrentScreen, qint16(3)); }();
        shell().navigator().RunNavAction(Navigator::Buscar, state().CurrentScreen);
        [&] { QTRY_VERIFY(state().GlossaryOpen); }();
        return glossary();
    }

    /// Presses and releases the pointer on the entry TERM of list SIDE.
    void clickTerm(int side, const QString& term)
    {
        PictureList* list = glossary()->lista[size_t(side)];
        auto* view = list->findChild<QListWidget*>();
        const int row = entries(*list).indexOf(term);
        QVERIFY2(row >= 0, qPrintable(term));
        view->scrollToItem(view->item(row));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(row)).center());
    }

    /// Clicks into entry box SIDE (which empties it) and types TEXT there.
    void typeInto(int side, const QString& text)
    {
        auto* box = glossary()->text1[size_t(side)]->findChild<QLineEdit*>();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
        for (const QChar c : text) {
            // Accented letters as a Spanish keyboard sends them: the key and its text.
            if (c.unicode() < 0x80)
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }

    void clickLetter(const QString& letter)
    {
        for (QLabel* label : glossary()->letra) {
            if (label->text() == letter) {
                QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
                return;
            }
        }
        QFAIL(qPrintable(letter));
    }

private Q_SLOTS:
    void init()
    {
        // No system-wide registry unless a test makes one.
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_systemConfig.path()));
        QFile::remove(m_systemConfig.filePath(QStringLiteral("tamsel/components.json")));
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    void itLiesOverTheScreenWhichKeepsItsLookAndTakesNoInput()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        QVERIFY(g && g->isVisible());
        QCOMPARE(g->size(), QSize(400, 300));
        QCOMPARE(g->pos(), QPoint(120, 90)); // centred over the stage
        QCOMPARE(g->palette().color(QPalette::Window), QColor(200, 220, 240));
        QCOMPARE(shell().currentScreen(), beneath());
        QVERIFY(beneath()->isVisible());
        QCOMPARE(beneath()->grab().toImage().pixelColor(5, 5), fondo);
        QCOMPARE(events("open").size(), 1);
        QCOMPARE(events("open").first().value(QStringLiteral("count")).toInt(), 14);

        // Both lists in the order a Spanish reader expects.
        QCOMPARE(entries(*g->lista[0]), QStringList({ "árbol", "casa", "nube", "ñandú", "oso", "perro", "Sin" }));
        QCOMPARE(entries(*g->lista[1]), QStringList({ "bear", "cloud", "dog", "home", "house", "o'clock", "tree" }));
        QCOMPARE(g->lista[0]->itemData(1), 1);
        QCOMPARE(g->lista[0]->listIndex(), 0);
        QCOMPARE(g->eti.size(), size_t(1));
        QCOMPARE(g->eti[0]->text(), QStringLiteral("Glosario"));
        // "255": red and blue both read the same three characters, green an empty piece.
        QCOMPARE(g->text1[1]->property("BackColor").toUInt(), 255u + 65536u * 255u);

        // 27 letters in a row, "Ñ" between "N" and "O".
        QCOMPARE(g->letra.size(), size_t(27));
        QCOMPARE(g->letra[13]->text(), QStringLiteral("N"));
        QCOMPARE(g->letra[14]->text(), QStringLiteral("Ñ"));
        QCOMPARE(g->letra[15]->text(), QStringLiteral("O"));
        QCOMPARE(g->letra[26]->text(), QStringLiteral("Z"));
        for (size_t i = 1; i < g->letra.size(); ++i) {
            QCOMPARE(g->letra[i]->y(), g->letra[0]->y());
            QCOMPARE(g->letra[i]->x(), g->letra[i - 1]->x() + g->letra[i - 1]->width());
        }
        // Each letter is read as a control of its own, never the row as one word.
        QCOMPARE(g->letra[14]->accessibleName(), QStringLiteral("Letra Ñ"));
        QCOMPARE(g->letra[0]->accessibleName(), QStringLiteral("Letra A"));

        // The screen beneath takes no clicks.
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QVERIFY(beneath()->clicked.isEmpty());

        // The close button lights under the pointer, goes dark over the body, and closes.
        QVERIFY(g->Imagex[0]->x() + g->Imagex[0]->width() > 380);
        sendMouse(g->Imagex[0], QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
        QVERIFY(g->Imagex[1]->isVisible());
        sendMouse(g, QEvent::MouseMove, QPoint(200, 20), Qt::NoButton);
        QVERIFY(g->Imagex[1]->isHidden());
        QTest::mouseClick(g->Imagex[0], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!state().GlossaryOpen);
        QCOMPARE(events("close").size(), 1);
        QTRY_VERIFY(!glossary());
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QCOMPARE(beneath()->clicked, QList<int>({ 1 }));
    }

    void aTermShowsItsTranslations_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two, in the query's order") << 0 << "casa" << "home, house";
        QTest::newRow("one, no separator") << 0 << "perro" << "dog";
        QTest::newRow("none empties the box") << 0 << "ñandú" << "";
        QTest::newRow("English to Spanish") << 1 << "home" << "casa";
        QTest::newRow("apostrophe, none") << 1 << "o'clock" << "";
    }
    void aTermShowsItsTranslations()
    {
        QFETCH(int, side);
        QFETCH(QString, term);
        QFETCH(QString, shown);
        makeCourse(true);
        GlossaryScreen* g = open();
        const int other = 1 - side;
        g->text1[size_t(other)]->setProperty("Text", QStringLiteral("algo"));
        clickTerm(side, term);
        QCOMPARE(g->entryText(other), shown);
        QCOMPARE(g->ActiveSide, qint16(side));
        const QJsonObject lookup = events("lookup").last();
        QCOMPARE(lookup.value(QStringLiteral("term")).toString(), term);
        QCOMPARE(lookup.value(QStringLiteral("result")).toString(), shown);
    }

    void aTranslationWiderThanItsBoxIsWholeUnderThePointer()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        QWidget* english = g->text1[1];
        const int width = english->width();
        english->resize(30, english->height());
        clickTerm(0, QStringLiteral("casa"));
        QCOMPARE(g->entryText(1), QStringLiteral("home, house"));
        QCOMPARE(english->toolTip(), QStringLiteral("home, house"));
        // One that fits needs none, nor does the next term keep the last one's.
        english->resize(width, english->height());
        clickTerm(0, QStringLiteral("perro"));
        QCOMPARE(english->toolTip(), QString());
    }

    void aClickFillsTheOtherBoxEvenAfterTypingThere()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        typeInto(1, QStringLiteral("ho"));
        QVERIFY(g->TypingEnglish);
        QCOMPARE(g->lista[1]->text(), QStringLiteral("home"));
        clickTerm(0, QStringLiteral("perro"));
        QCOMPARE(g->entryText(1), QStringLiteral("dog"));
        // The English list follows the translation shown.
        QCOMPARE(g->lista[1]->text(), QStringLiteral("dog"));
    }

    void aClickWithoutMouseDownSparesTheBoxBeingTyped()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        typeInto(1, QStringLiteral("tr"));
        // The program selects a Spanish term, as a key would: no mouse-down first.
        g->lista[0]->setListIndex(1);
        QCOMPARE(events("lookup").last().value(QStringLiteral("term")).toString(), QStringLiteral("casa"));
        QCOMPARE(g->entryText(1), QStringLiteral("tr"));
    }

    void typingMovesTheList_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("current");
        QTest::newRow("without its accent") << 0 << "arbol" << "árbol";
        QTest::newRow("with its accent") << 0 << "árb" << "árbol";
        QTest::newRow("n is not ñ") << 0 << "n" << "nube";
        QTest::newRow("ñ") << 0 << "ñ" << "ñandú";
        QTest::newRow("case ignored") << 0 << "SI" << "Sin";
        QTest::newRow("no match leaves it") << 0 << "zz" << "árbol";
        QTest::newRow("apostrophe") << 1 << "o'" << "o'clock";
    }
    void typingMovesTheList()
    {
        QFETCH(int, side);
        QFETCH(QString, typed);
        QFETCH(QString, current);
        makeCourse(true);
        GlossaryScreen* g = open();
        typeInto(side, typed);
        QCOMPARE(g->entryText(side), typed);
        QCOMPARE(g->lista[size_t(side)]->text(), current);
    }

    void clickingIntoABoxEmptiesIt()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        clickTerm(0, QStringLiteral("casa"));
        QCOMPARE(g->entryText(1), QStringLiteral("home, house"));
        auto* box = g->text1[1]->findChild<QLineEdit*>();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g->entryText(1), QString());
        QCOMPARE(g->ActiveSide, qint16(1));
        QVERIFY(g->TypingEnglish && !g->TypingSpanish);
        QVERIFY(box->hasFocus() || !QApplication::focusWindow()); // offscreen may hold no focus window
    }

    void lettersMoveTheActiveList_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("current");
        QTest::newRow("Ñ") << 0 << "Ñ" << "ñandú";
        QTest::newRow("N is not Ñ") << 0 << "N" << "nube";
        QTest::newRow("A finds an accented term") << 0 << "A" << "árbol";
        QTest::newRow("English") << 1 << "H" << "home";
        QTest::newRow("no term, list stays") << 1 << "Z" << "bear";
    }
    void lettersMoveTheActiveList()
    {
        QFETCH(int, side);
        QFETCH(QString, letter);
        QFETCH(QString, current);
        makeCourse(true);
        GlossaryScreen* g = open();
        if (side == 1)
            clickTerm(1, QStringLiteral("bear"));
        clickLetter(letter);
        QCOMPARE(g->lista[size_t(side)]->text(), current);
        QVERIFY(!g->TypingSpanish && !g->TypingEnglish);
        const QLabel* chosen = *std::find_if(g->letra.begin(), g->letra.end(), [&](QLabel* l) { return l->text() == letter; });
        QVERIFY(chosen->font().bold());
        QCOMPARE(chosen->palette().color(QPalette::WindowText), QColor(200, 0, 0));
        if (current != QLatin1String("bear"))
            QCOMPARE(g->entryText(side), current);
    }

    void theBoxThatHasTheFocusTypesAheadAtOnce()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        // Straight after the opening, with no press into the box first.
        auto* spanish = g->text1[0]->findChild<QLineEdit*>();
        QTest::keyClicks(spanish, QStringLiteral("pe"));
        QCOMPARE(g->entryText(0), QStringLiteral("pe"));
        QCOMPARE(g->lista[0]->text(), QStringLiteral("perro"));
        QVERIFY(g->TypingSpanish);
        // Typing into the other box moves the other list, and makes it the active side.
        auto* english = g->text1[1]->findChild<QLineEdit*>();
        QTest::keyClicks(english, QStringLiteral("tr"));
        QCOMPARE(g->lista[1]->text(), QStringLiteral("tree"));
        QCOMPARE(g->ActiveSide, qint16(1));
        QVERIFY(g->TypingEnglish && !g->TypingSpanish);
        clickLetter(QStringLiteral("D"));
        QCOMPARE(g->lista[1]->text(), QStringLiteral("dog"));
    }

    void aLetterFindsTermsBehindPunctuation_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("current");
        QTest::newRow("question mark") << "Q" << "¿Qué tal?";
        QTest::newRow("exclamation mark") << "H" << "¡Hola!";
        QTest::newRow("quotes and an accent") << "E" << "«Él»";
    }
    void aLetterFindsTermsBehindPunctuation()
    {
        QFETCH(QString, letter);
        QFETCH(QString, current);
        makeCourse(true, QStringLiteral("insert into glosesp (id_esp, termino) values (8, '¿Qué tal?'), (9, '¡Hola!'), (10, '«Él»');"));
        GlossaryScreen* g = open();
        clickLetter(letter);
        QCOMPARE(g->lista[0]->text(), current);
        QCOMPARE(g->entryText(0), current);
    }

    void theLetterRowFitsTheWindow_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("10 points: each letter its own width") << 10;
        QTest::newRow("20 points: narrower") << 20;
    }
    void theLetterRowFitsTheWindow()
    {
        QFETCH(int, points);
        makeCourse(true,
            QStringLiteral("update pantalla set ancho = 420 where codigo = 8 and objeto = 1;"
                           "update pantalla set tamanofont = %1 where codigo = 8 and objeto = 9;"
                           "insert into glosesp (id_esp, termino) values (8, 'xilófono'), (9, 'yate'), (10, 'zorro');")
                .arg(points));
        GlossaryScreen* g = open();
        QCOMPARE(g->width(), 420);
        QCOMPARE(g->letra.size(), size_t(27));
        for (size_t i = 0; i < g->letra.size(); ++i) {
            QLabel* letter = g->letra[i];
            const QFontMetrics metrics(letter->font());
            // Never clipped, inside the window, each where the one before ends.
            QVERIFY2(letter->width() >= metrics.boundingRect(letter->text()).width(), qPrintable(letter->text()));
            QVERIFY2(letter->x() >= 0 && letter->geometry().right() < g->width(), qPrintable(letter->text()));
            if (i > 0) {
                QCOMPARE(letter->x(), g->letra[i - 1]->x() + g->letra[i - 1]->width());
                QCOMPARE(letter->font(), g->letra[0]->font());
            }
            if (points == 10) // as wide as its own caption
                QCOMPARE(letter->width(), std::max(letter->sizeHint().width(), metrics.boundingRect(letter->text()).width()));
        }
        if (points == 10)
            QCOMPARE(g->letra[0]->x(), 10);
        // X, Y and Z lie under the pointer and take it there.
        for (const char* last : { "X", "Y", "Z" }) {
            const auto it = std::find_if(g->letra.begin(), g->letra.end(), [&](QLabel* l) { return l->text() == QLatin1String(last); });
            QWidget* under = g->childAt((*it)->geometry().center());
            QCOMPARE(under, *it);
            QTest::mouseClick(under, Qt::LeftButton, {}, under->rect().center());
            QCOMPARE(g->lista[0]->text().front().toUpper(), QLatin1Char(last[0]));
        }
    }

    void itIsDraggedByItsBodyOnly()
    {
        makeCourse(true);
        GlossaryScreen* g = open();
        const QPoint start = g->pos();
        drag(g, QPoint(200, 290), QPoint(-50, 30));
        QCOMPARE(g->pos(), start + QPoint(-50, 30));
        QCOMPARE(events("drag").size(), 1);
        // Presses on the entry boxes and on the lists stay there.
        drag(g->text1[0], QPoint(170, 5), QPoint(40, 40));
        drag(g->lista[0]->findChild<QListWidget*>()->viewport(), QPoint(20, 20), QPoint(40, 40));
        QCOMPARE(g->pos(), start + QPoint(-50, 30));
        drag(g, QPoint(200, 290), QPoint(-1000, -1000));
        QCOMPARE(g->pos(), QPoint(0, 0));
    }

    void theMapButtonOpensItToo()
    {
        makeCourse(true);
        state().CurrentLesson = 7;
        shell().showScreen(beneath());
        QTRY_COMPARE(state().CurrentScreen, qint16(3));
        // The map's glossary button (action 17) shows the window as an overlay.
        shell().showOverlay(shell().window(QStringLiteral("frmind")));
        QTRY_VERIFY(state().GlossaryOpen);
        QVERIFY(!state().ExplorerOpen);
    }

    void anUnregisteredControlIsReportedAndNothingOpens()
    {
        makeCourse(false);
        QString shown;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                for (QLabel* label : modal->findChildren<QLabel*>())
                    shown += label->text();
                modal->close();
            }
        });
        closer.start(20);
        state().CurrentLesson = 7;
        shell().showScreen(beneath());
        QTRY_COMPARE(state().CurrentScreen, qint16(3));
        shell().navigator().RunNavAction(Navigator::Buscar, state().CurrentScreen);
        QTRY_VERIFY(!shown.isEmpty());
        // The learner reads a sentence of his own language; the cause is in the trace.
        QCOMPARE(shown.remove(QChar(0x200B)), GlossaryScreen::UnregisteredMessage); // the box may break a path after its slashes
        const QString cause = events("open").last().value(QStringLiteral("result")).toString();
        QVERIFY2(cause.contains(QStringLiteral("rolda.etidesp2")) && cause.contains(QStringLiteral("not registered")), qPrintable(cause));
        QVERIFY(!state().GlossaryOpen);
        QTRY_VERIFY(!glossary());
        // The program goes on: the screen takes its clicks.
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        sendMouse(beneath()->Imagex[1], QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QCOMPARE(beneath()->clicked, QList<int>({ 1 }));
    }

    void aSystemWideRegistrationIsEnough()
    {
        makeCourse(false);
        const QString system = m_systemConfig.filePath(QStringLiteral("tamsel/components.json"));
        // What an installation records: the library's own entry, in the system's folder.
        ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        const auto entry = ComponentRegistry().find(QStringLiteral("rolda.etidesp2"));
        QVERIFY(entry);
        ComponentRegistry(system).add(*entry);
        QVERIFY(QFile::remove(ComponentRegistry::defaultFilePath()));
        QVERIFY(!ComponentRegistry().find(QStringLiteral("rolda.etidesp2")));
        QVERIFY(open());
        QCOMPARE(glossary()->lista[0]->count(), 7);
    }
};

QTEST_MAIN(GlossaryTest)
#include "tst_glossary.moc"
