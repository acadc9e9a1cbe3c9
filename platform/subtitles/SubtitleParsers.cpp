#include "SubtitleParsers.h"

#include "SubtitleMarkup.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// Cues that start or end beyond this are no video's.
constexpr qint64 kLastMs = 100LL * 3600 * 1000;
// The text of one cue is cut here: no video shows more at once.
constexpr qsizetype kMaxCueChars = 1000;

const QString& timePattern()
{
    static const QString pattern = QStringLiteral("(?:(\\d{1,3}):)?(\\d{1,2}):(\\d{1,2})(?:[.,](\\d{1,3}))?");
    return pattern;
}

qint64 millisecondsOf(const QRegularExpressionMatch& m, int first)
{
    const qint64 hours = m.captured(first).toLongLong();
    const qint64 minutes = m.captured(first + 1).toLongLong();
    const qint64 seconds = m.captured(first + 2).toLongLong();
    QString fraction = m.captured(first + 3);
    if (minutes > 59 || seconds > 59)
        return -1;
    // A decimal fraction: ",5" is half a second, ",05" five hundredths.
    fraction = fraction.leftJustified(3, QLatin1Char('0'));
    const qint64 ms = ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction.toLongLong();
    return ms <= kLastMs ? ms : -1;
}

const QRegularExpression& timingLine()
{
    static const QRegularExpression re(QStringLiteral("^\\s*%1\\s*-->\\s*%1(?:\\s|$)").arg(timePattern()));
    return re;
}

bool isNumberLine(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return false;
    for (const QChar c : t) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

SubtitleCue cueOf(qint64 start, qint64 end, const QString& text)
{
    return SubtitleCue { start, end, text.left(kMaxCueChars) };
}

} // namespace

namespace SubtitleParsers {

qint64 timeOf(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*%1\\s*$").arg(timePattern()));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? millisecondsOf(m, 1) : -1;
}

SubtitleCues subRip(const QString& text, int maxCues, int& unreadable)
{
    SubtitleCues cues;
    const QStringList lines = text.split(QLatin1Char('\n'));
    const qsizetype n = lines.size();
    for (qsizetype i = 0; i < n && cues.size() <= maxCues;) {
        const QRegularExpressionMatch m = timingLine().match(lines.at(i));
        if (!m.hasMatch()) {
            if (lines.at(i).contains(QLatin1String("-->")))
                ++unreadable;
            ++i;
            continue;
        }
        ++i;
        // The text runs to a blank line; in files without blank lines, to the next cue's
        // time or number.
        QStringList textLines;
        for (; i < n && !lines.at(i).trimmed().isEmpty(); ++i) {
            if (lines.at(i).contains(QLatin1String("-->")) && timingLine().match(lines.at(i)).hasMatch())
                break;
            if (isNumberLine(lines.at(i)) && i + 1 < n && timingLine().match(lines.at(i + 1)).hasMatch())
                break;
            textLines << lines.at(i);
        }
        const qint64 start = millisecondsOf(m, 1);
        const qint64 end = millisecondsOf(m, 5);
        if (start < 0 || end < 0) {
            ++unreadable;
            continue;
        }
        cues << cueOf(start, end, SubtitleMarkup::fromTagged(textLines));
    }
    return cues;
}

SubtitleCues ssa(const QString& text, int maxCues, int& unreadable)
{
    SubtitleCues cues;
    // ASS's fields, which SSA's match in number and in the places of Start, End and Text.
    QStringList fields { QStringLiteral("layer"), QStringLiteral("start"), QStringLiteral("end"), QStringLiteral("style"),
        QStringLiteral("name"), QStringLiteral("marginl"), QStringLiteral("marginr"), QStringLiteral("marginv"),
        QStringLiteral("effect"), QStringLiteral("text") };
    bool events = false;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (cues.size() > maxCues)
            break;
        const QStringView t = line.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            events = t.compare(QLatin1String("[events]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!events)
            continue;
        if (t.startsWith(QLatin1String("format:"), Qt::CaseInsensitive)) {
            QStringList named;
            for (const QStringView field : t.mid(7).split(QLatin1Char(',')))
                named << field.trimmed().toString().toLower();
            // A format without the three fields a dialogue needs is not used.
            if (named.contains(QLatin1String("start")) && named.contains(QLatin1String("end")) && named.last() == QLatin1String("text"))
                fields = named;
            continue;
        }
        if (!t.startsWith(QLatin1String("dialogue:"), Qt::CaseInsensitive))
            continue;
        // The last field, the text, takes the rest of the line, commas and all.
        const QStringView body = t.mid(9);
        QList<QStringView> values;
        qsizetype from = 0;
        while (values.size() + 1 < fields.size()) {
            const qsizetype comma = body.indexOf(QLatin1Char(','), from);
            if (comma < 0)
                break;
            values << body.mid(from, comma - from);
            from = comma + 1;
        }
        if (values.size() + 1 < fields.size()) {
            ++unreadable;
            continue;
        }
        values << body.mid(from);
        const qint64 start = timeOf(values.at(fields.indexOf(QLatin1String("start"))).toString());
        const qint64 end = timeOf(values.at(fields.indexOf(QLatin1String("end"))).toString());
        if (start < 0 || end < 0) {
            ++unreadable;
            continue;
        }
        cues << cueOf(start, end, SubtitleMarkup::fromSsa(values.last().toString()));
    }
    return cues;
}

} // namespace SubtitleParsers
