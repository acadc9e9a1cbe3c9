// The rich-text box: loading, text and selection, its lines and scrolling, and the page
// renderer the print routine loops over.

#include "RichTextBox.h"

#include <QPaintDevice>
#include <QProcess>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace {

// A paint device that keeps the text drawn on it and where it was drawn, so that a test
// can see what landed on a page.
class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& changed) override
    {
        if (changed.state() & QPaintEngine::DirtyTransform)
            m_transform = changed.transform();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF& point, const QTextItem& item) override
    {
        text += item.text();
        baselines.append(m_transform.map(point).y());
    }

    QString text;
    QList<qreal> baselines;

private:
    QTransform m_transform;
};

class RecordingPage : public QPaintDevice {
public:
    static constexpr int Dpi = 300;
    static constexpr QSize Size {2480, 3508}; // A4 at 300 dpi

    QPaintEngine* paintEngine() const override { return &m_engine; }
    RecordingEngine& engine() { return m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return Size.width();
        case PdmHeight: return Size.height();
        case PdmWidthMM: return 210;
        case PdmHeightMM: return 297;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return Dpi;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    mutable RecordingEngine m_engine;
};

struct PrintedPage {
    int first = 0;
    int next = 0;
    QString text;
    QList<qreal> baselines;
};

// The print routine's loop: each page starts at the first character the last one left.
QList<PrintedPage> printAll(RichTextBox& box, const QMarginsF& margins)
{
    QList<PrintedPage> pages;
    int first = 0;
    const int length = box.textLength();
    do {
        RecordingPage page;
        QPainter painter(&page);
        const int next = box.renderPage(painter, QRectF(QPointF(0, 0), RecordingPage::Size), margins, first);
        painter.end();
        pages.append({first, next, page.engine().text, page.engine().baselines});
        if (next <= first || pages.size() > 1000)
            break; // no progress: the test fails below rather than looping
        first = next;
    } while (first < length);
    box.releasePageLayout();
    return pages;
}

QString withoutSpaces(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

QString numberedParagraphs(int count)
{
    QStringList paragraphs;
    for (int i = 0; i < count; ++i)
        paragraphs << QStringLiteral("Paragraph %1 says something about the lesson, long enough "
                                     "to wrap in a narrow box at any usual font size.").arg(i);
    return paragraphs.join(u'\n');
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    return path;
}

const QMarginsF kCardMargins(1440, 1440, 600, 500); // left, top, right, bottom in twips

} // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT

private slots:
    void loadsFiles_data();
    void loadsFiles();
    void rtfcatPrintsWhatTheBoxShows_data() { loadsFiles_data(); }
    void rtfcatPrintsWhatTheBoxShows();
    void missingFileLeavesTheBoxEmpty();
    void selection();
    void selectionFont();
    void inlineCardText();
    void countsWrappedLines();
    void countsTableRowsOnce();
    void scrollsByLines();
    void printsEveryCharacterOnce_data();
    void printsEveryCharacterOnce();
    void shortTextFitsOnePage();
    void pageBreakStartsAPage();
    void emptyAreaEndsPrinting();
};

void TestRichTextBox::loadsFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");

    QTest::newRow("RTF") << QByteArray(R"({\rtf1 {\b Hola} se\'f1or})") << QStringLiteral("Hola señor") << true;
    QTest::newRow("RTF after white space") << QByteArray("\r\n{\\rtf1 {\\b x}}") << QStringLiteral("x") << true;
    QTest::newRow("Windows-1252 text") << QByteArray("Hola se\xf1or\r\n\xbfQu\xe9?")
                                       << QStringLiteral("Hola señor\n¿Qué?") << false;
    QTest::newRow("UTF-8 text") << QByteArray("Hola se\xc3\xb1or") << QStringLiteral("Hola señor") << false;
    QTest::newRow("text that only looks like RTF") << QByteArray("{\\rt x") << QStringLiteral("{\\rt x") << false;
}

void TestRichTextBox::loadsFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    QFETCH(bool, bold);

    QTemporaryDir dir;
    RichTextBox box;
    QVERIFY(box.loadFile(writeFile(dir, QStringLiteral("card.rtf"), content)));
    QCOMPARE(box.text(), text);
    QCOMPARE(box.textLength(), text.size());
    QTextCursor cursor(box.document());
    cursor.setPosition(1);
    QCOMPARE(cursor.charFormat().fontWeight() >= QFont::Bold, bold);
}

void TestRichTextBox::rtfcatPrintsWhatTheBoxShows()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, text);

    QTemporaryDir dir;
    QProcess rtfcat;
    rtfcat.start(QStringLiteral(RTFCAT_TOOL), { writeFile(dir, QStringLiteral("card.rtf"), content) });
    QVERIFY(rtfcat.waitForFinished(30000));
    QVERIFY2(rtfcat.exitCode() == 0, rtfcat.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(rtfcat.readAllStandardOutput()), text + u'\n');
}

void TestRichTextBox::missingFileLeavesTheBoxEmpty()
{
    RichTextBox box;
    box.setText(QStringLiteral("previous card"));
    QVERIFY(!box.loadFile(QStringLiteral("/nonexistent/card.rtf")));
    QVERIFY(box.text().isEmpty());
    QVERIFY(box.errorString().contains(QStringLiteral("/nonexistent/card.rtf")));
}

void TestRichTextBox::selection()
{
    RichTextBox box;
    box.setText(QStringLiteral("hola mundo"));
    box.setSelectionStart(5);
    QCOMPARE(box.selectionStart(), 5);
    QCOMPARE(box.selectionLength(), 0);
    box.setSelectionLength(3);
    QCOMPARE(box.textCursor().selectedText(), QStringLiteral("mun"));
    box.setSelectionLength(100); // cut at the end of the text
    QCOMPARE(box.selectionLength(), 5);
    box.setSelectionStart(2); // a new start drops the selection
    QCOMPARE(box.selectionLength(), 0);
    box.setSelectionStart(-4);
    QCOMPARE(box.selectionStart(), 0);
    box.setSelectionStart(99);
    QCOMPARE(box.selectionStart(), 10);
}

void TestRichTextBox::selectionFont()
{
    RichTextBox box;
    box.setText(QStringLiteral("uno dos"));
    box.setSelectionStart(0);
    box.setSelectionLength(3);
    box.setSelectionFontName(QStringLiteral("DejaVu Serif"));
    box.setSelectionFontSize(20);
    QCOMPARE(box.selectionFontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(box.selectionFontSize(), 20.0);

    box.setSelectionStart(4);
    box.setSelectionLength(3);
    QVERIFY(box.selectionFontName() != QStringLiteral("DejaVu Serif"));

    box.setSelectionStart(0);
    box.setSelectionLength(7); // mixed families and sizes
    QCOMPARE(box.selectionFontName(), QString());
    QCOMPARE(box.selectionFontSize(), 0.0);
}

void TestRichTextBox::inlineCardText()
{
    // What a card screen does with a card's inline text: set it, colour it, give the
    // whole text the screen's font, and leave nothing selected.
    RichTextBox box;
    box.setText(QStringLiteral("Texto de la ficha"));
    box.setForegroundColor(Qt::white);
    box.setSelectionStart(0);
    box.setSelectionLength(box.textLength());
    box.setSelectionFontName(QStringLiteral("DejaVu Sans"));
    box.setSelectionFontSize(14);
    box.setSelectionLength(0);

    for (int position = 1; position <= box.textLength(); ++position) {
        QTextCursor cursor(box.document());
        cursor.setPosition(position);
        QCOMPARE(cursor.charFormat().foreground().color(), QColor(Qt::white));
        QCOMPARE(cursor.charFormat().font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(cursor.charFormat().font().pointSizeF(), 14.0);
    }
    box.setText(QStringLiteral("otra")); // later text keeps the colour
    QTextCursor cursor(box.document());
    cursor.setPosition(1);
    QCOMPARE(cursor.charFormat().foreground().color(), QColor(Qt::white));
}

void TestRichTextBox::countsWrappedLines()
{
    RichTextBox box;
    box.resize(300, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.lineCount(), 1); // empty
    box.setText(QStringLiteral("short"));
    QCOMPARE(box.lineCount(), 1);

    box.setText(numberedParagraphs(20));
    int expected = 0;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next())
        expected += block.layout()->lineCount();
    QVERIFY2(expected > 20, "the paragraphs should wrap at this width");
    QCOMPARE(box.lineCount(), expected);

    box.resize(2000, 200); // wider: one line a paragraph
    QCOMPARE(box.lineCount(), 20);
}

void TestRichTextBox::countsTableRowsOnce()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.resize(400, 200);
    box.show();
    QVERIFY(box.loadFile(writeFile(dir, QStringLiteral("table.rtf"),
        R"({\rtf1 top\par\trowd\cellx2000\cellx4000\intbl a\cell b\cell\row\intbl c\cell d\cell\row\pard end})")));
    // Cells side by side share their lines: top, two rows, end (and the line before the table).
    QVERIFY(box.lineCount() >= 4);
    QVERIFY(box.lineCount() <= 5);
}

void TestRichTextBox::scrollsByLines()
{
    RichTextBox box;
    box.resize(300, 120);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setText(numberedParagraphs(60));
    const int lines = box.lineCount();
    QVERIFY(lines > 60);

    // At the top nothing moves up.
    QCOMPARE(box.firstVisibleLine(), 0);
    QVERIFY(!box.scrollLines(-1));
    QCOMPARE(box.firstVisibleLine(), 0);

    QVERIFY(box.scrollLines(1));
    QCOMPARE(box.firstVisibleLine(), 1);
    QVERIFY(box.scrollLines(10));
    QCOMPARE(box.firstVisibleLine(), 11);
    QVERIFY(box.scrollLines(-3));
    QCOMPARE(box.firstVisibleLine(), 8);

    // At the end nothing moves down, and the last line is in view.
    QVERIFY(box.scrollLines(lines * 2));
    const int last = box.firstVisibleLine();
    QVERIFY(last > 8);
    QVERIFY(last < lines);
    QCOMPARE(box.verticalScrollBar()->value(), box.verticalScrollBar()->maximum());
    QVERIFY(!box.scrollLines(1));
    QCOMPARE(box.firstVisibleLine(), last);

    QVERIFY(box.scrollLines(-lines * 2));
    QCOMPARE(box.firstVisibleLine(), 0);
    QCOMPARE(box.verticalScrollBar()->value(), 0);
    QVERIFY(!box.scrollLines(0));
}

void TestRichTextBox::printsEveryCharacterOnce_data()
{
    QTest::addColumn<QByteArray>("rtf");

    QByteArray mixed = "{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}";
    for (int i = 0; i < 120; ++i) {
        mixed += (i % 7 == 0 ? "\\pard\\qc\\fs40 " : i % 3 == 0 ? "\\pard\\li720\\sb240\\f1\\fs18 " : "\\pard\\fs24 ");
        mixed += "Line " + QByteArray::number(i) + " of the card: the learner reads it on paper.\\par ";
    }
    QTest::newRow("mixed paragraphs") << mixed + "}";

    QByteArray table = "{\\rtf1 Before the table.\\par\\trowd\\cellx3000\\cellx6000 ";
    for (int i = 0; i < 80; ++i)
        table += "\\intbl left" + QByteArray::number(i) + "\\cell right" + QByteArray::number(i) + "\\cell\\row ";
    QTest::newRow("long table") << table + "\\pard After the table.}";
}

void TestRichTextBox::printsEveryCharacterOnce()
{
    QFETCH(QByteArray, rtf);
    QTemporaryDir dir;
    RichTextBox box;
    QVERIFY(box.loadFile(writeFile(dir, QStringLiteral("long.rtf"), rtf)));

    const QList<PrintedPage> pages = printAll(box, kCardMargins);
    QVERIFY(pages.size() > 2);
    QString printed;
    for (const PrintedPage& page : pages) {
        QVERIFY2(page.next > page.first, "every page moves on");
        printed += page.text;
        // Nothing is drawn into the top and bottom margins (1 inch; 500 twips).
        for (const qreal baseline : page.baselines) {
            QVERIFY(baseline > RecordingPage::Dpi);
            QVERIFY(baseline < RecordingPage::Size.height() - 500.0 * RecordingPage::Dpi / 1440);
        }
    }
    QCOMPARE(pages.last().next, box.textLength());
    QCOMPARE(withoutSpaces(printed), withoutSpaces(box.text()));
}

void TestRichTextBox::shortTextFitsOnePage()
{
    RichTextBox box;
    box.setText(QStringLiteral("Una ficha corta."));
    const QList<PrintedPage> pages = printAll(box, kCardMargins);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].next, box.textLength());
    QCOMPARE(withoutSpaces(pages[0].text), QStringLiteral("Unafichacorta."));
}

void TestRichTextBox::pageBreakStartsAPage()
{
    QTemporaryDir dir;
    RichTextBox box;
    QVERIFY(box.loadFile(writeFile(dir, QStringLiteral("pages.rtf"),
        R"({\rtf1 First page.\page Second page.\par Still second.})")));
    const QList<PrintedPage> pages = printAll(box, kCardMargins);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(withoutSpaces(pages[0].text), QStringLiteral("Firstpage."));
    QCOMPARE(withoutSpaces(pages[1].text), QStringLiteral("Secondpage.Stillsecond."));
}

void TestRichTextBox::emptyAreaEndsPrinting()
{
    RichTextBox box;
    box.setText(numberedParagraphs(5));
    RecordingPage page;
    QPainter painter(&page);
    // Margins wider than the page leave nothing to print on; the loop must still end.
    const int next = box.renderPage(painter, QRectF(0, 0, 100, 100), QMarginsF(1440, 1440, 1440, 1440), 0);
    QCOMPARE(next, box.textLength());
    QVERIFY(page.engine().text.isEmpty());
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
