// The learner's own videos on the conversation screen and in the explorer, on a fixture
// course with videos and subtitle files made by ffmpeg at test time: the chapter "Mis
// vídeos" in both trees, a lesson of his studied as a course lesson, its video fitted into
// the screen's area, adding and removing from the screen, a video that has moved.
#include "AddVideoFlow.h"
#include "ComponentLibrary.h"
#include "ConversationSetUp.h"
#include "CourseTree.h"
#include "Database.h"
#include "ExplorerScreen.h"
#include "MediaRecipes.h"
#include "MessageWindow.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "OwnLessons.h"
#include "OwnVideos.h"
#include "PictureSurface.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "StudyAids.h"
#include "StudyController.h"
#include "StudyStrip.h"
#include "SubtitlesBeside.h"
#include "TakeStore.h"
#include "VideoFit.h"
#include "VideoLearningScreen.h"
#include "VideoPlayer.h"
#include "VisitedLessons.h"
#include "VoiceRecording.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <functional>

namespace {

// One course conversation (20) in chapter 11; the video area is 240 x 180 at the lesson's
// (20, 30); the explorer (screen 10) lists every kind with its icon.
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, nombre_fichero2, N_leccion_viene, N_capitulo_viene, X, Y, presentacion) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 'mascara.bmp', 0, 0, null, null, 0),"
    "  (20, 'En el café', 12, 'video\\cafe.mp4', null, 1, 11, 20, 30, 0);"
    "insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, 11, 'Conversaciones');"
    "insert into video_apren (n_leccion, mseg, frase_en, frase_sp) values (20, 500, 'Good morning', 'Buenos días');"
    "insert into glosesp (id_esp, termino) values (1, 'casa');"
    "insert into glosing (id_ing, termino) values (1, 'house');"
    "insert into glosario (id_esp, id_ing) values (1, 1);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont, colorfont) values"
    "  (1, 0, 0, 0, 0, 0, 0, null, null, null, 0, null, null, 0),"
    "  (10, 1, 0, 0, 0, 300, 400, null, null, null, 0, null, null, 0),"
    "  (10, 12, 0, 0, 0, 0, 0, 'k12.bmp', '12', null, 0, null, null, 0),"
    "  (10, 16, 0, 10, 30, 280, 360, 'x1.bmp', 'v2.bmp', null, 0, 'DejaVu Sans', 9, 0),"
    "  (12, 0, 1, 0, 0, 0, 0, 'fondo.bmp', null, null, 0, null, null, 0),"
    "  (12, 3, 0, 0, 0, 240, 180, null, null, null, 0, null, null, 0),"
    "  (12, 9, 1, 20, 300, 300, 40, null, null, '255255200', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 2, 20, 350, 300, 40, null, null, '200255255', 0, 'DejaVu Sans', 12, 0),"
    "  (12, 9, 3, 20, 5, 400, 20, null, null, null, 0, 'DejaVu Sans', 12, 0),"
    "  (12, 16, 0, 400, 30, 220, 250, 'x1.bmp', 'v2.bmp', 'v3.bmp', 0, 'DejaVu Sans', 9, 0),"
    "  (12, 21, 0, 400, 30, 220, 250, null, null, null, 0, 'DejaVu Sans', 10, 0),"
    "  (12, 22, 0, 400, 30, 100, 24, null, null, '255255255', 0, 'DejaVu Sans', 10, 0);"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapactivable, bitmapactivo, accion) values"
    "  (12, 5, 0, 4, 440, 'b.bmp', 'a.bmp', 5), (12, 5, 0, 40, 440, 'b.bmp', 'a.bmp', 15), (12, 5, 0, 76, 440, 'b.bmp', 'a.bmp', 33),"
    "  (12, 5, 0, 112, 440, 'b.bmp', 'a.bmp', 35);"
    "insert into sonidospantalla values (12, 0, null, null, null), (1, 0, null, null, null);");

constexpr int openTimeoutMs = 15000;
const QRect videoArea(20, 30, 240, 180);

/// A short H.264/AAC film of SIZE with a 700 Hz tone, made by ffmpeg.
void makeFilm(const QString& path, const QSize& size, int seconds = 3)
{
    MediaRecipes::runTool(QStringLiteral("ffmpeg"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("color=c=0x2060C0:size=%1x%2:rate=25:duration=%3").arg(size.width()).arg(size.height()).arg(seconds),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=700:sample_rate=44100:duration=%1").arg(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-shortest"), path });
}

void writeText(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

const QString englishCues = QStringLiteral(
    "1\n00:00:00,500 --> 00:00:01,100\nGood evening\n\n"
    "2\n00:00:01,200 --> 00:00:02,400\nThis phrase is far too long to be listed whole in the list\n\n"
    "3\n00:00:02,600 --> 00:00:02,900\nThe end\n");
const QString spanishCues = QStringLiteral(
    "1\n00:00:00,500 --> 00:00:01,100\nBuenas noches\n\n"
    "2\n00:00:01,200 --> 00:00:02,400\nEsta frase es larga\n\n"
    "3\n00:00:02,600 --> 00:00:02,900\nFin\n");

} // namespace

class OwnVideoScreenTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    VideoLearningScreen* m_screen = nullptr;
    QString m_films; ///< the learner's own folder of films, outside the course

    Shell& shell() { return *m_harness->shell; }
    ModuleState& state() { return m_harness->state; }

    /// A film NAME in the learner's folder, with the English and (WITH_SPANISH) the Spanish
    /// subtitles beside it under the usual names.
    QString film(const QString& name, const QSize& size = QSize(160, 120), bool withSpanish = true)
    {
        const QString path = m_films + QLatin1Char('/') + name + QStringLiteral(".mp4");
        makeFilm(path, size);
        writeText(m_films + QLatin1Char('/') + name + QStringLiteral(".en.srt"), englishCues);
        if (withSpanish)
            writeText(m_films + QLatin1Char('/') + name + QStringLiteral(".es.srt"), spanishCues);
        return path;
    }

    /// Adds VIDEO with the store's own API; its lesson number.
    qint16 add(const QString& video)
    {
        OwnLessons::Request request;
        request.video = video;
        const OwnLessons::Added added = OwnLessons(state().UserFolder).add(request);
        if (!added.lesson)
            qWarning() << added.error << added.detail;
        return added.lesson ? added.lesson->number : 0;
    }

    void openLesson(qint16 lesson)
    {
        state().CurrentLesson = lesson;
        shell().showScreen(m_screen);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened && m_screen->videocont->isVisible(), openTimeoutMs);
    }

    QTreeWidgetItem* node(CourseTree& tree, QChar letter, int number) const { return tree.node(CourseTree::nodeKey(letter, number)); }

    void clickNode(CourseTree& tree, QTreeWidgetItem* item)
    {
        QVERIFY(item);
        tree.scrollToItem(item);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    }

    /// Runs WORK on the next modal window of type T as soon as it is open (from inside its
    /// own event loop, as the learner's hand would).
    template<typename T>
    void onNextModal(std::function<void(T*)> work)
    {
        auto* poll = new QTimer(m_harness->host.get());
        poll->setInterval(20);
        connect(poll, &QTimer::timeout, poll, [poll, work] {
            auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            work(window);
        });
        poll->start();
    }

    /// The next file dialog picks PATH (empty: it is cancelled).
    void pickInNextDialog(const QString& path)
    {
        onNextModal<QFileDialog>([path](QFileDialog* dialog) {
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            // The file's name typed in its folder, as the learner does (selectFile() waits
            // for the folder to be read).
            dialog->setDirectory(QFileInfo(path).absolutePath());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QFileInfo(path).fileName());
            QCOMPARE(dialog->selectedFiles(), QStringList { path });
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        });
    }

    QStringList ownvideoOps() const
    {
        QStringList ops;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("ownvideo")))
            ops << e.value(QStringLiteral("op")).toString();
        return ops;
    }

    QStringList listed() const
    {
        QStringList texts;
        for (int i = 0; i < m_screen->conversacion->count(); ++i)
            texts << m_screen->conversacion->item(i)->text();
        return texts;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        QDir(m_course->folder()).mkpath(QStringLiteral("video"));
        makeFilm(m_course->folder() + QStringLiteral("/video/cafe.mp4"), QSize(240, 180));
        m_course->addMinimalMap();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        for (const char* name : { "b.bmp", "a.bmp", "x1.bmp", "v2.bmp", "v3.bmp", "k12.bmp" })
            m_course->addPicture(QString::fromLatin1(name), QSize(16, 16), Qt::gray);
    }

    void init()
    {
        m_harness = std::make_unique<ShellHarness>(*m_course);
        // The learner folder, as start-up makes it: where the learner database lies.
        state().UserFolder = QFileInfo(m_course->learnerDatabase()).absolutePath() + QLatin1Char('/');
        // A learner with no lessons of his own yet.
        QFile::remove(QDir(state().UserFolder).filePath(OwnLessons::FileName));
        m_films = m_course->path(QStringLiteral("Mis películas"));
        QDir(m_films).removeRecursively();
        QDir().mkpath(m_films);
        m_screen = conversationScreenOfANewLearner(*m_harness, QStringLiteral(ROLDA_LIBRARY));
        QVERIFY(m_screen);
    }

    void cleanup() { m_harness.reset(); }

    // Both trees list the learner's videos under "Mis vídeos", a chapter of the root, once
    // he has one; as conversation lessons, with the screen's icons.
    void bothTreesListMyVideos_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("lessons");
        QTest::newRow("conversation, none") << "frmva" << 0;
        QTest::newRow("conversation, two") << "frmva" << 2;
        QTest::newRow("explorer, none") << "frmexp" << 0;
        QTest::newRow("explorer, two") << "frmexp" << 2;
    }

    void bothTreesListMyVideos()
    {
        QFETCH(QString, window);
        QFETCH(int, lessons);
        QList<qint16> numbers;
        for (int i = 0; i < lessons; ++i)
            numbers << add(film(QStringLiteral("película %1").arg(i)));
        QVERIFY(!numbers.contains(0));
        if (lessons)
            QVERIFY(VisitedLessons(learnerStore(state()), m_harness->trace).MarkLessonVisited(numbers.first()) == false);
        const bool explorer = window == QLatin1String("frmexp");
        state().CurrentLesson = 20;
        CourseTree* tree = nullptr;
        if (explorer) {
            shell().showScreen(m_screen);
            QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened, openTimeoutMs);
            shell().navigator().OpenExplorer();
            auto* screen = qobject_cast<ExplorerScreen*>(shell().existingWindow(QStringLiteral("frmexp")));
            QTRY_VERIFY(screen && screen->isVisible());
            tree = screen->arbol;
        } else {
            openLesson(20);
            tree = m_screen->arbol;
        }
        QTreeWidgetItem* chapter = node(*tree, QLatin1Char('C'), OwnLessons::ChapterNumber);
        QCOMPARE(chapter != nullptr, lessons > 0);
        if (!chapter)
            return;
        QCOMPARE(CourseTree::key(chapter), QStringLiteral("C 30000"));
        QCOMPARE(chapter->text(0), QStringLiteral("Mis vídeos"));
        QCOMPARE(CourseTree::key(chapter->parent()), QStringLiteral("R 1"));
        QCOMPARE(chapter->childCount(), lessons);
        for (int i = 0; i < lessons; ++i) {
            QTreeWidgetItem* item = chapter->child(i);
            QCOMPARE(CourseTree::key(item), CourseTree::nodeKey(QLatin1Char('N'), numbers[i]));
            QCOMPARE(item->text(0), QStringLiteral("película %1").arg(i));
            const QString icon = explorer ? QStringLiteral("I12") : i == 0 ? CourseTree::SecondIcon : CourseTree::UnvisitedIcon;
            QCOMPARE(CourseTree::nodeIcon(item), icon);
        }
        if (!explorer) // one lesson unvisited: the chapter is not complete
            QCOMPARE(CourseTree::nodeIcon(chapter), CourseTree::ThirdIcon);
    }

    // A lesson of the learner's is studied as a course lesson: its title, its phrases
    // listed by the course's rule, both subtitles (an empty language leaves its box empty),
    // a jump by key, its visit registered, its takes kept under its number.
    void anOwnLessonIsStudiedAsACourseLesson_data()
    {
        QTest::addColumn<bool>("withSpanish");
        QTest::newRow("both languages") << true;
        QTest::newRow("English only") << false;
    }

    void anOwnLessonIsStudiedAsACourseLesson()
    {
        QFETCH(bool, withSpanish);
        const qint16 lesson = add(film(QStringLiteral("Mi película"), QSize(160, 120), withSpanish));
        QVERIFY(OwnLessons::isOwnLesson(lesson));
        openLesson(lesson);
        QCOMPARE(m_screen->lbltit->text(), QStringLiteral("Mi película"));
        QCOMPARE(listed(), (QStringList { QStringLiteral("Good evening"), QStringLiteral("This phrase is far t..."), QStringLiteral("The end") }));
        QCOMPARE(int(m_screen->Phrases.front().mseg), 500);
        QVERIFY(!m_screen->HasIntro);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Right);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Right);
        QCOMPARE(int(m_screen->CurrentPhrase), 1);
        QCOMPARE(m_screen->e1[0]->toPlainText(), QStringLiteral("This phrase is far too long to be listed whole in the list"));
        QCOMPARE(m_screen->e1[1]->toPlainText(), withSpanish ? QStringLiteral("Esta frase es larga") : QString());
        // Registered as a course lesson is, and ticked in the tree.
        QVERIFY(VisitedLessons(learnerStore(state()), m_harness->trace).IsLessonVisited(lesson));
        QCOMPARE(CourseTree::nodeIcon(node(*m_screen->arbol, QLatin1Char('N'), lesson)), CourseTree::SecondIcon);
        QCOMPARE(m_screen->arbol->currentItem(), node(*m_screen->arbol, QLatin1Char('N'), lesson));
        // The shadowing's takes go under the lesson's number.
        QCOMPARE(m_screen->study->aids().takes().newTakePath(lesson, 500).section(QLatin1Char('/'), -2, -2),
            QStringLiteral("leccion-%1").arg(lesson));
    }

    // A learner's film of any size and shape fills as much of the course's video area as
    // its shape lets it, and never more.
    void theVideoIsFittedIntoItsArea_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("small, same shape") << QSize(160, 120) << QRect(20, 30, 240, 180);
        QTest::newRow("wide") << QSize(1280, 720) << QRect(20, 52, 240, 135);
        QTest::newRow("upright") << QSize(120, 160) << QRect(72, 30, 135, 180);
    }

    void theVideoIsFittedIntoItsArea()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, expected);
        QCOMPARE(VideoFit::fit(picture, videoArea), expected);
        // Unknown sizes take the area; no size ever grows beyond it.
        QCOMPARE(VideoFit::fit(QSize(0, 0), videoArea), videoArea);
        QVERIFY(videoArea.contains(VideoFit::fit(QSize(32767, 1), videoArea)));

        const qint16 lesson = add(film(QStringLiteral("forma"), picture));
        openLesson(lesson);
        QCOMPARE(m_screen->videocont->geometry(), expected);
        QCOMPARE(m_screen->video->size(), expected.size());
        // A course lesson after it is at its own size and place again.
        state().CurrentLesson = 20;
        m_screen->playLesson(20);
        QTRY_VERIFY_WITH_TIMEOUT(m_screen->videocont->isVisible() && m_screen->video->naturalWidth() == 240, openTimeoutMs);
        QTRY_COMPARE(m_screen->videocont->geometry(), QRect(20, 30, 240, 179));
    }

    // A video that is not where it was kept is told by name; the learner looks for it,
    // removes the lesson, or leaves it, and the screen stays usable.
    void aMovedVideoIsToldByName_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("looks for it") << "Buscarlo…";
        QTest::newRow("removes the lesson") << "Quitar la lección";
        QTest::newRow("leaves it") << "Cerrar";
    }

    void aMovedVideoIsToldByName()
    {
        QFETCH(QString, choice);
        const QString path = film(QStringLiteral("se movió"));
        const qint16 lesson = add(path);
        const QString moved = m_films + QStringLiteral("/otra carpeta/se movió.mp4");
        QVERIFY(QDir().mkpath(QFileInfo(moved).absolutePath()));
        QVERIFY(QFile::rename(path, moved));

        m_harness->answerNextQuestion(choice);
        if (choice == QStringLiteral("Buscarlo…"))
            pickInNextDialog(moved);
        if (choice == QStringLiteral("Quitar la lección"))
            QTimer::singleShot(400, this, [this] { m_harness->answerNextQuestion(QStringLiteral("Sí")); });
        state().CurrentLesson = lesson;
        shell().showScreen(m_screen);
        QTRY_VERIFY_WITH_TIMEOUT(ownvideoOps().contains(QStringLiteral("missing")), openTimeoutMs);
        QCOMPARE(m_harness->events(QStringLiteral("ownvideo")).constFirst().value(QStringLiteral("op")).toString(), QStringLiteral("missing"));
        QCOMPARE(m_harness->events(QStringLiteral("ownvideo")).constFirst().value(QStringLiteral("video")).toString(), path);
        if (choice != QStringLiteral("Quitar la lección")) {
            QCOMPARE(m_harness->askedText.section(QLatin1Char('\n'), 0, 0), QStringLiteral("No se encuentra el vídeo «%1».").arg(path));
            QCOMPARE(m_harness->askedDefault, QStringLiteral("Cerrar"));
        }
        if (choice == QStringLiteral("Buscarlo…")) {
            QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened && m_screen->video->fileName() == moved, openTimeoutMs);
            QCOMPARE(OwnLessons(state().UserFolder).lesson(lesson)->video, moved);
            QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        } else if (choice == QStringLiteral("Quitar la lección")) {
            QTRY_VERIFY_WITH_TIMEOUT(ownvideoOps().contains(QStringLiteral("remove")), 5000);
            QVERIFY(!OwnLessons(state().UserFolder).lesson(lesson));
            // The screen goes on with the course's conversation; the film itself stays.
            QTRY_COMPARE(int(state().CurrentLesson), 20);
            QTRY_VERIFY(!node(*m_screen->arbol, QLatin1Char('C'), OwnLessons::ChapterNumber));
            QVERIFY(QFile::exists(moved));
        } else {
            QTest::qWait(200);
            QCOMPARE(int(state().CurrentLesson), int(lesson));
            QVERIFY(m_screen->video->fileName().isEmpty());
            // Not seen without its video.
            QVERIFY(!VisitedLessons(learnerStore(state()), m_harness->trace).IsLessonVisited(lesson));
            QCOMPARE(CourseTree::nodeIcon(node(*m_screen->arbol, QLatin1Char('N'), lesson)), CourseTree::UnvisitedIcon);
            // The tree still leads elsewhere.
            clickNode(*m_screen->arbol, node(*m_screen->arbol, QLatin1Char('N'), 20));
            QTRY_VERIFY_WITH_TIMEOUT(m_screen->VideoOpened && state().CurrentLesson == 20 && m_screen->videocont->isVisible(), openTimeoutMs);
        }
    }

    // A relative path in a store made by hand names no file of the learner's: the video is
    // missing, never one of the folder the player was started from.
    void aRelativeVideoPathIsAMissingVideo()
    {
        const QString path = film(QStringLiteral("relativo"));
        const qint16 lesson = add(path);
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_films));
        Database::open(OwnLessons(state().UserFolder).databaseFile(), ShareMode::Shared, AccessMode::ReadWrite, QString())
            ->execute(QStringLiteral("update lessons set video = 'relativo.mp4'"));
        m_harness->answerNextQuestion(QStringLiteral("Cerrar"));
        state().CurrentLesson = lesson;
        shell().showScreen(m_screen);
        QTRY_VERIFY_WITH_TIMEOUT(ownvideoOps().contains(QStringLiteral("missing")), openTimeoutMs);
        QDir::setCurrent(before);
        QVERIFY(m_screen->video->fileName().isEmpty());
        QCOMPARE(m_harness->askedText.section(QLatin1Char('\n'), 0, 0), QStringLiteral("No se encuentra el vídeo «relativo.mp4»."));
    }

    // A video deleted while its lesson is on show is told as a moved one is, at its next use.
    void aVideoDeletedWhileOnShowIsToldByName()
    {
        const QString path = film(QStringLiteral("se borra"));
        const qint16 lesson = add(path);
        openLesson(lesson);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
        QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
        QVERIFY(QFile::remove(path));
        m_harness->answerNextQuestion(QStringLiteral("Cerrar"));
        QTest::keyClick(m_screen->Picture1, Qt::Key_Right);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(ownvideoOps().contains(QStringLiteral("missing")), openTimeoutMs);
        QCOMPARE(m_harness->askedText.section(QLatin1Char('\n'), 0, 0), QStringLiteral("No se encuentra el vídeo «%1».").arg(path));
        QVERIFY(m_harness->events(QStringLiteral("message")).isEmpty());
        QCOMPARE(int(state().CurrentLesson), int(lesson));
    }

    // A lesson removed elsewhere (the command line) while on show is noticed at its next use:
    // the learner is told, nothing is kept for it, and the course's conversation takes its place.
    void aLessonRemovedElsewhereIsNoticedAtItsNextUse_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("play") << int(Qt::Key_Space);
        QTest::newRow("phrase jump") << int(Qt::Key_Right);
        QTest::newRow("take") << int(Qt::Key_R);
        QTest::newRow("shadowing") << int(Qt::Key_H);
    }

    void aLessonRemovedElsewhereIsNoticedAtItsNextUse()
    {
        QFETCH(int, key);
        const qint16 lesson = add(film(QStringLiteral("se quita fuera")));
        openLesson(lesson);
        QVERIFY(OwnLessons(state().UserFolder).remove(lesson));
        QString told;
        onNextModal<MessageWindow>([&told](MessageWindow* window) {
            told = window->textLabel()->text();
            window->acceptButton()->click();
        });
        QTest::keyClick(m_screen->Picture1, Qt::Key(key));
        QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 5000);
        QCOMPARE(told, QStringLiteral("Esta lección ya no está en Mis vídeos: se ha quitado fuera de este programa."));
        QTRY_VERIFY_WITH_TIMEOUT(state().CurrentLesson == 20 && m_screen->VideoOpened, openTimeoutMs);
        QVERIFY(!node(*m_screen->arbol, QLatin1Char('C'), OwnLessons::ChapterNumber));
        QVERIFY(!m_screen->voice->isRecording());
        QVERIFY(!QDir(TakeStore(state().UserFolder).root()).exists(QStringLiteral("leccion-%1").arg(lesson)));
        // The tree still leads to the course's lessons.
        clickNode(*m_screen->arbol, node(*m_screen->arbol, QLatin1Char('N'), 20));
        QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
    }

    // Adding from the screen: the file dialog, the question for a language without a file
    // beside the film, the adding on a worker while the window answers, then the lesson in
    // the tree, selected, and playing.
    void addingFromTheScreen_data()
    {
        QTest::addColumn<bool>("spanishBeside");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("spanishShown");
        QTest::newRow("both beside") << true << QString() << "Buenas noches";
        QTest::newRow("no Spanish, goes without") << false << "No" << "";
        QTest::newRow("no Spanish, picks one") << false << "Sí" << "Buenas noches";
    }

    void addingFromTheScreen()
    {
        QFETCH(bool, spanishBeside);
        QFETCH(QString, answer);
        QFETCH(QString, spanishShown);
        const QString video = film(QStringLiteral("nueva"), QSize(160, 120), spanishBeside);
        const QString elsewhere = m_films + QStringLiteral("/traducción.srt");
        writeText(elsewhere, spanishCues);
        QCOMPARE(SubtitlesBeside::find(video, SubtitlesBeside::Language::Spanish).isEmpty(), !spanishBeside);
        openLesson(20);

        pickInNextDialog(video);
        if (!answer.isEmpty()) {
            m_harness->answerNextQuestion(answer);
            if (answer == QStringLiteral("Sí"))
                QTimer::singleShot(300, this, [this, elsewhere] { pickInNextDialog(elsewhere); });
        }
        // From the strip's entry, as the learner's pointer does.
        StudyStrip* strip = m_screen->study->strip();
        QVERIFY(strip && strip->isVisible());
        const std::vector<int> actions = strip->actions();
        const auto entry = std::find(actions.cbegin(), actions.cend(), OwnVideos::AddVideoAction);
        QVERIFY(entry != actions.cend());
        QTest::mouseClick(strip, Qt::LeftButton, {}, strip->buttonRect(int(entry - actions.cbegin())).center());

        QTRY_VERIFY_WITH_TIMEOUT(ownvideoOps().contains(QStringLiteral("added")), openTimeoutMs);
        if (answer.isEmpty())
            QVERIFY(m_harness->askedText.isEmpty());
        else
            QVERIFY(m_harness->askedText.contains(QStringLiteral("subtítulos en español")));
        const qint16 lesson = qint16(m_harness->events(QStringLiteral("ownvideo")).last().value(QStringLiteral("lesson")).toInt());
        QVERIFY(OwnLessons::isOwnLesson(lesson));
        QTRY_VERIFY_WITH_TIMEOUT(state().CurrentLesson == lesson && m_screen->VideoOpened && m_screen->video->fileName() == video, openTimeoutMs);
        QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        QCOMPARE(m_screen->arbol->currentItem(), node(*m_screen->arbol, QLatin1Char('N'), lesson));
        QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Home);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Right);
        QCOMPARE(m_screen->e1[0]->toPlainText(), QStringLiteral("Good evening"));
        QCOMPARE(m_screen->e1[1]->toPlainText(), spanishShown);
    }

    // A file that is no video: the learner is told, by the file's name, and nothing is
    // added; the window went on answering while the worker tried.
    void aBadVideoIsToldByNameAndNothingIsAdded()
    {
        const QString bad = m_films + QStringLiteral("/no es un vídeo.mp4");
        writeText(bad, QStringLiteral("nothing to see here\n"));
        openLesson(20);
        QString told;
        onNextModal<MessageWindow>([&told](MessageWindow* window) {
            told = window->textLabel()->text();
            window->acceptButton()->click();
        });
        int ticks = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, this, [&ticks] { ++ticks; });
        heartbeat.start(10);
        OwnLessons::Request request;
        request.video = bad;
        QVERIFY(m_screen->own->flow().run(request));
        QVERIFY(m_screen->findChild<QFrame*>(QStringLiteral("ownVideoSign"))->isVisible());
        QVERIFY(!m_screen->own->flow().run(request)); // one adding at a time
        QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), openTimeoutMs);
        QVERIFY2(told.contains(QStringLiteral("no es un vídeo.mp4")), qPrintable(told));
        QVERIFY(ticks > 0);
        QVERIFY(ownvideoOps().contains(QStringLiteral("add-failed")));
        QVERIFY(OwnLessons(state().UserFolder).lessons().isEmpty());
        QCOMPARE(int(state().CurrentLesson), 20);
        QVERIFY(!node(*m_screen->arbol, QLatin1Char('C'), OwnLessons::ChapterNumber));
    }

    // Removing asks first ("No" the default); it takes the rows and the takes, never the files.
    void removingAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("yes") << "Sí";
        QTest::newRow("no") << "No";
    }

    void removingAsksFirst()
    {
        QFETCH(QString, answer);
        const QString video = film(QStringLiteral("para quitar"));
        const qint16 lesson = add(video);
        openLesson(lesson);
        const QString take = m_screen->study->aids().takes().newTakePath(lesson, 500);
        QVERIFY(QDir().mkpath(QFileInfo(take).absolutePath()));
        writeText(take, QStringLiteral("RIFF"));
        m_harness->answerNextQuestion(answer);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Q);
        QTRY_VERIFY(!m_harness->askedText.isEmpty());
        QCOMPARE(m_harness->askedDefault, QStringLiteral("No"));
        QVERIFY(m_harness->askedText.contains(QStringLiteral("para quitar")));
        const bool removed = answer == QStringLiteral("Sí");
        if (removed)
            QTRY_COMPARE(int(state().CurrentLesson), 20);
        else
            QTest::qWait(200);
        QCOMPARE(OwnLessons(state().UserFolder).lesson(lesson).has_value(), !removed);
        QCOMPARE(QFile::exists(take), !removed);
        QVERIFY(QFile::exists(video));
        QVERIFY(QFile::exists(m_films + QStringLiteral("/para quitar.en.srt")));
        QCOMPARE(node(*m_screen->arbol, QLatin1Char('N'), lesson) != nullptr, !removed);
    }

    // The video waits under a modal question or dialog, and runs on as it was once it closes.
    void theVideoWaitsUnderAModalWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("running");
        QTest::newRow("removing's question, running") << int(Qt::Key_Q) << true;
        QTest::newRow("adding's dialog, running") << int(Qt::Key_A) << true;
        QTest::newRow("adding's dialog, paused") << int(Qt::Key_A) << false;
    }

    void theVideoWaitsUnderAModalWindow()
    {
        QFETCH(int, key);
        QFETCH(bool, running);
        const qint16 lesson = add(film(QStringLiteral("espera"), QSize(160, 120), true));
        openLesson(lesson);
        QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
        QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Running));
        if (!running) {
            QTest::keyClick(m_screen->Picture1, Qt::Key_Space);
            QTRY_COMPARE(m_screen->video->currentState(), int(VideoPlayer::Paused));
        }
        int stateUnder = -1;
        double positionUnder = -1;
        onNextModal<QDialog>([this, &stateUnder, &positionUnder](QDialog* dialog) {
            stateUnder = m_screen->video->currentState();
            positionUnder = m_screen->video->position();
            QTest::qWait(400);
            // Held where it paused, not running on unseen.
            if (std::abs(m_screen->video->position() - positionUnder) > 0.05)
                stateUnder = -2;
            dialog->reject();
        });
        QTest::keyClick(m_screen->Picture1, Qt::Key(key));
        QTRY_VERIFY_WITH_TIMEOUT(stateUnder != -1, 5000);
        QCOMPARE(stateUnder, int(VideoPlayer::Paused));
        QTRY_COMPARE(m_screen->video->currentState(), int(running ? VideoPlayer::Running : VideoPlayer::Paused));
        QCOMPARE(int(state().CurrentLesson), int(lesson));
        QVERIFY(OwnLessons(state().UserFolder).lesson(lesson));
    }

    // The explorer opens a lesson of the learner's on the conversation screen, as a
    // conversation lesson of no course table.
    void theExplorerOpensAnOwnLesson()
    {
        const qint16 lesson = add(film(QStringLiteral("desde el explorador")));
        openLesson(20);
        shell().navigator().OpenExplorer();
        auto* explorer = qobject_cast<ExplorerScreen*>(shell().existingWindow(QStringLiteral("frmexp")));
        QTRY_VERIFY(explorer && explorer->isVisible());
        QTreeWidgetItem* item = node(*explorer->arbol, QLatin1Char('N'), lesson);
        QVERIFY(item);
        explorer->arbol->expandAll();
        clickNode(*explorer->arbol, item);
        QTRY_VERIFY_WITH_TIMEOUT(state().CurrentLesson == lesson && m_screen->VideoOpened && m_screen->video->fileName().endsWith(QStringLiteral("desde el explorador.mp4")),
            openTimeoutMs);
        QCOMPARE(int(state().CurrentTipo), 12);
        QCOMPARE(m_screen->lbltit->text(), QStringLiteral("desde el explorador"));
    }
};

QTEST_MAIN(OwnVideoScreenTest)
#include "tst_ownvideoscreen.moc"
