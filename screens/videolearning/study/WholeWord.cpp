#include "WholeWord.h"

namespace {

bool isJoiner(QChar c)
{
    // The apostrophe, its typographic form, the hyphen-minus and the hyphens proper.
    return c == QLatin1Char('\'') || c == QChar(0x2019) || c == QLatin1Char('-') || c == QChar(0x2010) || c == QChar(0x2011);
}

bool inWord(const QString& text, qsizetype i)
{
    if (i < 0 || i >= text.size())
        return false;
    if (WholeWord::isWordCharacter(text.at(i)))
        return true;
    return isJoiner(text.at(i)) && i > 0 && i + 1 < text.size() && WholeWord::isWordCharacter(text.at(i - 1))
        && WholeWord::isWordCharacter(text.at(i + 1));
}

} // namespace

bool WholeWord::isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

QString WholeWord::at(const QString& text, qsizetype at)
{
    qsizetype first = inWord(text, at) ? at : at - 1;
    if (!inWord(text, first))
        return {};
    qsizetype last = first;
    while (inWord(text, first - 1))
        --first;
    while (inWord(text, last + 1))
        ++last;
    return text.mid(first, last - first + 1);
}
