#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

/// How the Jet engine of the period reads and writes values in its expressions: dates as
/// the stand-in keeps them ("yyyy-MM-dd HH:mm:ss" text), or written #m/d/yy#, or as a date
/// serial (days since 30 December 1899); numbers in text (US separators); a number as
/// its text; halves rounded to even; weeks counted from their first day.
namespace JetValue {

/// The day date serials count from.
QDate serialEpoch();
/// Whether V holds a number (integer, floating point or Boolean) rather than text.
bool isNumber(const QVariant& v);
/// TEXT as Jet's conversions read a number: blanks around it, a sign, US thousands
/// separators, a decimal point, an exponent. Empty when it is no number.
std::optional<double> numberFromText(const QString& text);
/// V as a number: numbers as they are, dates as their serial, text read as a number.
std::optional<double> numberOf(const QVariant& v);
double serialOf(const QDateTime& moment);
QDateTime momentOfSerial(double serial);
/// A double as Jet writes it: up to 15 significant digits, an exponent only when needed.
QString numberText(double value);
/// V as Jet writes it as text.
QString textOf(const QVariant& v);
/// The nearest integer, halves to the even one, a half as its decimal text reads.
double roundHalfEven(double n);
/// How weeks are counted, as DatePart, DateDiff, Weekday and Format take it in their
/// optional arguments, by the engine's own numbers: the first day of the week (0 the
/// system's, 1 Sunday … 7 Saturday) and the first week of the year (0 the system's, 1
/// the week of 1 January, 2 the first week with four days or more in the year, 3 the
/// first whole week). The system's setting is taken as the engine's default, Sunday and
/// the week of 1 January, so that a query gives the same rows on every machine.
struct WeekRule {
    enum FirstWeek { WeekOfJanuaryFirst = 1, FirstFourDays = 2, FirstFullWeek = 3 };
    int firstDay = 1;
    int firstWeek = WeekOfJanuaryFirst;
};
/// 1 for FIRSTDAY (1 Sunday … 7 Saturday) to 7.
int weekdayOf(const QDate& date, int firstDay);
/// The week of the year by RULE. A day before the year's first week is in the last week
/// of the year before (52 or 53); with four days, a day of the last days of December in
/// the next year's first week is in week 1.
int weekOfYear(const QDate& date, const WeekRule& rule);

/// A value as a moment: the stand-in's date text, the forms #m/d/yyyy# and ISO dates
/// take, or a date serial. Empty when it is none of them.
std::optional<QDateTime> moment(const QVariant& value);
/// The stand-in's text of a moment.
QString dateText(const QDateTime& moment);
/// The year of a two-digit year as Jet reads it: 0–29 are 2000–2029, 30–99 1930–1999.
int fullYear(int year);
/// Jet's Val: the number at the start of TEXT, blanks skipped, 0 when there is none.
double val(const QString& text);

} // namespace JetValue
