// The course tree of the explorer and of video learning, and the learner's register of
// visited lessons, built from a fixture course's own saved queries.
#include "ClassroomServer.h"
#include "CourseCompiler.h"
#include "CourseError.h"
#include "CourseTree.h"
#include "MediaRecipes.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "ShellHarness.h"
#include "ServerLearnerStore.h"
#include "SqlStatement.h"
#include "VisitedLessons.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// Home map 1: chapters 10, 11, 12, 13 (no lessons), 16, 51, and chapter 11 again under
// map 60 (a content error). City map 60 under chapter 16 with chapters 21 and 22; under
// chapter 22 the quarter map 3, numbered below its parent, with chapter 31. Lesson 90
// names chapter 99, which no map has.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values"
    "  (1, 'Mapa', 1, 0, 0),"
    "  (5, 'Fuera de la diez', 12, 1, 10), (6, 'Carrusel de la diez', 4, 1, 10),"
    "  (7, 'En el café', 12, 1, 11), (8, 'Vídeo', 3, 1, 11),"
    "  (40, 'Charla 40', 12, 1, 11), (41, 'Charla 41', 12, 1, 11), (42, 'Charla 42', 12, 1, 11),"
    "  (43, 'Charla 43', 12, 1, 11), (44, 'Charla 44', 12, 1, 11), (45, 'Charla 45', 12, 1, 11),"
    "  (12, 'En la estación', 12, 1, 12), (14, 'Prueba', 14, 1, 12),"
    "  (55, 'Fuera de la cincuenta y uno', 12, 1, 51),"
    "  (60, 'La ciudad', 1, 1, 16),"
    "  (61, 'En el mercado', 12, 60, 21), (62, 'Tiendas', 4, 60, 22),"
    "  (3, 'El barrio', 1, 60, 22), (33, 'En la plaza', 12, 3, 31),"
    "  (90, 'Sin capítulo', 12, 1, 99);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values"
    "  (1, 10, 'Diez'), (1, 11, 'Once'), (1, 12, 'Doce'), (1, 13, 'Trece'), (1, 16, 'La ciudad'), (1, 51, 'Cincuenta y uno'),"
    "  (60, 21, 'El mercado'), (60, 22, 'Las tiendas'), (60, 11, 'Once otra vez'), (3, 31, 'La plaza');"
    "insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, Font, tamanofont) values"
    "  (10, 12, 0, 0, 0, 0, 'iconos\\k3.bmp', '3', null, null, null),"
    "  (10, 12, 0, 0, 0, 0, 'iconos\\k4.bmp', ' 4', null, null, null),"
    "  (10, 12, 0, 0, 0, 0, 'iconos\\k12.bmp', '12', null, null, null),"
    "  (10, 16, 20, 40, 260, 300, 'iconos\\mapa.bmp', 'iconos\\capitulo.bmp', null, 'DejaVu Sans', 11),"
    "  (12, 16, 400, 60, 200, 110, 'iconos\\nueva.bmp', 'iconos\\vista.bmp', 'iconos\\carpeta.bmp', 'DejaVu Sans', 9);");

const QStringList iconFiles { QStringLiteral("k3"), QStringLiteral("k4"), QStringLiteral("k12"), QStringLiteral("mapa"),
    QStringLiteral("capitulo"), QStringLiteral("nueva"), QStringLiteral("vista"), QStringLiteral("carpeta") };

using Variant = CourseTree::Variant;

/// Visits of the learner database FILE, as a fresh connection finds them on disk.
int visitRows(const QString& file, int lesson)
{
    auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
    SqlStatement count(*db, QStringLiteral("select count(*) from lecciones_usuario where id = 0 and leccion = ? and grabada = -1"));
    count.bind(1, lesson);
    count.step();
    return count.value(0).toInt();
}

} // namespace

class CourseTreeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    std::unique_ptr<QWidget> m_stage;

    ModuleState& state() { return m_harness->state; }

    void startShell()
    {
        m_harness = std::make_unique<ShellHarness>(*m_course);
        m_stage = std::make_unique<QWidget>();
        m_stage->resize(640, 480);
        m_stage->show();
    }

    /// A tree of VARIANT placed and dressed by its screen's rows, as the screens do.
    CourseTree* makeTree(Variant variant)
    {
        auto* tree = new CourseTree(*m_harness->shell, m_stage.get(), variant);
        const int screen = variant == CourseTree::Explorer ? 10 : 12;
        auto screenRows = state().ContentDb->openRecordset(QStringLiteral("select * from pantalla where codigo = %1 order by objeto").arg(screen));
        for (; !screenRows->isEof(); screenRows->moveNext()) {
            if (screenRows->number(QStringLiteral("objeto")) == 12)
                tree->addKindIcon(*screenRows);
            else if (screenRows->number(QStringLiteral("objeto")) == 16)
                tree->placeFromRow(*screenRows);
        }
        tree->show();
        return tree;
    }

    CourseTree* buildTree(Variant variant, qint16 currentLesson = 1)
    {
        state().CurrentLesson = currentLesson;
        CourseTree* tree = makeTree(variant);
        tree->Raiz();
        return tree;
    }

    QStringList treeEvents(const QString& op)
    {
        QStringList keys;
        const QList<QJsonObject> events = m_harness->events(QStringLiteral("tree"));
        for (const QJsonObject& e : events) {
            if (e.value(QStringLiteral("op")).toString() == op)
                keys << e.value(QStringLiteral("key")).toString();
        }
        return keys;
    }

    static QStringList childKeys(const QTreeWidgetItem* item)
    {
        QStringList keys;
        for (int i = 0; i < item->childCount(); ++i)
            keys << CourseTree::key(item->child(i));
        return keys;
    }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        for (int i = 0; i < iconFiles.size(); ++i)
            m_course->addPicture(QStringLiteral("iconos/%1.bmp").arg(iconFiles.at(i)), QSize(16, 16), QColor::fromHsv(i * 40, 200, 200));
        startShell();
    }

    void cleanup()
    {
        m_stage.reset();
        m_harness.reset();
        m_course.reset();
    }

    // Keys written with their sign place and read back; what is not a 16-bit number is refused.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("number");
        QTest::newRow("lesson") << "N 12" << true << 12;
        QTest::newRow("zero") << "R 0" << true << 0;
        QTest::newRow("negative") << "N-3" << true << -3;
        QTest::newRow("largest") << "N 32767" << true << 32767;
        QTest::newRow("several blanks") << "R    12" << true << 12;
        QTest::newRow("half rounds to even, down") << "N 2.5" << true << 2;
        QTest::newRow("half rounds to even, up") << "N 3.5" << true << 4;
        QTest::newRow("rounds beyond 16 bits") << "N 32767.5" << false << 0;
        QTest::newRow("below 16 bits") << "N-32769" << false << 0;
        QTest::newRow("letter only") << "N" << false << 0;
        QTest::newRow("not a number") << "N abc" << false << 0;
        QTest::newRow("infinite") << "N inf" << false << 0;
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(bool, valid);
        QFETCH(int, number);
        if (valid && !key.contains(QStringLiteral("  ")) && !key.contains(QLatin1Char('.')))
            QCOMPARE(CourseTree::nodeKey(key.at(0), number), key);
        try {
            QCOMPARE(int(CourseTree::keyNumber(key)), number);
            QVERIFY2(valid, "an invalid key was read");
        } catch (const CourseError& error) {
            QVERIFY2(!valid, qPrintable(error.message()));
            QVERIFY2(error.message().contains(QLatin1Char('\'') + key + QLatin1Char('\'')), qPrintable(error.message()));
        }
    }

    // Where each node lands in each variant: its parent ("" for a top node, "-" when the
    // node is absent) and its icon.
    void nodesOfBothVariants_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("icon");
        const Variant e = CourseTree::Explorer;
        const Variant v = CourseTree::VideoLearning;
        QTest::newRow("explorer root") << e << "R 1" << "" << "x1";
        QTest::newRow("explorer chapter 10") << e << "C 10" << "R 1" << "2";
        QTest::newRow("explorer chapter 51") << e << "C 51" << "R 1" << "2";
        QTest::newRow("explorer lesson of chapter 10") << e << "N 6" << "C 10" << "I4";
        QTest::newRow("explorer video lesson") << e << "N 8" << "C 11" << "I3";
        QTest::newRow("explorer learning lesson") << e << "N 7" << "C 11" << "I12";
        QTest::newRow("explorer sub-map") << e << "R 60" << "C 16" << "x1";
        QTest::newRow("explorer sub-map chapter") << e << "C 21" << "R 60" << "2";
        QTest::newRow("explorer sub-map lesson") << e << "N 62" << "C 22" << "I4";
        QTest::newRow("explorer map numbered below its parent") << e << "R 3" << "C 22" << "x1";
        QTest::newRow("explorer its chapter") << e << "C 31" << "R 3" << "2";
        QTest::newRow("explorer its lesson") << e << "N 33" << "C 31" << "I12";
        QTest::newRow("explorer kind without icon") << e << "N 14" << "C 12" << "";
        QTest::newRow("explorer orphan") << e << "N 90" << "-" << "";
        QTest::newRow("learning root") << v << "R 1" << "" << "3";
        QTest::newRow("learning chapter 11") << v << "C 11" << "R 1" << "3";
        QTest::newRow("learning empty chapter 13") << v << "C 13" << "R 1" << "3";
        QTest::newRow("learning no chapter 10") << v << "C 10" << "-" << "";
        QTest::newRow("learning no lesson of chapter 10") << v << "N 5" << "-" << "";
        QTest::newRow("learning no chapter 51") << v << "C 51" << "-" << "";
        QTest::newRow("learning no lesson of chapter 51") << v << "N 55" << "-" << "";
        QTest::newRow("learning lesson unvisited") << v << "N 7" << "C 11" << "x1";
        QTest::newRow("learning no video lesson") << v << "N 8" << "-" << "";
        QTest::newRow("learning sub-map without icon") << v << "R 60" << "C 16" << "";
        QTest::newRow("learning sub-map lesson") << v << "N 61" << "C 21" << "x1";
        QTest::newRow("learning no carousel of sub-map") << v << "N 62" << "-" << "";
        QTest::newRow("learning map numbered below its parent") << v << "R 3" << "C 22" << "";
        QTest::newRow("learning its lesson") << v << "N 33" << "C 31" << "x1";
        QTest::newRow("learning orphan") << v << "N 90" << "-" << "";
    }
    void nodesOfBothVariants()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, key);
        QFETCH(QString, parent);
        QFETCH(QString, icon);
        CourseTree* tree = buildTree(variant, 12);
        QTreeWidgetItem* item = tree->node(key);
        if (parent == QLatin1String("-")) {
            QVERIFY2(!item, qPrintable(key + QStringLiteral(" is in the tree")));
            return;
        }
        QVERIFY2(item, qPrintable(key + QStringLiteral(" is missing")));
        QCOMPARE(CourseTree::key(item), key);
        QCOMPARE(CourseTree::key(item->parent()), parent);
        QCOMPARE(CourseTree::nodeIcon(item), icon);
        QCOMPARE(item->icon(0).isNull(), icon.isEmpty());
        QCOMPARE(tree->topLevelItemCount(), 1);
    }

    void childrenKeepTheQueryOrder()
    {
        CourseTree* tree = buildTree(CourseTree::Explorer);
        QCOMPARE(childKeys(tree->node(QStringLiteral("R 1"))),
            (QStringList { QStringLiteral("C 10"), QStringLiteral("C 11"), QStringLiteral("C 12"), QStringLiteral("C 13"), QStringLiteral("C 16"),
                QStringLiteral("C 51") }));
        QCOMPARE(childKeys(tree->node(QStringLiteral("C 11"))),
            (QStringList { QStringLiteral("N 7"), QStringLiteral("N 8"), QStringLiteral("N 40"), QStringLiteral("N 41"), QStringLiteral("N 42"),
                QStringLiteral("N 43"), QStringLiteral("N 44"), QStringLiteral("N 45") }));
        QCOMPARE(childKeys(tree->node(QStringLiteral("C 22"))), (QStringList { QStringLiteral("R 3"), QStringLiteral("N 62") }));
        QCOMPARE(tree->node(QStringLiteral("C 11"))->text(0), QStringLiteral("Once"));
        QCOMPARE(tree->node(QStringLiteral("N 7"))->text(0), QStringLiteral("En el café"));
    }

    // A lesson whose chapter has no node, and a chapter key given twice, are reported and
    // left out; what the variant leaves out on purpose is not reported.
    void faultyRowsAreReportedAndSkipped_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<int>("nodes");
        QTest::newRow("explorer") << CourseTree::Explorer << 28;
        QTest::newRow("video learning") << CourseTree::VideoLearning << 20;
    }
    void faultyRowsAreReportedAndSkipped()
    {
        QFETCH(Variant, variant);
        QFETCH(int, nodes);
        CourseTree* tree = buildTree(variant);
        QCOMPARE(treeEvents(QStringLiteral("orphan")), QStringList { QStringLiteral("N 90") });
        QCOMPARE(treeEvents(QStringLiteral("duplicate")), QStringList { QStringLiteral("C 11") });
        QCOMPARE(tree->node(QStringLiteral("C 11"))->text(0), QStringLiteral("Once"));
        QCOMPARE(tree->nodeCount(), nodes);
        const QList<QJsonObject> builds = m_harness->events(QStringLiteral("tree"));
        QCOMPARE(builds.last().value(QStringLiteral("op")).toString(), QStringLiteral("build"));
        QCOMPARE(builds.last().value(QStringLiteral("nodes")).toInt(), nodes);
        QCOMPARE(builds.last().value(QStringLiteral("variant")).toString(),
            variant == CourseTree::Explorer ? QStringLiteral("explorer") : QStringLiteral("videolearning"));
    }

    void rebuildingStartsAfresh()
    {
        CourseTree* tree = buildTree(CourseTree::Explorer);
        const int nodes = tree->nodeCount();
        tree->Raiz();
        QCOMPARE(tree->nodeCount(), nodes);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(treeEvents(QStringLiteral("duplicate")).size(), 2); // once per build, not against the first build
    }

    // The current lesson's node is selected (on video learning only a conversation lesson,
    // brought into view); the home map as current lesson opens the root.
    void currentLesson_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<int>("lesson");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("rootOpen");
        QTest::newRow("explorer lesson") << CourseTree::Explorer << 61 << "N 61" << false;
        QTest::newRow("explorer sub-map") << CourseTree::Explorer << 60 << "R 60" << false;
        QTest::newRow("explorer carousel") << CourseTree::Explorer << 62 << "N 62" << false;
        QTest::newRow("explorer home map") << CourseTree::Explorer << 1 << "" << true;
        QTest::newRow("learning lesson") << CourseTree::VideoLearning << 61 << "N 61" << true;
        QTest::newRow("learning sub-map") << CourseTree::VideoLearning << 60 << "" << false;
        QTest::newRow("learning video lesson") << CourseTree::VideoLearning << 8 << "" << false;
        QTest::newRow("learning home map") << CourseTree::VideoLearning << 1 << "" << true;
    }
    void currentLesson()
    {
        QFETCH(Variant, variant);
        QFETCH(int, lesson);
        QFETCH(QString, selected);
        QFETCH(bool, rootOpen);
        CourseTree* tree = buildTree(variant, qint16(lesson));
        const QList<QTreeWidgetItem*> items = tree->selectedItems();
        QCOMPARE(items.isEmpty() ? QString() : CourseTree::key(items.first()), selected);
        QCOMPARE(tree->node(QStringLiteral("R 1"))->isExpanded(), rootOpen);
        if (variant == CourseTree::VideoLearning && !selected.isEmpty()) {
            // Eight rows down in a tree five rows high: scrolled to.
            const QRect where = tree->visualItemRect(tree->node(selected));
            QVERIFY(where.isValid());
            QVERIFY2(tree->viewport()->rect().contains(where), "the current lesson is out of view");
        }
    }

    void showSelectedNodeOpensItsBranch()
    {
        CourseTree* tree = buildTree(CourseTree::Explorer, 33);
        QTreeWidgetItem* item = tree->node(QStringLiteral("N 33"));
        QVERIFY(!tree->visualItemRect(item).isValid()); // the explorer selects without opening
        tree->showSelectedNode();
        QVERIFY(tree->node(QStringLiteral("R 3"))->isExpanded());
        QVERIFY(tree->viewport()->rect().contains(tree->visualItemRect(item)));
    }

    void placedByItsRow_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<double>("points");
        QTest::newRow("explorer") << CourseTree::Explorer << QRect(20, 40, 260, 300) << 11.0;
        QTest::newRow("video learning") << CourseTree::VideoLearning << QRect(400, 60, 200, 110) << 9.0;
    }
    void placedByItsRow()
    {
        QFETCH(Variant, variant);
        QFETCH(QRect, geometry);
        QFETCH(double, points);
        CourseTree* tree = makeTree(variant);
        QCOMPARE(tree->geometry(), geometry);
        QCOMPARE(tree->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(tree->font().pointSizeF(), points);
        QCOMPARE(tree->iconSize(), QSize(16, 16));
        QVERIFY(tree->hasIcon(QStringLiteral("x1")));
        QVERIFY(tree->hasIcon(QStringLiteral("2")));
        QCOMPARE(tree->hasIcon(QStringLiteral("3")), variant == CourseTree::VideoLearning);
        QCOMPARE(tree->hasIcon(QStringLiteral("I4")), variant == CourseTree::Explorer); // written " 4" in its row
        QVERIFY_THROWS_EXCEPTION(CourseError, tree->setNodeIcon(new QTreeWidgetItem(tree), QStringLiteral("I14")));
    }

    // Rows that name a missing or unreadable picture, or no picture, or no row for the
    // tree at all, stop the screen with an error naming it.
    void rowFaultsAreNamed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing icon file") << "update pantalla set bitmapactivable = 'iconos\\no.bmp' where codigo = 10 and objeto = 16"
                                           << CourseTree::Explorer << "iconos/no.bmp";
        QTest::newRow("unreadable icon") << "update pantalla set bitmapreposo = 'iconos\\roto.bmp' where codigo = 10 and objeto = 12 and bitmapactivable = '3'"
                                         << CourseTree::Explorer << "roto.bmp cannot be read";
        QTest::newRow("no third icon") << "update pantalla set bitmapactivo = null where codigo = 12"
                                       << CourseTree::VideoLearning << "screen 12, objeto 16: no picture in bitmapactivo";
        QTest::newRow("no tree row") << "delete from pantalla where codigo = 10 and objeto = 16" << CourseTree::Explorer << "no pantalla row with objeto 16";
        QTest::newRow("kind that is no number") << "update pantalla set bitmapactivable = 'vídeo' where codigo = 10 and objeto = 12 and bitmapactivable = '3'"
                                                << CourseTree::Explorer << "bitmapactivable \"vídeo\" is not a lesson kind";
    }
    void rowFaultsAreNamed()
    {
        QFETCH(QString, change);
        QFETCH(Variant, variant);
        QFETCH(QString, expected);
        m_harness.reset();
        {
            auto db = Database::open(m_course->folder() + QStringLiteral("/bbm.mdb"), ShareMode::Shared, AccessMode::ReadWrite,
                QStringLiteral("MS Access;PWD=vemparo41"));
            db->execute(change);
        }
        QFile broken(m_course->folder() + QStringLiteral("/iconos/roto.bmp"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("BM not a picture");
        broken.close();
        startShell();
        try {
            makeTree(variant)->Raiz();
            QFAIL("the rows were accepted");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
        }
    }

    // The learner's pointer on the tree: a click on a node reports it; a click on the
    // expand sign opens the branch and reports no click.
    void clicksAndBranches()
    {
        CourseTree* tree = buildTree(CourseTree::Explorer);
        QSignalSpy clicked(tree, &CourseTree::nodeClicked);
        QSignalSpy expanded(tree, &CourseTree::nodeExpanded);
        QSignalSpy collapsed(tree, &CourseTree::nodeCollapsed);
        QSignalSpy moved(tree, &CourseTree::pointerMoved);
        QSignalSpy pressed(tree, &CourseTree::pointerPressed);

        QTreeWidgetItem* chapter = tree->node(QStringLiteral("C 11"));
        const QRect row = tree->visualItemRect(chapter);
        const QPoint sign(row.left() - tree->indentation() / 2, row.center().y());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, sign);
        QVERIFY(chapter->isExpanded());
        QCOMPARE(expanded.size(), 1);
        QCOMPARE(expanded.first().first().value<QTreeWidgetItem*>(), chapter);
        QCOMPARE(clicked.size(), 0);

        QTreeWidgetItem* lesson = tree->node(QStringLiteral("N 7"));
        QTest::mouseMove(tree->viewport(), tree->visualItemRect(lesson).center());
        QVERIFY(!moved.isEmpty());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(lesson).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().value<QTreeWidgetItem*>(), lesson);
        QCOMPARE(pressed.last().first().value<Qt::MouseButton>(), Qt::LeftButton);
        QCOMPARE(treeEvents(QStringLiteral("click")), QStringList { QStringLiteral("N 7") });
        QCOMPARE(CourseTree::keyNumber(CourseTree::key(clicked.first().first().value<QTreeWidgetItem*>())), qint16(7));

        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, sign);
        QVERIFY(!chapter->isExpanded());
        QCOMPARE(collapsed.size(), 1);
        QCOMPARE(clicked.size(), 1);
    }

    // ---- the register of visited lessons ----

    // Rows already in the register give their lessons the visited icon from the start;
    // only rows with id 0 count.
    void registerRowsGiveStartingIcons_data()
    {
        QTest::addColumn<QString>("registered");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("icon");
        QTest::newRow("visited") << "(0, 12, -1)" << "N 12" << "2";
        QTest::newRow("sub-map lesson visited") << "(0, 61, -1), (0, 7, -1)" << "N 61" << "2";
        QTest::newRow("row of another id") << "(1, 12, -1)" << "N 12" << "x1";
    }
    void registerRowsGiveStartingIcons()
    {
        QFETCH(QString, registered);
        QFETCH(QString, key);
        QFETCH(QString, icon);
        m_harness.reset();
        {
            auto learner = Database::open(m_course->learnerDatabase(), ShareMode::Shared, AccessMode::ReadWrite,
                QStringLiteral("MS Access;PWD=vemparo41"));
            learner->execute(QStringLiteral("insert into lecciones_usuario (id, leccion, grabada) values ") + registered);
        }
        startShell();
        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        QCOMPARE(CourseTree::nodeIcon(tree->node(key)), icon);
    }

    void markingAddsOneRowOnce()
    {
        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        VisitedLessons& visits = tree->visitedLessons();
        QVERIFY(!visits.IsLessonVisited(7));
        QCOMPARE(visits.MarkLessonVisited(7), false);
        // On disk at once, as another connection sees it.
        QCOMPARE(visitRows(m_course->learnerDatabase(), 7), 1);
        QVERIFY(visits.IsLessonVisited(7));
        QCOMPARE(visits.MarkLessonVisited(7), true);
        QCOMPARE(visitRows(m_course->learnerDatabase(), 7), 1);
        QCOMPARE(visits.MarkLessonVisited(12), false);
        QCOMPARE(visitRows(m_course->learnerDatabase(), 12), 1);
        QCOMPARE(m_harness->events(QStringLiteral("tree")).last().value(QStringLiteral("op")).toString(), QStringLiteral("visited"));
        QCOMPARE(m_harness->events(QStringLiteral("tree")).last().value(QStringLiteral("lesson")).toInt(), 12);

    }

    void visitSurvivesReopening()
    {
        buildTree(CourseTree::VideoLearning)->visitedLessons().MarkLessonVisited(61);
        m_stage.reset();
        m_harness.reset();
        startShell();
        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 61"))), QStringLiteral("2"));
        QCOMPARE(tree->visitedLessons().MarkLessonVisited(61), true);
        QCOMPARE(visitRows(m_course->learnerDatabase(), 61), 1);
    }

    // After the learner's work is erased, a visit is written again rather than taken as known.
    void markingAfterEraseWritesAgain()
    {
        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        QCOMPARE(tree->visitedLessons().MarkLessonVisited(7), false);
        state().UserDb->queryDef(QStringLiteral("borrar")).execute();
        QCOMPARE(tree->visitedLessons().MarkLessonVisited(7), false);
        QCOMPARE(visitRows(m_course->learnerDatabase(), 7), 1);
        tree->Raiz();
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 7"))), QStringLiteral("2"));
    }

#ifdef Q_OS_UNIX
    // A player killed right after the click keeps the visit and an intact file.
    void visitSurvivesAKill()
    {
        const QString file = m_course->learnerDatabase();
        m_harness.reset();
        const pid_t child = fork();
        if (child == 0) {
            auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadWrite, QStringLiteral("MS Access;PWD=vemparo41"));
            Trace trace;
            VisitedLessons(*db, trace).MarkLessonVisited(45);
            raise(SIGKILL);
            _exit(0);
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QVERIFY(!QFile::exists(file + QStringLiteral("-journal")));
        QCOMPARE(visitRows(file, 45), 1);
        auto db = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        SqlStatement check(*db, QStringLiteral("pragma integrity_check"));
        QVERIFY(check.step());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
    }
#endif

    void learnerDatabaseFaultsAreNamed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no register table") << "drop table lecciones_usuario" << false << "lecciones_usuario";
        QTest::newRow("read-only database") << "" << true << "read-only";
    }
    void learnerDatabaseFaultsAreNamed()
    {
        QFETCH(QString, change);
        QFETCH(bool, readOnly);
        QFETCH(QString, expected);
        if (!change.isEmpty())
            state().UserDb->execute(change);
        if (readOnly)
            state().UserDb = Database::open(m_course->learnerDatabase(), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
        CourseTree* tree = makeTree(CourseTree::VideoLearning);
        try {
            tree->Raiz();
            QFAIL("the tree was built without its register");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
        }
        QCOMPARE(tree->nodeCount(), 0); // nothing half-built is left
    }

    // The register and the icons with the learner's records on a classroom server.
    void visitsAndCompletionIconsOnTheServer()
    {
        if (!ClassroomServer::isAvailable())
            QSKIP("needs the private PostgreSQL cluster of tests/with-postgres.sh");
        ClassroomServer server(QStringLiteral("tamsel_arbol"));
        server.addLogin(QStringLiteral("marta"));
        server.addLogin(QStringLiteral("pablo"));
        server.sql(QStringLiteral("insert into tamsel.lecciones_usuario (alumno, leccion, curso) values ('marta', 12, 'curso'), ('pablo', 7, 'curso')"));
        QTemporaryDir journals;
        QStringList told;
        auto* store = new ServerLearnerStore(server.target(QStringLiteral("marta")), QStringLiteral("curso"), journals.filePath(QStringLiteral("marta.sqlite")), m_harness->trace,
            [&told](const QString& message) { told << message; });
        state().Learner.reset(store);
        QVERIFY(store->waitForFirstSync(10000));

        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 12"))), QStringLiteral("2")); // hers, from the server
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 7"))), QStringLiteral("x1")); // Pablo's is not
        tree->UpdateCompletionIcons();
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("C 12"))), QStringLiteral("2"));
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("C 11"))), QStringLiteral("3"));

        QCOMPARE(tree->visitedLessons().MarkLessonVisited(7), false);
        QCOMPARE(tree->visitedLessons().MarkLessonVisited(7), true);
        QTRY_COMPARE_WITH_TIMEOUT(store->unsentCount(), 0, 15000);
        QCOMPARE(server.sql(QStringLiteral("select count(*) from tamsel.lecciones_usuario where alumno = 'marta' and leccion = 7")), QStringLiteral("1"));
        tree->Raiz();
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 7"))), QStringLiteral("2"));

        // A visit she made on another computer shows in the tree built here once this one
        // reads her records again (on its next connection).
        server.sql(QStringLiteral("insert into tamsel.lecciones_usuario (alumno, leccion, curso) values ('marta', 61, 'curso')"));
        ClassroomServer::control("stop");
        ClassroomServer::control("start");
        tree->visitedLessons().MarkLessonVisited(40); // a write finds the server gone, and then back
        QTRY_COMPARE_WITH_TIMEOUT(CourseTree::nodeIcon(tree->node(QStringLiteral("N 61"))), QStringLiteral("2"), 20000);

        // Her work erased: her icons go, Pablo's rows stay.
        learnerStore(state()).eraseWork();
        tree->Raiz();
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("N 12"))), QStringLiteral("x1"));
        QTRY_COMPARE_WITH_TIMEOUT(store->unsentCount(), 0, 15000);
        QCOMPARE(server.sql(QStringLiteral("select string_agg(alumno || leccion, ',') from tamsel.lecciones_usuario")), QStringLiteral("pablo7"));
        // At most the server's absence of a moment ago, once.
        QVERIFY(told.isEmpty() || told == QStringList { ServerLearnerStore::UnreachableMessage });
        state().Learner.reset();
    }

    // ---- completion icons ----

    void completionIcons_data()
    {
        QTest::addColumn<QList<int>>("visited");
        QTest::addColumn<QStringList>("complete");
        QTest::addColumn<QStringList>("incomplete");
        const QList<int> all { 7, 40, 41, 42, 43, 44, 45, 12, 61, 33 };
        QTest::newRow("nothing visited") << QList<int> {} << QStringList { QStringLiteral("C 13") }
                                         << QStringList { QStringLiteral("C 11"), QStringLiteral("C 12"), QStringLiteral("C 16"), QStringLiteral("C 21"),
                                                QStringLiteral("C 22"), QStringLiteral("C 31"), QStringLiteral("R 1") };
        QTest::newRow("one chapter done") << QList<int> { 12 } << QStringList { QStringLiteral("C 12"), QStringLiteral("C 13") }
                                          << QStringList { QStringLiteral("C 11"), QStringLiteral("R 1") };
        QTest::newRow("one lesson left in a chapter") << QList<int> { 7, 40, 41, 42, 43, 44 } << QStringList { QStringLiteral("C 13") }
                                                      << QStringList { QStringLiteral("C 11"), QStringLiteral("R 1") };
        QList<int> allButQuarter = all;
        allButQuarter.removeAll(33);
        QTest::newRow("a sub-map lesson left") << allButQuarter
                                               << QStringList { QStringLiteral("C 11"), QStringLiteral("C 12"), QStringLiteral("C 21") }
                                               << QStringList { QStringLiteral("C 31"), QStringLiteral("C 22"), QStringLiteral("C 16"), QStringLiteral("R 1") };
        QTest::newRow("everything visited") << all
                                            << QStringList { QStringLiteral("C 11"), QStringLiteral("C 12"), QStringLiteral("C 13"), QStringLiteral("C 16"),
                                                   QStringLiteral("C 21"), QStringLiteral("C 22"), QStringLiteral("C 31"), QStringLiteral("R 1") }
                                            << QStringList {};
    }
    void completionIcons()
    {
        QFETCH(QList<int>, visited);
        QFETCH(QStringList, complete);
        QFETCH(QStringList, incomplete);
        CourseTree* tree = buildTree(CourseTree::VideoLearning);
        // The learner's clicks: each lesson registered, then the tree refreshed.
        for (int lesson : visited) {
            tree->visitedLessons().MarkLessonVisited(qint16(lesson));
            tree->setNodeIcon(tree->node(CourseTree::nodeKey(QLatin1Char('N'), lesson)), QStringLiteral("2"));
        }
        tree->UpdateCompletionIcons();
        for (const QString& key : complete)
            QVERIFY2(CourseTree::nodeIcon(tree->node(key)) == QLatin1String("2"), qPrintable(key + QStringLiteral(" is not complete")));
        for (const QString& key : incomplete)
            QVERIFY2(CourseTree::nodeIcon(tree->node(key)) == QLatin1String("3"), qPrintable(key + QStringLiteral(" is complete")));
        // The same from the register alone, in a tree built afresh.
        tree->Raiz();
        tree->UpdateCompletionIcons();
        for (const QString& key : complete)
            QCOMPARE(CourseTree::nodeIcon(tree->node(key)), QStringLiteral("2"));
    }

    // The demo course's whole tree: every lesson below a map in the explorer, with an
    // icon each; chapters 10 and 51 there and not in video learning.
    void demoCourseTree_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::newRow("explorer") << CourseTree::Explorer;
        QTest::newRow("video learning") << CourseTree::VideoLearning;
    }
    void demoCourseTree()
    {
        QFETCH(Variant, variant);
        cleanup();
        const QString source = QStringLiteral(TAMSEL_SOURCE_DIR "/course/demo");
        QString demoRows;
        const QStringList files = QDir(source).entryList({ QStringLiteral("content.sql"), QStringLiteral("content-*.sql") }, QDir::Files, QDir::Name);
        for (const QString& file : files)
            demoRows += readTextFile(source + QLatin1Char('/') + file) + QLatin1Char('\n');
        // Video learning's own rows are not this test's: its tree borrows the explorer's icons.
        demoRows += QStringLiteral("delete from pantalla where codigo = 12 and objeto = 16;"
                                   "insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo) values"
                                   " (12, 16, 400, 60, 220, 300, 'iconos\\mapa.ico', 'iconos\\capitulo.ico', 'iconos\\conversacion.ico');");
        m_course = std::make_unique<FixtureCourse>(demoRows);
        MediaRecipes(source, m_course->folder()).run(source + QStringLiteral("/media-explorer.txt"));
        startShell();
        CourseTree* tree = buildTree(variant);
        QCOMPARE(treeEvents(QStringLiteral("orphan")), QStringList());
        QCOMPARE(treeEvents(QStringLiteral("duplicate")), QStringList());

        auto lessons = state().ContentDb->openRecordset(QStringLiteral("select * from lecciones where N_leccion_viene <> 0"));
        QVERIFY(lessons->recordCount() > 10);
        for (; !lessons->isEof(); lessons->moveNext()) {
            const int lesson = int(lessons->number(QStringLiteral("N_leccion")));
            const int kind = int(lessons->number(QStringLiteral("tipo")));
            const int chapter = int(lessons->number(QStringLiteral("N_capitulo_viene")));
            QTreeWidgetItem* item = tree->node(CourseTree::nodeKey(kind == 1 ? QLatin1Char('R') : QLatin1Char('N'), lesson));
            const bool listed = variant == CourseTree::Explorer || ((kind == 1 || kind == 12) && chapter >= 11 && chapter <= 50);
            QVERIFY2(bool(item) == listed, qPrintable(QStringLiteral("lesson %1").arg(lesson)));
            if (item && kind != 1) {
                QVERIFY2(!item->icon(0).isNull(), qPrintable(QStringLiteral("lesson %1 has no icon").arg(lesson)));
                QCOMPARE(CourseTree::key(item->parent()), CourseTree::nodeKey(QLatin1Char('C'), chapter));
            }
        }
        const bool explorer = variant == CourseTree::Explorer;
        QCOMPARE(bool(tree->node(QStringLiteral("C 10"))), explorer);
        QCOMPARE(bool(tree->node(QStringLiteral("C 51"))), explorer);
        QCOMPARE(CourseTree::key(tree->node(QStringLiteral("R 60"))->parent()), QStringLiteral("C 16"));
        QCOMPARE(childKeys(tree->node(QStringLiteral("R 60"))), (QStringList { QStringLiteral("C 21"), QStringLiteral("C 22") }));
    }

    void explorerHasNoCompletionIcons()
    {
        CourseTree* tree = buildTree(CourseTree::Explorer);
        tree->UpdateCompletionIcons();
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("R 1"))), QStringLiteral("x1"));
        QCOMPARE(CourseTree::nodeIcon(tree->node(QStringLiteral("C 13"))), QStringLiteral("2"));
    }
};

QTEST_MAIN(CourseTreeTest)
#include "tst_coursetree.moc"
