#include "JoinedWordSplitter.h"

namespace {

// The short words a joined form is made of ("bayofbiscay", "porlanoche"): other words of
// one or two letters in the lists are mostly abbreviations and would part anything.
const QSet<QString>& shortWords(GlossaryLanguage language)
{
    static const QSet<QString> english { QStringLiteral("a"), QStringLiteral("of"), QStringLiteral("on"), QStringLiteral("in"),
        QStringLiteral("to"), QStringLiteral("at"), QStringLiteral("by"), QStringLiteral("up"), QStringLiteral("as"), QStringLiteral("or"),
        QStringLiteral("so"), QStringLiteral("be"), QStringLiteral("go"), QStringLiteral("do"), QStringLiteral("no"), QStringLiteral("is"),
        QStringLiteral("it"), QStringLiteral("we"), QStringLiteral("he"), QStringLiteral("my"), QStringLiteral("an"), QStringLiteral("me"),
        QStringLiteral("us") };
    static const QSet<QString> spanish { QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("o"), QStringLiteral("de"),
        QStringLiteral("la"), QStringLiteral("el"), QStringLiteral("en"), QStringLiteral("al"), QStringLiteral("un"), QStringLiteral("su"),
        QStringLiteral("mi"), QStringLiteral("tu"), QStringLiteral("ya"), QStringLiteral("no"), QStringLiteral("si"), QStringLiteral("ni"),
        QStringLiteral("lo"), QStringLiteral("le"), QStringLiteral("se"), QStringLiteral("me"), QStringLiteral("te") };
    return language == GlossaryLanguage::Spanish ? spanish : english;
}

// The small words that join the words of a Spanish phrase.
bool isSpanishLink(const QString& lower)
{
    static const QSet<QString> links { QStringLiteral("por"), QStringLiteral("con"), QStringLiteral("sin"), QStringLiteral("del"),
        QStringLiteral("las"), QStringLiteral("los"), QStringLiteral("una"), QStringLiteral("que"), QStringLiteral("para"),
        QStringLiteral("más"), QStringLiteral("muy") };
    return (lower.size() < 3 && shortWords(GlossaryLanguage::Spanish).contains(lower)) || links.contains(lower);
}

bool isVowel(QChar c)
{
    return QStringLiteral("aeiouáéíóú").contains(c);
}

// An inner capital after a small letter starts a word of its own ("Asia|Minor",
// "Saints'|Day").
bool innerCapitalAt(const QString& original, qsizetype i)
{
    return i > 0 && i < original.size() && original.at(i).isUpper() && (original.at(i - 1).isLower() || original.at(i - 1) == QLatin1Char('\''));
}

// English writes these after a word as one word with it ("condemnable", "artilleryman").
bool isEnglishSuffix(const QString& lower)
{
    static const QSet<QString> suffixes { QStringLiteral("able"), QStringLiteral("ible"), QStringLiteral("man"), QStringLiteral("men"),
        QStringLiteral("ness"), QStringLiteral("less"), QStringLiteral("ful"), QStringLiteral("ship"), QStringLiteral("ward"),
        QStringLiteral("wards"), QStringLiteral("hood"), QStringLiteral("like"), QStringLiteral("wise"), QStringLiteral("some") };
    return suffixes.contains(lower);
}

// The last letters of an English word that end it in a learned suffix ("acet|ous",
// "exact|ion"): a piece of them is the suffix, not a word ("ace|to|us").
bool isEnglishSuffixTail(const QString& lower, qsizetype tail)
{
    static const QStringList suffixes { QStringLiteral("ous"), QStringLiteral("ion"), QStringLiteral("ism"), QStringLiteral("ist"),
        QStringLiteral("ity") };
    constexpr qsizetype kLongestTail = 3;
    return lower.size() - tail <= kLongestTail
        && std::any_of(suffixes.begin(), suffixes.end(), [&](const QString& suffix) { return lower.endsWith(suffix); });
}

} // namespace

JoinedWordSplitter::JoinedWordSplitter(GlossaryLanguage language, QSet<QString> listed, QSet<QString> known)
    : m_language(language)
    , m_listed(std::move(listed))
    , m_known(std::move(known))
{
    for (const QString& word : std::as_const(m_listed)) {
        const QString plain = folded(word);
        if (plain == word || !word.isLower())
            continue;
        if (auto it = m_marked.find(plain); it == m_marked.end())
            m_marked.insert(plain, word);
        else
            it->clear(); // two ways to mark the same letters: neither is certain
    }
}

bool JoinedWordSplitter::isWord(const QString& lower) const
{
    if (m_listed.contains(lower))
        return true;
    const qsizetype n = lower.size();
    if (m_language == GlossaryLanguage::English) {
        // The lists hold few plurals of nouns made of verbs ("chippings").
        if (n > 4 && lower.endsWith(QLatin1Char('s')) && m_listed.contains(lower.chopped(1)))
            return true;
        for (qsizetype stem = n - 3; stem >= 4 && stem >= n - 5; --stem) {
            if (isEnglishSuffix(lower.mid(stem)) && m_listed.contains(lower.left(stem)))
                return true;
        }
        return false;
    }
    // The Spanish list holds the singular: "casas", "ciudades".
    if (lower.size() < 4)
        return false;
    if (lower.endsWith(QLatin1Char('s')) && isVowel(lower.at(n - 2)) && m_listed.contains(lower.left(n - 1)))
        return true;
    return lower.endsWith(QLatin1String("es")) && !isVowel(lower.at(n - 3)) && m_listed.contains(lower.left(n - 2));
}

bool JoinedWordSplitter::isPiece(const QString& lower, PieceRule rule, Use use) const
{
    if (use == Use::Compound && isSpanishLink(lower))
        return false;
    if (lower.size() < 3)
        return rule != PieceRule::LongKnown && shortWords(m_language).contains(lower);
    // An English possessive is its noun's piece ("frog's|legs").
    if (m_language == GlossaryLanguage::English && lower.endsWith(QLatin1String("'s")) && lower.size() > 4)
        return isPiece(lower.chopped(2), rule, use);
    // Names are pieces of names only ("El|Salvador", "Dutch|woman").
    const bool name = rule != PieceRule::Known && m_listed.contains(lower.at(0).toUpper() + lower.mid(1));
    if (!isWord(lower) && !name)
        return false;
    if (rule == PieceRule::Listed || isWritten(lower) || (!m_listed.contains(lower) && !name))
        return true;
    if (rule != PieceRule::Known)
        return false;
    // A listed word of three letters the data never writes is often an abbreviation or a
    // word's tail ("ion", "mas"): enough to tell words run together, too little to part
    // them. A longer one is a word ("home", "adrift"). Spanish lists few participles
    // ("parado", "filado"): only its compounds take a word the data never writes
    // ("mal|entendido").
    constexpr qsizetype kLongPiece = 4;
    if (m_language == GlossaryLanguage::English)
        return use == Use::Tell || lower.size() >= kLongPiece;
    return use == Use::Compound && lower.size() >= kLongPiece;
}

bool JoinedWordSplitter::isWritten(const QString& lower) const
{
    if (lower.size() < 3)
        return shortWords(m_language).contains(lower);
    if (m_language == GlossaryLanguage::English && lower.endsWith(QLatin1String("'s")) && lower.size() > 4)
        return isWritten(lower.chopped(2));
    return m_known.contains(lower);
}

bool JoinedWordSplitter::isMisspelt(const QString& lower) const
{
    // Shorter words are one letter from too many others ("aday", "day").
    constexpr qsizetype kShortestMisspelt = 8;
    if (lower.size() < kShortestMisspelt)
        return false;
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzáéíóúüñ");
    QString changed = lower;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        for (const QChar letter : letters) {
            if (letter == lower.at(i))
                continue;
            changed[i] = letter;
            if (m_listed.contains(changed))
                return true;
        }
        changed[i] = lower.at(i);
        if (i + 1 < lower.size() && lower.at(i) != lower.at(i + 1)) {
            std::swap(changed[i], changed[i + 1]);
            const bool listed = m_listed.contains(changed);
            std::swap(changed[i], changed[i + 1]);
            if (listed)
                return true;
        }
    }
    return false;
}

bool JoinedWordSplitter::isPronoun(const QString& lower) const
{
    static const QSet<QString> pronouns { QStringLiteral("se"), QStringLiteral("me"), QStringLiteral("te"), QStringLiteral("nos"),
        QStringLiteral("os"), QStringLiteral("le"), QStringLiteral("lo"), QStringLiteral("la"), QStringLiteral("les"), QStringLiteral("los"),
        QStringLiteral("las") };
    return m_language == GlossaryLanguage::Spanish && pronouns.contains(lower);
}

JoinedWordSplitter::PieceRule JoinedWordSplitter::pieceRule(const QString& original)
{
    // Inner capitals show the parts ("AsiaMinor"); a name ("Costa", "Asia") parts only into
    // long words.
    for (qsizetype i = 1; i < original.size(); ++i) {
        if (innerCapitalAt(original, i))
            return PieceRule::Listed;
    }
    return !original.isEmpty() && original.at(0).isUpper() ? PieceRule::LongKnown : PieceRule::Known;
}

JoinedWordSplitter::Pieces JoinedWordSplitter::pieces(const QString& original, qsizetype from, Use use) const
{
    const QString lower = original.toLower();
    const PieceRule rule = pieceRule(original);
    const size_t n = size_t(lower.size() - from);
    Pieces found { std::vector<int>(n + 1, -1), std::vector<int>(n + 1, 0), std::vector<qsizetype>(n + 1, 0) };
    found.fewest[0] = 0;
    found.ways[0] = 1;
    for (size_t end = 1; end <= n; ++end) {
        for (size_t start = end; start-- > 0;) {
            if (start + 1 < end && innerCapitalAt(original, from + qsizetype(start) + 1))
                break; // a piece never runs over an inner capital
            const qsizetype first = from + qsizetype(start);
            const qsizetype after = from + qsizetype(end);
            // Between inner capitals stands a word, listed or not ("El|Salvador"), unless
            // it parts itself ("inthe|Cubanway").
            const bool segment = rule == PieceRule::Listed && (first == 0 || innerCapitalAt(original, first))
                && (after == original.size() || innerCapitalAt(original, after)) && end - start >= 2
                && pieces(original.mid(first, after - first), 0, use).fewest.back() < 0;
            if (found.fewest[start] < 0 || !(segment || isPiece(lower.mid(first, after - first), rule, use)))
                continue;
            const int count = found.fewest[start] + 1;
            if (found.fewest[end] < 0 || count < found.fewest[end]) {
                found.fewest[end] = count;
                found.ways[end] = found.ways[start];
                found.cut[end] = qsizetype(start);
            } else if (count == found.fewest[end]) {
                found.ways[end] = std::min(2, found.ways[end] + found.ways[start]);
            }
        }
    }
    return found;
}

bool JoinedWordSplitter::twoOrMore(const QString& original, qsizetype from, qsizetype to) const
{
    const Pieces found = pieces(original.left(to), from, Use::Mend);
    const QString lower = original.toLower();
    const PieceRule rule = pieceRule(original);
    for (qsizetype middle = from + 1; middle < to; ++middle) {
        if (found.fewest[size_t(middle - from)] >= 1 && isPiece(lower.mid(middle, to - middle), rule, Use::Mend))
            return true;
    }
    return false;
}

bool JoinedWordSplitter::isCompound(const QString& word, const Pieces& found) const
{
    if (m_language != GlossaryLanguage::Spanish || pieceRule(word) == PieceRule::Listed)
        return false;
    const int fewest = found.fewest.back();
    const int withoutLinks = pieces(word, 0, Use::Compound).fewest.back();
    return fewest < 0 || (withoutLinks >= 0 && withoutLinks <= fewest);
}

JoinedWordSplitter::Fault JoinedWordSplitter::fault(const QString& word) const
{
    if (word.size() > kLongestWord)
        return Fault::Junk;
    const QString lower = word.toLower();
    if (lower.isEmpty() || isWord(lower) || (word.at(0).isUpper() && m_listed.contains(word.at(0) + lower.mid(1))))
        return Fault::None;
    const qsizetype n = lower.size();
    const Pieces found = pieces(word, 0, Use::Tell);
    const PieceRule rule = pieceRule(word);
    if (found.fewest.back() >= 2 && isCompound(word, found))
        return Fault::None;
    for (qsizetype last = n - 1; last > 0; --last) {
        if (last + 1 < n && innerCapitalAt(word, last + 1))
            break;
        const QString piece = lower.mid(last);
        if (m_language == GlossaryLanguage::English && isEnglishSuffixTail(lower, last))
            continue;
        if (found.fewest[size_t(last)] >= 1 && isPiece(piece, rule, Use::Tell) && !isPronoun(piece))
            return Fault::Joined;
    }
    // Two runs of words with one stray letter between them: what is left of a separator.
    constexpr qsizetype kShortestRun = 5;
    for (qsizetype stray = kShortestRun; stray + kShortestRun < n; ++stray) {
        if (twoOrMore(word, 0, stray) && twoOrMore(word, stray + 1, n))
            return Fault::Junk;
    }
    return Fault::None;
}

QString JoinedWordSplitter::mended(const QString& word) const
{
    if (word.size() > kLongestWord)
        return {};
    const Pieces found = pieces(word, 0, Use::Mend);
    const size_t n = size_t(word.size());
    if (found.fewest[n] < 2 || found.ways[n] != 1)
        return {};
    QStringList parts;
    for (size_t end = n; end > 0; end = size_t(found.cut[end]))
        parts.prepend(word.toLower().mid(found.cut[end], qsizetype(end) - found.cut[end]));
    if (isPronoun(parts.last()) || (m_language == GlossaryLanguage::English && isEnglishSuffixTail(word.toLower(), found.cut[n])))
        return {};
    // Three pieces or more part wrongly too often unless each is a word the data writes
    // ("ace|to|us") and the whole is no listed word misspelt ("at|per|sand", "ampersand").
    const auto written = [this](const QString& part) { return isWritten(part) || part.endsWith(QLatin1Char('\'')); };
    if (parts.size() > 2 && pieceRule(word) != PieceRule::Listed
        && (!std::all_of(parts.begin(), parts.end(), written) || isMisspelt(word.toLower())))
        return {};
    // A word does not start with a pronoun ("te|le|mando").
    if (m_language == GlossaryLanguage::Spanish && pieceRule(word) != PieceRule::Listed && isPronoun(parts.first())
        && parts.first() != QLatin1String("la") && parts.first() != QLatin1String("lo"))
        return {};
    QString mended = word;
    for (size_t end = size_t(found.cut[n]); end > 0; end = size_t(found.cut[end]))
        mended.insert(qsizetype(end), QLatin1Char(' '));
    return mended;
}

QString JoinedWordSplitter::joiningWord(const QString& lower, Qt::Edge edge) const
{
    static const QStringList spanish { QStringLiteral("del"), QStringLiteral("de"), QStringLiteral("la"), QStringLiteral("el"),
        QStringLiteral("en"), QStringLiteral("con"), QStringLiteral("por"), QStringLiteral("para"), QStringLiteral("al"),
        QStringLiteral("los"), QStringLiteral("las") };
    static const QStringList english { QStringLiteral("of"), QStringLiteral("the"), QStringLiteral("to"), QStringLiteral("in"),
        QStringLiteral("on"), QStringLiteral("and"), QStringLiteral("for") };
    for (const QString& joining : m_language == GlossaryLanguage::Spanish ? spanish : english) {
        if (edge == Qt::LeftEdge ? lower.startsWith(joining) : lower.endsWith(joining))
            return joining;
    }
    return {};
}

bool JoinedWordSplitter::isNearWord(const QString& lower) const
{
    constexpr qsizetype kShortestPart = 4;
    return lower.size() >= kShortestPart && (isWord(lower) || m_known.contains(lower) || isMisspeltByOne(lower));
}

bool JoinedWordSplitter::isMisspeltByOne(const QString& lower) const
{
    constexpr qsizetype kShortestNear = 5;
    if (lower.size() < kShortestNear || isWord(lower))
        return false;
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzáéíóúüñ");
    for (qsizetype i = 0; i <= lower.size(); ++i) {
        if (i < lower.size() && m_listed.contains(QString(lower).remove(i, 1)))
            return true;
        for (const QChar letter : letters) {
            if (m_listed.contains(QString(lower).insert(i, letter)))
                return true;
            if (i < lower.size() && letter != lower.at(i) && m_listed.contains(QString(lower).replace(i, 1, letter)))
                return true;
        }
    }
    return false;
}

QString JoinedWordSplitter::folded(const QString& lower)
{
    QString plain;
    for (const QChar c : lower.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing && c != QLatin1Char('\'') && c != QChar(0x2019) && !c.isSpace())
            plain += c;
    }
    return plain;
}

bool JoinedWordSplitter::isNearPhrase(const QString& lower) const
{
    if (isNearWord(lower))
        return true;
    const QString before = joiningWord(lower, Qt::LeftEdge);
    const QString after = joiningWord(lower, Qt::RightEdge);
    return (!before.isEmpty() && isNearWord(lower.mid(before.size()))) || (!after.isEmpty() && isNearWord(lower.chopped(after.size())));
}

JoinedWordSplitter::Misjoin JoinedWordSplitter::misjoin(const QString& lower) const
{
    constexpr qsizetype kShortestMisjoined = 9;
    constexpr qsizetype kShortestPart = 4;
    constexpr qsizetype kShortestTail = 3;
    constexpr qsizetype kLongPart = 6;
    if (lower.size() > kLongestWord || isWord(lower))
        return Misjoin::None;
    // A word run together with the small word after it ("librito|de").
    if (const QString after = joiningWord(lower, Qt::RightEdge); !after.isEmpty() && isNearWord(lower.chopped(after.size())))
        return Misjoin::Near;
    // A plural whose singular takes an accent ("informaciones", "información").
    if (m_language == GlossaryLanguage::Spanish && lower.endsWith(QLatin1String("es")) && !markedTwin(lower.chopped(2)).isEmpty())
        return Misjoin::None;
    if (lower.size() < kShortestMisjoined)
        return Misjoin::None;
    const auto listed = [this](const QString& part) { return part.size() >= kShortestPart && isWord(part); };
    auto found = Misjoin::None;
    for (qsizetype cut = kShortestTail; cut + kShortestTail <= lower.size(); ++cut) {
        const QString head = lower.left(cut);
        const QString tail = lower.mid(cut);
        if (listed(head) && listed(tail)) {
            // Spanish writes many compounds as one ("ciclo|motor", "lava|platos", "astro|nauta"),
            // the lists lack many English ones ("space|man"): only two long words the data
            // never writes alone are words run together ("lancha|motora").
            if (m_language == GlossaryLanguage::Spanish && head.size() >= kLongPart && tail.size() >= kLongPart && !isWritten(head)
                && !isWritten(tail))
                return Misjoin::Listed;
        } else if ((listed(head) && isNearPhrase(tail)) || (listed(tail) && isNearPhrase(head))
            || (isMisspeltByOne(head) && isWord(tail))) {
            found = Misjoin::Near; // "femal|worker", "strech|out"
        }
    }
    return found;
}
