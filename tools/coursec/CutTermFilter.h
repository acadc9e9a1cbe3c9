#pragma once

#include "GlossaryCleaner.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

/// Tells the English pieces the FreeDict English–Spanish data leaves as headwords: it cuts
/// a headword at its first blank, hyphen or letter outside ASCII ("El" for "El Salvador",
/// "drinking" for "drinking-water", "fianc" for "fiancé", "fa" for "façade"). A piece is
/// an English term that starts another English translation of the same Spanish term up to
/// a blank, hyphen or such a letter; a short headword that is no listed English word and
/// no term the Spanish–English data writes ("caf", "prot", "resum"); or a term of one or two
/// letters that is no English word ("n", "Li"). A pair the Spanish–English data writes
/// is no piece unless it is such stray letters.
class CutTermFilter {
public:
    CutTermFilter(const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, const GlossaryCleaner& cleaner);

    /// True when ENGLISH, given as a translation of SPANISH (both as the glossary holds
    /// them), is a cut piece.
    bool isCut(const QString& english, const QString& spanish) const;

    /// Where a piece may end in the term it was cut from.
    enum class Boundary { HyphenOrAccent, Any };

    /// True when ENGLISH starts one of OTHERS up to a hyphen or a letter outside ASCII, or
    /// with BOUNDARY Any also up to a blank or other mark.
    static bool isPrefixPiece(const QString& english, const QStringList& others, Boundary boundary);

    /// True for a term of one or two letters that is no English word ("n", "Li").
    static bool isStrayLetters(const QString& english);

private:
    const GlossaryCleaner& m_cleaner;
    QHash<QString, QStringList> m_english; // Spanish term, lower case -> its English terms in both data
    QSet<QString> m_written;               // the English terms the Spanish–English data writes, lower case
    QSet<QString> m_spanishPairs;          // Spanish and English terms the Spanish–English data pairs, lower case
    QSet<QString> m_heads;                 // the English–Spanish data's headwords
};
