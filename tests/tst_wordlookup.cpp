// A subtitle's word as an English reader means it: the whole word under the pointer
// ("don't", "well-known", "1990s"), looked up in the demo course's real glossary under
// the exact term or its base form, never under a shorter word that only looks like one.
#include "Database.h"
#include "PointerEvents.h"
#include "SubtitleWords.h"
#include "Trace.h"
#include "WholeWord.h"
#include "WordLookup.h"

#include <QLabel>
#include <QTextEdit>
#include <QtTest>

class TestWordLookup : public QObject {
    Q_OBJECT

    std::unique_ptr<Database> m_glossary;

private slots:
    void initTestCase()
    {
        const QString file = QStringLiteral(TAMSEL_BINARY_DIR "/course/bbm.mdb");
        if (!QFile::exists(file))
            QSKIP("the demo course has not been built");
        m_glossary = Database::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=vemparo41"));
    }

    void theWholeWordIsTheOneUnderThePointer_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("word");
        QTest::newRow("contraction, on its apostrophe") << "I don't know." << 5 << "don't";
        QTest::newRow("contraction, after it") << "I don't know." << 7 << "don't";
        QTest::newRow("I'd") << "I'd go." << 0 << "I'd";
        QTest::newRow("possessive, typographic apostrophe") << "Tom\u2019s car" << 1 << "Tom\u2019s";
        QTest::newRow("hyphenated, on its hyphen") << "a well-known man" << 6 << "well-known";
        QTest::newRow("decade") << "in the 1990s," << 12 << "1990s";
        QTest::newRow("ordinal") << "the 3rd day" << 5 << "3rd";
        QTest::newRow("quoted") << "'quoted'" << 2 << "quoted";
        QTest::newRow("a dash between words is no hyphen") << "now -- then" << 5 << "";
        QTest::newRow("a trailing apostrophe is not the word's") << "the boys' room" << 8 << "boys";
        QTest::newRow("off the words") << "Stop.  Go" << 6 << "";
    }
    void theWholeWordIsTheOneUnderThePointer()
    {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(QString, word);
        QCOMPARE(WholeWord::at(text, at), word);
    }

    // Words of the demo's glossary, which holds both the base forms and the shorter words
    // that look like them ("note" and "not", "use" and "us", "hate" and "hat", "wing" and
    // "we"); an empty term: not in the glossary, under no form.
    void aWordIsFoundUnderItsOwnBaseForm_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("term");
        QTest::newRow("exact, any case") << "NOTE" << "note";
        QTest::newRow("-s, not 'not'") << "notes" << "note";
        QTest::newRow("-s, not 'us'") << "uses" << "use";
        QTest::newRow("exact before any base form") << "used" << "used";
        QTest::newRow("-s, not 'plan'") << "Planes," << "plane";
        QTest::newRow("-d, not 'hat'") << "hated" << "hate";
        QTest::newRow("-ing that is no ending, not 'we'") << "wing" << "wing";
        QTest::newRow("-es") << "boxes" << "box";
        QTest::newRow("-ies") << "cities" << "city";
        QTest::newRow("-ied") << "studied" << "study";
        QTest::newRow("-ed, doubled") << "stopped" << "stop";
        QTest::newRow("-ed after the word's own double, not 'ad'") << "added" << "add";
        QTest::newRow("-ing after e") << "baking" << "bake";
        QTest::newRow("-ing, doubled") << "running" << "run";
        QTest::newRow("-ying") << "lying" << "lie";
        QTest::newRow("-ying, not 'dye'") << "dying" << "die";
        QTest::newRow("-es after o") << "goes" << "go";
        QTest::newRow("-es after o, not 'doe'") << "does" << "do";
        QTest::newRow("-s after oe, not 'to'") << "toes" << "toe";
        QTest::newRow("possessive") << "house’s" << "house";
        QTest::newRow("news is not new") << "news" << "news";
        QTest::newRow("a base form not in the glossary, not 'hope'") << "hopped" << "";
        QTest::newRow("contraction") << "don't" << "";
        QTest::newRow("name") << "Tom's" << "";
        QTest::newRow("hyphenated, whole") << "well-known" << "well-known";
        QTest::newRow("decade, not 's'") << "1990s" << "";
        QTest::newRow("ordinal, not 'rd'") << "3rd" << "";
    }
    void aWordIsFoundUnderItsOwnBaseForm()
    {
        QFETCH(QString, word);
        QFETCH(QString, term);
        WordLookup lookup(*m_glossary);
        const WordLookup::Result result = lookup.lookup(word);
        QVERIFY2(lookup.stemmerError().isEmpty(), qPrintable(lookup.stemmerError()));
        QCOMPARE(result.word, WordLookup::trimmed(word));
        QCOMPARE(result.term.toLower(), term);
        QCOMPARE(result.found(), !term.isEmpty());
        QCOMPARE(result.translations.isEmpty(), term.isEmpty());
    }

    // Under the pointer in a subtitle: the note names the whole word, found or not.
    void theNoteNamesTheWholeWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("shows");
        QTest::newRow("found under its base form") << "notes" << "<b>notes</b>: ";
        QTest::newRow("contraction") << "don't" << "«don't» no está en el glosario";
        QTest::newRow("hyphenated, found whole") << "well-known" << "<b>well-known</b>: ";
        QTest::newRow("decade") << "1990s" << "«1990s» no está en el glosario";
        QTest::newRow("ordinal") << "3rd" << "«3rd» no está en el glosario";
    }
    void theNoteNamesTheWholeWord()
    {
        QFETCH(QString, word);
        QFETCH(QString, shows);
        QWidget stage;
        stage.resize(640, 480);
        auto* subtitle = new QTextEdit(&stage);
        subtitle->setGeometry(20, 400, 600, 60);
        subtitle->setPlainText(QStringLiteral("The notes: don't wait for the well-known 1990s or the 3rd."));
        Trace trace;
        SubtitleWords words(*subtitle, stage, *m_glossary, trace);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        // The pointer on the word's last letter but one.
        QTextCursor cursor(subtitle->document());
        cursor.setPosition(int(subtitle->toPlainText().indexOf(word) + word.size() - 2));
        const QRect letter = subtitle->cursorRect(cursor);
        PointerEvents::sendMouse(subtitle->viewport(), QEvent::MouseMove, letter.center() + QPoint(2, 0), Qt::NoButton);
        QVERIFY(words.note()->isVisible());
        QVERIFY2(words.note()->text().contains(shows), qPrintable(words.note()->text()));
    }
};

QTEST_MAIN(TestWordLookup)
#include "tst_wordlookup.moc"
