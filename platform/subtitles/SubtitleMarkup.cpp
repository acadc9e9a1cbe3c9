#include "SubtitleMarkup.h"

#include <optional>

namespace {

// The text of the entity NAME (between "&" and ";"); none when it is no entity.
std::optional<QString> entity(const QString& name)
{
    static const QList<std::pair<QLatin1String, QString>> named {
        { QLatin1String("amp"), QStringLiteral("&") }, { QLatin1String("lt"), QStringLiteral("<") }, { QLatin1String("gt"), QStringLiteral(">") },
        { QLatin1String("nbsp"), QStringLiteral(" ") }, { QLatin1String("quot"), QStringLiteral("\"") }, { QLatin1String("apos"), QStringLiteral("'") },
        // Direction marks are not shown.
        { QLatin1String("lrm"), QString() }, { QLatin1String("rlm"), QString() },
    };
    for (const auto& [word, value] : named) {
        if (name == word)
            return value;
    }
    if (name.size() > 1 && name.size() <= 8 && name.at(0) == QLatin1Char('#')) {
        bool ok = false;
        const bool hex = name.size() > 2 && name.at(1).toLower() == QLatin1Char('x');
        const char32_t code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        if (ok && code >= 0x20 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
            return QString::fromUcs4(&code, 1);
    }
    return std::nullopt;
}

// Whether the "<" at AT opens a tag: a letter, "/" or a digit (an inline time) follows,
// and a ">" closes it on the same line.
qsizetype tagEnd(const QString& line, qsizetype at)
{
    if (at + 1 >= line.size())
        return -1;
    const QChar next = line.at(at + 1);
    if (!next.isLetter() && next != QLatin1Char('/') && !next.isDigit())
        return -1;
    return line.indexOf(QLatin1Char('>'), at + 1);
}

} // namespace

namespace SubtitleMarkup {

QString fromTagged(const QStringList& lines)
{
    QString out;
    bool ruby = false; // inside <rt>…</rt>, the reading above the text
    for (const QString& line : lines) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == QLatin1Char('<')) {
                const qsizetype end = tagEnd(line, i);
                if (end > 0) {
                    const QString tag = line.mid(i + 1, end - i - 1).trimmed().toLower();
                    if (tag == QLatin1String("rt"))
                        ruby = true;
                    else if (tag == QLatin1String("/rt"))
                        ruby = false;
                    i = end;
                    continue;
                }
            } else if (c == QLatin1Char('{') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('\\')) {
                const qsizetype end = line.indexOf(QLatin1Char('}'), i);
                if (end > 0) {
                    i = end;
                    continue;
                }
            } else if (c == QLatin1Char('&')) {
                const qsizetype end = line.indexOf(QLatin1Char(';'), i);
                if (end > i + 1 && end - i <= 10) {
                    if (const auto value = entity(line.mid(i + 1, end - i - 1))) {
                        if (!ruby)
                            out += *value;
                        i = end;
                        continue;
                    }
                }
            }
            if (!ruby)
                out += c;
        }
        out += QLatin1Char('\n');
    }
    return out.simplified(); // lines trimmed and joined by single spaces
}

QString fromSsa(const QString& text)
{
    QString out;
    bool drawing = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{')) {
            qsizetype end = text.indexOf(QLatin1Char('}'), i);
            if (end < 0)
                end = text.size();
            // \p1 and up start a drawing, \p0 ends it; the block's other codes are dropped.
            const QString block = text.mid(i + 1, end - i - 1);
            for (qsizetype p = block.indexOf(QLatin1String("\\p")); p >= 0; p = block.indexOf(QLatin1String("\\p"), p + 2)) {
                if (p + 2 < block.size() && block.at(p + 2).isDigit())
                    drawing = block.at(p + 2) != QLatin1Char('0');
            }
            i = end;
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar code = text.at(i + 1);
            if (code == QLatin1Char('N') || code == QLatin1Char('n') || code == QLatin1Char('h')) {
                if (!drawing)
                    out += QLatin1Char(' ');
                ++i;
                continue;
            }
        }
        if (!drawing)
            out += c;
    }
    return out.simplified(); // lines trimmed and joined by single spaces
}

} // namespace SubtitleMarkup
