#pragma once

#include "EnglishStemmer.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

class Database;

/// An English word of a subtitle looked up in the course's own glossary: the English
/// term it is, any case, as the glossary lists it or else under its base form ("houses"
/// is "house", "stopped" is "stop", "making" is "make", "Tom's" is "Tom"), and its
/// Spanish translations, read with the glossary's own saved query.
///
/// A base form counts only when the Snowball stemmer gives it the word's own stem, so a
/// shorter word that merely looks like one ("not" for "notes", "us" for "uses", "hat" for
/// "hated") is never taken for it. A word with digits ("1990s", "3rd") is only ever
/// looked up whole.
class WordLookup {
public:
    struct Result {
        QString word;             ///< as the subtitle has it, without the punctuation around it
        QString term;             ///< the glossary's English term; empty when none matched
        qint32 id = -1;           ///< its `id_ing`
        QStringList translations; ///< Spanish, in the query's order
        bool found() const { return id >= 0; }
    };

    /// Looks words up in CONTENT (its `glosing` table and saved query "consulta-ing-esp").
    explicit WordLookup(Database& content);

    /// The glossary entry of WORD, the exact form first, then its base forms.
    Result lookup(const QString& word);
    /// Why words are only looked up whole (the stemmer could not be opened); empty when
    /// they are not.
    QString stemmerError() const { return m_stemmer ? m_stemmer->error() : QString(); }

    /// WORD without what is not a letter or a digit around it.
    static QString trimmed(const QString& word);
    /// WORD trimmed, in lower case, with the typographic apostrophe as "'" and without what is not
    /// a letter or a digit around it.
    static QString cleaned(const QString& word);
    /// The forms a glossary could list WORD (cleaned) under, the word itself first, then
    /// what is left when an English ending is taken off; not all of them are its base forms.
    static QStringList candidates(const QString& word);

private:
    void loadTerms();
    /// The key of m_terms that WORD is looked up as; empty when there is none.
    QString termOf(const QString& word) const;

    Database& m_content;
    std::unique_ptr<EnglishStemmer> m_stemmer; ///< made with the terms, at the first word looked up
    QHash<QString, std::pair<QString, qint32>> m_terms; ///< lower-case term -> (term, id_ing)
};
