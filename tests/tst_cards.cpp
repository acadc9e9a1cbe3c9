#include "FrameButton.h"
#include "HelpOverlay.h"
#include "Imprimir.h"
#include "InfoCardScreen.h"
#include "PictureCardScreen.h"
#include "PictureList.h"
#include "PhotoCardScreen.h"
#include "PictureSurface.h"
#include "PrintDialog.h"
#include "PrintJob.h"
#include "Recordset.h"
#include "RichTextBox.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"
#include "CourseError.h"
#include "SoundChannels.h"
#include "MediaPlayer.h"
#include "Navigator.h"

#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QtTest>

namespace {

// Lesson 20: information cards (screen 6). Lesson 21: picture cards (screen 5), three.
// Lesson 22: picture cards, none. Lesson 23: photo-text cards (screen 7).
const QString rows = QStringLiteral(
    "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene, codigo_wav) values"
    "  (1, 'Mapa', 1, 'mapa.bmp', 0, 0, null), (20, 'Fichas', 6, null, 1, 11, null),"
    "  (21, 'Dibujos', 5, null, 1, 11, null), (22, 'Sin dibujos', 5, null, 1, 11, null),"
    "  (23, 'Fotos', 7, null, 1, 11, null);"
    "insert into informacion (nombre_epigrafe, texto_epigrafe, fichero_epigrafe, nombre_fichero1, cod_wav_epigrafe, bitmap_epigrafe) values"
    "  ('Saludos', 'Hello means hola.', null, 'voz.wav', 8, 'f\\uno.bmp'),"
    "  ('Formato', null, 'fichas\\formato.rtf', null, 0, 'f\\grande.bmp'),"
    "  ('Largo', null, 'fichas\\largo.txt', null, 0, null),"
    "  ('Perdido', null, 'fichas\\falta.rtf', 'voz.wav', 7, null);"
    "insert into carrusel (codigoimagen, ficheroimagen) values (1, 'f\\uno.bmp'), (2, 'f\\dos.bmp'), (3, 'f\\tres.bmp');"
    "insert into wavcarrusel (codigo, codigoimagen, segundo) values (7, 1, 0), (7, 2, 300), (8, 3, 0);"
    "insert into ficha_fototextual (n_leccion, fichero_epigrafe) values (23, 'fichas\\formato.rtf'), (23, 'fichas\\falta.rtf'), (23, 'fichas\\largo.txt');"
    "insert into fichas (N_leccion, cod_ficha, nombre_ficha, bitmap_ficha) values"
    "  (21, 2, 'Dos', 'f\\dos.bmp'), (21, 1, 'Uno', 'f\\uno.bmp'), (21, 3, 'Tres', 'f\\tres.bmp');"
    "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, bitmapactivable, accion, ancho, alto, colorfont, Font, tamanofont, bitmapactivo) values"
    "  (6, 0, 1, 0, 0, 'fondo.bmp', null, 0, 0, 0, 0, null, 0, null),"
    "  (6, 6, 0, 10, 60, null, null, 0, 150, 200, 0, 'DejaVu Sans', 10, null),"
    "  (6, 9, 0, 100, 8, null, null, 0, 440, 28, 0, 'DejaVu Sans', 12, null),"
    "  (6, 10, 0, 180, 60, null, null, 0, 300, 200, 0, 'DejaVu Sans', 12, '255255255'),"
    "  (6, 11, 0, 490, 60, 'barra.bmp', 'cuadro.bmp', 0, 0, 0, 0, null, 0, null),"
    "  (6, 14, 0, 180, 300, null, null, 0, 100, 100, 0, null, 0, null),"
    "  (6, 5, 0, 500, 430, null, 'b.bmp', 18, 0, 0, 0, null, 0, null), (6, 5, 0, 540, 430, null, 'b.bmp', 19, 0, 0, 0, null, 0, null),"
    "  (6, 5, 0, 580, 430, null, 'b.bmp', 17, 0, 0, 0, null, 0, null), (6, 5, 0, 420, 430, null, 'b.bmp', 16, 0, 0, 0, null, 0, null),"
    "  (6, 5, 0, 380, 430, null, 'b.bmp', 5, 0, 0, 0, null, 0, null), (6, 5, 0, 340, 430, null, 'b.bmp', 23, 0, 0, 0, null, 0, null),"
    "  (6, 2, 0, 20, 20, 'fondo.bmp', 'click.wav', 0, 0, 0, 0, null, 0, null),"
    "  (7, 0, 1, 0, 0, 'fondo.bmp', null, 0, 0, 0, 0, null, 0, null),"
    "  (7, 6, 0, 10, 60, null, null, 0, 150, 200, 0, 'DejaVu Sans', 10, null),"
    "  (7, 10, 0, 180, 60, null, null, 0, 300, 200, 0, 'DejaVu Sans', 12, '200220240'),"
    "  (7, 11, 0, 490, 60, 'barra.bmp', 'cuadro.bmp', 0, 0, 0, 0, null, 0, null),"
    "  (7, 14, 0, 180, 270, null, null, 0, 10, 10, 0, null, 0, null),"
    "  (7, 5, 0, 500, 430, null, 'b.bmp', 18, 0, 0, 0, null, 0, null), (7, 5, 0, 420, 430, null, 'b.bmp', 16, 0, 0, 0, null, 0, null),"
    "  (5, 0, 1, 0, 0, 'fondo.bmp', null, 0, 0, 0, 0, null, 0, null),"
    "  (5, 6, 0, 10, 60, null, null, 0, 150, 200, 0, 'DejaVu Sans', 10, '255255255'),"
    "  (5, 14, 0, 200, 60, null, null, 0, 100, 100, 0, null, 0, null),"
    "  (5, 5, 0, 500, 430, null, 'b.bmp', 20, 0, 0, 0, null, 0, null), (5, 5, 0, 540, 430, null, 'b.bmp', 21, 0, 0, 0, null, 0, null),"
    "  (5, 5, 0, 580, 430, null, 'b.bmp', 22, 0, 0, 0, null, 0, null), (5, 5, 0, 420, 430, null, 'b.bmp', 17, 0, 0, 0, null, 0, null),"
    "  (5, 5, 0, 460, 430, null, 'b.bmp', 16, 0, 0, 0, null, 0, null);"
    "insert into sonidospantalla values (6, 0, 'fondo.wav', 'click.wav', 'cambio.wav'), (5, 0, null, 'click.wav', 'cambio.wav'),"
    "  (7, 0, null, 'click.wav', 'cambio.wav');");

/// Closes the next modal window that opens (a message box or the message window).
void closeNextMessage()
{
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

/// Closes every modal window but the print dialog as soon as it opens, while it lives.
class MessageCloser : public QObject {
public:
    MessageCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && !qobject_cast<PrintDialog*>(modal))
                modal->close();
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

/// The fonts pdffonts finds in FILE.
QString fontsOf(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), { file });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("pdffonts failed on %s", qPrintable(file));
    return QString::fromUtf8(p.readAllStandardOutput());
}

/// pdftotext -bbox of FILE: each word with its box, in points.
struct Word {
    QString text;
    QRectF box;
    int page = 0;
};

QList<Word> wordsOf(const QString& file, int* pageCount, QSizeF* pageSize)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), file, QStringLiteral("-") });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("pdftotext failed on %s", qPrintable(file));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    QList<Word> words;
    int page = 0;
    static const QRegularExpression pageRe(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    static const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (const QString& line : html.split(QLatin1Char('\n'))) {
        if (auto m = pageRe.match(line); m.hasMatch()) {
            ++page;
            *pageSize = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
        } else if (auto w = wordRe.match(line); w.hasMatch()) {
            words.push_back({ w.captured(5), QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                                 QPointF(w.captured(3).toDouble(), w.captured(4).toDouble())), page });
        }
    }
    *pageCount = page;
    return words;
}

} // namespace

class CardsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    QTemporaryDir m_out;

    Shell& shell() { return *m_harness->shell; }

    InfoCardScreen* openInfo()
    {
        shell().state().CurrentLesson = 20;
        auto* screen = static_cast<InfoCardScreen*>(shell().window(QStringLiteral("frmcft")));
        shell().showScreen(screen);
        (void)QTest::qWaitFor([&] { return screen->lista() && screen->lista()->count() > 0; });
        return screen;
    }

    PictureCardScreen* openPictures(qint16 lesson)
    {
        shell().state().CurrentLesson = lesson;
        auto* screen = static_cast<PictureCardScreen*>(shell().window(QStringLiteral("frmbf")));
        shell().showScreen(screen);
        (void)QTest::qWaitFor([&] { return screen->isVisible() && screen->lista(); });
        QTest::qWait(50);
        return screen;
    }

    PhotoCardScreen* openPhotos()
    {
        shell().state().CurrentLesson = 23;
        auto* screen = static_cast<PhotoCardScreen*>(shell().window(QStringLiteral("frmft")));
        shell().showScreen(screen);
        (void)QTest::qWaitFor([&] { return screen->lista() && screen->lista()->count() > 0; });
        return screen;
    }

    /// A learner's press on entry INDEX of the card list.
    static void pressCard(CardScreen* screen, int index)
    {
        auto* view = screen->lista()->findChild<QListWidget*>();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(index)).center());
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(index)).center());
    }

    void clickButton(FramedScreen* screen, int accion)
    {
        QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(accion))], Qt::LeftButton);
    }

    /// Prints from the photo-text cards with the dialog's choice CHOICE.
    void printFromDialog(PhotoCardScreen* screen, const QString& choice)
    {
        bool chosen = false;
        QTimer::singleShot(0, [&chosen, choice] {
            auto* dialog = qobject_cast<PrintDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QRadioButton*>(choice)->setChecked(true);
            chosen = true;
            QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        });
        clickButton(screen, 16);
        QVERIFY(chosen);
    }

    /// The "print" events with op "end" in the trace.
    QList<QJsonObject> finishedJobs()
    {
        QList<QJsonObject> ends;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("print"))) {
            if (e.value(QStringLiteral("op")).toString() == QStringLiteral("end"))
                ends << e;
        }
        return ends;
    }

    static QString longText()
    {
        QStringList words;
        for (int i = 0; i < 2400; ++i)
            words << QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0'));
        return words.join(QLatin1Char(' '));
    }

private Q_SLOTS:
    void init()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        m_course->addPicture(QStringLiteral("b.bmp"), QSize(30, 30), Qt::yellow);
        m_course->addTone(QStringLiteral("click.wav"), 0.1, 880);
        m_course->addTone(QStringLiteral("cambio.wav"), 0.1, 440);
        m_course->addPicture(QStringLiteral("barra.bmp"), QSize(16, 200), Qt::gray);
        m_course->addPicture(QStringLiteral("cuadro.bmp"), QSize(16, 20), Qt::black);
        m_course->addPicture(QStringLiteral("f/uno.bmp"), QSize(80, 60), Qt::red);
        m_course->addPicture(QStringLiteral("f/dos.bmp"), QSize(80, 60), Qt::green);
        m_course->addPicture(QStringLiteral("f/tres.bmp"), QSize(80, 60), Qt::blue);
        m_course->addPicture(QStringLiteral("f/grande.bmp"), QSize(120, 90), Qt::magenta);
        m_course->addTone(QStringLiteral("fondo.wav"), 5, 330);
        m_course->addTone(QStringLiteral("voz.wav"), 0.6, 660);
        QDir(m_course->folder()).mkpath(QStringLiteral("fichas"));
        QFile rtf(m_course->folder() + QStringLiteral("/fichas/formato.rtf"));
        QVERIFY(rtf.open(QIODevice::WriteOnly));
        // The card opens in bold red 14 points: a look no other card may take on.
        rtf.write("{\\rtf1\\ansi{\\colortbl;\\red200\\green0\\blue0;}{\\b\\cf1\\fs28 Good} morning, se\\'f1or.\\par Buenos d\\'edas.}");
        rtf.close();
        QFile text(m_course->folder() + QStringLiteral("/fichas/largo.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(longText().toUtf8());
        text.close();
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
    }

    void cleanup()
    {
        m_harness.reset();
        m_course.reset();
    }

    // Printing: one page and several, margins and every word once, in order.
    void printsInsideTheMargins()
    {
        RichTextBox box;
        box.resize(300, 200);
        box.setText(longText());
        const QString file = m_out.filePath(QStringLiteral("largo.pdf"));
        {
            PrintJob job(shell(), QStringLiteral("Fichas - Largo"), file);
            QVERIFY(job.PrintRichText(box, 1440, 1440, 600, 500));
            const PrintJob::Outcome outcome = job.finish();
            QVERIFY2(outcome.ok, qPrintable(outcome.error));
            QVERIFY(outcome.pages >= 2);
        }
        int pages = 0;
        QSizeF size;
        const QList<Word> words = wordsOf(file, &pages, &size);
        QVERIFY(pages >= 2);
        QStringList seen;
        for (const Word& w : words) {
            seen << w.text;
            // 1 inch left and top, 600 twips right, 500 twips bottom (72 points an inch), within a point.
            QVERIFY2(w.box.left() >= 72 - 1 && w.box.top() >= 72 - 1, qPrintable(w.text));
            QVERIFY2(w.box.right() <= size.width() - 30 + 1 && w.box.bottom() <= size.height() - 25 + 1, qPrintable(w.text));
        }
        QCOMPARE(seen.join(QLatin1Char(' ')), longText());
        // Each following page starts with the first word not yet printed.
        for (int i = 1; i < words.size(); ++i) {
            if (words[i].page != words[i - 1].page)
                QCOMPARE(words[i].page, words[i - 1].page + 1);
        }
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void aFailingPrinterIsToldAndTheProgramGoesOn()
    {
        RichTextBox box;
        box.setText(QStringLiteral("Hello"));
        QString told;
        QTimer::singleShot(0, [&told] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                told = modal->findChild<QLabel*>()->text();
                modal->close();
            }
        });
        PrintJob job(shell(), QStringLiteral("x"), QStringLiteral("/proc/no/such/folder/x.pdf"));
        QVERIFY(!job.PrintRichText(box, 1440, 1440, 600, 500));
        QVERIFY(!job.finish().ok);
        QVERIFY2(told.startsWith(QStringLiteral("No se ha podido imprimir")), qPrintable(told));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The scroll strip.
    void thumbDrag_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("top");
        QTest::newRow("above the strip") << -500 << 0;
        QTest::newRow("below the strip") << 500 << 180;
        QTest::newRow("inside") << 50 << 45;
    }
    void thumbDrag()
    {
        QFETCH(int, y);
        QFETCH(int, top);
        ModuleState& state = shell().state();
        QWidget barra;
        barra.resize(16, 200);
        QWidget cuadro(&barra);
        cuadro.setGeometry(0, 0, 16, 20);
        Imprimir::ThumbPressed(state, Qt::LeftButton, 5);
        Imprimir::ThumbDragged(state, cuadro, barra, Qt::LeftButton, y);
        QCOMPARE(cuadro.y(), top);
    }

    void thumbWithoutLinesOrRoomStaysAtTheTop()
    {
        ModuleState& state = shell().state();
        RichTextBox box;
        QWidget barra;
        barra.resize(16, 20);
        QWidget cuadro(&barra);
        cuadro.setGeometry(0, 5, 16, 20);
        state.numlineas = 0;
        Imprimir::SyncThumbToText(state, box, cuadro, barra);
        QCOMPARE(cuadro.y(), 0);
        Imprimir::TextToThumb(state, box, barra, cuadro); // divides by nothing
        QCOMPARE(box.firstVisibleLine(), 0);
    }

    // The information cards.
    void infoCardsListAndShow()
    {
        InfoCardScreen* screen = openInfo();
        QCOMPARE(screen->lista()->count(), 4);
        QCOMPARE(screen->lista()->itemText(1), QStringLiteral("Formato"));
        QCOMPARE(screen->rtf->text(), QStringLiteral("Hello means hola."));
        QTextCursor at(screen->rtf->document());
        at.setPosition(1);
        QCOMPARE(at.charFormat().background().color(), QColor(Qt::white));
        QCOMPARE(at.charFormat().foreground().color(), QColor(Qt::black));
        screen->lista()->setListIndex(1);
        QCOMPARE(screen->rtf->text(), QStringLiteral("Good morning, señor.\nBuenos días."));
        QCOMPARE(shell().state().numlineas, screen->rtf->lineCount());
        screen->lista()->setListIndex(3); // the file is missing: an empty box, nothing stops
        QCOMPARE(screen->rtf->text(), QString());
    }

    void copyPutsOnlyThePlainText()
    {
        InfoCardScreen* screen = openInfo();
        screen->lista()->setListIndex(1);
        QString caption;
        QTimer::singleShot(0, [&caption] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                caption = modal->windowTitle();
                modal->close();
            }
        });
        QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(17))], Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Good morning, señor.\nBuenos días."));
        QCOMPARE(caption, QStringLiteral("tamsel")); // the program's name, not the window's
    }

    // A course whose card screen lacks its text box is told as a course error when the
    // screen loads, naming the screen and the row.
    void aTextCardScreenWithoutItsTextBox_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("number");
        QTest::newRow("information cards") << QStringLiteral("frmcft") << 6;
        QTest::newRow("photo-text cards") << QStringLiteral("frmft") << 7;
    }
    void aTextCardScreenWithoutItsTextBox()
    {
        QFETCH(QString, window);
        QFETCH(int, number);
        m_harness.reset();
        m_course = std::make_unique<FixtureCourse>(QStringLiteral(
            "insert into lecciones (N_leccion, nombre_leccion, tipo, nombre_fichero1, N_leccion_viene, N_capitulo_viene) values (1, 'Mapa', 1, 'mapa.bmp', 0, 0);"
            "insert into informacion (nombre_epigrafe, texto_epigrafe) values ('Saludos', 'Hello');"
            "insert into pantalla (codigo, objeto, identificativo, X, Y, bitmapreposo, ancho, alto, Font, tamanofont) values"
            "  (6, 0, 1, 0, 0, 'fondo.bmp', 0, 0, null, 0), (6, 6, 0, 10, 60, null, 150, 200, 'DejaVu Sans', 10),"
            "  (7, 0, 1, 0, 0, 'fondo.bmp', 0, 0, null, 0), (7, 6, 0, 10, 60, null, 150, 200, 'DejaVu Sans', 10);"));
        m_course->addHandCursor();
        m_course->addPicture(QStringLiteral("fondo.bmp"), QSize(640, 480), Qt::darkGray);
        m_harness = std::make_unique<ShellHarness>(*m_course);
        registerScreens(shell());
        QString error;
        try {
            shell().window(window)->ensureLoaded();
        } catch (const CourseError& e) {
            error = e.message();
        }
        QCOMPARE(error, QStringLiteral("pantalla: screen %1 has no text box (objeto 10)").arg(number));
    }

    void holdingAScrollButtonRepeatsAfterHalfASecond()
    {
        InfoCardScreen* screen = openInfo();
        screen->lista()->setListIndex(2);
        QVERIFY(shell().state().numlineas > 20);
        FrameButton* down = screen->Imagex[size_t(screen->buttonWithAction(18))];
        screen->Timer1->stop(); // the test ticks the clock itself
        QTest::mousePress(down, Qt::LeftButton);
        for (int tick = 0; tick < 5; ++tick)
            screen->CardTimer();
        QCOMPARE(screen->rtf->firstVisibleLine(), 0);
        screen->CardTimer();
        QCOMPARE(screen->rtf->firstVisibleLine(), 1);
        screen->CardTimer();
        QCOMPARE(screen->rtf->firstVisibleLine(), 2);
        QVERIFY(screen->cuadro->y() > 0);
        QTest::mouseRelease(down, Qt::LeftButton); // the click itself scrolls a line
        QCOMPARE(screen->rtf->firstVisibleLine(), 3);
        screen->CardTimer();
        QCOMPARE(screen->rtf->firstVisibleLine(), 3);
    }

    void scrollingAtTheEndMovesNothing()
    {
        InfoCardScreen* screen = openInfo();
        screen->lista()->setListIndex(1);
        const int top = screen->cuadro->y();
        QVERIFY(!screen->scrollText(-1));
        QCOMPARE(screen->cuadro->y(), top);
    }

    // The picture cards.
    void pictureCardsPreviousNextAndToggle()
    {
        PictureCardScreen* screen = openPictures(21);
        PictureList* lista = screen->lista();
        QCOMPARE(lista->count(), 3);
        QCOMPARE(lista->itemText(0), QStringLiteral("Uno"));
        QVERIFY(lista->isHidden());
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        auto click = [&](int accion) { QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(accion))], Qt::LeftButton); };
        click(20); // previous on the first: nothing
        QCOMPARE(lista->listIndex(), 0);
        click(21);
        click(21);
        QCOMPARE(lista->listIndex(), 2);
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
        click(21); // next on the last: nothing
        QCOMPARE(lista->listIndex(), 2);
        click(22);
        QVERIFY(lista->isVisible());
        // A learner's press lands on the list's view, never on the list widget under it.
        QTest::mousePress(lista->findChild<QListWidget*>()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QVERIFY(lista->isHidden());
        click(22);
        QVERIFY(lista->isVisible());
    }

    void copyingAPicturePutsABitmap()
    {
        PictureCardScreen* screen = openPictures(21);
        closeNextMessage();
        QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(17))], Qt::LeftButton);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(80, 60));
        QCOMPARE(copied.pixelColor(1, 1), QColor(Qt::red));
        QTRY_VERIFY(!screen->mensajeabierto()); // the activation after the message cleared it
    }

    void noPictureCards()
    {
        PictureCardScreen* screen = openPictures(22);
        QCOMPARE(screen->lista()->count(), 0);
        QVERIFY(screen->foto->pixmap().isNull());
        // Nothing to copy or print: nothing is done and nothing is said.
        QGuiApplication::clipboard()->setText(QStringLiteral("lo que había"));
        closeNextMessage();
        clickButton(screen, 17);
        clickButton(screen, 16);
        QTest::qWait(50);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("lo que había"));
        QVERIFY(m_harness->events(QStringLiteral("message")).isEmpty());
        QVERIFY(m_harness->events(QStringLiteral("print")).isEmpty());
    }

    // The card's picture fills its box, by one rule at every factor (the stage drawn
    // bigger is tested beside the stage's own scaling).
    void aPictureCardFillsItsBox()
    {
        PictureCardScreen* screen = openPictures(21);
        QCOMPARE(screen->foto->size(), QSize(100, 100));
        const QImage shown = screen->foto->grab().toImage();
        QCOMPARE(shown.pixelColor(95, 95), QColor(Qt::red));
        QCOMPARE(shown.pixelColor(2, 2), QColor(Qt::red));
    }

    // The photo-text cards.
    void photoCardShowsItsPhotographAtItsOwnSize()
    {
        PhotoCardScreen* screen = openPhotos();
        QCOMPARE(shell().state().CurrentTipo, 7);
        QCOMPARE(screen->foto->size(), QSize(80, 60));
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        QVERIFY(screen->foto->isVisible());
        // Inline text lies on the box's own colour, with no band of another.
        QTextCursor at(screen->rtf->document());
        at.setPosition(1);
        QCOMPARE(at.charFormat().background().color(), QColor(200, 220, 240));
        screen->lista()->setListIndex(1);
        QCOMPARE(screen->foto->size(), QSize(120, 90));
        QCOMPARE(screen->rtf->text(), QStringLiteral("Good morning, señor.\nBuenos días."));
        screen->lista()->setListIndex(2); // a card without a photograph shows none
        QVERIFY(screen->foto->pixmap().isNull());
    }

    void photoCardHeldButtonStaysLitUntilLetGo()
    {
        PhotoCardScreen* screen = openPhotos();
        screen->lista()->setListIndex(2);
        const int down = screen->buttonWithAction(18);
        FrameButton* button = screen->Imagex[size_t(down)];
        QTest::mousePress(button, Qt::LeftButton);
        QVERIFY(button->isVisible());
        QCOMPARE(screen->button(down).state, FramedScreen::LatchedState);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(screen->button(down).state, 0);
        QCOMPARE(screen->rtf->firstVisibleLine(), 1);
    }

    void printDialogChoices_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("this card") << QStringLiteral("Este") << QStringList { QStringLiteral("Fotos - Formato") };
        QTest::newRow("the picture") << QStringLiteral("LaImagen") << QStringList { QStringLiteral("Fotos - Formato") };
        // The lesson's files, each a job of its own named after it; the missing one is skipped.
        QTest::newRow("every card") << QStringLiteral("todos") << QStringList { QStringLiteral("Fotos - formato"), QStringLiteral("Fotos - largo") };
    }
    void printDialogChoices()
    {
        QFETCH(QString, choice);
        QFETCH(QStringList, titles);
        if (qEnvironmentVariable("TAMSEL_PRINT_OUT").isEmpty())
            QSKIP("no private printer: run under tests/with-printer.sh");
        PhotoCardScreen* screen = openPhotos();
        screen->lista()->setListIndex(1);
        printFromDialog(screen, choice);
        const QList<QJsonObject> ends = finishedJobs();
        QStringList started;
        for (const QJsonObject& e : m_harness->events(QStringLiteral("print"))) {
            if (e.value(QStringLiteral("op")).toString() == QStringLiteral("start"))
                started << e.value(QStringLiteral("title")).toString();
        }
        QCOMPARE(started, titles);
        QCOMPARE(ends.size(), titles.size());
        for (const QJsonObject& job : ends) {
            QVERIFY(job.value(QStringLiteral("ok")).toBool());
            QCOMPARE(job.value(QStringLiteral("printer")).toString(), QStringLiteral("tamsel_pdf"));
        }
        // The text of "every card" is long: more pages than the one card or its picture.
        QCOMPARE(ends.back().value(QStringLiteral("pages")).toInt() > 1, choice == QStringLiteral("todos"));
        // The dialog's closing gives the screen back as it was: the list is not refilled.
        QTest::qWait(50);
        QCOMPARE(screen->lista()->listIndex(), 1);
    }

    // A card never takes on the look of the card shown before it: not on screen, not in
    // its line count, not when printed.
    void everyCardStartsFromTheScreensLook()
    {
        // The font a character is drawn in: its own, over the box's.
        const auto shownFont = [](const RichTextBox* box) {
            QTextCursor at(box->document());
            at.setPosition(1);
            return at.charFormat().font().resolve(box->document()->defaultFont());
        };
        const auto shownColour = [](const RichTextBox* box) {
            QTextCursor at(box->document());
            at.setPosition(1);
            return at.charFormat().foreground().color();
        };
        InfoCardScreen* screen = openInfo();
        pressCard(screen, 2); // the long plain-text card, first
        const int lines = shell().state().numlineas;
        const QImage first = screen->rtf->grab().toImage();
        pressCard(screen, 1); // bold red 14 points
        QCOMPARE(shownFont(screen->rtf).weight(), QFont::Bold);
        QCOMPARE(shownColour(screen->rtf), QColor(200, 0, 0));
        pressCard(screen, 2);
        QCOMPARE(shell().state().numlineas, lines);
        QCOMPARE(screen->rtf->grab().toImage(), first);
        QCOMPARE(shownFont(screen->rtf).weight(), QFont::Normal);
        QCOMPARE(shownFont(screen->rtf).pointSize(), 12); // the screen's own size
        QCOMPARE(shownFont(screen->rtf).family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(shownColour(screen->rtf) != QColor(200, 0, 0));
        pressCard(screen, 1);
        pressCard(screen, 0); // the inline card: the screen's font, black
        QCOMPARE(shownFont(screen->rtf).weight(), QFont::Normal);
        QCOMPARE(shownFont(screen->rtf).pointSize(), 12);
        QCOMPARE(shownColour(screen->rtf), QColor(Qt::black));
    }

    // Back from the help, the card's sound is watched again: its pictures follow it and
    // at its end the background comes back.
    void theCardsSoundEndsAfterTheHelp()
    {
        InfoCardScreen* screen = openInfo();
        MediaPlayer& background = shell().sounds().channel(SoundChannels::Channel::Background);
        QTRY_COMPARE(background.state(), MediaPlayer::State::Running);
        pressCard(screen, 3);
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        clickButton(screen, 23);
        HelpOverlay* help = nullptr;
        QTRY_VERIFY((help = qobject_cast<HelpOverlay*>(shell().existingWindow(QStringLiteral("frmayu")))) && help->isVisible());
        QVERIFY(screen->isHidden());
        QTest::mouseClick(help->Picture1, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(screen->isVisible());
        QTRY_COMPARE(background.state(), MediaPlayer::State::Running);
        clickButton(screen, 5);
        QTRY_COMPARE(background.state(), MediaPlayer::State::Paused);
        QTRY_COMPARE_WITH_TIMEOUT(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::green), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(background.state(), MediaPlayer::State::Running, 5000);
        QCOMPARE(screen->sonido().state(), MediaPlayer::State::Stopped);
    }

    // Back on the screen from another lesson, the card chosen before comes back with its
    // text and its own picture, not another card's text beside its picture.
    void comingBackShowsTheCardChosenBefore()
    {
        InfoCardScreen* screen = openInfo();
        pressCard(screen, 3);
        QVERIFY(screen->foto->isVisible());
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        const QString text = screen->rtf->text();
        shell().state().CurrentLesson = 21;
        QVERIFY(shell().navigator().SwitchScreen(screen, QStringLiteral("frmbf")));
        Screen* pictures = shell().existingWindow(QStringLiteral("frmbf"));
        QTRY_VERIFY(pictures && pictures->isVisible() && screen->isHidden());
        shell().state().CurrentLesson = 20;
        const int activations = int(m_harness->events(QStringLiteral("screen.activate")).size());
        QVERIFY(shell().navigator().SwitchScreen(pictures, QStringLiteral("frmcft")));
        QTRY_VERIFY(int(m_harness->events(QStringLiteral("screen.activate")).size()) > activations);
        QCOMPARE(screen->lista()->listIndex(), 3);
        QCOMPARE(screen->rtf->text(), text);
        QVERIFY(screen->foto->isVisible());
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
    }

    // On entry the first card shows its own first picture beside its text, its sound ready.
    void theFirstCardShowsItsPictureOnEntry()
    {
        InfoCardScreen* screen = openInfo();
        QCOMPARE(screen->lista()->listIndex(), 0);
        QCOMPARE(screen->rtf->text(), QStringLiteral("Hello means hola."));
        QVERIFY(screen->foto->isVisible());
        QVERIFY(!screen->foto->pixmap().isNull());
        QCOMPARE(screen->foto->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue)); // its own, not card 4's red
        QVERIFY(screen->sonido().file().endsWith(QStringLiteral("voz.wav")));
        QCOMPARE(screen->sonido().state(), MediaPlayer::State::Stopped); // it waits for the play button
    }

    // The card's sound and the background.
    void cardSoundPausesTheBackground()
    {
        InfoCardScreen* screen = openInfo();
        MediaPlayer& background = shell().sounds().channel(SoundChannels::Channel::Background);
        QTRY_COMPARE(background.state(), MediaPlayer::State::Running);
        // The learner's press on the card loads its sound.
        auto* view = screen->lista()->findChild<QListWidget*>();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(3)).center());
        QCOMPARE(screen->lista()->listIndex(), 3);
        QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(5))], Qt::LeftButton);
        QTRY_COMPARE(background.state(), MediaPlayer::State::Paused);
        // Once the card has spoken the background goes on.
        QTRY_COMPARE_WITH_TIMEOUT(background.state(), MediaPlayer::State::Running, 5000);
    }

    // With no printer at all every document goes to a file of its own in the documents
    // folder, and the learner is told once per print, "all cards" included.
    void noPrinterGivesEveryDocumentItsOwnFile()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is there: this runs as tst_cards_noprinter");
        const QString documents = m_course->path(QStringLiteral("documentos"));
        QFile dirs(m_course->path(QStringLiteral("config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write(QStringLiteral("XDG_DOCUMENTS_DIR=\"%1\"\n").arg(documents).toUtf8());
        dirs.close();
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), documents);
        MessageCloser closer;
        PhotoCardScreen* screen = openPhotos();
        pressCard(screen, 1);
        printFromDialog(screen, QStringLiteral("Este"));
        printFromDialog(screen, QStringLiteral("LaImagen"));
        printFromDialog(screen, QStringLiteral("Este"));
        QCOMPARE(m_harness->events(QStringLiteral("message")).size(), 3);
        const QDir folder(documents);
        QCOMPARE(folder.entryList(QDir::Files, QDir::Name),
            QStringList({ QStringLiteral("Fotos - Formato (2).pdf"), QStringLiteral("Fotos - Formato (3).pdf"),
                QStringLiteral("Fotos - Formato.pdf") }));
        const auto textOf = [&](const QString& name) {
            int pages = 0;
            QSizeF size;
            QStringList seen;
            for (const Word& w : wordsOf(folder.filePath(name), &pages, &size))
                seen << w.text;
            return seen.join(QLatin1Char(' '));
        };
        QCOMPARE(textOf(QStringLiteral("Fotos - Formato.pdf")), QStringLiteral("Good morning, señor. Buenos días."));
        QCOMPARE(textOf(QStringLiteral("Fotos - Formato (2).pdf")), QString()); // the picture
        QCOMPARE(textOf(QStringLiteral("Fotos - Formato (3).pdf")), QStringLiteral("Good morning, señor. Buenos días."));

        printFromDialog(screen, QStringLiteral("todos"));
        const QList<QJsonObject> messages = m_harness->events(QStringLiteral("message"));
        QCOMPARE(messages.size(), 4);
        const QString told = messages.last().value(QStringLiteral("text")).toString();
        QVERIFY2(told.contains(QStringLiteral("Fotos - formato.pdf")) && told.contains(QStringLiteral("Fotos - largo.pdf")), qPrintable(told));
        QVERIFY(folder.exists(QStringLiteral("Fotos - formato.pdf")) || folder.exists(QStringLiteral("Fotos - formato (2).pdf")));
        // The plain-text card printed after the bold one is printed in the screen's own font.
        const QString fonts = fontsOf(folder.filePath(QStringLiteral("Fotos - largo.pdf")));
        QVERIFY2(fonts.contains(QStringLiteral("DejaVuSans")) && !fonts.contains(QStringLiteral("Bold")), qPrintable(fonts));
    }

    // Through the system's scheduler, as a learner's printer is used.
    void printsThroughTheScheduler()
    {
        const QString out = qEnvironmentVariable("TAMSEL_PRINT_OUT");
        if (out.isEmpty())
            QSKIP("no private printer: run under tests/with-printer.sh");
        InfoCardScreen* screen = openInfo();
        screen->lista()->setListIndex(1);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QTest::mouseClick(screen->Imagex[size_t(screen->buttonWithAction(16))], Qt::LeftButton);
        QString found;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QFileInfo& f : QDir(out).entryInfoList({ QStringLiteral("Fichas*.pdf") }, QDir::Files, QDir::Time)) {
                    if (f.lastModified() >= before && f.size() > 0)
                        found = f.filePath();
                }
                return !found.isEmpty();
            }(),
            20000);
        QTest::qWait(500); // cups-pdf writes the file before it closes it
        int pages = 0;
        QSizeF size;
        QCOMPARE(wordsOf(found, &pages, &size).size(), 5);
        QCOMPARE(pages, 1);
        // The filters re-encode the fonts: the card's text is read from the job as the
        // program handed it to the scheduler.
        const QString spool = qEnvironmentVariable("TAMSEL_PRINT_SPOOL");
        const QFileInfoList jobs = QDir(spool).entryInfoList({ QStringLiteral("d*-001") }, QDir::Files, QDir::Time);
        QVERIFY2(!jobs.isEmpty(), qPrintable(QStringLiteral("no job file kept in %1").arg(spool)));
        QStringList seen;
        for (const Word& w : wordsOf(jobs.front().filePath(), &pages, &size))
            seen << w.text;
        QCOMPARE(pages, 1);
        QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("Good morning, señor. Buenos días."));
        QFile::remove(found);
    }
};

QTEST_MAIN(CardsTest)
#include "tst_cards.moc"
