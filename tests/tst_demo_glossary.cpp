#include "CourseError.h"
#include "CutTermFilter.h"
#include "DemoContent.h"
#include "DictdRecipe.h"
#include "GlossaryCleaner.h"
#include "Recordset.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using Fault = JoinedWordSplitter::Fault;
using Language = GlossaryCleaner::Language;

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(GlossaryCleaner::Language)

// The demo's glossary, imported from Debian's FreeDict data, and the check that keeps the
// data's joined words and junk out of it.
class DemoGlossaryTest : public QObject {
    Q_OBJECT

private:
    // What the demo's recipes know: both dictionaries and Debian's word lists.
    static const GlossaryCleaner& demoCleaner()
    {
        static const GlossaryCleaner cleaner(DictdRecipe::read(QStringLiteral("/usr/share/dictd/freedict-spa-eng")),
            DictdRecipe::read(QStringLiteral("/usr/share/dictd/freedict-eng-spa")),
            GlossaryCleaner::readWordList({ QStringLiteral("/usr/share/dict/spanish") }),
            GlossaryCleaner::readWordList({ QStringLiteral("/usr/share/dict/american-english"), QStringLiteral("/usr/share/dict/british-english") }));
        return cleaner;
    }

private slots:
    // The check itself, on what the data does wrong and on terms it must let be.
    void checkTellsJoinedAndJunkTerms_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<Language>("language");
        QTest::addColumn<Fault>("fault");
        const Language en = Language::English;
        const Language es = Language::Spanish;
        QTest::newRow("busstop") << "busstop" << en << Fault::Joined;
        QTest::newRow("numberplate") << "numberplate" << en << Fault::Joined;
        QTest::newRow("frog'slegs") << "frog'slegs" << en << Fault::Joined;
        QTest::newRow("howdoyoudo?") << "howdoyoudo?" << en << Fault::Joined;
        QTest::newRow("humanbeing") << "humanbeing" << en << Fault::Joined;
        QTest::newRow("AsiaMinor") << "AsiaMinor" << en << Fault::Joined;
        QTest::newRow("in a joined term") << "the busstop" << en << Fault::Joined;
        QTest::newRow("porciento") << "porciento" << es << Fault::Joined;
        QTest::newRow("¿cómoestáusted?") << "¿cómoestáusted?" << es << Fault::Joined;
        QTest::newRow("pertenecera") << "pertenecera" << es << Fault::Joined;
        QTest::newRow("dolordemuelas") << "dolordemuelas" << es << Fault::Joined;
        QTest::newRow("dependonldependupon") << "dependonldependupon" << en << Fault::Junk;
        QTest::newRow("%h...ago") << "%h...ago" << en << Fault::Junk;
        QTest::newRow("hace...") << "hace..." << es << Fault::Junk;
        QTest::newRow("a lone prefix") << "archi-" << es << Fault::Junk;
        QTest::newRow("stray blanks") << "bus  stop" << en << Fault::Junk;
        QTest::newRow("no end") << QString(200, QLatin1Char('a')) << en << Fault::Junk;
        for (const char* joined : { "forinstance", "athome", "thesedays", "havegot", "getdressed", "ballpointpen", "mashedpotatoes",
                 "airconditioning", "keepone'shandsoff", "administrationofthelastsacraments", "non-skidchain", "beadrift", "atpersand",
                 "bathssuperintendant" })
            QTest::newRow(joined) << joined << en << Fault::Joined;
        // Misspelt words run together, a word run together with a joining word, and a term
        // the data also writes with its accents or apostrophe.
        for (const char* joined : { "methylatedspirit", "bicarbonateofsoda", "femalestenotypist", "femalworker", "almoundpastry",
                 "offerofparriage", "straighahead", "strechout", "polepruner", "anvilpruner", "RioGrande" })
            QTest::newRow(joined) << joined << en << Fault::Joined;
        for (const char* joined : { "establecimientodebaños", "libritode memoria", "de segundamano", "lanchamotora" })
            QTest::newRow(joined) << QString::fromUtf8(joined) << es << Fault::Joined;
        QTest::newRow("ñandu") << QStringLiteral("ñandu") << es << Fault::Twin;
        QTest::newRow("wander from ones subject") << "wander from ones subject" << en << Fault::Twin;
        QTest::newRow("forta leza") << "forta leza" << es << Fault::Parted;
        QTest::newRow("mal en tendido") << "mal en tendido" << es << Fault::Parted;
        QTest::newRow("martes de carnes tolendas") << "martes de carnes tolendas" << es << Fault::Parted;
        QTest::newRow("bath super intend ant") << "bath super intend ant" << en << Fault::Parted;
        QTest::newRow("be a drift") << "be a drift" << en << Fault::Parted;
        QTest::newRow("at per sand") << "at per sand" << en << Fault::Parted;
        QTest::newRow("ace to us") << "ace to us" << en << Fault::Parted;

        QTest::newRow("bus stop") << "bus stop" << en << Fault::None;
        QTest::newRow("number plate") << "number plate" << en << Fault::None;
        QTest::newRow("frog's legs") << "frog's legs" << en << Fault::None;
        QTest::newRow("o'clock") << "o'clock" << en << Fault::None;
        QTest::newRow("a British spelling") << "colour" << en << Fault::None;
        QTest::newRow("a word of the list") << "sometimes" << en << Fault::None;
        QTest::newRow("a name") << "Costa Rica" << en << Fault::None;
        QTest::newRow("por ciento") << "por ciento" << es << Fault::None;
        QTest::newRow("Estados Unidos") << "Estados Unidos" << es << Fault::None;
        QTest::newRow("a plural") << "hermanos" << es << Fault::None;
        QTest::newRow("a verb and its pronoun") << "apoyarse" << es << Fault::None;
        QTest::newRow("hyphenated") << "coche-cama" << es << Fault::None;
        QTest::newRow("a Spanish name") << "Portugal" << es << Fault::None;
        QTest::newRow("a Spanish compound") << "ciclomotor" << es << Fault::None;
        QTest::newRow("malentendido") << "malentendido" << es << Fault::None;
        QTest::newRow("fortaleza") << "fortaleza" << es << Fault::None;
        QTest::newRow("por qué") << "por qué" << es << Fault::None;
        QTest::newRow("de carnestolendas") << "martes de carnestolendas" << es << Fault::None;
        QTest::newRow("a word misspelt in a phrase") << "bath superintendant" << en << Fault::None;
        QTest::newRow("an unlisted word with a suffix") << "acetous" << en << Fault::None;
        QTest::newRow("adrift") << "adrift" << en << Fault::None;
        QTest::newRow("for instance") << "for instance" << en << Fault::None;
        QTest::newRow("a plural of the data") << "chippings" << en << Fault::None;
        QTest::newRow("aubergine") << "aubergine" << en << Fault::None;
        QTest::newRow("tuna-fish") << "tuna-fish" << en << Fault::None;
        QTest::newRow("wander from one's subject") << "wander from one's subject" << en << Fault::None;
        QTest::newRow("ñandú") << QStringLiteral("ñandú") << es << Fault::None;
        QTest::newRow("librito de memoria") << "librito de memoria" << es << Fault::None;
        QTest::newRow("de segunda mano") << "de segunda mano" << es << Fault::None;
        QTest::newRow("a word and its accented twin") << "papa" << es << Fault::None;
        QTest::newRow("a plural of an accented singular") << "oficina de informaciones" << es << Fault::None;
        QTest::newRow("a name the lists lack") << "Hungarian woman" << en << Fault::None;
        QTest::newRow("a name beside a marked word") << "Londres" << es << Fault::None;
    }

    void checkTellsJoinedAndJunkTerms()
    {
        QFETCH(QString, term);
        QFETCH(Language, language);
        QFETCH(Fault, fault);
        QCOMPARE(demoCleaner().fault(term, language), fault);
    }

    // The check over the glossary the demo's recipes build: no joined or junk term, none
    // twice (in another case), and the named joined forms are there mended.
    void demoGlossaryHasNoJoinedJunkOrDoubleTerms()
    {
        QTemporaryDir dir;
        std::unique_ptr<Database> db;
        try {
            db = buildDemoContent(dir.filePath(QStringLiteral("out/")), QStringLiteral("media-glossary.txt"));
        } catch (const CourseError& error) {
            QFAIL(qPrintable(error.message()));
        }
        const struct {
            const char* table;
            Language language;
            QStringList mended;
        } languages[] = {
            { "glosesp", Language::Spanish, { "por ciento", "¿cómo está usted?", "pertenecer a", "dirigir la palabra a", "Estados Unidos", "fortaleza",
                    "malentendido", "ciclomotor", "martes de carnestolendas" } },
            { "glosing", Language::English,
                { "bus stop", "number plate", "frog's legs", "how do you do?", "human being", "except for", "for instance", "at home",
                    "these days", "mashed potatoes", "air conditioning", "bath superintendant" } },
        };
        for (const auto& language : languages) {
            QHash<QString, QStringList> seen; // lower case -> the terms written so
            QStringList faulty;
            auto rows = db->openRecordset(QStringLiteral("select termino from %1").arg(QLatin1String(language.table)));
            for (; !rows->isEof(); rows->moveNext()) {
                const QString term = rows->text(QStringLiteral("termino"));
                if (demoCleaner().fault(term, language.language) != Fault::None)
                    faulty << term;
                seen[term.toLower()] << term;
            }
            QVERIFY2(faulty.isEmpty(), qPrintable(faulty.join(QLatin1String(" | "))));
            QVERIFY(seen.size() > 3000);
            // A name and a word of the language may share letters ("Argentina", "argentina";
            // "May", "may"); anything else twice is the same term twice ("estados unidos").
            for (const QStringList& twins : std::as_const(seen)) {
                const bool wordAndName = twins.size() == 2 && demoCleaner().isWord(twins.first(), language.language)
                    && (twins.first().isLower() || twins.last().isLower());
                QVERIFY2(twins.size() == 1 || wordAndName, qPrintable(twins.join(QLatin1String(" | "))));
            }
            for (const QString& mended : language.mended)
                QVERIFY2(seen.contains(mended.toLower()), qPrintable(mended));
        }
        // No English piece of a cut headword beside the whole ("fa", "façade"; "drinking",
        // "drinking-water"), and no stray letters ("n").
        QHash<QString, QStringList> english; // Spanish term -> its English terms
        auto pairs = db->openRecordset(QStringLiteral(
            "select e.termino as esp, i.termino as ing from glosario g join glosesp e on e.id_esp = g.id_esp join glosing i on i.id_ing = g.id_ing"));
        for (; !pairs->isEof(); pairs->moveNext())
            english[pairs->text(QStringLiteral("esp"))] << pairs->text(QStringLiteral("ing"));
        const CutTermFilter cut(DictdRecipe::read(QStringLiteral("/usr/share/dictd/freedict-spa-eng")),
            DictdRecipe::read(QStringLiteral("/usr/share/dictd/freedict-eng-spa")), demoCleaner());
        QStringList pieces;
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            for (const QString& term : it.value()) {
                if (cut.isCut(term, it.key()))
                    pieces << it.key() + QStringLiteral(" → ") + term;
            }
        }
        QVERIFY2(pieces.isEmpty(), qPrintable(pieces.join(QLatin1String(" | "))));
        const std::pair<const char*, const char*> named[] = { { "frontón", "fa" }, { "prometido", "fianc" }, { "protegido", "prot" },
            { "resumen", "resum" }, { "sartén", "frying" }, { "agua potable", "drinking" }, { "estación de servicio", "filling" },
            { "piernas torcidas hacia afuera", "knock" }, { "piernas torcidas hacia afuera", "turned" } };
        for (const auto& [spanish, piece] : named) {
            const QStringList terms = english.value(QString::fromUtf8(spanish));
            QVERIFY2(!terms.isEmpty() && !terms.contains(QString::fromUtf8(piece)), piece);
        }
        for (const char* piece : { "caf", "cul", "bas", "bon", "vis", "Aix", "Cura", "femal", "El", "n", "o", "Li" })
            QVERIFY2(std::none_of(english.cbegin(), english.cend(), [piece](const QStringList& terms) {
                return terms.contains(QString::fromUtf8(piece));
            }), piece);
    }

    // What tells a piece of a cut headword from a word of its own.
    void cutPieces_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<bool>("piece");
        QTest::addColumn<bool>("pieceBeforeBlank");
        QTest::newRow("cut at an accent") << "fa" << QStringList { "façade", "front" } << true << true;
        QTest::newRow("cut at a hyphen") << "drinking" << QStringList { "drinking-water" } << true << true;
        QTest::newRow("cut at a blank") << "El" << QStringList { "El Salvador" } << false << true;
        QTest::newRow("a longer word") << "car" << QStringList { "carriage" } << false << false;
        QTest::newRow("itself") << "front" << QStringList { "front" } << false << false;
        QTest::newRow("in other capitals") << "fianc" << QStringList { "Fiancé" } << true << true;
    }

    void cutPieces()
    {
        QFETCH(QString, term);
        QFETCH(QStringList, others);
        QFETCH(bool, piece);
        QFETCH(bool, pieceBeforeBlank);
        QCOMPARE(CutTermFilter::isPrefixPiece(term, others, CutTermFilter::Boundary::HyphenOrAccent), piece);
        QCOMPARE(CutTermFilter::isPrefixPiece(term, others, CutTermFilter::Boundary::Any), pieceBeforeBlank);
    }

    void strayLetters_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("stray");
        for (const char* stray : { "n", "o", "Li", "xq" })
            QTest::newRow(stray) << stray << true;
        for (const char* word : { "a", "I", "of", "up", "TV", "ox", "man" })
            QTest::newRow(word) << word << false;
    }

    void strayLetters()
    {
        QFETCH(QString, term);
        QFETCH(bool, stray);
        QCOMPARE(CutTermFilter::isStrayLetters(term), stray);
    }

    // The mending, each rule on the case that needs it, with data and lists of its own.
    void cleanerMendsOrDrops_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("kept");
        QTest::newRow("a word") << "house" << "house";
        QTest::newRow("a spaced term") << "human being" << "human being";
        QTest::newRow("spaced as the data spaces it") << "humanbeing" << "human being";
        QTest::newRow("with its marks") << "howdoyoudo?" << "how do you do?";
        QTest::newRow("its capitals kept") << "HumanBeing" << "Human Being";
        QTest::newRow("parted by the word list") << "goodhouse" << "good house";
        QTest::newRow("inside a term") << "a goodhouse" << "a good house";
        QTest::newRow("parted two ways") << "busstop" << "";
        QTest::newRow("a long listed word not in the data") << "sometimesgood" << "sometimes good";
        QTest::newRow("a short listed word not in the data") << "houseant" << "";
        QTest::newRow("a name of the list is no piece") << "lesgood" << "lesgood";
        QTest::newRow("a name's pieces") << "GoodLes" << "Good Les";
        QTest::newRow("more pieces than two, not all in the data") << "housesometimesgood" << "";
        QTest::newRow("a blank inside a listed word") << "hou se" << "house";
        QTest::newRow("a blank between two words") << "some times" << "some times";
        QTest::newRow("no blank inside two words") << "human being" << "human being";
        QTest::newRow("an unknown word that does not part") << "Peruvian" << "Peruvian";
        QTest::newRow("a stray letter between runs") << "goodhouselgoodhouse" << "";
        QTest::newRow("a placeholder") << "%h...ago" << "";
        QTest::newRow("an elision") << "hace..." << "";
        QTest::newRow("a lone prefix") << "archi\u2010" << "";
        QTest::newRow("its hyphen made plain") << "coche\u2010cama" << "coche-cama";
    }

    void cleanerMendsOrDrops()
    {
        QFETCH(QString, term);
        QFETCH(QString, kept);
        const DictionaryEntries spanish {
            { QStringLiteral("hombre"), { QStringLiteral("man"), QStringLiteral("human being") } },
            { QStringLiteral("¿cómo está usted?"), { QStringLiteral("how do you do?") } },
        };
        DictionaryEntries english;
        for (const char* head : { "house", "good", "bus", "stop", "buss", "top" })
            english.push_back({ QString::fromLatin1(head), { QStringLiteral("x") } });
        QSet<QString> listed;
        for (const char* word : { "house", "good", "bus", "stop", "buss", "top", "sometimes", "some", "times", "human", "being", "ant", "Les" })
            listed.insert(QString::fromLatin1(word));
        const GlossaryCleaner cleaner(spanish, english, {}, listed);
        QCOMPARE(cleaner.term(term, Language::English), kept);
    }

    // A headword as its entry writes it: the index folds it to lower case.
    void headwordKeepsItsCase_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("indexed");
        QTest::addColumn<QString>("headword");
        QTest::newRow("a name") << "Estados Unidos /estˈaðos unˈiðos/\nUnited States" << "estados unidos" << "Estados Unidos";
        QTest::newRow("no pronunciation") << "May\nmayo" << "may" << "May";
        QTest::newRow("its marks") << "¿cómo está usted? /kˈomo/\nhow are you?" << "cómo está usted" << "¿cómo está usted?";
        QTest::newRow("a line of another word") << "something else /x/\ny" << "casa" << "casa";
        QTest::newRow("an empty entry") << "" << "casa" << "casa";
    }

    void headwordKeepsItsCase()
    {
        QFETCH(QString, entry);
        QFETCH(QString, indexed);
        QFETCH(QString, headword);
        QCOMPARE(DictdRecipe::headword(entry, indexed), headword);
    }
};

QTEST_MAIN(DemoGlossaryTest)
#include "tst_demo_glossary.moc"
