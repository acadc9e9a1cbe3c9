#include "JetFormat.h"

#include "JetValue.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cfenv>
#include <cmath>
#include <cstring>

namespace {

using namespace JetValue;

const QLocale& us()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

// The digits of VALUE with DECIMALS places, grouped by thousands if GROUPED, at least
// INTEGERS digits before the point.
QString digits(double value, int decimals, bool grouped, int integers)
{
    std::fesetround(FE_TONEAREST);
    QString text = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point);
    if (whole == QLatin1String("0") && integers == 0)
        whole.clear();
    while (whole.size() < integers)
        whole.prepend(QLatin1Char('0'));
    if (grouped) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, QLatin1Char(','));
    }
    return whole + fraction;
}

// One section of a custom number format: 0 and # placeholders, a point, thousands
// commas, a percent, and everything else (quoted or escaped or not) written as it is.
QString customNumber(double value, const QString& section, bool withSign)
{
    int integers = 0, decimals = 0, optionalDecimals = 0;
    bool afterPoint = false, grouped = false, percent = false, seenDigit = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            i = end < 0 ? section.size() : end;
        } else if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            seenDigit = true;
            if (afterPoint) {
                ++decimals;
                if (c == QLatin1Char('#'))
                    ++optionalDecimals;
            } else if (c == QLatin1Char('0')) {
                ++integers;
            }
        } else if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c == QLatin1Char(',') && seenDigit && !afterPoint) {
            grouped = true;
        } else if (c == QLatin1Char('%')) {
            percent = true;
        }
    }
    const double shown = percent ? value * 100.0 : value;
    QString number = digits(shown, decimals, grouped, integers);
    // Optional decimal places (#) drop their trailing zeros, and a bare point then goes.
    for (int k = 0; k < optionalDecimals && number.endsWith(QLatin1Char('0')); ++k)
        number.chop(1);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    QString out;
    bool placed = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            out += section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1);
            i = end < 0 ? section.size() : end;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < section.size())
                out += section.at(++i);
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') || (c == QLatin1Char(',') && placed)) {
            if (!placed) {
                out += number;
                placed = true;
            }
        } else {
            out += c;
        }
    }
    if (!placed)
        out += number;
    return withSign && shown < 0 && number.contains(QRegularExpression(QStringLiteral("[1-9]"))) ? QLatin1Char('-') + out : out;
}

QString numberFormat(double value, const QString& format)
{
    const QString named = format.trimmed().toLower();
    if (named == QLatin1String("general number"))
        return numberText(value);
    if (named == QLatin1String("currency")) {
        const QString text = QLatin1Char('$') + digits(value, 2, true, 1);
        return value < 0 ? QLatin1Char('(') + text + QLatin1Char(')') : text;
    }
    if (named == QLatin1String("fixed"))
        return (value < 0 ? QStringLiteral("-") : QString()) + digits(value, 2, false, 1);
    if (named == QLatin1String("standard"))
        return (value < 0 ? QStringLiteral("-") : QString()) + digits(value, 2, true, 1);
    if (named == QLatin1String("percent"))
        return (value < 0 ? QStringLiteral("-") : QString()) + digits(value * 100.0, 2, false, 1) + QLatin1Char('%');
    if (named == QLatin1String("scientific")) {
        QString text = QString::number(value, 'E', 2);
        // Jet writes the exponent with at least two digits, as C does.
        return text;
    }
    if (named == QLatin1String("yes/no"))
        return value != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    if (named == QLatin1String("true/false"))
        return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (named == QLatin1String("on/off"))
        return value != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    // Sections: positive; negative; zero. A negative section writes its own sign (or
    // parentheses); a missing one borrows the first with a minus.
    QStringList sections;
    QString current;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char(';') && !quoted) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    if (value == 0 && sections.size() > 2 && !sections[2].isEmpty())
        return customNumber(value, sections[2], false);
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty())
        return customNumber(value, sections[1], false);
    return customNumber(value, sections[0], true);
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString dateFormat(const QDateTime& m, const QString& format, const WeekRule& weeks = {});

QString namedDateFormat(const QDateTime& m, const QString& named)
{
    if (named == QLatin1String("general date")) {
        const bool hasTime = m.time() != QTime(0, 0);
        const bool hasDate = m.date() != serialEpoch();
        QString text;
        if (hasDate || !hasTime)
            text = dateFormat(m, QStringLiteral("m/d/yyyy"));
        if (hasTime)
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + dateFormat(m, QStringLiteral("h:nn:ss AM/PM"));
        return text;
    }
    if (named == QLatin1String("long date"))
        return dateFormat(m, QStringLiteral("dddd, mmmm d, yyyy"));
    if (named == QLatin1String("medium date"))
        return dateFormat(m, QStringLiteral("dd-mmm-yy"));
    if (named == QLatin1String("short date"))
        return dateFormat(m, QStringLiteral("m/d/yyyy"));
    if (named == QLatin1String("long time"))
        return dateFormat(m, QStringLiteral("h:nn:ss AM/PM"));
    if (named == QLatin1String("medium time"))
        return dateFormat(m, QStringLiteral("hh:nn AM/PM"));
    if (named == QLatin1String("short time"))
        return dateFormat(m, QStringLiteral("hh:nn"));
    return {};
}

bool startsWithAt(const QString& text, qsizetype at, const char* word)
{
    return text.mid(at, qsizetype(std::strlen(word))).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// A custom date format: d dd ddd dddd ddddd dddddd, w ww, m mm mmm mmmm (minutes right
// after an hour), q, y yy yyyy, h hh, n nn, s ss, ttttt, AM/PM am/pm A/P a/p AMPM, quoted
// and escaped text; anything else as it is.
QString dateFormat(const QDateTime& m, const QString& format, const WeekRule& weeks)
{
    const QDate d = m.date();
    const QTime t = m.time();
    bool twelveHour = false;
    for (const char* marker : { "am/pm", "a/p", "ampm" })
        twelveHour = twelveHour || format.contains(QLatin1String(marker), Qt::CaseInsensitive);
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        const QChar lower = c.toLower();
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run).toLower() == lower)
            ++run;
        if (c == QLatin1Char('"')) {
            const qsizetype end = format.indexOf(QLatin1Char('"'), i + 1);
            out += format.mid(i + 1, (end < 0 ? format.size() : end) - i - 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < format.size())
                out += format.at(i + 1);
            i += 2;
            continue;
        }
        if (startsWithAt(format, i, "am/pm")) {
            const bool upper = format.at(i).isUpper();
            out += t.hour() < 12 ? (upper ? QStringLiteral("AM") : QStringLiteral("am")) : (upper ? QStringLiteral("PM") : QStringLiteral("pm"));
            i += 5;
            continue;
        }
        if (startsWithAt(format, i, "a/p")) {
            const bool upper = format.at(i).isUpper();
            out += t.hour() < 12 ? (upper ? QStringLiteral("A") : QStringLiteral("a")) : (upper ? QStringLiteral("P") : QStringLiteral("p"));
            i += 3;
            continue;
        }
        if (startsWithAt(format, i, "ampm")) {
            out += t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            i += 4;
            continue;
        }
        if (startsWithAt(format, i, "ttttt")) {
            out += dateFormat(m, QStringLiteral("h:nn:ss AM/PM"));
            i += 5;
            continue;
        }
        if (lower == QLatin1Char('d')) {
            switch (run) {
            case 1: out += QString::number(d.day()); break;
            case 2: out += twoDigits(d.day()); break;
            case 3: out += us().dayName(d.dayOfWeek(), QLocale::ShortFormat); break;
            case 4: out += us().dayName(d.dayOfWeek(), QLocale::LongFormat); break;
            case 5: out += namedDateFormat(m, QStringLiteral("short date")); break;
            default: out += namedDateFormat(m, QStringLiteral("long date")); break;
            }
        } else if (lower == QLatin1Char('m')) {
            if (afterHour && run <= 2) {
                out += run == 1 ? QString::number(t.minute()) : twoDigits(t.minute());
            } else {
                switch (run) {
                case 1: out += QString::number(d.month()); break;
                case 2: out += twoDigits(d.month()); break;
                case 3: out += us().monthName(d.month(), QLocale::ShortFormat); break;
                default: out += us().monthName(d.month(), QLocale::LongFormat); break;
                }
            }
        } else if (lower == QLatin1Char('y')) {
            if (run == 1 || run == 3)
                out += QString::number(d.dayOfYear());
            else if (run == 2)
                out += twoDigits(d.year() % 100);
            else
                out += QString::number(d.year());
        } else if (lower == QLatin1Char('w')) {
            out += QString::number(run == 1 ? weekdayOf(d, weeks.firstDay) : weekOfYear(d, weeks));
        } else if (lower == QLatin1Char('q')) {
            out += QString::number((d.month() - 1) / 3 + 1);
        } else if (lower == QLatin1Char('h')) {
            const int h = twelveHour ? hour12 : t.hour();
            out += run == 1 ? QString::number(h) : twoDigits(h);
        } else if (lower == QLatin1Char('n')) {
            out += run == 1 ? QString::number(t.minute()) : twoDigits(t.minute());
        } else if (lower == QLatin1Char('s')) {
            out += run == 1 ? QString::number(t.second()) : twoDigits(t.second());
        } else {
            out += format.mid(i, run);
        }
        if (lower == QLatin1Char('h'))
            afterHour = true;
        else if (c.isLetter())
            afterHour = false;
        i += run;
    }
    return out;
}

bool isDateFormat(const QString& format)
{
    const QString named = format.trimmed().toLower();
    if (!namedDateFormat(QDateTime(serialEpoch(), QTime(0, 0)), named).isEmpty())
        return true;
    // Outside quotes, a date format is made of the date letters; a number format of 0 # . , %.
    QString bare = format;
    bare.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|\\\\.")));
    return bare.contains(QRegularExpression(QStringLiteral("[dmyhnswq]"), QRegularExpression::CaseInsensitiveOption))
        && !bare.contains(QRegularExpression(QStringLiteral("[0#]")));
}

} // namespace

namespace JetFormat {

QString format(const QVariant& value, const QString& format, const WeekRule& weeks)
{
    if (value.isNull())
        return {};
    if (format.isEmpty())
        return textOf(value);
    const QString trimmed = format.trimmed();
    if (trimmed == QLatin1String(">"))
        return textOf(value).toUpper();
    if (trimmed == QLatin1String("<"))
        return textOf(value).toLower();
    static const QStringList namedNumbers { QStringLiteral("general number"), QStringLiteral("currency"), QStringLiteral("fixed"),
        QStringLiteral("standard"), QStringLiteral("percent"), QStringLiteral("scientific"), QStringLiteral("yes/no"),
        QStringLiteral("true/false"), QStringLiteral("on/off") };
    if (!namedNumbers.contains(trimmed.toLower()) && isDateFormat(format)) {
        const auto m = moment(value);
        if (!m)
            return textOf(value);
        const QString named = namedDateFormat(*m, trimmed.toLower());
        return named.isEmpty() ? dateFormat(*m, format, weeks) : named;
    }
    // A number format: text that reads as a number is formatted as one, other text as it is.
    const auto n = isNumber(value) ? std::optional<double>(value.toDouble())
                                   : numberFromText(value.toString());
    return n ? numberFormat(*n, format) : textOf(value);
}

} // namespace JetFormat
