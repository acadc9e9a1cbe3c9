// The generated media of the demo course: maps whose masks, highlights and buttons agree
// with the rows that play them, and videos whose pictures last as long as their speech.
#include "CourseCompiler.h"
#include "CourseError.h"
#include "Database.h"
#include "DemoContent.h"
#include "MediaRecipes.h"
#include "Recordset.h"
#include "ScreenMiniature.h"
#include "VideoRecipe.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QProcess>
#include <QtTest>

namespace {

void writeFile(const QString& file, const QString& text)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    f.write(text.toUtf8());
}

// The pixel box of COLOUR in MASK, found by a plain scan.
QRect boxOf(const QImage& mask, QRgb colour)
{
    QRect box;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if ((mask.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                box |= QRect(x, y, 1, 1);
    return box;
}

// True when no pixel of COLOUR lies within RADIUS of (x, y).
bool farFrom(const QImage& mask, int x, int y, QRgb colour, int radius)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p(x + dx, y + dy);
            if (mask.rect().contains(p) && (mask.pixel(p) & 0xffffff) == (colour & 0xffffff))
                return false;
        }
    return true;
}

int brightness(QRgb c)
{
    return qRed(c) + qGreen(c) + qBlue(c);
}

QString fromCourse(const QString& name)
{
    QString path = name.trimmed();
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

const char* kButtons = R"(bar rect=0,200,320,40
button accion=2 rect=10,204,56,32 icon=salir label="Salir" lit=botones/salir.bmp
button accion=3 rect=70,204,56,32 icon=sonido label="Sonido" lit=botones/sonido.bmp
navbox rect=70,100,100,104 picture=mapas/caja.bmp title="Ir a" list=8,24,84,70
)";

// Two regions that touch along a curve (the second is drawn over the first) and one apart.
const char* kPlan = R"(scene name=island title="Prueba" size=320x240
buttons file=plan/botones.txt
land points="20,40 160,20 300,40 300,190 160,195 20,190"
region chapter=1 mask=200,10,10 name="Uno" fill=#f4a261 decor=trees points="30,50 140,45 150,120 40,130"
region chapter=2 mask=10,200,10 name="Dos" fill=#90be6d decor=houses points="120,60 200,50 210,130 130,140"
region chapter=3 mask=10,10,200 name="Tres|ñandú" fill=#8ecae6 decor=fields points="230,60 290,70 280,180 235,175"
)";

} // namespace

class DemoMediaTest : public QObject {
    Q_OBJECT

private:
    static std::unique_ptr<Database> buildDemo(const QString& out, const QString& media) { return buildDemoContent(out, media); }

    /// The RMS amplitude of SECONDS of the sound FILE from FROM (sox's stat).
    static double rmsOf(const QString& file, double from, double seconds)
    {
        QProcess sox;
        sox.start(QStringLiteral("sox"), { file, QStringLiteral("-n"), QStringLiteral("trim"), QString::number(std::max(0.0, from)),
                                           QString::number(seconds), QStringLiteral("stat") });
        sox.waitForFinished(10000);
        const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
        return report.section(QStringLiteral("RMS     amplitude:"), 1, 1).section(QLatin1Char('\n'), 0, 0).trimmed().toDouble();
    }

    // Runs the recipe file MEDIA with PLAN and BUTTONS as plan/mapa.txt and plan/botones.txt.
    static void runMap(const QTemporaryDir& dir, const QString& plan, const QString& buttons)
    {
        writeFile(dir.filePath(QStringLiteral("src/plan/mapa.txt")), plan);
        writeFile(dir.filePath(QStringLiteral("src/plan/botones.txt")), buttons);
        writeFile(dir.filePath(QStringLiteral("src/media.txt")),
            QStringLiteral("map mapas/mapa.bmp plan=plan/mapa.txt mask=mapas/mapa_mascara.bmp\n"));
        MediaRecipes(dir.filePath(QStringLiteral("src")), dir.filePath(QStringLiteral("out"))).run(dir.filePath(QStringLiteral("src/media.txt")));
    }

private Q_SLOTS:
    void mapPicturesAgreeWithTheirMask()
    {
        QTemporaryDir dir;
        runMap(dir, QString::fromUtf8(kPlan), QString::fromUtf8(kButtons));
        const QString out = dir.filePath(QStringLiteral("out/"));
        const QImage map(out + QStringLiteral("mapas/mapa.bmp"));
        const QImage mask(out + QStringLiteral("mapas/mapa_mascara.bmp"));
        QCOMPARE(map.size(), QSize(320, 240));
        QCOMPARE(mask.size(), map.size());

        const QList<QPair<int, QRgb>> regions { { 1, qRgb(200, 10, 10) }, { 2, qRgb(10, 200, 10) }, { 3, qRgb(10, 10, 200) } };
        QSet<QRgb> allowed { 0 };
        for (const auto& region : regions)
            allowed.insert(region.second & 0xffffff);
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                QVERIFY2(allowed.contains(mask.pixel(x, y) & 0xffffff),
                    qPrintable(QStringLiteral("mask pixel (%1, %2) is %3").arg(x).arg(y).arg(QColor(mask.pixel(x, y)).name())));

        for (const auto& [chapter, colour] : regions) {
            const QRect box = boxOf(mask, colour);
            QVERIFY2(!box.isEmpty(), qPrintable(QStringLiteral("region %1 is missing from the mask").arg(chapter)));
            QCOMPARE(mask.pixel(box.center()) & 0xffffff, colour & 0xffffff);
            const QImage highlight(out + QStringLiteral("mapas/mapa_%1.bmp").arg(chapter));
            QCOMPARE(highlight.size(), box.size());
            // Placed at the box, the highlight brightens its region and leaves the map around it as it was.
            qint64 inside = 0;
            qint64 litSum = 0;
            qint64 restSum = 0;
            int outside = 0;
            int same = 0;
            for (int y = box.top(); y <= box.bottom(); ++y) {
                for (int x = box.left(); x <= box.right(); ++x) {
                    const QRgb lit = highlight.pixel(x - box.left(), y - box.top());
                    if ((mask.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) {
                        ++inside;
                        litSum += brightness(lit);
                        restSum += brightness(map.pixel(x, y));
                    } else if (farFrom(mask, x, y, colour, 3)) {
                        ++outside;
                        same += lit == map.pixel(x, y);
                    }
                }
            }
            QVERIFY2(litSum > restSum + 20 * inside, qPrintable(QStringLiteral("region %1: brightness %2 lit, %3 at rest").arg(chapter).arg(litSum / inside).arg(restSum / inside)));
            QCOMPARE(same, outside);
        }

        // Buttons: lit pictures of the button's size that differ from the map at rest.
        for (const auto& [name, rect] : { qMakePair(QStringLiteral("salir"), QRect(10, 204, 56, 32)), qMakePair(QStringLiteral("sonido"), QRect(70, 204, 56, 32)) }) {
            const QImage lit(out + QStringLiteral("botones/%1.bmp").arg(name));
            QCOMPARE(lit.size(), rect.size());
            QVERIFY(lit != map.copy(rect).convertToFormat(lit.format()));
            QVERIFY(boxOf(mask.copy(rect), 0).size() == rect.size()); // all black under it
        }
        QCOMPARE(QImage(out + QStringLiteral("mapas/caja.bmp")).size(), QSize(100, 104));
    }

    void badPlansAreRefused_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("expected");
        const QString plan = QString::fromUtf8(kPlan);
        const QString buttons = QString::fromUtf8(kButtons);
        QTest::newRow("black region") << QString(plan).replace(QStringLiteral("200,10,10"), QStringLiteral("0,0,0")) << buttons << "black in the mask";
        QTest::newRow("shared colour") << QString(plan).replace(QStringLiteral("10,200,10"), QStringLiteral("200,10,10")) << buttons << "share the mask colour";
        QTest::newRow("two regions for a chapter") << QString(plan).replace(QStringLiteral("chapter=2"), QStringLiteral("chapter=1")) << buttons << "chapter 1 has two regions";
        QTest::newRow("button on a region") << plan << QString(buttons).replace(QStringLiteral("10,204,56,32"), QStringLiteral("40,60,56,32")) << "button 2 lies on a region";
        QTest::newRow("region hidden under another")
            << plan + QStringLiteral("region chapter=4 mask=1,2,3 name=\"x\" fill=#ffffff points=\"60,70 70,70 65,80\"\n"
                                     "region chapter=5 mask=4,5,6 name=\"y\" fill=#ffffff points=\"30,50 140,45 150,120 40,130\"\n")
            << buttons << "has no pixel left in the mask";
        QTest::newRow("too few points") << QString(plan).replace(QStringLiteral("points=\"230,60 290,70 280,180 235,175\""), QStringLiteral("points=\"230,60 290,70\"")) << buttons << "region 3 needs at least 3 points";
        QTest::newRow("bad colour component") << QString(plan).replace(QStringLiteral("10,10,200"), QStringLiteral("10,10,300")) << buttons << "region 3 mask: '300'";
        QTest::newRow("unknown keyword") << plan + QStringLiteral("lake points=\"1,1 2,2 3,3\"\n") << buttons << "mapa.txt:7: unknown keyword 'lake'";
        QTest::newRow("unknown icon") << plan << QString(buttons).replace(QStringLiteral("icon=salir"), QStringLiteral("icon=puerta")) << "unknown button icon 'puerta'";
        QTest::newRow("button outside") << plan << QString(buttons).replace(QStringLiteral("70,204,56,32"), QStringLiteral("300,204,56,32")) << "button 3 lies outside";
        QTest::newRow("no scene") << QString(plan).remove(QStringLiteral("scene name=island title=\"Prueba\" size=320x240")) << buttons << "no scene line";
    }
    void badPlansAreRefused()
    {
        QFETCH(QString, plan);
        QFETCH(QString, buttons);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        try {
            runMap(dir, plan, buttons);
            QFAIL("the plan was accepted");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
            QVERIFY2(error.message().contains(QStringLiteral("media.txt:1")), qPrintable(error.message()));
        }
    }

    // The demo course's rows against the pictures its map recipes draw.
    void demoRowsAgreeWithDemoPictures()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, QStringLiteral("media-map.txt"));

        // Every map lesson: its picture and mask, a row for each mask colour, each row's
        // highlight exactly at its colour's box.
        QList<QImage> maps;
        QList<QImage> masks;
        auto lessons = db->openRecordset(QStringLiteral("select * from lecciones where tipo = 1 order by N_leccion"));
        QVERIFY(lessons->recordCount() >= 2);
        for (; !lessons->isEof(); lessons->moveNext()) {
            const qlonglong lesson = lessons->number(QStringLiteral("N_leccion"));
            const QImage map(out + fromCourse(lessons->text(QStringLiteral("nombre_fichero1"))));
            const QImage mask(out + fromCourse(lessons->text(QStringLiteral("nombre_fichero2"))));
            QCOMPARE(map.size(), QSize(640, 480));
            QCOMPARE(mask.size(), map.size());
            maps << map;
            masks << mask;
            QSet<QRgb> colours;
            for (int y = 0; y < mask.height(); ++y)
                for (int x = 0; x < mask.width(); ++x)
                    colours.insert(mask.pixel(x, y) & 0xffffff);
            colours.remove(0);
            auto regions = db->openRecordset(QStringLiteral("select * from mapa_sensible where N_leccion = %1").arg(lesson));
            QCOMPARE(regions->recordCount(), colours.size());
            for (; !regions->isEof(); regions->moveNext()) {
                const QRgb colour = qRgb(int(regions->number(QStringLiteral("R"))), int(regions->number(QStringLiteral("g"))), int(regions->number(QStringLiteral("b"))));
                const QString what = QStringLiteral("lesson %1 chapter %2").arg(lesson).arg(regions->number(QStringLiteral("N_capitulo")));
                QVERIFY2(colours.contains(colour & 0xffffff), qPrintable(what + QStringLiteral(": colour not in the mask")));
                const QRect box = boxOf(mask, colour);
                QCOMPARE(QPoint(int(regions->number(QStringLiteral("X"))), int(regions->number(QStringLiteral("Y")))), box.topLeft());
                const QImage highlight(out + fromCourse(regions->text(QStringLiteral("bitmap_activable"))));
                QVERIFY2(!highlight.isNull(), qPrintable(what + QStringLiteral(": no highlight picture")));
                QCOMPARE(highlight.size(), box.size());
                auto chapter = db->openRecordset(QStringLiteral("select * from capitulo where n_leccion = %1 and N_capitulo = %2")
                                                     .arg(lesson).arg(regions->number(QStringLiteral("N_capitulo"))));
                QVERIFY2(chapter->recordCount() == 1, qPrintable(what + QStringLiteral(": no chapter name")));
            }
        }

        // The buttons: every action of the map, each on black on every map, lit pictures
        // that differ from the map at rest.
        QSet<int> actions;
        QRect navButton;
        auto buttons = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 1 and objeto = 5"));
        for (; !buttons->isEof(); buttons->moveNext()) {
            const int accion = int(buttons->number(QStringLiteral("accion")));
            actions.insert(accion);
            const QImage lit(out + fromCourse(buttons->text(QStringLiteral("bitmapactivable"))));
            QVERIFY2(!lit.isNull(), qPrintable(QStringLiteral("button %1 has no lit picture").arg(accion)));
            const QRect rect(int(buttons->number(QStringLiteral("X"))), int(buttons->number(QStringLiteral("Y"))), lit.width(), lit.height());
            if (accion == 14)
                navButton = rect;
            for (qsizetype i = 0; i < maps.size(); ++i) {
                QVERIFY(QRect(0, 0, 640, 480).contains(rect));
                QCOMPARE(boxOf(masks.at(i).copy(rect), 0).size(), rect.size());
                QVERIFY(lit != maps.at(i).copy(rect).convertToFormat(lit.format()));
            }
            if (accion == 55)
                QCOMPARE(QImage(out + fromCourse(buttons->text(QStringLiteral("bitmapgrande")))).size(), QSize(640, 480));
        }
        QCOMPARE(actions, (QSet<int> { 2, 3, 4, 14, 15, 16, 17, 23, 24, 55 }));

        // The navigation box touches the navigation button, and the list lies inside the box.
        auto box = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 1 and objeto = 17"));
        QCOMPARE(box->recordCount(), 1);
        const QImage boxPicture(out + fromCourse(box->text(QStringLiteral("bitmapreposo"))));
        const QRect boxRect(int(box->number(QStringLiteral("X"))), int(box->number(QStringLiteral("Y"))), boxPicture.width(), boxPicture.height());
        QVERIFY(!boxPicture.isNull());
        QCOMPARE(boxRect.bottom() + 1, navButton.top());
        QVERIFY(boxRect.left() <= navButton.right() && navButton.left() <= boxRect.right());
        auto list = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 1 and objeto = 8"));
        QCOMPARE(list->recordCount(), 1);
        QVERIFY(QRect(QPoint(0, 0), boxRect.size()).contains(QRect(int(list->number(QStringLiteral("X"))), int(list->number(QStringLiteral("Y"))), int(list->number(QStringLiteral("ancho"))), 20)));
    }

    // The card screens' rows against the pictures media-cards.txt draws, and every file
    // a card names.
    void demoCardRowsAgreeWithPictures()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, QStringLiteral("media-cards.txt"));
        const QString files = QStringLiteral(TAMSEL_SOURCE_DIR "/course/demo/files/");
        const auto exists = [&](const QString& name) { return QFileInfo::exists(out + fromCourse(name)) || QFileInfo::exists(files + fromCourse(name)); };
        const QRect stage(0, 0, 640, 428); // above the bar
        const QMap<int, QSet<int>> actions {
            { 5, { 2, 3, 4, 15, 16, 17, 20, 21, 22, 23 } },
            { 6, { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16, 17, 18, 19, 23 } },
            { 7, { 2, 3, 4, 15, 16, 17, 18, 19, 23 } },
        };
        for (auto screen = actions.begin(); screen != actions.end(); ++screen) {
            const QString what = QStringLiteral("screen %1").arg(screen.key());
            auto rows = db->openRecordset(QStringLiteral("select * from pantalla where codigo = %1 order by objeto").arg(screen.key()));
            QImage background;
            QList<QRect> placed; // the list, the text, its strip and the picture: none over another or a button
            QSet<int> seen;
            QMap<int, int> kinds;
            for (; !rows->isEof(); rows->moveNext()) {
                const int kind = int(rows->number(QStringLiteral("objeto")));
                ++kinds[kind];
                const QPoint at(int(rows->number(QStringLiteral("X"))), int(rows->number(QStringLiteral("Y"))));
                const QSize size(int(rows->number(QStringLiteral("ancho"))), int(rows->number(QStringLiteral("alto"))));
                if (kind == 0) {
                    background = QImage(out + fromCourse(rows->text(QStringLiteral("bitmapreposo"))));
                    QCOMPARE(background.size(), QSize(640, 480));
                } else if (kind == 2) {
                    // Its help: a card and a spoken explanation, both made.
                    for (const char* field : { "bitmapreposo", "bitmapactivable" })
                        QVERIFY2(exists(rows->text(QLatin1String(field))), qPrintable(what + QStringLiteral(": no help ") + rows->text(QLatin1String(field))));
                } else if (kind == 5) {
                    const QImage lit(out + fromCourse(rows->text(QStringLiteral("bitmapactivable"))));
                    QVERIFY2(!lit.isNull(), qPrintable(what + QStringLiteral(": no picture ") + rows->text(QStringLiteral("bitmapactivable"))));
                    const QRect rect(at, lit.size());
                    QVERIFY(QRect(0, 0, 640, 480).contains(rect));
                    // The lit look stands over its own button at rest, not over the sky.
                    QVERIFY2(lit.convertToFormat(QImage::Format_RGB32) != background.copy(rect).convertToFormat(QImage::Format_RGB32),
                        qPrintable(what + QStringLiteral(": button %1 not lit").arg(rows->number(QStringLiteral("accion")))));
                    for (const QRect& other : std::as_const(placed))
                        QVERIFY2(!other.intersects(rect), qPrintable(what + QStringLiteral(": button %1 overlaps").arg(rows->number(QStringLiteral("accion")))));
                    placed << rect;
                    seen.insert(int(rows->number(QStringLiteral("accion"))));
                } else if (kind == 6 || kind == 10 || kind == 14 || kind == 11) {
                    const QRect rect = kind == 11 ? QRect(at, QImage(out + fromCourse(rows->text(QStringLiteral("bitmapreposo")))).size()) : QRect(at, size);
                    QVERIFY2(!rect.isEmpty() && stage.contains(rect), qPrintable(what + QStringLiteral(": objeto %1 off the stage").arg(kind)));
                    for (const QRect& other : std::as_const(placed))
                        QVERIFY2(!other.intersects(rect), qPrintable(what + QStringLiteral(": objeto %1 overlaps").arg(kind)));
                    placed << rect;
                }
            }
            QCOMPARE(seen, screen.value());
            QCOMPARE(kinds.value(2), 1);
            QCOMPARE(kinds.value(6), 1);
            QCOMPARE(kinds.value(14), 1);
            QCOMPARE(kinds.value(4), 1);
            QCOMPARE(kinds.value(10), screen.key() == 5 ? 0 : 1);
            QCOMPARE(kinds.value(11), screen.key() == 5 ? 0 : 1);
        }

        // Picture cards: each lesson of kind 5 has some, each picture is there.
        auto cards = db->openRecordset(QStringLiteral("select f.*, l.tipo from fichas f join lecciones l on l.N_leccion = f.N_leccion"));
        QVERIFY(cards->recordCount() >= 2);
        for (; !cards->isEof(); cards->moveNext()) {
            QCOMPARE(int(cards->number(QStringLiteral("tipo"))), 5);
            QVERIFY2(!QImage(out + fromCourse(cards->text(QStringLiteral("bitmap_ficha")))).isNull(), qPrintable(cards->text(QStringLiteral("bitmap_ficha"))));
        }

        // Information and photo-text cards: inline text, an RTF file and a plain-text file,
        // one with a sound and its pictures; every photograph.
        QSet<QString> forms;
        auto info = db->openRecordset(QStringLiteral("informacion"));
        for (; !info->isEof(); info->moveNext()) {
            const QString name = info->text(QStringLiteral("nombre_epigrafe"));
            if (info->value(QStringLiteral("texto_epigrafe")).isNull()) {
                const QString file = info->text(QStringLiteral("fichero_epigrafe"));
                QVERIFY2(exists(file), qPrintable(name + QStringLiteral(": no ") + file));
                forms.insert(QFileInfo(fromCourse(file)).suffix().toLower());
            } else {
                forms.insert(QStringLiteral("inline"));
            }
            QVERIFY2(!QImage(out + fromCourse(info->text(QStringLiteral("bitmap_epigrafe")))).isNull(), qPrintable(name));
            // The information screen's picture comes from the card's sequence alone, and its
            // background frames a picture: every card has one, one a second with a sound.
            auto pictures = db->openRecordset(QStringLiteral("select c.ficheroimagen from wavcarrusel w join carrusel c on c.codigoimagen = w.codigoimagen where w.codigo = %1")
                                                  .arg(info->number(QStringLiteral("cod_wav_epigrafe"))));
            QVERIFY2(pictures->recordCount() >= 1, qPrintable(name + QStringLiteral(": no picture on the information screen")));
            if (const QString sound = info->text(QStringLiteral("nombre_fichero1")); !sound.isEmpty()) {
                QVERIFY2(exists(sound), qPrintable(name + QStringLiteral(": no ") + sound));
                forms.insert(QStringLiteral("sound"));
                QVERIFY2(pictures->recordCount() >= 2, qPrintable(name + QStringLiteral(": no timed pictures")));
            }
            for (; !pictures->isEof(); pictures->moveNext())
                QVERIFY(!QImage(out + fromCourse(pictures->text(QStringLiteral("ficheroimagen")))).isNull());
        }
        QCOMPARE(forms, (QSet<QString> { QStringLiteral("inline"), QStringLiteral("rtf"), QStringLiteral("txt"), QStringLiteral("sound") }));
        // The glossary's captions speak the learner's language: its title and its columns.
        auto captions = db->openRecordset(QStringLiteral("select bitmapreposo from pantalla where codigo = 8 and objeto = 20 order by identificativo"));
        QStringList names;
        for (; !captions->isEof(); captions->moveNext())
            names << captions->text(QStringLiteral("bitmapreposo"));
        QCOMPARE(names, (QStringList { QStringLiteral("Glosario"), QStringLiteral("Español"), QStringLiteral("Inglés") }));
        auto printed = db->openRecordset(QStringLiteral("select f.fichero_epigrafe, l.tipo from ficha_fototextual f join lecciones l on l.N_leccion = f.n_leccion"));
        QVERIFY(printed->recordCount() > 0);
        for (; !printed->isEof(); printed->moveNext()) {
            QCOMPARE(int(printed->number(QStringLiteral("tipo"))), 7);
            QVERIFY2(exists(printed->text(QStringLiteral("fichero_epigrafe"))), qPrintable(printed->text(QStringLiteral("fichero_epigrafe"))));
        }
    }

    // The explorer's rows against the pictures media-explorer.txt draws (tst_coursetree
    // builds the demo's whole tree).
    void demoExplorerRowsAgreeWithPictures()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, QStringLiteral("media-explorer.txt"));
        const auto rectOf = [](const Recordset& row, const QSize& size) {
            return QRect(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), size.width(), size.height());
        };
        const auto sizeOf = [](const Recordset& row) { return QSize(int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto")))); };

        auto window = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 and objeto = 1"));
        QCOMPARE(window->recordCount(), 1);
        const QImage background(out + fromCourse(window->text(QStringLiteral("bitmapreposo"))));
        QCOMPARE(background.size(), sizeOf(*window));
        const QRect inside(QPoint(0, 0), background.size());

        // The close button and its lit look: the same place and size, the rest look cut
        // from the window, the lit one different.
        auto buttons = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 and objeto = 5"));
        QCOMPARE(buttons->recordCount(), 2);
        const QImage rest(out + fromCourse(buttons->text(QStringLiteral("bitmapactivable"))));
        const QRect close = rectOf(*buttons, rest.size());
        buttons->moveNext();
        const QImage lit(out + fromCourse(buttons->text(QStringLiteral("bitmapactivable"))));
        QCOMPARE(rectOf(*buttons, lit.size()), close);
        QVERIFY(inside.contains(close));
        QCOMPARE(rest.convertToFormat(QImage::Format_RGB32), background.copy(close).convertToFormat(QImage::Format_RGB32));
        QVERIFY(lit.convertToFormat(QImage::Format_RGB32) != rest.convertToFormat(QImage::Format_RGB32));

        // The tree lies in the window's white well, clear of the button and the title.
        auto tree = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 and objeto = 16"));
        QCOMPARE(tree->recordCount(), 1);
        const QRect treeRect = rectOf(*tree, sizeOf(*tree));
        QVERIFY(inside.contains(treeRect));
        QVERIFY(!treeRect.intersects(close));
        for (const QPoint corner : { treeRect.topLeft(), treeRect.bottomRight() })
            QCOMPARE(background.pixel(corner) & 0xffffff, 0xffffffu);
        QCOMPARE(tree->text(QStringLiteral("Font")), QStringLiteral("DejaVu Sans"));
        auto title = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 and objeto = 20"));
        QCOMPARE(title->recordCount(), 1);
        const QRect titleRect = rectOf(*title, sizeOf(*title));
        QVERIFY(inside.contains(titleRect));
        QVERIFY(!titleRect.intersects(close) && !titleRect.intersects(treeRect));
        QVERIFY(!title->text(QStringLiteral("bitmapreposo")).isEmpty());
        QCOMPARE(title->text(QStringLiteral("bitmapactivo")).size(), 9);

        // Icons: the tree's two and one per lesson kind below a map, small and all different.
        QList<QImage> icons { QImage(out + fromCourse(tree->text(QStringLiteral("bitmapreposo")))),
            QImage(out + fromCourse(tree->text(QStringLiteral("bitmapactivable")))) };
        QSet<int> kindsWithIcon;
        auto kindIcons = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 and objeto = 12"));
        for (; !kindIcons->isEof(); kindIcons->moveNext()) {
            kindsWithIcon.insert(kindIcons->text(QStringLiteral("bitmapactivable")).toInt());
            icons << QImage(out + fromCourse(kindIcons->text(QStringLiteral("bitmapreposo"))));
        }
        for (qsizetype i = 0; i < icons.size(); ++i) {
            QCOMPARE(icons.at(i).size(), QSize(16, 16));
            for (qsizetype j = 0; j < i; ++j)
                QVERIFY2(icons.at(i) != icons.at(j), qPrintable(QStringLiteral("icons %1 and %2 are the same").arg(j).arg(i)));
        }
        auto kinds = db->openRecordset(QStringLiteral("select distinct tipo from lecciones where N_leccion_viene <> 0 and tipo <> 1"));
        for (; !kinds->isEof(); kinds->moveNext())
            QVERIFY2(kindsWithIcon.contains(int(kinds->number(QStringLiteral("tipo")))), qPrintable(QStringLiteral("no icon for lesson kind %1").arg(kinds->number(QStringLiteral("tipo")))));
    }

    // The test's rows against the pictures media-test.txt draws, its questions, its spoken
    // files, and the way to it from the home map.
    void demoTestRowsAgreeWithPictures()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, QStringLiteral("media-test.txt"));
        const auto picture = [&](const Recordset& row, const char* field) { return QImage(out + fromCourse(row.text(QLatin1String(field)))); };
        const auto rectOf = [](const Recordset& row, const QSize& size) {
            return QRect(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), size.width(), size.height());
        };

        auto background = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 14 and objeto = 0"));
        QCOMPARE(background->recordCount(), 1);
        const QImage screen = picture(*background, "bitmapreposo").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.size(), QSize(640, 480));
        auto panel = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 14 and objeto = 27"));
        QCOMPARE(panel->recordCount(), 1);
        const QImage panelPicture = picture(*panel, "bitmapreposo").convertToFormat(QImage::Format_RGB32);
        QVERIFY(!panelPicture.isNull());
        auto marker = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 14 and objeto = 31"));
        QCOMPARE(marker->recordCount(), 1);
        QCOMPARE(picture(*marker, "bitmapreposo").size(), QSize(44, 44));

        // Buttons: lit looks that differ from what lies under them at rest, pressed looks of
        // the same size; the answer buttons 1 to 4 answer, the result button is role 6.
        QSet<int> actions;
        QSet<int> panelActions;
        QList<QRect> buttonRects;
        QRect menu;
        auto buttons = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 14 and objeto = 5"));
        for (; !buttons->isEof(); buttons->moveNext()) {
            const int accion = int(buttons->number(QStringLiteral("accion")));
            const int role = int(buttons->number(QStringLiteral("identificativo")));
            const QImage lit = picture(*buttons, "bitmapactivable").convertToFormat(QImage::Format_RGB32);
            const QString what = QStringLiteral("button %1 (role %2)").arg(accion).arg(role);
            QVERIFY2(!lit.isNull(), qPrintable(what));
            const QRect rect = rectOf(*buttons, lit.size());
            const QImage& ground = role == 5 ? panelPicture : screen;
            QVERIFY2(ground.rect().contains(rect), qPrintable(what));
            QVERIFY2(lit != ground.copy(rect), qPrintable(what + QStringLiteral(": lit as at rest")));
            if (role == 5) {
                panelActions.insert(accion);
                continue;
            }
            actions.insert(accion);
            buttonRects << rect;
            QCOMPARE(picture(*buttons, "bitmapactivo").size(), lit.size());
            if (role >= 1 && role <= 4)
                QCOMPARE(accion, 34);
            if (accion == 34)
                QVERIFY(role >= 1 && role <= 4);
            QCOMPARE(role == 6, accion == 40);
            if (accion == 37)
                menu = rect;
        }
        QCOMPARE(actions, (QSet<int> { 15, 28, 34, 35, 36, 37, 40, 41, 42, 43, 44, 45 }));
        QCOMPARE(panelActions, (QSet<int> { 38, 39 }));
        // The panel opens under its button and stays on the screen.
        QVERIFY(QRect(0, 0, 640, 480).contains(QRect(menu.bottomLeft() + QPoint(0, 1), panelPicture.size())));

        // Labels: each role once, on the screen, clear of every button.
        QSet<int> roles;
        auto labels = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 14 and objeto = 9"));
        for (; !labels->isEof(); labels->moveNext()) {
            const int role = int(labels->number(QStringLiteral("identificativo")));
            QVERIFY(!roles.contains(role));
            roles.insert(role);
            const QRect rect = rectOf(*labels, QSize(int(labels->number(QStringLiteral("ancho"))), int(labels->number(QStringLiteral("alto")))));
            QVERIFY(QRect(0, 0, 640, 480).contains(rect));
            for (const QRect& button : buttonRects)
                QVERIFY2(!rect.intersects(button), qPrintable(QStringLiteral("label %1 lies on a button").arg(role)));
        }
        QCOMPARE(roles, (QSet<int> { 1, 2, 3, 4, 5, 6, 7 }));

        // Ten questions with texts; one right answer among the three texts each, but for
        // one that earns nothing at all. The fourth button is never right: its points are
        // not in the maximum, and a run without a mistake must score exactly 100 %.
        auto questions = db->openRecordset(QStringLiteral("select * from test where n_leccion = 1500"));
        QCOMPARE(questions->recordCount(), 10);
        int nothing = 0;
        qlonglong best = 0;
        qlonglong maximum = 0;
        for (; !questions->isEof(); questions->moveNext()) {
            for (const char* field : { "textopregunta", "textorespuesta1", "textorespuesta2", "textorespuesta3" })
                QVERIFY(!questions->text(QLatin1String(field)).trimmed().isEmpty());
            int right = 0;
            qlonglong top = 0;
            for (int k = 1; k <= 4; ++k) {
                const qlonglong points = questions->number(QStringLiteral("puntuacionrespuesta%1").arg(k));
                right += k <= 3 && points > 0;
                top = std::max(top, points);
                if (k <= 3)
                    maximum += points;
            }
            best += top;
            QVERIFY(right <= 1);
            QCOMPARE(questions->number(QStringLiteral("puntuacionrespuesta4")), 0);
            if (right == 0)
                ++nothing;
        }
        QCOMPARE(nothing, 1);
        QCOMPARE(best, maximum);

        // Lesson 1500 is a test whose two spoken files the media make, and the first lesson
        // of a chapter that has a region on its map.
        auto lesson = db->openRecordset(QStringLiteral("select * from lecciones where n_leccion = 1500"));
        QCOMPARE(lesson->recordCount(), 1);
        QCOMPARE(lesson->number(QStringLiteral("tipo")), 14);
        for (const char* field : { "nombre_fichero1", "nombre_fichero2" })
            QVERIFY2(MediaRecipes::isPcmWave(out + fromCourse(lesson->text(QLatin1String(field)))), qPrintable(lesson->text(QLatin1String(field))));
        const qlonglong map = lesson->number(QStringLiteral("N_leccion_viene"));
        const qlonglong chapter = lesson->number(QStringLiteral("N_capitulo_viene"));
        auto region = db->openRecordset(QStringLiteral("select * from mapa_sensible where N_leccion = %1 and N_capitulo = %2").arg(map).arg(chapter));
        QCOMPARE(region->recordCount(), 1);
        auto first = db->openRecordset(
            QStringLiteral("select * from lecciones where n_leccion_viene = %1 and n_capitulo_viene = %2 order by n_leccion").arg(map).arg(chapter));
        QCOMPARE(first->number(QStringLiteral("N_leccion")), 1500);
        auto sounds = db->openRecordset(QStringLiteral("select * from sonidospantalla where codigopantalla = 14"));
        QCOMPARE(sounds->recordCount(), 1);
    }

    // A button drawn at rest keeps a blank inside its border (a caption too wide for one line
    // wraps), and its caption takes the size given beside it over buttonfont=.
    void buttonCaptionsStayInsideTheirBorder_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("inkHeight"); // at least, in pixels
        QTest::newRow("wraps") << "2,2,34,40,Otra vez" << 12;
        QTest::newRow("one word") << "2,2,34,40,Prueba" << 5;
        QTest::newRow("one word, too wide") << "2,2,34,40,Grabar,9" << 5;
        QTest::newRow("its own size") << "2,2,110,26,Ver frases,10" << 8;
    }

    void buttonCaptionsStayInsideTheirBorder()
    {
        QFETCH(QString, button);
        QFETCH(int, inkHeight);
        QTemporaryDir dir;
        const QString recipe = QStringLiteral("picture b.bmp size=120x46 fill=#23405a buttonfont=7 buttons=\"%1\"\n").arg(button);
        writeFile(dir.filePath(QStringLiteral("src/media.txt")), recipe);
        MediaRecipes(dir.filePath(QStringLiteral("src")), dir.filePath(QStringLiteral("out"))).run(dir.filePath(QStringLiteral("src/media.txt")));
        const QImage image(dir.filePath(QStringLiteral("out/b.bmp")));
        const QStringList parts = button.split(QLatin1Char(','));
        const QRect rect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
        const QColor face(232, 220, 192);
        const auto ink = [&](int x, int y) { return qGray(image.pixel(x, y)) < qGray(face.rgb()) - 60; };
        // The columns and rows just inside the border (its rounded corners left out) hold no ink.
        for (int y = rect.top() + 5; y < rect.bottom() - 4; ++y) {
            for (const int x : { rect.left() + 1, rect.left() + 2, rect.right() - 2, rect.right() - 1 })
                QVERIFY2(!ink(x, y), qPrintable(QStringLiteral("ink at %1, %2").arg(x).arg(y)));
        }
        int top = rect.bottom();
        int bottom = rect.top();
        for (int y = rect.top() + 2; y < rect.bottom() - 1; ++y) {
            for (int x = rect.left() + 2; x < rect.right() - 1; ++x) {
                if (ink(x, y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        QVERIFY2(bottom - top + 1 >= inkHeight, qPrintable(QString::number(bottom - top + 1)));
    }

    void windowRecipeRefusesBadInput_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown glyph") << "icon i.ico glyph=tortuga" << "unknown icon glyph 'tortuga'";
        QTest::newRow("icon too large") << "icon i.ico glyph=mapa size=200" << "icon size 200";
        QTest::newRow("button outside") << "window w.bmp size=100x100 well=10,30,80,60 close=90,2,20,20 button=b.bmp lit=l.bmp" << "must lie inside";
        QTest::newRow("button on the well") << "window w.bmp size=100x100 well=10,10,80,80 close=70,12,20,20 button=b.bmp lit=l.bmp" << "lies on the well";
        QTest::newRow("no lit picture") << "window w.bmp size=100x100 well=10,30,80,60 close=70,2,20,20 button=b.bmp" << "needs lit=";
    }
    void windowRecipeRefusesBadInput()
    {
        QFETCH(QString, recipe);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("src/media.txt")), recipe + QLatin1Char('\n'));
        try {
            MediaRecipes(dir.filePath(QStringLiteral("src")), dir.filePath(QStringLiteral("out"))).run(dir.filePath(QStringLiteral("src/media.txt")));
            QFAIL("the recipe was accepted");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
            QVERIFY2(error.message().contains(QStringLiteral("media.txt:1")), qPrintable(error.message()));
        }
    }

    // The conversation screen's rows name pictures that exist, its buttons lie on the
    // places its background draws them with their captions whole, and every phrase row
    // starts where its speech does.
    void demoConversationRowsAgreeWithTheirMedia()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, QStringLiteral("media-videolearning.txt"));

        const QImage background(out + QStringLiteral("fondos/conversacion.bmp"));
        QCOMPARE(background.size(), QSize(640, 480));
        const QRgb fill = background.pixel(2, 2);
        auto rows = db->openRecordset(QStringLiteral("select * from pantalla where codigo = 12"));
        int buttons = 0;
        for (; !rows->isEof(); rows->moveNext()) {
            const qlonglong kind = rows->number(QStringLiteral("objeto"));
            // Kinds 9, 21 and 22 hold colours, not pictures; 2 names a sound beside its picture.
            if (kind == 9 || kind == 21 || kind == 22 || kind == 3)
                continue;
            for (const char* column : { "bitmapreposo", "bitmapactivable", "bitmapactivo" }) {
                const QString name = rows->text(QString::fromLatin1(column)).trimmed();
                if (!name.isEmpty())
                    QVERIFY2(QFile::exists(out + fromCourse(name)), qPrintable(name));
            }
            if (kind != 5 || rows->number(QStringLiteral("accion")) == 36)
                continue;
            ++buttons;
            const QImage lit(out + fromCourse(rows->text(QStringLiteral("bitmapactivable"))));
            const QImage rest(out + fromCourse(rows->text(QStringLiteral("bitmapactivo"))));
            QCOMPARE(lit.size(), rest.size());
            // Its caption whole at the stage's own size: no letter reaches the picture's edge.
            for (const QImage& picture : { lit, rest }) {
                for (int y = 0; y < picture.height(); ++y) {
                    for (int x : { 0, picture.width() - 1 })
                        QVERIFY2(qGray(picture.pixel(x, y)) > 128, qPrintable(QStringLiteral("caption of accion %1 cut at its edge").arg(rows->number(QStringLiteral("accion")))));
                }
            }
            const QRect place(int(rows->number(QStringLiteral("X"))), int(rows->number(QStringLiteral("Y"))), lit.width(), lit.height());
            QVERIFY2(background.rect().contains(place), qPrintable(rows->text(QStringLiteral("bitmapactivable"))));
            QVERIFY2(background.pixel(place.center()) != fill, qPrintable(QStringLiteral("no button drawn under accion %1").arg(rows->number(QStringLiteral("accion")))));
        }
        QVERIFY(buttons >= 20);

        auto lessons = db->openRecordset(QStringLiteral("select * from lecciones where tipo = 12 order by N_leccion"));
        QCOMPARE(lessons->recordCount(), 2);
        for (; !lessons->isEof(); lessons->moveNext()) {
            const QString video = out + fromCourse(lessons->text(QStringLiteral("nombre_fichero1")));
            QVERIFY2(QFile::exists(video), qPrintable(video));
            const QString track = dir.filePath(QStringLiteral("track.wav"));
            QFile::remove(track);
            MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), video, QStringLiteral("-vn"), track });
            auto phrases = db->openRecordset(
                QStringLiteral("select * from video_apren where n_leccion = %1 order by mseg").arg(lessons->number(QStringLiteral("N_leccion"))));
            QVERIFY(phrases->recordCount() >= 5);
            for (; !phrases->isEof(); phrases->moveNext()) {
                const double start = phrases->number(QStringLiteral("mseg")) / 1000.0;
                QVERIFY2(rmsOf(track, start - 0.25, 0.2) < 0.003, qPrintable(QStringLiteral("speech before %1 s").arg(start)));
                QVERIFY2(rmsOf(track, start, 0.4) > 0.01, qPrintable(QStringLiteral("no speech at %1 s").arg(start)));
            }
        }
    }

    void videoLastsAsLongAsItsSpeech()
    {
        QTemporaryDir dir;
        const QStringList lines { QStringLiteral("Good morning, everybody."), QStringLiteral("My name is Anna, and I live in Madrid.") };
        writeFile(dir.filePath(QStringLiteral("src/media.txt")),
            QStringLiteral("video video/prueba.avi size=160x120 style=speaker name=\"Anna\" lines=\"%1\"\n").arg(lines.join(QLatin1Char('|'))));
        MediaRecipes(dir.filePath(QStringLiteral("src")), dir.filePath(QStringLiteral("out"))).run(dir.filePath(QStringLiteral("src/media.txt")));
        const QString video = dir.filePath(QStringLiteral("out/video/prueba.avi"));

        // The sentences as espeak-ng speaks them, measured here on their own.
        double spoken = 0;
        for (const QString& line : lines) {
            const QString wav = dir.filePath(QStringLiteral("alone.wav"));
            MediaRecipes::runTool(QStringLiteral("espeak-ng"), { QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"), QStringLiteral("145"), QStringLiteral("-w"), wav, line });
            spoken += VideoRecipe::soundLength(wav);
        }
        const QString stream = MediaRecipes::runTool(QStringLiteral("ffprobe"), { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
            QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name,width,height,duration"), QStringLiteral("-of"), QStringLiteral("default=nw=1"), video });
        QVERIFY2(stream.contains(QStringLiteral("codec_name=mpeg4")), qPrintable(stream));
        QVERIFY2(stream.contains(QStringLiteral("width=160")) && stream.contains(QStringLiteral("height=120")), qPrintable(stream));
        const double pictures = stream.section(QStringLiteral("duration="), 1, 1).section(QLatin1Char('\n'), 0, 0).toDouble();

        const QString track = dir.filePath(QStringLiteral("track.wav"));
        MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), video, QStringLiteral("-vn"), track });
        const double sound = VideoRecipe::soundLength(track);
        QVERIFY2(qAbs(pictures - sound) < 0.5, qPrintable(QStringLiteral("pictures %1 s, sound %2 s").arg(pictures).arg(sound)));
        // The track holds all of the speech, with no more than short pauses around it.
        QVERIFY2(sound >= spoken && sound < spoken + 3.0, qPrintable(QStringLiteral("sound %1 s for %2 s of speech").arg(sound).arg(spoken)));
    }
    // A help card's miniature shows its screen as the learner sees it: the background with
    // what the screen's rows lay on it, not the background alone.
    void helpMiniaturesShowTheirScreen_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<int>("screen");
        QTest::newRow("picture cards") << QStringLiteral("media-cards.txt") << 5;
        QTest::newRow("information cards") << QStringLiteral("media-cards.txt") << 6;
        QTest::newRow("photo cards") << QStringLiteral("media-cards.txt") << 7;
        QTest::newRow("video") << QStringLiteral("media-lessons.txt") << 3;
        QTest::newRow("carousel") << QStringLiteral("media-lessons.txt") << 4;
        QTest::newRow("conversation") << QStringLiteral("media-videolearning.txt") << 12;
    }

    void helpMiniaturesShowTheirScreen()
    {
        QFETCH(QString, media);
        QFETCH(int, screen);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("course/"));
        auto db = buildDemo(out, media);
        auto rows = db->openRecordset(QStringLiteral("select objeto, bitmapreposo from pantalla where codigo = %1 and objeto in (0, 2) order by objeto").arg(screen));
        QVERIFY(!rows->isEof());
        const QImage background = QImage(out + fromCourse(rows->text(QStringLiteral("bitmapreposo")))).convertToFormat(QImage::Format_RGB32);
        rows->moveNext();
        QVERIFY(!rows->isEof());
        const QImage help = QImage(out + fromCourse(rows->text(QStringLiteral("bitmapreposo")))).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(background.size(), QSize(640, 480));
        QCOMPARE(help.size(), QSize(560, 400));

        // The miniature's place on the card, and the background alone at that size.
        const QRect frame(25, 79, 238, 178); // inside its drawn border
        const QImage alone = background.scaled(240, 180, Qt::KeepAspectRatio, Qt::SmoothTransformation).copy(1, 1, 238, 178);
        const QImage shown = help.copy(frame);
        int changed = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor a = shown.pixelColor(x, y);
                const QColor b = alone.pixelColor(x, y);
                changed += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) > 60;
            }
        // The background itself is there too: most of the picture is not changed.
        const int area = shown.width() * shown.height();
        QVERIFY2(changed > area / 20, qPrintable(QStringLiteral("screen %1: only %2 of %3 pixels differ from its background").arg(screen).arg(changed).arg(area)));
        QVERIFY2(changed < area * 9 / 10, qPrintable(QStringLiteral("screen %1: %2 of %3 pixels differ from its background").arg(screen).arg(changed).arg(area)));
    }
    // The rows a miniature is drawn from: comments dropped, quoted commas and dashes kept,
    // null as empty, each statement with its own columns.
    void screenRowsAreReadFromTheSql()
    {
        const QList<QHash<QString, QString>> rows = ScreenMiniature::parseRows(QStringLiteral(
            "-- a comment with (1, 2)\n"
            "insert into pantalla (codigo, objeto, bitmapreposo) values\n"
            "  (3, 0, 'fondos\\a,b--c.bmp'), -- the background\n"
            "  (3, 9, null);\n"
            "insert into otra (x) values (7);\n"
            "insert into pantalla (codigo, X) values (4, 12);"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).value(QStringLiteral("bitmapreposo")), QStringLiteral("fondos\\a,b--c.bmp"));
        QCOMPARE(rows.at(1).value(QStringLiteral("objeto")), QStringLiteral("9"));
        QVERIFY(rows.at(1).value(QStringLiteral("bitmapreposo")).isEmpty());
        QCOMPARE(rows.at(2).value(QStringLiteral("x")), QStringLiteral("12"));
    }
};

QTEST_MAIN(DemoMediaTest)
#include "tst_demo_media.moc"
