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

QString withoutAccents(const QString& word)
{
    QString plain;
    for (const QChar c : word.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    }
    return plain;
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
                heads.phrased.unite(QSet<QString>(headWords.begin(), headWords.end()));
            addWritten(heads, head);
            heads.asHead.insert(head.toLower());
            for (const QString& translation : entry.translations) {
                // Only a term written with blanks shows where its words part.
                if (const QString term = plainHyphens(translation); !isJunk(term)) {
                    addWritten(others, term);
                    others.asTranslation.insert(term.toLower());
                    if (term.contains(QLatin1Char(' '))) {
                        const QStringList termWords = words(term);
                        for (const QString& word : termWords)
                            others.words.insert(word);
                        others.phrased.unite(QSet<QString>(termWords.begin(), termWords.end()));
                    }
                }
            }
        }
    };
    learn(spanishHeads, m_spanish, m_english);
    learn(englishHeads, m_english, m_spanish);
    // A word the data writes alone is known as well ("home", a translation of "casa").
    m_spanishSplitter = std::make_unique<JoinedWordSplitter>(Language::Spanish, std::move(spanishWords), m_spanish.words + m_spanish.alone);
    m_englishSplitter = std::make_unique<JoinedWordSplitter>(Language::English, std::move(englishWords), m_english.words + m_english.alone);
}

void GlossaryCleaner::addWritten(Vocabulary& vocabulary, const QString& term)
{
    const QStringList termWords = words(term);
    if (termWords.size() == 1)
        vocabulary.alone.insert(termWords.first());
    if (QStringList& twins = vocabulary.folded[foldedKey(term)]; !twins.contains(term.toLower()))
        twins << term.toLower();
    for (qsizetype first = 0; first + 1 < termWords.size(); ++first) {
        for (qsizetype last = first + 1; last < termWords.size() && last - first < kLongestRun; ++last)
            vocabulary.runs.insert(termWords.mid(first, last - first + 1).join(QLatin1Char(' ')));
    }
    if (!term.contains(QLatin1Char(' ')))
        return;
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
    const Vocabulary& known = vocabulary(language);
    if (!isListed(plain, language)) {
        // "libritode memoria", "de segundamano": spaced as the data spaces the same letters.
        if (const QString spaced = known.spaced.value(joinedKey(plain)); spaced.count(QLatin1Char(' ')) > plain.count(QLatin1Char(' '))) {
            // The term's own letters (and their case), with the blanks where the data has them.
            const QString letters = QString(plain).remove(QLatin1Char(' '));
            QString mended;
            qsizetype next = 0;
            for (const QChar c : spaced)
                mended += c.isSpace() ? c : letters.at(next++);
            plain = mended;
        }
    }
    const QString mended = mendWords(joinParted(plain, language), language);
    if (mended.isEmpty() || hasMisjoinedWord(mended, language) || hasMarkedTwin(mended, language))
        return {};
    return mended;
}

QString GlossaryCleaner::joinParted(const QString& term, Language language) const
{
    QString joined = term;
    const QList<QRegularExpressionMatch> found = wordMatches(term);
    // From the end, so that the earlier positions stand.
    for (qsizetype i = found.size() - 1; i > 0; --i) {
        if (isPartedPair(term, found.at(i - 1), found.at(i), language))
            joined.remove(found.at(i - 1).capturedEnd(), 1);
    }
    return joined;
}

bool GlossaryCleaner::isPartedPair(
    const QString& term, const QRegularExpressionMatch& first, const QRegularExpressionMatch& second, Language language) const
{
    // "forta leza", "carnes tolendas": a blank inside a listed word that leaves a piece no
    // word. The Spanish list writes "qué", "cómo" without their accent ("por qué" stays).
    // Two words either way ("a la", "ala"; "some one") are left as the data has them.
    if (second.capturedStart() != first.capturedEnd() + 1 || term.at(first.capturedEnd()) != QLatin1Char(' '))
        return false;
    const QString a = first.captured().toLower();
    const QString b = second.captured().toLower();
    const auto noWord = [&](const QString& piece) { return !isWord(piece, language) && !isWord(withoutAccents(piece), language); };
    return (noWord(a) || noWord(b)) && isWord(a + b, language);
}

JoinedWordSplitter::Fault GlossaryCleaner::wordFault(const QString& word, Language language) const
{
    const JoinedWordSplitter::Fault fault = splitter(language).fault(word);
    // A word the data writes among others, one letter from a listed word, is that word
    // misspelt ("bath superintendant"), not words run together ("superintend|ant").
    const QString lower = word.toLower();
    if (fault == JoinedWordSplitter::Fault::Joined && vocabulary(language).phrased.contains(lower) && splitter(language).isMisspelt(lower))
        return JoinedWordSplitter::Fault::None;
    return fault;
}

QString GlossaryCleaner::mendWords(const QString& term, Language language) const
{
    QString mended = term;
    qsizetype shift = 0;
    for (const QRegularExpressionMatch& match : wordMatches(term)) {
        const QString word = match.captured();
        // Only its marks tell a word the list writes with them ("ñandu", "ñandú").
        if (const QString twin = splitter(language).markedTwin(word.toLower());
            !twin.isEmpty() && word.isLower() && !isWord(word, language)) {
            mended.replace(match.capturedStart() + shift, word.size(), twin);
            shift += twin.size() - word.size();
            continue;
        }
        switch (wordFault(word, language)) {
        case JoinedWordSplitter::Fault::None:
            break;
        case JoinedWordSplitter::Fault::Parted:
        case JoinedWordSplitter::Fault::Twin:
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

bool GlossaryCleaner::isPartedRun(const QStringList& run, Language language) const
{
    // Words the data writes as one ("malentendido", "beadrift", "atpersand") stand parted
    // only as the data parts them elsewhere or as their mending parts them.
    const Vocabulary& known = vocabulary(language);
    const QString text = run.join(QLatin1Char(' ')).toLower();
    const QString joined = run.join(QString());
    if (known.runs.contains(text) || !(known.alone.contains(joined.toLower()) || known.words.contains(joined.toLower())))
        return false;
    return term(joined, language).toLower() != text;
}

JoinedWordSplitter::Fault GlossaryCleaner::fault(const QString& term, Language language) const
{
    if (isJunk(term) || term != term.simplified())
        return JoinedWordSplitter::Fault::Junk;
    const Vocabulary& known = vocabulary(language);
    if (!isListed(term, language) && known.spaced.value(joinedKey(term)).count(QLatin1Char(' ')) > term.count(QLatin1Char(' ')))
        return JoinedWordSplitter::Fault::Joined;
    if (hasMisjoinedWord(term, language))
        return JoinedWordSplitter::Fault::Joined;
    if (hasMarkedTwin(term, language))
        return JoinedWordSplitter::Fault::Twin;
    auto worst = JoinedWordSplitter::Fault::None;
    const QList<QRegularExpressionMatch> found = wordMatches(term);
    for (qsizetype i = 0; i < found.size(); ++i) {
        worst = std::max(worst, wordFault(found.at(i).captured(), language));
        if (i > 0 && isPartedPair(term, found.at(i - 1), found.at(i), language))
            worst = std::max(worst, JoinedWordSplitter::Fault::Parted);
    }
    // Runs of words parted by blanks ("first-aid station" holds no "first aid").
    for (qsizetype first = 0; first + 1 < found.size(); ++first) {
        QStringList run { found.at(first).captured() };
        for (qsizetype last = first + 1; last < found.size() && last - first < kLongestRun; ++last) {
            if (term.mid(found.at(last - 1).capturedEnd(), found.at(last).capturedStart() - found.at(last - 1).capturedEnd()) != QLatin1String(" "))
                break;
            run << found.at(last).captured();
            if (isPartedRun(run, language))
                worst = std::max(worst, JoinedWordSplitter::Fault::Parted);
        }
    }
    return worst;
}

bool GlossaryCleaner::isJunk(const QString& term)
{
    static const QRegularExpression junk(QStringLiteral("[%0-9…]|\\.\\.|^-|-$"));
    return term.isEmpty() || junk.match(term).hasMatch();
}

QString GlossaryCleaner::foldedKey(const QString& term)
{
    return JoinedWordSplitter::folded(term.toLower());
}

bool GlossaryCleaner::hasMarkedTwin(const QString& term, Language language) const
{
    const auto marks = [](const QString& written) {
        return written.normalized(QString::NormalizationForm_D).remove(QLatin1Char(' ')).size() - foldedKey(written).size();
    };
    const QString lower = term.toLower();
    if (!lower.contains(QLatin1Char(' ')) && isWord(lower, language))
        return false;
    const QStringList twins = vocabulary(language).folded.value(foldedKey(lower));
    if (std::any_of(twins.begin(), twins.end(), [&](const QString& twin) { return marks(twin) > marks(lower); }))
        return true;
    // A word the list writes only with its marks ("ñandú"); a name keeps its own ("Londres",
    // beside "londrés").
    const QList<QRegularExpressionMatch> found = wordMatches(term);
    return std::any_of(found.begin(), found.end(), [&](const QRegularExpressionMatch& match) {
        const QString word = match.captured();
        const QString twin = splitter(language).markedTwin(word);
        return word.isLower() && !isWord(word, language) && !twin.isEmpty() && twin != word;
    });
}

bool GlossaryCleaner::hasMisjoinedWord(const QString& term, Language language) const
{
    const Vocabulary& known = vocabulary(language);
    const QString lower = term.toLower();
    const QStringList termWords = words(lower);
    if (std::any_of(termWords.begin(), termWords.end(),
            [&](const QString& word) { return splitter(language).misjoin(word) == JoinedWordSplitter::Misjoin::Listed; }))
        return true;
    if (known.asHead.contains(lower) && known.asTranslation.contains(lower))
        return false;
    // "RioGrande": capitals that mark two words.
    static const QRegularExpression capitals(QStringLiteral("^\\p{Lu}\\p{Ll}{2,}\\p{Lu}\\p{Ll}{2,}$"));
    if (capitals.match(term).hasMatch() && !isWord(lower, language))
        return true;
    // A word misspelt in a phrase is no join ("bath superintendant"), nor is a name the
    // lists lack ("Hungarian").
    const QList<QRegularExpressionMatch> found = wordMatches(term);
    return std::any_of(found.begin(), found.end(), [&](const QRegularExpressionMatch& match) {
        const QString word = match.captured();
        return word.isLower() && splitter(language).misjoin(word) == JoinedWordSplitter::Misjoin::Near && !(termWords.size() > 1 && splitter(language).isMisspelt(word));
    });
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

QList<QRegularExpressionMatch> GlossaryCleaner::wordMatches(const QString& term)
{
    QList<QRegularExpressionMatch> found;
    QRegularExpressionMatchIterator match = wordPattern().globalMatch(term);
    while (match.hasNext())
        found << match.next();
    return found;
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
    QSet<QString> names;
    for (const QString& file : files) {
        QFile list(file);
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            throw CourseError(QStringLiteral("%1 cannot be read (install the word list's package, see tools/setup-debian.sh)").arg(file));
        while (!list.atEnd()) {
            const QString word = QString::fromUtf8(list.readLine()).trimmed();
            if (word.isEmpty())
                continue;
            if (word.at(0).isUpper())
                names.insert(word);
            else
                words.insert(word.toLower());
        }
    }
    // A name ("Les", "Soto", "Jun") is a word only in capitals: never a piece of a joined
    // word ("les|sandless", "soto|speak").
    for (const QString& name : std::as_const(names))
        words.insert(words.contains(name.toLower()) ? name.toLower() : name);
    return words;
}
