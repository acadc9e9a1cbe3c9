#include "WordLookup.h"

#include "Database.h"
#include "QueryDef.h"
#include "Recordset.h"

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

} // namespace

WordLookup::WordLookup(Database& content)
    : m_content(content)
{
}

QString WordLookup::cleaned(const QString& word)
{
    QString text = word.toLower();
    qsizetype first = 0;
    qsizetype last = text.size() - 1;
    while (first <= last && !text.at(first).isLetter())
        ++first;
    while (last >= first && !text.at(last).isLetter())
        --last;
    text = text.mid(first, last - first + 1);
    text.replace(QChar(0x2019), QLatin1Char('\''));
    // "house's" is looked up as "house".
    if (text.endsWith(QLatin1String("'s")))
        text.chop(2);
    return text;
}

QStringList WordLookup::candidates(const QString& word)
{
    const QString w = cleaned(word);
    QStringList forms { w };
    const auto add = [&forms](const QString& form) {
        if (form.size() >= 2 && !forms.contains(form))
            forms << form;
    };
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
    if (w.endsWith(QLatin1String("ing"))) {
        const QString stem = w.left(w.size() - 3);
        add(stem);                          // walking
        add(stem + QLatin1Char('e'));       // making
        if (endsDoubled(stem))
            add(stem.left(stem.size() - 1)); // running
    }
    return forms;
}

void WordLookup::loadTerms()
{
    m_loaded = true;
    auto rows = m_content.openRecordset(QStringLiteral("select * from glosing order by termino"));
    for (; !rows->isEof(); rows->moveNext()) {
        const QString term = rows->text(QStringLiteral("termino")).trimmed();
        const QString key = term.toLower();
        if (!key.isEmpty() && !m_terms.contains(key))
            m_terms.insert(key, { term, qint32(rows->number(QStringLiteral("id_ing"))) });
    }
}

WordLookup::Result WordLookup::lookup(const QString& word)
{
    if (!m_loaded)
        loadTerms();
    Result result;
    result.word = cleaned(word);
    if (result.word.isEmpty())
        return result;
    for (const QString& form : candidates(word)) {
        const auto found = m_terms.constFind(form);
        if (found == m_terms.cend())
            continue;
        result.term = found->first;
        result.id = found->second;
        break;
    }
    if (!result.found())
        return result;
    QueryDef query = m_content.queryDef(QStringLiteral("consulta-ing-esp"));
    query.setParameter(QStringLiteral("coding"), result.id);
    for (auto rows = query.openRecordset(); !rows->isEof(); rows->moveNext())
        result.translations << rows->text(QStringLiteral("termino"));
    return result;
}
