#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

/// One entry of a bilingual dictionary: a headword and its translations.
struct DictionaryEntry {
    QString headword;
    QStringList translations;
};
using DictionaryEntries = std::vector<DictionaryEntry>;

/// Mends what the FreeDict data does to the glossary: translations whose words lost their
/// blanks ("howdoyoudo?", "humanbeing") and entries that are no terms ("%h...ago",
/// "archi‐"). It knows each language's words from both directions' data (the headwords,
/// and every term written with blanks) and from the language's word list. A joined
/// translation is mended only where the same letters stand spaced elsewhere in that data
/// ("how do you do?"), keeping its own letters; one that cannot be mended so, but falls
/// apart into known words, is left out.
class GlossaryCleaner {
public:
    enum class Language { Spanish, English };

    /// SPANISHHEADS: the entries of the Spanish–English dictionary; ENGLISHHEADS: those of
    /// the English–Spanish one.
    /// SPANISHWORDS and ENGLISHWORDS: each language's word list, lower case (may be empty).
    GlossaryCleaner(const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, QSet<QString> spanishWords = {},
        QSet<QString> englishWords = {});

    /// The words of a word list file (one a line, UTF-8), lower case; throws CourseError
    /// when it cannot be read.
    static QSet<QString> readWordList(const QString& file);

    /// TERM as the glossary should hold it (mended, blanks and hyphens made plain), or
    /// empty when it is junk or a joined form that cannot be mended.
    QString translation(const QString& term, Language language) const;

    /// HEADWORD as the glossary should hold it, or empty when it is junk. Headwords are
    /// the dictionary's own words and are never split.
    static QString headword(const QString& headword);

    /// True for what is no term: an elision ("hace..."), a placeholder ("%h"), a lone
    /// prefix or suffix ("archi-").
    static bool isJunk(const QString& term);

    /// The letters of TERM without blanks, lower case: what a joined form and its spaced
    /// original share.
    static QString joinedKey(const QString& term);

    /// The words of TERM, lower case, without punctuation.
    static QStringList words(const QString& term);

    /// True when WORD (lower case, no blanks) is two or more words of KNOWN, or of LISTED,
    /// run together.
    static bool fallsApart(const QString& word, const QSet<QString>& known, const QSet<QString>& listed = {});

private:
    struct Vocabulary {
        QSet<QString> headwords;        // lower case
        QSet<QString> words;            // every word of the language's spaced terms and its headwords
        QSet<QString> listed;           // the language's word list
        QHash<QString, QString> spaced; // joinedKey -> the spaced term; empty text when two differ
    };
    static void addSpaced(Vocabulary& vocabulary, const QString& term);
    const Vocabulary& vocabulary(Language language) const;

    Vocabulary m_spanish;
    Vocabulary m_english;
};
