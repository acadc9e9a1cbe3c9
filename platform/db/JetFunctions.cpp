#include "JetFunctions.h"

#include "JetFormat.h"
#include "JetValue.h"

#include <QDateTime>
#include <QVariantList>

#include <cmath>
#include <sqlite3.h>

namespace {

using namespace JetValue;

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
    const auto m = moment(v);
    if (!m)
        fail(function, QStringLiteral("'%1' is not a date (type mismatch)").arg(textOf(v)));
    return *m;
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
        return dateText(requireMoment("CDate", a[0]));
    return dateText(requireMoment("CDate", a[0]));
}
QVariant intPart(const QVariantList& a) { return numberResult(std::floor(requireNumber("Int", a[0]))); }
QVariant fixPart(const QVariantList& a) { return numberResult(std::trunc(requireNumber("Fix", a[0]))); }

QVariant year(const QVariantList& a) { return qint64(requireMoment("Year", a[0]).date().year()); }
QVariant month(const QVariantList& a) { return qint64(requireMoment("Month", a[0]).date().month()); }
QVariant day(const QVariantList& a) { return qint64(requireMoment("Day", a[0]).date().day()); }
QVariant hour(const QVariantList& a) { return qint64(requireMoment("Hour", a[0]).time().hour()); }
QVariant minute(const QVariantList& a) { return qint64(requireMoment("Minute", a[0]).time().minute()); }
QVariant second(const QVariantList& a) { return qint64(requireMoment("Second", a[0]).time().second()); }

// The optional first-day-of-week and first-week-of-year arguments from index AT on:
// missing, Null or 0 (the system's) are the engine's default, anything beyond its
// constants is refused as the engine refuses it.
WeekRule weekRule(const char* function, const QVariantList& a, qsizetype at)
{
    WeekRule rule;
    const auto given = [&](qsizetype i, int most, const char* what) {
        if (a.size() <= i || a[i].isNull())
            return 0;
        const double n = roundHalfEven(requireNumber(function, a[i]));
        if (!(n >= 0 && n <= most))
            fail(function, QStringLiteral("%1 is no %2 (invalid procedure call)").arg(numberText(n), QLatin1String(what)));
        return int(n);
    };
    if (const int day = given(at, 7, "first day of the week (0 to 7)"))
        rule.firstDay = day;
    if (const int week = given(at + 1, 3, "first week of the year (0 to 3)"))
        rule.firstWeek = week;
    return rule;
}

QVariant weekday(const QVariantList& a)
{
    return qint64(weekdayOf(requireMoment("Weekday", a[0]).date(), weekRule("Weekday", a, 1).firstDay));
}

// WeekdayName(weekday, [abbreviate], [firstdayofweek]) and MonthName(month, [abbreviate]):
// the US names, as Format writes them.
QVariant weekdayName(const QVariantList& a)
{
    const qint64 n = roundedInteger("WeekdayName", a[0], 1, 7);
    const bool abbreviate = a.size() > 1 && !a[1].isNull() && requireNumber("WeekdayName", a[1]) != 0;
    const int sundayBased = int((n - 1 + weekRule("WeekdayName", a, 2).firstDay - 1) % 7); // 0 Sunday … 6 Saturday
    return JetFormat::format(dateText(QDateTime(QDate(1995, 1, 1 + sundayBased), QTime(0, 0))), abbreviate ? QStringLiteral("ddd") : QStringLiteral("dddd"));
}
QVariant monthName(const QVariantList& a)
{
    const qint64 n = roundedInteger("MonthName", a[0], 1, 12);
    const bool abbreviate = a.size() > 1 && !a[1].isNull() && requireNumber("MonthName", a[1]) != 0;
    return JetFormat::format(dateText(QDateTime(QDate(1995, int(n), 1), QTime(0, 0))), abbreviate ? QStringLiteral("mmm") : QStringLiteral("mmmm"));
}

// DatePart(interval, date, [firstdayofweek], [firstweekofyear])
QVariant datePart(const QVariantList& a)
{
    if (a[0].isNull() || a.size() < 2 || a[1].isNull())
        return {};
    const QString interval = a[0].toString().trimmed().toLower();
    const QDateTime m = requireMoment("DatePart", a[1]);
    const WeekRule weeks = weekRule("DatePart", a, 2);
    const QDate d = m.date();
    if (interval == QLatin1String("yyyy")) return qint64(d.year());
    if (interval == QLatin1String("q")) return qint64((d.month() - 1) / 3 + 1);
    if (interval == QLatin1String("m")) return qint64(d.month());
    if (interval == QLatin1String("y")) return qint64(d.dayOfYear());
    if (interval == QLatin1String("d")) return qint64(d.day());
    if (interval == QLatin1String("w")) return qint64(weekdayOf(d, weeks.firstDay));
    if (interval == QLatin1String("ww")) return qint64(weekOfYear(d, weeks));
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
    // Ten million of any interval already leaves the years 100 to 9999.
    const qint64 n = roundedInteger("DateAdd", a[1], -1e7, 1e7);
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
    return dateText(result);
}

// DateDiff(interval, first, second, [firstdayofweek], [firstweekofyear]): how many
// boundaries of the interval lie between them (midnights for days, year ends for years,
// week starts for "ww"); "w" counts whole weeks. The first week of the year changes none.
QVariant dateDiff(const QVariantList& a)
{
    if (a[0].isNull() || a.size() < 3 || a[1].isNull() || a[2].isNull())
        return {};
    const QString interval = a[0].toString().trimmed().toLower();
    const QDateTime from = requireMoment("DateDiff", a[1]);
    const QDateTime to = requireMoment("DateDiff", a[2]);
    const int firstDay = weekRule("DateDiff", a, 3).firstDay;
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
    const int year = fullYear(int(y));
    const QDate date = QDate(year, 1, 1).addMonths(int(m - 1)).addDays(d - 1);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        fail("DateSerial", QStringLiteral("%1, %2, %3 is no date").arg(y).arg(m).arg(d));
    return dateText(QDateTime(date, QTime(0, 0)));
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
    return numberResult(val(textOf(a[0])));
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
    return JetFormat::format(a[0], a.size() > 1 && !a[1].isNull() ? a[1].toString() : QString(), weekRule("Format", a, 2));
}

} // namespace

namespace JetFunctions {

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
        { "jet_weekdayname", -1, &call<weekdayName> }, { "jet_monthname", -1, &call<monthName> },
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
