#pragma once

#include <QString>

struct sb_stemmer;
struct StemmerLibrary;

/// The Snowball stemmer for English: the root that an English word shares with its other
/// forms ("notes" and "note" are "note", "not" stays "not"). The library is opened at the
/// first stemmer made rather than linked, so that a start of the program that looks up no
/// word does not pay for it. One stemmer serves one thread.
class EnglishStemmer {
public:
    EnglishStemmer();
    ~EnglishStemmer();
    EnglishStemmer(const EnglishStemmer&) = delete;
    EnglishStemmer& operator=(const EnglishStemmer&) = delete;

    /// Whether the stemmer works; when not, error() says why.
    bool isValid() const { return m_stemmer != nullptr; }
    QString error() const { return m_error; }

    /// The stem of WORD (lower case, apostrophes as U+0027); WORD itself when the stemmer
    /// does not work, so that a word then only ever shares its stem with itself.
    QString stem(const QString& word) const;

private:
    const StemmerLibrary* m_library = nullptr;
    sb_stemmer* m_stemmer = nullptr;
    QString m_error;
};
