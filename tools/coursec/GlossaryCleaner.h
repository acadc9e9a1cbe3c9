#pragma once

#include "JoinedWordSplitter.h"

#include <QHash>
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
/// ("howdoyoudo?", "busstop", "porciento") and entries that are no terms ("%h...ago",
/// "archi‐", "dependonldependupon"). Headwords and translations alike. A joined term is
/// mended where the same letters stand spaced elsewhere in the data ("how do you do?"),
/// else where its words part in one way only into words of the language's word list
/// (JoinedWordSplitter); one that parts in several ways is left out, and so is junk.
class GlossaryCleaner {
public:
    using Language = GlossaryLanguage;

    /// SPANISHHEADS: the entries of the Spanish–English dictionary; ENGLISHHEADS: those of
    /// the English–Spanish one.
    /// SPANISHWORDS and ENGLISHWORDS: each language's word list, lower case (may be empty).
    GlossaryCleaner(const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, QSet<QString> spanishWords = {},
        QSet<QString> englishWords = {});

    /// The words of the word list files FILES (one a line, UTF-8), lower case; throws
    /// CourseError naming a file that cannot be read.
    static QSet<QString> readWordList(const QStringList& files);

    /// TERM (a headword or a translation in LANGUAGE) as the glossary should hold it
    /// (mended, blanks and hyphens made plain), or empty when it is junk or a joined form
    /// that cannot be mended.
    QString term(const QString& term, Language language) const;

    /// What is wrong with TERM as a glossary term of LANGUAGE: junk, the same letters as a
    /// term the data writes with blanks, or the worst fault of its words (None for a term
    /// fit for the glossary).
    JoinedWordSplitter::Fault fault(const QString& term, Language language) const;

    /// True when LANGUAGE's word list holds WORD (in any case).
    bool isWord(const QString& word, Language language) const { return splitter(language).isWord(word.toLower()); }

    /// True for what is no term: an elision ("hace..."), a placeholder ("%h"), a lone
    /// prefix or suffix ("archi-").
    static bool isJunk(const QString& term);

    /// The letters of TERM without blanks, lower case: what a joined form and its spaced
    /// original share.
    static QString joinedKey(const QString& term);

    /// The words of TERM, lower case, without punctuation.
    static QStringList words(const QString& term);

private:
    struct Vocabulary {
        QSet<QString> words;            // every word of the language's spaced terms and its headwords
        QHash<QString, QString> spaced; // joinedKey -> the spaced term; empty text when two differ
    };
    static void addSpaced(Vocabulary& vocabulary, const QString& term);
    const JoinedWordSplitter& splitter(Language language) const;
    /// True when every word of TERM is a listed word of LANGUAGE.
    bool isListed(const QString& term, Language language) const;
    /// TERM with each joined word mended; empty when one cannot be, or is junk.
    QString mendWords(const QString& term, Language language) const;

    Vocabulary m_spanish;
    Vocabulary m_english;
    std::unique_ptr<JoinedWordSplitter> m_spanishSplitter;
    std::unique_ptr<JoinedWordSplitter> m_englishSplitter;
};
