#include "JetValue.h"

#include <QRegularExpression>

#include <cmath>

namespace JetValue {

namespace {

const QString storedDate = QStringLiteral("yyyy-MM-dd HH:mm:ss");

} // namespace

QDate serialEpoch()
{
    return QDate(1899, 12, 30);
}

bool isNumber(const QVariant& v)
{
    const int type = v.typeId();
    return type == QMetaType::LongLong || type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::Bool;
}

// Text as Jet's conversions read a number: blanks around it, a sign, US thousands
// separators between digits, a decimal point, an exponent.
std::optional<double> numberFromText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*([+-]?)\\s*(\\d{1,3}(?:,\\d{3})+|\\d*)(\\.\\d*)?([eEdD][+-]?\\d+)?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).size() <= 1))
        return std::nullopt;
    QString plain = m.captured(1) + m.captured(2).remove(QLatin1Char(',')) + m.captured(3) + m.captured(4);
    plain.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

double serialOf(const QDateTime& moment)
{
    const qint64 days = serialEpoch().daysTo(moment.date());
    const double fraction = moment.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch Jet counts the day backwards and the time forwards.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime momentOfSerial(double serial)
{
    // The serials of the years 100 to 9999; any other is no date (an invalid moment).
    if (!(serial >= -657434.0 && serial < 2958466.0))
        return {};
    const double day = std::trunc(serial);
    const double fraction = std::fabs(serial - day);
    const QDate date = serialEpoch().addDays(qint64(day));
    const int ms = int(std::llround(fraction * 86400.0) * 1000);
    return QDateTime(date, QTime(0, 0).addMSecs(qMin(ms, 86399000)));
}

// A number as Jet's conversions take it: numbers as they are, dates as their serial,
// text read as a number; empty for what is none.
std::optional<double> numberOf(const QVariant& v)
{
    if (isNumber(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::QString) {
        if (const auto n = numberFromText(v.toString()))
            return n;
        if (const auto m = moment(v))
            return serialOf(*m);
    }
    return std::nullopt;
}

// Jet writes a double with up to 15 significant digits, an exponent only when needed.
QString numberText(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15).toUpper();
}

QString textOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double)
        return numberText(v.toDouble());
    return v.toString();
}

// A double's nearest integer, halves to the even one, where "half" is as the decimal
// text reads: 0.00015 in currency is a half, though its double lies a little below.
double roundHalfEven(double n)
{
    const double floor = std::floor(n);
    const double rest = n - floor;
    if (std::fabs(rest - 0.5) <= 1e-9 * qMax(1.0, std::fabs(n)))
        return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
    return std::floor(n + 0.5);
}

// Sunday is 1 unless the first day of the week is given (1 Sunday … 7 Saturday).
int weekdayOf(const QDate& date, int firstDay)
{
    const int sundayBased = date.dayOfWeek() % 7 + 1; // Sunday 1 … Saturday 7
    return (sundayBased - firstDay + 7) % 7 + 1;
}
namespace {

// The first day of the first week of YEAR.
QDate firstWeekStart(int year, const WeekRule& rule)
{
    const QDate january(year, 1, 1);
    const int before = weekdayOf(january, rule.firstDay) - 1; // days of its week in the year before
    const bool tooShort = (rule.firstWeek == WeekRule::FirstFourDays && before > 3) || (rule.firstWeek == WeekRule::FirstFullWeek && before > 0);
    return january.addDays(tooShort ? 7 - before : -before);
}

} // namespace

int weekOfYear(const QDate& date, const WeekRule& rule)
{
    if (rule.firstWeek == WeekRule::FirstFourDays && date >= firstWeekStart(date.year() + 1, rule))
        return 1;
    QDate start = firstWeekStart(date.year(), rule);
    if (date < start)
        start = firstWeekStart(date.year() - 1, rule);
    return int(start.daysTo(date) / 7) + 1;
}

int fullYear(int year)
{
    if (year >= 0 && year <= 29)
        return 2000 + year;
    if (year >= 30 && year <= 99)
        return 1900 + year;
    return year;
}

QString dateText(const QDateTime& moment)
{
    return moment.toString(storedDate);
}

std::optional<QDateTime> moment(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    if (isNumber(value)) {
        const QDateTime m = momentOfSerial(value.toDouble());
        return m.isValid() ? std::optional<QDateTime>(m) : std::nullopt;
    }
    const QString text = value.toString().trimmed();
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    static const QRegularExpression us(QStringLiteral(
        "^(\\d{1,2})[/-](\\d{1,2})(?:[/-](\\d{1,4}))?(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?)?$"));
    static const QRegularExpression time(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?$"));
    const auto clock = [](const QString& h, const QString& n, const QString& s, const QString& half) -> std::optional<QTime> {
        int hour = h.isEmpty() ? 0 : h.toInt();
        if (!half.isEmpty()) {
            if (hour < 1 || hour > 12)
                return std::nullopt;
            hour = hour % 12 + (half.startsWith(QLatin1Char('p'), Qt::CaseInsensitive) ? 12 : 0);
        }
        const QTime t(hour, n.isEmpty() ? 0 : n.toInt(), s.isEmpty() ? 0 : s.toInt());
        return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
    };
    QRegularExpressionMatch m = iso.match(text);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const auto t = clock(m.captured(4), m.captured(5), m.captured(6), {});
        if (d.isValid() && t)
            return QDateTime(d, *t);
        return std::nullopt;
    }
    m = us.match(text);
    if (m.hasMatch()) {
        // US order, month first; a missing year is this year, a short one as Jet reads it.
        const int y = m.captured(3).isEmpty() ? QDate::currentDate().year()
            : m.captured(3).size() <= 2         ? fullYear(m.captured(3).toInt())
                                                : m.captured(3).toInt();
        const QDate d(y, m.captured(1).toInt(), m.captured(2).toInt());
        const auto t = clock(m.captured(4), m.captured(5), m.captured(6), m.captured(7));
        if (d.isValid() && t)
            return QDateTime(d, *t);
        return std::nullopt;
    }
    m = time.match(text);
    if (m.hasMatch()) {
        const auto t = clock(m.captured(1), m.captured(2), m.captured(3), m.captured(4));
        if (t)
            return QDateTime(serialEpoch(), *t);
    }
    return std::nullopt;
}

double val(const QString& text)
{
    QString compact;
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            compact += c;
    }
    if (compact.startsWith(QLatin1String("&h"), Qt::CaseInsensitive) || compact.startsWith(QLatin1String("&o"), Qt::CaseInsensitive)) {
        const int base = compact.at(1).toLower() == QLatin1Char('h') ? 16 : 8;
        qsizetype end = 2;
        const QString allowed = base == 16 ? QStringLiteral("0123456789abcdefABCDEF") : QStringLiteral("01234567");
        while (end < compact.size() && allowed.contains(compact.at(end)))
            ++end;
        bool ok = false;
        const qint64 n = compact.mid(2, end - 2).toLongLong(&ok, base);
        return ok ? double(n) : 0.0;
    }
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"));
    const QRegularExpressionMatch m = number.match(compact);
    if (!m.hasMatch())
        return 0.0;
    QString plain = m.captured(0);
    plain.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    return plain.toDouble();
}

} // namespace JetValue
