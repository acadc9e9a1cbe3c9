#include "JetFunctions.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sqlite3.h>

namespace {

const QDate serialEpoch(1899, 12, 30);
const QString storedDate = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVariant variantOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return QVariant(sqlite3_value_double(v));
    case SQLITE_TEXT: return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    case SQLITE_BLOB: return QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default: return {};
    }
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
    const qint64 days = serialEpoch.daysTo(moment.date());
    const double fraction = moment.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch Jet counts the day backwards and the time forwards.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime momentOfSerial(double serial)
{
    const double day = std::trunc(serial);
    const double fraction = std::fabs(serial - day);
    const QDate date = serialEpoch.addDays(qint64(day));
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
        if (const auto m = JetFunctions::moment(v))
            return serialOf(*m);
    }
    return std::nullopt;
}

QString textOf(const QVariant& v);

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

struct Failure {
    QString message;
};

[[noreturn]] void fail(const char* function, const QString& what)
{
    throw Failure { QStringLiteral("%1: %2").arg(QLatin1String(function), what) };
}

double requireNumber(const char* function, const QVariant& v)
{
    const auto n = numberOf(v);
    if (!n)
        fail(function, QStringLiteral("'%1' is not a number (type mismatch)").arg(textOf(v)));
    return *n;
}

QDateTime requireMoment(const char* function, const QVariant& v)
{
    const auto m = JetFunctions::moment(v);
    if (!m)
        fail(function, QStringLiteral("'%1' is not a date (type mismatch)").arg(textOf(v)));
    return *m;
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

// Integral results come back as integers, as Jet writes them ("3", not "3.0").
QVariant numberResult(double n)
{
    if (n == std::trunc(n) && std::fabs(n) < 9e15)
        return qint64(n);
    return n;
}

qint64 roundedInteger(const char* function, const QVariant& v, double low, double high)
{
    const double n = requireNumber(function, v);
    // Jet rounds halves to the even neighbour (banker's rounding): 2.5 → 2, 3.5 → 4.
    const double rounded = roundHalfEven(n);
    if (!(rounded >= low && rounded <= high))
        fail(function, QStringLiteral("%1 is out of range (overflow)").arg(numberText(n)));
    return qint64(rounded);
}

void setResult(sqlite3_context* context, const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::UnknownType: sqlite3_result_null(context); break;
    case QMetaType::LongLong: case QMetaType::Int: sqlite3_result_int64(context, v.toLongLong()); break;
    case QMetaType::Bool: sqlite3_result_int(context, v.toBool() ? -1 : 0); break;
    case QMetaType::Double: sqlite3_result_double(context, v.toDouble()); break;
    default: {
        const QByteArray utf8 = v.toString().toUtf8();
        sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

using Body = QVariant (*)(const QVariantList& arguments);

// Every function below gets its arguments as variants; Null in the first argument gives
// Null unless the function is registered to see it.
template <Body body, bool nullPasses = true>
void call(sqlite3_context* context, int count, sqlite3_value** values)
{
    QVariantList arguments;
    for (int i = 0; i < count; ++i)
        arguments << variantOf(values[i]);
    if (nullPasses && !arguments.isEmpty() && arguments.first().isNull()) {
        sqlite3_result_null(context);
        return;
    }
    try {
        setResult(context, body(arguments));
    } catch (const Failure& failure) {
        const QByteArray utf8 = failure.message.toUtf8();
        sqlite3_result_error(context, utf8.constData(), int(utf8.size()));
    }
}

QVariant ccur(const QVariantList& a)
{
    const double n = requireNumber("CCur", a[0]);
    const double scaled = roundHalfEven(n * 10000.0);
    if (std::fabs(scaled) > 9.223372036854775807e18)
        fail("CCur", QStringLiteral("%1 is out of range (overflow)").arg(numberText(n)));
    return numberResult(scaled / 10000.0);
}
QVariant cint(const QVariantList& a) { return roundedInteger("CInt", a[0], -32768, 32767); }
QVariant clng(const QVariantList& a) { return roundedInteger("CLng", a[0], -2147483648.0, 2147483647.0); }
QVariant cdbl(const QVariantList& a) { return numberResult(requireNumber("CDbl", a[0])); }
QVariant cbool(const QVariantList& a) { return qint64(requireNumber("CBool", a[0]) != 0 ? -1 : 0); }
QVariant cstr(const QVariantList& a) { return textOf(a[0]); }
QVariant cdate(const QVariantList& a)
{
    if (isNumber(a[0]))
        return JetFunctions::dateText(momentOfSerial(a[0].toDouble()));
    return JetFunctions::dateText(requireMoment("CDate", a[0]));
}
QVariant intPart(const QVariantList& a) { return numberResult(std::floor(requireNumber("Int", a[0]))); }
QVariant fixPart(const QVariantList& a) { return numberResult(std::trunc(requireNumber("Fix", a[0]))); }

QVariant year(const QVariantList& a) { return qint64(requireMoment("Year", a[0]).date().year()); }
QVariant month(const QVariantList& a) { return qint64(requireMoment("Month", a[0]).date().month()); }
QVariant day(const QVariantList& a) { return qint64(requireMoment("Day", a[0]).date().day()); }
QVariant hour(const QVariantList& a) { return qint64(requireMoment("Hour", a[0]).time().hour()); }
QVariant minute(const QVariantList& a) { return qint64(requireMoment("Minute", a[0]).time().minute()); }
QVariant second(const QVariantList& a) { return qint64(requireMoment("Second", a[0]).time().second()); }

// Sunday is 1 unless the first day of the week is given (1 Sunday … 7 Saturday).
int weekdayOf(const QDate& date, int firstDay)
{
    const int sundayBased = date.dayOfWeek() % 7 + 1; // Sunday 1 … Saturday 7
    return (sundayBased - firstDay + 7) % 7 + 1;
}
QVariant weekday(const QVariantList& a)
{
    const int first = a.size() > 1 && !a[1].isNull() ? int(requireNumber("Weekday", a[1])) : 1;
    return qint64(weekdayOf(requireMoment("Weekday", a[0]).date(), first == 0 ? 1 : first));
}

// The week of the year as Jet counts it by default: the week holding 1 January is the first.
int weekOfYear(const QDate& date, int firstDay)
{
    const QDate first(date.year(), 1, 1);
    const int offset = weekdayOf(first, firstDay) - 1;
    return (first.daysTo(date) + offset) / 7 + 1;
}

QVariant datePart(const QVariantList& a)
{
    if (a[0].isNull() || a.size() < 2 || a[1].isNull())
        return {};
    const QString interval = a[0].toString().trimmed().toLower();
    const QDateTime m = requireMoment("DatePart", a[1]);
    const int firstDay = a.size() > 2 && !a[2].isNull() && a[2].toInt() != 0 ? a[2].toInt() : 1;
    const QDate d = m.date();
    if (interval == QLatin1String("yyyy")) return qint64(d.year());
    if (interval == QLatin1String("q")) return qint64((d.month() - 1) / 3 + 1);
    if (interval == QLatin1String("m")) return qint64(d.month());
    if (interval == QLatin1String("y")) return qint64(d.dayOfYear());
    if (interval == QLatin1String("d")) return qint64(d.day());
    if (interval == QLatin1String("w")) return qint64(weekdayOf(d, firstDay));
    if (interval == QLatin1String("ww")) return qint64(weekOfYear(d, firstDay));
    if (interval == QLatin1String("h")) return qint64(m.time().hour());
    if (interval == QLatin1String("n")) return qint64(m.time().minute());
    if (interval == QLatin1String("s")) return qint64(m.time().second());
    fail("DatePart", QStringLiteral("'%1' is not an interval (yyyy, q, m, y, d, w, ww, h, n, s)").arg(a[0].toString()));
}


// DateAdd(interval, number, date): months and years keep the day where the month has it
// (31 January and a month is 28 or 29 February), as Jet does.
QVariant dateAdd(const QVariantList& a)
{
    if (a[0].isNull() || a[1].isNull() || a[2].isNull())
        return {};
    const QString interval = a[0].toString().trimmed().toLower();
    const qint64 n = roundedInteger("DateAdd", a[1], -3e9, 3e9);
    const QDateTime m = requireMoment("DateAdd", a[2]);
    QDateTime result;
    if (interval == QLatin1String("yyyy"))
        result = QDateTime(m.date().addYears(int(n)), m.time());
    else if (interval == QLatin1String("q"))
        result = QDateTime(m.date().addMonths(int(n * 3)), m.time());
    else if (interval == QLatin1String("m"))
        result = QDateTime(m.date().addMonths(int(n)), m.time());
    else if (interval == QLatin1String("y") || interval == QLatin1String("d") || interval == QLatin1String("w"))
        result = QDateTime(m.date().addDays(n), m.time());
    else if (interval == QLatin1String("ww"))
        result = QDateTime(m.date().addDays(n * 7), m.time());
    else if (interval == QLatin1String("h") || interval == QLatin1String("n") || interval == QLatin1String("s"))
        result = QDateTime(m.date(), m.time()).addSecs(n * (interval == QLatin1String("h") ? 3600 : interval == QLatin1String("n") ? 60 : 1));
    else
        fail("DateAdd", QStringLiteral("'%1' is not an interval (yyyy, q, m, y, d, w, ww, h, n, s)").arg(a[0].toString()));
    if (!result.isValid() || result.date().year() < 100 || result.date().year() > 9999)
        fail("DateAdd", QStringLiteral("the date falls outside the years 100 to 9999"));
    return JetFunctions::dateText(result);
}

// DateDiff(interval, first, second): how many boundaries of the interval lie between them
// (midnights for days, year ends for years, week starts for "ww"); "w" counts whole weeks.
QVariant dateDiff(const QVariantList& a)
{
    if (a[0].isNull() || a.size() < 3 || a[1].isNull() || a[2].isNull())
        return {};
    const QString interval = a[0].toString().trimmed().toLower();
    const QDateTime from = requireMoment("DateDiff", a[1]);
    const QDateTime to = requireMoment("DateDiff", a[2]);
    const int firstDay = a.size() > 3 && !a[3].isNull() && a[3].toInt() != 0 ? a[3].toInt() : 1;
    const qint64 days = from.date().daysTo(to.date());
    const auto clock = [](const QDateTime& m, int unit) { return qint64(m.time().msecsSinceStartOfDay() / 1000 / unit); };
    if (interval == QLatin1String("yyyy"))
        return qint64(to.date().year() - from.date().year());
    if (interval == QLatin1String("q"))
        return qint64((to.date().year() * 4 + (to.date().month() - 1) / 3) - (from.date().year() * 4 + (from.date().month() - 1) / 3));
    if (interval == QLatin1String("m"))
        return qint64((to.date().year() * 12 + to.date().month()) - (from.date().year() * 12 + from.date().month()));
    if (interval == QLatin1String("y") || interval == QLatin1String("d"))
        return days;
    if (interval == QLatin1String("w"))
        return days / 7;
    if (interval == QLatin1String("ww")) {
        const QDate fromWeek = from.date().addDays(-(weekdayOf(from.date(), firstDay) - 1));
        const QDate toWeek = to.date().addDays(-(weekdayOf(to.date(), firstDay) - 1));
        return fromWeek.daysTo(toWeek) / 7;
    }
    if (interval == QLatin1String("h"))
        return days * 24 + clock(to, 3600) - clock(from, 3600);
    if (interval == QLatin1String("n"))
        return days * 1440 + clock(to, 60) - clock(from, 60);
    if (interval == QLatin1String("s"))
        return days * 86400 + clock(to, 1) - clock(from, 1);
    fail("DateDiff", QStringLiteral("'%1' is not an interval (yyyy, q, m, y, d, w, ww, h, n, s)").arg(a[0].toString()));
}

// ---- Aggregates: First, Last, StDev, StDevP, Var, VarP -------------------------------

// First and Last: the value of the first (last) row of the group as the rows are read,
// Null included.
struct Kept {
    sqlite3_value* value = nullptr;
    bool seen = false;
};

template <bool last>
void keepStep(sqlite3_context* context, int, sqlite3_value** values)
{
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, sizeof(Kept)));
    if (!kept)
        return sqlite3_result_error_nomem(context);
    if (kept->seen && !last)
        return;
    sqlite3_value_free(kept->value);
    kept->value = sqlite3_value_dup(values[0]);
    kept->seen = true;
}

void keepFinal(sqlite3_context* context)
{
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, 0));
    if (!kept || !kept->value) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_value(context, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

// Standard deviation and variance of the values that are not Null (Welford's sums).
struct Spread {
    qint64 count = 0;
    double mean = 0;
    double squares = 0;
};

void spreadStep(sqlite3_context* context, int, sqlite3_value** values)
{
    if (sqlite3_value_type(values[0]) == SQLITE_NULL)
        return;
    auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, sizeof(Spread)));
    if (!spread)
        return sqlite3_result_error_nomem(context);
    const auto n = numberOf(variantOf(values[0]));
    if (!n) {
        sqlite3_result_error(context, "StDev/Var: a value that is not a number (type mismatch)", -1);
        return;
    }
    ++spread->count;
    const double delta = *n - spread->mean;
    spread->mean += delta / double(spread->count);
    spread->squares += delta * (*n - spread->mean);
}

template <bool root, bool population>
void spreadFinal(sqlite3_context* context)
{
    auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, 0));
    const qint64 count = spread ? spread->count : 0;
    // A sample needs two values, a population one.
    if (count < (population ? 1 : 2)) {
        sqlite3_result_null(context);
        return;
    }
    const double variance = spread->squares / double(population ? count : count - 1);
    sqlite3_result_double(context, root ? std::sqrt(variance) : variance);
}

QVariant dateSerial(const QVariantList& a)
{
    for (const QVariant& v : a) {
        if (v.isNull())
            return {};
    }
    const qint64 y = roundedInteger("DateSerial", a[0], -32768, 32767);
    const qint64 m = roundedInteger("DateSerial", a[1], -32768, 32767);
    const qint64 d = roundedInteger("DateSerial", a[2], -32768, 32767);
    // Months and days out of range carry into the years and months around them.
    const int fullYear = JetFunctions::fullYear(int(y));
    const QDate date = QDate(fullYear, 1, 1).addMonths(int(m - 1)).addDays(d - 1);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        fail("DateSerial", QStringLiteral("%1, %2, %3 is no date").arg(y).arg(m).arg(d));
    return JetFunctions::dateText(QDateTime(date, QTime(0, 0)));
}

qint64 count(const char* function, const QVariant& v)
{
    const qint64 n = roundedInteger(function, v, 0, 2147483647.0);
    return n;
}

QVariant left(const QVariantList& a)
{
    if (a[1].isNull())
        fail("Left", QStringLiteral("the length is Null"));
    return textOf(a[0]).left(count("Left", a[1]));
}
QVariant right(const QVariantList& a)
{
    if (a[1].isNull())
        fail("Right", QStringLiteral("the length is Null"));
    return textOf(a[0]).right(count("Right", a[1]));
}
QVariant mid(const QVariantList& a)
{
    const qint64 start = roundedInteger("Mid", a[1], 1, 2147483647.0);
    const QString text = textOf(a[0]);
    if (a.size() > 2 && !a[2].isNull())
        return text.mid(start - 1, count("Mid", a[2]));
    return text.mid(start - 1);
}
QVariant ucase(const QVariantList& a) { return textOf(a[0]).toUpper(); }
QVariant lcase(const QVariantList& a) { return textOf(a[0]).toLower(); }

// InStr([start,] text, sought[, compare]): 1-based, 0 when absent; compare 0 is binary,
// anything else (and the default of a query) without regard to case.
QVariant instr(const QVariantList& a)
{
    qsizetype start = 1;
    qsizetype first = 0;
    if (a.size() >= 3 && isNumber(a[0])) {
        start = roundedInteger("InStr", a[0], 1, 2147483647.0);
        first = 1;
    }
    if (a.size() <= first + 1)
        fail("InStr", QStringLiteral("a text and the text sought are needed"));
    const QVariant& text = a[first];
    const QVariant& sought = a[first + 1];
    if (text.isNull() || sought.isNull())
        return {};
    const bool binary = a.size() > first + 2 && !a[first + 2].isNull() && a[first + 2].toInt() == 0;
    const QString haystack = textOf(text);
    if (start > haystack.size())
        return qint64(0);
    const qsizetype at = haystack.indexOf(textOf(sought), start - 1, binary ? Qt::CaseSensitive : Qt::CaseInsensitive);
    return qint64(at + 1);
}

QVariant valOf(const QVariantList& a)
{
    return numberResult(JetFunctions::val(textOf(a[0])));
}

// Jet's &: Null only when every operand is; otherwise each operand's text, Null as "".
QVariant concat(const QVariantList& a)
{
    QString text;
    bool any = false;
    for (const QVariant& v : a) {
        if (v.isNull())
            continue;
        any = true;
        text += textOf(v);
    }
    return any ? QVariant(text) : QVariant();
}

QVariant formatOf(const QVariantList& a)
{
    return JetFunctions::format(a[0], a.size() > 1 && !a[1].isNull() ? a[1].toString() : QString());
}

// ---- Format --------------------------------------------------------------------------

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

QString dateFormat(const QDateTime& m, const QString& format);

QString namedDateFormat(const QDateTime& m, const QString& named)
{
    if (named == QLatin1String("general date")) {
        const bool hasTime = m.time() != QTime(0, 0);
        const bool hasDate = m.date() != serialEpoch;
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
QString dateFormat(const QDateTime& m, const QString& format)
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
            out += QString::number(run == 1 ? weekdayOf(d, 1) : weekOfYear(d, 1));
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
    if (!namedDateFormat(QDateTime(serialEpoch, QTime(0, 0)), named).isEmpty())
        return true;
    // Outside quotes, a date format is made of the date letters; a number format of 0 # . , %.
    QString bare = format;
    bare.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|\\\\.")));
    return bare.contains(QRegularExpression(QStringLiteral("[dmyhnswq]"), QRegularExpression::CaseInsensitiveOption))
        && !bare.contains(QRegularExpression(QStringLiteral("[0#]")));
}

} // namespace

namespace JetFunctions {

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
    if (isNumber(value))
        return momentOfSerial(value.toDouble());
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
            return QDateTime(serialEpoch, *t);
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

QString format(const QVariant& value, const QString& format)
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
        return named.isEmpty() ? dateFormat(*m, format) : named;
    }
    // A number format: text that reads as a number is formatted as one, other text as it is.
    const auto n = isNumber(value) ? std::optional<double>(value.toDouble())
                                   : numberFromText(value.toString());
    return n ? numberFormat(*n, format) : textOf(value);
}

int registerOn(sqlite3* db)
{
    struct Entry {
        const char* name;
        int arguments;
        void (*function)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Entry entries[] = {
        { "jet_ccur", 1, &call<ccur> }, { "jet_cint", 1, &call<cint> }, { "jet_clng", 1, &call<clng> }, { "jet_cdbl", 1, &call<cdbl> },
        { "jet_cbool", 1, &call<cbool> }, { "jet_cstr", 1, &call<cstr> }, { "jet_cdate", 1, &call<cdate> }, { "jet_int", 1, &call<intPart> },
        { "jet_fix", 1, &call<fixPart> }, { "jet_year", 1, &call<year> }, { "jet_month", 1, &call<month> }, { "jet_day", 1, &call<day> },
        { "jet_hour", 1, &call<hour> }, { "jet_minute", 1, &call<minute> }, { "jet_second", 1, &call<second> },
        { "jet_weekday", -1, &call<weekday> }, { "jet_datepart", -1, &call<datePart, false> },
        { "jet_dateserial", 3, &call<dateSerial, false> }, { "jet_left", 2, &call<left> }, { "jet_right", 2, &call<right> },
        { "jet_mid", -1, &call<mid> }, { "jet_ucase", 1, &call<ucase> }, { "jet_lcase", 1, &call<lcase> },
        { "jet_instr", -1, &call<instr, false> }, { "jet_val", 1, &call<valOf> }, { "jet_format", -1, &call<formatOf> },
        { "jet_concat", -1, &call<concat, false> }, { "jet_dateadd", 3, &call<dateAdd, false> },
        { "jet_datediff", -1, &call<dateDiff, false> },
    };
    for (const Entry& e : entries) {
        const int rc = sqlite3_create_function_v2(db, e.name, e.arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, e.function, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    struct Aggregate {
        const char* name;
        void (*step)(sqlite3_context*, int, sqlite3_value**);
        void (*final)(sqlite3_context*);
    };
    static const Aggregate aggregates[] = {
        { "jet_first", &keepStep<false>, &keepFinal }, { "jet_last", &keepStep<true>, &keepFinal },
        { "jet_stdev", &spreadStep, &spreadFinal<true, false> }, { "jet_stdevp", &spreadStep, &spreadFinal<true, true> },
        { "jet_var", &spreadStep, &spreadFinal<false, false> }, { "jet_varp", &spreadStep, &spreadFinal<false, true> },
    };
    for (const Aggregate& a : aggregates) {
        const int rc = sqlite3_create_function_v2(db, a.name, 1, SQLITE_UTF8, nullptr, nullptr, a.step, a.final, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

} // namespace JetFunctions
