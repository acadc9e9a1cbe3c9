#include "SpanishCollation.h"

#include <QChar>
#include <QString>
#include <sqlite3.h>

#include <vector>

namespace SpanishCollation {
namespace {

// First-level weights by class, in the order a Spanish dictionary (and the common
// collation tables) put them: blanks, punctuation, other symbols, digits, letters.
constexpr quint32 Blank = 0x100000;
constexpr quint32 Punctuation = 0x200000;
constexpr quint32 Symbol = 0x300000;
constexpr quint32 Digit = 0x400000;
constexpr quint32 Letter = 0x500000;
constexpr quint32 OtherLetter = Letter + 0x1000;

// The punctuation of plain text in the usual collation order (not code point order:
// the hyphen and the apostrophe come before the full stop and the brackets; the Spanish
// opening marks beside their closing ones).
constexpr char16_t punctuationOrder[] = u"_-,;:!\u00A1?\u00BF.'\"()[]{}@*/\\&#%`^+<=>|~$";

quint32 punctuationWeight(char16_t c)
{
    for (quint32 i = 0; punctuationOrder[i]; ++i) {
        if (punctuationOrder[i] == c)
            return Punctuation + i;
    }
    return 0;
}

constexpr char16_t CombiningTilde = 0x0303;

quint32 letterWeight(char16_t lower)
{
    return Letter + quint32(lower - u'a') * 2;
}

const quint32 EnieWeight = letterWeight(u'n') + 1;

// Second-level weight of a combining mark: acute before grave before the others, as
// dictionaries order "e", "é", "è", "ê", "ë".
quint32 markWeight(char16_t mark)
{
    switch (mark) {
    case 0x0301: return 1;
    case 0x0300: return 2;
    case 0x0306: return 3;
    case 0x0302: return 4;
    case 0x030C: return 5;
    case 0x030A: return 6;
    case 0x0308: return 7;
    case 0x030B: return 8;
    case 0x0303: return 9;
    case 0x0307: return 10;
    case 0x0327: return 11;
    default: return 32 + quint32(mark);
    }
}

bool isMark(char16_t c)
{
    return c >= 0x0300 && c <= 0x036F;
}

struct Element {
    quint32 primary = 0;
    quint32 secondary = 0;
    quint32 tertiary = 0; ///< 0 lower case, 1 upper case, 2 a letter written as two
};

quint32 basePrimary(char16_t c)
{
    if (c < 0x80) {
        if (c >= u'a' && c <= u'z')
            return letterWeight(c);
        if (c >= u'A' && c <= u'Z')
            return letterWeight(char16_t(c - u'A' + u'a'));
        if (c >= u'0' && c <= u'9')
            return Digit + quint32(c - u'0');
        if (c == u' ' || (c >= 0x09 && c <= 0x0D))
            return Blank + c;
        if (const quint32 weight = punctuationWeight(c))
            return weight;
        return Symbol + c;
    }
    if (const quint32 weight = punctuationWeight(c))
        return weight;
    const QChar ch(c);
    if (ch.isSpace())
        return Blank + c;
    if (ch.isDigit())
        return Digit + quint32(ch.digitValue());
    if (ch.isLetter())
        return OtherLetter + ch.toLower().unicode();
    if (ch.isPunct())
        return Punctuation + 0x100 + c;
    return Symbol + c;
}

/// Reads a text element by element. Precomposed letters are taken apart (á = a + acute);
/// a combining mark joins the element before it; "n" with a tilde becomes "ñ".
class Reader {
public:
    explicit Reader(QStringView text)
        : m_text(text)
    {
    }

    bool next(Element& e)
    {
        if (m_pendingDouble) {
            e = { letterWeight(u's'), 0, 2 };
            m_pendingDouble = false;
            return true;
        }
        if (m_pos >= m_text.size())
            return false;
        const char16_t c = m_text[m_pos++].unicode();
        e = Element {};
        if (c < 0x80) {
            e.primary = basePrimary(c);
            e.tertiary = (c >= u'A' && c <= u'Z') ? 1 : 0;
        } else {
            takeApart(c, e);
        }
        // Marks written after their letter belong to it.
        while (m_pos < m_text.size() && isMark(m_text[m_pos].unicode())) {
            const char16_t mark = m_text[m_pos++].unicode();
            addMark(e, mark);
        }
        return true;
    }

private:
    void addMark(Element& e, char16_t mark)
    {
        if (mark == CombiningTilde && e.primary == letterWeight(u'n') && e.secondary == 0) {
            e.primary = EnieWeight;
            return;
        }
        e.secondary = e.secondary * 64 + markWeight(mark);
    }

    void takeApart(char16_t c, Element& e)
    {
        const QChar ch(c);
        if (c == 0x00DF) { // ß reads as "ss"
            e = { letterWeight(u's'), 0, 2 };
            m_pendingDouble = true;
            return;
        }
        e.tertiary = ch.isUpper() ? 1 : 0;
        if (isMark(c)) { // a mark with no letter before it
            e.primary = Symbol + c;
            return;
        }
        if (ch.decompositionTag() == QChar::Canonical) {
            const QString parts = ch.decomposition();
            const char16_t base = parts.isEmpty() ? c : parts.front().unicode();
            e.primary = base < 0x80 ? basePrimary(base) : basePrimary(QChar(base).toLower().unicode());
            for (qsizetype i = 1; i < parts.size(); ++i)
                addMark(e, parts[i].unicode());
            return;
        }
        e.primary = basePrimary(c);
    }

    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_pendingDouble = false;
};

void readAll(QStringView text, std::vector<Element>& out)
{
    out.clear();
    Reader reader(text);
    Element e;
    while (reader.next(e))
        out.push_back(e);
}

template<typename Level>
int compareLevel(const std::vector<Element>& a, const std::vector<Element>& b, Level level)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const quint32 x = level(a[i]);
        const quint32 y = level(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int sqliteCompare(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compare(QStringView(static_cast<const char16_t*>(a), lengthA / 2), QStringView(static_cast<const char16_t*>(b), lengthB / 2));
}

} // namespace

int compare(QStringView a, QStringView b)
{
    // Most comparisons of a sort end at the first letters: read those alone first.
    {
        Reader ra(a), rb(b);
        Element ea, eb;
        for (;;) {
            const bool moreA = ra.next(ea);
            const bool moreB = rb.next(eb);
            if (!moreA || !moreB) {
                if (moreA != moreB)
                    return moreA ? 1 : -1;
                break;
            }
            if (ea.primary != eb.primary)
                return ea.primary < eb.primary ? -1 : 1;
        }
    }
    thread_local std::vector<Element> x, y;
    readAll(a, x);
    readAll(b, y);
    if (int c = compareLevel(x, y, [](const Element& e) { return e.secondary; }))
        return c;
    if (int c = compareLevel(x, y, [](const Element& e) { return e.tertiary; }))
        return c;
    return a.compare(b);
}

bool startsWith(QStringView text, QStringView prefix)
{
    Reader rt(text), rp(prefix);
    Element et, ep;
    while (rp.next(ep)) {
        if (!rt.next(et) || et.primary != ep.primary)
            return false;
    }
    return true;
}

int registerOn(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, Name, SQLITE_UTF16_ALIGNED, nullptr, &sqliteCompare, nullptr);
}

} // namespace SpanishCollation
