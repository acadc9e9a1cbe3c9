#include "GlossaryCleaner.h"

#include "CourseError.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// The data writes some hyphens as U+2010; the glossary keeps the plain one.
QString plainHyphens(QString term)
{
    return term.replace(QChar(0x2010), QLatin1Char('-')).simplified();
}

} // namespace

GlossaryCleaner::GlossaryCleaner(
    const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, QSet<QString> spanishWords, QSet<QString> englishWords)
{
    m_spanish.listed = std::move(spanishWords);
    m_english.listed = std::move(englishWords);
    const auto learn = [](const DictionaryEntries& entries, Vocabulary& heads, Vocabulary& others) {
        for (const DictionaryEntry& entry : entries) {
            const QString head = plainHyphens(entry.headword);
            heads.headwords.insert(head.toLower());
            const QStringList headWords = words(head);
            for (const QString& word : headWords)
                heads.words.insert(word);
            if (head.contains(QLatin1Char(' ')))
                addSpaced(heads, head);
            for (const QString& translation : entry.translations) {
                // Only a term written with blanks shows where its words part.
                if (const QString term = plainHyphens(translation); term.contains(QLatin1Char(' ')) && !isJunk(term)) {
                    addSpaced(others, term);
                    const QStringList termWords = words(term);
                    for (const QString& word : termWords)
                        others.words.insert(word);
                }
            }
        }
    };
    learn(spanishHeads, m_spanish, m_english);
    learn(englishHeads, m_english, m_spanish);
}

void GlossaryCleaner::addSpaced(Vocabulary& vocabulary, const QString& term)
{
    const QString key = joinedKey(term);
    auto it = vocabulary.spaced.find(key);
    if (it == vocabulary.spaced.end())
        vocabulary.spaced.insert(key, term);
    else if (it->compare(term, Qt::CaseInsensitive) != 0)
        it->clear(); // two spacings of the same letters: neither is proof
}

const GlossaryCleaner::Vocabulary& GlossaryCleaner::vocabulary(Language language) const
{
    return language == Language::Spanish ? m_spanish : m_english;
}

QString GlossaryCleaner::translation(const QString& term, Language language) const
{
    const QString plain = plainHyphens(term);
    if (plain.isEmpty() || isJunk(plain))
        return {};
    if (plain.contains(QLatin1Char(' ')))
        return plain;
    const Vocabulary& known = vocabulary(language);
    if (known.headwords.contains(plain.toLower()))
        return plain;
    if (const QString spaced = known.spaced.value(joinedKey(plain)); !spaced.isEmpty()) {
        // The term's own letters (and their case), with the blanks where the data has them.
        QString mended;
        qsizetype next = 0;
        for (const QChar c : spaced)
            mended += c.isSpace() ? c : plain.at(next++);
        return mended;
    }
    const QStringList parts = words(plain);
    for (const QString& part : parts) {
        if (!known.words.contains(part) && !known.listed.contains(part) && fallsApart(part, known.words, known.listed))
            return {};
    }
    return plain;
}

QString GlossaryCleaner::headword(const QString& headword)
{
    const QString plain = plainHyphens(headword);
    return isJunk(plain) ? QString() : plain;
}

bool GlossaryCleaner::isJunk(const QString& term)
{
    static const QRegularExpression junk(QStringLiteral("[%0-9…]|\\.\\.|^-|-$"));
    return term.isEmpty() || junk.match(term).hasMatch();
}

QString GlossaryCleaner::joinedKey(const QString& term)
{
    QString key;
    for (const QChar c : term) {
        if (!c.isSpace())
            key += c.toLower();
    }
    return key;
}

QStringList GlossaryCleaner::words(const QString& term)
{
    static const QRegularExpression apart(QStringLiteral("[^\\w-]+"), QRegularExpression::UseUnicodePropertiesOption);
    return term.toLower().split(apart, Qt::SkipEmptyParts);
}

QSet<QString> GlossaryCleaner::readWordList(const QString& file)
{
    QFile list(file);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        throw CourseError(QStringLiteral("%1 cannot be read (install the word list's package, see tools/setup-debian.sh)").arg(file));
    QSet<QString> words;
    while (!list.atEnd()) {
        if (const QString word = QString::fromUtf8(list.readLine()).trimmed().toLower(); !word.isEmpty())
            words.insert(word);
    }
    return words;
}

bool GlossaryCleaner::fallsApart(const QString& word, const QSet<QString>& known, const QSet<QString>& listed)
{
    // A word of one letter counts only as the articles and conjunctions that are one.
    static const QSet<QString> oneLetter { QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("o"), QStringLiteral("e"),
        QStringLiteral("u"), QStringLiteral("i") };
    const qsizetype n = word.size();
    // pieces[i]: the fewest known words that make up the first i letters (-1: none do).
    std::vector<int> pieces(size_t(n + 1), -1);
    pieces[0] = 0;
    for (qsizetype end = 1; end <= n; ++end) {
        for (qsizetype start = 0; start < end; ++start) {
            if (pieces[size_t(start)] < 0)
                continue;
            const QString piece = word.mid(start, end - start);
            if (piece.size() == 1 ? oneLetter.contains(piece) : known.contains(piece) || listed.contains(piece)) {
                const int count = pieces[size_t(start)] + 1;
                if (pieces[size_t(end)] < 0 || count < pieces[size_t(end)])
                    pieces[size_t(end)] = count;
            }
        }
    }
    return pieces[size_t(n)] >= 2;
}
