#include "WordLookup.h"

#include "Database.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "WholeWord.h"

#include <algorithm>

namespace {

bool isVowel(QChar c)
{
    return QStringLiteral("aeiou").contains(c);
}

// "stopp" from "stopped": the consonant doubled before the ending.
bool endsDoubled(const QString& stem)
{
    return stem.size() >= 3 && stem.back() == stem.at(stem.size() - 2) && !isVowel(stem.back()) && stem.back() != QLatin1Char('s');
}

// Whether a form whose stem is FORM_ROOT is the word whose stem is WORD_ROOT. The stemmer
// undoes a doubled consonant before an ending ("added" is "ad") but not in the bare word
// ("add" is "add").
bool sameRoot(const QString& wordRoot, const QString& formRoot)
{
    if (formRoot == wordRoot)
        return true;
    return formRoot.size() == wordRoot.size() + 1 && formRoot.startsWith(wordRoot) && endsDoubled(formRoot);
}

bool hasDigit(const QString& word)
{
    return std::any_of(word.cbegin(), word.cend(), [](QChar c) { return c.isDigit(); });
}

} // namespace

WordLookup::WordLookup(Database& content)
    : m_content(content)
{
}

QString WordLookup::trimmed(const QString& word)
{
    qsizetype first = 0;
    qsizetype last = word.size() - 1;
    while (first <= last && !WholeWord::isWordCharacter(word.at(first)))
        ++first;
    while (last >= first && !WholeWord::isWordCharacter(word.at(last)))
        --last;
    return word.mid(first, last - first + 1);
}

QString WordLookup::cleaned(const QString& word)
{
    return trimmed(word).toLower().replace(QChar(0x2019), QLatin1Char('\''));
}

QStringList WordLookup::candidates(const QString& word)
{
    QString w = cleaned(word);
    QStringList forms { w };
    if (w.isEmpty() || hasDigit(w))
        return forms;
    const auto add = [&forms](const QString& form) {
        if (form.size() >= 2 && !forms.contains(form))
            forms << form;
    };
    // "Tom's", "children's", "it's": the word before the ending, then its own endings.
    if (w.endsWith(QLatin1String("'s"))) {
        w.chop(2);
        add(w);
    }
    if (w.endsWith(QLatin1String("ies")))
        add(w.left(w.size() - 3) + QLatin1Char('y')); // cities
    if (w.endsWith(QLatin1String("es")))
        add(w.left(w.size() - 2)); // boxes, watches
    if (w.endsWith(QLatin1Char('s')) && !w.endsWith(QLatin1String("ss")))
        add(w.left(w.size() - 1)); // houses, cars
    if (w.endsWith(QLatin1String("ied")))
        add(w.left(w.size() - 3) + QLatin1Char('y')); // studied
    if (w.endsWith(QLatin1String("ed"))) {
        const QString stem = w.left(w.size() - 2);
        add(stem);                          // walked
        add(w.left(w.size() - 1));          // liked
        if (endsDoubled(stem))
            add(stem.left(stem.size() - 1)); // stopped
    }
    if (w.endsWith(QLatin1String("ying")))
        add(w.left(w.size() - 4) + QStringLiteral("ie")); // lying
    if (w.endsWith(QLatin1String("ing"))) {
        const QString stem = w.left(w.size() - 3);
        add(stem);                          // walking
        add(stem + QLatin1Char('e'));       // making
        if (endsDoubled(stem))
            add(stem.left(stem.size() - 1)); // running
    }
    return forms;
}

QString WordLookup::termOf(const QString& word) const
{
    const QStringList forms = candidates(word);
    const QString& whole = forms.front();
    if (whole.isEmpty())
        return {};
    if (m_terms.contains(whole))
        return whole;
    const QString root = m_stemmer->stem(whole);
    for (qsizetype i = 1; i < forms.size(); ++i) {
        if (m_terms.contains(forms.at(i)) && sameRoot(root, m_stemmer->stem(forms.at(i))))
            return forms.at(i);
    }
    // The stemmer keeps the e of "goes" and "does" ("goe", "doe"), where a word in -o took -es.
    if (whole.endsWith(QLatin1String("oes")) && m_terms.contains(whole.chopped(2)))
        return whole.chopped(2);
    return {};
}

void WordLookup::loadTerms()
{
    m_stemmer = std::make_unique<EnglishStemmer>();
    auto rows = m_content.openRecordset(QStringLiteral("select * from glosing order by termino"));
    for (; !rows->isEof(); rows->moveNext()) {
        const QString term = rows->text(QStringLiteral("termino")).trimmed();
        const QString key = term.toLower().replace(QChar(0x2019), QLatin1Char('\''));
        if (!key.isEmpty() && !m_terms.contains(key))
            m_terms.insert(key, { term, qint32(rows->number(QStringLiteral("id_ing"))) });
    }
}

WordLookup::Result WordLookup::lookup(const QString& word)
{
    if (!m_stemmer)
        loadTerms();
    Result result;
    result.word = trimmed(word);
    if (result.word.isEmpty())
        return result;
    const auto found = m_terms.constFind(termOf(word));
    if (found == m_terms.cend())
        return result;
    result.term = found->first;
    result.id = found->second;
    QueryDef query = m_content.queryDef(QStringLiteral("consulta-ing-esp"));
    query.setParameter(QStringLiteral("coding"), result.id);
    for (auto rows = query.openRecordset(); !rows->isEof(); rows->moveNext())
        result.translations << rows->text(QStringLiteral("termino"));
    return result;
}
