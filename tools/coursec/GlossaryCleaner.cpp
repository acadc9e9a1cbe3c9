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

// A word of a term: its letters and the apostrophes inside ("frog's"); hyphens part words.
const QRegularExpression& wordPattern()
{
    static const QRegularExpression word(QStringLiteral("\\w+(?:'\\w+)*"), QRegularExpression::UseUnicodePropertiesOption);
    return word;
}

} // namespace

GlossaryCleaner::GlossaryCleaner(
    const DictionaryEntries& spanishHeads, const DictionaryEntries& englishHeads, QSet<QString> spanishWords, QSet<QString> englishWords)
{
    const auto learn = [](const DictionaryEntries& entries, Vocabulary& heads, Vocabulary& others) {
        for (const DictionaryEntry& entry : entries) {
            const QString head = plainHyphens(entry.headword);
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
    m_spanishSplitter = std::make_unique<JoinedWordSplitter>(Language::Spanish, std::move(spanishWords), m_spanish.words);
    m_englishSplitter = std::make_unique<JoinedWordSplitter>(Language::English, std::move(englishWords), m_english.words);
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

const JoinedWordSplitter& GlossaryCleaner::splitter(Language language) const
{
    return language == Language::Spanish ? *m_spanishSplitter : *m_englishSplitter;
}

bool GlossaryCleaner::isListed(const QString& term, Language language) const
{
    // "nowhere" is a word even where the data writes "now here".
    const QStringList parts = words(term);
    return !parts.isEmpty() && std::all_of(parts.begin(), parts.end(), [&](const QString& word) { return isWord(word, language); });
}

QString GlossaryCleaner::term(const QString& term, Language language) const
{
    QString plain = plainHyphens(term);
    if (plain.isEmpty() || isJunk(plain))
        return {};
    const Vocabulary& known = language == Language::Spanish ? m_spanish : m_english;
    if (!plain.contains(QLatin1Char(' ')) && !isListed(plain, language)) {
        if (const QString spaced = known.spaced.value(joinedKey(plain)); !spaced.isEmpty()) {
            // The term's own letters (and their case), with the blanks where the data has them.
            QString mended;
            qsizetype next = 0;
            for (const QChar c : spaced)
                mended += c.isSpace() ? c : plain.at(next++);
            plain = mended;
        }
    }
    return mendWords(plain, language);
}

QString GlossaryCleaner::mendWords(const QString& term, Language language) const
{
    QString mended = term;
    QRegularExpressionMatchIterator found = wordPattern().globalMatch(term);
    qsizetype shift = 0;
    while (found.hasNext()) {
        const QRegularExpressionMatch match = found.next();
        const QString word = match.captured();
        switch (splitter(language).fault(word)) {
        case JoinedWordSplitter::Fault::None:
            break;
        case JoinedWordSplitter::Fault::Junk:
            return {};
        case JoinedWordSplitter::Fault::Joined: {
            const QString parted = splitter(language).mended(word);
            if (parted.isEmpty())
                return {};
            mended.replace(match.capturedStart() + shift, word.size(), parted);
            shift += parted.size() - word.size();
            break;
        }
        }
    }
    return mended;
}

JoinedWordSplitter::Fault GlossaryCleaner::fault(const QString& term, Language language) const
{
    if (isJunk(term) || term != term.simplified())
        return JoinedWordSplitter::Fault::Junk;
    const Vocabulary& known = language == Language::Spanish ? m_spanish : m_english;
    if (!term.contains(QLatin1Char(' ')) && !isListed(term, language) && !known.spaced.value(joinedKey(term)).isEmpty())
        return JoinedWordSplitter::Fault::Joined;
    auto worst = JoinedWordSplitter::Fault::None;
    QRegularExpressionMatchIterator found = wordPattern().globalMatch(term);
    while (found.hasNext())
        worst = std::max(worst, splitter(language).fault(found.next().captured()));
    return worst;
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
    QStringList found;
    QRegularExpressionMatchIterator match = wordPattern().globalMatch(term.toLower());
    while (match.hasNext())
        found << match.next().captured();
    return found;
}

QSet<QString> GlossaryCleaner::readWordList(const QStringList& files)
{
    QSet<QString> words;
    for (const QString& file : files) {
        QFile list(file);
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            throw CourseError(QStringLiteral("%1 cannot be read (install the word list's package, see tools/setup-debian.sh)").arg(file));
        while (!list.atEnd()) {
            if (const QString word = QString::fromUtf8(list.readLine()).trimmed().toLower(); !word.isEmpty())
                words.insert(word);
        }
    }
    return words;
}
