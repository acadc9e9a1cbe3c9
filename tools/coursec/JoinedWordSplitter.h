#pragma once

#include <QSet>
#include <QString>
#include <vector>

enum class GlossaryLanguage { Spanish, English };

/// Tells a word of one language from words run together ("busstop", "porciento",
/// "frog'slegs") and from two runs of words with a stray letter between them
/// ("dependonldependupon"), and parts a joined word where that is certain.
///
/// A word is one of the language's own when its word list holds it (Spanish: or its
/// singular; English: or its stem before "-able", "-man", "-ness" and the like).
/// Otherwise it is joined when it falls into two or more pieces, each a short word of the
/// language ("of", "de", "a") or a listed word of three letters or more that the
/// dictionary data itself writes as a word ("frog's" counts as "frog"). A capitalised
/// name ("Costa") falls only into pieces of three letters or more; a word whose inner
/// capitals mark its parts ("AsiaMinor", "ElSalvador") is cut there.
///
/// A joined word is mended only where its fewest pieces are one way and not a verb with
/// its pronoun ("apoyar|se"); in Spanish, which writes many a compound as one word
/// ("lavaplatos"), only where a small joining word stands among them ("por|ciento").
class JoinedWordSplitter {
public:
    enum class Fault { None, Joined, Junk };

    /// LISTED: the language's word list, lower case; KNOWN: the words its dictionary data
    /// writes (headwords and terms written with blanks), lower case.
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

private:
    enum class PieceRule { Known, LongKnown, Listed };
    bool isPiece(const QString& lower, PieceRule rule) const;
    bool isPronoun(const QString& lower) const;
    struct Pieces {
        std::vector<int> fewest;    // [k]: fewest pieces making up the first k letters; -1: none
        std::vector<int> ways;      // [k]: how many ways have that many (counted up to 2)
        std::vector<qsizetype> cut; // [k]: where the last piece of one such way starts
    };
    /// The pieces of ORIGINAL's letters from FROM on, never across an inner capital.
    Pieces pieces(const QString& original, qsizetype from) const;
    static PieceRule pieceRule(const QString& original);
    /// True when ORIGINAL's letters [FROM, TO) make two pieces or more.
    bool twoOrMore(const QString& original, qsizetype from, qsizetype to) const;

    GlossaryLanguage m_language;
    QSet<QString> m_listed;
    QSet<QString> m_known;
};
