#include "CutTermFilter.h"

namespace {

// Longer headwords that are no listed word are mostly real words the lists lack
// ("aubergine", "brinjal").
constexpr qsizetype kLongestCutHead = 5;

QString pairKey(const QString& spanish, const QString& english)
{
    return spanish.toLower() + QLatin1Char('\t') + english.toLower();
}

bool isAsciiLetter(QChar c)
{
    return c.unicode() < 0x80 && c.isLetter();
}

} // namespace

CutTermFilter::CutTermFilter(const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, const GlossaryCleaner& cleaner)
    : m_cleaner(cleaner)
{
    const auto add = [this](const QString& spanish, const QString& english) {
        const QString key = m_cleaner.term(spanish, GlossaryCleaner::Language::Spanish).toLower();
        const QString term = m_cleaner.term(english, GlossaryCleaner::Language::English);
        if (!key.isEmpty() && !term.isEmpty())
            m_english[key] << term;
        return pairKey(key, term);
    };
    for (const DictionaryEntry& entry : spanishHeads) {
        for (const QString& translation : entry.translations) {
            m_spanishPairs.insert(add(entry.headword, translation));
            m_written.insert(translation.toLower());
        }
    }
    for (const DictionaryEntry& entry : englishHeads) {
        m_heads.insert(entry.headword);
        for (const QString& translation : entry.translations)
            add(translation, entry.headword);
    }
}

bool CutTermFilter::isPrefixPiece(const QString& english, const QStringList& others, Boundary boundary)
{
    return std::any_of(others.begin(), others.end(), [&](const QString& other) {
        if (other.size() <= english.size() || !other.startsWith(english, Qt::CaseInsensitive))
            return false;
        const QChar next = other.at(english.size());
        return boundary == Boundary::Any ? !isAsciiLetter(next) : next == QLatin1Char('-') || next.unicode() >= 0x80;
    });
}

bool CutTermFilter::isStrayLetters(const QString& english)
{
    static const QSet<QString> words { QStringLiteral("a"), QStringLiteral("i"), QStringLiteral("of"), QStringLiteral("on"),
        QStringLiteral("in"), QStringLiteral("to"), QStringLiteral("at"), QStringLiteral("by"), QStringLiteral("up"), QStringLiteral("as"),
        QStringLiteral("or"), QStringLiteral("so"), QStringLiteral("be"), QStringLiteral("go"), QStringLiteral("do"), QStringLiteral("no"),
        QStringLiteral("is"), QStringLiteral("it"), QStringLiteral("we"), QStringLiteral("he"), QStringLiteral("my"), QStringLiteral("an"),
        QStringLiteral("me"), QStringLiteral("us"), QStringLiteral("ox"), QStringLiteral("if"), QStringLiteral("am"), QStringLiteral("ah"),
        QStringLiteral("oh"), QStringLiteral("hi"), QStringLiteral("ok"), QStringLiteral("tv"), QStringLiteral("mr"), QStringLiteral("ad"),
        QStringLiteral("ye") };
    return english.size() <= 2 && !words.contains(english.toLower());
}

bool CutTermFilter::isCut(const QString& english, const QString& spanish) const
{
    if (isStrayLetters(english))
        return true;
    // The Spanish–English data cuts nothing: what it pairs stands ("atún", "tuna" beside
    // "tuna-fish").
    if (m_spanishPairs.contains(pairKey(spanish, english)))
        return false;
    if (m_heads.contains(english) && english.size() <= kLongestCutHead && !english.contains(QLatin1Char(' '))
        && !m_cleaner.isWord(english, GlossaryCleaner::Language::English) && !m_written.contains(english.toLower()))
        return true;
    // Before a blank the piece may be a word of its own ("add", "add up" for "sumar"): it is
    // a piece when a name's ("El Salvador") or shorter than the Spanish term it stands for
    // ("filling" for "estación de servicio").
    const QStringList others = m_english.value(spanish.toLower());
    if (isPrefixPiece(english, others, Boundary::HyphenOrAccent))
        return true;
    return (english.at(0).isUpper() || GlossaryCleaner::words(english).size() < GlossaryCleaner::words(spanish).size())
        && isPrefixPiece(english, others, Boundary::Any);
}
