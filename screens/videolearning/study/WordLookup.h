#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class Database;

/// An English word of a subtitle looked up in the course's own glossary: the English
/// term it is (letters only, any case, and the plain forms behind the endings -s, -es,
/// -ed and -ing: "houses" is "house", "stopped" is "stop", "making" is "make") and
/// its Spanish translations, read with the glossary's own saved query.
class WordLookup {
public:
    struct Result {
        QString word;             ///< as the subtitle has it, without punctuation
        QString term;             ///< the glossary's English term; empty when none matched
        qint32 id = -1;           ///< its `id_ing`
        QStringList translations; ///< Spanish, in the query's order
        bool found() const { return id >= 0; }
    };

    /// Looks words up in CONTENT (its `glosing` table and saved query "consulta-ing-esp").
    explicit WordLookup(Database& content);

    /// The glossary entry of WORD, the exact form first, then the plain forms.
    Result lookup(const QString& word);

    /// WORD in lower case without what is not a letter, an apostrophe or a hyphen inside it.
    static QString cleaned(const QString& word);
    /// The forms a glossary could list WORD (cleaned) under, the word itself first.
    static QStringList candidates(const QString& word);

private:
    void loadTerms();

    Database& m_content;
    bool m_loaded = false;
    QHash<QString, std::pair<QString, qint32>> m_terms; ///< lower-case term -> (term, id_ing)
};
