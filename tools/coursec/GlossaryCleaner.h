#pragma once

#include "JoinedWordSplitter.h"

#include <QHash>
#include <QRegularExpressionMatch>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

/// One entry of a bilingual dictionary: a headword and its translations.
struct DictionaryEntry {
    QString headword;
    QStringList translations;
};
using DictionaryEntries = std::vector<DictionaryEntry>;

/// Mends what the FreeDict data does to the glossary: terms whose words lost their blanks
/// ("howdoyoudo?", "busstop", "porciento"), words cut by a blank ("forta leza") and entries
/// that are no terms ("%h...ago", "archi‐", "dependonldependupon"). Headwords and translations alike. A joined term is
/// mended where the same letters stand spaced elsewhere in the data ("how do you do?"),
/// else where its words part in one way only into words of the language's word list
/// (JoinedWordSplitter); one that parts in several ways is left out, and so is junk.
class GlossaryCleaner {
public:
    using Language = GlossaryLanguage;

    /// SPANISHHEADS: the entries of the Spanish–English dictionary; ENGLISHHEADS: those of
    /// the English–Spanish one.
    /// SPANISHWORDS and ENGLISHWORDS: each language's word list as readWordList reads it
    /// (may be empty).
    GlossaryCleaner(const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, QSet<QString> spanishWords = {},
        QSet<QString> englishWords = {});

    /// The words of the word list files FILES (one a line, UTF-8), lower case, names (listed
    /// only with a capital) with their capital; throws CourseError naming a file that
    /// cannot be read.
    static QSet<QString> readWordList(const QStringList& files);

    /// TERM (a headword or a translation in LANGUAGE) as the glossary should hold it
    /// (mended, blanks and hyphens made plain), or empty when it is junk or a joined form
    /// that cannot be mended.
    QString term(const QString& term, Language language) const;

    /// What is wrong with TERM as a glossary term of LANGUAGE: junk, the same letters as a
    /// term the data writes with blanks, the worst fault of its words, or a word parted by
    /// a blank: a piece that is no word ("forta leza"), or a word the data writes whole
    /// parted otherwise than its mending parts it ("mal en tendido", "at per sand"). None
    /// for a term fit for the glossary.
    JoinedWordSplitter::Fault fault(const QString& term, Language language) const;

    /// True when LANGUAGE's word list holds WORD (in any case).
    bool isWord(const QString& word, Language language) const { return splitter(language).isWord(word.toLower()); }

    /// True for what is no term: an elision ("hace..."), a placeholder ("%h"), a lone
    /// prefix or suffix ("archi-").
    static bool isJunk(const QString& term);

    /// The letters of TERM without blanks, lower case: what a joined form and its spaced
    /// original share.
    static QString joinedKey(const QString& term);

    /// TERM lower case without accents, other marks and apostrophes: what a term and its
    /// twin written with them share.
    static QString foldedKey(const QString& term);

    /// The words of TERM, lower case, without punctuation.
    static QStringList words(const QString& term);

private:
    struct Vocabulary {
        QSet<QString> words;            // every word of the language's spaced terms and its headwords
        QSet<QString> phrased;          // the words of its terms written with blanks
        QSet<QString> alone;            // the terms of one word, lower case
        QSet<QString> runs;             // two to kLongestRun words standing together in a term, lower case
        QHash<QString, QString> spaced; // joinedKey -> the spaced term; empty text when two differ
        QHash<QString, QStringList> folded; // foldedKey -> the terms, lower case
        QSet<QString> asHead;           // the headwords, lower case
        QSet<QString> asTranslation;    // the translations, lower case
    };
    /// The most words of a term whose letters the data may write as one word.
    static constexpr qsizetype kLongestRun = 6;
    static void addWritten(Vocabulary& vocabulary, const QString& term);
    static QList<QRegularExpressionMatch> wordMatches(const QString& term);
    const Vocabulary& vocabulary(Language language) const;
    const JoinedWordSplitter& splitter(Language language) const;
    /// What is wrong with WORD, one word of a term of LANGUAGE.
    JoinedWordSplitter::Fault wordFault(const QString& word, Language language) const;
    /// TERM with each blank that parts a listed word removed ("forta leza").
    QString joinParted(const QString& term, Language language) const;
    /// True when the blank between the words FIRST and SECOND of TERM parts a listed word.
    bool isPartedPair(const QString& term, const QRegularExpressionMatch& first, const QRegularExpressionMatch& second,
        Language language) const;
    /// True when the words RUN (with their case) are a word of the data parted otherwise than
    /// the data or the mending parts it.
    bool isPartedRun(const QStringList& run, Language language) const;
    /// True when every word of TERM is a listed word of LANGUAGE.
    bool isListed(const QString& term, Language language) const;
    /// True when the data writes TERM in LANGUAGE also with more accents or apostrophes
    /// ("ñandú" for "ñandu", "one's" for "ones"); a listed word of its own ("papa") is none.
    bool hasMarkedTwin(const QString& term, Language language) const;
    /// True when a word of TERM is misjoined (JoinedWordSplitter::isMisjoined) and the data
    /// does not write TERM so both as a headword and as a translation.
    bool hasMisjoinedWord(const QString& term, Language language) const;
    /// TERM with each joined word mended; empty when one cannot be, or is junk.
    QString mendWords(const QString& term, Language language) const;

    Vocabulary m_spanish;
    Vocabulary m_english;
    std::unique_ptr<JoinedWordSplitter> m_spanishSplitter;
    std::unique_ptr<JoinedWordSplitter> m_englishSplitter;
};
