#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

enum class GlossaryLanguage { Spanish, English };

/// Tells a word of one language from words run together ("busstop", "porciento",
/// "frog'slegs") and from two runs of words with a stray letter between them
/// ("dependonldependupon"), and parts a joined word where that is certain.
///
/// A word is one of the language's own when its word list holds it (Spanish: or its
/// singular; English: or its stem before "-able", "-man", "-some" and the like). Otherwise
/// it is joined when it falls into two or more pieces, each a short word of the language
/// ("of", "de", "a"), a listed word the dictionary data writes, or a listed word of four
/// letters or more ("frog's" counts as "frog"); a name of the list ("Les", "Soto") is never
/// a piece, nor an English suffix ("acet|ous" is no "ace|to|us"). A capitalised name
/// ("Costa") falls only into pieces of three letters or more that the data writes; a word
/// whose inner capitals mark its parts ("AsiaMinor", "ElSalvador") is cut there. Spanish
/// writes many a compound as one word ("lavaplatos", "ciclomotor", "malentendido") and its
/// list holds few participles: a Spanish word is joined only where pieces the data writes
/// make it and its fewest pieces need a small joining word ("por|ciento").
///
/// A joined word is mended only where its fewest pieces are one way and not a verb with its
/// pronoun ("apoyar|se"); into more than two pieces only where each is a word the data
/// writes and the whole is no listed word misspelt ("at|per|sand" from "ampersand"). A
/// word that parts several ways is left to the caller to drop, never guessed.
class JoinedWordSplitter {
public:
    /// Joined: words run together; Parted: a word cut by a blank ("forta leza", "mal en
    /// tendido"), told by GlossaryCleaner of a whole term; Twin: a term the data also writes
    /// with its accents or apostrophe ("ñandu" beside "ñandú"); Junk: no term at all.
    enum class Fault { None, Joined, Parted, Twin, Junk };

    /// LISTED: the language's word list, lower case but for names (listed only with a
    /// capital); KNOWN: the words its dictionary data writes (headwords, terms written with
    /// blanks, terms of one word), lower case.
    JoinedWordSplitter(GlossaryLanguage language, QSet<QString> listed, QSet<QString> known);

    /// What is wrong with WORD (one word, with its case, no blanks or hyphens).
    Fault fault(const QString& word) const;

    /// WORD with blanks where its pieces part (its letters and case kept), or empty when
    /// it falls apart in more than one way with the fewest pieces.
    QString mended(const QString& word) const;

    /// Longer words are no words of any language (and bound the work).
    static constexpr qsizetype kLongestWord = 64;

    /// True when the word list holds LOWER (Spanish: or its singular).
    bool isWord(const QString& lower) const;

    /// True when LOWER, of eight letters or more, is a listed word with one letter changed
    /// or two letters swapped.
    bool isMisspelt(const QString& lower) const;

    /// True when LOWER, of nine letters or more and no listed word, is a listed word of four
    /// letters or more run together with a near word ("femal|worker", "straigh|ahead",
    /// "offer|of|parriage"), or a near word run together with a small joining word
    /// ("librito|de"). Such a word is dropped, never parted: its spelling is not certain.
    /// Listed: both pieces are listed words (a Spanish compound of words the data writes,
    /// "ciclo|motor", is none); Near: a piece only near a word, or a joining word.
    enum class Misjoin { None, Listed, Near };
    Misjoin misjoin(const QString& lower) const;

    /// The listed word with LOWER's letters and more accents or an apostrophe ("ñandú" for
    /// "ñandu"); empty when none or several.
    QString markedTwin(const QString& lower) const { return m_marked.value(folded(lower)); }

    /// LOWER without accents, other marks, apostrophes and blanks.
    static QString folded(const QString& lower);

private:
    enum class PieceRule { Known, LongKnown, Listed };
    /// What pieces are sought for: telling a joined word (any listed word of the language
    /// that is no name), mending it (no listed word of three letters the data never writes:
    /// "ion", "mas"), or telling a Spanish compound (no joining word).
    enum class Use { Tell, Mend, Compound };
    bool isPiece(const QString& lower, PieceRule rule, Use use) const;
    /// True when the dictionary data writes LOWER as a word (a short word counts).
    bool isWritten(const QString& lower) const;

    bool isPronoun(const QString& lower) const;
    /// True when LOWER, of four letters or more, is a listed word, a word the data writes,
    /// or (five letters or more) one letter from a listed word: changed, added, dropped.
    bool isNearWord(const QString& lower) const;
    /// True when LOWER is a near word, with or without a joining word before it or after it.
    bool isNearPhrase(const QString& lower) const;
    /// The small word that joins LOWER's start (or end) to the rest; empty when none.
    QString joiningWord(const QString& lower, Qt::Edge edge) const;
    struct Pieces {
        std::vector<int> fewest;    // [k]: fewest pieces making up the first k letters; -1: none
        std::vector<int> ways;      // [k]: how many ways have that many (counted up to 2)
        std::vector<qsizetype> cut; // [k]: where the last piece of one such way starts
    };
    /// The pieces of ORIGINAL's letters from FROM on, never across an inner capital.
    Pieces pieces(const QString& original, qsizetype from, Use use) const;
    /// True when WORD is a Spanish compound: its fewest pieces need no joining word.
    bool isCompound(const QString& word, const Pieces& found) const;
    static PieceRule pieceRule(const QString& original);
    /// True when ORIGINAL's letters [FROM, TO) make two pieces or more.
    bool twoOrMore(const QString& original, qsizetype from, qsizetype to) const;

    GlossaryLanguage m_language;
    QSet<QString> m_listed;
    QSet<QString> m_known;
    QHash<QString, QString> m_marked; // folded -> the listed word with marks; empty when two
    /// True when LOWER, of five letters or more, is no listed word but one letter from one.
    bool isMisspeltByOne(const QString& lower) const;
};
